#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CStringW.h"
#include "engine/io/IArchiveReader.h"

#include <cstdint>

class IReadableFile;

// The 30-byte local file header in front of every zip member, as read
// (little-endian). Sizes and CRC of members that put them in a data
// descriptor after the data are taken from the central directory.
struct ZipLocalHeader {
    uint32_t signature = 0;
    uint16_t versionNeeded = 0;
    uint16_t flags = 0;
    uint16_t method = 0;
    uint16_t modificationTime = 0;
    uint16_t modificationDate = 0;
    uint32_t crc32 = 0;
    uint32_t compressedSize = 0;
    uint32_t uncompressedSize = 0;
    uint16_t nameLength = 0;
    uint16_t extraLength = 0;
};

// A zip member: its path as stored (each byte widened as 8-bit text is), the
// folder part of it (up to and including the last '/'), and its header.
// `dataSize` is the compressed size.
struct ZipEntry : ArchiveEntry {
    CStringW directory;
    ZipLocalHeader header;
};

// Reads a zip archive: stored and deflated members, no encryption, Zip64
// records. The directory is built once by walking the local headers from the
// archive's first member, which is at the start of the file or, for an
// archive with bytes in front of it, where the central directory places it;
// every member lies wholly inside the file. What is wrong with a damaged,
// empty or foreign file is logged in one line when it is read. Stored members open as
// windows onto the archive file, deflated ones are inflated whole into memory.
// The reader reads the archive file only through a CSharedReadFile that the
// windows share, so members may be read on several threads.
class CVirtualFilesReaderZip : public IArchiveReader {
public:
    // Takes a reference on `source`, which must be positioned at 0. A damaged
    // or foreign file gives a reader with the members found before the damage
    // (none when it does not start with a local header).
    explicit CVirtualFilesReaderZip(IReadableFile* source);

    [[nodiscard]] const CStringW& archiveName() const override { return m_archiveName; }
    [[nodiscard]] const char* typeName() const override { return "zip"; }
    [[nodiscard]] int32_t entryCount() const override { return int32_t(m_entries.size()); }
    // Null for an unknown index; null and one error line for an unsupported
    // method, an encrypted member, a deflated member stated larger than
    // kMaxMemberSize (stored ones of any size open as windows) or data that
    // does not inflate to exactly the stated size.
    [[nodiscard]] IReadableFile* openEntry(int32_t index) override;
    [[nodiscard]] IReadableFile* open(const CStringW& path) override;
    [[nodiscard]] int32_t find(const CStringW& path) override;
    [[nodiscard]] const ArchiveEntry* entryAt(int32_t index) const override;

    // True when `file` ends with a zip end record whose central directory
    // lies in the file and names at least one member, wherever the archive
    // starts in it.
    [[nodiscard]] static bool hasCentralDirectory(IReadableFile* file);

    // Deflated members are inflated whole into memory: larger ones are
    // refused. Stored members are read in place and have no such limit.
    static constexpr uint32_t kMaxMemberSize = 256u << 20;

protected:
    ~CVirtualFilesReaderZip() override;

private:
    void scanLocalHeaders();

    CRefHandle<IReadableFile> m_source;
    CArray<ZipEntry> m_entries;
    CStringW m_archiveName;
};
