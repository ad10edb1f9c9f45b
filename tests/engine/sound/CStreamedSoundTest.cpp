#include "engine/sound/CStreamedSound.h"

#include "engine/core/CEventUpdate.h"
#include "engine/core/CObjectName.h"
#include "engine/core/CThread.h"
#include "engine/sound/COpenALAudioDevice.h"
#include "engine/sound/ISoundDecoder.h"
#include "tests/engine/sound/SoundTestSupport.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestSupport.h"

#include <AL/al.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

namespace {

void postUpdate(COpenALAudioDevice* device) {
    CRefHandle<CEventUpdate> event(new CEventUpdate(30));
    (void)device->handleEvent(event.get());
}

CRefHandle<CStreamedSound> streamedSound(COpenALAudioDevice* device, const std::vector<uint8_t>& wav) {
    device->setStreamingThreshold(0);
    CRefHandle<IReadableFile> file = memoryFile(wav, "stream.wav");
    auto* sound = dynamic_cast<CStreamedSound*>(device->createSound(file.get(), CObjectName()));
    EXPECT_TRUE(sound);
    return CRefHandle<CStreamedSound>(sound);
}

// Renders in 50 ms blocks with an update step before each, as the engine
// would, until `frames` have been mixed; answers the left-channel level of
// each block.
std::vector<double> playOut(COpenALAudioDevice* device, uint32_t frames) {
    std::vector<double> levels;
    for (uint32_t done = 0; done < frames; done += 2205) {
        postUpdate(device);
        levels.push_back(leftRms(render(device, 2205)));
    }
    return levels;
}

// A decoder of silence whose reads, once armed, wait until the test opens
// the gate: the test acts while the update step is inside the decoder.
class GatedDecoder : public ISoundDecoder {
public:
    explicit GatedDecoder(std::atomic<bool>* destroyed) : m_destroyed(destroyed) {
        m_channels = 2;
        m_sampleRate = 44100;
        m_format = FormatStereo16;
        m_totalFrames = 44100 * 60;
    }

    uint32_t readFrames(void* buffer, uint32_t frames) override {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (m_armed) {
            m_armed = false;
            m_entered = true;
            m_changed.notify_all();
            // Bounded, so that a step that holds up the main thread fails
            // the test instead of hanging it.
            m_changed.wait_for(lock, std::chrono::seconds(10), [this] { return m_open; });
            m_sawCallsDone = m_callsDone;
            m_passed = true;
            m_changed.notify_all();
        }
        std::memset(buffer, 0, size_t(frames) * bytesPerFrame());
        return frames;
    }

    void arm() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_armed = true;
        m_entered = m_open = m_callsDone = m_sawCallsDone = m_passed = false;
    }
    void waitUntilEntered() {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return m_entered; });
    }
    // The test's calls have returned; the decoder may finish.
    void open() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_callsDone = m_open = true;
        m_changed.notify_all();
    }
    // Once the waiting read has gone on: whether the calls had returned
    // before it did.
    [[nodiscard]] bool callsReturnedWhileDecoding() {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return m_passed; });
        return m_sawCallsDone;
    }

protected:
    ~GatedDecoder() override { *m_destroyed = true; }

private:
    std::atomic<bool>* m_destroyed;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_armed = false;
    bool m_entered = false;
    bool m_open = false;
    bool m_callsDone = false;
    bool m_sawCallsDone = false;
    bool m_passed = false;
};

} // namespace

