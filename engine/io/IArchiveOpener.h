#pragma once

#include "engine/core/CRefCounted.h"

class CStringW;
class IArchiveReader;
class IReadableFile;

// Recognises one archive format and creates readers for it. The file system
// asks its openers in registration order, first by name, then by content.
// Readers created carry one reference for the caller.
class IArchiveOpener : public virtual CRefCounted {
public:
    // True when `file` (positioned at 0) holds this opener's format.
    [[nodiscard]] virtual bool canLoadFile(IReadableFile* file) = 0;
    // True when the form of `path` (its extension) belongs to this format.
    [[nodiscard]] virtual bool canLoadPath(const CStringW& path) = 0;
    // `password` is 8-bit text and may be null.
    [[nodiscard]] virtual IArchiveReader* createFromFile(IReadableFile* file, const char* password) = 0;
    [[nodiscard]] virtual IArchiveReader* createFromPath(const CStringW& path, const char* password) = 0;

protected:
    ~IArchiveOpener() override = default;
};
