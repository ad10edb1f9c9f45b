#pragma once

#include "engine/core/CRefCounted.h"

class CPixelImage;
class CStringW;
class IWritableFile;

// Encodes images into one file format.
class IImageFormatWriter : public virtual CRefCounted {
public:
    // True when the extension of `fileName` names this format (ASCII case ignored).
    [[nodiscard]] virtual bool acceptsExtension(const CStringW& fileName) const = 0;
    // Writes `image` to `file` at its position; `quality` is 0 to 100 where
    // the format has one. False when the image cannot be written.
    [[nodiscard]] virtual bool write(IWritableFile* file, const CPixelImage* image, int quality) const = 0;

protected:
    ~IImageFormatWriter() override = default;
};
