#pragma once

#include "engine/core/CRefCounted.h"

#include <cstdint>

// The OpenGL context a GL driver draws through, supplied by whoever made it
// (the window device for its window, a test for a hidden one). The driver
// holds a reference and makes every GL call on the thread that created it.
class IGLContext : public virtual CRefCounted {
public:
    // Makes the context current on the calling thread.
    [[nodiscard]] virtual bool makeCurrent() = 0;
    // Presents the back buffer.
    [[nodiscard]] virtual bool swapBuffers() = 0;
    // 0 presents at once, 1 waits for the vertical blank. False when refused.
    [[nodiscard]] virtual bool setSwapInterval(int32_t interval) = 0;
    // The address of GL function `name`, or null. A library may answer a
    // stub for a name it does not implement: callers check the version and
    // the extensions before using what they get.
    [[nodiscard]] virtual void* procAddress(const char* name) = 0;
    // True when a presented frame stays in the back buffer and the front
    // buffer cannot be read back (where a swap copies the back buffer into a
    // window the system owns): screenshots between frames then read the back
    // buffer. Asked with the context current.
    [[nodiscard]] virtual bool keepsPresentedFrameInBackBuffer() const { return false; }
    // Native handles for the driver's platform record (may be null).
    [[nodiscard]] virtual void* windowHandle() const = 0;
    [[nodiscard]] virtual void* contextHandle() const = 0;

protected:
    ~IGLContext() override = default;
};
