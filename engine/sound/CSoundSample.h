#pragma once

#include "engine/core/CRefCounted.h"
#include "engine/core/CString.h"

#include <cstdint>
#include <memory>

class ISoundDecoder;

// A whole decoded sound in memory: the PCM bytes of every frame, or no data
// when the decoder could not deliver them.
class CSoundSample : public CRefCounted {
public:
    // Decodes every frame of `decoder` from its start (count 1, owned by the
    // caller). The sample holds no data when the decoder announces no
    // frames, format, rate or channels, cannot rewind, delivers fewer frames
    // than it announced, or the sound is too large for one OpenAL buffer.
    [[nodiscard]] static CSoundSample* create(ISoundDecoder* decoder);

    [[nodiscard]] bool hasData() const { return m_data != nullptr; }
    [[nodiscard]] const uint8_t* getData() const { return m_data.get(); }
    [[nodiscard]] uint8_t* getData() { return m_data.get(); }
    // Bytes of data (0 without data).
    [[nodiscard]] uint32_t getSize() const { return m_size; }
    [[nodiscard]] const CString& getName() const { return m_name; }
    [[nodiscard]] int32_t getChannels() const { return m_channels; }
    [[nodiscard]] int32_t getSampleRate() const { return m_sampleRate; }
    [[nodiscard]] int32_t getFormat() const { return m_format; }
    [[nodiscard]] int32_t getFrames() const { return m_frames; }

protected:
    ~CSoundSample() override;

private:
    CSoundSample() = default;

    CString m_name;
    int32_t m_channels = 0;
    int32_t m_sampleRate = 0;
    int32_t m_format = 0;
    int32_t m_frames = 0;
    std::unique_ptr<uint8_t[]> m_data;
    uint32_t m_size = 0;
};
