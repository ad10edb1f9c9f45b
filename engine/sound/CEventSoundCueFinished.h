#pragma once

#include "engine/core/CEvent.h"
#include "engine/core/CRefHandle.h"

#include <cstdint>

class SoundCue;

// A playing sound cue instance has ended. Posted to the engine for cues that
// track their play states; a sound event.
class CEventSoundCueFinished : public CEvent {
public:
    static constexpr int32_t TypeId = 87;

    // Takes a reference to `cue`.
    explicit CEventSoundCueFinished(SoundCue* cue);

    [[nodiscard]] int32_t getType() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override;

    // The finished instance; no reference handed out.
    [[nodiscard]] SoundCue* getCue() const { return m_cue.get(); }

protected:
    ~CEventSoundCueFinished() override;

private:
    CRefHandle<SoundCue> m_cue;
};
