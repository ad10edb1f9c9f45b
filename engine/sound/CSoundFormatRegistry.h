#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CRefCounted.h"
#include "engine/core/CRefHandle.h"

class CStringW;
class IReadableFile;
class ISoundDecoder;
class ISoundFormatLoader;
class ISoundFormatWriter;
class IWritableFile;

// The sound file formats the engine reads (WAV, Ogg Vorbis) and writes
// (WAV). One is installed in the engine managers; usable on its own.
class CSoundFormatRegistry : public CRefCounted {
public:
    // Registers the loaders WAV, Ogg and the writer WAV.
    CSoundFormatRegistry();

    // A decoder for `file`: first every loader that takes the file name's
    // extension (lower-cased), then every loader that recognises the content;
    // the first decoder wins. A new decoder (count 1, owned by the caller),
    // or null after logging "Can't load sound: ", the file name and, when a
    // loader knew it, the reason.
    [[nodiscard]] ISoundDecoder* loadSound(IReadableFile* file) const;

    // Writes `decoder` with the first writer that takes the file's name.
    // False when none does or the write fails.
    [[nodiscard]] bool writeSound(IWritableFile* file, ISoundDecoder* decoder) const;

    // Adds a loader or writer after the built-in ones (the registry takes a
    // reference).
    void addLoader(ISoundFormatLoader* loader);
    void addWriter(ISoundFormatWriter* writer);

    // The registry of the engine managers, or null when none is installed.
    [[nodiscard]] static CSoundFormatRegistry* getShared();

protected:
    ~CSoundFormatRegistry() override;

private:
    CArray<CRefHandle<ISoundFormatLoader>> m_loaders;
    CArray<CRefHandle<ISoundFormatWriter>> m_writers;
};
