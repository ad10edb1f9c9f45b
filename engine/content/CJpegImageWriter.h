#pragma once

#include "engine/content/IImageFormatWriter.h"

// Writes images as baseline JPEG through libjpeg. Alpha is dropped;
// A4R4G4B4 images are refused.
class CJpegImageWriter : public IImageFormatWriter {
public:
    // "jpg" or "jpeg", ASCII case ignored.
    [[nodiscard]] bool acceptsExtension(const CStringW& fileName) const override;
    // `quality` 1 to 100; 0 stands for 75. False for a null file or image,
    // an A4R4G4B4 image, a library error (logged) or a short write.
    [[nodiscard]] bool write(IWritableFile* file, const CPixelImage* image, int quality) const override;
};
