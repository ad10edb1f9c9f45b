#include "engine/content/CContentProcessorsManager.h"

#include "engine/content/IContentProcessor.h"
#include "engine/content/IDeviceServiceEvent.h"
#include "engine/core/CEvent.h"
#include "engine/core/CEventHandlerTable.h"
#include "engine/io/CVirtualFileSystem.h"

namespace {

// The service a "created" device event carries, or null.
CRefCounted* serviceOf(CEvent* event) {
    const auto* serviceEvent = dynamic_cast<const IDeviceServiceEvent*>(event);
    return serviceEvent ? serviceEvent->getService() : nullptr;
}

} // namespace

CContentProcessorsManager::CContentProcessorsManager(CVirtualFileSystem* fileSystem, CRefCounted* videoDriver,
                                                     CRefCounted* audioDevice)
    : m_videoDriver(CRefHandle<CRefCounted>::share(videoDriver)),
      m_audioDevice(CRefHandle<CRefCounted>::share(audioDevice)),
      m_fileSystem(CRefHandle<CVirtualFileSystem>::share(fileSystem)) {
    setMask(CEvent::MaskDevice);
}

CContentProcessorsManager::~CContentProcessorsManager() {
    for (IContentProcessor* processor : m_processors)
        processor->release();
    m_processors.clear();
    m_videoDriver.reset();
    m_audioDevice.reset();
    m_fileSystem.reset();
}

const CEventHandlerTable& CContentProcessorsManager::handlerTable() {
    static const CEventHandlerTable table = [] {
        CEventHandlerTable t(CEventReceiver::handlerTable());
        t.add<&CContentProcessorsManager::onVideoDriverReleased>(IDeviceServiceEvent::VideoDriverReleased);
        t.add<&CContentProcessorsManager::onVideoDriverCreated>(IDeviceServiceEvent::VideoDriverCreated);
        t.add<&CContentProcessorsManager::onAudioDeviceReleased>(IDeviceServiceEvent::AudioDeviceReleased);
        t.add<&CContentProcessorsManager::onAudioDeviceCreated>(IDeviceServiceEvent::AudioDeviceCreated);
        return t;
    }();
    return table;
}

bool CContentProcessorsManager::handleEvent(CEvent* event) { return handleWithTable(handlerTable(), event); }

bool CContentProcessorsManager::routeToChildren(int, CEvent* event) {
    // A processor may register another while it handles the event: walk by
    // index over the live array (registration only appends).
    for (uint32_t i = 0; i < m_processors.size(); ++i) {
        IContentProcessor* processor = m_processors[i];
        if (processor->getMask() & event->getMask())
            (void)processor->handleEvent(event);
    }
    return false;
}

IContentProcessor* CContentProcessorsManager::findProcessor(uint32_t type) const {
    for (IContentProcessor* processor : m_processors)
        if (processor->getContentType() == type)
            return processor;
    return nullptr;
}

bool CContentProcessorsManager::registerProcessor(IContentProcessor* processor) {
    if (!processor || findProcessor(processor->getContentType()))
        return false;
    processor->addRef();
    m_processors.push_back(processor);
    return true;
}

bool CContentProcessorsManager::onVideoDriverReleased(CEvent*) {
    m_videoDriver.reset();
    return false;
}

bool CContentProcessorsManager::onVideoDriverCreated(CEvent* event) {
    m_videoDriver = CRefHandle<CRefCounted>::share(serviceOf(event));
    return false;
}

bool CContentProcessorsManager::onAudioDeviceReleased(CEvent*) {
    m_audioDevice.reset();
    return false;
}

bool CContentProcessorsManager::onAudioDeviceCreated(CEvent* event) {
    m_audioDevice = CRefHandle<CRefCounted>::share(serviceOf(event));
    return false;
}
