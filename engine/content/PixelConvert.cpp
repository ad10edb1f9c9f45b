#include "engine/content/PixelConvert.h"

#include "engine/io/ArchiveSupport.h"

#include <cstring>

namespace {

// --- single pixels, as read and written by pixelAt / putPixel ---

// 5 bits to 8 by replicating the top bits into the bottom.
uint32_t widen5(uint32_t v) { return (v << 3) | (v >> 2); }

uint32_t argbFrom1555(uint32_t v) {
    uint32_t alpha = (v & 0x8000) ? 0xFF000000u : 0u;
    return alpha | (widen5((v >> 10) & 0x1F) << 16) | (widen5((v >> 5) & 0x1F) << 8) | widen5(v & 0x1F);
}

uint32_t argbFrom4444(uint32_t v) {
    return (((v >> 12) & 0xF) << 28) | (((v >> 8) & 0xF) << 20) | (((v >> 4) & 0xF) << 12) | ((v & 0xF) << 4);
}

uint32_t argbFrom565(uint32_t v) {
    return 0xFF000000u | (((v >> 11) & 0x1F) << 19) | (((v >> 5) & 0x3F) << 10) | ((v & 0x1F) << 3);
}

uint32_t argbTo1555(uint32_t c) {
    return ((c >> 16) & 0x8000) | ((c >> 9) & 0x7C00) | ((c >> 6) & 0x03E0) | ((c >> 3) & 0x001F);
}

uint32_t argbTo4444(uint32_t c) {
    return ((c >> 16) & 0xF000) | ((c >> 12) & 0x0F00) | ((c >> 8) & 0x00F0) | ((c >> 4) & 0x000F);
}

uint32_t argbTo565(uint32_t c) { return ((c >> 8) & 0xF800) | ((c >> 5) & 0x07E0) | ((c >> 3) & 0x001F); }

// --- spans ---

template <uint32_t Bytes> void copySpan(const uint8_t* s, uint8_t* d, uint32_t n) {
    std::memmove(d, s, size_t(n) * Bytes);
}

void span1555To565(const uint8_t* s, uint8_t* d, uint32_t n) {
    for (uint32_t i = 0; i < n; ++i, s += 2, d += 2) {
        uint32_t v = readLe16(s);
        writeLe16(d, ((v & 0x7FE0) << 1) | (v & 0x1F));
    }
}

// Shifted without replication.
void span1555To888Shift(const uint8_t* s, uint8_t* d, uint32_t n) {
    for (uint32_t i = 0; i < n; ++i, s += 2, d += 3) {
        uint32_t v = readLe16(s);
        d[0] = uint8_t(((v >> 10) & 0x1F) << 3);
        d[1] = uint8_t(((v >> 5) & 0x1F) << 3);
        d[2] = uint8_t((v & 0x1F) << 3);
    }
}

void span1555To888Widen(const uint8_t* s, uint8_t* d, uint32_t n) {
    for (uint32_t i = 0; i < n; ++i, s += 2, d += 3) {
        uint32_t v = readLe16(s);
        d[0] = uint8_t(widen5((v >> 10) & 0x1F));
        d[1] = uint8_t(widen5((v >> 5) & 0x1F));
        d[2] = uint8_t(widen5(v & 0x1F));
    }
}

void span1555To8888(const uint8_t* s, uint8_t* d, uint32_t n) {
    for (uint32_t i = 0; i < n; ++i, s += 2, d += 4)
        writeLe32(d, argbFrom1555(readLe16(s)));
}

void span4444To8888(const uint8_t* s, uint8_t* d, uint32_t n) {
    for (uint32_t i = 0; i < n; ++i, s += 2, d += 4)
        writeLe32(d, argbFrom4444(readLe16(s)));
}

void span565To1555(const uint8_t* s, uint8_t* d, uint32_t n) {
    for (uint32_t i = 0; i < n; ++i, s += 2, d += 2) {
        uint32_t v = readLe16(s);
        writeLe16(d, 0x8000 | ((v & 0xFFC0) >> 1) | (v & 0x1F));
    }
}

void span565To888(const uint8_t* s, uint8_t* d, uint32_t n) {
    for (uint32_t i = 0; i < n; ++i, s += 2, d += 3) {
        uint32_t v = readLe16(s);
        d[0] = uint8_t(((v >> 11) & 0x1F) << 3);
        d[1] = uint8_t(((v >> 5) & 0x3F) << 2);
        d[2] = uint8_t((v & 0x1F) << 3);
    }
}

void span565To8888(const uint8_t* s, uint8_t* d, uint32_t n) {
    for (uint32_t i = 0; i < n; ++i, s += 2, d += 4)
        writeLe32(d, argbFrom565(readLe16(s)));
}

void span888To1555(const uint8_t* s, uint8_t* d, uint32_t n) {
    for (uint32_t i = 0; i < n; ++i, s += 3, d += 2)
        writeLe16(d, 0x8000 | (uint32_t(s[0] >> 3) << 10) | (uint32_t(s[1] >> 3) << 5) | uint32_t(s[2] >> 3));
}

void span888To565(const uint8_t* s, uint8_t* d, uint32_t n) {
    for (uint32_t i = 0; i < n; ++i, s += 3, d += 2)
        writeLe16(d, (uint32_t(s[0] >> 3) << 11) | (uint32_t(s[1] >> 2) << 5) | uint32_t(s[2] >> 3));
}

void span888To8888(const uint8_t* s, uint8_t* d, uint32_t n) {
    for (uint32_t i = 0; i < n; ++i, s += 3, d += 4) {
        d[0] = s[2];
        d[1] = s[1];
        d[2] = s[0];
        d[3] = 0xFF;
    }
}

void span8888To1555(const uint8_t* s, uint8_t* d, uint32_t n) {
    for (uint32_t i = 0; i < n; ++i, s += 4, d += 2)
        writeLe16(d, argbTo1555(readLe32(s)));
}

void span8888To4444(const uint8_t* s, uint8_t* d, uint32_t n) {
    for (uint32_t i = 0; i < n; ++i, s += 4, d += 2)
        writeLe16(d, argbTo4444(readLe32(s)));
}

void span8888To565(const uint8_t* s, uint8_t* d, uint32_t n) {
    for (uint32_t i = 0; i < n; ++i, s += 4, d += 2)
        writeLe16(d, argbTo565(readLe32(s)));
}

void span8888To888(const uint8_t* s, uint8_t* d, uint32_t n) {
    for (uint32_t i = 0; i < n; ++i, s += 4, d += 3) {
        d[0] = s[2];
        d[1] = s[1];
        d[2] = s[0];
    }
}

PixelSpanConverter sameFormatCopier(ColorFormat format) {
    switch (colorFormatBytes(format)) {
    case 2:
        return &copySpan<2>;
    case 3:
        return &copySpan<3>;
    case 4:
        return &copySpan<4>;
    default:
        return nullptr;
    }
}

struct ConverterEntry {
    ColorFormat source;
    ColorFormat destination;
    PixelSpanConverter convert;
};

using F = ColorFormat;

constexpr ConverterEntry kPixelConverters[] = {
    {F::A1R5G5B5, F::R5G6B5, &span1555To565},    {F::A1R5G5B5, F::R8G8B8, &span1555To888Shift},
    {F::A1R5G5B5, F::A8R8G8B8, &span1555To8888}, {F::R5G6B5, F::A1R5G5B5, &span565To1555},
    {F::R5G6B5, F::R8G8B8, &span565To888},       {F::R5G6B5, F::A8R8G8B8, &span565To8888},
    {F::R8G8B8, F::A1R5G5B5, &span888To1555},    {F::R8G8B8, F::R5G6B5, &span888To565},
    {F::R8G8B8, F::A8R8G8B8, &span888To8888},    {F::A8R8G8B8, F::A1R5G5B5, &span8888To1555},
    {F::A8R8G8B8, F::A4R4G4B4, &span8888To4444}, {F::A8R8G8B8, F::R5G6B5, &span8888To565},
    {F::A8R8G8B8, F::R8G8B8, &span8888To888},
};

// The copy-with-conversion blitters other than the same-format copy.
constexpr ConverterEntry kBlitConverters[] = {
    {F::A8R8G8B8, F::A1R5G5B5, &span8888To1555},   {F::R8G8B8, F::A1R5G5B5, &span888To1555},
    {F::R5G6B5, F::A1R5G5B5, &span565To1555},      {F::R8G8B8, F::R5G6B5, &span888To565},
    {F::A8R8G8B8, F::A4R4G4B4, &span8888To4444},   {F::A1R5G5B5, F::A8R8G8B8, &span1555To8888},
    {F::A4R4G4B4, F::A8R8G8B8, &span4444To8888},   {F::R8G8B8, F::A8R8G8B8, &span888To8888},
    {F::A1R5G5B5, F::R8G8B8, &span1555To888Widen}, {F::A8R8G8B8, F::R8G8B8, &span8888To888},
};

template <size_t N>
PixelSpanConverter findIn(const ConverterEntry (&table)[N], ColorFormat source, ColorFormat destination) {
    if (!isImageFormat(source) || !isImageFormat(destination))
        return nullptr;
    if (source == destination)
        return sameFormatCopier(source);
    for (const ConverterEntry& entry : table)
        if (entry.source == source && entry.destination == destination)
            return entry.convert;
    return nullptr;
}

} // namespace

