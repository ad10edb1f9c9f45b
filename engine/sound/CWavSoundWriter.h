#pragma once

#include "engine/sound/ISoundFormatWriter.h"

// Writes decoded sound as a RIFF/WAVE PCM file (names containing ".wav").
class CWavSoundWriter : public ISoundFormatWriter {
public:
    [[nodiscard]] bool acceptsName(const CStringW& name) const override;
    [[nodiscard]] bool write(IWritableFile* file, ISoundDecoder* decoder) const override;

protected:
    ~CWavSoundWriter() override = default;
};
