#include "engine/platform/CPlatformWindowContext.h"

#include "engine/platform/win32/PlatformWindowState.h"
#include "engine/platform/win32/Win32GL.h"

CPlatformWindowContext::CPlatformWindowContext(std::shared_ptr<PlatformWindowState> window, void* context)
    : m_window(std::move(window)), m_context(context) {}

CPlatformWindowContext::~CPlatformWindowContext() { win32DeleteContext(static_cast<HGLRC>(m_context)); }

bool CPlatformWindowContext::makeCurrent() {
    return m_window->window && wglMakeCurrent(m_window->deviceContext, static_cast<HGLRC>(m_context));
}

bool CPlatformWindowContext::swapBuffers() { return m_window->window && SwapBuffers(m_window->deviceContext); }

bool CPlatformWindowContext::setSwapInterval(int32_t interval) {
    using SwapInterval = BOOL(WINAPI*)(int);
    if (!m_window->window)
        return false;
    auto swapInterval =
        reinterpret_cast<SwapInterval>(reinterpret_cast<void*>(wglGetProcAddress("wglSwapIntervalEXT")));
    return swapInterval && swapInterval(interval);
}

bool CPlatformWindowContext::keepsPresentedFrameInBackBuffer() const {
    return m_window->window && win32SwapKeepsBackBuffer(m_window->deviceContext);
}

bool CPlatformWindowContext::windowOpen() const { return m_window->window != nullptr; }

void* CPlatformWindowContext::windowHandle() const { return m_window->window; }
