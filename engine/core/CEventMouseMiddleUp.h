#pragma once

#include "engine/core/CEventMouse.h"

#include <cstdint>

// The middle button went up.
class CEventMouseMiddleUp : public CEventMouse {
public:
    static constexpr int32_t TypeId = 31;

    CEventMouseMiddleUp(int32_t x, int32_t y) : CEventMouse(x, y) {}

    [[nodiscard]] int32_t getType() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || CEventMouse::isKindOf(id); }

protected:
    ~CEventMouseMiddleUp() override = default;
};
