#pragma once

#include "engine/scene/CNodeStateEvent.h"

#include <cstdint>

// A node was asked for a state that it lacks and that has no fallback.
class CEventNodeStateMissing : public CNodeStateEvent {
public:
    static constexpr int32_t TypeId = 77;

    using CNodeStateEvent::CNodeStateEvent;

    [[nodiscard]] int32_t getType() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || CNodeStateEvent::isKindOf(id); }

protected:
    ~CEventNodeStateMissing() override = default;
};