// A music stream starting must not hold up the main thread: its calls and
// the destruction of a sound return while the update thread decodes.
TEST(CStreamedSound, MainThreadCallsDoNotWaitForDecoding) {
    CRefHandle<COpenALAudioDevice> device = makeLoopbackDevice(true);
    ASSERT_TRUE(device);
    const uint32_t freeSources = device->freeSourceCount();
    const uint32_t freeBuffers = device->freeBufferCount();
    std::atomic<bool> destroyed{false};
    auto* decoder = new GatedDecoder(&destroyed);
    CRefHandle<CStreamedSound> sound(new CStreamedSound(device.get(), decoder, CObjectName(), 2205));
    decoder->release(); // the sound holds it now

    decoder->arm();
    ASSERT_TRUE(sound->play());
    decoder->waitUntilEntered();
    EXPECT_EQ(sound->getState(), ISoundInstance::StatePlaying);
    sound->setVolume(0.5f);
    EXPECT_EQ(sound->getVolume(), 0.5f);
    sound->pause(true);
    sound->pause(false);
    sound->setLooping(true);
    sound->stop();
    EXPECT_TRUE(sound->play());
    decoder->open();
    EXPECT_TRUE(decoder->callsReturnedWhileDecoding());

    // The same while the sound goes away: the decoder outlives it until the
    // step is done, and the main thread lets it go.
    for (int i = 0; i < 100 && device->pendingSoundCount() + device->activeSoundCount() == 0; ++i)
        sleepMilliseconds(5);
    decoder->arm();
    sound->stop();
    ASSERT_TRUE(sound->play());
    decoder->waitUntilEntered();
    sound.reset();
    EXPECT_FALSE(destroyed);
    decoder->open();
    EXPECT_TRUE(decoder->callsReturnedWhileDecoding());
    for (int i = 0; i < 400 && !destroyed; ++i) {
        postUpdate(device.get());
        sleepMilliseconds(5);
    }
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(device->freeSourceCount(), freeSources);
    EXPECT_EQ(device->freeBufferCount(), freeBuffers);
}

// Pausing a stream whose queue has run dry (the source stopped by itself)
// holds: refills queue data but do not start it until it is resumed.
TEST(CStreamedSound, PausedAfterItsQueueRanDryStaysPausedAcrossRefills) {
    TempDir dir;
    CRefHandle<COpenALAudioDevice> device = makeLoopbackDevice();
    ASSERT_TRUE(device);
    CRefHandle<CStreamedSound> sound =
        streamedSound(device.get(), readAllBytes(makeToneWav(dir.path(), "t.wav", 44100, 1, 16, 4.0, 441)));
    ASSERT_TRUE(sound && sound->play());
    postUpdate(device.get());
    // Four buffers of half a second each play out with no refill between.
    (void)render(device.get(), COpenALAudioDevice::StreamBufferFrames * CStreamedSound::QueueLength + 4410);
    ALint state = AL_PLAYING;
    alGetSourcei(ALuint(sound->getSource()), AL_SOURCE_STATE, &state);
    ASSERT_EQ(state, AL_STOPPED);

    sound->pause(true);
    for (int i = 0; i < 3; ++i) {
        postUpdate(device.get());
        EXPECT_LT(leftRms(render(device.get(), 4410)), 1.0) << "refill " << i;
        EXPECT_EQ(sound->getState(), ISoundInstance::StatePaused);
    }
    sound->pause(false);
    EXPECT_GT(leftRms(render(device.get(), 4410)), 3000.0);
    EXPECT_EQ(sound->getState(), ISoundInstance::StatePlaying);
}

TEST(CStreamedSound, PlaysAFileLongerThanItsQueueToTheEnd) {
    TempDir dir;
    CRefHandle<COpenALAudioDevice> device = makeLoopbackDevice();
    ASSERT_TRUE(device);
    // 2.5 s: five buffers of 22050 frames, so processed buffers are refilled.
    const auto path = makeToneWav(dir.path(), "long.wav", 44100, 1, 16, 2.5, 441);
    CRefHandle<CStreamedSound> sound = streamedSound(device.get(), readAllBytes(path));
    ASSERT_TRUE(sound && sound->play());
    EXPECT_EQ(sound->getState(), ISoundInstance::StatePlaying);

    const std::vector<double> levels = playOut(device.get(), 44100 * 3);
    // Every block of the 2.5 s sounds, block 50 onwards is silent: no gap
    // where a buffer was refilled, nothing after the end.
    for (size_t i = 1; i < 49; ++i)
        EXPECT_GT(levels[i], 3000.0) << "block " << i;
    for (size_t i = 51; i < levels.size(); ++i)
        EXPECT_LT(levels[i], 1.0) << "block " << i;
    // Once the queue has drained, the sound stops itself and keeps its source.
    EXPECT_EQ(sound->getState(), ISoundInstance::StateStopped);
    EXPECT_NE(sound->getSource(), 0u);
}

