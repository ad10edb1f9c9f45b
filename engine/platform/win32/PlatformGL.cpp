#include "engine/platform/PlatformGL.h"

#include "engine/platform/CPlatformWindow.h"
#include "engine/platform/win32/Win32GL.h"

struct PlatformGLContext {
    HWND window = nullptr;
    HDC deviceContext = nullptr;
    HGLRC context = nullptr;
};

namespace {

constexpr wchar_t kHiddenClass[] = L"BrindlemoorHiddenGL";

bool registerHiddenClass() {
    static const bool registered = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.style = CS_OWNDC;
        windowClass.lpfnWndProc = &DefWindowProcW;
        windowClass.hInstance = win32Instance();
        windowClass.lpszClassName = kHiddenClass;
        return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered;
}

HMODULE openGLLibrary() {
    static HMODULE library = LoadLibraryW(L"opengl32.dll");
    return library;
}

} // namespace

void* platformGLGetProcAddress(const char* name) {
    if (!name)
        return nullptr;
    // wglGetProcAddress knows only what goes beyond OpenGL 1.1, and some
    // implementations answer small numbers instead of null for the rest.
    void* address = reinterpret_cast<void*>(wglGetProcAddress(name));
    const auto value = reinterpret_cast<intptr_t>(address);
    if (value == 0 || value == 1 || value == 2 || value == 3 || value == -1)
        address = openGLLibrary() ? reinterpret_cast<void*>(GetProcAddress(openGLLibrary(), name)) : nullptr;
    return address;
}

PlatformGLContext* platformGLCreateHiddenContext(const PlatformGLContextSettings& settings, std::string* error) {
    if (settings.width <= 0 || settings.height <= 0) {
        win32StoreError(error, "the context needs a size of at least one pixel");
        return nullptr;
    }
    if (!registerHiddenClass()) {
        win32StoreError(error);
        return nullptr;
    }
    auto* context = new PlatformGLContext;
    RECT frame{0, 0, settings.width, settings.height};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    // Hidden: a shown window costs seconds to close on some X servers, and
    // the back buffer of a hidden one still renders and reads back.
    context->window =
        CreateWindowExW(0, kHiddenClass, L"", WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0,
                        frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, win32Instance(), nullptr);
    if (context->window)
        context->deviceContext = GetDC(context->window);
    if (!context->deviceContext) {
        win32StoreError(error);
        platformGLDestroyContext(context);
        return nullptr;
    }
    if (!win32SetPixelFormat(context->deviceContext, settings.colorBits, settings.depthBits, settings.stencil, error)) {
        platformGLDestroyContext(context);
        return nullptr;
    }
    context->context = win32CreateContext(context->deviceContext, PlatformGLContextParams{}, error);
    if (!context->context) {
        platformGLDestroyContext(context);
        return nullptr;
    }
    return context;
}

void platformGLDestroyContext(PlatformGLContext* context) {
    if (!context)
        return;
    win32DeleteContext(context->context);
    if (context->window)
        DestroyWindow(context->window);
    delete context;
}

bool platformGLMakeCurrent(PlatformGLContext* context) {
    return context && wglMakeCurrent(context->deviceContext, context->context);
}

bool platformGLSwapBuffers(PlatformGLContext* context) { return context && SwapBuffers(context->deviceContext); }

bool platformGLSetSwapInterval(int32_t interval) {
    using SwapInterval = BOOL(WINAPI*)(int);
    auto swapInterval =
        reinterpret_cast<SwapInterval>(reinterpret_cast<void*>(wglGetProcAddress("wglSwapIntervalEXT")));
    return swapInterval && swapInterval(interval);
}

void* platformGLWindowHandle(const PlatformGLContext* context) { return context ? context->window : nullptr; }

void* platformGLContextHandle(const PlatformGLContext* context) { return context ? context->context : nullptr; }
