// Reads arbitrary bytes as a packed asset archive and opens and reads every
// member found. The first byte picks the password (none, one byte or four
// bytes); the rest is the archive. Nothing may read outside the input or
// crash, and every member found must lie inside it.

#include "engine/core/CLog.h"
#include "engine/core/CRefHandle.h"
#include "engine/io/CBufferFile.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/CVirtualFilesReaderPacked.h"
#include "engine/io/IArchiveReader.h"
#include "engine/io/IReadableFile.h"

#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    CLog::instance()->setThreshold(CLog::User + 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > INT32_MAX)
        return 0;
    static const char* const passwords[] = {"", "K", "k3y!"};
    const char* password = passwords[data[0] % 3];
    ++data;
    --size;
    auto* copy = new uint8_t[size + 1];
    std::memcpy(copy, data, size);
    CRefHandle<IReadableFile> file(new CBufferFile(copy, int32_t(size), u"fuzz.mca", true));

    CRefHandle<IArchiveReader> reader(new CVirtualFilesReaderPacked(file.get(), password));
    for (int32_t i = 0; i < reader->entryCount(); ++i) {
        const ArchiveEntry* entry = reader->entryAt(i);
        if (entry->dataOffset < 16 || uint64_t(entry->dataOffset) + entry->dataSize > size)
            __builtin_trap();
        if (reader->find(entry->path) < 0)
            __builtin_trap();
        CRefHandle<IReadableFile> member(reader->openEntry(i));
        if (!member)
            continue;
        uint8_t chunk[1024];
        int32_t total = 0;
        for (int32_t got; (got = member->read(chunk, sizeof chunk)) > 0;)
            total += got;
        if (total != int32_t(entry->dataSize))
            __builtin_trap();
    }

    CRefHandle<CVirtualFileSystem> fileSystem(new CVirtualFileSystem);
    (void)fileSystem->mountArchiveFile(file.get(), password);
    return 0;
}
