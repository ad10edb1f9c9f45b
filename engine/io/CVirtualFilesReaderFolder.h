#pragma once

#include "engine/core/CStringW.h"
#include "engine/io/IArchiveReader.h"

// A disk folder mounted as an archive ("mount"). It keeps no directory: each
// open goes to the disk. A path is tried exactly first; when that fails, each
// of its parts is matched ignoring the case of A-Z, since assets are often
// authored on file systems that ignore case.
class CVirtualFilesReaderFolder : public IArchiveReader {
public:
    // `root` is an absolute folder path; '\' become '/' and a trailing '/' is
    // added.
    explicit CVirtualFilesReaderFolder(const CStringW& root);

    // The root, ending in '/'.
    [[nodiscard]] const CStringW& archiveName() const override { return m_root; }
    [[nodiscard]] const char* typeName() const override { return "mount"; }
    [[nodiscard]] int32_t entryCount() const override { return 0; }
    [[nodiscard]] IReadableFile* openEntry(int32_t) override { return nullptr; }
    // A file named `path`, read from root + path; null when there is none.
    [[nodiscard]] IReadableFile* open(const CStringW& path) override;
    // 1 when `path` opens (a presence mark, not an index), else -1.
    [[nodiscard]] int32_t find(const CStringW& path) override;
    [[nodiscard]] const ArchiveEntry* entryAt(int32_t) const override { return nullptr; }

protected:
    ~CVirtualFilesReaderFolder() override = default;

private:
    CStringW m_root;
};
