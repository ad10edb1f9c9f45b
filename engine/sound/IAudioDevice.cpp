#include "engine/sound/IAudioDevice.h"

#include "engine/content/IDeviceServiceEvent.h"
#include "engine/core/CEvent.h"
#include "engine/core/CEventHandlerTable.h"
#include "engine/core/CEventUpdate.h"

IAudioDevice::IAudioDevice() { setMask(CEvent::MaskDevice | CEvent::MaskSystemFlow); }

IAudioDevice::~IAudioDevice() = default;

const CEventHandlerTable& IAudioDevice::handlerTable() {
    static const CEventHandlerTable table = [] {
        CEventHandlerTable t(CEventReceiver::handlerTable());
        t.add<&IAudioDevice::update>(CEventUpdate::TypeId);
        t.add<&IAudioDevice::onReleased>(IDeviceServiceEvent::AudioDeviceReleased);
        return t;
    }();
    return table;
}

bool IAudioDevice::handleEvent(CEvent* event) { return handleWithTable(handlerTable(), event); }

bool IAudioDevice::onReleased(CEvent*) {
    shutDown();
    return false;
}
