#pragma once

#include "engine/content/IImageFormatLoader.h"
#include "engine/core/CRefHandle.h"

#include <cstdint>

class CJpegImageLoader;

// Loads "jpga" files: a JPEG colour image and a JPEG grey image that gives
// the alpha, in one file:
//   0  4  tag "AGPJ" (only the signature test reads it)
//   4  4  version, 0x100
//   8  4  A: offset of the alpha image
//   12    colour image up to A, then the alpha image to the end of the file
// Numbers are 32-bit little-endian. The result is A8R8G8B8.
class CJpgaImageLoader : public IImageFormatLoader {
public:
    static constexpr uint32_t Version = 0x100;
    static constexpr int32_t HeaderBytes = 12;

    CJpgaImageLoader();

    [[nodiscard]] bool acceptsExtension(const CStringW& lowerExtension) const override;
    [[nodiscard]] bool checkSignature(IReadableFile* file) const override;
    // Null for a wrong version, an alpha offset outside the file, a part
    // that does not decode, or an alpha image whose size differs from the
    // colour image's.
    [[nodiscard]] CPixelImage* load(IReadableFile* file, const CObjectName& name) const override;

private:
    CRefHandle<CJpegImageLoader> m_jpeg;
};
