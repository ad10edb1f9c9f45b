#include "tests/engine/video/GLTestContext.h"

#include "engine/platform/PlatformGL.h"

CGLTestContext* CGLTestContext::create(int32_t width, int32_t height, bool stencil, std::string* error) {
    PlatformGLContextSettings settings;
    settings.width = width;
    settings.height = height;
    settings.stencil = stencil;
    PlatformGLContext* context = platformGLCreateHiddenContext(settings, error);
    return context ? new CGLTestContext(context) : nullptr;
}

CGLTestContext::~CGLTestContext() { platformGLDestroyContext(m_context); }

bool CGLTestContext::makeCurrent() { return platformGLMakeCurrent(m_context); }

bool CGLTestContext::swapBuffers() {
    ++m_swaps;
    return platformGLSwapBuffers(m_context);
}

bool CGLTestContext::setSwapInterval(int32_t interval) { return platformGLSetSwapInterval(interval); }

void* CGLTestContext::procAddress(const char* name) { return platformGLGetProcAddress(name); }

void* CGLTestContext::windowHandle() const { return platformGLWindowHandle(m_context); }

void* CGLTestContext::contextHandle() const { return platformGLContextHandle(m_context); }
