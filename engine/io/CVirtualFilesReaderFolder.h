#pragma once

#include "engine/core/CStringW.h"
#include "engine/io/IArchiveReader.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

// A disk folder mounted as an archive ("mount"). It keeps no directory: each
// open goes to the disk. A path is tried exactly first; when that fails, each
// of its parts is matched ignoring the case of A-Z, since assets are often
// authored on file systems that ignore case.
//
// That fallback lists a folder once, on its first miss, and keeps the listing:
// a folder mounted before an archive sees every lookup meant for the archive,
// and those misses must not scan the disk each time. So a file added to the
// folder later is found by its exact name only.
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

    // How many folder listings the fallback has kept.
    [[nodiscard]] uint32_t listedFolderCount() const;

protected:
    ~CVirtualFilesReaderFolder() override = default;

private:
    // The names of a folder's entries, by their lower-case (A-Z) form.
    using FoldedNames = std::unordered_map<std::string, std::vector<std::string>>;

    // The disk path of `relative` under the root, each part taken as it is
    // when the folder has it, else from an entry whose name differs only in
    // the case of A-Z. Empty when a part has no match.
    [[nodiscard]] std::string resolveIgnoringCase(const std::string& relative);
    // The kept listing of `folder`, made on first use; m_listingsLock held.
    const FoldedNames& listingOf(const std::string& folder);

    CStringW m_root;
    mutable std::mutex m_listingsLock;
    std::unordered_map<std::string, FoldedNames> m_listings;
};
