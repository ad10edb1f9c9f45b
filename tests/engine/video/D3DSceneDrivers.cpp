// The scene tests on the Direct3D 9 and Direct3D 8 drivers, in hidden
// windows (Windows only; under wine on the Linux machine).
#include "tests/engine/video/D3DSceneDrivers.h"

#include "engine/core/CEngineCreationParams.h"
#include "engine/platform/CPlatformWindow.h"
#include "engine/platform/PlatformWindow.h"
#include "engine/video/Direct3D8Driver.h"
#include "engine/video/Direct3D9Driver.h"

namespace {

using CreateDriver = IGraphicsDriver* (*)(const CEngineCreationParams&, CVirtualFileSystem*, void*, CClock*);

// The driver `create` makes on a hidden window of the parameters' size;
// `what` names it in the error.
SceneDriver makeOnHiddenWindow(const CEngineCreationParams& params, std::string* error, CreateDriver create,
                               const char* what) {
    SceneDriver made;
    if (!platformVideoInit(error))
        return made;
    auto window = std::make_shared<CPlatformWindow>();
    PlatformWindowParams windowParams;
    windowParams.width = params.width;
    windowParams.height = params.height;
    // Hidden: the back buffer still renders and reads back, and a shown
    // window takes seconds to close on an X server without a window manager.
    windowParams.shown = false;
    windowParams.openGL = false;
    if (!window->create(windowParams, error))
        return made;
    made.driver.reset(create(params, nullptr, window->handle(), nullptr));
    if (!made.driver) {
        *error = std::string("the ") + what + " driver did not start (see the log)";
        return made;
    }
    made.target = window;
    return made;
}

} // namespace

SceneDriver makeDirect3D9SceneDriver(const CEngineCreationParams& params, std::string* error) {
    return makeOnHiddenWindow(params, error, &createDirect3D9Driver, "Direct3D 9");
}

SceneDriver makeDirect3D8SceneDriver(const CEngineCreationParams& params, std::string* error) {
    return makeOnHiddenWindow(params, error, &createDirect3D8Driver, "Direct3D 8");
}

SceneDriverKind direct3D9SceneKind() {
    return {"Direct3D9", &makeDirect3D9SceneDriver, false, CEngineCreationParams::DriverDirect3D9};
}

SceneDriverKind direct3D8SceneKind() {
    return {"Direct3D8", &makeDirect3D8SceneDriver, false, CEngineCreationParams::DriverDirect3D8};
}

namespace {

INSTANTIATE_TEST_SUITE_P(Direct3D9, DriverSceneTest, testing::Values(direct3D9SceneKind()), sceneDriverName);
INSTANTIATE_TEST_SUITE_P(Direct3D8, DriverSceneTest, testing::Values(direct3D8SceneKind()), sceneDriverName);

} // namespace
