#include "engine/device/CSdlGLContext.h"

#include "engine/platform/CPlatformWindowContext.h"
#include "engine/platform/PlatformGL.h"

CSdlGLContext::CSdlGLContext(std::unique_ptr<CPlatformWindowContext> context) : m_context(std::move(context)) {}

CSdlGLContext::~CSdlGLContext() = default;

bool CSdlGLContext::makeCurrent() { return m_context->makeCurrent(); }

bool CSdlGLContext::swapBuffers() { return m_context->swapBuffers(); }

bool CSdlGLContext::setSwapInterval(int32_t interval) { return m_context->setSwapInterval(interval); }

void* CSdlGLContext::procAddress(const char* name) { return platformGLGetProcAddress(name); }

bool CSdlGLContext::keepsPresentedFrameInBackBuffer() const { return m_context->keepsPresentedFrameInBackBuffer(); }

void* CSdlGLContext::windowHandle() const { return m_context->windowHandle(); }

void* CSdlGLContext::contextHandle() const { return m_context->contextHandle(); }
