#include "engine/sound/COggSoundLoader.h"

#include "engine/core/CStringW.h"
#include "engine/sound/COggVorbisDecoder.h"

bool COggSoundLoader::acceptsExtension(const CStringW& lowerExtension) const { return lowerExtension == u"ogg"; }

bool COggSoundLoader::probe(IReadableFile* file) const { return COggVorbisDecoder::probe(file); }

ISoundDecoder* COggSoundLoader::open(IReadableFile* file, CString* reason) const {
    return COggVorbisDecoder::open(file, reason);
}
