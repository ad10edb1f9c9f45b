#pragma once

#include "engine/device/CEventDevice.h"

#include <cstdint>

// The window's client area has a new size, already passed to the video
// driver.
class CEventWindowResized : public CEventDevice {
public:
    static constexpr int32_t TypeId = 15;

    CEventWindowResized(int32_t width, int32_t height) : m_width(width), m_height(height) {}

    [[nodiscard]] int32_t getType() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || CEventDevice::isKindOf(id); }

    [[nodiscard]] int32_t getWidth() const { return m_width; }
    [[nodiscard]] int32_t getHeight() const { return m_height; }

protected:
    ~CEventWindowResized() override = default;

private:
    int32_t m_width;
    int32_t m_height;
};
