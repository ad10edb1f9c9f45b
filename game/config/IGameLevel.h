#pragma once

#include <cstdint>

class BaseNode;
class CEventReceiver;
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

protected:
    ~IGameLevel() = default;
};
