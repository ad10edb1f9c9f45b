#pragma once

#include "engine/core/CRefHandle.h"
#include "engine/scene/CNodeEvent.h"
#include "engine/scene/ControlNode.h"

#include <cstdint>

// A standard control's value was changed by the user (a check box toggled, a
// slider moved, a list selection or an edited text): posted to the control's
// parent, handled there or passed further up. Setters called by code never
// post it.
class CEventValueChanged : public CNodeEvent {
public:
    static constexpr int32_t TypeId = 67;

    // The event keeps the sender alive until it has been delivered.
    explicit CEventValueChanged(ControlNode* sender) : m_sender(CRefHandle<ControlNode>::share(sender)) {}

    [[nodiscard]] int32_t getType() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || CNodeEvent::isKindOf(id); }

    [[nodiscard]] ControlNode* getSender() const { return m_sender.get(); }

protected:
    ~CEventValueChanged() override = default;

private:
    CRefHandle<ControlNode> m_sender;
};
