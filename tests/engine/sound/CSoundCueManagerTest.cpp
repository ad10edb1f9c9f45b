#include "engine/sound/CSoundCueManager.h"

#include "engine/content/IDeviceServiceEvent.h"
#include "engine/core/CEngine.h"
#include "engine/core/CEngineCreationParams.h"
#include "engine/sound/CEventSoundCueFinished.h"
#include "engine/sound/CNullAudioDevice.h"
#include "tests/engine/sound/CueTestSupport.h"
#include "tests/engine/sound/SoundTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

// Listens to the engine for sound events.
class SoundEventListener : public CEventReceiver {
public:
    SoundEventListener() { setMask(CEvent::MaskSound); }

    bool handleEvent(CEvent* event) override {
        if (event->getType() == CEventSoundCueFinished::TypeId) {
            auto* finished = static_cast<CEventSoundCueFinished*>(event);
            EXPECT_TRUE(event->isKindOf(CEvent::KindSound));
            names.push_back(finished->getCue()->getName().str().c_str());
            if (onFinished)
                onFinished(finished->getCue());
        }
        return false;
    }

    std::vector<std::string> names;
    std::function<void(SoundCue*)> onFinished;
};

// An engine registered for the test's life, with `listener` listening.
struct EngineScope {
    explicit EngineScope(CEventReceiver* listener) : engine(new CEngine(CEngineCreationParams())) {
        setEngineInstance(engine.get());
        EXPECT_TRUE(engine->addListener(listener, 5));
    }
    ~EngineScope() { setEngineInstance(nullptr); }
    CRefHandle<CEngine> engine;
};

} // namespace

TEST(CSoundCueManager, FullGroupWithStopOldestFadesTheOldestOut) {
    CueFixture f;
    f.define("A", 4, 1);
    f.define("B", 4, 1);
    SoundGroup& group = f.manager->getGroup(4);
    group.maxPlaying = 1;
    group.policy = SoundGroup::PolicyStopOldest;
    group.fadeOutMs = 300;
    SoundCue* first = f.manager->play(CName("A"), false, 0);
    ASSERT_TRUE(first);
    f.update(100);
    SoundCue* second = f.manager->play(CName("B"), false, 0);
    ASSERT_TRUE(second);
    EXPECT_EQ(first->getFadeState(), SoundCue::FadeOut);
    EXPECT_EQ(first->getFadeLength(), 300);
    EXPECT_EQ(second->getState(), ISoundInstance::StatePlaying);
    EXPECT_FLOAT_EQ(CueFixture::current(second)->getVolume(), 1.0f);
    f.update(150);
    EXPECT_TRUE(f.isPlaying(first));
    f.update(150);
    EXPECT_FALSE(f.isPlaying(first));
    EXPECT_EQ(f.manager->getPlayingCount(), 1u);
    // The one fading out no longer counts: a third play fades the second.
    ASSERT_TRUE(f.manager->play(CName("A"), false, 0));
    EXPECT_EQ(second->getFadeState(), SoundCue::FadeOut);
}

TEST(CSoundCueManager, FullGroupRefusesOrPlaysAnywayByPolicy) {
    const struct {
        int32_t policy;
        bool fifthPlays;
    } rows[] = {{SoundGroup::PolicyRefuse, false}, {7, true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.policy);
        CueFixture f;
        f.define("Step", 2, 2);
        f.manager->getGroup(2).maxPlaying = 4;
        f.manager->getGroup(2).policy = row.policy;
        for (int i = 0; i < 4; ++i)
            ASSERT_TRUE(f.manager->play(CName("Step"), false, 0));
        EXPECT_EQ(f.manager->play(CName("Step"), false, 0) != nullptr, row.fifthPlays);
        // Ended instances leave room again.
        for (uint32_t i = 0; i < f.manager->getPlayingCount(); ++i)
            CueFixture::current(f.manager->getPlayingAt(i))->finish();
        f.update(10);
        EXPECT_EQ(f.manager->getPlayingCount(), 0u);
        EXPECT_TRUE(f.manager->play(CName("Step"), false, 0));
    }
}

TEST(CSoundCueManager, UniquePlayRefusesACueThatSounds) {
    CueFixture f;
    f.define("Music", 1, 1);
    ASSERT_TRUE(f.manager->play(CName("Music"), true, 0));
    EXPECT_EQ(f.manager->play(CName("Music"), true, 0), nullptr);
    EXPECT_TRUE(f.manager->play(CName("Music"), false, 0));
    EXPECT_TRUE(f.manager->isCuePlaying(CName("Music")));
    EXPECT_TRUE(f.manager->isGroupPlaying(1));
    EXPECT_FALSE(f.manager->isGroupPlaying(2));
}

