#pragma once

#include "engine/core/CName.h"

#include <cstdint>

class BaseNode;
class GBuildingConfig;
class GProduceItemConfig;
class GUniqUpgradeConfig;
class IObjectiveLevel;
class CEventReceiver;
class CStringW;
class GlobalConfig;
class CUpdateScheduler;
class CVector2d;
template <class T> class CArray;
class LevelConfiguration;
class ObjectsConfiguration;
struct GLevelModifierValues;

// What world objects and configuration records ask of the running level.
// The level scene implements it; the records reach the level only through
// it, so they sit below the world.
class IGameLevel {
public:
    // The receiver that game messages are handed to (see sendToLevel).
    [[nodiscard]] virtual CEventReceiver* getLevelReceiver() = 0;
    // The level's configuration and the shared catalogue; null while the
    // level has none.
    [[nodiscard]] virtual LevelConfiguration* getLevelConfiguration() const = 0;
    [[nodiscard]] virtual ObjectsConfiguration* getObjectsConfiguration() const = 0;
    // The modifier values in force (in the level configuration); null while
    // the level has no configuration.
    [[nodiscard]] virtual const GLevelModifierValues* getModifierValues() const = 0;
    // The level's current income per day.
    [[nodiscard]] virtual float getLevelIncome() const = 0;
    // The Gold held by the headquarters building; 0 without one.
    [[nodiscard]] virtual int getHeadquartersGold() const = 0;
    // The scheduler that runs the level's world objects; null while there is
    // none.
    [[nodiscard]] virtual CUpdateScheduler* getUpdateScheduler() const { return nullptr; }
    // A walk path between two scene points over the level's walk grid, as
    // points from `to` (first) back to `from` (last); false, `points`
    // unchanged, when there is none.
    [[nodiscard]] virtual bool findPath(const CVector2d& /*from*/, const CVector2d& /*to*/,
                                        CArray<CVector2d>& /*points*/, bool /*straighten*/) {
        return false;
    }

    // What building places ask of their level; the defaults answer as a
    // level without these parts would.
    // True while the level is paused (no hover or focus looks change).
    [[nodiscard]] virtual bool isLevelPaused() const { return false; }
    // The 1-based level number; 0 when unknown.
    [[nodiscard]] virtual int getLevelNumber() const { return 0; }
    // The game-wide constants (scenery settings of the level numbers).
    [[nodiscard]] virtual const GlobalConfig* getGlobalConfig() const { return nullptr; }
    // The building places in order (index = place number).
    [[nodiscard]] virtual int getPlaceCount() const { return 0; }
    [[nodiscard]] virtual BaseNode* getPlace(int) const { return nullptr; }
    // Recomputes the places' bonuses and the level's totals.
    virtual void recalculate() {}
    // The headquarters place; null without one.
    [[nodiscard]] virtual BaseNode* getHeadquarters() const { return nullptr; }
    // Steps of the walk path between two points; -1 when there is none.
    [[nodiscard]] virtual int pathLength(float, float, float, float) const { return -1; }
    // The private layer the walking characters (and stagecoach parts) live in; null without one.
    [[nodiscard]] virtual BaseNode* getWalkerLayer() const { return nullptr; }
    // The width of the level scene's Bounds (trains leave the strip past it); 0 when unknown.
    [[nodiscard]] virtual float getLevelWidth() const { return 0.0f; }
    // The level's guests (both guest counters); 0 without them.
    [[nodiscard]] virtual int getLevelGuests() const { return 0; }
    // The node the level's places by the road live under; null without one.
    [[nodiscard]] virtual BaseNode* getOnRoadLocationsNode() const { return nullptr; }
    // One entry per finished objectives group, 1 when it was passed; null
    // while the level keeps none.
    [[nodiscard]] virtual const CArray<uint8_t>* getGroupResults() const { return nullptr; }
    // The layer that effects over buildings play in; null without one.
    [[nodiscard]] virtual BaseNode* getEffectsLayer() const { return nullptr; }

