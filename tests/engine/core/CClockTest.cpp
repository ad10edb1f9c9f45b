#include "engine/core/CClock.h"

#include "engine/core/CPerformanceCounter.h"
#include "engine/core/CRefHandle.h"

#include <gtest/gtest.h>

namespace {

// Real time as the test scripts it.
class ScriptedTime : public ITimeSource {
public:
    explicit ScriptedTime(uint32_t start) : ms(start) {}
    [[nodiscard]] uint32_t nowMs() const override { return ms; }
    uint32_t ms;
};

// A clock on scripted time, with the device's habit of stamping each step.
class CClockTest : public ::testing::Test {
protected:
    void SetUp() override {
        time = CRefHandle<ScriptedTime>(new ScriptedTime(1000));
        clock = CRefHandle<CClock>(new CClock(time.get()));
    }
    // Real time moves on and the next run step stamps the frame.
    void step(uint32_t ms) {
        time->ms += ms;
        clock->setFrameTime(clock->now());
    }

    CRefHandle<ScriptedTime> time;
    CRefHandle<CClock> clock;
};

} // namespace

TEST_F(CClockTest, StartsAtZeroAndFollowsTheFrameStamps) {
    EXPECT_EQ(clock->now(), 1000u);
    EXPECT_EQ(clock->frameTime(), 1000u);
    EXPECT_EQ(clock->virtualTime(), 0u);
    EXPECT_FALSE(clock->isPaused());
    step(16);
    EXPECT_EQ(clock->virtualTime(), 16u);
    // Real time alone does not move the virtual time; the next stamp does.
    time->ms += 100;
    EXPECT_EQ(clock->virtualTime(), 16u);
    clock->setFrameTime(clock->now());
    EXPECT_EQ(clock->virtualTime(), 116u);
}

TEST_F(CClockTest, PausedTimeNeverEntersTheVirtualTime) {
    step(250);
    clock->pause();
    EXPECT_TRUE(clock->isPaused());
    const uint32_t atPause = clock->virtualTime();
    EXPECT_EQ(atPause, 250u);
    for (int i = 0; i < 10; ++i) {
        step(50);
        EXPECT_EQ(clock->virtualTime(), atPause);
    }
    clock->resume();
    EXPECT_FALSE(clock->isPaused());
    EXPECT_EQ(clock->virtualTime(), atPause);
    step(40);
    EXPECT_EQ(clock->virtualTime(), 290u);
}

TEST_F(CClockTest, PausesNest) {
    step(100);
    clock->pause();
    clock->pause();
    EXPECT_EQ(clock->pauseDepth(), 2);
    step(500);
    clock->resume();
    EXPECT_TRUE(clock->isPaused());
    step(500);
    EXPECT_EQ(clock->virtualTime(), 100u);
    clock->resume();
    EXPECT_FALSE(clock->isPaused());
    step(30);
    EXPECT_EQ(clock->virtualTime(), 130u);
}

TEST_F(CClockTest, AnUnmatchedResumeChangesNothing) {
    step(300);
    clock->resume();
    EXPECT_EQ(clock->pauseDepth(), 0);
    EXPECT_EQ(clock->virtualTime(), 300u);
    step(20);
    EXPECT_EQ(clock->virtualTime(), 320u);
    // The next pause still pauses.
    clock->pause();
    EXPECT_TRUE(clock->isPaused());
    step(1000);
    EXPECT_EQ(clock->virtualTime(), 320u);
}

TEST_F(CClockTest, VirtualTimeRunsOnAcrossTheCounterWrap) {
    time->ms = 0xFFFFFF00u;
    clock = CRefHandle<CClock>(new CClock(time.get()));
    step(0x80);
    clock->pause();
    step(0x1000);
    clock->resume();
    step(0x100);
    EXPECT_EQ(clock->now(), 0x1080u); // wrapped
    EXPECT_EQ(clock->virtualTime(), 0x180u);
}

TEST(CClock, SharesItsTimeSource) {
    CRefHandle<ScriptedTime> time(new ScriptedTime(5));
    {
        CRefHandle<CClock> clock(new CClock(time.get()));
        EXPECT_EQ(time->referenceCount(), 2);
    }
    EXPECT_EQ(time->referenceCount(), 1);
}

TEST(CClock, DefaultClockReadsTheMonotonicCounter) {
    CRefHandle<CClock> clock(new CClock);
    CRefHandle<CPerformanceCounter> counter(new CPerformanceCounter);
    const uint32_t first = clock->now();
    const uint32_t second = counter->nowMs();
    // Both read the same counter, in order, well within a minute.
    EXPECT_LT(second - first, 60000u);
    EXPECT_EQ(clock->virtualTime(), 0u);
}
