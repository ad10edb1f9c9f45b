#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CMap.h"
#include "engine/core/CName.h"
#include "engine/core/CRefCounted.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CStringW.h"
#include "game/config/LevelModifiers.h"

class CXmlStreamReader;

// A building feature an upgrade makes available, per building type.
struct GAllowedBuildingFeature {
    CName Building;
    CName FeatureName;
};

// One upgrade of "levels/common/UpgradesConfiguration.xml".
class GUpgradeConfig : public CRefCounted {
public:
    GUpgradeConfig();

    // The children of the current "Upgrade" element up to its end element;
    // the two "Allows" lists start empty, other fields keep their values
    // until named.
    void readFromXml(CXmlStreamReader& reader);

    CName Type;
    CName Name;
    CName Button;
    CStringW Info;
    int Price = 0;
    int Level = 0;
    CStringW RequiredRank;
    CArray<CName> AllowsBuilding;
    CArray<GAllowedBuildingFeature> AllowsBuildingFeature;
    // Never null.
    CRefHandle<LevelModifiers> Modifiers;

protected:
    ~GUpgradeConfig() override;
};

// The upgrades by Name; the first upgrade of a name wins.
class UpgradesConfiguration : public CRefCounted {
public:
    static constexpr const char16_t* FileName = u"levels/common/UpgradesConfiguration.xml";

    UpgradesConfiguration() = default;

    // Replaces the records with those of the document. Answers false (after
    // one log line) when it ended before its "UpgradesConfiguration" end
    // element; what was read stays.
    bool readFromXml(CXmlStreamReader& reader);

    [[nodiscard]] GUpgradeConfig* find(CName name) const;
    [[nodiscard]] const CMap<CName, CRefHandle<GUpgradeConfig>>& getUpgrades() const { return m_upgrades; }

protected:
    ~UpgradesConfiguration() override;

private:
    CMap<CName, CRefHandle<GUpgradeConfig>> m_upgrades;
};
