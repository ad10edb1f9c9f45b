#pragma once

#include "engine/scene/CEventHoverEnter.h"

#include <cstdint>

// A control became hovered: (null, control); posted to the control itself.
class CEventHovered : public CEventHoverEnter {
public:
    static constexpr int32_t TypeId = 56;

    using CEventHoverEnter::CEventHoverEnter;

    [[nodiscard]] int32_t getType() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || CEventHoverEnter::isKindOf(id); }

protected:
    ~CEventHovered() override = default;
};
