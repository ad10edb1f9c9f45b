#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CEventReceiver.h"
#include "engine/core/CMap.h"
#include "engine/core/CName.h"
#include "engine/core/CRefHandle.h"
#include "engine/sound/SoundGroup.h"

#include <cstdint>

class CEvent;
class CEventHandlerTable;
class CEventUpdate;
class IAudioDevice;
class SoundCue;

// The engine's one sound-cue manager: the table of cue definitions by name,
// the rules of the sound groups, and the playing cue instances in start
// order, which it advances on every update event (fades, variant switches
// of looping cues) and drops once they have ended, announcing each with
// event 87. An engine listener (priority 1, masks device and system flow)
// that never consumes an event. Main thread only.
class CSoundCueManager : public CEventReceiver {
public:
    static constexpr int32_t ListenerPriority = 1;
    static constexpr int32_t MasterGroup = -1;

    // Takes a reference to `device` (may be null).
    explicit CSoundCueManager(IAudioDevice* device);

    // Pre-handlers, the class table (update, audio device released and
    // created), post-handlers.
    bool handleEvent(CEvent* event) override;

    // Registers a definition under its name, taking a reference; false when
    // the name is taken (nothing changes).
    bool addCue(SoundCue* cue);
    // A new playing instance of the cue `name` (owned by the playing list;
    // valid while it is there), or null: no such cue, `unique` and the cue
    // already playing, or the play refused. A fade-in of 0 takes the group's.
    SoundCue* play(CName name, bool unique, int32_t fadeInMs);
    // Stops the oldest playing instance of `name`; a fade-out of 0 takes the
    // group's.
    void stop(CName name, int32_t fadeOutMs);
    // Stops every playing instance of `group` at once (-1: every instance).
    void stopGroup(int32_t group);
    // Pauses or resumes the playing instances of `group`; for a group other
    // than -1 the flag is stored, so that new instances start paused too.
    void pauseGroup(bool pause, int32_t group);
    // Stores the volume of `group` (-1: the master volume) and gives the
    // cues and instances concerned their new effective volume.
    void setGroupVolume(float volume, int32_t group);
    [[nodiscard]] float getGroupVolume(int32_t group) const;
    // The record of `group`, created with the defaults when absent.
    [[nodiscard]] SoundGroup& getGroup(int32_t group);
    [[nodiscard]] bool isGroupPlaying(int32_t group) const;
    [[nodiscard]] bool isCuePlaying(CName name) const;
    // Drops every definition and every playing instance of `group`.
    void removeGroupCues(int32_t group);

    // The definition named `name`, or null; no reference handed out.
    [[nodiscard]] SoundCue* findCue(CName name) const;
    [[nodiscard]] uint32_t getPlayingCount() const { return m_playing.size(); }
    [[nodiscard]] SoundCue* getPlayingAt(uint32_t index) const { return m_playing[index].get(); }
    [[nodiscard]] IAudioDevice* getAudioDevice() const { return m_device.get(); }

    // Used by the cues. Whether a new instance of `group` may start; with
    // PolicyStopOldest this fades out the oldest instance of a full group.
    [[nodiscard]] bool admit(int32_t group);
    // Master volume × the group's volume (for groups other than -1).
    [[nodiscard]] float volumeFactor(int32_t group) const;
    // Appends a started instance to the playing list, which takes a reference.
    void addPlaying(SoundCue* instance);
    // Advances every playing instance by `elapsedMs` and drops those that
    // ended, oldest first.
    void update(uint32_t elapsedMs);

    virtual bool onUpdateEvent(CEventUpdate* event);
    virtual bool onAudioDeviceReleased(CEvent* event);
    virtual bool onAudioDeviceCreated(CEvent* event);

    [[nodiscard]] static const CEventHandlerTable& handlerTable();

protected:
    ~CSoundCueManager() override;

private:
    [[nodiscard]] int64_t findPlaying(CName name) const;

    CRefHandle<IAudioDevice> m_device;
    CMap<int32_t, SoundGroup> m_groups;
    CMap<CName, CRefHandle<SoundCue>> m_cues;
    CArray<CRefHandle<SoundCue>> m_playing;
};
