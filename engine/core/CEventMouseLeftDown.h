#pragma once

#include "engine/core/CEventMouse.h"

#include <cstdint>

// The left button went down.
class CEventMouseLeftDown : public CEventMouse {
public:
    static constexpr int32_t TypeId = 26;

    CEventMouseLeftDown(int32_t x, int32_t y) : CEventMouse(x, y) {}

    [[nodiscard]] int32_t getType() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || CEventMouse::isKindOf(id); }

protected:
    ~CEventMouseLeftDown() override = default;
};
