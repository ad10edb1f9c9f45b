#include "engine/sound/CWavDecoder.h"

#include "engine/core/CString.h"
#include "engine/core/CStringW.h"
#include "engine/io/IReadableFile.h"

#include <cstring>

namespace {

uint32_t le16(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }
uint32_t le32(const uint8_t* p) { return le16(p) | le16(p + 2) << 16; }

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

// `id` equals the four letters `lower` (lower case) ignoring the case of A-Z.
bool isChunk(const uint8_t* id, const char* lower) {
    for (int i = 0; i < 4; ++i)
        if (asciiLower(char(id[i])) != lower[i])
            return false;
    return true;
}

bool fail(CString* reason, const char* text) {
    if (reason)
        *reason = text;
    return false;
}

constexpr uint32_t TagPcm = 1;
constexpr uint32_t TagExtensible = 0xFFFE;
// Channel masks the extensible chunk may carry: front centre, front left and right.
constexpr uint32_t MaskMono = 4;
constexpr uint32_t MaskStereo = 3;

} // namespace

CWavDecoder::CWavDecoder(IReadableFile* file, const Header& header)
    : m_file(CRefHandle<IReadableFile>::share(file)), m_header(header) {}

CWavDecoder::~CWavDecoder() = default;

bool CWavDecoder::parseHeader(IReadableFile* file, Header& header, CString* reason) {
    header = Header();
    if (reason)
        *reason = CString();
    if (!file || !file->seek(0, false))
        return false;
    const int64_t fileSize = file->size();
    uint8_t riff[12];
    if (file->read(riff, 12) != 12 || !isChunk(riff, "riff") || !isChunk(riff + 8, "wave"))
        return false;

    // Every offset and end below is 64-bit: chunk sizes are 32-bit unsigned
    // and may claim far more than the file holds.
    int64_t position = 12;
    bool sawFormat = false;
    bool sawData = false;
    while (position + 8 <= fileSize) {
        uint8_t chunk[8];
        if (!file->seek(int32_t(position), false) || file->read(chunk, 8) != 8)
            return fail(reason, "chunk header cannot be read");
        const uint32_t size = le32(chunk + 4);
        const int64_t body = position + 8;
        const int64_t end = body + int64_t(size);
        if (isChunk(chunk, "fmt ")) {
            sawFormat = true;
            // A larger format chunk belongs to an encoding this decoder
            // does not know; it is passed over.
            if (size <= 40) {
                if (end > fileSize)
                    return fail(reason, "format chunk passes the end of the file");
                uint8_t bytes[40] = {};
                if (file->read(bytes, int32_t(size)) != int32_t(size))
                    return fail(reason, "format chunk cannot be read");
                const uint32_t tag = size >= 2 ? le16(bytes) : 0;
                if (tag == TagPcm) {
                    if (size < 16)
                        return fail(reason, "format chunk too short");
                    header.kind = KindPcm;
                    std::memset(header.formatChunk, 0, sizeof header.formatChunk);
                    std::memcpy(header.formatChunk, bytes, 16);
                } else if (tag == TagExtensible) {
                    if (size < 40)
                        return fail(reason, "extensible format chunk too short");
                    header.kind = KindExtensible;
                    std::memcpy(header.formatChunk, bytes, 40);
                }
            }
        } else if (isChunk(chunk, "data")) {
            header.dataOffset = uint32_t(body);
            sawData = true;
            if (end > fileSize) {
                // A file written to a pipe (its sizes never filled in) or cut
                // short: the frames that are there play, and nothing follows.
                header.dataSize = uint32_t(fileSize - body);
                break;
            }
            header.dataSize = size;
        } else if (end > fileSize) {
            // A damaged chunk after the sound itself leaves the sound whole.
            if (sawData && header.kind != KindNone)
                break;
            return fail(reason, "chunk passes the end of the file");
        }
        position = end + (size & 1);
    }

    if (header.kind == KindNone) {
        header = Header();
        return fail(reason, sawFormat ? "unsupported sample encoding" : "no format chunk");
    }
    if (header.dataSize == 0 || header.dataOffset == 0) {
        header = Header();
        return fail(reason, sawData ? "empty data chunk" : "no data chunk");
    }
    return true;
}

CWavDecoder* CWavDecoder::open(IReadableFile* file, CString* reason) {
    Header header;
    if (!parseHeader(file, header, reason))
        return nullptr;
    const uint8_t* format = header.formatChunk;
    const int32_t channels = int32_t(le16(format + 2));
    const uint32_t sampleRate = le32(format + 4);
    const int32_t bits = int32_t(le16(format + 14));
    if (sampleRate == 0 || sampleRate > uint32_t(INT32_MAX)) {
        fail(reason, "bad sample rate");
        return nullptr;
    }
    if (header.kind == KindExtensible) {
        // The sub-format GUID starts with the plain format tag.
        const uint32_t mask = le32(format + 20);
        const uint32_t subTag = le16(format + 24);
        const bool layout = (channels == 1 && mask == MaskMono) || (channels == 2 && mask == MaskStereo);
        if (subTag != TagPcm || !layout) {
            fail(reason, "unsupported extensible format");
            return nullptr;
        }
    }
    const int32_t code = formatOf(channels, bits);
    if (code == FormatNone) {
        fail(reason, "unsupported channel count or sample size");
        return nullptr;
    }
    const uint32_t frameBytes = bytesPerSample(code) * uint32_t(channels);
    const uint32_t frames = header.dataSize / frameBytes;
    if (frames == 0) {
        fail(reason, "no whole frame in the data chunk");
        return nullptr;
    }

    auto* decoder = new CWavDecoder(file, header);
    decoder->m_channels = channels;
    decoder->m_sampleRate = int32_t(sampleRate);
    decoder->m_format = code;
    // The data chunk lies inside the file, whose size is a signed 32-bit
    // number, so the count fits.
    decoder->m_totalFrames = int32_t(frames);
    decoder->m_name = CString(file->fileName());
    return decoder;
}

bool CWavDecoder::rewind() {
    m_position = 0;
    return m_file && m_file->seek(int32_t(m_header.dataOffset), false);
}

uint32_t CWavDecoder::readFrames(void* buffer, uint32_t frames) {
    if (!m_file || m_totalFrames == 0 || !buffer)
        return 0;
    // Only the data chunk is sound: chunks after it are not read as frames.
    const uint32_t left = uint32_t(m_totalFrames) - m_position;
    if (frames > left)
        frames = left;
    const uint32_t frameBytes = bytesPerFrame();
    const uint64_t offset = uint64_t(m_header.dataOffset) + uint64_t(m_position) * frameBytes;
    const uint64_t count = uint64_t(frames) * frameBytes;
    if (frames == 0 || count > uint64_t(INT32_MAX))
        return 0;
    const int32_t got = m_file->readAt(int32_t(offset), buffer, int32_t(count));
    const uint32_t whole = got > 0 ? uint32_t(got) / frameBytes : 0;
    m_position += whole;
    return whole;
}
