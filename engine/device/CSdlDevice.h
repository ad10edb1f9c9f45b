#pragma once

#include "engine/core/CEngine.h"
#include "engine/core/CEngineCreationParams.h"

#include <cstdint>
#include <memory>

class CEvent;
class CPixelImage;
class CPlatformWindow;
class CRectI;
class CSdlCursor;
class CSingleInstanceGuard;
class CStringW;
class IAudioDevice;
class IGraphicsDriver;
class ITimeSource;
struct PlatformEvent;

// The engine object of the desktop: the window device on the platform's
// windowing layer. It owns the main window, runs the event pump that drives
// the main loop, switches between windowed and full-screen display, creates
// the video driver and the audio device by type number, and announces every
// such change to the engine's listeners with device events (10 to 15).
// Window messages become engine events: activation and closing (21 to 24),
// mouse (25 to 35) and keys (36, 37).
//
// getEngineInstance makes one through the factory registerSdlDevice installs,
// first with the default parameters (the Null driver, hence no window); the
// game then gives it its own with applyCreationParameters, which makes the
// window on first use and replaces the driver each time. Main thread only.
class CSdlDevice : public CEngine {
public:
    // Starts the video system, creates the system information (with the
    // clipboard), the file system, the engine managers' format registries,
    // the display-mode list, the window, the audio device, the video driver
    // and the services (the content processors manager with the processors
    // of the libraries below this one). A failing step is
    // logged and the others still run; createSdlDevice decides whether the
    // result is usable.
    explicit CSdlDevice(const CEngineCreationParams& params, ITimeSource* timeSource = nullptr);

    // Re-creates the driver (and the window when there is none) from
    // `params`; the audio part of the current parameters stays. Posts event
    // 10 before the old driver goes and 11 once the new one is in place.
    [[nodiscard]] bool applyCreationParameters(const CEngineCreationParams& params) override;
    // Takes the audio type and thread flag of `params`, replaces the audio
    // device (event 12 before the old one goes) and answers whether the new
    // one was made (event 13).
    [[nodiscard]] bool applyAudioSettings(const CEngineCreationParams& params) override;
    // One step of the main loop: one window message, else the tick and a
    // short sleep. False once the loop is to end (quit, window destroyed).
    [[nodiscard]] bool run() override;
    // Closes the window: event 24 follows and the loop ends.
    void closeDevice() override;
    void setWindowTitle(const CStringW& title) override;
    [[nodiscard]] bool isActive() const override { return m_appActive; }
    // True only for a minimised window.
    [[nodiscard]] bool isMinimized() const override;
    void hideWindow() override;
    [[nodiscard]] bool inFullscreen() const override { return m_currentParams.fullScreen; }
    [[nodiscard]] bool applyGammaRamp(float red, float green, float blue, float brightness, float contrast) override;
    [[nodiscard]] bool readGammaRamp(float& red, float& green, float& blue, float& brightness,
                                     float& contrast) override;
    [[nodiscard]] bool openUrl(const CStringW& url) override;
    // Shows `image` stretched over the client area of `window` (null or the
    // main window's handle: the main window; no other window is known),
    // only its part `sourceRect` when given. False without such a window or
    // an image with pixels. Nothing in the engine calls it.
    [[nodiscard]] bool presentImage(const CPixelImage* image, void* window, const CRectI* sourceRect);

    // Sleeps `ms` milliseconds; with `pauseClock`, the engine clock stands
    // still meanwhile when it was running.
    virtual void sleepMs(uint32_t ms, bool pauseClock);

    // Makes the window and driver for the game's "VideoDriver" setting with
    // the rest of `params`: a setting other than 1, 2 or 3 counts as 2; when
    // that type fails, type 1 and then OpenGL (3) are tried, each with the
    // size of `params`; with `nullAsLastResort` the Null driver (0) comes
    // last. Answers the type made, or -1 when none could be.
    [[nodiscard]] int32_t createDriverFromSetting(const CEngineCreationParams& params, int32_t setting,
                                                  bool nullAsLastResort);

    // The parameters in force (the base keeps the ones the engine was made
    // with).
    [[nodiscard]] const CEngineCreationParams& getCreationParams() const { return m_currentParams; }

