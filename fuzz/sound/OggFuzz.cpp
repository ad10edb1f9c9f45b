// Reads arbitrary bytes as an Ogg Vorbis file and decodes it twice, in
// blocks. A decoder must never deliver more than it announced.

#include "engine/core/CLog.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CStringW.h"
#include "engine/io/CBufferFile.h"
#include "engine/sound/COggVorbisDecoder.h"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

// libvorbisfile 1.3.7 loses a few bytes of its serial-number list on some
// damaged streams, inside the library; that is not ours to find here.
extern "C" const char* __lsan_default_suppressions() { return "leak:libvorbisfile.so"; }

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    CLog::instance()->setThreshold(CLog::User + 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > INT32_MAX)
        return 0;
    auto* copy = new uint8_t[size + 1];
    std::memcpy(copy, data, size);
    CRefHandle<IReadableFile> file(new CBufferFile(copy, int32_t(size), CStringW(u"fuzz.ogg"), true));
    (void)COggVorbisDecoder::probe(file.get());
    (void)file->seek(0, false);
    CRefHandle<COggVorbisDecoder> decoder(COggVorbisDecoder::open(file.get(), nullptr));
    if (!decoder)
        return 0;
    const uint32_t frameBytes = decoder->bytesPerFrame();
    if (frameBytes == 0 || decoder->getTotalFrames() <= 0)
        __builtin_trap();
    std::vector<uint8_t> block(size_t(frameBytes) * 1024);
    for (int pass = 0; pass < 2; ++pass) {
        if (!decoder->rewind())
            return 0;
        uint64_t frames = 0;
        // A damaged stream may claim far more frames than it holds; stop
        // after a bounded amount of work.
        for (int reads = 0; reads < 4096; ++reads) {
            const uint32_t got = decoder->readFrames(block.data(), 1024);
            if (got == 0)
                break;
            if (got > 1024)
                __builtin_trap();
            frames += got;
        }
        if (frames > uint64_t(decoder->getTotalFrames()))
            __builtin_trap();
    }
    return 0;
}
