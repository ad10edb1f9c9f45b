#include "engine/core/CEngine.h"

#include "engine/core/CArray.h"
#include "engine/core/CClock.h"
#include "engine/core/CEventRender.h"
#include "engine/core/CEventUpdate.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CUpdateScheduler.h"
#include "engine/core/ITimeSource.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace {

class FakeTime : public ITimeSource {
public:
    [[nodiscard]] uint32_t nowMs() const override { return now; }
    uint32_t now = 1000;
};

// Writes "name:U<elapsed>" and "name:R" for the frame events it receives;
// answers `takes`.
class FrameListener : public CEventReceiver {
public:
    FrameListener(std::string name, std::string* trace, bool takes = false)
        : m_name(std::move(name)), m_trace(trace), m_takes(takes) {
        setMask(CEvent::MaskSystemFlow);
    }

    bool handleEvent(CEvent* event) override {
        if (event->getType() == CEventUpdate::TypeId)
            *m_trace += m_name + "U" + std::to_string(static_cast<CEventUpdate*>(event)->getElapsed()) + " ";
        else
            *m_trace += m_name + "R ";
        if (onEvent)
            onEvent();
        return m_takes;
    }

    std::function<void()> onEvent;

private:
    std::string m_name;
    std::string* m_trace;
    bool m_takes;
};

// A headless engine on a scripted clock, stepped the way the device's run
// step does: stamp the frame, then tick.
class HeadlessEngine {
public:
    HeadlessEngine() : time(new FakeTime), engine(new CEngine(CEngineCreationParams(), time.get())) {
        engine->createServices();
    }

    void step(uint32_t advanceMs, bool update, bool render, uint32_t minInterval, uint32_t maxStep, uint32_t maxLag) {
        time->now += advanceMs;
        engine->getClock()->setFrameTime(engine->getClock()->now());
        engine->tick(update, render, minInterval, maxStep, maxLag);
    }

    CRefHandle<FakeTime> time;
    CRefHandle<CEngine> engine;
};

} // namespace

// Stand-ins for services whose classes live in higher libraries, which this
// test executable never links: the engine only holds and releases them.
class IGraphicsDriver : public virtual CRefCounted {};
class IAudioDevice : public virtual CRefCounted {};
class CContentProcessorsManager : public FrameListener {
    using FrameListener::FrameListener;
};
class CSoundCueManager : public FrameListener {
    using FrameListener::FrameListener;
};

namespace {

class FakeDriver : public IGraphicsDriver {
public:
    explicit FakeDriver(std::string* trace) : m_trace(trace) {}

protected:
    ~FakeDriver() override { *m_trace += "driver "; }

private:
    std::string* m_trace;
};

class FakeAudio : public IAudioDevice {
public:
    explicit FakeAudio(std::string* trace) : m_trace(trace) {}

protected:
    ~FakeAudio() override { *m_trace += "audio "; }

private:
    std::string* m_trace;
};

} // namespace

