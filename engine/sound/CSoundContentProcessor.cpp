#include "engine/sound/CSoundContentProcessor.h"

#include "engine/content/ContentType.h"
#include "engine/content/IDeviceServiceEvent.h"
#include "engine/core/CEvent.h"
#include "engine/sound/IAudioDevice.h"
#include "engine/sound/ISoundInstance.h"

CSoundContentProcessor::CSoundContentProcessor(IAudioDevice* device)
    : m_device(CRefHandle<IAudioDevice>::share(device)) {
    setMask(CEvent::MaskDevice);
}

CSoundContentProcessor::~CSoundContentProcessor() = default;

uint32_t CSoundContentProcessor::getContentType() const { return ContentTypeSound; }

IContent* CSoundContentProcessor::load(IContentManager*, IReadableFile* file, const CObjectName& name) {
    if (!m_device || !file)
        return nullptr;
    return m_device->createSound(file, name);
}

void CSoundContentProcessor::notify(CEvent* event, CContentMap& cached) {
    if (!event || event->getType() != IDeviceServiceEvent::AudioDeviceReleased)
        return;
    // Take the map over first: releasing may run code that looks at it.
    CContentMap released(std::move(cached));
    cached.clear();
    for (auto& entry : released)
        entry.value->release();
}

bool CSoundContentProcessor::onAudioDeviceReleased(CEvent*) {
    m_device.reset();
    return false;
}

bool CSoundContentProcessor::onAudioDeviceCreated(CEvent* event) {
    const auto* serviceEvent = dynamic_cast<const IDeviceServiceEvent*>(event);
    m_device = CRefHandle<IAudioDevice>::share(serviceEvent ? dynamic_cast<IAudioDevice*>(serviceEvent->getService())
                                                            : nullptr);
    return false;
}
