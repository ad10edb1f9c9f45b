#include "game/config/ObjectsConfiguration.h"

#include "engine/core/CStringW.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/CXmlStreamReader.h"
#include "game/config/ConfigXml.h"

namespace {

// Reads a new record of type T from the current element and files it under
// its Name unless that name is taken.
template <class T> void readRecord(CXmlStreamReader& reader, ObjectsConfiguration::Catalogue<T>& map) {
    CRefHandle<T> record(new T);
    record->readFromXml(reader);
    map.insert(ObjectsConfiguration::keyOf(record->Name), record);
}

} // namespace

ObjectsConfiguration::~ObjectsConfiguration() = default;

bool ObjectsConfiguration::readFromXml(CXmlStreamReader& reader) {
    return readConfigDocument(reader, u"ObjectsConfiguration", [this](CXmlStreamReader& r) {
        const CStringW& name = r.nodeName();
        if (name == u"Building") {
            readRecord(r, m_buildings);
        } else if (name == u"UniqUpgrade") {
            readRecord(r, m_uniqUpgrades);
        } else if (name == u"Worker") {
            readRecord(r, m_workers);
        } else if (name == u"Train") {
            readRecord(r, m_trains);
        } else if (name == u"RRStationItems") {
            m_stationItems.reset(new RRStationItems);
            m_stationItems->readFromXml(r);
        }
    });
}

void ObjectsConfiguration::clear() {
    m_buildings.clear();
    m_uniqUpgrades.clear();
    m_workers.clear();
    m_trains.clear();
    m_stationItems.reset();
}

void ObjectsConfiguration::reload(CVirtualFileSystem* files, bool buildingsOnly) {
    clear();
    if (!files)
        return;
    for (const char16_t* fileName : FileNames) {
        CRefHandle<CXmlStreamReader> reader(files->openXmlReader(CStringW(fileName)));
        if (reader)
            (void)readFromXml(*reader);
        if (buildingsOnly)
            return;
    }
}

GUniqUpgradeConfig* ObjectsConfiguration::findUniqUpgrade(CName type, CName buildingType) const {
    for (const auto& entry : m_uniqUpgrades) {
        GUniqUpgradeConfig* upgrade = entry.value.get();
        if (!type.empty() && !(upgrade->Type == type))
            continue;
        if (upgrade->BuildingTypes.indexOf(buildingType) >= 0)
            return upgrade;
    }
    return nullptr;
}
