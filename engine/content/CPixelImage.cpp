#include "engine/content/CPixelImage.h"

#include "engine/content/Blit.h"
#include "engine/content/PixelConvert.h"

#include <cstdlib>
#include <cstring>
#include <new>

uint64_t CPixelImage::dataSizeFor(ColorFormat format, uint32_t width, uint32_t height) {
    const uint64_t bytes = uint64_t(width) * height * colorFormatBytes(format);
    return bytes <= MaxDataBytes ? bytes : 0;
}

CPixelImage::CPixelImage(const CObjectName& name, ColorFormat format, uint32_t width, uint32_t height, uint8_t* data,
                         bool freesData)
    : IContent(name, FlagShared), m_data(data), m_width(width), m_height(height),
      m_bitsPerPixel(uint8_t(colorFormatBits(format))), m_bytesPerPixel(uint8_t(colorFormatBytes(format))),
      m_pitch(width * colorFormatBytes(format)), m_format(format), m_freesData(freesData),
      m_masks(colorFormatMasks(format)) {}

CPixelImage::~CPixelImage() {
    if (m_freesData)
        std::free(m_data);
}

CPixelImage* CPixelImage::create(const CObjectName& name, ColorFormat format, uint32_t width, uint32_t height) {
    const uint64_t bytes = dataSizeFor(format, width, height);
    if (bytes == 0)
        return nullptr;
    auto* data = static_cast<uint8_t*>(std::malloc(size_t(bytes)));
    if (!data)
        return nullptr;
    auto* image = new (std::nothrow) CPixelImage(name, format, width, height, data, true);
    if (!image)
        std::free(data);
    return image;
}

CPixelImage* CPixelImage::createFromData(const CObjectName& name, ColorFormat format, uint32_t width, uint32_t height,
                                         void* data, bool useCallerMemory, bool freeWhenDropped) {
    const uint64_t bytes = dataSizeFor(format, width, height);
    if (bytes == 0 || !data)
        return nullptr;
    uint8_t* block = static_cast<uint8_t*>(data);
    if (!useCallerMemory) {
        block = static_cast<uint8_t*>(std::malloc(size_t(bytes)));
        if (!block)
            return nullptr;
        std::memcpy(block, data, size_t(bytes));
    }
    // A copy is the image's own block and always goes with it.
    auto* image =
        new (std::nothrow) CPixelImage(name, format, width, height, block, useCallerMemory ? freeWhenDropped : true);
    if (!image && !useCallerMemory)
        std::free(block);
    return image;
}

CPixelImage* CPixelImage::createConverted(const CObjectName& name, ColorFormat format, const CPixelImage& source) {
    CPixelImage* image = create(name, format, source.m_width, source.m_height);
    if (!image)
        return nullptr;
    const AnyPairConversion conversion = selectAnyPairConversion(source.m_format, format, PreferredConverters::Blit);
    const uint8_t* from = source.m_data;
    uint8_t* to = image->m_data;
    for (uint32_t row = 0; row < source.m_height; ++row, from += source.m_pitch, to += image->m_pitch)
        conversion.run(from, to, source.m_width);
    return image;
}

CColor CPixelImage::pixelAt(uint32_t x, uint32_t y) const {
    if (x >= m_width || y >= m_height)
        return CColor(0);
    return CColor(readPixelAsArgb(m_data + uint64_t(y) * m_pitch + uint64_t(x) * m_bytesPerPixel, m_format));
}

void CPixelImage::putPixel(uint32_t x, uint32_t y, CColor color) {
    if (x >= m_width || y >= m_height)
        return;
    writeArgbAsPixel(color.value, m_data + uint64_t(y) * m_pitch + uint64_t(x) * m_bytesPerPixel, m_format);
}

void CPixelImage::fillColor(CColor color) {
    uint8_t pixel[4];
    writeArgbAsPixel(color.value, pixel, m_format);
    const uint64_t bytes = dataSize();
    if (m_bytesPerPixel == 3) {
        // Three pixels make twelve bytes: fill one such unit, then double it.
        uint8_t* out = m_data;
        const uint64_t first = bytes < 12 ? bytes : 12;
        for (uint64_t i = 0; i < first; ++i)
            out[i] = pixel[i % 3];
        for (uint64_t done = first; done < bytes;) {
            const uint64_t n = done < bytes - done ? done : bytes - done;
            std::memcpy(out + done, out, size_t(n));
            done += n;
        }
        return;
    }
    uint32_t word = 0;
    if (m_bytesPerPixel == 2)
        word = uint32_t(pixel[0]) | (uint32_t(pixel[1]) << 8) | (uint32_t(pixel[0]) << 16) | (uint32_t(pixel[1]) << 24);
    else
        std::memcpy(&word, pixel, 4);
    // Whole 32-bit words, then the 16-bit pixel left over by an odd count.
    const uint64_t words = bytes / 4;
    uint8_t* out = m_data;
    for (uint64_t i = 0; i < words; ++i, out += 4)
        std::memcpy(out, &word, 4);
    for (uint64_t i = words * 4; i < bytes; ++i)
        m_data[i] = pixel[i % 2];
}

