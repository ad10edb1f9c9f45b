#pragma once

#include "engine/core/CRefCounted.h"
#include "engine/core/CString.h"

#include <cstdint>

// A sound file opened for decoding: it announces channels, sample rate,
// sample format and length, and delivers PCM frames on request from the
// start (after `rewind`) onwards. 8-bit samples are unsigned, 16-bit samples
// signed little-endian, channels interleaved, as OpenAL takes them.
class ISoundDecoder : public virtual CRefCounted {
public:
    // Format codes.
    static constexpr int32_t FormatNone = 0;
    static constexpr int32_t FormatMono8 = 1;
    static constexpr int32_t FormatStereo8 = 2;
    static constexpr int32_t FormatMono16 = 3;
    static constexpr int32_t FormatStereo16 = 4;

    // Bytes of one sample of `format`: 1 for the 8-bit formats, 2 for the
    // 16-bit ones, 0 for anything else.
    [[nodiscard]] static uint32_t bytesPerSample(int32_t format);
    // The format code of `channels` channels of `bits`-bit samples; FormatNone
    // for anything but one or two channels of 8 or 16 bits.
    [[nodiscard]] static int32_t formatOf(int32_t channels, int32_t bits);

    // Back to the first frame. This version succeeds.
    [[nodiscard]] virtual bool rewind();
    // Copies up to `frames` frames into `buffer` from the current position
    // on; answers the whole frames copied (0 at the end). This version
    // copies nothing.
    virtual uint32_t readFrames(void* buffer, uint32_t frames);

    // The source's file name.
    [[nodiscard]] const CString& getName() const { return m_name; }
    [[nodiscard]] int32_t getChannels() const { return m_channels; }
    [[nodiscard]] int32_t getSampleRate() const { return m_sampleRate; }
    [[nodiscard]] int32_t getFormat() const { return m_format; }
    // 0 means the decoder is unusable.
    [[nodiscard]] int32_t getTotalFrames() const { return m_totalFrames; }
    // Bytes of one frame (a sample per channel).
    [[nodiscard]] uint32_t bytesPerFrame() const { return bytesPerSample(m_format) * uint32_t(m_channels); }
    // Bytes of the whole decoded sound.
    [[nodiscard]] uint64_t decodedSize() const { return uint64_t(bytesPerFrame()) * uint32_t(m_totalFrames); }

protected:
    ISoundDecoder() = default;
    ~ISoundDecoder() override;

    CString m_name;
    int32_t m_channels = 0;
    int32_t m_sampleRate = 0;
    int32_t m_format = FormatNone;
    int32_t m_totalFrames = 0;
};
