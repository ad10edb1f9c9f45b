#pragma once

class BaseNode;

// What configuration records (serve areas, active features) ask of the
// building they belong to or serve for. The building node implements it.
class IGameBuilding {
public:
    // The building's node, named by the game messages about it.
    [[nodiscard]] virtual BaseNode* getBuildingNode() = 0;
    // True while a task runs at the building (built, upgraded, producing,
    // using a feature, destroyed or repaired): it serves nobody meanwhile.
    [[nodiscard]] virtual bool isBusyWithTask() const = 0;
    // True while the building is damaged.
    [[nodiscard]] virtual bool isBroken() const = 0;
    // The building's gold income.
    [[nodiscard]] virtual int getGoldIncome() const = 0;

protected:
    ~IGameBuilding() = default;
};
