#pragma once

#include "engine/core/CEngineCreationParams.h"
#include "engine/core/CEventReceiver.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/ITimeSource.h"
#include "engine/device/CSdlDevice.h"
#include "engine/platform/PlatformWindow.h"

#include <cstdint>
#include <set>
#include <vector>

class CEvent;
class CRefCounted;
class IGraphicsDriver;

// A clock source the test moves by hand.
class FakeTime : public ITimeSource {
public:
    [[nodiscard]] uint32_t nowMs() const override { return now; }
    uint32_t now = 1000;

protected:
    ~FakeTime() override = default;
};

// What a listener saw of one event.
struct SeenEvent {
    int32_t type = 0;
    int32_t x = 0;
    int32_t y = 0;
    float delta = 0.0f;
    int32_t character = 0;
    int32_t keyCode = 0;
    bool shift = false;
    bool control = false;
    bool alt = false;
    bool active = false;
    CRefCounted* service = nullptr;
};

// An engine listener that records every event (the update and render events
// only when asked) and consumes the types in `consume`.
class RecordingListener : public CEventReceiver {
public:
    RecordingListener();

    bool handleEvent(CEvent* event) override;

    // The types seen, in order.
    [[nodiscard]] std::vector<int32_t> types() const;
    [[nodiscard]] int count(int32_t type) const;

    std::vector<SeenEvent> seen;
    std::set<int32_t> consume;
    bool recordFrames = false;

protected:
    ~RecordingListener() override = default;
};

// The device with the sleeps recorded instead of slept, the OpenGL driver
// replaced as a test chooses, and the window messages it handled recorded.
class TestDevice : public CSdlDevice {
public:
    enum class OpenGL { StandIn, Missing, Real };
    using Direct3D8 = OpenGL;

    TestDevice(const CEngineCreationParams& params, ITimeSource* time) : CSdlDevice(params, time) {}

    void sleepMs(uint32_t ms, bool pauseClock) override;

    std::vector<uint32_t> sleeps;
    std::vector<PlatformEventType> messages;
    // StandIn: a Null driver stands for the OpenGL one; Missing: none can be
    // made; Real: the device's own.
    OpenGL openGL = OpenGL::StandIn;
    // Whether the device's own Direct3D 9 driver is made; otherwise none
    // can be.
    bool direct3D9 = false;
    // The same for the Direct3D 8 driver, missing unless a test chooses.
    Direct3D8 direct3D8 = Direct3D8::Missing;

protected:
    ~TestDevice() override = default;

    void handleMessage(const PlatformEvent& event) override;
    [[nodiscard]] IGraphicsDriver* makeOpenGLDriver() override;
    [[nodiscard]] IGraphicsDriver* makeDirect3D9Driver() override;
    [[nodiscard]] IGraphicsDriver* makeDirect3D8Driver() override;
};
