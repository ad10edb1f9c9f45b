#pragma once

#include "engine/core/CEvent.h"

#include <cstdint>

// The base of the mouse events: the pointer position in window client
// pixels. An input event of the mouse group.
class CEventMouse : public CEvent {
public:
    [[nodiscard]] bool isKindOf(int32_t id) const override {
        return id == KindMouse || id == KindInput || CEvent::isKindOf(id);
    }

    [[nodiscard]] int32_t getX() const { return m_x; }
    [[nodiscard]] int32_t getY() const { return m_y; }

protected:
    CEventMouse(int32_t x, int32_t y) : CEvent(MaskMouse), m_x(x), m_y(y) {}
    ~CEventMouse() override = default;

private:
    int32_t m_x;
    int32_t m_y;
};
