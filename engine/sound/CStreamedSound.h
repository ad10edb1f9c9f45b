#pragma once

#include "engine/core/CRefHandle.h"
#include "engine/sound/ISoundInstance.h"

#include <cstdint>
#include <memory>

class CMutex;
class COpenALAudioDevice;
class ISoundDecoder;

// A sound decoded piece by piece into four queued OpenAL buffers, which the
// device's update step refills. Looping rewinds the decoder; OpenAL never
// loops it. Never cached: every load decodes afresh.
//
// Its playback state changes under the device's sound lock, from the main
// thread (play, stop, pause, setters) and from the update step. The update
// step alone touches the decoder, and decodes without the lock: no call of
// the main thread waits for decoding. A sound destroyed while the step
// decodes for it leaves its decoder to the device, which lets it go on the
// main thread once the step is done.
class CStreamedSound : public ISoundInstance {
public:
    static constexpr uint32_t QueueLength = 4;

    // What the update step decodes with: the decoder and its staging block.
    struct Feed {
        CRefHandle<ISoundDecoder> decoder;
        std::unique_ptr<uint8_t[]> staging;
        // The sound fed, or null once it is gone.
        CStreamedSound* owner = nullptr;
        // The update step is decoding into it without the lock.
        bool busy = false;
    };

    // One pass of the update step over a sound, planned under the sound lock
    // and carried out without it (refill).
    struct Refill {
        Feed* feed = nullptr;
        // Rewind and fill the whole queue, then start the source.
        bool priming = false;
        bool looping = false;
        // The source's state when the pass was planned.
        int32_t stateBefore = 0;
        uint32_t generation = 0;
        uint32_t bufferCount = 0;
        uint32_t buffers[QueueLength] = {};
    };

    // Takes a reference to the device and the decoder, and four buffers from
    // the device's pool (all or none: with none it stays silent).
    CStreamedSound(COpenALAudioDevice* device, ISoundDecoder* decoder, const CObjectName& name,
                   uint32_t framesPerBuffer);

    // Loads the content name again through its content manager, with this
    // sound's volume and looping; null without a content manager.
    [[nodiscard]] IContent* clone() const override;

    [[nodiscard]] int32_t getState() const override;
    // Asks the device to feed the source from the start; false, after
    // "Failed to play streamed sound" when there is nothing to decode, or
    // when no source is free or the device has stopped. The update step
    // rewinds; a decoder that cannot rewind leaves the sound stopped.
    bool play() override;
    // Stops and empties the queue; the source stays with the sound.
    void stop() override;
    void pause(bool paused) override;
    [[nodiscard]] float getVolume() const override;
    void setVolume(float volume) override;
    [[nodiscard]] bool isLooping() const override;
    void setLooping(bool looping) override;

    // For the device's update step. Under the sound lock: whether the sound
    // is playing, and the plan of its next pass (false: nothing to decode).
    [[nodiscard]] bool isPlayingFlagSet() const { return m_playing; }
    [[nodiscard]] bool planRefill(Refill& plan);
    // Without the lock: decodes what `plan` asks for and queues it under
    // `lock`, unless the sound went, stopped or started over meanwhile.
    static void refill(Refill& plan, CMutex& lock);

    [[nodiscard]] uint32_t getSource() const;
    [[nodiscard]] const uint32_t* getBuffers() const { return m_buffers; }

protected:
    ~CStreamedSound() override;

private:
    // OpenAL calls are made only while the device runs: after it has been
    // let go, the sound is a dead object.
    [[nodiscard]] bool deviceRuns() const;
    void stopLocked();
    // Reads a buffer's worth of frames into the staging block, rewinding as
    // often as needed while looping; the frames read (0: nothing).
    [[nodiscard]] static uint32_t readFrames(Feed& feed, uint32_t framesPerBuffer, bool looping);
    // Under the lock, after a pass: stops the sound once its queue ran dry
    // at the end of the data.
    void finishPass(const Refill& plan, bool filled);

    CRefHandle<COpenALAudioDevice> m_device;
    // Set at construction and never changed: read without the lock.
    ISoundDecoder* m_decoder;
    uint32_t m_bytesPerFrame = 0;
    int32_t m_sampleRate = 0;
    std::unique_ptr<Feed> m_feed;
    bool m_listed = false;
    uint32_t m_source = 0;
    int32_t m_format = 0;
    uint32_t m_buffers[QueueLength] = {};
    uint32_t m_framesPerBuffer;
    float m_volume = 1.0f;
    bool m_looping = false;
    bool m_playing = false;
    bool m_paused = false;
    bool m_needsPriming = false;
    // Paused after the queue ran dry and refilled since: the stopped source
    // holds fresh data, which the update step leaves until the resume.
    bool m_waitsForResume = false;
    // Counts every stop (and so every play): a pass planned before one is void.
    uint32_t m_generation = 0;
};
