#include "engine/sound/OpenALFormat.h"

#include "engine/sound/ISoundDecoder.h"

#include <AL/al.h>

int32_t openALFormatOf(int32_t formatCode) {
    switch (formatCode) {
    case ISoundDecoder::FormatMono8:
        return AL_FORMAT_MONO8;
    case ISoundDecoder::FormatStereo8:
        return AL_FORMAT_STEREO8;
    case ISoundDecoder::FormatMono16:
        return AL_FORMAT_MONO16;
    case ISoundDecoder::FormatStereo16:
        return AL_FORMAT_STEREO16;
    default:
        return 0;
    }
}
