#pragma once

#include "engine/core/CEventUpdate.h"
#include "engine/core/CName.h"
#include "engine/core/CRefHandle.h"
#include "engine/sound/CSoundCueManager.h"
#include "engine/sound/SoundCue.h"
#include "tests/engine/sound/FakeSound.h"

#include <gtest/gtest.h>

// A sound-cue manager with cues made of fake sounds.
struct CueFixture {
    FakeSound::Board board;
    CRefHandle<CSoundCueManager> manager{new CSoundCueManager(nullptr)};

    // Registers a cue named `name` whose variants are fakes with ids 0, 1, ...
    SoundCue* define(const char* name, int32_t group, int variants, bool loop = false, bool track = false) {
        CRefHandle<SoundCue> cue(new SoundCue(CName(name)));
        cue->setGroup(group);
        cue->setLooping(loop);
        cue->setTrackPlayStates(track);
        for (int i = 0; i < variants; ++i) {
            CRefHandle<FakeSound> sound(new FakeSound(&board, i));
            cue->addVariant(sound.get());
        }
        EXPECT_TRUE(manager->addCue(cue.get()));
        return cue.get();
    }

    // The sounding variant of a playing instance.
    static FakeSound* current(SoundCue* instance) {
        if (instance->getCurrentVariant() < 0)
            return nullptr;
        return static_cast<FakeSound*>(instance->getVariant(uint32_t(instance->getCurrentVariant())));
    }

    // An update event of `ms` through the manager's event table.
    void update(uint32_t ms) {
        CRefHandle<CEventUpdate> event(new CEventUpdate(ms));
        EXPECT_FALSE(manager->handleEvent(event.get()));
    }

    [[nodiscard]] bool isPlaying(SoundCue* instance) const {
        for (uint32_t i = 0; i < manager->getPlayingCount(); ++i)
            if (manager->getPlayingAt(i) == instance)
                return true;
        return false;
    }
};
