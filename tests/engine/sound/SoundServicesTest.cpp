#include "engine/sound/SoundServices.h"

#include "engine/core/CEngineCreationParams.h"
#include "engine/core/CEvent.h"
#include "engine/core/CObjectName.h"
#include "engine/core/CString.h"
#include "engine/core/CStringW.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/FilePaths.h"
#include "engine/sound/CNullAudioDevice.h"
#include "engine/sound/COpenALAudioDevice.h"
#include "engine/sound/CSoundFormatRegistry.h"
#include "engine/sound/ISoundInstance.h"
#include "tests/engine/sound/SoundTestSupport.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

TEST(SoundServices, CreatesTheDeviceTheParametersAskFor) {
    const struct {
        const char* what;
        int32_t type;
        const char* line;
    } rows[] = {
        {"null", CEngineCreationParams::AudioNull, nullptr},
        {"unknown", 3, "ERR: Unable to create audio driver of unknown type."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        CEngineCreationParams params;
        params.audioType = row.type;
        LogCapture log;
        CRefHandle<IAudioDevice> device(createAudioDevice(params, nullptr, nullptr));
        ASSERT_TRUE(device);
        EXPECT_EQ(CString(device->describe()), "Null audio device");
        EXPECT_EQ(log.lines().size(), row.line ? 1u : 0u);
        if (row.line) {
            EXPECT_TRUE(log.contains(row.line));
        }
    }
}

TEST(SoundServices, CreatesTheOpenALDeviceWhereOneOpens) {
    CEngineCreationParams params;
    params.audioType = CEngineCreationParams::AudioOpenAL;
    CRefHandle<IAudioDevice> device(createAudioDevice(params, nullptr, nullptr));
    ASSERT_TRUE(device);
    // The test environment picks OpenAL's null output; elsewhere a sound card.
    auto* openal = dynamic_cast<COpenALAudioDevice*>(device.get());
    ASSERT_TRUE(openal) << CString(device->describe()).c_str();
    EXPECT_FALSE(openal->usesUpdateThread());
    EXPECT_EQ(openal->freeSourceCount(), COpenALAudioDevice::MaxSources);
    EXPECT_EQ(openal->freeBufferCount(), COpenALAudioDevice::MaxBuffers);
}

TEST(SoundServices, InstallsOneSharedFormatRegistry) {
    CSoundFormatRegistry* registry = installSoundFormatRegistry();
    ASSERT_TRUE(registry);
    EXPECT_EQ(installSoundFormatRegistry(), registry);
    EXPECT_EQ(CSoundFormatRegistry::getShared(), registry);
    // A device made without a registry decodes through the shared one.
    CRefHandle<COpenALAudioDevice> device(COpenALAudioDevice::createLoopback(44100, false, nullptr, nullptr));
    ASSERT_TRUE(device);
    EXPECT_EQ(device->getFormatRegistry(), registry);
    CRefHandle<IReadableFile> file = memoryFile(pcm16Wav(1, 8000, {1, 2, 3}), "a.wav");
    EXPECT_TRUE(CRefHandle<ISoundInstance>(device->createSound(file.get(), CObjectName())));
}

TEST(CNullAudioDevice, MakesNoSounds) {
    CRefHandle<CNullAudioDevice> device(new CNullAudioDevice(nullptr, nullptr));
    CRefHandle<IReadableFile> file = memoryFile(pcm16Wav(1, 8000, {1, 2, 3}), "a.wav");
    EXPECT_EQ(device->createSound(file.get(), CObjectName()), nullptr);
    EXPECT_EQ(device->createSoundFromPath(u"a.wav", CObjectName()), nullptr);
    EXPECT_FALSE(device->isActive());
    device->setActive(true);
    EXPECT_FALSE(device->isActive());
    device->setStreamingThreshold(5);
    EXPECT_EQ(device->getStreamingThreshold(), 5u);
    EXPECT_EQ(device->getMask(), CEvent::MaskDevice | CEvent::MaskSystemFlow);
}

TEST(CNullAudioDevice, SaysWhyAFolderInPlaceOfASoundDoesNotRead) {
    TempDir dir;
    std::filesystem::create_directories(dir.path() / "music.ogg");
    CRefHandle<CVirtualFileSystem> fileSystem(new CVirtualFileSystem);
    CRefHandle<COpenALAudioDevice> device(COpenALAudioDevice::createLoopback(44100, false, fileSystem.get(), nullptr));
    ASSERT_TRUE(device);
    LogCapture log;
    // A missing sound is the caller's to report; a folder in its place is said once.
    EXPECT_EQ(device->createSoundFromPath(fromNativePath((dir.path() / "none.ogg").string()), CObjectName()), nullptr);
    EXPECT_EQ(log.count("Can't load sound"), 0u);
    EXPECT_EQ(device->createSoundFromPath(fromNativePath((dir.path() / "music.ogg").string()), CObjectName()), nullptr);
    EXPECT_EQ(log.count("Can't load sound"), 1u);
    EXPECT_EQ(log.count("music.ogg: a folder is in its place"), 1u);
}
