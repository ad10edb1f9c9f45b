#pragma once

#include "engine/content/ColorFormat.h"
#include "engine/content/ContentType.h"
#include "engine/content/IContent.h"
#include "engine/core/CColor.h"
#include "engine/core/CObjectName.h"

#include <cstdint>

// An image in main memory: width x height pixels of one image format, rows
// packed (pitch = width x bytes per pixel). Made by the image codecs, read
// and written pixel by pixel, copied into caller buffers with conversion and
// scaling, and uploaded by the video drivers. Cached as content 'imag'
// (shared: the cache hands out the image itself; no clone).
class CPixelImage : public IContent {
public:
    // Largest pixel block an image may have, so that sizes taken from files
    // cannot ask for absurd allocations.
    static constexpr uint64_t MaxDataBytes = uint64_t(1) << 28;

    // A new image with undefined pixels (count 1, owned by the caller); null
    // when `format` is not an image format, the block would exceed
    // MaxDataBytes or cannot be allocated.
    [[nodiscard]] static CPixelImage* create(const CObjectName& name, ColorFormat format, uint32_t width,
                                             uint32_t height);

    // An image over caller data of height x width x bytes-per-pixel bytes.
    // With `useCallerMemory` the image works on `data` in place, otherwise
    // it copies the bytes into its own block, freed with the image. With
    // the caller's memory, `freeWhenDropped` frees that block (which must
    // then come from std::malloc) with the image.
    // Null as for create, or when `data` is null.
    [[nodiscard]] static CPixelImage* createFromData(const CObjectName& name, ColorFormat format, uint32_t width,
                                                     uint32_t height, void* data, bool useCallerMemory,
                                                     bool freeWhenDropped);

    // A copy of `source` converted to `format`: every pixel is defined, pairs
    // the blitter lacks go through A8R8G8B8. Null as for create.
    [[nodiscard]] static CPixelImage* createConverted(const CObjectName& name, ColorFormat format,
                                                      const CPixelImage& source);

    [[nodiscard]] uint32_t getContentType() const override { return ContentTypeImage; }

    // The pixel as A8R8G8B8; 0 outside the image.
    [[nodiscard]] CColor pixelAt(uint32_t x, uint32_t y) const;
    // Writes `color` converted to the image's format; ignored outside.
    void putPixel(uint32_t x, uint32_t y, CColor color);
    // Sets every pixel to `color` converted to the image's format.
    void fillColor(CColor color);

    // Copies the whole image into a caller buffer of at least the image's
    // size, converting to `format`. A `pitch` of 0 means width x bytes per
    // pixel of `format`. Nothing happens for a null buffer, a 0 or too small
    // size, a pitch smaller than a buffer row, or a format that is not an
    // image format.
    void exportPixels(void* buffer, uint32_t width, uint32_t height, ColorFormat format, uint32_t pitch = 0) const;
    // Fills a caller buffer of any size with the image, nearest-sample scaled
    // from the top-left pixel and converted to `format`. Same refusals as
    // exportPixels, apart from the size.
    void exportPixelsScaled(void* buffer, uint32_t width, uint32_t height, ColorFormat format,
                            uint32_t pitch = 0) const;

    // Blit of the whole image into `target` at (x, y), unclipped beyond the
    // target's own bounds. False when the blitter has no entry for the pair.
    [[nodiscard]] bool blitInto(CPixelImage& target, int32_t x, int32_t y) const;

    // Converts `count` consecutive pixels. Pairs without a converter leave
    // the destination untouched; answers whether a conversion ran.
    [[nodiscard]] static bool convertPixels(const void* source, ColorFormat sourceFormat, uint32_t count,
                                            void* destination, ColorFormat destinationFormat);

    // Sets the alpha of every pixel of this A8R8G8B8 image to the first byte
    // of the same pixel of `grey` (R8G8B8 or A8R8G8B8, the same size): the
    // level of a grey image kept beside a colour one. False, changing
    // nothing, for other formats or sizes.
    [[nodiscard]] bool copyAlphaFrom(const CPixelImage& grey);

    [[nodiscard]] uint8_t* data() { return m_data; }
    [[nodiscard]] const uint8_t* data() const { return m_data; }
    [[nodiscard]] uint32_t width() const { return m_width; }
    [[nodiscard]] uint32_t height() const { return m_height; }
    [[nodiscard]] uint32_t bitsPerPixel() const { return m_bitsPerPixel; }
    [[nodiscard]] uint32_t bytesPerPixel() const { return m_bytesPerPixel; }
    [[nodiscard]] uint32_t pitch() const { return m_pitch; }
    [[nodiscard]] ColorFormat colorFormat() const { return m_format; }
    [[nodiscard]] uint64_t dataSize() const { return uint64_t(m_pitch) * m_height; }
    [[nodiscard]] uint32_t redMask() const { return m_masks.red; }
    [[nodiscard]] uint32_t greenMask() const { return m_masks.green; }
    [[nodiscard]] uint32_t blueMask() const { return m_masks.blue; }
    [[nodiscard]] uint32_t alphaMask() const { return m_masks.alpha; }

    // Byte size of a packed image, or 0 when it is not an image format or
    // exceeds MaxDataBytes (or a dimension is 0).
    [[nodiscard]] static uint64_t dataSizeFor(ColorFormat format, uint32_t width, uint32_t height);

protected:
    ~CPixelImage() override;

private:
    CPixelImage(const CObjectName& name, ColorFormat format, uint32_t width, uint32_t height, uint8_t* data,
                bool freesData);

    uint8_t* m_data = nullptr;
    uint32_t m_width = 0;
    uint32_t m_height = 0;
    uint8_t m_bitsPerPixel = 0;
    uint8_t m_bytesPerPixel = 0;
    uint32_t m_pitch = 0;
    ColorFormat m_format = ColorFormat::A8R8G8B8;
    bool m_freesData = true;
    ColorMasks m_masks;
};
