#pragma once

#include "engine/video/IGLContext.h"

#include <cstdint>
#include <memory>

class CPlatformWindowContext;

// The OpenGL context of the device's window, as the OpenGL driver sees it.
// It may outlive the window (the driver goes after the window closes); then
// it can no longer be made current or presented.
class CSdlGLContext : public IGLContext {
public:
    explicit CSdlGLContext(std::unique_ptr<CPlatformWindowContext> context);

    [[nodiscard]] bool makeCurrent() override;
    [[nodiscard]] bool swapBuffers() override;
    [[nodiscard]] bool setSwapInterval(int32_t interval) override;
    [[nodiscard]] void* procAddress(const char* name) override;
    [[nodiscard]] bool keepsPresentedFrameInBackBuffer() const override;
    [[nodiscard]] void* windowHandle() const override;
    [[nodiscard]] void* contextHandle() const override;

protected:
    ~CSdlGLContext() override;

private:
    std::unique_ptr<CPlatformWindowContext> m_context;
};
