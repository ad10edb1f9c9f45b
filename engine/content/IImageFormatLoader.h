#pragma once

#include "engine/core/CRefCounted.h"

class CObjectName;
class CPixelImage;
class CStringW;
class IReadableFile;

// Decodes one image file format. The registry hands every loader the file
// positioned at its start.
class IImageFormatLoader : public virtual CRefCounted {
public:
    // True when `lowerExtension` (lower-case, without the dot) names this format.
    [[nodiscard]] virtual bool acceptsExtension(const CStringW& lowerExtension) const = 0;
    // True when the file's content looks like this format; moves the position.
    [[nodiscard]] virtual bool checkSignature(IReadableFile* file) const = 0;
    // A new image (count 1, owned by the caller) named `name`, or null when
    // the file does not decode.
    [[nodiscard]] virtual CPixelImage* load(IReadableFile* file, const CObjectName& name) const = 0;

protected:
    ~IImageFormatLoader() override = default;
};
