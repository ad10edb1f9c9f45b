#include "engine/sound/COpenALAudioDevice.h"

#include "engine/content/IDeviceServiceEvent.h"
#include "engine/core/CEngineCreationParams.h"
#include "engine/core/CEventUpdate.h"
#include "engine/core/CObjectName.h"
#include "engine/core/CStringW.h"
#include "engine/core/CThread.h"
#include "engine/sound/CBufferedSound.h"
#include "engine/sound/CSoundFormatRegistry.h"
#include "engine/sound/CStreamedSound.h"
#include "tests/engine/sound/SoundTestSupport.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <numbers>

namespace {

std::vector<int16_t> sine(int frames, int rate, double frequency, double amplitude = 12000) {
    std::vector<int16_t> samples(static_cast<size_t>(frames));
    for (int i = 0; i < frames; ++i)
        samples[size_t(i)] = int16_t(amplitude * std::sin(2 * std::numbers::pi * frequency * i / rate));
    return samples;
}

CRefHandle<ISoundInstance> createSound(COpenALAudioDevice* device, const std::vector<uint8_t>& wav) {
    CRefHandle<IReadableFile> file = memoryFile(wav, "tone.wav");
    return CRefHandle<ISoundInstance>(device->createSound(file.get(), CObjectName()));
}

void postUpdate(COpenALAudioDevice* device) {
    CRefHandle<CEventUpdate> event(new CEventUpdate(30));
    EXPECT_FALSE(device->handleEvent(event.get()));
}

} // namespace

TEST(COpenALAudioDevice, ChoosesStreamingByTheThreshold) {
    CRefHandle<COpenALAudioDevice> device = makeLoopbackDevice();
    ASSERT_TRUE(device);
    EXPECT_EQ(device->getStreamingThreshold(), 0x40000u);
    // 1000 mono 16-bit frames: 2000 bytes.
    const std::vector<uint8_t> wav = pcm16Wav(1, 8000, sine(1000, 8000, 440));
    const struct {
        uint32_t threshold;
        bool streams;
    } rows[] = {{0x40000, false}, {0, true}, {1999, true}, {2000, false}, {0xFFFFFFFF, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.threshold);
        device->setStreamingThreshold(row.threshold);
        CRefHandle<ISoundInstance> sound = createSound(device.get(), wav);
        ASSERT_TRUE(sound);
        EXPECT_EQ(dynamic_cast<CStreamedSound*>(sound.get()) != nullptr, row.streams);
        EXPECT_EQ(dynamic_cast<CBufferedSound*>(sound.get()) != nullptr, !row.streams);
        EXPECT_EQ(sound->getContentFlags(), row.streams ? 2u : 0u);
    }
}

TEST(COpenALAudioDevice, MakesNoSoundFromFilesThatDoNotDecode) {
    CRefHandle<COpenALAudioDevice> device = makeLoopbackDevice();
    ASSERT_TRUE(device);
    LogCapture log;
    EXPECT_FALSE(createSound(device.get(), riffWave({{"fmt ", pcmFormat(1, 8000, 16), {}}, {"data", {1}, {}}})));
    EXPECT_FALSE(createSound(device.get(), {1, 2, 3}));
    EXPECT_EQ(log.count("Can't load sound: tone.wav"), 2u);
    EXPECT_FALSE(device->createSound(nullptr, CObjectName()));
    EXPECT_FALSE(device->createSoundFromPath(u"missing.wav", CObjectName()));
}

TEST(COpenALAudioDevice, RunsOutOfSourcesWithoutDisturbingThePlayingSounds) {
    CRefHandle<COpenALAudioDevice> device = makeLoopbackDevice();
    ASSERT_TRUE(device);
    ASSERT_EQ(device->freeSourceCount(), COpenALAudioDevice::MaxSources);
    CRefHandle<ISoundInstance> model = createSound(device.get(), pcm16Wav(1, 44100, sine(44100, 44100, 440)));
    ASSERT_TRUE(model);
    std::vector<CRefHandle<ISoundInstance>> sounds;
    for (uint32_t i = 0; i < COpenALAudioDevice::MaxSources; ++i) {
        sounds.emplace_back(static_cast<ISoundInstance*>(model->clone()));
        ASSERT_TRUE(sounds.back()->play());
    }
    EXPECT_EQ(device->freeSourceCount(), 0u);
    CRefHandle<ISoundInstance> extra(static_cast<ISoundInstance*>(model->clone()));
    EXPECT_FALSE(extra->play());
    EXPECT_EQ(extra->getState(), ISoundInstance::StateStopped);
    (void)render(device.get(), 512);
    for (const auto& sound : sounds)
        EXPECT_EQ(sound->getState(), ISoundInstance::StatePlaying);
    sounds.pop_back();
    EXPECT_TRUE(extra->play());
}

