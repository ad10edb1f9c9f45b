#pragma once

#include "engine/core/CRefHandle.h"
#include "engine/sound/ISoundDecoder.h"

#include <cstdint>
#include <memory>

class CString;
class IReadableFile;

// Decodes Ogg Vorbis files (one or two channels) into 16-bit PCM through
// vorbisfile, reading the engine file through callbacks. The decoder keeps
// the file open while it lives.
class COggVorbisDecoder : public ISoundDecoder {
public:
    // True when `file` starts an Ogg Vorbis stream that vorbisfile can open.
    // The file is left at an unknown position.
    [[nodiscard]] static bool probe(IReadableFile* file);

    // A decoder over `file` from its current position (count 1, owned by the
    // caller; the decoder takes its own file reference), or null, with
    // `reason` (when given) saying why for a Vorbis stream that cannot be
    // played. A file that is no Ogg Vorbis stream leaves `reason` empty.
    [[nodiscard]] static COggVorbisDecoder* open(IReadableFile* file, CString* reason);

    [[nodiscard]] bool rewind() override;
    // Decodes up to `frames` frames, never past the announced length. A hole
    // in the stream is skipped; a damaged stream, or a chained stream whose
    // channel count or sample rate changes, ends the sound there. The length
    // announced for a chained stream counts only the links played.
    uint32_t readFrames(void* buffer, uint32_t frames) override;

protected:
    ~COggVorbisDecoder() override;

private:
    struct State;

    explicit COggVorbisDecoder(IReadableFile* file);

    CRefHandle<IReadableFile> m_file;
    std::unique_ptr<State> m_state;
    bool m_opened = false;
    // Frames delivered since the last rewind.
    uint32_t m_position = 0;
};
