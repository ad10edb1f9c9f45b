#pragma once

#include "engine/scene/CNodeEvent.h"

#include <cstdint>

class ControlNode;

// A control was clicked; its press animation is about to play.
class CEventClickStarted : public CNodeEvent {
public:
    static constexpr int32_t TypeId = 64;
    // The group of this notification; no class of its own.
    static constexpr int32_t GroupId = 63;

    explicit CEventClickStarted(ControlNode* control) : m_control(control) {}

    [[nodiscard]] int32_t getType() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override {
        return id == TypeId || id == GroupId || CNodeEvent::isKindOf(id);
    }

    [[nodiscard]] ControlNode* getControl() const { return m_control; }

protected:
    ~CEventClickStarted() override = default;

private:
    ControlNode* m_control;
};
