#pragma once

#include <cstdint>
#include <memory>

struct PlatformWindowState;

// An OpenGL context made for a CPlatformWindow (CPlatformWindow::
// createGLContext). It may outlive its window: once the window is closed it
// can no longer be made current or presented, and only deleting it remains.
// Main thread only.
class CPlatformWindowContext {
public:
    ~CPlatformWindowContext();
    CPlatformWindowContext(const CPlatformWindowContext&) = delete;
    CPlatformWindowContext& operator=(const CPlatformWindowContext&) = delete;

    // False once the window is closed.
    [[nodiscard]] bool makeCurrent();
    // Presents the window's back buffer; false once the window is closed.
    [[nodiscard]] bool swapBuffers();
    // 0 off, 1 wait for the vertical retrace, -1 adaptive; for the context
    // current on this thread. False when refused.
    [[nodiscard]] bool setSwapInterval(int32_t interval);
    // True when a presented frame stays readable in the back buffer only
    // (IGLContext::keepsPresentedFrameInBackBuffer); for the current context.
    [[nodiscard]] bool keepsPresentedFrameInBackBuffer() const;
    [[nodiscard]] bool windowOpen() const;
    // Native handles for a driver's platform record; null once closed.
    [[nodiscard]] void* windowHandle() const;
    [[nodiscard]] void* contextHandle() const { return m_context; }

private:
    friend class CPlatformWindow;
    CPlatformWindowContext(std::shared_ptr<PlatformWindowState> window, void* context);

    std::shared_ptr<PlatformWindowState> m_window;
    void* m_context;
};
