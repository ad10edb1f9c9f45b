#pragma once

#include "engine/scene/CNodePairEvent.h"

#include <cstdint>

// Sent down from a control on the focus path: (null, child on the path); the others lose the focus.
class CEventFocusOther : public CNodePairEvent {
public:
    static constexpr int32_t TypeId = 61;

    using CNodePairEvent::CNodePairEvent;

    [[nodiscard]] int32_t getType() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || CNodePairEvent::isKindOf(id); }

protected:
    ~CEventFocusOther() override = default;
};
