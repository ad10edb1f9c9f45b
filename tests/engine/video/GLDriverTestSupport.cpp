#include "tests/engine/video/GLDriverTestSupport.h"

#include "engine/core/CEngineCreationParams.h"
#include "engine/core/CObjectName.h"
#include "engine/core/CStringW.h"
#include "engine/video/CQuadBatch.h"
#include "engine/video/MaterialTypes.h"
#include "engine/video/OpenGLDriver.h"

#include <cstdlib>
#include <string>

void GLDriverTest::SetUp() {
    std::string error;
    m_context.reset(CGLTestContext::create(ScreenWidth, ScreenHeight, true, &error));
    if (!m_context)
        GTEST_SKIP() << "No OpenGL context can be made on this machine: " << error;
    restartDriver(nullptr);
    ASSERT_TRUE(m_driver) << "The GL driver did not start on a working context.";
}

void GLDriverTest::TearDown() {
    m_driver.reset();
    m_context.reset();
}

void GLDriverTest::restartDriver(CVirtualFileSystem* fileSystem) {
    m_driver.reset();
    m_driver.reset(createTestGLDriver(m_context.get(), ScreenWidth, ScreenHeight, fileSystem));
}

CGLDriver* createTestGLDriver(CGLTestContext* context, int32_t width, int32_t height,
                              CVirtualFileSystem* fileSystem) {
    CEngineCreationParams params;
    params.driverType = CEngineCreationParams::DriverOpenGL;
    params.width = width;
    params.height = height;
    params.colorBits = 32;
    params.stencil = true;
    return static_cast<CGLDriver*>(createOpenGLDriver(params, fileSystem, context));
}

CRefHandle<CPixelImage> GLDriverTest::screenshot() { return CRefHandle<CPixelImage>(m_driver->takeScreenshot()); }

CColor GLDriverTest::pixel(int32_t x, int32_t y) {
    CRefHandle<CPixelImage> image = screenshot();
    return image ? image->pixelAt(static_cast<uint32_t>(x), static_cast<uint32_t>(y)) : CColor();
}