PixelSpanConverter findPixelConverter(ColorFormat source, ColorFormat destination) {
    return findIn(kPixelConverters, source, destination);
}

PixelSpanConverter findBlitConverter(ColorFormat source, ColorFormat destination) {
    return findIn(kBlitConverters, source, destination);
}

AnyPairConversion selectAnyPairConversion(ColorFormat source, ColorFormat destination, PreferredConverters preferred) {
    AnyPairConversion conversion;
    if (!isImageFormat(source) || !isImageFormat(destination))
        return conversion;
    conversion.sourceBytes = colorFormatBytes(source);
    conversion.destinationBytes = colorFormatBytes(destination);
    const bool blitFirst = preferred == PreferredConverters::Blit;
    conversion.direct = blitFirst ? findBlitConverter(source, destination) : findPixelConverter(source, destination);
    if (!conversion.direct)
        conversion.direct =
            blitFirst ? findPixelConverter(source, destination) : findBlitConverter(source, destination);
    if (conversion.direct)
        return conversion;
    // Every image format converts to A8R8G8B8 and back.
    const ColorFormat argb = ColorFormat::A8R8G8B8;
    conversion.toArgb = blitFirst ? findBlitConverter(source, argb) : findPixelConverter(source, argb);
    if (!conversion.toArgb)
        conversion.toArgb = blitFirst ? findPixelConverter(source, argb) : findBlitConverter(source, argb);
    conversion.fromArgb = findPixelConverter(ColorFormat::A8R8G8B8, destination);
    return conversion;
}

