#pragma once

class BaseNode;
class GBuildingConfig;

// What the tutorial asks of the screen that runs it about buildings that are
// not the world's own building places (those answer with their own type).
// Screens without such buildings give the controller none.
class ITutorialBuildings {
public:
    // The current type record of `building`, or null when the node is no
    // building place (type id BuildingNodeTypeId) or has no type record.
    [[nodiscard]] virtual const GBuildingConfig* getBuildingType(const BaseNode* building) const = 0;

    // The type id the game world gives its building places (and everything
    // derived from them: the headquarters, the places by the road).
    static constexpr int BuildingNodeTypeId = 2065;

protected:
    ~ITutorialBuildings() = default;
};
