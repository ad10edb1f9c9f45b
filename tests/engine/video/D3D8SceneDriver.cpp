// The scene tests on the Direct3D 8 driver, in a hidden window (Windows
// only; under wine on the Linux machine).
#include "tests/engine/video/D3D8SceneDriver.h"

#include "engine/core/CEngineCreationParams.h"
#include "engine/platform/CPlatformWindow.h"
#include "engine/platform/PlatformWindow.h"
#include "engine/video/Direct3D8Driver.h"
#include "tests/engine/video/DriverSceneTest.h"

SceneDriver makeDirect3D8SceneDriver(const CEngineCreationParams& params, std::string* error) {
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
    made.driver.reset(createDirect3D8Driver(params, nullptr, window->handle()));
    if (!made.driver) {
        *error = "the Direct3D 8 driver did not start (see the log)";
        return made;
    }
    made.target = window;
    return made;
}

namespace {

INSTANTIATE_TEST_SUITE_P(Direct3D8, DriverSceneTest,
                         testing::Values(SceneDriverKind{"Direct3D8", &makeDirect3D8SceneDriver, false,
                                                         CEngineCreationParams::DriverDirect3D8}),
                         sceneDriverName);

} // namespace
