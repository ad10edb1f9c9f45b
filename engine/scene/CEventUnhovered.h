#pragma once

#include "engine/scene/CEventHoverOther.h"

#include <cstdint>

// A control lost its hover: (control, null).
class CEventUnhovered : public CEventHoverOther {
public:
    static constexpr int32_t TypeId = 58;

    using CEventHoverOther::CEventHoverOther;

    [[nodiscard]] int32_t getType() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || CEventHoverOther::isKindOf(id); }

protected:
    ~CEventUnhovered() override = default;
};
