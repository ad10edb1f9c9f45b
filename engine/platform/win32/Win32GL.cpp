#include "engine/platform/win32/Win32GL.h"

#include "engine/platform/CPlatformWindow.h"

namespace {

// WGL_ARB_create_context
constexpr int kContextMajorVersion = 0x2091;
constexpr int kContextMinorVersion = 0x2092;
constexpr int kContextFlags = 0x2094;
constexpr int kContextProfileMask = 0x9126;
constexpr int kContextDebugBit = 0x0001;
constexpr int kContextForwardCompatibleBit = 0x0002;
constexpr int kContextCoreProfileBit = 0x0001;
constexpr int kContextCompatibilityProfileBit = 0x0002;
constexpr int kContextEsProfileBit = 0x0004;

// WGL_ARB_pixel_format
constexpr int kSwapMethod = 0x2007;
constexpr int kSwapExchange = 0x2028;

using CreateContextAttribs = HGLRC(WINAPI*)(HDC, HGLRC, const int*);
using GetPixelFormatAttribiv = BOOL(WINAPI*)(HDC, int, int, UINT, const int*, int*);

bool wantsAttributes(const PlatformGLContextParams& params) {
    return params.majorVersion > 0 || params.profile != PlatformGLContextParams::Profile::Any || params.debug ||
           params.forwardCompatible;
}

} // namespace

bool win32SetPixelFormat(HDC deviceContext, int32_t colorBits, int32_t depthBits, bool stencil, std::string* error) {
    PIXELFORMATDESCRIPTOR wanted{};
    wanted.nSize = sizeof wanted;
    wanted.nVersion = 1;
    wanted.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    wanted.iPixelType = PFD_TYPE_RGBA;
    wanted.cColorBits = BYTE(colorBits > 16 ? 32 : 16);
    wanted.cAlphaBits = BYTE(colorBits > 16 ? 8 : 0);
    wanted.iLayerType = PFD_MAIN_PLANE;
    const struct {
        BYTE depth;
        BYTE stencil;
    } attempts[] = {
        {BYTE(depthBits > 0 ? depthBits : 0), BYTE(stencil ? 8 : 0)},
        {BYTE(depthBits > 0 ? depthBits : 0), 0},
        {24, 0},
        {16, 0},
    };
    for (const auto& attempt : attempts) {
        wanted.cDepthBits = attempt.depth;
        wanted.cStencilBits = attempt.stencil;
        const int format = ChoosePixelFormat(deviceContext, &wanted);
        if (format == 0)
            continue;
        PIXELFORMATDESCRIPTOR chosen{};
        DescribePixelFormat(deviceContext, format, sizeof chosen, &chosen);
        if (SetPixelFormat(deviceContext, format, &chosen))
            return true;
    }
    win32StoreError(error, "no suitable OpenGL pixel format");
    return false;
}

HGLRC win32CreateContext(HDC deviceContext, const PlatformGLContextParams& params, std::string* error) {
    HGLRC plain = wglCreateContext(deviceContext);
    if (!plain) {
        win32StoreError(error);
        return nullptr;
    }
    if (!wglMakeCurrent(deviceContext, plain)) {
        win32StoreError(error);
        wglDeleteContext(plain);
        return nullptr;
    }
    if (!wantsAttributes(params))
        return plain;

    // The extension's entry is only found through a current context.
    auto create = reinterpret_cast<CreateContextAttribs>(
        reinterpret_cast<void*>(wglGetProcAddress("wglCreateContextAttribsARB")));
    if (!create) {
        win32StoreError(error, "WGL_ARB_create_context is not available");
        win32DeleteContext(plain);
        return nullptr;
    }
    int attributes[16];
    int count = 0;
    if (params.majorVersion > 0) {
        attributes[count++] = kContextMajorVersion;
        attributes[count++] = params.majorVersion;
        attributes[count++] = kContextMinorVersion;
        attributes[count++] = params.minorVersion;
    }
    int profile = 0;
    switch (params.profile) {
    case PlatformGLContextParams::Profile::Core:
        profile = kContextCoreProfileBit;
        break;
    case PlatformGLContextParams::Profile::Compatibility:
        profile = kContextCompatibilityProfileBit;
        break;
    case PlatformGLContextParams::Profile::ES:
        profile = kContextEsProfileBit;
        break;
    case PlatformGLContextParams::Profile::Any:
        break;
    }
    if (profile != 0) {
        attributes[count++] = kContextProfileMask;
        attributes[count++] = profile;
    }
    const int flags =
        (params.debug ? kContextDebugBit : 0) | (params.forwardCompatible ? kContextForwardCompatibleBit : 0);
    if (flags != 0) {
        attributes[count++] = kContextFlags;
        attributes[count++] = flags;
    }
    attributes[count] = 0;
    HGLRC context = create(deviceContext, nullptr, attributes);
    win32DeleteContext(plain);
    if (!context) {
        win32StoreError(error, "the OpenGL version or profile asked for is not available");
        return nullptr;
    }
    if (!wglMakeCurrent(deviceContext, context)) {
        win32StoreError(error);
        wglDeleteContext(context);
        return nullptr;
    }
    return context;
}

bool win32SwapKeepsBackBuffer(HDC deviceContext) {
    const int format = GetPixelFormat(deviceContext);
    PIXELFORMATDESCRIPTOR described{};
    if (format == 0 || !DescribePixelFormat(deviceContext, format, sizeof described, &described) ||
        !(described.dwFlags & PFD_DOUBLEBUFFER))
        return false;
    if (described.dwFlags & (PFD_SWAP_EXCHANGE | PFD_SWAP_COPY))
        return (described.dwFlags & PFD_SWAP_COPY) != 0;
    // The descriptor states no method; the extension may.
    auto attributes = reinterpret_cast<GetPixelFormatAttribiv>(
        reinterpret_cast<void*>(wglGetProcAddress("wglGetPixelFormatAttribivARB")));
    int method = 0;
    if (attributes && attributes(deviceContext, format, 0, 1, &kSwapMethod, &method))
        return method != kSwapExchange;
    return true;
}

void win32DeleteContext(HGLRC context) {
    if (!context)
        return;
    if (wglGetCurrentContext() == context)
        wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(context);
}
