#include "engine/sound/CSoundFormatRegistry.h"

#include "engine/core/CEngineManagers.h"
#include "engine/core/CLog.h"
#include "engine/core/CString.h"
#include "engine/core/CStringW.h"
#include "engine/io/FilePaths.h"
#include "engine/io/IReadableFile.h"
#include "engine/io/IWritableFile.h"
#include "engine/sound/COggSoundLoader.h"
#include "engine/sound/CWavSoundLoader.h"
#include "engine/sound/CWavSoundWriter.h"
#include "engine/sound/ISoundDecoder.h"

namespace {

char16_t asciiLower(char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c - u'A' + u'a') : c; }

} // namespace

CSoundFormatRegistry::CSoundFormatRegistry() {
    m_loaders.push_back(CRefHandle<ISoundFormatLoader>(new CWavSoundLoader()));
    m_loaders.push_back(CRefHandle<ISoundFormatLoader>(new COggSoundLoader()));
    m_writers.push_back(CRefHandle<ISoundFormatWriter>(new CWavSoundWriter()));
}

CSoundFormatRegistry::~CSoundFormatRegistry() = default;

CSoundFormatRegistry* CSoundFormatRegistry::getShared() { return CEngineManagers::instance().getSoundFormatRegistry(); }

void CSoundFormatRegistry::addLoader(ISoundFormatLoader* loader) {
    if (loader)
        m_loaders.push_back(CRefHandle<ISoundFormatLoader>::share(loader));
}

void CSoundFormatRegistry::addWriter(ISoundFormatWriter* writer) {
    if (writer)
        m_writers.push_back(CRefHandle<ISoundFormatWriter>::share(writer));
}

ISoundDecoder* CSoundFormatRegistry::loadSound(IReadableFile* file) const {
    if (!file)
        return nullptr;
    CStringW extension = getFileExtension(file->fileName());
    for (uint32_t i = 0; i < extension.length(); ++i)
        extension[i] = asciiLower(extension[i]);

    // The first reason a loader gives is the one reported.
    CString reason;
    CString why;
    for (const CRefHandle<ISoundFormatLoader>& loader : m_loaders) {
        if (!loader->acceptsExtension(extension) || !file->seek(0, false))
            continue;
        if (ISoundDecoder* decoder = loader->open(file, &why))
            return decoder;
        if (reason.empty())
            reason = why;
    }
    for (const CRefHandle<ISoundFormatLoader>& loader : m_loaders) {
        if (!file->seek(0, false) || !loader->probe(file) || !file->seek(0, false))
            continue;
        if (ISoundDecoder* decoder = loader->open(file, &why))
            return decoder;
        if (reason.empty())
            reason = why;
    }
    CStringW line = u"Can't load sound: " + file->fileName();
    if (!reason.empty()) {
        line += u" (";
        line += reason;
        line += u")";
    }
    CLog::instance()->log(line, CLog::Warning);
    return nullptr;
}

bool CSoundFormatRegistry::writeSound(IWritableFile* file, ISoundDecoder* decoder) const {
    if (!file || !decoder)
        return false;
    for (const CRefHandle<ISoundFormatWriter>& writer : m_writers)
        if (writer->acceptsName(file->fileName()))
            return writer->write(file, decoder);
    return false;
}
