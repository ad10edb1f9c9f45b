#pragma once

#include <cstdint>

// Pixel layouts shared by images and video drivers. Words are little-endian.
// Images use the first five codes; the float formats are for render targets.
enum class ColorFormat : uint32_t {
    A1R5G5B5 = 0, // 16-bit: bit 15 alpha, 10-14 red, 5-9 green, 0-4 blue
    A4R4G4B4 = 1, // 16-bit: 12-15 alpha, 8-11 red, 4-7 green, 0-3 blue
    R5G6B5 = 2,   // 16-bit: 11-15 red, 5-10 green, 0-4 blue
    R8G8B8 = 3,   // bytes red, green, blue in memory order
    A8R8G8B8 = 4, // 32-bit word 0xAARRGGBB
    R16F = 5,     // render targets only, from here on
    G16R16F = 6,
    A16B16G16R16F = 7,
    R32F = 8,
    G32R32F = 9,
    A32B32G32R32F = 10,
};

// True for the five formats an image can hold.
[[nodiscard]] constexpr bool isImageFormat(ColorFormat format) {
    return static_cast<uint32_t>(format) <= static_cast<uint32_t>(ColorFormat::A8R8G8B8);
}

// Bits per pixel of an image format; 0 for every other code.
[[nodiscard]] constexpr uint32_t colorFormatBits(ColorFormat format) {
    switch (format) {
    case ColorFormat::A1R5G5B5:
    case ColorFormat::A4R4G4B4:
    case ColorFormat::R5G6B5:
        return 16;
    case ColorFormat::R8G8B8:
        return 24;
    case ColorFormat::A8R8G8B8:
        return 32;
    default:
        return 0;
    }
}

[[nodiscard]] constexpr uint32_t colorFormatBytes(ColorFormat format) { return colorFormatBits(format) / 8; }

// The channel masks of an image format (all 0 for the other codes).
struct ColorMasks {
    uint32_t alpha = 0;
    uint32_t red = 0;
    uint32_t green = 0;
    uint32_t blue = 0;
};

[[nodiscard]] constexpr ColorMasks colorFormatMasks(ColorFormat format) {
    switch (format) {
    case ColorFormat::A1R5G5B5:
        return {0x8000, 0x7C00, 0x03E0, 0x001F};
    case ColorFormat::A4R4G4B4:
        return {0xF000, 0x0F00, 0x00F0, 0x000F};
    case ColorFormat::R5G6B5:
        return {0, 0xF800, 0x07E0, 0x001F};
    case ColorFormat::R8G8B8:
        return {0, 0xFF0000, 0x00FF00, 0x0000FF};
    case ColorFormat::A8R8G8B8:
        return {0xFF000000, 0xFF0000, 0x00FF00, 0x0000FF};
    default:
        return {};
    }
}
