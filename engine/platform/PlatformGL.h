#pragma once

#include <cstdint>
#include <string>

// OpenGL through SDL: the entry-point lookup every GL user shares, and a GL
// context on a hidden window for headless runs and tests. Under
// SDL_VIDEODRIVER=offscreen the context comes from EGL with no display
// server; under a desktop video driver it is an ordinary window context.

// What the hidden context is asked for. The bits are requests: what the
// context actually has is what GL reports once it is current.
struct PlatformGLContextSettings {
    int32_t width = 64;
    int32_t height = 64;
    // 16 asks for 5-6-5 colour, anything else for 8 bits per channel and alpha.
    int32_t colorBits = 32;
    int32_t depthBits = 24;
    bool stencil = false;
    // Multisample count; 0 or 1 means none.
    int32_t samples = 0;
};

// A hidden window with its GL context (opaque).
struct PlatformGLContext;

// The address of GL function `name` in the GL library SDL has loaded; null
// when no GL library is loaded or the library does not know the name. Some
// libraries answer a stub for any name, so a non-null answer does not prove
// the implementation supports the function: check the version and the
// extension list first.
[[nodiscard]] void* platformGLGetProcAddress(const char* name);

// Creates a hidden window of the settings' size with a GL context and makes
// the context current. When the full request cannot be met it retries with
// fewer multisamples, then without stencil, then with a 16-bit depth buffer.
// Null, with the reason in `error` (may be null), when no context can be
// made at all (no video driver with GL, for example). The video subsystem
// and the GL library stay loaded for the rest of the process once started:
// unloading them leaves the GL library's own allocations unreachable.
[[nodiscard]] PlatformGLContext* platformGLCreateHiddenContext(const PlatformGLContextSettings& settings,
                                                               std::string* error);
// Destroys the context and its window; null does nothing.
void platformGLDestroyContext(PlatformGLContext* context);

// Makes the context current on the calling thread.
[[nodiscard]] bool platformGLMakeCurrent(PlatformGLContext* context);
// Presents the back buffer of the context's window.
[[nodiscard]] bool platformGLSwapBuffers(PlatformGLContext* context);
// Sets the swap interval of the current context: 0 immediate, 1 wait for
// the vertical blank. False when the system refuses.
[[nodiscard]] bool platformGLSetSwapInterval(int32_t interval);

// The native handles behind the context, for a driver's platform record.
[[nodiscard]] void* platformGLWindowHandle(const PlatformGLContext* context);
[[nodiscard]] void* platformGLContextHandle(const PlatformGLContext* context);
