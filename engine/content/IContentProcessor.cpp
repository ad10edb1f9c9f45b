#include "engine/content/IContentProcessor.h"

#include "engine/content/IDeviceServiceEvent.h"
#include "engine/core/CEventHandlerTable.h"

IContentProcessor::~IContentProcessor() = default;

const CEventHandlerTable& IContentProcessor::handlerTable() {
    static const CEventHandlerTable table = [] {
        CEventHandlerTable t(CEventReceiver::handlerTable());
        t.add<&IContentProcessor::onVideoDriverReleased>(IDeviceServiceEvent::VideoDriverReleased);
        t.add<&IContentProcessor::onVideoDriverCreated>(IDeviceServiceEvent::VideoDriverCreated);
        t.add<&IContentProcessor::onAudioDeviceReleased>(IDeviceServiceEvent::AudioDeviceReleased);
        t.add<&IContentProcessor::onAudioDeviceCreated>(IDeviceServiceEvent::AudioDeviceCreated);
        return t;
    }();
    return table;
}

bool IContentProcessor::handleEvent(CEvent* event) { return handleWithTable(handlerTable(), event); }

bool IContentProcessor::save(IContentManager*, IContent*, IWritableFile*, const void*) { return false; }

void IContentProcessor::notify(CEvent*, CContentMap&) {}

bool IContentProcessor::onVideoDriverReleased(CEvent*) { return false; }

bool IContentProcessor::onVideoDriverCreated(CEvent*) { return false; }

bool IContentProcessor::onAudioDeviceReleased(CEvent*) { return false; }

bool IContentProcessor::onAudioDeviceCreated(CEvent*) { return false; }
