#pragma once

#include "engine/content/IContent.h"

#include <cstdint>

// One playable sound: the content ('isnd') the content manager hands out for
// a sound file and that sound cues play. Made by the audio device.
class ISoundInstance : public IContent {
public:
    // State codes answered by getState.
    static constexpr int32_t StateStopped = 0;
    static constexpr int32_t StatePaused = 1;
    static constexpr int32_t StatePlaying = 2;

    [[nodiscard]] uint32_t getContentType() const override;

    [[nodiscard]] virtual int32_t getState() const = 0;
    // Starts from the beginning (a playing sound restarts); false when the
    // sound cannot play (no free source, nothing to decode).
    virtual bool play() = 0;
    virtual void stop() = 0;
    virtual void pause(bool paused) = 0;
    [[nodiscard]] virtual float getVolume() const = 0;
    virtual void setVolume(float volume) = 0;
    [[nodiscard]] virtual bool isLooping() const = 0;
    virtual void setLooping(bool looping) = 0;

protected:
    ISoundInstance() = default;
    ISoundInstance(const CObjectName& name, uint32_t flags) : IContent(name, flags) {}
    ~ISoundInstance() override;
};
