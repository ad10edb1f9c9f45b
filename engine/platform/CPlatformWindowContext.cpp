#include "engine/platform/CPlatformWindowContext.h"

#include "engine/platform/PlatformWindowState.h"

CPlatformWindowContext::CPlatformWindowContext(std::shared_ptr<PlatformWindowState> window, void* context)
    : m_window(std::move(window)), m_context(context) {}

CPlatformWindowContext::~CPlatformWindowContext() {
    // A context current on this thread is released first, by SDL itself; a
    // closed window has already let go of it.
    SDL_GL_DeleteContext(static_cast<SDL_GLContext>(m_context));
}

bool CPlatformWindowContext::makeCurrent() {
    return m_window->window && SDL_GL_MakeCurrent(m_window->window, static_cast<SDL_GLContext>(m_context)) == 0;
}

bool CPlatformWindowContext::swapBuffers() {
    if (!m_window->window)
        return false;
    SDL_GL_SwapWindow(m_window->window);
    return true;
}

bool CPlatformWindowContext::setSwapInterval(int32_t interval) {
    return m_window->window && SDL_GL_SetSwapInterval(interval) == 0;
}

// SDL's windows read their presented frame from the front buffer.
bool CPlatformWindowContext::keepsPresentedFrameInBackBuffer() const { return false; }

bool CPlatformWindowContext::windowOpen() const { return m_window->window != nullptr; }

void* CPlatformWindowContext::windowHandle() const { return m_window->window; }
