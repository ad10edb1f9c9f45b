#pragma once

#include "engine/core/CRefHandle.h"
#include "engine/sound/ISoundInstance.h"

#include <cstdint>
#include <memory>

class COpenALAudioDevice;
class ISoundDecoder;

// A sound decoded piece by piece into four queued OpenAL buffers, which the
// device's update step refills. Looping rewinds the decoder; OpenAL never
// loops it. Never cached: every load decodes afresh.
//
// Its playback state changes under the device's sound lock, from the main
// thread (play, stop, pause, setters) and from the update step (refill).
class CStreamedSound : public ISoundInstance {
public:
    static constexpr uint32_t QueueLength = 4;

    // Takes a reference to the device and the decoder, and four buffers from
    // the device's pool (all or none: with none it stays silent).
    CStreamedSound(COpenALAudioDevice* device, ISoundDecoder* decoder, const CObjectName& name,
                   uint32_t framesPerBuffer);

    // Loads the content name again through its content manager, with this
    // sound's volume and looping; null without a content manager.
    [[nodiscard]] IContent* clone() const override;

    [[nodiscard]] int32_t getState() const override;
    // Rewinds and asks the device to start feeding the source; false, after
    // "Failed to play streamed sound" when there is nothing to decode, or
    // when no source is free or the decoder cannot rewind.
    bool play() override;
    // Stops and empties the queue; the source stays with the sound.
    void stop() override;
    void pause(bool paused) override;
    [[nodiscard]] float getVolume() const override;
    void setVolume(float volume) override;
    [[nodiscard]] bool isLooping() const override;
    void setLooping(bool looping) override;

    // Called by the device's update step with the sound lock held.
    [[nodiscard]] bool isPlayingFlagSet() const { return m_playing; }
    void refill();

    [[nodiscard]] uint32_t getSource() const;
    [[nodiscard]] const uint32_t* getBuffers() const { return m_buffers; }

protected:
    ~CStreamedSound() override;

private:
    void stopLocked();
    [[nodiscard]] bool fillBuffer(uint32_t buffer);
    // Reads a buffer's worth of frames into the staging block, rewinding as
    // often as needed while looping. False when nothing was read.
    [[nodiscard]] bool readFrames();

    CRefHandle<COpenALAudioDevice> m_device;
    CRefHandle<ISoundDecoder> m_decoder;
    bool m_listed = false;
    uint32_t m_source = 0;
    int32_t m_format = 0;
    uint32_t m_buffers[QueueLength] = {};
    std::unique_ptr<uint8_t[]> m_staging;
    uint32_t m_framesRead = 0;
    uint32_t m_framesPerBuffer;
    float m_volume = 1.0f;
    bool m_looping = false;
    bool m_playing = false;
    bool m_paused = false;
    bool m_needsPriming = false;
};
