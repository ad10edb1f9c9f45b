#include "engine/video/CFrameCounter.h"

#include "engine/core/CClock.h"
#include "engine/core/CEngineCreationParams.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/ITimeSource.h"
#include "tests/support/CRecordingGraphicsDriver.h"

#include <gtest/gtest.h>

namespace {

class ScriptedTime : public ITimeSource {
public:
    explicit ScriptedTime(uint32_t start) : ms(start) {}
    [[nodiscard]] uint32_t nowMs() const override { return ms; }
    uint32_t ms;
};

} // namespace

TEST(CFrameCounterTest, RatesOfTheLastFinishedInterval) {
    CFrameCounter counter;
    counter.start(0);
    // 89 frames of 10 primitives at 16 ms: the interval is not yet over.
    uint32_t now = 0;
    for (int i = 0; i < 89; ++i)
        counter.registerFrame(now += 16, 10);
    EXPECT_EQ(now, 1424u);
    EXPECT_EQ(counter.framesPerSecond(), 60u);
    EXPECT_EQ(counter.primitivesPerSecond(), 0u);
    EXPECT_EQ(counter.primitivesLastFrame(), 10u);
    EXPECT_EQ(counter.primitivesTotal(), 890u);

    // The 90th frame ends at 1,440 ms; 1,504 ms after start the interval ends:
    // 94 frames in 1,504 ms are 62.5 per second, rounded up to 63.
    counter.registerFrame(now += 16, 10);
    counter.registerFrame(now += 16, 10);
    counter.registerFrame(now += 16, 10);
    counter.registerFrame(now += 16, 10);
    EXPECT_EQ(counter.framesPerSecond(), 60u);
    counter.registerFrame(now = 1504, 30);
    EXPECT_EQ(counter.framesPerSecond(), 63u);
    // 960 primitives in 1,504 ms: 638.3, rounded up.
    EXPECT_EQ(counter.primitivesPerSecond(), 639u);
    EXPECT_EQ(counter.primitivesLastFrame(), 30u);
    EXPECT_EQ(counter.primitivesTotal(), 960u);

    // The next interval starts from 1,504: one slow frame of 3 s.
    counter.registerFrame(4504, 3);
    EXPECT_EQ(counter.framesPerSecond(), 1u);
    EXPECT_EQ(counter.primitivesPerSecond(), 1u);
    EXPECT_EQ(counter.primitivesTotal(), 963u);
}

TEST(CFrameCounterTest, ClockWrapIsAnUnsignedDifference) {
    CFrameCounter counter;
    counter.start(0xFFFFFF00u);
    counter.registerFrame(0xFFFFFFF0u, 1);
    counter.registerFrame(100, 1); // 356 ms after start
    EXPECT_EQ(counter.framesPerSecond(), 60u);
    counter.registerFrame(0xFFFFFF00u + 2000, 1);
    EXPECT_EQ(counter.framesPerSecond(), 2u); // 3 frames in 2 s: 1.5, rounded up
}

TEST(CFrameCounterTest, DriverFeedsItsFramesFromTheClock) {
    CRefHandle<ScriptedTime> time(new ScriptedTime(50000));
    CRefHandle<CClock> clock(new CClock(time.get()));
    CRefHandle<CRecordingGraphicsDriver> driver(CRecordingGraphicsDriver::create(CEngineCreationParams(), clock.get()));
    BatchVertex quad[4];
    // 30 frames of 2 primitives, 50 ms apart: 1,500 ms after the driver was
    // made the first rates appear, and not before.
    for (int frame = 1; frame <= 30; ++frame) {
        time->ms += 50;
        EXPECT_TRUE(driver->beginFrame(true, true, CColor(), nullptr, nullptr));
        driver->drawPrimitives(quad, 4, nullptr, 2, VertexType::Batch, IndexType::Bits16, PrimitiveType::TriangleFan);
        EXPECT_TRUE(driver->endFrame());
        if (frame < 30) {
            EXPECT_EQ(driver->framesPerSecond(), 60) << frame;
        }
    }
    EXPECT_EQ(driver->framesPerSecond(), 20);
    EXPECT_EQ(driver->primitiveCount(1), 40u);
    EXPECT_EQ(driver->primitiveCount(0), 2u);
    EXPECT_EQ(driver->primitiveCount(7), 60u);
}
