#pragma once

#include "engine/core/CEvent.h"

#include <cstdint>

// The base of the node events (type ids 41 to 83): every one carries the node
// mask bit and belongs to the node group. Routed through nodes, handed to
// node states, or queued in a scene manager for delivery on its next update.
class CNodeEvent : public CEvent {
public:
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == KindNode || CEvent::isKindOf(id); }

protected:
    CNodeEvent() : CEvent(MaskNode) {}
    ~CNodeEvent() override = default;
};
