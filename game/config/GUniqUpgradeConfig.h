#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CName.h"
#include "engine/core/CRefCounted.h"
#include "game/config/GBuildingActionConfig.h"

class CXmlStreamReader;

// A one-off improvement for buildings of the listed types ("UniqUpgrade"
// element of the objects configuration).
class GUniqUpgradeConfig : public CRefCounted {
public:
    GUniqUpgradeConfig() = default;

    // The children of a "UniqUpgrade" element up to its end element. The
    // Build block is taken as read, without the lower bounds of buildings.
    void readFromXml(CXmlStreamReader& reader);

    CName Name;
    CName Type;
    int AllowedFromLevel = 1;
    int UniqUpIncomeBonus = 0;
    int UniqUpGuestsBonus = 0;
    GBuildingActionConfig Build;
    // Building types, by their Type name, the upgrade applies to.
    CArray<CName> BuildingTypes;

protected:
    ~GUniqUpgradeConfig() override;
};
