#pragma once

#include "engine/io/IArchiveOpener.h"

// Mounts a disk folder as an archive. Only paths without an extension are
// taken for folders; content is never recognised.
class CFolderArchiveLoader : public IArchiveOpener {
public:
    CFolderArchiveLoader() = default;

    [[nodiscard]] bool canLoadFile(IReadableFile*) override { return false; }
    [[nodiscard]] bool canLoadPath(const CStringW& path) override;
    [[nodiscard]] IArchiveReader* createFromFile(IReadableFile*, const char*) override { return nullptr; }
    // A reader rooted at the absolute form of `path`, or null when that is no
    // folder. The password is not used.
    [[nodiscard]] IArchiveReader* createFromPath(const CStringW& path, const char* password) override;

protected:
    ~CFolderArchiveLoader() override = default;
};
