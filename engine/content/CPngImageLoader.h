#pragma once

#include "engine/content/IImageFormatLoader.h"

// Loads PNG files through libpng: every colour type and bit depth, palettes
// and transparency chunks, interlaced or not. The result is R8G8B8, or
// A8R8G8B8 when the image has alpha; 16-bit samples keep their high byte.
class CPngImageLoader : public IImageFormatLoader {
public:
    [[nodiscard]] bool acceptsExtension(const CStringW& lowerExtension) const override;
    [[nodiscard]] bool checkSignature(IReadableFile* file) const override;
    [[nodiscard]] CPixelImage* load(IReadableFile* file, const CObjectName& name) const override;
};
