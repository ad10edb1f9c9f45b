#include "engine/platform/CPlatformWindow.h"

#include "engine/platform/CPlatformWindowContext.h"
#include "engine/platform/PlatformWindow.h"
#include "engine/platform/PlatformWindowState.h"

#include <SDL.h>

#include <cstring>

namespace {

void storeError(std::string* error, const char* text = nullptr) {
    if (error)
        *error = text ? text : SDL_GetError();
}

// The pixel format an OpenGL window asks for; fixed when the window is made.
void setPixelAttributes(int32_t colorBits, const PlatformPixelFormat& format) {
    const bool deep = colorBits > 16;
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, deep ? 8 : 5);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, deep ? 8 : 6);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, deep ? 8 : 5);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    platformSetPixelFormat(format);
}

// Whether a context of the attributes set can be made for `window`: some
// systems refuse a format only then. The context current before stays so.
bool contextPossible(SDL_Window* window) {
    SDL_Window* currentWindow = SDL_GL_GetCurrentWindow();
    SDL_GLContext current = SDL_GL_GetCurrentContext();
    SDL_GLContext probe = SDL_GL_CreateContext(window);
    if (probe)
        SDL_GL_DeleteContext(probe);
    if (current)
        SDL_GL_MakeCurrent(currentWindow, current);
    return probe != nullptr;
}

// Drivers without a desktop pointer (the headless ones) keep the pointer
// only as their own record relative to the window.
bool hasDesktopPointer() {
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver && std::strcmp(driver, "offscreen") != 0 && std::strcmp(driver, "dummy") != 0;
}

} // namespace

CPlatformWindow::CPlatformWindow() : m_state(std::make_shared<PlatformWindowState>()) {}

CPlatformWindow::~CPlatformWindow() { destroy(); }

bool CPlatformWindow::create(const PlatformWindowParams& params, std::string* error) {
    if (m_state->window) {
        storeError(error, "the window is open already");
        return false;
    }
    if (!platformVideoReady()) {
        storeError(error, "the video system is not started");
        return false;
    }
    Uint32 flags = params.shown ? SDL_WINDOW_SHOWN : SDL_WINDOW_HIDDEN;
    if (!params.bordered)
        flags |= SDL_WINDOW_BORDERLESS;
    if (params.resizable)
        flags |= SDL_WINDOW_RESIZABLE;
    const int x = params.centred ? int(SDL_WINDOWPOS_CENTERED) : params.x;
    const int y = params.centred ? int(SDL_WINDOWPOS_CENTERED) : params.y;
    const int width = params.width > 0 ? params.width : 1;
    const int height = params.height > 0 ? params.height : 1;
    SDL_Window* window = nullptr;
    if (params.openGL) {
        // The format asked for, then step by step less until the system
        // gives one: fewer samples, no stencil, less depth.
        PlatformPixelFormat steps[PlatformPixelFormatStepsMax];
        const int count = platformPixelFormatSteps({params.depthBits, params.stencil, params.multisamples}, steps);
        for (int i = 0; i < count && !window; ++i) {
            setPixelAttributes(params.colorBits, steps[i]);
            window = SDL_CreateWindow(params.title.c_str(), x, y, width, height, flags | SDL_WINDOW_OPENGL);
            if (window && !contextPossible(window)) {
                SDL_DestroyWindow(window);
                window = nullptr;
            }
            if (window) {
                m_state->formatChosen = true;
                m_state->pixelFormat = steps[i];
                m_state->colorBits = params.colorBits;
            }
        }
    }
    if (window) {
        m_state->openGL = true;
    } else {
        window = SDL_CreateWindow(params.title.c_str(), x, y, width, height, flags);
        m_state->openGL = false;
    }
    if (!window) {
        storeError(error);
        return false;
    }
    m_state->window = window;
    SDL_StartTextInput();
    return true;
}

bool CPlatformWindow::adopt(void* nativeHandle, std::string* error) {
    if (m_state->window) {
        storeError(error, "the window is open already");
        return false;
    }
    if (!nativeHandle || !platformVideoReady()) {
        storeError(error, nativeHandle ? "the video system is not started" : "no window handle");
        return false;
    }
    SDL_Window* window = SDL_CreateWindowFrom(nativeHandle);
    if (!window) {
        storeError(error);
        return false;
    }
    m_state->window = window;
    m_state->openGL = (SDL_GetWindowFlags(window) & SDL_WINDOW_OPENGL) != 0;
    return true;
}

