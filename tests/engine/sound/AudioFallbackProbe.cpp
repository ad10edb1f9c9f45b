// Asks for the OpenAL audio device the way the engine does and prints what it
// got; the device tests run it where OpenAL has no output driver.

#include "engine/core/CEngineCreationParams.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CString.h"
#include "engine/core/CStringW.h"
#include "engine/sound/IAudioDevice.h"
#include "engine/sound/SoundServices.h"

#include <cstdio>

int main() {
    CEngineCreationParams params;
    params.audioType = CEngineCreationParams::AudioOpenAL;
    params.audioThread = true;
    CRefHandle<IAudioDevice> device(createAudioDevice(params, nullptr, nullptr));
    if (!device)
        return 1;
    std::printf("device: %s\n", CString(device->describe()).c_str());
    return 0;
}
