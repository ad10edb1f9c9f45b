#include "engine/sound/SoundCue.h"

#include "tests/engine/sound/CueTestSupport.h"

#include <gtest/gtest.h>

#include <set>

TEST(SoundCue, FadesInOverTheUpdates) {
    CueFixture f;
    SoundCue* cue = f.define("Music", -1, 1);
    cue->setVolume(0.8f);
    cue->updateEffectiveVolume();
    SoundCue* instance = f.manager->play(CName("Music"), false, 1000);
    ASSERT_TRUE(instance);
    FakeSound* variant = CueFixture::current(instance);
    EXPECT_EQ(instance->getFadeState(), SoundCue::FadeIn);
    EXPECT_FLOAT_EQ(variant->getVolume(), 0.0f);
    const struct {
        uint32_t step;
        float volume;
        int32_t fade;
    } steps[] = {{250, 0.2f, SoundCue::FadeIn}, {500, 0.6f, SoundCue::FadeIn}, {250, 0.8f, SoundCue::FadeNone}};
    for (const auto& step : steps) {
        f.update(step.step);
        EXPECT_FLOAT_EQ(variant->getVolume(), step.volume);
        EXPECT_EQ(instance->getFadeState(), step.fade);
    }
    EXPECT_EQ(instance->getPlayedMs(), 1000);
}

TEST(SoundCue, FadesOutAndFinishes) {
    CueFixture f;
    f.define("Ambient", 2, 1);
    SoundCue* instance = f.manager->play(CName("Ambient"), false, 0);
    ASSERT_TRUE(instance);
    FakeSound* variant = CueFixture::current(instance);
    f.update(100);
    EXPECT_EQ(instance->stop(400), 0);
    EXPECT_EQ(instance->getFadeState(), SoundCue::FadeOut);
    EXPECT_EQ(instance->getFadePosition(), 400);
    f.update(100);
    EXPECT_FLOAT_EQ(variant->getVolume(), 0.75f);
    EXPECT_TRUE(f.isPlaying(instance));
    f.update(300);
    // The fade ended: the variant stopped and the manager let the instance go.
    EXPECT_EQ(f.manager->getPlayingCount(), 0u);
    // Only the definition's own variant is left.
    EXPECT_EQ(f.board.sounds.size(), 1u);
}

