#include "engine/sound/CWavSoundWriter.h"

#include "engine/core/CStringW.h"
#include "engine/io/IWritableFile.h"
#include "engine/sound/ISoundDecoder.h"

#include <cstring>
#include <string_view>

namespace {

void putLe16(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

void putLe32(uint8_t* p, uint32_t v) {
    putLe16(p, v);
    putLe16(p + 2, v >> 16);
}

constexpr uint32_t BlockBytes = 4096;

} // namespace

bool CWavSoundWriter::acceptsName(const CStringW& name) const {
    return name.view().find(std::u16string_view(u".wav")) != std::u16string_view::npos;
}

bool CWavSoundWriter::write(IWritableFile* file, ISoundDecoder* decoder) const {
    if (!file || !decoder)
        return false;
    const uint32_t b = ISoundDecoder::bytesPerSample(decoder->getFormat());
    const uint32_t c = uint32_t(decoder->getChannels());
    const uint32_t n = uint32_t(decoder->getTotalFrames());
    if (b == 0 || c == 0 || decoder->getTotalFrames() <= 0 || decoder->getSampleRate() <= 0)
        return false;
    const uint64_t dataSize = uint64_t(b) * c * n;
    if (dataSize + 36 > UINT32_MAX)
        return false;
    const uint32_t rate = uint32_t(decoder->getSampleRate());

    uint8_t header[44];
    std::memcpy(header, "RIFF", 4);
    putLe32(header + 4, uint32_t(dataSize + 36));
    std::memcpy(header + 8, "WAVEfmt ", 8);
    putLe32(header + 16, 16);
    putLe16(header + 20, 1);
    putLe16(header + 22, c);
    putLe32(header + 24, b * rate * c);
    putLe16(header + 32, b * c);
    putLe16(header + 34, b == 1 ? 8 : 16);
    std::memcpy(header + 36, "data", 4);
    putLe32(header + 40, uint32_t(dataSize));
    if (file->write(header, 44) != 44 || !decoder->rewind())
        return false;

    // Exactly the announced frames, so the header tells the truth.
    const uint32_t frameBytes = b * c;
    const uint32_t blockFrames = BlockBytes / frameBytes;
    uint8_t block[BlockBytes];
    uint32_t left = n;
    while (left > 0) {
        const uint32_t want = left < blockFrames ? left : blockFrames;
        const uint32_t got = decoder->readFrames(block, want);
        if (got == 0)
            return false;
        const int32_t bytes = int32_t(got * frameBytes);
        if (file->write(block, bytes) != bytes)
            return false;
        left -= got;
    }
    return true;
}
