#pragma once

#include "engine/core/CName.h"

#include <cstdint>

// The sound cues the game's files share; sound packs define cues of these
// names and the screens play them through the engine's sound-cue manager.
enum class GSoundCue : uint8_t {
    ObjectivesWindow,
    TutorialWindow,
    ButtonMissed,
    ButtonClick,
    ButtonOver,
    ObjFound,
    ComicsMusic,
    MenuMusic,
    MainMenuAmbient,
    Building,
    Upgrading,
    Destroying,
    FeatureCommercial,
    FeatureFactory,
    TimedActionEnd,
    AlmostEnd,
    TimeOver,
    LevelCompleted,
    Income,
    MaterialsDelivered,
    WorkersTrained,
    Broken,
    MoneyLetter,
    SoundVolumeChange,
};

inline constexpr uint32_t kSoundCueCount = 24;

// The cue's interned name, built once on first use.
[[nodiscard]] CName soundCueName(GSoundCue cue);
