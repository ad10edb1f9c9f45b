#pragma once

#include "engine/core/CRefHandle.h"
#include "engine/core/CScheduledObject.h"
#include "engine/scene/BaseNode.h"

class CAtlasTexture;
class CStringW;
class IContentManager;

// The update scheduler of the scene that owns `node`, or null when the node
// is not in a scene.
[[nodiscard]] inline CUpdateScheduler* ownerSceneScheduler(const BaseNode* node) {
    const BaseNode* scene = node ? node->getOwnerScene<BaseNode>() : nullptr;
    return scene ? scene->getSceneScheduler() : nullptr;
}

// Registers `client` with the scheduler of `node`'s owner scene (leaving any
// other first); nothing when the node is in no scene.
inline void scheduleWithOwnerScene(CScheduledObject& client, const BaseNode* node) {
    if (CUpdateScheduler* scheduler = ownerSceneScheduler(node))
        client.setScheduler(scheduler);
}

// Children a node makes for itself (marks, clones of templates) stay in its
// children list but are left out of scene files. A copy of the node must not
// copy them either: after the base copy has cloned the source's children
// from index `firstCopy` of `target` on, the clones of the source's unsaved
// children are removed again.
inline void dropCopiesOfUnsavedChildren(const BaseNode* source, BaseNode* target, uint32_t firstCopy) {
    const CArray<BaseNode*>& from = source->getChildren();
    if (target->getChildren().size() != firstCopy + from.size())
        return;
    CArray<BaseNode*> copies;
    for (uint32_t i = 0; i < from.size(); ++i)
        if (from[i]->isNotSerialised())
            copies.push_back(target->getChildren()[firstCopy + i]);
    for (BaseNode* copy : copies)
        (void)target->removeChild(copy);
}

// The content manager the game's nodes load pictures through: the one that
// loaded `node` (the game's, for nodes of its scene files), else the one
// that loaded its scene; null when there is neither.
[[nodiscard]] IContentManager* nodeContentManager(const BaseNode* node);

// The atlas texture `name` (relative to the manager's folder), or null when
// there is no manager or it does not load.
[[nodiscard]] CRefHandle<CAtlasTexture> loadAtlasTexture(IContentManager* manager, const CStringW& name);