TEST(COpenALAudioDevice, FeedsStreamsOnlyOnUpdateEventsWithoutItsThread) {
    CRefHandle<COpenALAudioDevice> device = makeLoopbackDevice();
    ASSERT_TRUE(device);
    device->setStreamingThreshold(0);
    CRefHandle<ISoundInstance> sound = createSound(device.get(), pcm16Wav(1, 44100, sine(44100, 44100, 440)));
    ASSERT_TRUE(sound && sound->play());
    EXPECT_EQ(device->pendingSoundCount(), 1u);
    EXPECT_EQ(device->activeSoundCount(), 0u);
    EXPECT_LT(leftRms(render(device.get(), 4410)), 1.0);

    postUpdate(device.get());
    EXPECT_EQ(device->pendingSoundCount(), 0u);
    EXPECT_EQ(device->activeSoundCount(), 1u);
    EXPECT_GT(leftRms(render(device.get(), 4410)), 3000.0);

    sound.reset();
    EXPECT_EQ(device->activeSoundCount(), 0u);
    postUpdate(device.get());
}

TEST(COpenALAudioDevice, DescribesItself) {
    CRefHandle<COpenALAudioDevice> device = makeLoopbackDevice();
    ASSERT_TRUE(device);
    const CStringW text = device->describe();
    EXPECT_EQ(text.view().substr(0, 17), u"OpenAL\r Device: O");
    EXPECT_NE(text.view().find(u"\r Available devices: "), std::u16string_view::npos);
    EXPECT_EQ(text.view().back(), u'\r');
    EXPECT_TRUE(device->isActive());
    device->setActive(false);
    EXPECT_FALSE(device->isActive());
    device->setActive(true);
    EXPECT_TRUE(device->isActive());
}

TEST(COpenALAudioDevice, SoundsKeepTheirDeviceAlive) {
    CRefHandle<COpenALAudioDevice> device = makeLoopbackDevice();
    ASSERT_TRUE(device);
    device->setStreamingThreshold(0);
    CRefHandle<ISoundInstance> streamed = createSound(device.get(), pcm16Wav(1, 8000, sine(8000, 8000, 440)));
    device->setStreamingThreshold(0xFFFFFFFF);
    CRefHandle<ISoundInstance> buffered = createSound(device.get(), pcm16Wav(1, 8000, sine(8000, 8000, 440)));
    ASSERT_TRUE(streamed && buffered);
    ASSERT_TRUE(streamed->play() && buffered->play());
    COpenALAudioDevice* raw = device.get();
    device.reset();
    // The engine let go of the device; its sounds still work and give their
    // sources and buffers back when they go.
    postUpdate(raw);
    streamed->stop();
    buffered->stop();
    streamed.reset();
    buffered.reset();
}

