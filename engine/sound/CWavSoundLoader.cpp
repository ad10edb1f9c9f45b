#include "engine/sound/CWavSoundLoader.h"

#include "engine/core/CStringW.h"
#include "engine/sound/CWavDecoder.h"

bool CWavSoundLoader::acceptsExtension(const CStringW& lowerExtension) const { return lowerExtension == u"wav"; }

bool CWavSoundLoader::probe(IReadableFile* file) const {
    CWavDecoder::Header header;
    return CWavDecoder::parseHeader(file, header, nullptr);
}

ISoundDecoder* CWavSoundLoader::open(IReadableFile* file, CString* reason) const {
    return CWavDecoder::open(file, reason);
}
