#include "engine/sound/SoundServices.h"

#include "engine/content/CContentProcessorsManager.h"
#include "engine/core/CEngineCreationParams.h"
#include "engine/core/CEngineManagers.h"
#include "engine/core/CLog.h"
#include "engine/core/CRefHandle.h"
#include "engine/sound/CNullAudioDevice.h"
#include "engine/sound/CSoundContentProcessor.h"
#include "engine/sound/CSoundFormatRegistry.h"
#include "engine/sound/CSoundPackProcessor.h"
#include "engine/sound/OpenALAudio.h"

bool registerSoundProcessors(CContentProcessorsManager* processors) {
    if (!processors)
        return false;
    auto* device = dynamic_cast<IAudioDevice*>(processors->getAudioDevice());
    CRefHandle<CSoundContentProcessor> sounds(new CSoundContentProcessor(device));
    CRefHandle<CSoundPackProcessor> packs(new CSoundPackProcessor(processors->getFileSystem(), device));
    const bool soundsAdded = processors->registerProcessor(sounds.get());
    const bool packsAdded = processors->registerProcessor(packs.get());
    return soundsAdded && packsAdded;
}

CSoundFormatRegistry* installSoundFormatRegistry() {
    CEngineManagers& managers = CEngineManagers::instance();
    if (!managers.getSoundFormatRegistry())
        managers.setSoundFormatRegistry(new CSoundFormatRegistry());
    return managers.getSoundFormatRegistry();
}

IAudioDevice* createAudioDevice(const CEngineCreationParams& params, CVirtualFileSystem* fileSystem,
                                CSoundFormatRegistry* registry) {
    if (params.audioType == CEngineCreationParams::AudioOpenAL) {
        if (IAudioDevice* device = createOpenALAudioDevice(params, fileSystem, registry))
            return device;
        CLog::instance()->log("Could not create OpenAL Audio Driver.", CLog::Error);
    } else if (params.audioType != CEngineCreationParams::AudioNull) {
        CLog::instance()->log("Unable to create audio driver of unknown type.", CLog::Error);
    }
    return new CNullAudioDevice(fileSystem, registry);
}