void CPlatformWindow::destroy() {
    if (!m_state->window)
        return;
    // Contexts made for the window stay until their owners delete them; SDL
    // releases the one current on this window.
    captureMouse(false);
    SDL_DestroyWindow(m_state->window);
    m_state->window = nullptr;
    m_state->openGL = false;
    m_state->formatChosen = false;
}

bool CPlatformWindow::isOpen() const { return m_state->window != nullptr; }

void* CPlatformWindow::handle() const { return m_state->window; }

uint32_t CPlatformWindow::id() const { return m_state->window ? SDL_GetWindowID(m_state->window) : 0; }

bool CPlatformWindow::openGLCapable() const { return m_state->window && m_state->openGL; }

void CPlatformWindow::setTitle(const std::string& title) {
    if (m_state->window)
        SDL_SetWindowTitle(m_state->window, title.c_str());
}

bool CPlatformWindow::setIcon(const uint32_t* pixels, int32_t width, int32_t height) {
    if (!m_state->window || !pixels || width <= 0 || height <= 0 || width > 4096 || height > 4096)
        return false;
    // The surface only reads the pixels.
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(pixels), width, height, 32,
                                                              width * 4, SDL_PIXELFORMAT_ARGB8888);
    if (!surface)
        return false;
    SDL_SetWindowIcon(m_state->window, surface);
    SDL_FreeSurface(surface);
    return true;
}

void CPlatformWindow::show() {
    if (m_state->window)
        SDL_ShowWindow(m_state->window);
}

void CPlatformWindow::hide() {
    if (m_state->window)
        SDL_HideWindow(m_state->window);
}

void CPlatformWindow::minimize() {
    if (m_state->window)
        SDL_MinimizeWindow(m_state->window);
}

void CPlatformWindow::maximize() {
    if (m_state->window)
        SDL_MaximizeWindow(m_state->window);
}

void CPlatformWindow::restore() {
    if (m_state->window)
        SDL_RestoreWindow(m_state->window);
}

void CPlatformWindow::raise() {
    if (m_state->window)
        SDL_RaiseWindow(m_state->window);
}

bool CPlatformWindow::isShown() const {
    return m_state->window && (SDL_GetWindowFlags(m_state->window) & SDL_WINDOW_SHOWN) != 0;
}

bool CPlatformWindow::isMinimized() const {
    return m_state->window && (SDL_GetWindowFlags(m_state->window) & SDL_WINDOW_MINIMIZED) != 0;
}

bool CPlatformWindow::isMaximized() const {
    return m_state->window && (SDL_GetWindowFlags(m_state->window) & SDL_WINDOW_MAXIMIZED) != 0;
}

bool CPlatformWindow::hasInputFocus() const {
    return m_state->window && (SDL_GetWindowFlags(m_state->window) & SDL_WINDOW_INPUT_FOCUS) != 0;
}

void CPlatformWindow::setBordered(bool bordered) {
    if (m_state->window)
        SDL_SetWindowBordered(m_state->window, bordered ? SDL_TRUE : SDL_FALSE);
}

void CPlatformWindow::setResizable(bool resizable) {
    if (m_state->window)
        SDL_SetWindowResizable(m_state->window, resizable ? SDL_TRUE : SDL_FALSE);
}

void CPlatformWindow::setAlwaysOnTop(bool onTop) {
    if (m_state->window)
        SDL_SetWindowAlwaysOnTop(m_state->window, onTop ? SDL_TRUE : SDL_FALSE);
}

void CPlatformWindow::setPosition(int32_t x, int32_t y) {
    if (m_state->window)
        SDL_SetWindowPosition(m_state->window, x, y);
}

void CPlatformWindow::setClientSize(int32_t width, int32_t height) {
    if (m_state->window && width > 0 && height > 0)
        SDL_SetWindowSize(m_state->window, width, height);
}

bool CPlatformWindow::clientSize(int32_t* width, int32_t* height) const {
    if (!m_state->window)
        return false;
    int w = 0;
    int h = 0;
    SDL_GetWindowSize(m_state->window, &w, &h);
    if (width)
        *width = w;
    if (height)
        *height = h;
    return true;
}

bool CPlatformWindow::position(int32_t* x, int32_t* y) const {
    if (!m_state->window)
        return false;
    int px = 0;
    int py = 0;
    SDL_GetWindowPosition(m_state->window, &px, &py);
    if (x)
        *x = px;
    if (y)
        *y = py;
    return true;
}