void CPixelImage::exportPixels(void* buffer, uint32_t width, uint32_t height, ColorFormat format,
                               uint32_t pitch) const {
    const uint32_t bufferBytes = colorFormatBytes(format);
    if (!buffer || width == 0 || height == 0 || bufferBytes == 0 || width < m_width || height < m_height)
        return;
    const uint64_t rowBytes = uint64_t(width) * bufferBytes;
    if (pitch == 0)
        pitch = uint32_t(rowBytes);
    if (pitch < rowBytes)
        return;
    auto* out = static_cast<uint8_t*>(buffer);
    if (format == m_format && pitch == m_pitch) {
        std::memcpy(out, m_data, size_t(dataSize()));
        return;
    }
    const AnyPairConversion conversion = selectAnyPairConversion(m_format, format, PreferredConverters::ConvertPixels);
    const uint8_t* from = m_data;
    for (uint32_t row = 0; row < m_height; ++row, from += m_pitch, out += pitch)
        conversion.run(from, out, m_width);
}

void CPixelImage::exportPixelsScaled(void* buffer, uint32_t width, uint32_t height, ColorFormat format,
                                     uint32_t pitch) const {
    const uint32_t bufferBytes = colorFormatBytes(format);
    if (!buffer || width == 0 || height == 0 || bufferBytes == 0)
        return;
    const uint64_t rowBytes = uint64_t(width) * bufferBytes;
    if (pitch == 0)
        pitch = uint32_t(rowBytes);
    if (pitch < rowBytes)
        return;
    auto* out = static_cast<uint8_t*>(buffer);
    if (format == m_format && width == m_width && height == m_height) {
        if (pitch == m_pitch) {
            std::memcpy(out, m_data, size_t(dataSize()));
            return;
        }
        const uint8_t* from = m_data;
        for (uint32_t row = 0; row < m_height; ++row, from += m_pitch, out += pitch) {
            std::memcpy(out, from, m_pitch);
            std::memset(out + m_pitch, 0, pitch - m_pitch);
        }
        return;
    }
    // Nearest sample from the top-left, steps accumulated in floats; the
    // index is kept inside the image where float rounding would overshoot.
    const AnyPairConversion conversion = selectAnyPairConversion(m_format, format, PreferredConverters::ConvertPixels);
    const float stepX = float(m_width) / float(width);
    const float stepY = float(m_height) / float(height);
    float sourceY = 0.0f;
    for (uint32_t row = 0; row < height; ++row, sourceY += stepY, out += pitch) {
        uint32_t y = uint32_t(sourceY);
        if (y >= m_height)
            y = m_height - 1;
        const uint8_t* sourceRow = m_data + uint64_t(y) * m_pitch;
        uint8_t* target = out;
        float sourceX = 0.0f;
        for (uint32_t column = 0; column < width; ++column, sourceX += stepX, target += bufferBytes) {
            uint32_t x = uint32_t(sourceX);
            if (x >= m_width)
                x = m_width - 1;
            conversion.run(sourceRow + uint64_t(x) * m_bytesPerPixel, target, 1);
        }
    }
}

bool CPixelImage::blitInto(CPixelImage& target, int32_t x, int32_t y) const {
    const BlitPoint position{x, y};
    return Blit(BlitOperation::CopyWithConversion, nullptr, target, nullptr, &position, *this);
}

bool CPixelImage::convertPixels(const void* source, ColorFormat sourceFormat, uint32_t count, void* destination,
                                ColorFormat destinationFormat) {
    PixelSpanConverter convert = findPixelConverter(sourceFormat, destinationFormat);
    if (!convert)
        return false;
    convert(static_cast<const uint8_t*>(source), static_cast<uint8_t*>(destination), count);
    return true;
}

bool CPixelImage::copyAlphaFrom(const CPixelImage& grey) {
    const ColorFormat greyFormat = grey.m_format;
    if (m_format != ColorFormat::A8R8G8B8 ||
        (greyFormat != ColorFormat::R8G8B8 && greyFormat != ColorFormat::A8R8G8B8) || grey.m_width != m_width ||
        grey.m_height != m_height)
        return false;
    // Both are packed: A8R8G8B8 pixels are bytes blue, green, red, alpha.
    const uint64_t pixels = uint64_t(m_width) * m_height;
    const uint32_t step = grey.m_bytesPerPixel;
    uint8_t* target = m_data;
    const uint8_t* source = grey.m_data;
    for (uint64_t i = 0; i < pixels; ++i, target += 4, source += step)
        target[3] = source[0];
    return true;
}
