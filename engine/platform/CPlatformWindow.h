#pragma once

#include <cstdint>
#include <memory>
#include <string>

class CPlatformWindowContext;
struct PlatformDisplayMode;
struct PlatformWindowState;

// How a window is made.
struct PlatformWindowParams {
    std::string title; // UTF-8
    int32_t width = 640;
    int32_t height = 480;
    // Centred on the first display, else at (x, y).
    bool centred = true;
    int32_t x = 0;
    int32_t y = 0;
    bool bordered = true;
    bool resizable = false;
    bool shown = true;
    // A window OpenGL can draw into; where the system offers no OpenGL, a
    // plain window is made instead (openGLCapable() tells).
    bool openGL = true;
    // The pixel format an OpenGL window asks for; it is fixed when the
    // window is made.
    int32_t colorBits = 32;
    int32_t depthBits = 16;
    bool stencil = false;
    int32_t multisamples = 0;
};

// How an OpenGL context is made.
struct PlatformGLContextParams {
    enum class Profile : uint8_t { Any, Core, Compatibility, ES };
    // 0 leaves the version to the system.
    int32_t majorVersion = 0;
    int32_t minorVersion = 0;
    Profile profile = Profile::Any;
    bool debug = false;
    bool forwardCompatible = false;
};

// How a change of display mode ended.
enum class PlatformModeResult : uint8_t { Ok, BadMode, Failed, NoWindow };

// One top-level window of the desktop. Main thread only. Not copyable;
// destroying it closes the window.
class CPlatformWindow {
public:
    CPlatformWindow();
    ~CPlatformWindow();
    CPlatformWindow(const CPlatformWindow&) = delete;
    CPlatformWindow& operator=(const CPlatformWindow&) = delete;

    // Makes the window (the video system must be started). False, with the
    // reason in `error`, when it cannot be made or one is open already.
    [[nodiscard]] bool create(const PlatformWindowParams& params, std::string* error);
    // Takes over a window another program part made, from its native handle.
    [[nodiscard]] bool adopt(void* nativeHandle, std::string* error);
    // Closes the window (and its OpenGL context).
    void destroy();
    [[nodiscard]] bool isOpen() const;
    // The id events name the window by; 0 when closed.
    [[nodiscard]] uint32_t id() const;
    [[nodiscard]] bool openGLCapable() const;
    // The window's opaque handle (the one its contexts report), null when closed.
    [[nodiscard]] void* handle() const;
    // Shows `pixels` (width x height, rows of `pitch` bytes from the top,
    // `bitsPerPixel` 16, 24 or 32 with the given channel masks) stretched over
    // the whole client area, taking only the part (left, top, right, bottom)
    // `source` names when it is not null. False when there is no window, the
    // part is empty or outside, or the system cannot show it.
    [[nodiscard]] bool presentPixels(const void* pixels, int32_t width, int32_t height, int32_t pitch,
                                     int32_t bitsPerPixel, uint32_t redMask, uint32_t greenMask, uint32_t blueMask,
                                     const int32_t* source);
    // The pixel (x, y) of what presentPixels last showed, as 0xAARRGGBB; false
    // when nothing was shown or the point lies outside.
    [[nodiscard]] bool presentedPixel(int32_t x, int32_t y, uint32_t* argb) const;

    void setTitle(const std::string& title);
    // Sets the icon from `pixels`: width x height 32-bit values 0xAARRGGBB,
    // rows from the top, no padding.
    [[nodiscard]] bool setIcon(const uint32_t* pixels, int32_t width, int32_t height);

    void show();
    void hide();
    void minimize();
    void maximize();
    void restore();
    // Brings the window to the front and asks for the input focus.
    void raise();
    [[nodiscard]] bool isShown() const;
    [[nodiscard]] bool isMinimized() const;
    [[nodiscard]] bool isMaximized() const;
    [[nodiscard]] bool hasInputFocus() const;

    void setBordered(bool bordered);
    void setResizable(bool resizable);
    void setAlwaysOnTop(bool onTop);
    void setPosition(int32_t x, int32_t y);
    void setClientSize(int32_t width, int32_t height);
    [[nodiscard]] bool clientSize(int32_t* width, int32_t* height) const;
    // The client area's top-left corner on the desktop.
    [[nodiscard]] bool position(int32_t* x, int32_t* y) const;
    // The size OpenGL draws at (larger than the client size on high-density
    // screens).
    [[nodiscard]] bool drawableSize(int32_t* width, int32_t* height) const;

    // Full screen in `mode` (the closest the display offers; null keeps the
    // display's mode), or back to a window and the desktop's mode.
    [[nodiscard]] PlatformModeResult enterFullscreen(const PlatformDisplayMode* mode);
    void leaveFullscreen();
    [[nodiscard]] bool isFullscreen() const;

    // Gamma ramps of the display the window is on, 256 entries each.
    [[nodiscard]] bool setGammaRamp(const uint16_t* red, const uint16_t* green, const uint16_t* blue);
    [[nodiscard]] bool gammaRamp(uint16_t* red, uint16_t* green, uint16_t* blue) const;

    // The pointer relative to the client area (outside it too); false when
    // it cannot be told.
    [[nodiscard]] bool pointerPosition(int32_t* x, int32_t* y) const;
    // Moves the pointer to a client position.
    [[nodiscard]] bool warpPointer(int32_t x, int32_t y);
    // Keeps reporting the pointer to this window while it is outside, until
    // released. Where the system cannot capture, the request still counts as
    // held until it is released.
    void captureMouse(bool capture);
    // Whether the capture asked for is still held (the system may end it).
    [[nodiscard]] bool mouseCaptured() const;

    // A new OpenGL context for the window, made with `params` and current
    // on this thread afterwards. Null, with the reason in `error`, when the
    // window cannot show OpenGL or the context cannot be made.
    [[nodiscard]] std::unique_ptr<CPlatformWindowContext> createGLContext(const PlatformGLContextParams& params,
                                                                          std::string* error);

private:
    std::shared_ptr<PlatformWindowState> m_state;
};