TEST(CSoundCueManager, GroupVolumesScaleAndSilence) {
    CueFixture f;
    f.define("Fx", 3, 1);
    f.define("Voice", 5, 1);
    SoundCue* fx = f.manager->play(CName("Fx"), false, 0);
    SoundCue* voice = f.manager->play(CName("Voice"), false, 0);
    ASSERT_TRUE(fx && voice);
    f.manager->setGroupVolume(0.5f, -1);
    EXPECT_FLOAT_EQ(CueFixture::current(fx)->getVolume(), 0.5f);
    EXPECT_FLOAT_EQ(CueFixture::current(voice)->getVolume(), 0.5f);
    f.manager->setGroupVolume(0.0f, 3);
    EXPECT_FLOAT_EQ(f.manager->getGroupVolume(3), 0.0f);
    EXPECT_FLOAT_EQ(CueFixture::current(fx)->getVolume(), 0.0f);
    EXPECT_FLOAT_EQ(CueFixture::current(voice)->getVolume(), 0.5f);
    EXPECT_EQ(f.manager->play(CName("Fx"), false, 0), nullptr);
    f.manager->setGroupVolume(0.5f, 3);
    EXPECT_FLOAT_EQ(CueFixture::current(fx)->getVolume(), 0.25f);
    EXPECT_FLOAT_EQ(f.manager->findCue(CName("Fx"))->getEffectiveVolume(), 0.25f);
}

TEST(CSoundCueManager, VolumeChangeDuringAFadeKeepsTheFade) {
    CueFixture f;
    f.define("Music", 1, 1);
    SoundCue* music = f.manager->play(CName("Music"), false, 1000);
    ASSERT_TRUE(music);
    f.update(500);
    f.manager->setGroupVolume(0.5f, 1);
    EXPECT_FLOAT_EQ(CueFixture::current(music)->getVolume(), 0.25f);
}

TEST(CSoundCueManager, PausedGroupsHoldNewInstancesToo) {
    CueFixture f;
    f.define("Fx", 3, 1);
    f.define("Other", 4, 1);
    SoundCue* before = f.manager->play(CName("Fx"), false, 0);
    SoundCue* other = f.manager->play(CName("Other"), false, 0);
    f.manager->pauseGroup(true, 3);
    EXPECT_EQ(before->getState(), ISoundInstance::StatePaused);
    EXPECT_EQ(other->getState(), ISoundInstance::StatePlaying);
    SoundCue* after = f.manager->play(CName("Fx"), false, 0);
    ASSERT_TRUE(after);
    EXPECT_EQ(after->getState(), ISoundInstance::StatePaused);
    f.manager->pauseGroup(false, 3);
    EXPECT_EQ(after->getState(), ISoundInstance::StatePlaying);
    // The master group pauses everything and stores nothing.
    f.manager->pauseGroup(true, -1);
    EXPECT_EQ(other->getState(), ISoundInstance::StatePaused);
    EXPECT_FALSE(f.manager->getGroup(-1).paused);
    EXPECT_EQ(f.manager->play(CName("Other"), false, 0)->getState(), ISoundInstance::StatePlaying);
}

TEST(CSoundCueManager, StopTakesTheGroupFadeOutAndStopGroupStopsAtOnce) {
    CueFixture f;
    f.define("Music", 1, 1);
    f.define("Fx", 2, 1);
    f.manager->getGroup(1).fadeOutMs = 800;
    SoundCue* music = f.manager->play(CName("Music"), false, 0);
    SoundCue* fx = f.manager->play(CName("Fx"), false, 0);
    f.update(100);
    f.manager->stop(CName("Music"), 0);
    EXPECT_EQ(music->getFadeLength(), 800);
    f.manager->stop(CName("Nothing"), 0);
    f.manager->stopGroup(2);
    EXPECT_EQ(fx->getState(), ISoundInstance::StateStopped);
    EXPECT_EQ(music->getFadeState(), SoundCue::FadeOut);
    f.manager->stopGroup(-1);
    EXPECT_EQ(music->getState(), ISoundInstance::StateStopped);
    f.update(10);
    EXPECT_EQ(f.manager->getPlayingCount(), 0u);
}

TEST(CSoundCueManager, AnnouncesFinishedTrackedCuesToTheEngine) {
    SoundEventListener listener;
    EngineScope scope(&listener);
    CueFixture f;
    f.define("Tracked", -1, 1, false, true);
    f.define("Quiet", -1, 1);
    SoundCue* tracked = f.manager->play(CName("Tracked"), false, 0);
    SoundCue* quiet = f.manager->play(CName("Quiet"), false, 0);
    ASSERT_TRUE(tracked && quiet);
    f.update(30);
    EXPECT_TRUE(listener.names.empty());
    CueFixture::current(quiet)->finish();
    CueFixture::current(tracked)->finish();
    f.update(30);
    EXPECT_EQ(listener.names, std::vector<std::string>{"Tracked"});
    EXPECT_EQ(f.manager->getPlayingCount(), 0u);
}

