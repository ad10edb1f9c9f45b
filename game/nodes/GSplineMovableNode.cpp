#include "game/nodes/GSplineMovableNode.h"

#include "engine/scene/CEventNodeStateCompleted.h"
#include "game/nodes/GSelfRemoval.h"

GSplineMovableNode::GSplineMovableNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : BaseNode(contentName, parent, sceneManager) {}

BaseNode* GSplineMovableNode::create(const CObjectName& name) { return new GSplineMovableNode(name, nullptr, nullptr); }

const CStringW& GSplineMovableNode::getTypeName() const {
    static const CStringW name(u"GSplineMovableNode");
    return name;
}

const CStringW& GSplineMovableNode::getClassName() const { return GSplineMovableNode::getTypeName(); }

BaseNode* GSplineMovableNode::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<GSplineMovableNode>(parent, sceneManager);
}

bool GSplineMovableNode::onAllChildrenFinished(CEventNodeStateCompleted* event) {
    static const CName selfDestruct("SelfDestruct");
    if (event && event->getStateId() == selfDestruct) {
        removeNodeFromParent(this);
        return true;
    }
    return false;
}
