#include "engine/sound/CBufferedSound.h"

#include "engine/core/CObjectName.h"
#include "engine/sound/COpenALAudioDevice.h"
#include "engine/sound/COpenALBuffer.h"
#include "tests/engine/sound/SoundTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

// A mono 16-bit tone of `seconds` made by sox, as a buffered sound.
CRefHandle<CBufferedSound> toneSound(COpenALAudioDevice* device, const TempDir& dir, double seconds, int frequency) {
    const auto path =
        makeToneWav(dir.path(), "tone" + std::to_string(frequency) + ".wav", 44100, 1, 16, seconds, frequency);
    CRefHandle<IReadableFile> file = memoryFile(readAllBytes(path), "tone.wav");
    auto* sound = dynamic_cast<CBufferedSound*>(device->createSound(file.get(), CObjectName()));
    EXPECT_TRUE(sound);
    return CRefHandle<CBufferedSound>(sound);
}

} // namespace

TEST(CBufferedSound, PlaysAToneThroughTheMixer) {
    TempDir dir;
    CRefHandle<COpenALAudioDevice> device = makeLoopbackDevice();
    ASSERT_TRUE(device);
    CRefHandle<CBufferedSound> sound = toneSound(device.get(), dir, 0.5, 441);
    ASSERT_TRUE(sound);
    EXPECT_LT(leftRms(render(device.get(), 4410)), 1.0);

    ASSERT_TRUE(sound->play());
    EXPECT_EQ(sound->getState(), ISoundInstance::StatePlaying);
    settle(device.get());
    const std::vector<int16_t> loud = render(device.get(), 4410);
    const double level = leftRms(loud);
    EXPECT_GT(level, 3000.0);
    // 441 Hz over 0.1 s: 44 periods, 88 sign changes.
    EXPECT_NEAR(leftZeroCrossings(loud), 88, 3);

    sound->setVolume(0.25f);
    settle(device.get());
    EXPECT_NEAR(leftRms(render(device.get(), 4410)), level * 0.25, level * 0.05);

    sound->pause(true);
    EXPECT_EQ(sound->getState(), ISoundInstance::StatePaused);
    settle(device.get());
    EXPECT_LT(leftRms(render(device.get(), 4410)), 1.0);
    sound->pause(false);
    EXPECT_EQ(sound->getState(), ISoundInstance::StatePlaying);

    // The rest of the half second, then silence and the stopped state.
    (void)render(device.get(), 44100);
    EXPECT_EQ(sound->getState(), ISoundInstance::StateStopped);
    EXPECT_LT(leftRms(render(device.get(), 4410)), 1.0);
    // Resuming a sound that has ended does not start it over.
    sound->pause(false);
    EXPECT_EQ(sound->getState(), ISoundInstance::StateStopped);
}

TEST(CBufferedSound, LoopsWithoutAGap) {
    TempDir dir;
    CRefHandle<COpenALAudioDevice> device = makeLoopbackDevice();
    ASSERT_TRUE(device);
    // 0.05 s of 420 Hz: 21 whole periods, so the loop has no seam.
    CRefHandle<CBufferedSound> sound = toneSound(device.get(), dir, 0.05, 420);
    ASSERT_TRUE(sound);
    sound->setLooping(true);
    ASSERT_TRUE(sound->play());
    settle(device.get());
    const std::vector<int16_t> out = render(device.get(), 22050);
    EXPECT_EQ(sound->getState(), ISoundInstance::StatePlaying);
    EXPECT_NEAR(leftZeroCrossings(out), 420, 2);
    EXPECT_GT(leftRms(std::vector<int16_t>(out.end() - 2205, out.end())), 3000.0);
}

TEST(CBufferedSound, HoldsASourceOnlyWhilePlaying) {
    TempDir dir;
    CRefHandle<COpenALAudioDevice> device = makeLoopbackDevice();
    ASSERT_TRUE(device);
    CRefHandle<CBufferedSound> sound = toneSound(device.get(), dir, 0.2, 441);
    ASSERT_TRUE(sound);
    const uint32_t free = device->freeSourceCount();
    ASSERT_TRUE(sound->play());
    EXPECT_NE(sound->getSource(), 0u);
    EXPECT_EQ(device->freeSourceCount(), free - 1);
    ASSERT_TRUE(sound->play());
    EXPECT_EQ(device->freeSourceCount(), free - 1);
    sound->stop();
    EXPECT_EQ(sound->getSource(), 0u);
    EXPECT_EQ(device->freeSourceCount(), free);
    EXPECT_EQ(sound->getState(), ISoundInstance::StateStopped);
    ASSERT_TRUE(sound->play());
    sound.reset();
    EXPECT_EQ(device->freeSourceCount(), free);
}

TEST(CBufferedSound, ClonesShareOneBufferUntilTheLastGoes) {
    TempDir dir;
    CRefHandle<COpenALAudioDevice> device = makeLoopbackDevice();
    ASSERT_TRUE(device);
    const uint32_t freeBuffers = device->freeBufferCount();
    CRefHandle<CBufferedSound> sound = toneSound(device.get(), dir, 0.2, 441);
    ASSERT_TRUE(sound);
    EXPECT_EQ(device->freeBufferCount(), freeBuffers - 1);
    sound->setVolume(0.5f);
    sound->setLooping(true);
    CRefHandle<CBufferedSound> copy(static_cast<CBufferedSound*>(sound->clone()));
    EXPECT_EQ(copy->getBuffer(), sound->getBuffer());
    EXPECT_EQ(copy->getVolume(), 0.5f);
    EXPECT_TRUE(copy->isLooping());
    EXPECT_EQ(device->freeBufferCount(), freeBuffers - 1);
    sound.reset();
    EXPECT_EQ(device->freeBufferCount(), freeBuffers - 1);
    copy.reset();
    EXPECT_EQ(device->freeBufferCount(), freeBuffers);
}
