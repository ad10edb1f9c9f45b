#include "engine/sound/CSoundPackProcessor.h"

#include "engine/content/ContentType.h"
#include "engine/content/IContentManager.h"
#include "engine/content/IDeviceServiceEvent.h"
#include "engine/core/CEvent.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/io/IReadableFile.h"
#include "engine/sound/IAudioDevice.h"
#include "engine/sound/SoundPack.h"

CSoundPackProcessor::CSoundPackProcessor(CVirtualFileSystem* fileSystem, IAudioDevice* device)
    : m_fileSystem(CRefHandle<CVirtualFileSystem>::share(fileSystem)),
      m_device(CRefHandle<IAudioDevice>::share(device)) {
    setMask(CEvent::MaskDevice);
}

CSoundPackProcessor::~CSoundPackProcessor() = default;

uint32_t CSoundPackProcessor::getContentType() const { return ContentTypeSoundPack; }

IContent* CSoundPackProcessor::load(IContentManager* manager, IReadableFile* file, const CObjectName& name) {
    if (!file)
        return nullptr;
    CRefHandle<CXmlStreamReader> reader(m_fileSystem ? m_fileSystem->openXmlReader(file) : new CXmlStreamReader(file));
    if (!reader)
        return nullptr;
    auto* pack = new SoundPack(name);
    if (manager)
        manager->pushFolder(file->fileName());
    pack->readFromXml(reader.get(), manager, m_device.get());
    if (manager)
        (void)manager->popFolder();
    return pack;
}

bool CSoundPackProcessor::save(IContentManager*, IContent*, IWritableFile*, const void*) { return true; }

bool CSoundPackProcessor::onAudioDeviceReleased(CEvent*) {
    m_device.reset();
    return false;
}

bool CSoundPackProcessor::onAudioDeviceCreated(CEvent* event) {
    const auto* serviceEvent = dynamic_cast<const IDeviceServiceEvent*>(event);
    m_device = CRefHandle<IAudioDevice>::share(serviceEvent ? dynamic_cast<IAudioDevice*>(serviceEvent->getService())
                                                            : nullptr);
    return false;
}
