#pragma once

class BaseNode;
class GBuildingConfig;

// What the tutorial asks of the screen that runs it about the buildings of
// its level. The play screen implements it; screens without buildings give
// the controller none, and then no building ever matches a filter.
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