void AnyPairConversion::run(const uint8_t* source, uint8_t* destination, uint32_t count) const {
    if (direct) {
        direct(source, destination, count);
        return;
    }
    if (!toArgb || !fromArgb)
        return;
    constexpr uint32_t Chunk = 256;
    uint8_t argb[Chunk * 4];
    while (count > 0) {
        const uint32_t n = count < Chunk ? count : Chunk;
        toArgb(source, argb, n);
        fromArgb(argb, destination, n);
        source += size_t(n) * sourceBytes;
        destination += size_t(n) * destinationBytes;
        count -= n;
    }
}

uint32_t readPixelAsArgb(const uint8_t* pixel, ColorFormat format) {
    switch (format) {
    case ColorFormat::A1R5G5B5:
        return argbFrom1555(readLe16(pixel));
    case ColorFormat::A4R4G4B4:
        return argbFrom4444(readLe16(pixel));
    case ColorFormat::R5G6B5:
        return argbFrom565(readLe16(pixel));
    case ColorFormat::R8G8B8:
        return 0xFF000000u | (uint32_t(pixel[0]) << 16) | (uint32_t(pixel[1]) << 8) | pixel[2];
    case ColorFormat::A8R8G8B8:
        return readLe32(pixel);
    default:
        return 0;
    }
}

void writeArgbAsPixel(uint32_t argb, uint8_t* pixel, ColorFormat format) {
    switch (format) {
    case ColorFormat::A1R5G5B5:
        writeLe16(pixel, argbTo1555(argb));
        break;
    case ColorFormat::A4R4G4B4:
        writeLe16(pixel, argbTo4444(argb));
        break;
    case ColorFormat::R5G6B5:
        writeLe16(pixel, argbTo565(argb));
        break;
    case ColorFormat::R8G8B8:
        pixel[0] = uint8_t(argb >> 16);
        pixel[1] = uint8_t(argb >> 8);
        pixel[2] = uint8_t(argb);
        break;
    case ColorFormat::A8R8G8B8:
        writeLe32(pixel, argb);
        break;
    default:
        break;
    }
}
