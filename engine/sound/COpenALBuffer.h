#pragma once

#include "engine/core/CRefCounted.h"
#include "engine/core/CRefHandle.h"

#include <cstdint>

class COpenALAudioDevice;
class CSoundSample;

// One OpenAL buffer filled with a whole decoded sound, shared by every
// buffered sound made from that file. The buffer name comes from the
// device's pool and goes back to it with the last reference.
class COpenALBuffer : public CRefCounted {
public:
    // Takes a buffer from the device's pool (none left: name 0, a silent
    // buffer) and fills it with `sample`'s bytes. A sample in a format
    // OpenAL does not take logs "Unsupported OpenAL buffer format" and
    // leaves the buffer without data.
    COpenALBuffer(COpenALAudioDevice* device, CSoundSample* sample);

    [[nodiscard]] uint32_t getName() const { return m_name; }

protected:
    ~COpenALBuffer() override;

private:
    CRefHandle<COpenALAudioDevice> m_device;
    uint32_t m_name = 0;
    // Kept only while OpenAL plays the bytes in place.
    CRefHandle<CSoundSample> m_sample;
};
