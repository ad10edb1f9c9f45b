#include "game/config/UpgradesConfiguration.h"

#include "engine/io/CXmlStreamReader.h"
#include "game/config/ConfigXml.h"

GUpgradeConfig::GUpgradeConfig() : Modifiers(new LevelModifiers) {}

GUpgradeConfig::~GUpgradeConfig() = default;

void GUpgradeConfig::readFromXml(CXmlStreamReader& reader) {
    AllowsBuilding.clear();
    AllowsBuildingFeature.clear();
    readChildElements(reader, u"Upgrade", [this](CXmlStreamReader& r) {
        const CStringW& name = r.nodeName();
        if (name == u"Type")
            Type = valueName(r);
        else if (name == u"Name")
            Name = valueName(r);
        else if (name == u"Button")
            Button = valueName(r);
        else if (name == u"Info")
            Info = valueText(r);
        else if (name == u"RequiredRank")
            RequiredRank = valueText(r);
        else if (name == u"Price")
            Price = valueInt(r);
        else if (name == u"Level")
            Level = valueInt(r);
        else if (name == u"AllowsBuilding")
            AllowsBuilding.push_back(valueName(r));
        else if (name == u"AllowsBuildingFeature")
            AllowsBuildingFeature.push_back({attributeName(r, "Building"), attributeName(r, "FeatureName")});
        else if (name == u"LevelModifiers")
            Modifiers->readFromXml(r);
    });
}

UpgradesConfiguration::~UpgradesConfiguration() = default;

bool UpgradesConfiguration::readFromXml(CXmlStreamReader& reader) {
    m_upgrades.clear();
    return readConfigDocument(reader, u"UpgradesConfiguration", [this](CXmlStreamReader& r) {
        if (!(r.nodeName() == u"Upgrade"))
            return;
        CRefHandle<GUpgradeConfig> upgrade(new GUpgradeConfig);
        upgrade->readFromXml(r);
        m_upgrades.insert(upgrade->Name, upgrade);
    });
}

GUpgradeConfig* UpgradesConfiguration::find(CName name) const {
    auto found = m_upgrades.find(name);
    return found == m_upgrades.end() ? nullptr : found->value.get();
}
