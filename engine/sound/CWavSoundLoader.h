#pragma once

#include "engine/sound/ISoundFormatLoader.h"

// The loader of RIFF/WAVE files ("wav"), giving CWavDecoder.
class CWavSoundLoader : public ISoundFormatLoader {
public:
    [[nodiscard]] bool acceptsExtension(const CStringW& lowerExtension) const override;
    [[nodiscard]] bool probe(IReadableFile* file) const override;
    [[nodiscard]] ISoundDecoder* open(IReadableFile* file, CString* reason) const override;

protected:
    ~CWavSoundLoader() override = default;
};
