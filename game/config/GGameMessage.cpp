#include "game/config/GGameMessage.h"

#include "engine/core/CEventReceiver.h"
#include "engine/core/CRefHandle.h"
#include "engine/scene/BaseNode.h"

GGameMessage::~GGameMessage() = default;

bool GGameMessage::isKindOf(int32_t id) const { return id == getType() || id == TypeId || CEvent::isKindOf(id); }

bool sendToLevel(CEventReceiver* level, CEvent* message) {
    if (!level || !message)
        return false;
    // The level's handlers may drop its last other reference.
    const CRefHandle<CEventReceiver> keep = CRefHandle<CEventReceiver>::share(level);
    if (level->handleEvent(message))
        return true;
    return level->routeToParent(CEventReceiver::HandleThenParent, message);
}

void postToLevelParent(BaseNode* levelScene, CEvent* message) {
    if (levelScene && message)
        levelScene->postDeferredToParent(message, CEventReceiver::HandleThenParent);
}
