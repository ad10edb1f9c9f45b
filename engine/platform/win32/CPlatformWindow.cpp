#include "engine/platform/CPlatformWindow.h"

#include "engine/platform/CPlatformWindowContext.h"
#include "engine/platform/PlatformWindow.h"
#include "engine/platform/win32/PlatformWindowState.h"
#include "engine/platform/win32/Win32GL.h"

#include <cstring>
#include <vector>

namespace {

DWORD styleFor(bool bordered, bool resizable, bool shown) {
    DWORD style = WS_CLIPSIBLINGS | WS_CLIPCHILDREN | (shown ? WS_VISIBLE : 0);
    if (!bordered)
        return style | WS_POPUP;
    style |= WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    if (resizable)
        style |= WS_THICKFRAME | WS_MAXIMIZEBOX;
    return style;
}

// The outer size of a window of `style` whose client area is width x height.
SIZE frameSize(DWORD style, int32_t width, int32_t height) {
    RECT rect{0, 0, width, height};
    AdjustWindowRect(&rect, style, FALSE);
    return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

// Applies `style` keeping the client size and the client's top-left corner.
void restyle(HWND window, DWORD style) {
    RECT client{};
    GetClientRect(window, &client);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    const DWORD visible = GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE;
    SetWindowLongW(window, GWL_STYLE, LONG((style & ~WS_VISIBLE) | visible));
    RECT frame{origin.x, origin.y, origin.x + client.right, origin.y + client.bottom};
    AdjustWindowRect(&frame, style, FALSE);
    SetWindowPos(window, nullptr, frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

} // namespace

CPlatformWindow::CPlatformWindow() : m_state(std::make_shared<PlatformWindowState>()) {}

CPlatformWindow::~CPlatformWindow() { destroy(); }

bool CPlatformWindow::create(const PlatformWindowParams& params, std::string* error) {
    if (m_state->window) {
        win32StoreError(error, "the window is open already");
        return false;
    }
    if (!platformVideoReady()) {
        win32StoreError(error, "the video system is not started");
        return false;
    }
    const wchar_t* windowClass = win32WindowClass();
    if (!windowClass) {
        win32StoreError(error, "Can't register window class");
        return false;
    }
    const int32_t width = params.width > 0 ? params.width : 1;
    const int32_t height = params.height > 0 ? params.height : 1;
    // Made hidden and shown once set up, so no half-made frame flashes.
    const DWORD style = styleFor(params.bordered, params.resizable, false);
    const SIZE frame = frameSize(style, width, height);
    int x = params.x;
    int y = params.y;
    if (params.centred) {
        x = (GetSystemMetrics(SM_CXSCREEN) - frame.cx) / 2;
        y = (GetSystemMetrics(SM_CYSCREEN) - frame.cy) / 2;
    }
    PlatformWindowState& state = *m_state;
    state = PlatformWindowState{};
    state.id = win32NextWindowId();
    state.bordered = params.bordered;
    state.resizable = params.resizable;
    state.width = width;
    state.height = height;
    const std::wstring title = win32Widen(params.title);
    HWND window = CreateWindowExW(0, windowClass, title.c_str(), style, x, y, frame.cx, frame.cy, nullptr, nullptr,
                                  win32Instance(), &state);
    if (!window) {
        win32StoreError(error);
        state = PlatformWindowState{};
        return false;
    }
    state.window = window;
    state.deviceContext = GetDC(window);
    state.openGL =
        params.openGL && state.deviceContext &&
        win32SetPixelFormat(state.deviceContext, params.colorBits, params.depthBits, params.stencil, nullptr);
    win32RegisterWindowId(state.id, window);
    if (params.shown)
        ShowWindow(window, SW_SHOWNORMAL);
    return true;
}

bool CPlatformWindow::adopt(void* nativeHandle, std::string* error) {
    if (m_state->window) {
        win32StoreError(error, "the window is open already");
        return false;
    }
    HWND window = static_cast<HWND>(nativeHandle);
    if (!window || !IsWindow(window)) {
        win32StoreError(error, "no window handle");
        return false;
    }
    PlatformWindowState& state = *m_state;
    state = PlatformWindowState{};
    state.id = win32NextWindowId();
    state.window = window;
    state.adopted = true;
    state.deviceContext = GetDC(window);
    RECT client{};
    GetClientRect(window, &client);
    state.width = client.right;
    state.height = client.bottom;
    // The host's pixel format stands when it has set one.
    state.openGL = state.deviceContext && (GetPixelFormat(state.deviceContext) != 0 ||
                                           win32SetPixelFormat(state.deviceContext, 32, 24, false, nullptr));
    win32BindWindow(window, &state);
    state.adoptedProcedure = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&win32WindowProcedure)));
    win32RegisterWindowId(state.id, window);
    return true;
}

