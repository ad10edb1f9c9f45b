#pragma once

#include "engine/core/CEventMouse.h"

#include <cstdint>

// The wheel turned: `delta` is in notches, positive away from the user.
class CEventMouseWheel : public CEventMouse {
public:
    static constexpr int32_t TypeId = 35;

    CEventMouseWheel(int32_t x, int32_t y, float delta) : CEventMouse(x, y), m_delta(delta) {}

    [[nodiscard]] int32_t getType() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || CEventMouse::isKindOf(id); }

    [[nodiscard]] float getDelta() const { return m_delta; }

protected:
    ~CEventMouseWheel() override = default;

private:
    float m_delta;
};
