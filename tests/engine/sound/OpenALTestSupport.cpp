#include "engine/sound/COpenALAudioDevice.h"
#include "engine/sound/CSoundFormatRegistry.h"
#include "tests/engine/sound/SoundTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// OpenAL's null output stands in for a sound card unless the caller chose a
// driver. (The test registration's environment list reaches ctest with only
// its first entry.) Set before the first OpenAL call, which reads it.
[[maybe_unused]] const bool openALDriverChosen = setenv("ALSOFT_DRIVERS", "null", 0) == 0;

} // namespace

CRefHandle<COpenALAudioDevice> makeLoopbackDevice(bool useUpdateThread) {
    CRefHandle<CSoundFormatRegistry> registry(new CSoundFormatRegistry());
    CRefHandle<COpenALAudioDevice> device(
        COpenALAudioDevice::createLoopback(44100, useUpdateThread, nullptr, registry.get()));
    EXPECT_TRUE(device) << "no OpenAL loopback device";
    return device;
}

std::vector<int16_t> render(COpenALAudioDevice* device, uint32_t frames) {
    std::vector<int16_t> out(size_t(frames) * 2);
    EXPECT_TRUE(device->renderSamples(out.data(), frames));
    return out;
}

void settle(COpenALAudioDevice* device) { (void)render(device, 2048); }
