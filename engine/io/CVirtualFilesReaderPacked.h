#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CString.h"
#include "engine/core/CStringW.h"
#include "engine/io/IArchiveReader.h"

#include <cstdint>

class IReadableFile;

// Reads the engine's packed asset archive ("mca"). Layout, little-endian: a
// plain 16-byte header (magic "MCA\0", directory offset, entry count, 4
// unused bytes), then member data and the directory, every byte at file
// position p >= 16 XORed with password byte (p - 16) mod length. A directory
// record is a 2-byte name length N, N name bytes (each one character 0-255),
// the member's 4-byte offset and 4-byte size. Members are stored as they are
// and read whole when opened, through a CSharedReadFile, so several threads
// may open them.
class CVirtualFilesReaderPacked : public IArchiveReader {
public:
    static constexpr int32_t kHeaderSize = 16;
    static constexpr uint8_t kMagic[4] = {'M', 'C', 'A', 0};

    // Takes a reference on `source`; copies `password` (may be null). A bad
    // header or a cut directory gives a reader with no entries; members that
    // would lie in the header or past the end are left out with one warning.
    CVirtualFilesReaderPacked(IReadableFile* source, const char* password);

    [[nodiscard]] const CStringW& archiveName() const override { return m_archiveName; }
    [[nodiscard]] const char* typeName() const override { return "mca"; }
    [[nodiscard]] int32_t entryCount() const override { return int32_t(m_entries.size()); }
    // A memory file with the member's unscrambled bytes; null for an unknown
    // index, an empty member or a short read.
    [[nodiscard]] IReadableFile* openEntry(int32_t index) override;
    [[nodiscard]] IReadableFile* open(const CStringW& path) override;
    [[nodiscard]] int32_t find(const CStringW& path) override;
    [[nodiscard]] const ArchiveEntry* entryAt(int32_t index) const override;

    // XORs `count` bytes with `password` from key index `key`, which moves on
    // (wrapping) by one per byte. An empty password leaves the bytes alone.
    static void unscramble(uint8_t* data, int64_t count, const CString& password, uint32_t& key);

protected:
    ~CVirtualFilesReaderPacked() override;

private:
    [[nodiscard]] bool readDirectory();
    // The key index of the byte at file position `position` (>= 16).
    [[nodiscard]] uint32_t keyAt(int64_t position) const;

    CArray<ArchiveEntry> m_entries;
    CString m_password;
    CRefHandle<IReadableFile> m_source;
    CStringW m_archiveName;
};
