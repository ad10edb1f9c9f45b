// The scene tests on the OpenGL driver, on a hidden context.
#include "engine/core/CEngineCreationParams.h"
#include "engine/video/OpenGLDriver.h"
#include "tests/engine/video/DriverSceneTest.h"
#include "tests/engine/video/GLTestContext.h"

namespace {

SceneDriver makeOpenGLDriver(const CEngineCreationParams& params, std::string* error) {
    CRefHandle<CGLTestContext> context(CGLTestContext::create(params.width, params.height, params.stencil, error));
    SceneDriver made;
    if (!context)
        return made;
    made.driver.reset(createOpenGLDriver(params, nullptr, context.get()));
    if (!made.driver)
        *error = "the OpenGL driver did not start on a working context";
    return made;
}

INSTANTIATE_TEST_SUITE_P(OpenGL, DriverSceneTest,
                         testing::Values(SceneDriverKind{"OpenGL", &makeOpenGLDriver, true,
                                                         CEngineCreationParams::DriverOpenGL}),
                         sceneDriverName);

} // namespace
