#include "engine/platform/PlatformGL.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// GL_VERSION, without the GL headers.
constexpr unsigned VersionName = 0x1F02;
using GetString = const unsigned char* (*)(unsigned);

TEST(PlatformGL, HiddenContextAnswersGLCalls) {
    PlatformGLContextSettings settings;
    settings.width = 16;
    settings.height = 8;
    settings.stencil = true;
    std::string error;
    PlatformGLContext* context = platformGLCreateHiddenContext(settings, &error);
    if (!context)
        GTEST_SKIP() << "No OpenGL context can be made on this machine: " << error;
    EXPECT_TRUE(platformGLMakeCurrent(context));
    EXPECT_NE(platformGLWindowHandle(context), nullptr);
    EXPECT_NE(platformGLContextHandle(context), nullptr);
    auto getString = reinterpret_cast<GetString>(platformGLGetProcAddress("glGetString"));
    ASSERT_NE(getString, nullptr);
    const auto* version = reinterpret_cast<const char*>(getString(VersionName));
    ASSERT_NE(version, nullptr);
    EXPECT_TRUE(version[0] >= '1' && version[0] <= '9') << version;
    EXPECT_TRUE(platformGLSwapBuffers(context));
    (void)platformGLSetSwapInterval(0);
    platformGLDestroyContext(context);

    // A second context after the first has gone.
    context = platformGLCreateHiddenContext(settings, &error);
    ASSERT_NE(context, nullptr) << error;
    platformGLDestroyContext(context);
}

TEST(PlatformGL, EmptySizesAreRefusedWithAReason) {
    PlatformGLContextSettings settings;
    settings.width = 0;
    std::string error;
    EXPECT_EQ(platformGLCreateHiddenContext(settings, &error), nullptr);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(platformGLGetProcAddress(nullptr), nullptr);
    platformGLDestroyContext(nullptr);
    EXPECT_FALSE(platformGLMakeCurrent(nullptr));
    EXPECT_FALSE(platformGLSwapBuffers(nullptr));
}

} // namespace
