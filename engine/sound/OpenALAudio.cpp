#include "engine/sound/OpenALAudio.h"

#include "engine/sound/COpenALAudioDevice.h"

IAudioDevice* createOpenALAudioDevice(const CEngineCreationParams& params, CVirtualFileSystem* fileSystem,
                                      CSoundFormatRegistry* registry) {
    return COpenALAudioDevice::create(params, fileSystem, registry);
}
