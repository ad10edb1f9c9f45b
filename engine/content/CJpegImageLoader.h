#pragma once

#include "engine/content/IImageFormatLoader.h"

// Loads JPEG files (baseline, progressive, greyscale) through libjpeg into
// R8G8B8 images. Library errors are logged and give null.
class CJpegImageLoader : public IImageFormatLoader {
public:
    [[nodiscard]] bool acceptsExtension(const CStringW& lowerExtension) const override;
    // True when the file starts with the start-of-image marker and another
    // marker after it (FF D8 FF): JFIF, Exif and bare files alike.
    [[nodiscard]] bool checkSignature(IReadableFile* file) const override;
    [[nodiscard]] CPixelImage* load(IReadableFile* file, const CObjectName& name) const override;

    // The most scans a progressive file may have; more is treated as damage.
    static constexpr int MaxScans = 256;
};
