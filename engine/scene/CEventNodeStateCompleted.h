#pragma once

#include "engine/scene/CNodeStateEvent.h"

#include <cstdint>

// Every child of a node finished the state the node applied to them.
class CEventNodeStateCompleted : public CNodeStateEvent {
public:
    static constexpr int32_t TypeId = 83;

    using CNodeStateEvent::CNodeStateEvent;

    [[nodiscard]] int32_t getType() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || CNodeStateEvent::isKindOf(id); }

protected:
    ~CEventNodeStateCompleted() override = default;
};
