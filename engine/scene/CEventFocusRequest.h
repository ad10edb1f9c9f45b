#pragma once

#include "engine/scene/CNodePairEvent.h"

#include <cstdint>

// A control asks its ancestors for the focus: (null, requesting control).
class CEventFocusRequest : public CNodePairEvent {
public:
    static constexpr int32_t TypeId = 59;

    using CNodePairEvent::CNodePairEvent;

    [[nodiscard]] int32_t getType() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || CNodePairEvent::isKindOf(id); }

protected:
    ~CEventFocusRequest() override = default;
};
