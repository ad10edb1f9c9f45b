#pragma once

#include "engine/core/CRefHandle.h"
#include "engine/sound/ISoundDecoder.h"

#include <cstdint>

class CString;
class IReadableFile;

// Decodes RIFF/WAVE files holding 8- or 16-bit PCM, mono or stereo, from the
// plain or the extensible format chunk. Frames are read straight from the
// "data" chunk of the file, which the decoder keeps open.
class CWavDecoder : public ISoundDecoder {
public:
    static constexpr int32_t KindNone = 0;
    static constexpr int32_t KindPcm = 1;
    static constexpr int32_t KindExtensible = 2;

    // What the chunk walk found. The format chunk holds the first 16 (PCM)
    // or 40 (extensible) bytes of the "fmt " body: tag, channels, sample
    // rate, bytes per second, block align, bits per sample, extension size,
    // valid bits, channel mask, sub-format.
    struct Header {
        int32_t kind = KindNone;
        uint8_t formatChunk[40] = {};
        uint32_t dataSize = 0;
        uint32_t dataOffset = 0;
    };

    // Walks the chunks of `file` from its start. True when a format chunk of
    // either kind and a non-empty "data" chunk were found. A "data" chunk
    // that runs past the end of the file (cut short, or written to a pipe
    // with its sizes never filled in) holds what is there; a damaged chunk
    // after the data and the format leaves the sound whole. False otherwise;
    // `reason` (when given) is then empty for a file that is no RIFF/WAVE at
    // all, or says what is damaged.
    [[nodiscard]] static bool parseHeader(IReadableFile* file, Header& header, CString* reason);

    // A decoder over `file` (count 1, owned by the caller; the decoder takes
    // its own file reference), or null, with `reason` (when given) saying why
    // for a RIFF/WAVE file that cannot be played.
    [[nodiscard]] static CWavDecoder* open(IReadableFile* file, CString* reason);

    [[nodiscard]] bool rewind() override;
    uint32_t readFrames(void* buffer, uint32_t frames) override;

    [[nodiscard]] const Header& getHeader() const { return m_header; }

protected:
    ~CWavDecoder() override;

private:
    CWavDecoder(IReadableFile* file, const Header& header);

    CRefHandle<IReadableFile> m_file;
    Header m_header;
    // Frames delivered since the last rewind.
    uint32_t m_position = 0;
};
