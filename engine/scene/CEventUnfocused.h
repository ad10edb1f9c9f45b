#pragma once

#include "engine/scene/CEventFocusOther.h"

#include <cstdint>

// A control lost the focus: (control, null).
class CEventUnfocused : public CEventFocusOther {
public:
    static constexpr int32_t TypeId = 62;

    using CEventFocusOther::CEventFocusOther;

    [[nodiscard]] int32_t getType() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || CEventFocusOther::isKindOf(id); }

protected:
    ~CEventUnfocused() override = default;
};
