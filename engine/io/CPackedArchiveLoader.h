#pragma once

#include "engine/io/IArchiveOpener.h"

class CVirtualFileSystem;

// Opens the engine's packed asset archives: by the extension "mca" (any case
// of A-Z), or by the magic "MCA" and a zero byte at the start of the file.
class CPackedArchiveLoader : public IArchiveOpener {
public:
    // `fileSystem` owns the loader and is not referenced.
    explicit CPackedArchiveLoader(CVirtualFileSystem* fileSystem) : m_fileSystem(fileSystem) {}

    [[nodiscard]] bool canLoadFile(IReadableFile* file) override;
    [[nodiscard]] bool canLoadPath(const CStringW& path) override;
    [[nodiscard]] IArchiveReader* createFromFile(IReadableFile* file, const char* password) override;
    // The archive may itself lie in an archive mounted before.
    [[nodiscard]] IArchiveReader* createFromPath(const CStringW& path, const char* password) override;

protected:
    ~CPackedArchiveLoader() override = default;

private:
    CVirtualFileSystem* m_fileSystem;
};