TEST(SoundCue, StopsAtOnceWhenTooYoungOrPaused) {
    const struct {
        const char* what;
        uint32_t played;
        bool paused;
    } rows[] = {{"played 49 ms", 49, false}, {"paused", 200, true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        CueFixture f;
        f.define("Click", -1, 1);
        SoundCue* instance = f.manager->play(CName("Click"), false, 0);
        ASSERT_TRUE(instance);
        f.update(row.played);
        if (row.paused) {
            EXPECT_EQ(instance->pause(true), 0);
        }
        FakeSound* variant = CueFixture::current(instance);
        EXPECT_EQ(instance->stop(1000), 0);
        EXPECT_EQ(instance->getFadeState(), SoundCue::FadeNone);
        EXPECT_EQ(variant->getState(), ISoundInstance::StateStopped);
        EXPECT_EQ(instance->getState(), ISoundInstance::StateStopped);
        EXPECT_EQ(instance->stop(1000), -1);
        EXPECT_EQ(instance->pause(true), -1);
    }
}

TEST(SoundCue, FadeOutDuringAFadeInStartsAtTheLoudnessReached) {
    CueFixture f;
    f.define("Music", -1, 1);
    SoundCue* instance = f.manager->play(CName("Music"), false, 2000);
    ASSERT_TRUE(instance);
    FakeSound* variant = CueFixture::current(instance);
    f.update(1000);
    EXPECT_FLOAT_EQ(variant->getVolume(), 0.5f);
    EXPECT_EQ(instance->stop(1000), 0);
    EXPECT_EQ(instance->getFadePosition(), 500);
    EXPECT_EQ(instance->getFadeLength(), 1000);
    // A second stop while fading out changes nothing.
    EXPECT_EQ(instance->stop(300), 0);
    EXPECT_EQ(instance->getFadeLength(), 1000);
    f.update(100);
    EXPECT_FLOAT_EQ(variant->getVolume(), 0.4f);
}

TEST(SoundCue, LoopingCueNeverRepeatsAVariantTwiceInARow) {
    CueFixture f;
    f.define("Birds", -1, 3, true);
    SoundCue* instance = f.manager->play(CName("Birds"), false, 0);
    ASSERT_TRUE(instance);
    for (int i = 0; i < 300; ++i) {
        FakeSound* variant = CueFixture::current(instance);
        ASSERT_TRUE(variant);
        // With several variants none loops by itself.
        EXPECT_FALSE(variant->isLooping());
        variant->finish();
        f.update(30);
    }
    ASSERT_EQ(f.board.started.size(), 301u);
    std::set<int> used;
    for (size_t i = 0; i < f.board.started.size(); ++i) {
        used.insert(f.board.started[i]);
        if (i > 0) {
            ASSERT_NE(f.board.started[i], f.board.started[i - 1]) << "at " << i;
        }
    }
    EXPECT_EQ(used.size(), 3u);
    EXPECT_TRUE(f.isPlaying(instance));
}

TEST(SoundCue, SingleVariantLoopsByItself) {
    for (bool loop : {true, false}) {
        SCOPED_TRACE(loop);
        CueFixture f;
        f.define("Wind", -1, 1, loop);
        SoundCue* instance = f.manager->play(CName("Wind"), false, 0);
        ASSERT_TRUE(instance);
        FakeSound* variant = CueFixture::current(instance);
        EXPECT_EQ(variant->isLooping(), loop);
        variant->finish();
        f.update(30);
        // The looping one plays on without being started again.
        EXPECT_EQ(f.manager->getPlayingCount(), loop ? 1u : 0u);
        EXPECT_EQ(f.board.started.size(), 1u);
    }
}

TEST(SoundCue, PlayFailsWithoutAVariantThatStarts) {
    CueFixture f;
    f.define("Empty", -1, 0);
    EXPECT_EQ(f.manager->play(CName("Empty"), false, 0), nullptr);
    SoundCue* broken = f.define("Broken", -1, 1);
    static_cast<FakeSound*>(broken->getVariant(0))->setFailsToPlay(true);
    EXPECT_EQ(f.manager->play(CName("Broken"), false, 0), nullptr);
    EXPECT_EQ(f.manager->play(CName("Unknown"), false, 0), nullptr);
    EXPECT_EQ(f.manager->getPlayingCount(), 0u);
    // A definition without a manager plays nothing.
    CRefHandle<SoundCue> loose(new SoundCue(CName("Loose")));
    EXPECT_EQ(loose->play(0), nullptr);
}

TEST(SoundCue, InstancesCopyTheDefinitionAndCloneItsVariants) {
    CueFixture f;
    SoundCue* cue = f.define("Coin", 3, 2, true, true);
    cue->setVolume(0.5f);
    f.manager->setGroupVolume(0.5f, 3);
    SoundCue* instance = f.manager->play(CName("Coin"), false, 0);
    ASSERT_TRUE(instance);
    EXPECT_NE(instance, cue);
    EXPECT_EQ(instance->getName(), CName("Coin"));
    EXPECT_EQ(instance->getGroup(), 3);
    EXPECT_TRUE(instance->isLooping());
    EXPECT_TRUE(instance->tracksPlayStates());
    EXPECT_FLOAT_EQ(instance->getEffectiveVolume(), 0.25f);
    ASSERT_EQ(instance->getVariantCount(), 2u);
    EXPECT_NE(instance->getVariant(0), cue->getVariant(0));
    EXPECT_FLOAT_EQ(instance->getVariant(1)->getVolume(), 0.25f);
    EXPECT_EQ(cue->getState(), ISoundInstance::StateStopped);
}
