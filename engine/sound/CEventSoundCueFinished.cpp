#include "engine/sound/CEventSoundCueFinished.h"

#include "engine/sound/SoundCue.h"

CEventSoundCueFinished::CEventSoundCueFinished(SoundCue* cue)
    : CEvent(MaskSound), m_cue(CRefHandle<SoundCue>::share(cue)) {}

CEventSoundCueFinished::~CEventSoundCueFinished() = default;

bool CEventSoundCueFinished::isKindOf(int32_t id) const { return id == KindSound || CEvent::isKindOf(id); }
