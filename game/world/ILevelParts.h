#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CName.h"
#include "engine/core/CRect.h"
#include "engine/core/CVector2d.h"

#include <cstdint>

class BaseNode;
class GBuildingNode;
class GTrainConfig;

// What the level scene asks of the world objects it drives but does not
// define: the places by the road, the headquarters and the trains. Their
// classes implement these; the level finds them by their node type ids.

// A place by the road (an obstacle, a pile of resources or a quest spot).
class ILevelLocation {
public:
    static constexpr int32_t TypeId = 2066;
    // Work states the level tells apart.
    static constexpr int Available = 1;
    static constexpr int Done = 5;

    [[nodiscard]] virtual int getWorkState() const = 0;
    // The rectangles the location blocks on the walk grid, in level units.
    [[nodiscard]] virtual const CArray<CRect>& getUnwalkableRects() const = 0;
    // Re-tests whether the headquarters' workers can reach it.
    virtual void refreshReachability() = 0;
    [[nodiscard]] virtual bool isLocationReachable() const = 0;
    virtual void setFirstOnRoad(bool on) = 0;
    virtual void setImpending(bool on) = 0;
    // Starts its "Appear" animation and the short lock that follows.
    virtual void startAppear() = 0;
    // The state applied once the location is done ("Built").
    [[nodiscard]] virtual CName getBuiltStateName() const = 0;

protected:
    ~ILevelLocation() = default;
};

// The headquarters building.
class ILevelHeadquarters {
public:
    static constexpr int32_t TypeId = 2067;

    virtual void spawnWorkers(int count) = 0;
    virtual void spawnStagecoaches(int count) = 0;
    virtual void spawnGuides(int count) = 0;
    // Re-tests its reachability and the point where its workers leave it.
    virtual void refreshWorkerPoint() = 0;
    [[nodiscard]] virtual CVector2d getWorkerPoint() const = 0;
    // Sends workers to run the active feature `index` of `building`.
    virtual void activateFeature(GBuildingNode* building, int index) = 0;

protected:
    ~ILevelHeadquarters() = default;
};

// A train of the level's pool.
class ILevelTrain {
public:
    static constexpr int32_t TypeId = 2068;
    static constexpr int Idle = 0;

    [[nodiscard]] virtual int32_t getState() const = 0;
    virtual void setTrainConfig(GTrainConfig* config) = 0;
    virtual void assignToStation(GBuildingNode* station) = 0;

protected:
    ~ILevelTrain() = default;
};

// The part of `node` the level drives, when the node is of that kind.
[[nodiscard]] ILevelLocation* levelLocationOf(BaseNode* node);
[[nodiscard]] ILevelHeadquarters* levelHeadquartersOf(BaseNode* node);
[[nodiscard]] ILevelTrain* levelTrainOf(BaseNode* node);
