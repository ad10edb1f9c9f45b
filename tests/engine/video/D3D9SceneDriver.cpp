// The scene tests on the Direct3D 9 driver, in a hidden window (Windows
// only; under wine on the Linux machine).
#include "tests/engine/video/D3D9SceneDriver.h"

#include "engine/core/CEngineCreationParams.h"
#include "engine/platform/CPlatformWindow.h"
#include "engine/platform/PlatformWindow.h"
#include "engine/video/Direct3D9Driver.h"
#include "tests/engine/video/DriverSceneTest.h"

SceneDriver makeDirect3D9SceneDriver(const CEngineCreationParams& params, std::string* error) {
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
    made.driver.reset(createDirect3D9Driver(params, nullptr, window->handle()));
    if (!made.driver) {
        *error = "the Direct3D 9 driver did not start (see the log)";
        return made;
    }
    made.target = window;
    return made;
}

namespace {

INSTANTIATE_TEST_SUITE_P(Direct3D9, DriverSceneTest,
                         testing::Values(SceneDriverKind{"Direct3D9", &makeDirect3D9SceneDriver, false,
                                                         CEngineCreationParams::DriverDirect3D9}),
                         sceneDriverName);

} // namespace
