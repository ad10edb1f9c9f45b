#pragma once

#include <cstdint>

// A colour packed as A8R8G8B8: alpha in the top byte, blue in the lowest.
class CColor {
public:
    constexpr CColor() = default;
    constexpr explicit CColor(uint32_t packed) : value(packed) {}
    // Each channel 0 to 255; only the low 8 bits of each are kept.
    constexpr CColor(uint32_t alpha, uint32_t red, uint32_t green, uint32_t blue)
        : value(((alpha & 0xFFu) << 24) | ((red & 0xFFu) << 16) | ((green & 0xFFu) << 8) | (blue & 0xFFu)) {}

    [[nodiscard]] constexpr uint32_t alpha() const { return value >> 24; }
    [[nodiscard]] constexpr uint32_t red() const { return (value >> 16) & 0xFFu; }
    [[nodiscard]] constexpr uint32_t green() const { return (value >> 8) & 0xFFu; }
    [[nodiscard]] constexpr uint32_t blue() const { return value & 0xFFu; }

    // Per channel this * t + other * (1 - t), truncated: t = 1 gives this
    // colour, t = 0 the other. A t outside [0, 1] saturates each channel.
    [[nodiscard]] CColor lerp(const CColor& other, float t) const;

    // Per channel a * b / 255, truncated: white leaves a colour unchanged.
    [[nodiscard]] CColor modulate(const CColor& other) const;

    friend constexpr bool operator==(const CColor& a, const CColor& b) = default;

    uint32_t value = 0;
};
