#include "tests/engine/device/DeviceTestSupport.h"

#include "engine/content/IDeviceServiceEvent.h"
#include "engine/core/CEvent.h"
#include "engine/core/CEventKey.h"
#include "engine/core/CEventMouse.h"
#include "engine/core/CEventMouseWheel.h"
#include "engine/core/CEventRender.h"
#include "engine/core/CEventUpdate.h"
#include "engine/device/CEventApplicationActivate.h"
#include "engine/device/CEventDisplayChanged.h"
#include "engine/device/CEventWindowActivate.h"
#include "engine/device/CEventWindowResized.h"
#include "engine/video/CNullGraphicsDriver.h"

#include <algorithm>

RecordingListener::RecordingListener() { setMask(CEvent::MaskAll); }

bool RecordingListener::handleEvent(CEvent* event) {
    const int32_t type = event->getType();
    if (!recordFrames && (type == CEventUpdate::TypeId || type == CEventRender::TypeId))
        return false;
    SeenEvent seenEvent;
    seenEvent.type = type;
    if (const auto* mouse = dynamic_cast<const CEventMouse*>(event)) {
        seenEvent.x = mouse->getX();
        seenEvent.y = mouse->getY();
    }
    if (const auto* wheel = dynamic_cast<const CEventMouseWheel*>(event))
        seenEvent.delta = wheel->getDelta();
    if (const auto* key = dynamic_cast<const CEventKey*>(event)) {
        seenEvent.character = key->getCharacter();
        seenEvent.keyCode = key->getKeyCode();
        seenEvent.shift = key->isShift();
        seenEvent.control = key->isControl();
        seenEvent.alt = key->isAlt();
    }
    if (const auto* activate = dynamic_cast<const CEventWindowActivate*>(event))
        seenEvent.active = activate->isActive();
    if (const auto* activate = dynamic_cast<const CEventApplicationActivate*>(event))
        seenEvent.active = activate->isActive();
    if (const auto* resized = dynamic_cast<const CEventWindowResized*>(event)) {
        seenEvent.x = resized->getWidth();
        seenEvent.y = resized->getHeight();
    }
    if (const auto* display = dynamic_cast<const CEventDisplayChanged*>(event)) {
        seenEvent.x = display->getWidth();
        seenEvent.y = display->getHeight();
    }
    if (const auto* service = dynamic_cast<const IDeviceServiceEvent*>(event))
        seenEvent.service = service->getService();
    seen.push_back(seenEvent);
    return consume.count(type) > 0;
}

std::vector<int32_t> RecordingListener::types() const {
    std::vector<int32_t> result;
    for (const SeenEvent& e : seen)
        result.push_back(e.type);
    return result;
}

int RecordingListener::count(int32_t type) const {
    return int(std::count_if(seen.begin(), seen.end(), [type](const SeenEvent& e) { return e.type == type; }));
}

void TestDevice::sleepMs(uint32_t ms, bool) { sleeps.push_back(ms); }

void TestDevice::handleMessage(const PlatformEvent& event) {
    messages.push_back(event.type);
    CSdlDevice::handleMessage(event);
}

IGraphicsDriver* TestDevice::makeDirect3D9Driver() { return direct3D9 ? CSdlDevice::makeDirect3D9Driver() : nullptr; }

IGraphicsDriver* TestDevice::makeOpenGLDriver() {
    switch (openGL) {
    case OpenGL::StandIn:
        return createNullDriver(getCreationParams(), getFileSystem(), getClock());
    case OpenGL::Missing:
        return nullptr;
    case OpenGL::Real:
        break;
    }
    return CSdlDevice::makeOpenGLDriver();
}

IGraphicsDriver* TestDevice::makeDirect3D8Driver() {
    switch (direct3D8) {
    case Direct3D8::StandIn:
        return createNullDriver(getCreationParams(), getFileSystem(), getClock());
    case Direct3D8::Missing:
        return nullptr;
    case Direct3D8::Real:
        break;
    }
    return CSdlDevice::makeDirect3D8Driver();
}
