// Reads arbitrary bytes as a WAV file, through the decoder itself and through
// the registry's extension and probing passes, and decodes every frame in
// blocks. A decoder must never deliver more than it announced nor read
// outside the file.

#include "engine/core/CLog.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CStringW.h"
#include "engine/io/CBufferFile.h"
#include "engine/sound/CSoundFormatRegistry.h"
#include "engine/sound/CWavDecoder.h"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

CRefHandle<IReadableFile> fuzzFile(const uint8_t* data, size_t size, const char16_t* name) {
    auto* copy = new uint8_t[size + 1];
    std::memcpy(copy, data, size);
    return CRefHandle<IReadableFile>(new CBufferFile(copy, int32_t(size), CStringW(name), true));
}

void decodeAll(ISoundDecoder* decoder, size_t fileSize) {
    const uint32_t frameBytes = decoder->bytesPerFrame();
    if (frameBytes == 0 || decoder->getTotalFrames() <= 0 || decoder->decodedSize() > fileSize)
        __builtin_trap();
    std::vector<uint8_t> block(size_t(frameBytes) * 777);
    uint64_t frames = 0;
    for (int pass = 0; pass < 2; ++pass) {
        if (!decoder->rewind())
            __builtin_trap();
        frames = 0;
        while (uint32_t got = decoder->readFrames(block.data(), 777)) {
            if (got > 777)
                __builtin_trap();
            frames += got;
        }
        if (frames != uint64_t(decoder->getTotalFrames()))
            __builtin_trap();
    }
}

} // namespace

// libvorbisfile 1.3.7 loses a few bytes of its serial-number list on some
// damaged streams, inside the library; that is not ours to find here.
extern "C" const char* __lsan_default_suppressions() { return "leak:libvorbisfile.so"; }

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Damaged input logs a line per file; printing them would only slow the run.
    CLog::instance()->setThreshold(CLog::User + 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > INT32_MAX)
        return 0;
    CRefHandle<IReadableFile> file = fuzzFile(data, size, u"fuzz.wav");
    CRefHandle<CWavDecoder> decoder(CWavDecoder::open(file.get(), nullptr));
    if (decoder)
        decodeAll(decoder.get(), size);

    static CSoundFormatRegistry* registry = new CSoundFormatRegistry();
    CRefHandle<IReadableFile> unnamed = fuzzFile(data, size, u"fuzz");
    CRefHandle<ISoundDecoder> any(registry->loadSound(unnamed.get()));
    if (any && dynamic_cast<CWavDecoder*>(any.get()))
        decodeAll(any.get(), size);
    return 0;
}