void CPlatformWindow::destroy() {
    PlatformWindowState& state = *m_state;
    if (!state.window)
        return;
    captureMouse(false);
    if (state.fullscreen)
        leaveFullscreen();
    win32RegisterWindowId(state.id, nullptr);
    HWND window = state.window;
    if (state.adopted) {
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(state.adoptedProcedure));
        win32BindWindow(window, nullptr);
        if (state.deviceContext)
            ReleaseDC(window, state.deviceContext);
    } else {
        DestroyWindow(window);
    }
    state = PlatformWindowState{};
}

bool CPlatformWindow::isOpen() const { return m_state->window != nullptr; }

uint32_t CPlatformWindow::id() const { return m_state->window ? m_state->id : 0; }

bool CPlatformWindow::openGLCapable() const { return m_state->window && m_state->openGL; }

void* CPlatformWindow::handle() const { return m_state->window; }

bool CPlatformWindow::presentPixels(const void* pixels, int32_t width, int32_t height, int32_t pitch,
                                    int32_t bitsPerPixel, uint32_t redMask, uint32_t greenMask, uint32_t blueMask,
                                    const int32_t* source) {
    if (!m_state->window || !pixels || width <= 0 || height <= 0 || pitch <= 0 ||
        (bitsPerPixel != 16 && bitsPerPixel != 24 && bitsPerPixel != 32) ||
        int64_t(pitch) * 8 < int64_t(width) * bitsPerPixel)
        return false;
    RECT part{0, 0, width, height};
    if (source) {
        part = RECT{source[0], source[1], source[2], source[3]};
        if (part.right <= part.left || part.bottom <= part.top || part.left < 0 || part.top < 0 || part.right > width ||
            part.bottom > height)
            return false;
    }
    // A DIB's rows start on 4-byte boundaries; other pitches are copied.
    const int32_t stride = (width * bitsPerPixel / 8 + 3) & ~3;
    std::vector<uint8_t> copy;
    const void* bits = pixels;
    if (stride != pitch) {
        copy.resize(size_t(stride) * size_t(height));
        for (int32_t row = 0; row < height; ++row)
            std::memcpy(copy.data() + size_t(row) * size_t(stride),
                        static_cast<const uint8_t*>(pixels) + size_t(row) * size_t(pitch),
                        size_t(width) * size_t(bitsPerPixel / 8));
        bits = copy.data();
    }
    struct {
        BITMAPINFOHEADER header;
        DWORD masks[3];
    } info{};
    info.header.biSize = sizeof info.header;
    info.header.biWidth = width;
    info.header.biHeight = -height; // rows from the top
    info.header.biPlanes = 1;
    info.header.biBitCount = WORD(bitsPerPixel);
    // Three-byte pixels have no masks: they are blue, green, red.
    info.header.biCompression = bitsPerPixel == 24 ? BI_RGB : BI_BITFIELDS;
    info.masks[0] = redMask;
    info.masks[1] = greenMask;
    info.masks[2] = blueMask;
    RECT client{};
    GetClientRect(m_state->window, &client);
    HDC target = GetDC(m_state->window);
    if (!target)
        return false;
    const int lines = StretchDIBits(target, 0, 0, client.right, client.bottom, part.left, part.top,
                                    part.right - part.left, part.bottom - part.top, bits,
                                    reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS, SRCCOPY);
    ReleaseDC(m_state->window, target);
    return lines != 0 && lines != int(GDI_ERROR);
}

