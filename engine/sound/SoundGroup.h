#pragma once

#include <cstdint>

// The rules of one sound group, kept by the sound-cue manager by group
// number. Group -1 is the master record: its volume scales every cue.
struct SoundGroup {
    // What a new play does when the group already sounds `maxPlaying` times.
    static constexpr int32_t PolicyRefuse = 0;
    // Stops the oldest sounding instance of the group (with the group's
    // fade-out) and plays. Any other policy value plays anyway.
    static constexpr int32_t PolicyStopOldest = 1;

    int32_t policy = PolicyRefuse;
    // Used by stop when the caller passes 0, and by PolicyStopOldest.
    int32_t fadeOutMs = 0;
    // Used by play when the caller passes 0.
    int32_t fadeInMs = 0;
    // 0: no limit.
    int32_t maxPlaying = 0;
    // 0 refuses every new play of the group.
    float volume = 1.0f;
    // New instances of the group start paused.
    bool paused = false;
};
