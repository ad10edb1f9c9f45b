#pragma once

#include "engine/core/CRefCounted.h"

class CStringW;
class ISoundDecoder;
class IWritableFile;

// Writes decoded sound as one file format.
class ISoundFormatWriter : public virtual CRefCounted {
public:
    // True when this writer makes files named like `name`.
    [[nodiscard]] virtual bool acceptsName(const CStringW& name) const = 0;
    // Writes every frame of `decoder` (rewound first) to `file`; false when
    // the decoder has no format this writer knows, delivers fewer frames
    // than it announced, or the file refuses bytes.
    [[nodiscard]] virtual bool write(IWritableFile* file, ISoundDecoder* decoder) const = 0;

protected:
    ~ISoundFormatWriter() override = default;
};
