#include "engine/sound/ISoundDecoder.h"

ISoundDecoder::~ISoundDecoder() = default;

uint32_t ISoundDecoder::bytesPerSample(int32_t format) {
    switch (format) {
    case FormatMono8:
    case FormatStereo8:
        return 1;
    case FormatMono16:
    case FormatStereo16:
        return 2;
    default:
        return 0;
    }
}

int32_t ISoundDecoder::formatOf(int32_t channels, int32_t bits) {
    if (bits != 8 && bits != 16)
        return FormatNone;
    if (channels == 1)
        return bits == 16 ? FormatMono16 : FormatMono8;
    if (channels == 2)
        return bits == 16 ? FormatStereo16 : FormatStereo8;
    return FormatNone;
}

bool ISoundDecoder::rewind() { return true; }

uint32_t ISoundDecoder::readFrames(void*, uint32_t) { return 0; }
