#pragma once

// WGL helpers shared by the window contexts and the hidden test contexts.
// Used only inside this folder.

#include "engine/platform/win32/Win32Support.h"

#include <cstdint>
#include <string>

struct PlatformGLContextParams;

// Picks and sets a double-buffered RGBA pixel format on `deviceContext`:
// as asked, then without stencil, then with a 24-bit and a 16-bit depth
// buffer. False, with the reason in `error`, when none can be set.
[[nodiscard]] bool win32SetPixelFormat(HDC deviceContext, int32_t colorBits, int32_t depthBits, bool stencil,
                                       std::string* error);

// A context for `deviceContext` (its pixel format set), made current. A
// version, profile or flag asked for goes through WGL_ARB_create_context;
// without that extension only a plain request can be met. Null, with the
// reason in `error`, on failure.
[[nodiscard]] HGLRC win32CreateContext(HDC deviceContext, const PlatformGLContextParams& params, std::string* error);

// Whether the frame presented through `deviceContext` (its pixel format set,
// a context current) stays in the back buffer: true unless its swap method
// is an exchange, which leaves it in the front buffer. A copy, and a method
// the format leaves unstated (software rasterisers copy the back buffer into
// a window the system owns, whose pixels the front buffer does not give
// back), keep it there.
[[nodiscard]] bool win32SwapKeepsBackBuffer(HDC deviceContext);

// Deletes `context`, first releasing it when it is current on this thread.
void win32DeleteContext(HGLRC context);
