#pragma once

#include "engine/content/ColorFormat.h"

#include <cstdint>

// Span converters between the image formats: each converts `count` pixels
// stored one after another, reading `source` and writing `destination`
// (which must not overlap). One function per pair, chosen once per call.
using PixelSpanConverter = void (*)(const uint8_t* source, uint8_t* destination, uint32_t count);

// The converter `convertPixels` uses for a pair, or null when it has none.
[[nodiscard]] PixelSpanConverter findPixelConverter(ColorFormat source, ColorFormat destination);

// The copy-with-conversion converter of `Blit` for a pair, or null when it
// has none. Differs from findPixelConverter in the pairs it covers, and
// A1R5G5B5 to R8G8B8 widens by replication.
[[nodiscard]] PixelSpanConverter findBlitConverter(ColorFormat source, ColorFormat destination);

// Conversion between any two image formats, chosen once and run per span:
// the preferred table's converter (the blit's, or `convertPixels`'), then
// the other table's, otherwise through A8R8G8B8 in chunks.
struct AnyPairConversion {
    PixelSpanConverter direct = nullptr;
    PixelSpanConverter toArgb = nullptr;
    PixelSpanConverter fromArgb = nullptr;
    uint32_t sourceBytes = 0;
    uint32_t destinationBytes = 0;

    // False when either format is not an image format.
    [[nodiscard]] bool valid() const { return direct || (toArgb && fromArgb); }
    void run(const uint8_t* source, uint8_t* destination, uint32_t count) const;
};

enum class PreferredConverters { Blit, ConvertPixels };

[[nodiscard]] AnyPairConversion selectAnyPairConversion(ColorFormat source, ColorFormat destination,
                                                        PreferredConverters preferred);

// One pixel at `pixel` (of an image format) as 0xAARRGGBB, and the reverse.
[[nodiscard]] uint32_t readPixelAsArgb(const uint8_t* pixel, ColorFormat format);
void writeArgbAsPixel(uint32_t argb, uint8_t* pixel, ColorFormat format);
