#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CName.h"
#include "engine/core/CRefCounted.h"
#include "engine/core/CRefHandle.h"

#include <cstdint>

class CSoundCueManager;
class CXmlStreamReader;
class IAudioDevice;
class IContentManager;
class ISoundInstance;

// A named set of sound variants with a group, a volume and flags; each play
// sounds one variant chosen at random. The same class serves as the cue
// definition the manager holds and as a playing instance (a copy made by
// each play, with clones of the variants), which the manager advances on
// every update: fades, switching variants while looping, and finishing.
class SoundCue : public CRefCounted {
public:
    static constexpr int32_t FadeNone = 0;
    static constexpr int32_t FadeIn = 1;
    static constexpr int32_t FadeOut = 2;
    // A stop with a fade-out stops at once when the instance played less.
    static constexpr int32_t MinPlayedForFadeMs = 50;

    explicit SoundCue(CName name);

    // Reads the attributes of the "SoundCue" element the reader stands on
    // ("GroupID", "Vol", "Loop", "TrackPlayStates", "StreamingType") and the
    // "Sound" elements inside it, each loaded through `manager` as a sound
    // relative to the file being read; files that do not load are skipped.
    // "StreamingType" 1 makes every variant stream and 2 none, by changing
    // `device`'s streaming threshold while the variants load.
    void readFromXml(CXmlStreamReader* reader, IContentManager* manager, IAudioDevice* device);

    // Appends a variant (the cue takes a reference); null is ignored.
    void addVariant(ISoundInstance* sound);

    // On a definition registered with a manager: a new playing instance
    // (owned by the manager's playing list, valid while it is there), or
    // null when the manager refuses the play or no variant starts.
    SoundCue* play(int32_t fadeInMs);
    // On an instance: stops at once, or fades out over `fadeOutMs` once it
    // has played 50 ms and is not paused. -1 when no variant sounds.
    int32_t stop(int32_t fadeOutMs);
    // -1 when no variant sounds.
    int32_t pause(bool paused);
    // 0 when no variant sounds, 1 when it is paused, else 2.
    [[nodiscard]] int32_t getState() const;
    // Advances an instance by `elapsedMs`.
    void update(uint32_t elapsedMs);

    // Recomputes the effective volume (own volume × master volume × group
    // volume) and gives it to every variant.
    void updateEffectiveVolume();

    [[nodiscard]] CName getName() const { return m_name; }
    [[nodiscard]] CSoundCueManager* getManager() const { return m_manager; }
    void setManager(CSoundCueManager* manager) { m_manager = manager; }
    [[nodiscard]] int32_t getGroup() const { return m_group; }
    void setGroup(int32_t group) { m_group = group; }
    [[nodiscard]] float getVolume() const { return m_volume; }
    void setVolume(float volume) { m_volume = volume; }
    [[nodiscard]] float getEffectiveVolume() const { return m_effectiveVolume; }
    [[nodiscard]] bool isLooping() const { return m_loop; }
    void setLooping(bool loop) { m_loop = loop; }
    [[nodiscard]] bool tracksPlayStates() const { return m_trackPlayStates; }
    void setTrackPlayStates(bool track) { m_trackPlayStates = track; }

    [[nodiscard]] int32_t getPlayedMs() const { return m_playedMs; }
    [[nodiscard]] int32_t getFadeState() const { return m_fadeState; }
    [[nodiscard]] int32_t getFadePosition() const { return m_fadePosition; }
    [[nodiscard]] int32_t getFadeLength() const { return m_fadeLength; }
    [[nodiscard]] uint32_t getVariantCount() const { return m_variants.size(); }
    [[nodiscard]] ISoundInstance* getVariant(uint32_t index) const { return m_variants[index].get(); }
    // Index of the sounding variant, -1 for none.
    [[nodiscard]] int32_t getCurrentVariant() const { return m_current; }

protected:
    ~SoundCue() override;

private:
    // Picks a variant other than `previous` (when there is a choice), gives
    // it `volume` and plays it.
    [[nodiscard]] bool startVariant(int32_t previous, float volume);
    // The volume of the current variant at this point of its fade.
    [[nodiscard]] float fadedVolume() const;

    CSoundCueManager* m_manager = nullptr;
    CName m_name;
    int32_t m_group = -1;
    float m_volume = 1.0f;
    float m_effectiveVolume = 1.0f;
    bool m_loop = false;
    bool m_trackPlayStates = false;
    int32_t m_playedMs = 0;
    int32_t m_fadeState = FadeNone;
    int32_t m_fadePosition = 0;
    int32_t m_fadeLength = 0;
    CArray<CRefHandle<ISoundInstance>> m_variants;
    int32_t m_current = -1;
};
