#include "engine/sound/COggVorbisDecoder.h"

#include "engine/core/CString.h"
#include "engine/core/CStringW.h"
#include "engine/io/IReadableFile.h"

#include <vorbis/vorbisfile.h>

#include <cstdio>

struct COggVorbisDecoder::State {
    OggVorbis_File file{};
};

namespace {

size_t readCallback(void* buffer, size_t size, size_t count, void* source) {
    auto* file = static_cast<IReadableFile*>(source);
    if (size == 0 || count == 0)
        return 0;
    // vorbisfile asks for bytes (size 1); larger items are read whole.
    uint64_t bytes = uint64_t(size) * count;
    if (bytes / size != count || bytes > uint64_t(INT32_MAX))
        bytes = uint64_t(INT32_MAX) / size * size;
    const int32_t got = file->read(buffer, int32_t(bytes));
    return got > 0 ? size_t(got) / size : 0;
}

int seekCallback(void* source, ogg_int64_t offset, int whence) {
    auto* file = static_cast<IReadableFile*>(source);
    int64_t target;
    switch (whence) {
    case SEEK_SET:
        target = offset;
        break;
    case SEEK_CUR:
        target = int64_t(file->position()) + offset;
        break;
    case SEEK_END:
        target = int64_t(file->size()) + offset;
        break;
    default:
        return -1;
    }
    if (target < 0 || target > int64_t(file->size()))
        return -1;
    return file->seek(int32_t(target), false) ? 0 : -1;
}

int closeCallback(void*) { return 0; }

long tellCallback(void* source) { return static_cast<IReadableFile*>(source)->position(); }

const ov_callbacks callbacks = {readCallback, seekCallback, closeCallback, tellCallback};

// Consecutive holes in the stream that a read skips before giving up.
constexpr int MaxHoles = 64;

} // namespace

COggVorbisDecoder::COggVorbisDecoder(IReadableFile* file)
    : m_file(CRefHandle<IReadableFile>::share(file)), m_state(std::make_unique<State>()) {}

COggVorbisDecoder::~COggVorbisDecoder() {
    if (m_opened)
        ov_clear(&m_state->file);
}

bool COggVorbisDecoder::probe(IReadableFile* file) {
    if (!file)
        return false;
    OggVorbis_File state{};
    if (ov_test_callbacks(file, &state, nullptr, 0, callbacks) != 0)
        return false;
    const bool known = ov_info(&state, -1) != nullptr;
    ov_clear(&state);
    return known;
}

COggVorbisDecoder* COggVorbisDecoder::open(IReadableFile* file, CString* reason) {
    if (reason)
        *reason = CString();
    if (!file)
        return nullptr;
    CRefHandle<COggVorbisDecoder> decoder(new COggVorbisDecoder(file));
    // A failed open leaves nothing to clear.
    if (ov_open_callbacks(file, &decoder->m_state->file, nullptr, 0, callbacks) != 0)
        return nullptr;
    decoder->m_opened = true;
    OggVorbis_File* const vf = &decoder->m_state->file;
    const bool seekable = ov_seekable(vf) != 0;
    // Opening a seekable file scans every link and may stay in the last one:
    // the sound is the first link's.
    const vorbis_info* info = ov_info(vf, seekable ? 0 : -1);
    if (!info || info->rate <= 0 || info->rate > INT32_MAX) {
        if (reason)
            *reason = "bad Vorbis stream header";
        return nullptr;
    }
    decoder->m_channels = info->channels;
    decoder->m_sampleRate = int32_t(info->rate);
    decoder->m_format = formatOf(info->channels, 16);
    if (decoder->m_format == FormatNone) {
        if (reason)
            *reason = "unsupported channel count";
        return nullptr;
    }
    // Only the links that keep the first one's layout and rate are played
    // (see readFrames), so only their frames are announced: callers size
    // their buffers, and check what they got, by this length.
    ogg_int64_t total = 0;
    const int links = seekable ? ov_streams(vf) : 1;
    for (int link = 0; link < links && total <= INT32_MAX; ++link) {
        const vorbis_info* next = ov_info(vf, link);
        if (!next || next->channels != info->channels || next->rate != info->rate)
            break;
        const ogg_int64_t frames = ov_pcm_total(vf, link);
        if (frames < 0) {
            total = frames;
            break;
        }
        total += frames;
    }
    if (total <= 0 || total > INT32_MAX) {
        if (reason)
            *reason = total <= 0 ? "no frames in the stream" : "stream too long";
        return nullptr;
    }
    decoder->m_totalFrames = int32_t(total);
    // Playing starts at the first frame of the first link.
    if (seekable && ov_pcm_seek(vf, 0) != 0) {
        if (reason)
            *reason = "the stream cannot be sought to its start";
        return nullptr;
    }
    decoder->m_name = CString(file->fileName());
    return decoder.detach();
}

bool COggVorbisDecoder::rewind() {
    m_position = 0;
    return m_opened && ov_pcm_seek(&m_state->file, 0) == 0;
}

uint32_t COggVorbisDecoder::readFrames(void* buffer, uint32_t frames) {
    if (!m_opened || !buffer || m_format == FormatNone)
        return 0;
    // A damaged stream may hold more than its length announced; the
    // announced length is what callers sized their buffers by.
    const uint32_t left = uint32_t(m_totalFrames) - m_position;
    if (frames > left)
        frames = left;
    const uint32_t frameBytes = bytesPerFrame();
    const uint64_t wanted64 = uint64_t(frames) * frameBytes;
    const uint64_t wanted = wanted64 > uint64_t(INT32_MAX) ? uint64_t(INT32_MAX) / frameBytes * frameBytes : wanted64;
    auto* out = static_cast<char*>(buffer);
    uint64_t have = 0;
    int holes = 0;
    while (have < wanted) {
        int link = 0;
        const uint64_t missing = wanted - have;
        const long got =
            ov_read(&m_state->file, out + have, int(missing > 1u << 30 ? 1u << 30 : missing), 0, 2, 1, &link);
        if (got == OV_HOLE && ++holes <= MaxHoles)
            continue;
        if (got <= 0)
            break;
        holes = 0;
        // A chained stream may change its layout or rate; frames of another
        // layout would be read as garbage, of another rate at the wrong
        // speed: the sound ends there.
        const vorbis_info* info = ov_info(&m_state->file, link);
        if (!info || info->channels != m_channels || info->rate != m_sampleRate)
            break;
        have += uint64_t(got);
    }
    const uint32_t whole = uint32_t(have / frameBytes);
    m_position += whole;
    return whole;
}