TEST(CStreamedSound, LoopsAShortSoundByRewinding) {
    TempDir dir;
    CRefHandle<COpenALAudioDevice> device = makeLoopbackDevice();
    ASSERT_TRUE(device);
    // 0.1 s, far shorter than one buffer.
    CRefHandle<CStreamedSound> sound =
        streamedSound(device.get(), readAllBytes(makeToneWav(dir.path(), "short.wav", 44100, 1, 16, 0.1, 441)));
    ASSERT_TRUE(sound);
    sound->setLooping(true);
    ASSERT_TRUE(sound->play());
    postUpdate(device.get());
    // All four buffers are queued, each filled completely.
    ALint queued = 0;
    alGetSourcei(ALuint(sound->getSource()), AL_BUFFERS_QUEUED, &queued);
    EXPECT_EQ(queued, 4);
    for (uint32_t i = 0; i < CStreamedSound::QueueLength; ++i) {
        ALint size = 0;
        alGetBufferi(ALuint(sound->getBuffers()[i]), AL_SIZE, &size);
        EXPECT_EQ(size, ALint(COpenALAudioDevice::StreamBufferFrames * 2)) << i;
    }
    const std::vector<double> levels = playOut(device.get(), 44100 * 3);
    for (size_t i = 1; i < levels.size(); ++i)
        EXPECT_GT(levels[i], 3000.0) << "block " << i;
    EXPECT_EQ(sound->getState(), ISoundInstance::StatePlaying);
}

TEST(CStreamedSound, PausedBeforeItsFirstRefillStartsOnlyWhenResumed) {
    TempDir dir;
    CRefHandle<COpenALAudioDevice> device = makeLoopbackDevice();
    ASSERT_TRUE(device);
    CRefHandle<CStreamedSound> sound =
        streamedSound(device.get(), readAllBytes(makeToneWav(dir.path(), "t.wav", 44100, 2, 16, 1.0, 441)));
    ASSERT_TRUE(sound && sound->play());
    sound->pause(true);
    EXPECT_EQ(sound->getState(), ISoundInstance::StatePaused);
    postUpdate(device.get());
    postUpdate(device.get());
    EXPECT_LT(leftRms(render(device.get(), 4410)), 1.0);
    sound->pause(false);
    EXPECT_EQ(sound->getState(), ISoundInstance::StatePlaying);
    EXPECT_GT(leftRms(render(device.get(), 4410)), 3000.0);
}

TEST(CStreamedSound, StopKeepsTheSourceAndPlayStartsOver) {
    TempDir dir;
    CRefHandle<COpenALAudioDevice> device = makeLoopbackDevice();
    ASSERT_TRUE(device);
    const uint32_t freeSources = device->freeSourceCount();
    const uint32_t freeBuffers = device->freeBufferCount();
    CRefHandle<CStreamedSound> sound =
        streamedSound(device.get(), readAllBytes(makeToneWav(dir.path(), "t.wav", 44100, 1, 8, 1.0, 441)));
    ASSERT_TRUE(sound);
    EXPECT_EQ(device->freeBufferCount(), freeBuffers - 4);
    EXPECT_EQ(sound->getSource(), 0u);
    ASSERT_TRUE(sound->play());
    postUpdate(device.get());
    EXPECT_GT(leftRms(render(device.get(), 4410)), 3000.0);
    sound->stop();
    EXPECT_EQ(sound->getState(), ISoundInstance::StateStopped);
    EXPECT_EQ(device->freeSourceCount(), freeSources - 1);
    settle(device.get());
    EXPECT_LT(leftRms(render(device.get(), 4410)), 1.0);
    ASSERT_TRUE(sound->play());
    postUpdate(device.get());
    EXPECT_GT(leftRms(render(device.get(), 4410)), 3000.0);
    sound.reset();
    EXPECT_EQ(device->freeSourceCount(), freeSources);
    EXPECT_EQ(device->freeBufferCount(), freeBuffers);
    EXPECT_EQ(device->activeSoundCount(), 0u);
}

