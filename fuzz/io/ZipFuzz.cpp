// Reads arbitrary bytes as a zip archive, through the content test of the
// file system and through the reader itself, and opens and reads every
// member found. A member may fail to open; nothing may read outside the
// input or crash.

#include "engine/core/CLog.h"
#include "engine/core/CRefHandle.h"
#include "engine/io/CBufferFile.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/CVirtualFilesReaderZip.h"
#include "engine/io/IArchiveReader.h"
#include "engine/io/IReadableFile.h"

#include <cstdint>
#include <cstring>

namespace {

void readEveryMember(IArchiveReader* reader) {
    uint8_t chunk[4096];
    for (int32_t i = 0; i < reader->entryCount(); ++i) {
        const ArchiveEntry* entry = reader->entryAt(i);
        if (reader->find(entry->path) < 0)
            __builtin_trap();
        CRefHandle<IReadableFile> member(reader->openEntry(i));
        if (!member)
            continue;
        int32_t total = 0;
        for (int32_t got; (got = member->read(chunk, sizeof chunk)) > 0;)
            total += got;
        if (total != member->size())
            __builtin_trap();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Damaged members log errors; printing them would only slow the run.
    CLog::instance()->setThreshold(CLog::User + 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > INT32_MAX)
        return 0;
    auto* copy = new uint8_t[size + 1];
    std::memcpy(copy, data, size);
    CRefHandle<IReadableFile> file(new CBufferFile(copy, int32_t(size), u"fuzz.zip", true));

    CRefHandle<IArchiveReader> reader(new CVirtualFilesReaderZip(file.get()));
    readEveryMember(reader.get());

    CRefHandle<CVirtualFileSystem> fileSystem(new CVirtualFileSystem);
    if (IArchiveReader* mounted = fileSystem->mountArchiveFile(file.get(), nullptr))
        if (mounted->entryCount() != reader->entryCount() && std::strcmp(mounted->typeName(), "zip") == 0)
            __builtin_trap();
    return 0;
}
