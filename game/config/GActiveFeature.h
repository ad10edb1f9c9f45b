#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CName.h"
#include "engine/core/CRefCounted.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CStringW.h"
#include "game/config/ConfigXml.h"
#include "game/config/GResources.h"
#include "game/config/LevelModifiers.h"
#include "game/config/ServeArea.h"

#include <cstdint>

class CXmlStreamReader;
class GActiveFeatureList;

// A building's special ability: switched on, it stays active for
// DurationTime and yields a share of some amount (its kind says which),
// then recharges for RechargeTime before it is ready again. Each phase change
// is told to the level as a game message (4117 to 4120). Features come from
// "ActiveFeature" elements of the building configuration; each building
// holds copies in its GActiveFeatureList.
class GActiveFeature : public CRefCounted {
public:
    // The kind is the element's Type and names the element inside
    // "ProducedResources" that carries the share range.
    enum Kind : uint8_t {
        GoldPercent,       // a share of the headquarters' Gold, paid in Gold
        IncomePercent,     // a share of the level's income, paid in Money
        IncomeGoldPercent, // a share of the building's gold income, paid in Gold
    };
    enum State : int { Ready = 0, Active = 1, Recharging = 2 };

    // A new feature of the kind named `kindName` exactly, or null.
    [[nodiscard]] static GActiveFeature* create(const CStringW& kindName);

    // Reads the children of the current "ActiveFeature" element; true when
    // its end element was reached.
    bool readFromXml(CXmlStreamReader& reader);

    // A new feature with everything copied (the modifier set is shared); it
    // belongs to no list.
    [[nodiscard]] GActiveFeature* clone() const;

    // Runs the timer by `elapsed` ms when the kind's condition holds (the
    // amount it shares is above 0) or `force` is set.
    void update(uint32_t elapsed, bool force);
    // Draws the share and stores the reward (at least 1) under the kind's
    // resource; nothing without the level or building the kind reads.
    void rollReward();
    // The expected Gold as the dictionary's "GamePlay_Gold" text for the Gold
    // kinds; empty for the income kind or without a level or dictionary.
    [[nodiscard]] CStringW getDescription() const;
    // Active: elapsed / DurationTime; recharging: the part still to go;
    // ready: 0. Always within 0 to 1.
    [[nodiscard]] float getProgressRatio() const;

    [[nodiscard]] Kind getKind() const { return m_kind; }
    [[nodiscard]] State getState() const { return m_state; }
    [[nodiscard]] int getElapsed() const { return m_elapsed; }
    // Active: RechargeTime x elapsed / DurationTime; recharging: ms left.
    [[nodiscard]] int getProgress() const { return m_progress; }
    [[nodiscard]] GFloatRange getShareRange() const { return m_shareRange; }
    [[nodiscard]] const GResourceMap& getReward() const { return m_reward; }
    [[nodiscard]] GActiveFeatureList* getOwner() const { return m_owner; }

    int Workers = 1;
    GResourceMap RequiredResources;
    CArray<ServeArea> ServeAreas;
    bool UseServeAreaFromParentBuilding = false;
    // Applies while the feature is active; null when it brings none.
    CRefHandle<LevelModifiers> Modifiers;
    CName FeatureName;
    int DurationTime = 1000;
    int RechargeTime = 1000;

protected:
    explicit GActiveFeature(Kind kind) : m_kind(kind) {}
    ~GActiveFeature() override;

private:
    friend class GActiveFeatureList;

    // The amount the kind shares, or false when the level or building it
    // reads is missing.
    [[nodiscard]] bool baseAmount(float& amount) const;
    void postActivated();
    void postRecharging();
    void postFinished();
    void postReady();
    template <class Message> void post();

    Kind m_kind;
    GResourceMap m_reward;
    int m_elapsed = 0;
    int m_progress = 0;
    State m_state = Recharging;
    GActiveFeatureList* m_owner = nullptr;
    GFloatRange m_shareRange;
};
