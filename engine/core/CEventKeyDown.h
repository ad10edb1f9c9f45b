#pragma once

#include "engine/core/CEventKey.h"

#include <cstdint>

// A key went down (repeats while held).
class CEventKeyDown : public CEventKey {
public:
    static constexpr int32_t TypeId = 36;

    CEventKeyDown(int32_t character, int32_t keyCode, bool shift = false, bool control = false, bool alt = false)
        : CEventKey(character, keyCode, shift, control, alt) {}

    [[nodiscard]] int32_t getType() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || CEventKey::isKindOf(id); }

protected:
    ~CEventKeyDown() override = default;
};
