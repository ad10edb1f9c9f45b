#include "game/nodes/GSelfRemoval.h"

#include "engine/core/CRefHandle.h"
#include "engine/scene/BaseNode.h"

void removeNodeFromParent(BaseNode* node) {
    if (!node)
        return;
    const CRefHandle<BaseNode> keep = CRefHandle<BaseNode>::share(node);
    if (BaseNode* parent = node->getParent())
        (void)parent->removeChild(node);
    node->setParent(nullptr);
}
