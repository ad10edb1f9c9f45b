#pragma once

#include "engine/core/CRefHandle.h"
#include "engine/sound/ISoundInstance.h"

#include <cstdint>

class COpenALAudioDevice;
class COpenALBuffer;

// A sound decoded whole into one OpenAL buffer, which its clones share. It
// holds an OpenAL source only between play and stop. Cached by the content
// manager; every load hands out a clone.
class CBufferedSound : public ISoundInstance {
public:
    // Takes a reference to the device and the buffer.
    CBufferedSound(COpenALAudioDevice* device, COpenALBuffer* buffer, const CObjectName& name);

    // A new sound on the same buffer with the same name, volume, looping and position.
    [[nodiscard]] IContent* clone() const override;

    [[nodiscard]] int32_t getState() const override;
    // Takes a source when it has none (none free: false) and plays from the
    // start; a playing sound restarts.
    bool play() override;
    // Stops and gives the source back to the pool.
    void stop() override;
    void pause(bool paused) override;
    [[nodiscard]] float getVolume() const override { return m_volume; }
    void setVolume(float volume) override;
    [[nodiscard]] bool isLooping() const override { return m_looping; }
    void setLooping(bool looping) override;
    // Applied on the next play.
    void setPosition(float x, float y, float z);

    [[nodiscard]] COpenALBuffer* getBuffer() const { return m_buffer.get(); }
    [[nodiscard]] uint32_t getSource() const { return m_source; }

protected:
    ~CBufferedSound() override;

private:
    CRefHandle<COpenALAudioDevice> m_device;
    CRefHandle<COpenALBuffer> m_buffer;
    uint32_t m_source = 0;
    float m_volume = 1.0f;
    bool m_looping = false;
    float m_position[3] = {0.0f, 0.0f, 0.0f};
};