bool CPlatformWindow::presentedPixel(int32_t x, int32_t y, uint32_t* argb) const {
    if (!m_state->window || !argb)
        return false;
    HDC source = GetDC(m_state->window);
    if (!source)
        return false;
    const COLORREF color = GetPixel(source, x, y);
    ReleaseDC(m_state->window, source);
    if (color == CLR_INVALID)
        return false;
    *argb = 0xFF000000u | (uint32_t(GetRValue(color)) << 16) | (uint32_t(GetGValue(color)) << 8) | GetBValue(color);
    return true;
}

void CPlatformWindow::setTitle(const std::string& title) {
    if (!m_state->window)
        return;
    const std::wstring text = win32Widen(title);
    // A hung window cannot block the caller for longer than this.
    DWORD_PTR result = 0;
    SendMessageTimeoutW(m_state->window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG, 2000,
                        &result);
}

bool CPlatformWindow::setIcon(const uint32_t* pixels, int32_t width, int32_t height) {
    if (!m_state->window || !pixels || width <= 0 || height <= 0 || width > 4096 || height > 4096)
        return false;
    // 0xAARRGGBB is the byte order B, G, R, A of a 32-bit DIB.
    HBITMAP color = CreateBitmap(width, height, 1, 32, pixels);
    std::vector<uint8_t> maskBits(size_t((width + 15) / 16 * 2) * size_t(height), 0);
    HBITMAP mask = CreateBitmap(width, height, 1, 1, maskBits.data());
    HICON icon = nullptr;
    if (color && mask) {
        ICONINFO info{};
        info.fIcon = TRUE;
        info.hbmMask = mask;
        info.hbmColor = color;
        icon = CreateIconIndirect(&info);
    }
    if (color)
        DeleteObject(color);
    if (mask)
        DeleteObject(mask);
    if (!icon)
        return false;
    // The window keeps the icon for as long as it exists.
    HICON old =
        reinterpret_cast<HICON>(SendMessageW(m_state->window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon)));
    SendMessageW(m_state->window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    if (old && old != icon)
        DestroyIcon(old);
    return true;
}

void CPlatformWindow::show() {
    if (m_state->window)
        ShowWindow(m_state->window, SW_SHOW);
}

void CPlatformWindow::hide() {
    if (m_state->window)
        ShowWindow(m_state->window, SW_HIDE);
}

void CPlatformWindow::minimize() {
    if (m_state->window)
        ShowWindow(m_state->window, SW_MINIMIZE);
}

void CPlatformWindow::maximize() {
    if (m_state->window)
        ShowWindow(m_state->window, SW_MAXIMIZE);
}

void CPlatformWindow::restore() {
    if (m_state->window)
        ShowWindow(m_state->window, SW_RESTORE);
}

void CPlatformWindow::raise() {
    if (!m_state->window)
        return;
    if (IsIconic(m_state->window))
        ShowWindow(m_state->window, SW_RESTORE);
    SetForegroundWindow(m_state->window);
    SetActiveWindow(m_state->window);
    SetFocus(m_state->window);
}

bool CPlatformWindow::isShown() const { return m_state->window && IsWindowVisible(m_state->window); }

bool CPlatformWindow::isMinimized() const { return m_state->window && IsIconic(m_state->window); }

bool CPlatformWindow::isMaximized() const { return m_state->window && IsZoomed(m_state->window); }

bool CPlatformWindow::hasInputFocus() const { return m_state->window && GetFocus() == m_state->window; }

void CPlatformWindow::setBordered(bool bordered) {
    if (!m_state->window || m_state->adopted || m_state->bordered == bordered)
        return;
    m_state->bordered = bordered;
    if (!m_state->fullscreen)
        restyle(m_state->window, styleFor(bordered, m_state->resizable, false));
}

void CPlatformWindow::setResizable(bool resizable) {
    if (!m_state->window || m_state->adopted || m_state->resizable == resizable)
        return;
    m_state->resizable = resizable;
    if (!m_state->fullscreen && m_state->bordered)
        restyle(m_state->window, styleFor(m_state->bordered, resizable, false));
}

