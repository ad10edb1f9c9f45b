#pragma once

#include "engine/core/CRefCounted.h"
#include "game/config/GResources.h"

#include <cstdint>

class GBuildingNode;

// What a game task asks of a headquarters that is not a GMajorOfficeNode (a
// stand-in level's): workers for its place, carrying its cost between them.
class IWorkerDispatch {
public:
    // Sends `count` workers to `target` with `resources` shared among them;
    // false (nothing changes) when they cannot go.
    virtual bool dispatchWorkers(GBuildingNode* target, const GResourceMap& resources, uint32_t count) = 0;

protected:
    ~IWorkerDispatch() = default;
};
