#include "engine/nodes/StandardNodes.h"

#include "engine/core/CStringW.h"
#include "engine/scene/CNodeFactory.h"

namespace {

// One row per class: its name in scene files and how to make a detached node.
struct NodeClass {
    const char16_t* name;
    CNodeFactory::NodeCreateFunction create;
};

// The standard node classes. New classes add their row here.
constexpr NodeClass kNodeClasses[] = {
    {u"", nullptr}, // placeholder until the first class lands
};

} // namespace

void registerStandardNodes(CNodeFactory& factory) {
    for (const NodeClass& nodeClass : kNodeClasses)
        if (nodeClass.create)
            (void)factory.registerNodeClass(CStringW(nodeClass.name), nodeClass.create);
}
