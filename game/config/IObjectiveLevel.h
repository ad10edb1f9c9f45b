#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CName.h"

#include <cstdint>

class GBuildingConfig;

// What the objectives read of one building place of the running level.
struct GObjectivePlace {
    // Task kinds that change how a place counts.
    static constexpr int NoTask = 0;
    static constexpr int BuildTask = 1; // building or levelling up
    static constexpr int DestroyTask = 4;
    static constexpr int RepairTask = 5; // repairing or restoring

    CName name; // the place node's name
    bool visible = true;
    bool enabled = true;
    bool reachable = true;
    bool hasRequiredServices = true;
    int taskKind = NoTask;
    int damageState = 0;
    // The place's type record and the one it had before its current task;
    // either may be null.
    const GBuildingConfig* current = nullptr;
    const GBuildingConfig* previous = nullptr;
    float incomeBonus = 0.0f;
    // Guests served at the place under its current record.
    int servedGuests = 0;
};

// One entry of the level's history of actions.
struct GHistoryRecord {
    // Kinds of action.
    static constexpr int Build = 0;
    static constexpr int Destroy = 1;
    static constexpr int Repair = 2;
    static constexpr int UniqUpgrade = 3;
    static constexpr int FeatureActivate = 4;
    static constexpr int TakeOnRoadMaterials = 5;
    static constexpr int GoldSell = 7;

    int kind = -1;
    CName typeName;  // the building type's record name
    CName placeName; // the place node's name
    int amount = 0;
};

// The running level as the objectives see it. The level scene implements it;
// every test and text is computed from it at the moment of the call.
class IObjectiveLevel {
public:
    // The headquarters' amount of a resource ("Money", "Gold"); 0 without
    // headquarters.
    [[nodiscard]] virtual int getHeadquartersResource(CName name) const = 0;
    [[nodiscard]] virtual int getHeadquartersWorkers() const = 0;
    // The level's current income per day.
    [[nodiscard]] virtual float getLevelIncome() const = 0;
    [[nodiscard]] virtual int getLevelGuests() const = 0;
    [[nodiscard]] virtual int getLevelExtraGuests() const = 0;
    [[nodiscard]] virtual int getLevelHappiness() const = 0;
    // The building places in the level's order.
    [[nodiscard]] virtual uint32_t getPlaceCount() const = 0;
    [[nodiscard]] virtual GObjectivePlace getPlace(uint32_t index) const = 0;
    // The actions since the history was last emptied, oldest first.
    [[nodiscard]] virtual const CArray<GHistoryRecord>& getHistory() const = 0;

protected:
    ~IObjectiveLevel() = default;
};