    // Brings the window to the front, restoring it when minimised.
    void raiseWindow();
    // Sets the window's icon from `image`; false without a window or image.
    [[nodiscard]] bool setWindowIcon(const CPixelImage* image);

    // Wires the single-instance guard (borrowed; it must outlive the device
    // or be detached with null): a later start raises this window, and its
    // watcher wakes a run step that waits while the window is minimised.
    void attachInstanceGuard(CSingleInstanceGuard* guard);

    // The window's state as the run step sees it.
    [[nodiscard]] bool isWindowVisible() const { return m_visible; }
    [[nodiscard]] bool isClosing() const { return m_closing; }
    [[nodiscard]] bool isResizePending() const { return m_resizePending; }
    // The main window (null before one is made), and its id in events (0
    // without a window).
    [[nodiscard]] CPlatformWindow* getWindow() const { return m_window.get(); }
    [[nodiscard]] uint32_t getWindowId() const;
    // Mouse buttons held since the window took the capture.
    [[nodiscard]] int32_t getCaptureCount() const { return m_captureCount; }

    // Longest wait of the run step for a message while the window is
    // minimised; negative waits without limit (the default). Tests bound it.
    void setMessageWaitLimit(int32_t ms) { m_messageWaitLimit = ms; }

protected:
    ~CSdlDevice() override;

    // The window's message handler: keeps the state bytes and posts the
    // engine events of one window event.
    virtual void handleMessage(const PlatformEvent& event);

    // The OpenGL driver for the current parameters (null after a log line
    // when it cannot be made). Overridable so that tests can stand in.
    [[nodiscard]] virtual IGraphicsDriver* makeOpenGLDriver();
    // The same for the Direct3D 9 driver (Windows only).
    [[nodiscard]] virtual IGraphicsDriver* makeDirect3D9Driver();
    // The Direct3D 8 driver in the window, likewise.
    [[nodiscard]] virtual IGraphicsDriver* makeDirect3D8Driver();

private:
    [[nodiscard]] bool createWindow();
    [[nodiscard]] bool createVideoDriver();
    [[nodiscard]] bool createAudioDevice();
    [[nodiscard]] bool switchToFullscreen(int32_t width, int32_t height, int32_t colorBits);
    void restoreDesktopMode();
    void applyWindowStyle();
    void placeWindow();
    void handlePendingResize();
    void fillDisplayModes();
    // The engine managers' image and sound format registries, where missing.
    void installFormatRegistries();
    void registerContentProcessors();
    void loadWindowIcon();
    // The window procedure's end of a window: event 24, closing set, the
    // window gone.
    void destroyWindow();
    void processRaiseRequests();
    void dispatchMessage(const PlatformEvent& event);
    void handleKeyDown(const PlatformEvent& event);
    void handleKeyUp(const PlatformEvent& event);
    void handleMouseButton(const PlatformEvent& event, bool down);
    void handleFocus(bool gained);
    // Posts `event` (adopting the caller's reference) and answers whether a
    // listener handled it.
    bool post(CEvent* event);

    CEngineCreationParams m_currentParams;
    std::unique_ptr<CPlatformWindow> m_window;
    CSdlCursor* m_cursor = nullptr; // the engine's cursor control, while a window exists
    CSingleInstanceGuard* m_instanceGuard = nullptr;
    bool m_videoReady = false;
    bool m_visible = false;
    bool m_appActive = false;
    bool m_resizePending = false;
    bool m_closing = false;
    int32_t m_captureCount = 0;
    int32_t m_messageWaitLimit = -1;
    // The keyboard state of the last key-down: its modifiers, and the
    // character each key gave then (key-ups report them).
    uint32_t m_keyModifiers = 0;
    uint32_t m_keyCharacters[256] = {};
};

// Creates the device from `params` and registers it as the engine instance.
// Answers it with its creation reference (the caller releases it at the
// end) when it has a video driver or the Null driver was asked for;
// otherwise closes it, runs one step, releases it and answers null.
[[nodiscard]] CEngine* createSdlDevice(const CEngineCreationParams& params);

// Installs createSdlDevice as the engine factory, so that getEngineInstance
// makes this device.
void registerSdlDevice();
