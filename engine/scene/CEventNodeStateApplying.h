#pragma once

#include "engine/scene/CNodeStateEvent.h"

#include <cstdint>

// A node starts applying a state to its children.
class CEventNodeStateApplying : public CNodeStateEvent {
public:
    static constexpr int32_t TypeId = 81;

    using CNodeStateEvent::CNodeStateEvent;

    [[nodiscard]] int32_t getType() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || CNodeStateEvent::isKindOf(id); }

protected:
    ~CEventNodeStateApplying() override = default;
};
