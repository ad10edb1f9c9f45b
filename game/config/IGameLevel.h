#pragma once

class CEventReceiver;
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

protected:
    ~IGameLevel() = default;
};
