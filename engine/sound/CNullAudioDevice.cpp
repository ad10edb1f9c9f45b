#include "engine/sound/CNullAudioDevice.h"

#include "engine/core/CLog.h"
#include "engine/core/CObjectName.h"
#include "engine/core/CStringW.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/FilePaths.h"
#include "engine/io/IReadableFile.h"
#include "engine/sound/CSoundFormatRegistry.h"
#include "engine/sound/ISoundInstance.h"

#include <string>

CNullAudioDevice::CNullAudioDevice(CVirtualFileSystem* fileSystem, CSoundFormatRegistry* registry)
    : m_fileSystem(CRefHandle<CVirtualFileSystem>::share(fileSystem)),
      m_registry(CRefHandle<CSoundFormatRegistry>::share(registry)) {}

CNullAudioDevice::~CNullAudioDevice() = default;

CSoundFormatRegistry* CNullAudioDevice::getFormatRegistry() const {
    return m_registry ? m_registry.get() : CSoundFormatRegistry::getShared();
}

void CNullAudioDevice::setActive(bool) {}

bool CNullAudioDevice::isActive() const { return false; }

ISoundInstance* CNullAudioDevice::createSound(IReadableFile*, const CObjectName&) { return nullptr; }

ISoundInstance* CNullAudioDevice::createSoundFromPath(const CStringW& path, const CObjectName& name) {
    if (!m_fileSystem)
        return nullptr;
    CRefHandle<IReadableFile> file(m_fileSystem->openForRead(path));
    if (!file) {
        // A missing file is the caller's to report; something in its place
        // that does not read (a folder, a file without permission) is said.
        const std::string reason = m_fileSystem->unreadableReason(path);
        if (!reason.empty())
            CLog::instance()->log(u"Can't load sound: " + path + u": " + fromNativePath(reason), CLog::Warning);
        return nullptr;
    }
    return createSound(file.get(), name);
}

CStringW CNullAudioDevice::describe() const { return CStringW(u"Null audio device"); }

bool CNullAudioDevice::update(CEventUpdate*) { return false; }
