#pragma once

#include "engine/scene/CNodePairEvent.h"

#include <cstdint>

// Sent down from a control on the hover path: (null, node on the path); the others lose their hover.
class CEventHoverOther : public CNodePairEvent {
public:
    static constexpr int32_t TypeId = 57;

    using CNodePairEvent::CNodePairEvent;

    [[nodiscard]] int32_t getType() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || CNodePairEvent::isKindOf(id); }

protected:
    ~CEventHoverOther() override = default;
};
