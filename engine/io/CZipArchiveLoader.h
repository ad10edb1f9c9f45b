#pragma once

#include "engine/io/IArchiveOpener.h"

class CVirtualFileSystem;

// Opens zip archives: by the extension "zip" or "pk3" (any case of A-Z), or
// by their content: a local file header signature at the start, or an end
// record near the end whose central directory is there (an archive with
// bytes in front of it). Passwords are not used.
class CZipArchiveLoader : public IArchiveOpener {
public:
    // `fileSystem` owns the loader and is not referenced.
    explicit CZipArchiveLoader(CVirtualFileSystem* fileSystem) : m_fileSystem(fileSystem) {}

    [[nodiscard]] bool canLoadFile(IReadableFile* file) override;
    [[nodiscard]] bool canLoadPath(const CStringW& path) override;
    [[nodiscard]] IArchiveReader* createFromFile(IReadableFile* file, const char* password) override;
    // The archive may itself lie in an archive mounted before.
    [[nodiscard]] IArchiveReader* createFromPath(const CStringW& path, const char* password) override;

protected:
    ~CZipArchiveLoader() override = default;

private:
    CVirtualFileSystem* m_fileSystem;
};