    // What the play screen reads and asks of its level (added for play48).
    // The building place the player has selected; null when none.
    [[nodiscard]] virtual BaseNode* getFocusedBuilding() const { return nullptr; }
    // The level's possible income and guests, and its happiness.
    [[nodiscard]] virtual float getPossibleIncome() const { return 0.0f; }
    [[nodiscard]] virtual int getPossibleGuests() const { return 0; }
    [[nodiscard]] virtual int getHappinessTotal() const { return 0; }
    // The current objective group's index.
    [[nodiscard]] virtual int getCurrentGroupIndex() const { return 0; }
    // True while the current group has just been completed and the next is not shown yet.
    [[nodiscard]] virtual bool isGroupJustCompleted() const { return false; }
    // The level clock in ms; the play screen raises it when a group is completed in time.
    [[nodiscard]] virtual int getLevelClockMs() const { return 0; }
    virtual void setLevelClockMs(int) {}
    // The level as its objectives read it; null when it has none.
    [[nodiscard]] virtual const IObjectiveLevel* getObjectivesView() const { return nullptr; }
    // The headquarters' checks of a command (false without headquarters).
    [[nodiscard]] virtual bool canBuild(BaseNode*, const GBuildingConfig*) const { return false; }
    [[nodiscard]] virtual bool canRepair(BaseNode*, const GBuildingConfig*) const { return false; }
    [[nodiscard]] virtual bool canAffordProduction(BaseNode*, const GProduceItemConfig*) const { return false; }
    [[nodiscard]] virtual bool canAffordUniqueUpgrade(BaseNode*, const GUniqUpgradeConfig*) const { return false; }
    // The headquarters' free workers, and the ms left of a worker order (-1: none).
    [[nodiscard]] virtual int getFreeWorkers() const { return 0; }
    [[nodiscard]] virtual int getWorkerOrderTimeLeft() const { return -1; }
    // Standing trains at a station: state (3 standing), whether it has buy (sale false) or sell offers.
    [[nodiscard]] virtual int getTrainState(const BaseNode*) const { return 0; }
    [[nodiscard]] virtual bool trainHasOffers(const BaseNode*, bool /*sale*/) const { return false; }
    // One offer of a standing train; false past the last one.
    struct TrainOffer {
        bool sale = false;
        bool used = false;
        CName resource;
        int amount = 0;
        int price = 0;
        CName templateName;
    };
    [[nodiscard]] virtual bool getTrainOffer(const BaseNode*, int /*index*/, TrainOffer&) const { return false; }
    // The railway of a station: kind, x, width and the first train's Velocity (0: no train); false without one.
    struct Railway {
        int kind = 0;
        float x = 0.0f;
        float width = 0.0f;
        float velocity = 0.0f;
    };
    [[nodiscard]] virtual bool getStationRailway(const BaseNode*, Railway&) const { return false; }
    // The places by the road in order, and a place's state (1 available).
    [[nodiscard]] virtual int getOnRoadLocationCount() const { return 0; }
    [[nodiscard]] virtual BaseNode* getOnRoadLocation(int) const { return nullptr; }
    [[nodiscard]] virtual int getOnRoadLocationState(const BaseNode*) const { return 0; }
    // Marks (or unmarks) a place by the road as blocking a walk.
    virtual void setOnRoadLocationImpending(BaseNode*, bool) {}
    // The available places by the road on the walk path to `building`.
    virtual void findBlockingLocations(BaseNode* /*building*/, CArray<BaseNode*>& /*out*/) const {}
    // A place by the road's quest character text (a dictionary key) and its time (ms).
    [[nodiscard]] virtual const CStringW* getQuestCharacterText(const BaseNode*) const { return nullptr; }
    [[nodiscard]] virtual int getQuestCharacterTime(const BaseNode*) const { return 3000; }

    // What the play screen's commands ask of the level (added for play49b).
    // Marks a standing train's offer `index` as taken (the player traded it).
    virtual void setTrainOfferUsed(BaseNode* /*train*/, int /*index*/) {}

protected:
    ~IGameLevel() = default;
};
