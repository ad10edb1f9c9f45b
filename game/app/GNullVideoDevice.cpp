#include "game/app/GNullVideoDevice.h"

#include "engine/device/CSdlDevice.h"
#include "engine/video/CNullGraphicsDriver.h"

namespace {

class GNullVideoDevice final : public CSdlDevice {
public:
    using CSdlDevice::CSdlDevice;

protected:
    ~GNullVideoDevice() override = default;

    [[nodiscard]] IGraphicsDriver* makeOpenGLDriver() override {
        return createNullDriver(getCreationParams(), getFileSystem(), getClock());
    }
    // Where the system offers Direct3D, the chain would take it first.
    [[nodiscard]] IGraphicsDriver* makeDirect3D9Driver() override { return nullptr; }
    [[nodiscard]] IGraphicsDriver* makeDirect3D8Driver() override { return nullptr; }
};

} // namespace

CEngine* createNullVideoDevice(const CEngineCreationParams& params) {
    // The first device is made with the null driver and no window, which
    // always succeeds; the game then asks for its window.
    GNullVideoDevice* device = new GNullVideoDevice(params);
    setEngineInstance(device);
    return device;
}
