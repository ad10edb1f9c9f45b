#pragma once

#include "engine/device/CEventDevice.h"

#include <cstdint>

// The display's mode changed (by this program or another).
class CEventDisplayChanged : public CEventDevice {
public:
    static constexpr int32_t TypeId = 14;

    CEventDisplayChanged(int32_t colorBits, int32_t width, int32_t height)
        : m_colorBits(colorBits), m_width(width), m_height(height) {}

    [[nodiscard]] int32_t getType() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || CEventDevice::isKindOf(id); }

    [[nodiscard]] int32_t getColorBits() const { return m_colorBits; }
    [[nodiscard]] int32_t getWidth() const { return m_width; }
    [[nodiscard]] int32_t getHeight() const { return m_height; }

protected:
    ~CEventDisplayChanged() override = default;

private:
    int32_t m_colorBits;
    int32_t m_width;
    int32_t m_height;
};