TEST(CStreamedSound, WithoutBuffersStaysSilentAndStopsItself) {
    TempDir dir;
    CRefHandle<COpenALAudioDevice> device = makeLoopbackDevice();
    ASSERT_TRUE(device);
    const std::vector<uint8_t> wav = readAllBytes(makeToneWav(dir.path(), "t.wav", 44100, 1, 16, 0.5, 441));
    // Take the pool down to three buffers.
    std::vector<uint32_t> taken(device->freeBufferCount() - 3);
    ASSERT_TRUE(device->acquireBuffers(uint32_t(taken.size()), taken.data()));
    CRefHandle<CStreamedSound> sound = streamedSound(device.get(), wav);
    ASSERT_TRUE(sound);
    EXPECT_EQ(sound->getBuffers()[0], 0u);
    EXPECT_EQ(device->freeBufferCount(), 3u);
    ASSERT_TRUE(sound->play());
    postUpdate(device.get());
    postUpdate(device.get());
    EXPECT_EQ(sound->getState(), ISoundInstance::StateStopped);
    sound.reset();
    EXPECT_EQ(device->freeBufferCount(), 3u);
    device->releaseBuffers(uint32_t(taken.size()), taken.data());
}

TEST(CStreamedSound, ClonesByLoadingTheFileAgain) {
    TempDir dir;
    CRefHandle<COpenALAudioDevice> device = makeLoopbackDevice();
    ASSERT_TRUE(device);
    CRefHandle<CStreamedSound> sound =
        streamedSound(device.get(), readAllBytes(makeToneWav(dir.path(), "t.wav", 44100, 1, 16, 0.2, 441)));
    ASSERT_TRUE(sound);
    // Made without a content manager: there is nothing to load it again from.
    EXPECT_EQ(sound->clone(), nullptr);
}

// Sounds are made, played, paused, stopped and destroyed on this thread while
// the device's update thread refills them and this thread mixes.
TEST(CStreamedSound, SurvivesTheUpdateThreadRefillingWhileTheMainThreadPlays) {
    TempDir dir;
    CRefHandle<COpenALAudioDevice> device = makeLoopbackDevice(true);
    ASSERT_TRUE(device);
    ASSERT_TRUE(device->usesUpdateThread());
    const std::vector<uint8_t> wav = readAllBytes(makeToneWav(dir.path(), "t.wav", 44100, 2, 16, 0.3, 441));
    const uint32_t freeSources = device->freeSourceCount();
    const uint32_t freeBuffers = device->freeBufferCount();
    std::vector<CRefHandle<CStreamedSound>> sounds;
    for (int round = 0; round < 60; ++round) {
        sounds.push_back(streamedSound(device.get(), wav));
        ASSERT_TRUE(sounds.back());
        sounds.back()->setLooping(round % 2 == 0);
        ASSERT_TRUE(sounds.back()->play());
        for (size_t i = 0; i < sounds.size(); ++i) {
            CStreamedSound* sound = sounds[i].get();
            switch ((round + int(i)) % 5) {
            case 0:
                sound->pause(true);
                break;
            case 1:
                sound->pause(false);
                break;
            case 2:
                sound->setVolume(0.5f);
                break;
            case 3:
                (void)sound->play();
                break;
            default:
                (void)sound->getState();
                break;
            }
        }
        (void)render(device.get(), 2205);
        if (sounds.size() > 6)
            sounds.erase(sounds.begin() + round % 6);
        if (round % 10 == 0)
            sleepMilliseconds(35);
    }
    sounds.clear();
    EXPECT_EQ(device->freeSourceCount(), freeSources);
    EXPECT_EQ(device->freeBufferCount(), freeBuffers);
}

TEST(CStreamedSound, RefusesToPlayWithoutAFormat) {
    CRefHandle<COpenALAudioDevice> device = makeLoopbackDevice();
    ASSERT_TRUE(device);
    CRefHandle<CStreamedSound> sound(new CStreamedSound(device.get(), nullptr, CObjectName(), 1000));
    LogCapture log;
    EXPECT_FALSE(sound->play());
    EXPECT_EQ(log.lines(), std::vector<std::string>{"ERR: Failed to play streamed sound"});
}
