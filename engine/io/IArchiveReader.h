#pragma once

#include "engine/core/CRefCounted.h"
#include "engine/core/CStringW.h"

#include <cstdint>

class IReadableFile;

// One member of an archive's directory: its name, where its data starts in
// the archive file and how many bytes it takes there.
struct ArchiveEntry {
    CStringW path;
    uint32_t dataOffset = 0;
    uint32_t dataSize = 0;
};

// A mounted source of files: a folder ("mount"), a zip archive ("zip") or a
// packed asset archive ("mca"). Files it opens carry one reference for the
// caller.
class IArchiveReader : public virtual CRefCounted {
public:
    // The archive's own name, with '\' turned into '/'.
    [[nodiscard]] virtual const CStringW& archiveName() const = 0;
    [[nodiscard]] virtual const char* typeName() const = 0;
    [[nodiscard]] virtual int32_t entryCount() const = 0;
    // A new file with the member's bytes, or null.
    [[nodiscard]] virtual IReadableFile* openEntry(int32_t index) = 0;
    // A new file for `path` (compared exactly), or null.
    [[nodiscard]] virtual IReadableFile* open(const CStringW& path) = 0;
    // The entry index of `path`, or -1 when the archive has no such file.
    [[nodiscard]] virtual int32_t find(const CStringW& path) = 0;
    // The reader's own record of entry `index`, or null when out of range.
    [[nodiscard]] virtual const ArchiveEntry* entryAt(int32_t index) const = 0;

protected:
    ~IArchiveReader() override = default;
};
