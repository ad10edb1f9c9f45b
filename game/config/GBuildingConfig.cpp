#include "game/config/GBuildingConfig.h"

#include "engine/core/NumberText.h"
#include "engine/io/CXmlStreamReader.h"

namespace {

// Reads and drops the children of the current element.
void skipElement(CXmlStreamReader& reader) {
    const CStringW name = reader.nodeName();
    readChildElements(reader, name.c_str(), [](CXmlStreamReader&) {});
}

} // namespace

GBuildingConfig::GBuildingConfig() : ActiveFeatures(new GActiveFeatureList) { padWorkerWorkStates(); }

GBuildingConfig::~GBuildingConfig() = default;

void GBuildingConfig::readUnknownElement(CXmlStreamReader&) {}

void GBuildingConfig::padWorkerWorkStates() {
    static const CName stand("Stand");
    while (WorkerWorkStates.size() < 4)
        WorkerWorkStates.push_back(stand);
}

void GBuildingConfig::readFromXml(CXmlStreamReader& reader) {
    Modifiers.reset();
    ServeAreas.clear();
    OccupiedPlaces.clear();
    readChildElements(reader, u"Building", [this](CXmlStreamReader& r) {
        const CStringW& name = r.nodeName();
        if (name == u"Type") {
            Kind = buildingTypeFromName(valueText(r));
            Type = valueName(r);
        } else if (name == u"Level") {
            Level = valueInt(r);
        } else if (name == u"AllowedFromLevel") {
            AllowedFromLevel = valueInt(r);
        } else if (name == u"IncomeGold") {
            IncomeGold = valueInt(r);
        } else if (name == u"GuestsCount") {
            GuestsCount = valueInt(r);
        } else if (name == u"Happiness") {
            Happiness = valueInt(r);
        } else if (name == u"Income") {
            Income = valueFloat(r);
        } else if (name == u"Name") {
            Name = valueName(r);
        } else if (name == u"ServeName") {
            ServeName = valueName(r);
        } else if (name == u"ButtonTemplate") {
            ButtonTemplate = valueName(r);
        } else if (name == u"BuiltSoundCueName") {
            BuiltSoundCueName = valueName(r);
        } else if (name == u"SelectedSoundCueName") {
            SelectedSoundCueName = valueName(r);
        } else if (name == u"DisplayName") {
            DisplayName = CString(valueText(r));
        } else if (name == u"Description") {
            Description = valueText(r);
        } else if (name == u"FullDescription") {
            FullDescription = valueText(r);
        } else if (name == u"Upgrades") {
            Upgrades.clear();
            readChildElements(r, u"Upgrades", [this](CXmlStreamReader& child) {
                if (child.nodeName() == u"NextLevelName")
                    Upgrades.push_back(valueName(child));
            });
        } else if (name == u"Build") {
            Build.readFromXml(r, u"Build", true);
        } else if (name == u"Repair") {
            Repair.readFromXml(r, u"Repair", true);
        } else if (name == u"Destroy") {
            Destroy.readFromXml(r, u"Destroy", true);
        } else if (name == u"ProvidedService") {
            const int code = valueInt(r);
            ProvidedService = code == ServiceCode4 || code == ServiceCode5 ? code : 0;
        } else if (name == u"LevelModifiers") {
            Modifiers.reset(new LevelModifiers);
            Modifiers->readFromXml(r);
        } else if (name == u"ActiveFeature") {
            CRefHandle<GActiveFeature> feature(GActiveFeature::create(r.attribute("Type")));
            if (feature) {
                feature->readFromXml(r);
                ActiveFeatures->add(feature.get());
            } else {
                // Its children are no settings of the building.
                skipElement(r);
            }
        } else if (name == u"ServeArea") {
            ServeAreas.push_back(ServeArea());
            ServeAreas.back().readFromXml(r, u"ServeArea");
        } else if (name == u"RequiredServeAreas") {
            RequiredServeAreas = valueNames(r);
        } else if (name == u"RandomResource") {
            readChildElements(r, u"RandomResource", [this](CXmlStreamReader& child) {
                const CStringW& key = child.nodeName();
                if (key == u"TimeRange")
                    RandomResource.TimeRange = valueIntRange(child);
                else if (key == u"MaterialsRange")
                    RandomResource.MaterialsRange = valueIntRange(child);
                else if (key == u"GoldRange")
                    RandomResource.GoldRange = valueIntRange(child);
                else if (key == u"MoneyRange")
                    RandomResource.MoneyRange = valueIntRange(child);
                else if (key == u"Template")
                    RandomResource.Template = valueName(child);
            });
        } else if (name == u"OccupiedPlaces") {
            for (const CStringW& piece : splitText(valueText(r), u',')) {
                CVector2di offset;
                parseIntPair(piece.c_str(), offset.x, offset.y);
                OccupiedPlaces.push_back(offset);
            }
        } else if (name == u"ProduceItems") {
            ProduceItems.clear();
            readChildElements(r, u"ProduceItems", [this](CXmlStreamReader& child) {
                if (!(child.nodeName() == u"Item"))
                    return;
                CRefHandle<GProduceItemConfig> item(new GProduceItemConfig);
                item->readFromXml(child);
                ProduceItems.push_back(item);
            });
        } else if (name == u"CanBeDestroyed") {
            CanBeDestroyed = valueIsTrue(r);
        } else if (name == u"TrainArrivalTimeRange") {
            TrainArrivalTimeRange = valueIntRange(r);
        } else if (name == u"WorkerWorkStates") {
            WorkerWorkStates = valueNames(r);
        } else {
            readUnknownElement(r);
        }
    });
    padWorkerWorkStates();
}
