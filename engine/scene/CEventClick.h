#pragma once

#include "engine/scene/CNodeEvent.h"

#include <cstdint>

class ControlNode;

// A control's press animation finished while a click was latched.
class CEventClick : public CNodeEvent {
public:
    static constexpr int32_t TypeId = 65;

    explicit CEventClick(ControlNode* control) : m_control(control) {}

    [[nodiscard]] int32_t getType() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || CNodeEvent::isKindOf(id); }

    [[nodiscard]] ControlNode* getControl() const { return m_control; }

protected:
    ~CEventClick() override = default;

private:
    ControlNode* m_control;
};