TEST(CSoundCueManager, SurvivesHandlersThatChangeThePlayingList) {
    SoundEventListener listener;
    EngineScope scope(&listener);
    CueFixture f;
    f.define("Intro", 1, 1, false, true);
    f.define("Loop", 2, 1, true);
    f.define("Other", 3, 1, false, true);
    // Playing the next music and dropping a group from inside the event.
    listener.onFinished = [&](SoundCue* cue) {
        if (cue->getName() == CName("Intro")) {
            EXPECT_TRUE(f.manager->play(CName("Loop"), false, 0));
            f.manager->removeGroupCues(3);
        }
    };
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(f.manager->play(CName("Other"), false, 0));
    SoundCue* intro = f.manager->play(CName("Intro"), false, 0);
    ASSERT_TRUE(intro);
    CueFixture::current(intro)->finish();
    f.update(30);
    EXPECT_EQ(listener.names, std::vector<std::string>{"Intro"});
    ASSERT_EQ(f.manager->getPlayingCount(), 1u);
    EXPECT_EQ(f.manager->getPlayingAt(0)->getName(), CName("Loop"));
    EXPECT_EQ(f.manager->findCue(CName("Other")), nullptr);
}

TEST(CSoundCueManager, RemovesTheCuesOfAGroup) {
    CueFixture f;
    f.define("Level1", 7, 1);
    f.define("Level2", 7, 1);
    f.define("Menu", 1, 1);
    SoundCue* kept = f.manager->play(CName("Menu"), false, 0);
    CRefHandle<SoundCue> held = CRefHandle<SoundCue>::share(f.manager->play(CName("Level1"), false, 0));
    ASSERT_TRUE(held);
    f.manager->removeGroupCues(7);
    EXPECT_EQ(f.manager->findCue(CName("Level1")), nullptr);
    EXPECT_EQ(f.manager->findCue(CName("Level2")), nullptr);
    EXPECT_NE(f.manager->findCue(CName("Menu")), nullptr);
    EXPECT_EQ(f.manager->getPlayingCount(), 1u);
    EXPECT_EQ(f.manager->getPlayingAt(0), kept);
    // An instance held elsewhere no longer reaches the manager.
    EXPECT_EQ(held->getManager(), nullptr);
    EXPECT_EQ(f.manager->play(CName("Level1"), false, 0), nullptr);
}

TEST(CSoundCueManager, KeepsOneCuePerName) {
    CueFixture f;
    SoundCue* first = f.define("Click", 1, 1);
    CRefHandle<SoundCue> second(new SoundCue(CName("Click")));
    EXPECT_FALSE(f.manager->addCue(second.get()));
    EXPECT_EQ(second->getManager(), nullptr);
    EXPECT_EQ(f.manager->findCue(CName("Click")), first);
    EXPECT_FALSE(f.manager->addCue(nullptr));
}

TEST(CSoundCueManager, FollowsTheAudioDeviceThroughDeviceEvents) {
    CRefHandle<CNullAudioDevice> device(new CNullAudioDevice(nullptr, nullptr));
    CRefHandle<CSoundCueManager> manager(new CSoundCueManager(device.get()));
    EXPECT_EQ(manager->getAudioDevice(), device.get());
    CRefHandle<DeviceEvent> released(new DeviceEvent(IDeviceServiceEvent::AudioDeviceReleased, nullptr));
    EXPECT_FALSE(manager->handleEvent(released.get()));
    EXPECT_EQ(manager->getAudioDevice(), nullptr);
    CRefHandle<CNullAudioDevice> next(new CNullAudioDevice(nullptr, nullptr));
    CRefHandle<DeviceEvent> created(new DeviceEvent(IDeviceServiceEvent::AudioDeviceCreated, next.get()));
    EXPECT_FALSE(manager->handleEvent(created.get()));
    EXPECT_EQ(manager->getAudioDevice(), next.get());
}

TEST(CSoundCueManager, InstancesOutliveTheirManagerSafely) {
    CueFixture f;
    f.define("Music", 1, 1);
    CRefHandle<SoundCue> held = CRefHandle<SoundCue>::share(f.manager->play(CName("Music"), false, 0));
    ASSERT_TRUE(held);
    f.manager.reset();
    EXPECT_EQ(held->getManager(), nullptr);
    EXPECT_EQ(held->stop(0), 0);
}
