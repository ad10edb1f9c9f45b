#pragma once

#include "engine/scene/CNodePairEvent.h"

#include <cstdint>

// The pointer entered a control: (null, hovered control); climbs to the control's ancestors.
class CEventHoverEnter : public CNodePairEvent {
public:
    static constexpr int32_t TypeId = 55;

    using CNodePairEvent::CNodePairEvent;

    [[nodiscard]] int32_t getType() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || CNodePairEvent::isKindOf(id); }

protected:
    ~CEventHoverEnter() override = default;
};
