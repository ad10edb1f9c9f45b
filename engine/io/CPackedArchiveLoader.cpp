#include "engine/io/CPackedArchiveLoader.h"

#include "engine/core/CRefHandle.h"
#include "engine/core/CStringW.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/CVirtualFilesReaderPacked.h"
#include "engine/io/FilePaths.h"
#include "engine/io/IReadableFile.h"

#include <cstring>

bool CPackedArchiveLoader::canLoadFile(IReadableFile* file) {
    if (!file || !file->seek(0, false))
        return false;
    uint8_t header[CVirtualFilesReaderPacked::kHeaderSize] = {};
    const int32_t got = file->read(header, sizeof header);
    const bool rewound = file->seek(0, false);
    return rewound && got == int32_t(sizeof header) &&
           std::memcmp(header, CVirtualFilesReaderPacked::kMagic, sizeof CVirtualFilesReaderPacked::kMagic) == 0;
}

bool CPackedArchiveLoader::canLoadPath(const CStringW& path) {
    return getFileExtension(path).equalsIgnoreCase(CStringW(u"mca"));
}

IArchiveReader* CPackedArchiveLoader::createFromFile(IReadableFile* file, const char* password) {
    if (!file || !file->seek(0, false))
        return nullptr;
    return new CVirtualFilesReaderPacked(file, password);
}

IArchiveReader* CPackedArchiveLoader::createFromPath(const CStringW& path, const char* password) {
    CRefHandle<IReadableFile> file(m_fileSystem->openForRead(path));
    if (!file)
        return nullptr;
    return createFromFile(file.get(), password);
}
