#pragma once

#include "engine/core/CEvent.h"

#include <cstdint>

class BaseNode;
class CEventReceiver;

// The base of every game message (type ids 4096 to 4133, mask 0x1000): world
// events that objects, tasks, features, random-event requests and the
// tutorial send to the level scene, and that the level scene passes on to the
// play screen. Every message is a kind of its own id, of 4096 and of 0.
//
// Made bare, it is message 4096: the level is completed (value 1).
class GGameMessage : public CEvent {
public:
    static constexpr int32_t TypeId = 4096;

    // Ids the level scene's handler table knows that have no message class.
    static constexpr int32_t TaskEndedId = 4116;
    static constexpr int32_t UniqueUpgradeDoneId = 4132;
    static constexpr int32_t LastId = 4133;

    explicit GGameMessage(int value) : CEvent(MaskGame), m_value(value) {}

    [[nodiscard]] int32_t getType() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override;

    [[nodiscard]] int getValue() const { return m_value; }

protected:
    GGameMessage() : CEvent(MaskGame) {}
    ~GGameMessage() override;

private:
    int m_value = 0;
};

// Hands `message` to the level: the level's own handler first and, when that
// does not take it, on to the level's parents (handle, then parent), so that
// a message the level only notes reaches the play screen too. Answers whether
// some receiver handled it. The caller keeps and releases its reference.
bool sendToLevel(CEventReceiver* level, CEvent* message);

// The level scene's own path: queues `message` for the scene's parent, to be
// delivered on the scene manager's next update (handle, then parent).
void postToLevelParent(BaseNode* levelScene, CEvent* message);