void CPlatformWindow::setAlwaysOnTop(bool onTop) {
    if (m_state->window)
        SetWindowPos(m_state->window, onTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void CPlatformWindow::setPosition(int32_t x, int32_t y) {
    if (!m_state->window)
        return;
    // (x, y) places the client area, as on other systems.
    RECT frame{x, y, x + 1, y + 1};
    AdjustWindowRect(&frame, DWORD(GetWindowLongW(m_state->window, GWL_STYLE)), FALSE);
    SetWindowPos(m_state->window, nullptr, frame.left, frame.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CPlatformWindow::setClientSize(int32_t width, int32_t height) {
    if (!m_state->window || width <= 0 || height <= 0)
        return;
    const SIZE frame = frameSize(DWORD(GetWindowLongW(m_state->window, GWL_STYLE)), width, height);
    SetWindowPos(m_state->window, nullptr, 0, 0, frame.cx, frame.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool CPlatformWindow::clientSize(int32_t* width, int32_t* height) const {
    RECT client{};
    if (!m_state->window || !GetClientRect(m_state->window, &client))
        return false;
    if (width)
        *width = client.right - client.left;
    if (height)
        *height = client.bottom - client.top;
    return true;
}

bool CPlatformWindow::position(int32_t* x, int32_t* y) const {
    POINT origin{0, 0};
    if (!m_state->window || !ClientToScreen(m_state->window, &origin))
        return false;
    if (x)
        *x = origin.x;
    if (y)
        *y = origin.y;
    return true;
}

bool CPlatformWindow::drawableSize(int32_t* width, int32_t* height) const { return clientSize(width, height); }

PlatformModeResult CPlatformWindow::enterFullscreen(const PlatformDisplayMode* mode) {
    PlatformWindowState& state = *m_state;
    if (!state.window)
        return PlatformModeResult::NoWindow;
    PlatformDisplayMode target;
    if (!platformCurrentDisplayMode(&target))
        return PlatformModeResult::Failed;
    if (mode) {
        // The closest mode of that size: the asked depth and rate when
        // offered, else the deepest, fastest one.
        const PlatformDisplayMode* best = nullptr;
        int bestScore = -1;
        const std::vector<PlatformDisplayMode> modes = platformDisplayModes();
        for (const PlatformDisplayMode& offered : modes) {
            if (offered.width != mode->width || offered.height != mode->height)
                continue;
            const int score = (offered.colorBits == mode->colorBits ? 4 : 0) +
                              (offered.refreshRate == mode->refreshRate ? 2 : 0) + (offered.colorBits >= 24 ? 1 : 0);
            if (score > bestScore) {
                best = &offered;
                bestScore = score;
            }
        }
        if (!best)
            return PlatformModeResult::BadMode;
        const bool differs =
            best->width != target.width || best->height != target.height || best->colorBits != target.colorBits;
        if (differs) {
            DEVMODEW devMode{};
            devMode.dmSize = sizeof devMode;
            devMode.dmPelsWidth = DWORD(best->width);
            devMode.dmPelsHeight = DWORD(best->height);
            devMode.dmBitsPerPel = DWORD(best->colorBits);
            devMode.dmDisplayFrequency = DWORD(best->refreshRate);
            devMode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL | DM_DISPLAYFREQUENCY;
            LONG result = ChangeDisplaySettingsW(&devMode, CDS_FULLSCREEN);
            if (result != DISP_CHANGE_SUCCESSFUL) {
                // Any refresh rate will do.
                devMode.dmFields &= ~DWORD(DM_DISPLAYFREQUENCY);
                result = ChangeDisplaySettingsW(&devMode, CDS_FULLSCREEN);
            }
            if (result == DISP_CHANGE_BADMODE)
                return PlatformModeResult::BadMode;
            if (result != DISP_CHANGE_SUCCESSFUL)
                return PlatformModeResult::Failed;
            state.displayModeChanged = true;
            state.displayModeLent = false;
            state.fullscreenMode = devMode;
        }
        target = *best;
    }
    if (!state.fullscreen) {
        state.windowedStyle = DWORD(GetWindowLongW(state.window, GWL_STYLE));
        GetWindowRect(state.window, &state.windowedRect);
    }
    const DWORD visible = state.windowedStyle & WS_VISIBLE;
    SetWindowLongW(state.window, GWL_STYLE, LONG(WS_POPUP | WS_SYSMENU | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | visible));
    SetWindowPos(state.window, HWND_TOPMOST, 0, 0, target.width, target.height, SWP_FRAMECHANGED | SWP_NOACTIVATE);
    state.fullscreen = true;
    return PlatformModeResult::Ok;
}

void CPlatformWindow::leaveFullscreen() {
    PlatformWindowState& state = *m_state;
    if (!state.window || !state.fullscreen)
        return;
    if (state.displayModeChanged && !state.displayModeLent)
        ChangeDisplaySettingsW(nullptr, 0);
    state.displayModeChanged = false;
    state.displayModeLent = false;
    state.fullscreen = false;
    const DWORD visible = GetWindowLongW(state.window, GWL_STYLE) & WS_VISIBLE;
    SetWindowLongW(state.window, GWL_STYLE, LONG((state.windowedStyle & ~WS_VISIBLE) | visible));
    const RECT& rect = state.windowedRect;
    SetWindowPos(state.window, HWND_NOTOPMOST, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_FRAMECHANGED | SWP_NOACTIVATE);
}

bool CPlatformWindow::isFullscreen() const { return m_state->window && m_state->fullscreen; }

bool CPlatformWindow::setGammaRamp(const uint16_t* red, const uint16_t* green, const uint16_t* blue) {
    if (!m_state->window || !red || !green || !blue)
        return false;
    WORD ramp[3][256];
    for (int i = 0; i < 256; ++i) {
        ramp[0][i] = red[i];
        ramp[1][i] = green[i];
        ramp[2][i] = blue[i];
    }
    HDC screen = GetDC(nullptr);
    const bool done = screen && SetDeviceGammaRamp(screen, ramp);
    if (screen)
        ReleaseDC(nullptr, screen);
    return done;
}

bool CPlatformWindow::gammaRamp(uint16_t* red, uint16_t* green, uint16_t* blue) const {
    if (!m_state->window || !red || !green || !blue)
        return false;
    WORD ramp[3][256];
    HDC screen = GetDC(nullptr);
    const bool done = screen && GetDeviceGammaRamp(screen, ramp);
    if (screen)
        ReleaseDC(nullptr, screen);
    if (!done)
        return false;
    for (int i = 0; i < 256; ++i) {
        red[i] = ramp[0][i];
        green[i] = ramp[1][i];
        blue[i] = ramp[2][i];
    }
    return true;
}

bool CPlatformWindow::pointerPosition(int32_t* x, int32_t* y) const {
    POINT point{};
    if (!m_state->window || !GetCursorPos(&point) || !ScreenToClient(m_state->window, &point))
        return false;
    if (x)
        *x = point.x;
    if (y)
        *y = point.y;
    return true;
}

bool CPlatformWindow::warpPointer(int32_t x, int32_t y) {
    POINT point{x, y};
    return m_state->window && ClientToScreen(m_state->window, &point) && SetCursorPos(point.x, point.y);
}

void CPlatformWindow::captureMouse(bool capture) {
    PlatformWindowState& state = *m_state;
    if (capture) {
        if (!state.window || state.captureRequested)
            return;
        state.captureRequested = true;
        SetCapture(state.window);
        state.captureGranted = GetCapture() == state.window;
        return;
    }
    if (!state.captureRequested)
        return;
    if (state.captureGranted && GetCapture() == state.window)
        ReleaseCapture();
    state.captureRequested = false;
    state.captureGranted = false;
}

bool CPlatformWindow::mouseCaptured() const {
    const PlatformWindowState& state = *m_state;
    if (!state.window || !state.captureRequested)
        return false;
    if (!state.captureGranted)
        return true;
    return GetCapture() == state.window;
}

std::unique_ptr<CPlatformWindowContext> CPlatformWindow::createGLContext(const PlatformGLContextParams& params,
                                                                         std::string* error) {
    if (!m_state->window) {
        win32StoreError(error, "no window");
        return nullptr;
    }
    if (!m_state->openGL) {
        win32StoreError(error, "the window cannot show OpenGL");
        return nullptr;
    }
    HGLRC context = win32CreateContext(m_state->deviceContext, params, error);
    if (!context)
        return nullptr;
    return std::unique_ptr<CPlatformWindowContext>(new CPlatformWindowContext(m_state, context));
}
