#include "game/config/GUniqUpgradeConfig.h"

#include "engine/io/CXmlStreamReader.h"
#include "game/config/ConfigXml.h"

GUniqUpgradeConfig::~GUniqUpgradeConfig() = default;

void GUniqUpgradeConfig::readFromXml(CXmlStreamReader& reader) {
    readChildElements(reader, u"UniqUpgrade", [this](CXmlStreamReader& r) {
        const CStringW& name = r.nodeName();
        if (name == u"Name")
            Name = valueName(r);
        else if (name == u"Type")
            Type = valueName(r);
        else if (name == u"AllowedFromLevel")
            AllowedFromLevel = valueInt(r);
        else if (name == u"UniqUpIncomeBonus")
            UniqUpIncomeBonus = valueInt(r);
        else if (name == u"UniqUpGuestsBonus")
            UniqUpGuestsBonus = valueInt(r);
        else if (name == u"BuildingTypes")
            BuildingTypes = valueNames(r);
        else if (name == u"Build")
            Build.readFromXml(r, u"Build", false);
    });
}
