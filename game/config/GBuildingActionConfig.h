#pragma once

#include "game/config/GResources.h"

class CXmlStreamReader;

// The cost of one action on a building (build, repair, destroy, or carrying
// out a unique upgrade): how long it takes, how many workers it needs and
// what it consumes.
struct GBuildingActionConfig {
    // The children of the current element up to its end element `endName`:
    // "Time", "Workers", and every other child a resource whose element name
    // is the resource and whose Value the amount. With `withLowerBounds` a
    // Time below 100 ms becomes 100 and fewer than 1 worker becomes 1.
    void readFromXml(CXmlStreamReader& reader, const char16_t* endName, bool withLowerBounds);

    static constexpr int MinimumTime = 100;

    int Time = 5000;
    int Workers = 1;
    GResourceMap Resources;
};
