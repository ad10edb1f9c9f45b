#include "engine/core/CLog.h"
#include "engine/sound/OpenALAudio.h"

IAudioDevice* createOpenALAudioDevice(const CEngineCreationParams&, CVirtualFileSystem*, CSoundFormatRegistry*) {
    CLog::instance()->log("OpenAL support was not compiled in.", CLog::Warning);
    return nullptr;
}
