#pragma once

#include "engine/content/IImageFormatLoader.h"
#include "engine/core/CRefHandle.h"

#include <cstdint>

class CJpegImageLoader;
class CPngImageLoader;

// Loads the engine's "mimg" container: a colour part from offset 0, an
// optional alpha part after it, and a 24-byte little-endian trailer:
//   0  8  reserved            16 2  colour format of the result
//   8  4  S: colour part size 18 2  version, at most 0x0102
//   12 1  alpha part type     20 4  tag, the file ends with "GMIM"
//   13 1  colour part type
//   14 1  flag (no effect), 15 1 padding
// Part types: 0 none (alpha only), 1 raw, 2 PNG, 3 JPEG. A raw part is the
// width and height (32-bit) and then the packed pixels in the trailer's
// colour format.
class CMimgImageLoader : public IImageFormatLoader {
public:
    static constexpr int32_t TrailerBytes = 24;
    static constexpr uint32_t MaxVersion = 0x0102;
    // The tag as a value: the letters M, I, M, G from the most significant byte.
    static constexpr uint32_t Tag = 0x4D494D47;

    enum PartType : uint8_t { None = 0, Raw = 1, Png = 2, Jpeg = 3 };

    CMimgImageLoader();

    [[nodiscard]] bool acceptsExtension(const CStringW& lowerExtension) const override;
    // True when the file ends with the tag.
    [[nodiscard]] bool checkSignature(IReadableFile* file) const override;
    // Null for a short file, a newer version, a colour format that is not an
    // image format, a part reaching into the trailer, a colour part that
    // does not decode, or an alpha image of another size. An alpha part that
    // does not decode is ignored.
    [[nodiscard]] CPixelImage* load(IReadableFile* file, const CObjectName& name) const override;

private:
    CPixelImage* decodePart(IReadableFile* part, uint8_t type, uint32_t rawFormat, const CObjectName& name) const;

    CRefHandle<CPngImageLoader> m_png;
    CRefHandle<CJpegImageLoader> m_jpeg;
};
