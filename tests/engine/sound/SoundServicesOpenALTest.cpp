#include "engine/core/CEngineCreationParams.h"
#include "engine/core/CObjectName.h"
#include "engine/core/CString.h"
#include "engine/sound/COpenALAudioDevice.h"
#include "engine/sound/CSoundFormatRegistry.h"
#include "engine/sound/ISoundInstance.h"
#include "engine/sound/SoundServices.h"
#include "tests/engine/sound/SoundTestSupport.h"

#include <gtest/gtest.h>

// The sound services with OpenAL, which only the Linux build has.

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
