#pragma once

#include "engine/scene/CNodeStateEvent.h"

#include <cstdint>

// A node reports to its parent that its state finished, was stopped or was missing.
class CEventNodeStateFinished : public CNodeStateEvent {
public:
    static constexpr int32_t TypeId = 79;

    using CNodeStateEvent::CNodeStateEvent;

    [[nodiscard]] int32_t getType() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || CNodeStateEvent::isKindOf(id); }

protected:
    ~CEventNodeStateFinished() override = default;
};
