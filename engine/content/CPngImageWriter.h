#pragma once

#include "engine/content/IImageFormatWriter.h"

// Writes images as 8-bit PNG through libpng: RGB with alpha for the formats
// that carry alpha (A1R5G5B5, A4R4G4B4, A8R8G8B8), RGB otherwise.
class CPngImageWriter : public IImageFormatWriter {
public:
    // "png", ASCII case ignored.
    [[nodiscard]] bool acceptsExtension(const CStringW& fileName) const override;
    // `quality` is not used. False for a null file or image, a failed write
    // or a library error (logged).
    [[nodiscard]] bool write(IWritableFile* file, const CPixelImage* image, int quality) const override;
};
