#include "engine/io/CZipArchiveLoader.h"

#include "engine/core/CRefHandle.h"
#include "engine/core/CStringW.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/CVirtualFilesReaderZip.h"
#include "engine/io/FilePaths.h"
#include "engine/io/IReadableFile.h"

#include <cstring>

bool CZipArchiveLoader::canLoadFile(IReadableFile* file) {
    if (!file)
        return false;
    static constexpr uint8_t signature[4] = {0x50, 0x4B, 0x03, 0x04};
    uint8_t start[4] = {};
    if (file->read(start, 4) == 4 && std::memcmp(start, signature, 4) == 0)
        return true;
    return CVirtualFilesReaderZip::hasCentralDirectory(file);
}

bool CZipArchiveLoader::canLoadPath(const CStringW& path) {
    const CStringW extension = getFileExtension(path);
    return extension.equalsIgnoreCase(CStringW(u"zip")) || extension.equalsIgnoreCase(CStringW(u"pk3"));
}

IArchiveReader* CZipArchiveLoader::createFromFile(IReadableFile* file, const char* /*password*/) {
    if (!file || !file->seek(0, false))
        return nullptr;
    return new CVirtualFilesReaderZip(file);
}

IArchiveReader* CZipArchiveLoader::createFromPath(const CStringW& path, const char* password) {
    CRefHandle<IReadableFile> file(m_fileSystem->openForRead(path));
    if (!file)
        return nullptr;
    return createFromFile(file.get(), password);
}
