#include "engine/io/CFolderArchiveLoader.h"

#include "engine/core/CStringW.h"
#include "engine/io/CVirtualFilesReaderFolder.h"
#include "engine/io/FilePaths.h"

#include <filesystem>
#include <system_error>

bool CFolderArchiveLoader::canLoadPath(const CStringW& path) { return getFileExtension(path).empty(); }

IArchiveReader* CFolderArchiveLoader::createFromPath(const CStringW& path, const char* /*password*/) {
    const CStringW full = getFullPath(path);
    if (full.empty())
        return nullptr;
    std::error_code error;
    if (!std::filesystem::is_directory(toNativePath(full), error))
        return nullptr;
    return new CVirtualFilesReaderFolder(full);
}
