#pragma once

#include "engine/scene/CNodePairEvent.h"

#include <cstdint>

// A control was released: (control, null).
class CEventReleased : public CNodePairEvent {
public:
    static constexpr int32_t TypeId = 54;
    // The group of this notification; no class of its own.
    static constexpr int32_t GroupId = 53;

    using CNodePairEvent::CNodePairEvent;

    [[nodiscard]] int32_t getType() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override {
        return id == TypeId || id == GroupId || CNodePairEvent::isKindOf(id);
    }

protected:
    ~CEventReleased() override = default;
};