bool CPlatformWindow::drawableSize(int32_t* width, int32_t* height) const {
    if (!m_state->window)
        return false;
    int w = 0;
    int h = 0;
    if (m_state->openGL)
        SDL_GL_GetDrawableSize(m_state->window, &w, &h);
    else
        SDL_GetWindowSize(m_state->window, &w, &h);
    if (width)
        *width = w;
    if (height)
        *height = h;
    return true;
}

PlatformModeResult CPlatformWindow::enterFullscreen(const PlatformDisplayMode* mode) {
    if (!m_state->window)
        return PlatformModeResult::NoWindow;
    if (mode) {
        SDL_DisplayMode wanted;
        SDL_zero(wanted);
        // Any pixel format: displays today offer one depth, whatever was asked.
        wanted.w = mode->width;
        wanted.h = mode->height;
        wanted.refresh_rate = mode->refreshRate;
        int display = SDL_GetWindowDisplayIndex(m_state->window);
        if (display < 0)
            display = 0;
        SDL_DisplayMode closest;
        if (!SDL_GetClosestDisplayMode(display, &wanted, &closest))
            return PlatformModeResult::BadMode;
        if (SDL_SetWindowDisplayMode(m_state->window, &closest) != 0)
            return PlatformModeResult::Failed;
    } else if (SDL_SetWindowDisplayMode(m_state->window, nullptr) != 0) {
        return PlatformModeResult::Failed;
    }
    if (SDL_SetWindowFullscreen(m_state->window, SDL_WINDOW_FULLSCREEN) != 0)
        return PlatformModeResult::Failed;
    return PlatformModeResult::Ok;
}

void CPlatformWindow::leaveFullscreen() {
    if (m_state->window && (SDL_GetWindowFlags(m_state->window) & SDL_WINDOW_FULLSCREEN) != 0)
        SDL_SetWindowFullscreen(m_state->window, 0);
}

bool CPlatformWindow::isFullscreen() const {
    return m_state->window && (SDL_GetWindowFlags(m_state->window) & SDL_WINDOW_FULLSCREEN) != 0;
}

bool CPlatformWindow::setGammaRamp(const uint16_t* red, const uint16_t* green, const uint16_t* blue) {
    return m_state->window && red && green && blue && SDL_SetWindowGammaRamp(m_state->window, red, green, blue) == 0;
}

bool CPlatformWindow::gammaRamp(uint16_t* red, uint16_t* green, uint16_t* blue) const {
    return m_state->window && red && green && blue && SDL_GetWindowGammaRamp(m_state->window, red, green, blue) == 0;
}

bool CPlatformWindow::pointerPosition(int32_t* x, int32_t* y) const {
    if (!m_state->window)
        return false;
    int px = 0;
    int py = 0;
    if (SDL_GetMouseFocus() == m_state->window || !hasDesktopPointer()) {
        SDL_GetMouseState(&px, &py);
    } else {
        int wx = 0;
        int wy = 0;
        SDL_GetGlobalMouseState(&px, &py);
        SDL_GetWindowPosition(m_state->window, &wx, &wy);
        px -= wx;
        py -= wy;
    }
    if (x)
        *x = px;
    if (y)
        *y = py;
    return true;
}

bool CPlatformWindow::warpPointer(int32_t x, int32_t y) {
    if (!m_state->window)
        return false;
    SDL_WarpMouseInWindow(m_state->window, x, y);
    return true;
}

void CPlatformWindow::captureMouse(bool capture) {
    if (capture) {
        if (!m_state->window || m_state->captureRequested)
            return;
        m_state->captureRequested = true;
        m_state->captureGranted = SDL_CaptureMouse(SDL_TRUE) == 0;
        return;
    }
    if (!m_state->captureRequested)
        return;
    if (m_state->captureGranted)
        SDL_CaptureMouse(SDL_FALSE);
    m_state->captureRequested = false;
    m_state->captureGranted = false;
}

bool CPlatformWindow::mouseCaptured() const {
    if (!m_state->window || !m_state->captureRequested)
        return false;
    if (!m_state->captureGranted)
        return true;
    return (SDL_GetWindowFlags(m_state->window) & SDL_WINDOW_MOUSE_CAPTURE) != 0;
}

