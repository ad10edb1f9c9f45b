#pragma once

#include "engine/video/IGLContext.h"

#include <cstdint>
#include <string>

struct PlatformGLContext;

// A GL context on a hidden window for the GL driver's tests (under
// SDL_VIDEODRIVER=offscreen: no display server needed).
class CGLTestContext : public IGLContext {
public:
    // One reference for the caller, or null with the reason in `error` when
    // no GL context can be made on this machine.
    [[nodiscard]] static CGLTestContext* create(int32_t width, int32_t height, bool stencil, std::string* error);

    [[nodiscard]] bool makeCurrent() override;
    [[nodiscard]] bool swapBuffers() override;
    [[nodiscard]] bool setSwapInterval(int32_t interval) override;
    [[nodiscard]] void* procAddress(const char* name) override;
    [[nodiscard]] void* windowHandle() const override;
    [[nodiscard]] void* contextHandle() const override;

    [[nodiscard]] int swapCount() const { return m_swaps; }

protected:
    ~CGLTestContext() override;

private:
    explicit CGLTestContext(PlatformGLContext* context) : m_context(context) {}

    PlatformGLContext* m_context;
    int m_swaps = 0;
};