// Plays a streamed sound on a device that mixes in real time into the null
// output and is fed by its own update thread.
// A settings change replaces the device while sounds of the old one live
// on (cue instances, caches): they must not reach the sources of the new
// device, which are numbered alike.
TEST(COpenALAudioDevice, SoundsOfADeviceLetGoAreDeadAndLeaveTheNextOneAlone) {
    TempDir dir;
    const std::vector<uint8_t> wav = readAllBytes(makeToneWav(dir.path(), "t.wav", 44100, 1, 16, 2.0, 441));
    CRefHandle<COpenALAudioDevice> old = makeLoopbackDevice();
    ASSERT_TRUE(old);
    CRefHandle<ISoundInstance> oldBuffered = createSound(old.get(), wav);
    old->setStreamingThreshold(0);
    CRefHandle<ISoundInstance> oldStreamed = createSound(old.get(), wav);
    ASSERT_TRUE(oldBuffered && oldStreamed);
    ASSERT_TRUE(oldBuffered->play() && oldStreamed->play());
    postUpdate(old.get());
    // The engine lets the device go (event 12) and makes the next one.
    CRefHandle<DeviceEvent> released(new DeviceEvent(IDeviceServiceEvent::AudioDeviceReleased, nullptr));
    EXPECT_FALSE(old->handleEvent(released.get()));
    EXPECT_FALSE(old->isRunning());

    CRefHandle<COpenALAudioDevice> fresh = makeLoopbackDevice();
    ASSERT_TRUE(fresh);
    CRefHandle<ISoundInstance> buffered = createSound(fresh.get(), wav);
    fresh->setStreamingThreshold(0);
    CRefHandle<ISoundInstance> streamed = createSound(fresh.get(), wav);
    ASSERT_TRUE(buffered && streamed);
    ASSERT_TRUE(buffered->play() && streamed->play());
    postUpdate(fresh.get());
    settle(fresh.get());
    const double level = leftRms(render(fresh.get(), 4410));
    EXPECT_GT(level, 3000.0);

    for (ISoundInstance* sound : {oldBuffered.get(), oldStreamed.get()}) {
        EXPECT_EQ(sound->getState(), ISoundInstance::StateStopped);
        sound->setVolume(0.0f);
        sound->setLooping(true);
        sound->pause(true);
        sound->pause(false);
        sound->stop();
        EXPECT_FALSE(sound->play());
    }
    postUpdate(old.get());
    EXPECT_EQ(old->createSound(memoryFile(wav, "t.wav").get(), CObjectName()), nullptr);
    oldBuffered.reset();
    oldStreamed.reset();
    old.reset();

    EXPECT_EQ(buffered->getState(), ISoundInstance::StatePlaying);
    EXPECT_EQ(streamed->getState(), ISoundInstance::StatePlaying);
    settle(fresh.get());
    EXPECT_NEAR(leftRms(render(fresh.get(), 4410)), level, level * 0.1);
}

TEST(COpenALAudioDevice, UpdateThreadFeedsStreamsToTheirEnd) {
    CEngineCreationParams params;
    params.audioType = CEngineCreationParams::AudioOpenAL;
    params.audioThread = true;
    CRefHandle<CSoundFormatRegistry> registry(new CSoundFormatRegistry());
    LogCapture log;
    CRefHandle<COpenALAudioDevice> device(COpenALAudioDevice::create(params, nullptr, registry.get()));
    if (!device)
        GTEST_SKIP() << "no OpenAL output device here (ALSOFT_DRIVERS=null makes one)";
    EXPECT_EQ(log.count("INF: No OpenAL \"Generic Software\" audio device; opening the default one"), 1u);
    EXPECT_TRUE(device->usesUpdateThread());

    // 0.6 s at 192 kHz: 115200 frames, more than the four queued buffers hold.
    device->setStreamingThreshold(0);
    CRefHandle<ISoundInstance> sound = createSound(device.get(), pcm16Wav(1, 192000, sine(115200, 192000, 440)));
    ASSERT_TRUE(sound && sound->play());
    const auto start = std::chrono::steady_clock::now();
    while (sound->getState() != ISoundInstance::StateStopped &&
           std::chrono::steady_clock::now() - start < std::chrono::seconds(10))
        sleepMilliseconds(20);
    EXPECT_EQ(sound->getState(), ISoundInstance::StateStopped);
    EXPECT_GT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(400));
}

// A machine without a sound card: OpenAL opens no device, and the engine
// gets the null device instead. Run in a child whose OpenAL has no usable
// output driver.
TEST(COpenALAudioDevice, EngineFallsBackToTheNullDeviceWithoutSoundCard) {
    TempDir dir;
    const auto output = dir.path() / "probe.txt";
    const std::string command = std::string("ALSOFT_DRIVERS=nosuchdriver ") + kSanitizerOffEnvironment + " '" +
                                BM_SOUND_FALLBACK_PROBE + "' > '" + output.string() + "' 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    const std::vector<uint8_t> bytes = readAllBytes(output);
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_NE(text.find("INF: No OpenAL \"Generic Software\" audio device; opening the default one"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("ERR: Failed to open the OpenAL best audio device"), std::string::npos) << text;
    EXPECT_NE(text.find("ERR: Could not create OpenAL Audio Driver."), std::string::npos) << text;
    EXPECT_NE(text.find("device: Null audio device"), std::string::npos) << text;
}
