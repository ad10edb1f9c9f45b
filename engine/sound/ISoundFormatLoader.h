#pragma once

#include "engine/core/CRefCounted.h"

class CString;
class CStringW;
class IReadableFile;
class ISoundDecoder;

// Opens one sound file format as a decoder. The registry hands every loader
// the file positioned at its start.
class ISoundFormatLoader : public virtual CRefCounted {
public:
    // True when `lowerExtension` (lower case, without the dot) names this format.
    [[nodiscard]] virtual bool acceptsExtension(const CStringW& lowerExtension) const = 0;
    // True when the content looks like this format; moves the position and
    // logs nothing.
    [[nodiscard]] virtual bool probe(IReadableFile* file) const = 0;
    // A new decoder (count 1, owned by the caller) or null; for a file of
    // this format that cannot be played, `reason` (when given) says why.
    [[nodiscard]] virtual ISoundDecoder* open(IReadableFile* file, CString* reason) const = 0;

protected:
    ~ISoundFormatLoader() override = default;
};