TEST(CEngine, TickTurnsElapsedTimeIntoUpdatesAndOneRender) {
    struct Step {
        uint32_t advance;
        bool update;
        bool render;
        const char* events;
    };
    const struct {
        const char* what;
        uint32_t minInterval, maxStep, maxLag;
        std::vector<Step> steps;
    } cases[] = {
        {"a 5 s stall gives one capped update", 10, 200, 200, {{5000, true, true, "U200 R "}, {0, true, false, ""}}},
        {"elapsed time splits into maximum steps, the remainder waits",
         5,
         15,
         200,
         {{40, true, true, "U15 U15 R "},
          {5, true, true, "U15 R "},
          {46, true, true, "U15 U15 U15 R "},
          {9, true, true, "U10 R "}}},
        {"an exact maximum step is one update", 5, 15, 200, {{15, true, true, "U15 R "}}},
        {"updates are at least the minimum interval apart",
         10,
         200,
         200,
         {{4, true, true, "R "}, {4, true, false, ""}, {4, true, false, "U12 R "}, {9, true, false, ""}}},
        {"a tick that updates renders without being asked", 10, 200, 200, {{30, true, false, "U30 R "}}},
        {"without updating the clock stands still",
         10,
         200,
         200,
         {{50, true, true, "U50 R "}, {100, false, true, "R "}, {300, false, false, ""}, {20, true, true, "U100 R "}}},
        {"lag beyond the maximum is dropped",
         10,
         100,
         250,
         {{1000, true, true, "U100 U100 R "}, {30, true, true, "U80 R "}}},
        {"a zero step or interval counts as 1 ms", 0, 0, 3, {{3, true, false, "U1 U1 U1 R "}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        HeadlessEngine headless;
        std::string trace;
        CRefHandle<FrameListener> listener(new FrameListener("", &trace));
        ASSERT_TRUE(headless.engine->addListener(listener.get(), 0));
        for (size_t i = 0; i < c.steps.size(); ++i) {
            SCOPED_TRACE("step " + std::to_string(i));
            const Step& step = c.steps[i];
            trace.clear();
            headless.step(step.advance, step.update, step.render, c.minInterval, c.maxStep, c.maxLag);
            EXPECT_EQ(trace, step.events);
        }
    }
}

TEST(CEngine, TickWithoutUpdatesPausesTheClock) {
    HeadlessEngine headless;
    CClock* clock = headless.engine->getClock();
    headless.step(10, false, false, 10, 200, 200);
    EXPECT_TRUE(clock->isPaused());
    headless.step(10, false, false, 10, 200, 200); // a paused clock is not paused twice
    EXPECT_EQ(clock->pauseDepth(), 1);
    headless.step(10, true, false, 10, 200, 200);
    EXPECT_FALSE(clock->isPaused());
}

TEST(CEngine, ListenersHearEventsInPriorityOrderAndTheFirstTakerStopsThem) {
    HeadlessEngine headless;
    std::string trace;
    CRefHandle<FrameListener> scheduler(new FrameListener("sched", &trace));
    CRefHandle<FrameListener> game(new FrameListener("game", &trace));
    CRefHandle<FrameListener> content(new FrameListener("content", &trace));
    CRefHandle<FrameListener> processors(new FrameListener("proc", &trace));
    CEngine& engine = *headless.engine;
    EXPECT_TRUE(engine.addListener(scheduler.get(), 2));
    EXPECT_TRUE(engine.addListener(game.get(), 0));
    EXPECT_TRUE(engine.addListener(content.get(), 1));
    EXPECT_TRUE(engine.addListener(processors.get(), -1));
    EXPECT_FALSE(engine.addListener(content.get(), 5)); // already listening
    EXPECT_FALSE(engine.addListener(nullptr, 0));

    CRefHandle<CEventRender> render(new CEventRender);
    EXPECT_FALSE(engine.postEvent(render.get()));
    EXPECT_EQ(trace, "procR gameR contentR schedR ");

    // The game object consumes updates: the schedulers after it see none.
    trace.clear();
    CRefHandle<FrameListener> consumingGame(new FrameListener("game", &trace, true));
    engine.removeListener(game.get());
    EXPECT_TRUE(engine.addListener(consumingGame.get(), 0));
    CRefHandle<CEventUpdate> update(new CEventUpdate(10));
    EXPECT_TRUE(engine.postEvent(update.get()));
    EXPECT_EQ(trace, "procU10 gameU10 ");
}

TEST(CEngine, EqualPrioritiesKeepTheHeapSortOrder) {
    HeadlessEngine headless;
    std::string trace;
    CRefHandle<FrameListener> a(new FrameListener("a", &trace));
    CRefHandle<FrameListener> b(new FrameListener("b", &trace));
    CRefHandle<FrameListener> c(new FrameListener("c", &trace));
    CRefHandle<CEventRender> render(new CEventRender);
    CEngine& engine = *headless.engine;

    // Each addition re-sorts the whole list; the heap sort swaps equals.
    ASSERT_TRUE(engine.addListener(a.get(), 2));
    ASSERT_TRUE(engine.addListener(b.get(), 2));
    engine.postEvent(render.get());
    EXPECT_EQ(trace, "bR aR ");

    trace.clear();
    ASSERT_TRUE(engine.addListener(c.get(), 2));
    engine.postEvent(render.get());
    EXPECT_EQ(trace, "aR cR bR ");

    // Removal keeps the order of the others.
    trace.clear();
    engine.removeListener(c.get());
    engine.removeListener(c.get());
    engine.postEvent(render.get());
    EXPECT_EQ(trace, "aR bR ");
}

TEST(CEngine, ListenersWhoseMaskLacksTheEventsBitAreSkipped) {
    HeadlessEngine headless;
    std::string trace;
    CRefHandle<FrameListener> deaf(new FrameListener("deaf", &trace));
    deaf->setMask(CEvent::MaskDevice | CEvent::MaskNode);
    CRefHandle<FrameListener> hearing(new FrameListener("hear", &trace));
    ASSERT_TRUE(headless.engine->addListener(deaf.get(), 0));
    ASSERT_TRUE(headless.engine->addListener(hearing.get(), 1));
    headless.step(20, true, true, 10, 200, 200);
    EXPECT_EQ(trace, "hearU20 hearR ");
}

TEST(CEngine, ListenersChangedDuringAPostTakeEffectForTheNextEvent) {
    HeadlessEngine headless;
    CEngine& engine = *headless.engine;
    std::string trace;
    CRefHandle<FrameListener> first(new FrameListener("first", &trace));
    CRefHandle<FrameListener> removed(new FrameListener("removed", &trace));
    CRefHandle<FrameListener> late(new FrameListener("late", &trace));
    ASSERT_TRUE(engine.addListener(first.get(), 0));
    ASSERT_TRUE(engine.addListener(removed.get(), 1));
    first->onEvent = [&] {
        engine.removeListener(removed.get());
        (void)engine.addListener(late.get(), 0);
    };

    CRefHandle<CEventRender> render(new CEventRender);
    engine.postEvent(render.get());
    EXPECT_EQ(trace, "firstR ");

    trace.clear();
    first->onEvent = nullptr;
    engine.postEvent(render.get());
    EXPECT_TRUE(trace == "firstR lateR " || trace == "lateR firstR ") << trace;
}

TEST(CEngine, ConstructionSetsDefaultsSettingsAndLogsTheVersion) {
    LogCapture log;
    CEngineCreationParams params;
    params.width = 1024;
    params.fullScreen = true;
    params.version = "9.9";
    CRefHandle<CEngine> engine(new CEngine(params));
    EXPECT_EQ(log.lines(), std::vector<std::string>{"INF: MRX Game Engine version 0.9.5"});

    EXPECT_EQ(engine->getCreationParams().width, 1024);
    EXPECT_STREQ(engine->getCreationParams().version, "0.9.5");
    EXPECT_TRUE(engine->inFullscreen());
    EXPECT_EQ(engine->getMask(), CEvent::MaskAll);
    EXPECT_EQ(engine->getMinUpdateInterval(), 5u);
    EXPECT_EQ(engine->getMaxUpdateStep(), 15u);
    EXPECT_TRUE(engine->getSetting("PublisherName").equals(u"MRX"));
    EXPECT_TRUE(engine->getSetting("TitleName").equals(u"MRX Title"));
    EXPECT_TRUE(engine->getSetting("TitleCaption").equals(u"MRX Title"));
    EXPECT_TRUE(engine->getSetting("Missing").empty());
    EXPECT_FALSE(engine->hasSetting("Missing"));
    engine->setSetting("TitleName", u"Brindlemoor");
    EXPECT_TRUE(engine->getSetting("TitleName").equals(u"Brindlemoor"));
    EXPECT_NE(engine->getClock(), nullptr);
    ASSERT_NE(engine->getDisplayModes(), nullptr);
    EXPECT_EQ(engine->getDisplayModes()->modes().size(), 0u);
    EXPECT_EQ(engine->getVideoDriver(), nullptr);
    EXPECT_EQ(engine->getFileSystem(), nullptr);

    engine->setMinUpdateInterval(0);
    engine->setMaxUpdateStep(0);
    EXPECT_EQ(engine->getMinUpdateInterval(), 1u);
    EXPECT_EQ(engine->getMaxUpdateStep(), 1u);

    engine->closeDevice();
    EXPECT_TRUE(log.contains("INF: closeDevice() was called"));
    EXPECT_FALSE(engine->run());
    EXPECT_FALSE(engine->openUrl(u"about:blank"));
}

TEST(CEngine, OwnedServicesAreReleasedInOrderAndListenerServicesRegistered) {
    std::string trace;
    {
        CRefHandle<CEngine> engine(new CEngine(CEngineCreationParams()));
        engine->setVideoDriver(new FakeDriver(&trace));
        engine->setAudioDevice(new FakeAudio(&trace));
        FakeDriver* replaced = new FakeDriver(&trace);
        engine->setVideoDriver(replaced); // the first driver goes now
        EXPECT_EQ(trace, "driver ");
        EXPECT_EQ(engine->getVideoDriver(), replaced);
        trace.clear();

        auto* processors = new CContentProcessorsManager("proc", &trace);
        CRefHandle<CSoundCueManager> soundCues(new CSoundCueManager("cues", &trace));
        CRefHandle<FrameListener> game(new FrameListener("game", &trace));
        engine->setContentProcessorsManager(processors); // adopted
        soundCues->addRef();
        engine->setSoundCueManager(soundCues.get());
        EXPECT_FALSE(engine->isListener(processors));
        engine->createServices();
        ASSERT_TRUE(engine->addListener(game.get(), 0));
        CRefHandle<CEventRender> render(new CEventRender);
        engine->postEvent(render.get());
        EXPECT_EQ(trace, "procR gameR cuesR ");
        trace.clear();

        engine->setSoundCueManager(nullptr);
        EXPECT_FALSE(engine->isListener(soundCues.get()));
        EXPECT_EQ(soundCues->referenceCount(), 1);
    }
    // The audio device goes before the video driver.
    EXPECT_EQ(trace, "audio driver ");
}

namespace {

CEngine* createTestEngine(const CEngineCreationParams& params) {
    CEngine* engine = new CEngine(params);
    setEngineInstance(engine);
    return engine;
}

} // namespace

TEST(CEngine, InstanceComesFromTheRegisteredFactoryAndGoesWithTheEngine) {
    setEngineFactory(nullptr);
    {
        LogCapture log;
        EXPECT_EQ(findEngineInstance(), nullptr);
        EXPECT_TRUE(log.lines().empty());
        EXPECT_EQ(getEngineInstance(), nullptr);
        EXPECT_TRUE(log.contains("ERR: Can't create the engine"));
    }
    setEngineFactory(&createTestEngine);
    // Asking whether there is one creates none.
    EXPECT_EQ(findEngineInstance(), nullptr);
    CEngine* engine = getEngineInstance();
    EXPECT_EQ(findEngineInstance(), engine);
    ASSERT_NE(engine, nullptr);
    EXPECT_EQ(getEngineInstance(), engine);
    EXPECT_EQ(engine->getCreationParams().width, 800);
    engine->release();
    setEngineFactory(nullptr);
    EXPECT_EQ(getEngineInstance(), nullptr);

    // Destroying an engine that is not the registered one keeps the registration.
    CRefHandle<CEngine> registered(new CEngine(CEngineCreationParams()));
    setEngineInstance(registered.get());
    CRefHandle<CEngine>(new CEngine(CEngineCreationParams())).reset();
    EXPECT_EQ(getEngineInstance(), registered.get());
    registered.reset();
    setEngineInstance(nullptr);
}

TEST(CEngine, CreatedSchedulerBelongsToTheCaller) {
    CRefHandle<CEngine> engine(new CEngine(CEngineCreationParams()));
    CRefHandle<CUpdateScheduler> scheduler(engine->createScheduler());
    ASSERT_TRUE(scheduler);
    EXPECT_EQ(scheduler->referenceCount(), 1);
    EXPECT_EQ(scheduler->getMask(), CEvent::MaskSystemFlow);
}

TEST(CEngine, GammaRampFollowsGammaBrightnessAndContrast) {
    uint16_t ramp[256];
    CEngine::buildGammaRamp(ramp, 1.0f, 0.0f, 0.0f);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(ramp[i], uint16_t(i * 257)) << i; // trunc(i / 255 * 65535 + 0.5)

    // No exponent: every power is 1, 0 to the power 0 included.
    const struct {
        const char* what;
        float gamma;
        float brightness;
        uint16_t entry;
    } flat[] = {
        {"gamma 0", 0.0f, 0.0f, 65535},
        {"negative gamma", -2.0f, 0.0f, 65535},
        {"not a number", std::nanf(""), 0.0f, 65535},
        {"darker by a quarter", 0.0f, -1.0f, 65535 - 16383},
    };
    for (const auto& c : flat) {
        SCOPED_TRACE(c.what);
        CEngine::buildGammaRamp(ramp, c.gamma, c.brightness, 0.0f);
        EXPECT_EQ(ramp[0], c.entry);
        EXPECT_EQ(ramp[128], c.entry);
        EXPECT_EQ(ramp[255], c.entry);
    }

    CEngine::buildGammaRamp(ramp, 2.2f, 0.0f, 0.0f);
    EXPECT_NEAR(CEngine::estimateGammaFromRamp(ramp), 2.2f, 0.05f);
    CEngine::buildGammaRamp(ramp, 1.0f, 0.0f, 1.0f); // more contrast: saturates at half the range
    EXPECT_EQ(ramp[0], 0);
    EXPECT_EQ(ramp[127], 65278); // trunc(127 / 127.5 * 65535 + 0.5)
    EXPECT_EQ(ramp[200], 65535);
}

TEST(CEngine, GammaRampStaysDefinedForExtremeInputs) {
    // Values that would divide by zero or overflow the integer conversions.
    const struct {
        const char* what;
        float gamma, brightness, contrast;
        uint16_t first, middle, last;
    } cases[] = {
        {"contrast 2 divides by nothing", 1.0f, 0.0f, 2.0f, 0, 65535, 65535},
        {"contrast above 2", 1.0f, 0.0f, 7.0f, 0, 65535, 65535},
        {"huge brightness", 1.0f, 1e30f, 0.0f, 65535, 65535, 65535},
        {"huge darkness", 1.0f, -1e30f, 0.0f, 0, 0, 0},
        {"infinite brightness", 1.0f, INFINITY, 0.0f, 0, 128 * 257, 65535},
        {"contrast not a number", 1.0f, 0.0f, std::nanf(""), 0, 128 * 257, 65535},
        {"tiny gamma", 1e-30f, 0.0f, 0.0f, 0, 0, 65535},
        {"huge gamma", 1e30f, 0.0f, 0.0f, 0, 65535, 65535},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        uint16_t ramp[256];
        CEngine::buildGammaRamp(ramp, c.gamma, c.brightness, c.contrast);
        EXPECT_EQ(ramp[0], c.first);
        EXPECT_EQ(ramp[128], c.middle);
        EXPECT_EQ(ramp[255], c.last);
    }
}

TEST(CEngine, GammaEstimateIsOneWhenTheRampTellsNothing) {
    uint16_t ramp[256];
    for (uint16_t fill : {uint16_t(0), uint16_t(65535)}) {
        for (auto& entry : ramp)
            entry = fill;
        EXPECT_EQ(CEngine::estimateGammaFromRamp(ramp), 1.0f);
    }
}