std::unique_ptr<CPlatformWindowContext> CPlatformWindow::createGLContext(const PlatformGLContextParams& params,
                                                                         std::string* error) {
    if (!m_state->window) {
        storeError(error, "no window");
        return nullptr;
    }
    if (!m_state->openGL) {
        storeError(error, "the window cannot show OpenGL");
        return nullptr;
    }
    // A version of 0 asks for the system's default, as the attributes start.
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, params.majorVersion > 0 ? params.majorVersion : 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, params.majorVersion > 0 ? params.minorVersion : 1);
    int profile = 0;
    switch (params.profile) {
    case PlatformGLContextParams::Profile::Core:
        profile = SDL_GL_CONTEXT_PROFILE_CORE;
        break;
    case PlatformGLContextParams::Profile::Compatibility:
        profile = SDL_GL_CONTEXT_PROFILE_COMPATIBILITY;
        break;
    case PlatformGLContextParams::Profile::ES:
        profile = SDL_GL_CONTEXT_PROFILE_ES;
        break;
    case PlatformGLContextParams::Profile::Any:
        break;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, profile);
    int flags = 0;
    if (params.debug)
        flags |= SDL_GL_CONTEXT_DEBUG_FLAG;
    if (params.forwardCompatible)
        flags |= SDL_GL_CONTEXT_FORWARD_COMPATIBLE_FLAG;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_FLAGS, flags);
    // The attributes are the process's: others may have changed them since.
    if (m_state->formatChosen)
        setPixelAttributes(m_state->colorBits, m_state->pixelFormat);
    SDL_GLContext context = SDL_GL_CreateContext(m_state->window);
    if (!context) {
        storeError(error);
        return nullptr;
    }
    return std::unique_ptr<CPlatformWindowContext>(new CPlatformWindowContext(m_state, context));
}

bool CPlatformWindow::presentPixels(const void* pixels, int32_t width, int32_t height, int32_t pitch,
                                    int32_t bitsPerPixel, uint32_t redMask, uint32_t greenMask, uint32_t blueMask,
                                    const int32_t* source) {
    if (!m_state->window || !pixels || width <= 0 || height <= 0 || pitch <= 0 ||
        (bitsPerPixel != 16 && bitsPerPixel != 24 && bitsPerPixel != 32) ||
        int64_t(pitch) * 8 < int64_t(width) * bitsPerPixel)
        return false;
    SDL_Rect part{0, 0, width, height};
    if (source) {
        part = SDL_Rect{source[0], source[1], source[2] - source[0], source[3] - source[1]};
        if (part.w <= 0 || part.h <= 0 || part.x < 0 || part.y < 0 || part.x > width - part.w ||
            part.y > height - part.h)
            return false;
    }
    SDL_Surface* target = SDL_GetWindowSurface(m_state->window);
    if (!target)
        return false;
    // The surface only wraps the caller's pixels; SDL reads them, never writes.
    SDL_Surface* image = SDL_CreateRGBSurfaceFrom(const_cast<void*>(pixels), width, height, bitsPerPixel, pitch,
                                                  redMask, greenMask, blueMask, 0);
    if (!image)
        return false;
    // Stretching needs one format on both sides.
    SDL_Surface* converted = SDL_ConvertSurface(image, target->format, 0);
    SDL_FreeSurface(image);
    if (!converted)
        return false;
    const bool shown =
        SDL_BlitScaled(converted, &part, target, nullptr) == 0 && SDL_UpdateWindowSurface(m_state->window) == 0;
    SDL_FreeSurface(converted);
    return shown;
}

bool CPlatformWindow::presentedPixel(int32_t x, int32_t y, uint32_t* argb) const {
    if (!m_state->window || !argb)
        return false;
    SDL_Surface* surface = SDL_GetWindowSurface(m_state->window);
    if (!surface || x < 0 || y < 0 || x >= surface->w || y >= surface->h)
        return false;
    const int bytes = surface->format->BytesPerPixel;
    const auto* at = static_cast<const uint8_t*>(surface->pixels) + int64_t(y) * surface->pitch + int64_t(x) * bytes;
    uint32_t value = 0;
    std::memcpy(&value, at, size_t(bytes) <= sizeof value ? size_t(bytes) : sizeof value);
    uint8_t r = 0, g = 0, b = 0, a = 0;
    SDL_GetRGBA(value, surface->format, &r, &g, &b, &a);
    *argb = (uint32_t(a) << 24) | (uint32_t(r) << 16) | (uint32_t(g) << 8) | b;
    return true;
}
