#pragma once

#include "engine/sound/ISoundFormatLoader.h"

// The loader of Ogg Vorbis files ("ogg"), giving COggVorbisDecoder.
class COggSoundLoader : public ISoundFormatLoader {
public:
    [[nodiscard]] bool acceptsExtension(const CStringW& lowerExtension) const override;
    [[nodiscard]] bool probe(IReadableFile* file) const override;
    [[nodiscard]] ISoundDecoder* open(IReadableFile* file, CString* reason) const override;

protected:
    ~COggSoundLoader() override = default;
};
