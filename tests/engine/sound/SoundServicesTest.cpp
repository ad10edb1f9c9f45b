#include "engine/sound/SoundServices.h"

#include "engine/core/CEngineCreationParams.h"
#include "engine/core/CEvent.h"
#include "engine/core/CObjectName.h"
#include "engine/core/CString.h"
#include "engine/core/CStringW.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/FilePaths.h"
#include "engine/sound/CNullAudioDevice.h"
#ifndef _WIN32
#include "engine/sound/COpenALAudioDevice.h"
#endif
#include "engine/sound/ISoundInstance.h"
#include "tests/engine/sound/SoundTestSupport.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

TEST(SoundServices, CreatesTheDeviceTheParametersAskFor) {
    const struct {
        const char* what;
        int32_t type;
        std::vector<std::string> lines;
    } rows[] = {
        {"null", CEngineCreationParams::AudioNull, {}},
        {"unknown", 3, {"ERR: Unable to create audio driver of unknown type."}},
#ifdef _WIN32
        // No OpenAL in this build: the null device plays instead.
        {"OpenAL, not built in",
         CEngineCreationParams::AudioOpenAL,
         {"WRN: OpenAL support was not compiled in.", "ERR: Could not create OpenAL Audio Driver."}},
#endif
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        CEngineCreationParams params;
        params.audioType = row.type;
        LogCapture log;
        CRefHandle<IAudioDevice> device(createAudioDevice(params, nullptr, nullptr));
        ASSERT_TRUE(device);
        EXPECT_EQ(CString(device->describe()), "Null audio device");
        EXPECT_EQ(log.lines(), row.lines);
    }
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
    // The null device and the OpenAL one, which opens its files the same way.
    std::vector<std::pair<const char*, CRefHandle<IAudioDevice>>> devices;
    devices.emplace_back("null", CRefHandle<IAudioDevice>(new CNullAudioDevice(fileSystem.get(), nullptr)));
#ifndef _WIN32
    devices.emplace_back("OpenAL loopback", CRefHandle<IAudioDevice>(COpenALAudioDevice::createLoopback(
                                                44100, false, fileSystem.get(), nullptr)));
#endif
    for (const auto& [what, device] : devices) {
        SCOPED_TRACE(what);
        ASSERT_TRUE(device);
        LogCapture log;
        // A missing sound is the caller's to report; a folder in its place is said once.
        EXPECT_EQ(device->createSoundFromPath(fromNativePath((dir.path() / "none.ogg").string()), CObjectName()),
                  nullptr);
        EXPECT_EQ(log.count("Can't load sound"), 0u);
        EXPECT_EQ(device->createSoundFromPath(fromNativePath((dir.path() / "music.ogg").string()), CObjectName()),
                  nullptr);
        EXPECT_EQ(log.count("Can't load sound"), 1u);
        EXPECT_EQ(log.count("music.ogg: a folder is in its place"), 1u);
    }
}
