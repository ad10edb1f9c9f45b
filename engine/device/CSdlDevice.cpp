#include "engine/device/CSdlDevice.h"

#include "engine/content/CContentProcessorsManager.h"
#include "engine/content/CImageFormatRegistry.h"
#include "engine/content/CPixelImage.h"
#include "engine/content/CProfileManager.h"
#include "engine/core/CClock.h"
#include "engine/core/CEngineManagers.h"
#include "engine/core/CEventKeyDown.h"
#include "engine/core/CEventKeyUp.h"
#include "engine/core/CEventMouseLeftDown.h"
#include "engine/core/CEventMouseLeftUp.h"
#include "engine/core/CEventMouseMiddleDown.h"
#include "engine/core/CEventMouseMiddleUp.h"
#include "engine/core/CEventMouseMove.h"
#include "engine/core/CEventMouseRightDown.h"
#include "engine/core/CEventMouseRightUp.h"
#include "engine/core/CEventMouseWheel.h"
#include "engine/core/CEventRender.h"
#include "engine/core/CLog.h"
#include "engine/core/CObjectName.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CSingleInstanceGuard.h"
#include "engine/core/CString.h"
#include "engine/core/CStringW.h"
#include "engine/core/CSystemInfo.h"
#include "engine/core/CThread.h"
#include "engine/core/Utf8.h"
#include "engine/device/CEventApplicationActivate.h"
#include "engine/device/CEventAudioDriverCreated.h"
#include "engine/device/CEventAudioDriverReleased.h"
#include "engine/device/CEventDisplayChanged.h"
#include "engine/device/CEventSystemFlowCloseRequest.h"
#include "engine/device/CEventVideoDriverCreated.h"
#include "engine/device/CEventVideoDriverReleased.h"
#include "engine/device/CEventWindowActivate.h"
#include "engine/device/CEventWindowDestroyed.h"
#include "engine/device/CEventWindowResized.h"
#include "engine/device/CSdlClipboard.h"
#include "engine/device/CSdlCursor.h"
#include "engine/device/ContentProcessors.h"
#include "engine/device/SdlDeviceBackends.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/DesktopFileSystem.h"
#include "engine/io/IReadableFile.h"
#include "engine/platform/CPlatformWindow.h"
#include "engine/platform/PlatformWindow.h"
#include "engine/sound/CSoundCueManager.h"
#include "engine/sound/IAudioDevice.h"
#include "engine/sound/SoundServices.h"
#include "engine/video/CNullGraphicsDriver.h"
#include "engine/video/CRectI.h"
#include "engine/video/CSizeI.h"
#include "engine/video/IGraphicsDriver.h"

#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr int32_t kKeyReturn = 13;
constexpr int32_t kKeyAlt = 18;
constexpr int32_t kKeyF10 = 121;
// Interval and step of the tick while the application is in the background,
// and the most lag a tick catches up.
constexpr uint32_t kBackgroundIntervalMs = 200;
constexpr uint32_t kMaxLagMs = 200;

// The devices' windows by id, so that a message reaches the device whose
// window it is whichever device pumped it.
struct WindowEntry {
    uint32_t id;
    CSdlDevice* device;
};

CArray<WindowEntry>& windowRegistry() {
    static CArray<WindowEntry> registry;
    return registry;
}

void registerWindow(uint32_t id, CSdlDevice* device) {
    if (id != 0)
        windowRegistry().push_back({id, device});
}

void unregisterDevice(const CSdlDevice* device) {
    CArray<WindowEntry>& registry = windowRegistry();
    for (uint32_t i = 0; i < registry.size();) {
        if (registry[i].device == device)
            registry.erase(i);
        else
            ++i;
    }
}

CSdlDevice* findDevice(uint32_t id) {
    for (const WindowEntry& entry : windowRegistry())
        if (entry.id == id)
            return entry.device;
    return nullptr;
}

CLog& log() { return *CLog::instance(); }

std::string utf8(const CStringW& text) { return utf16ToUtf8(text.view()); }

// A key the system keeps for itself while Alt (not AltGr) is held, and F10:
// such keys make no key events, apart from Alt+Return.
bool isSystemKey(int32_t keyCode, uint32_t modifiers) {
    const bool control = (modifiers & PlatformModControl) != 0;
    const bool leftAlt = (modifiers & PlatformModAlt) && !(modifiers & PlatformModAltGr);
    return (leftAlt && !control) || keyCode == kKeyF10 || (keyCode == kKeyAlt && !control);
}

// The code points of UTF-8 `text` after the first.
std::u16string charactersAfterFirst(const char* text) {
    std::u16string units = utf8ToUtf16(text);
    if (units.empty())
        return units;
    const bool pair = units.size() >= 2 && (units[0] & 0xFC00) == 0xD800 && (units[1] & 0xFC00) == 0xDC00;
    return units.substr(pair ? 2 : 1);
}

} // namespace

CSdlDevice::CSdlDevice(const CEngineCreationParams& params, ITimeSource* timeSource)
    : CEngine(params, timeSource), m_currentParams(params), m_window(std::make_unique<CPlatformWindow>()) {
    m_currentParams.version = CEngineCreationParams::EngineVersion;
    if (!platformEventsInit())
        log().log(CString("Can't start the event queue: ") + platformVideoError().c_str(), CLog::Error);
    std::string error;
    m_videoReady = platformVideoInit(&error);
    if (!m_videoReady)
        log().log(CString("Can't start the video system: ") + error.c_str(), CLog::Warning);
    // Whatever an earlier device left in the queue is not for this one.
    platformFlushEvents();

    CSystemInfo* info = new CSystemInfo;
    CRefHandle<CSdlClipboard> clipboard(new CSdlClipboard);
    info->setClipboard(clipboard.get());
    log().log(info->osVersion(), CLog::Info);
    setSystemInfo(info);
    setFileSystem(createDesktopFileSystem());
    installFormatRegistries();
    fillDisplayModes();

    (void)createWindow();
    (void)createAudioDevice();
    (void)createVideoDriver();

    setProfileManager(new CProfileManager(getFileSystem()));
    setContentProcessorsManager(new CContentProcessorsManager(getFileSystem(), getVideoDriver(), getAudioDevice()));
    registerContentProcessors();
    setSoundCueManager(createDeviceSoundCueManager(getAudioDevice()));
    createServices();
}

void CSdlDevice::installFormatRegistries() {
    CEngineManagers& managers = CEngineManagers::instance();
    if (!managers.getImageFormatRegistry())
        managers.setImageFormatRegistry(new CImageFormatRegistry);
    (void)installSoundFormatRegistry();
}

void CSdlDevice::registerContentProcessors() {
    // The particle processors belong to the standard nodes, above the device;
    // the game registers them.
    (void)::registerContentProcessors(getContentProcessorsManager());
}

CSdlDevice::~CSdlDevice() {
    attachInstanceGuard(nullptr);
    if (m_currentParams.fullScreen)
        restoreDesktopMode();
    // The driver lets go of the window's context while the window is there
    // (unless another service still holds the driver).
    setVideoDriver(nullptr);
    if (m_cursor)
        m_cursor->detachWindow();
    unregisterDevice(this);
    m_window->destroy();
}

void CSdlDevice::fillDisplayModes() {
    CDisplayModeList* modes = getDisplayModes();
    for (const PlatformDisplayMode& mode : platformDisplayModes())
        if (mode.width > 0 && mode.height > 0)
            (void)modes->addMode({mode.width, mode.height, mode.colorBits});
    PlatformDisplayMode mode;
    if (platformDesktopDisplayMode(&mode))
        modes->setDesktopMode({mode.width, mode.height, mode.colorBits});
    if (platformCurrentDisplayMode(&mode))
        modes->setDeviceCaps({mode.width, mode.height, mode.colorBits});
}

uint32_t CSdlDevice::getWindowId() const { return m_window->id(); }

bool CSdlDevice::createWindow() {
    if (m_currentParams.driverType == CEngineCreationParams::DriverNull)
        return false;
    if (m_window->isOpen())
        return true;
    std::string error;
    if (!m_videoReady && !(m_videoReady = platformVideoInit(&error))) {
        log().log(CString("The video system does not start: ") + error.c_str(), CLog::Info);
        log().log("Can't register window class", CLog::Error);
        return false;
    }
    if (m_currentParams.hostWindow) {
        setExternalWindow(true);
        if (!m_window->adopt(m_currentParams.hostWindow, &error)) {
            log().log(CString("The host window cannot be used: ") + error.c_str(), CLog::Info);
            log().log("Can't create window", CLog::Error);
            return false;
        }
        if (m_currentParams.width == -1 || m_currentParams.height == -1) {
            (void)m_window->clientSize(&m_currentParams.width, &m_currentParams.height);
            m_currentParams.fullScreen = false;
        } else {
            m_window->setClientSize(m_currentParams.width, m_currentParams.height);
        }
    } else {
        setExternalWindow(false);
        PlatformWindowParams window;
        window.title = utf8(getSetting("TitleCaption"));
        window.width = m_currentParams.width;
        window.height = m_currentParams.height;
        window.centred = !m_currentParams.fullScreen;
        window.x = 0;
        window.y = 0;
        window.bordered = !m_currentParams.fullScreen;
        window.resizable = !m_currentParams.fullScreen && m_currentParams.resizable;
        window.openGL = true;
        window.colorBits = m_currentParams.colorBits;
        window.depthBits = m_currentParams.depthBits;
        window.stencil = m_currentParams.stencil;
        // Anti-aliasing asks for 8 samples; the window steps down (4, 2, none)
        // as the system refuses, as it does for depth and stencil.
        window.multisamples = m_currentParams.antiAlias ? 8 : 0;
        if (!m_window->create(window, &error)) {
            log().log(CString("The window cannot be made: ") + error.c_str(), CLog::Info);
            log().log("Can't create window", CLog::Error);
            return false;
        }
    }
    m_visible = true;
    m_appActive = true;
    registerWindow(m_window->id(), this);
    CSdlCursor* cursor = new CSdlCursor(m_window.get());
    cursor->setFullscreen(m_currentParams.fullScreen);
    m_cursor = cursor;
    setCursorControl(cursor);
    loadWindowIcon();
    return true;
}

void CSdlDevice::loadWindowIcon() {
    CImageFormatRegistry* images = CEngineManagers::instance().getImageFormatRegistry();
    CVirtualFileSystem* fileSystem = getFileSystem();
    const CStringW name(u"icon.png");
    if (!images || !fileSystem || !fileSystem->exists(name, true))
        return;
    CRefHandle<IReadableFile> file(fileSystem->openForRead(name));
    if (!file)
        return;
    CRefHandle<CPixelImage> image(images->loadImage(file.get(), CObjectName(nullptr, name)));
    if (image)
        (void)setWindowIcon(image.get());
}

bool CSdlDevice::setWindowIcon(const CPixelImage* image) {
    if (!image || !image->data() || !m_window->isOpen())
        return false;
    const uint32_t width = image->width();
    const uint32_t height = image->height();
    if (width == 0 || height == 0 || width > 1024 || height > 1024)
        return false;
    std::vector<uint32_t> pixels(size_t(width) * height);
    image->exportPixels(pixels.data(), width, height, ColorFormat::A8R8G8B8);
    return m_window->setIcon(pixels.data(), int32_t(width), int32_t(height));
}

IGraphicsDriver* CSdlDevice::makeOpenGLDriver() {
    return createDeviceOpenGLDriver(m_currentParams, getFileSystem(), getClock(), m_window.get());
}

IGraphicsDriver* CSdlDevice::makeDirect3D9Driver() {
    return createDeviceDirect3D9Driver(m_currentParams, getFileSystem(), getClock(), m_window.get());
}

IGraphicsDriver* CSdlDevice::makeDirect3D8Driver() {
    return createDeviceDirect3D8Driver(m_currentParams, getFileSystem(), getClock(), m_window.get());
}

bool CSdlDevice::createVideoDriver() {
    applyWindowStyle();
    IGraphicsDriver* driver = nullptr;
    switch (m_currentParams.driverType) {
    case CEngineCreationParams::DriverNull:
        driver = createNullDriver(m_currentParams, getFileSystem(), getClock());
        break;
    case CEngineCreationParams::DriverDirect3D8:
        // Direct3D changes the display mode itself in full screen.
        driver = makeDirect3D8Driver();
        if (!driver)
            log().log("Could not create DIRECT3D8 Driver.", deviceHasDirect3D() ? CLog::Error : CLog::Info);
        break;
    case CEngineCreationParams::DriverDirect3D9:
        driver = makeDirect3D9Driver();
        if (!driver)
            log().log("Could not create DIRECT3D9 Driver.", deviceHasDirect3D() ? CLog::Error : CLog::Info);
        break;
    case CEngineCreationParams::DriverOpenGL:
        // The display takes the wanted mode before the driver sizes itself.
        if (m_currentParams.fullScreen)
            (void)switchToFullscreen(m_currentParams.width, m_currentParams.height, m_currentParams.colorBits);
        driver = makeOpenGLDriver();
        if (!driver)
            log().log("Could not create OpenGL driver.", CLog::Error);
        break;
    case 4:
        log().log("OpenGLES1 driver was not compiled in.", CLog::Error);
        break;
    case 5:
        log().log("OpenGLES2 driver was not compiled in.", CLog::Error);
        break;
    default:
        log().log("Unable to create video driver of unknown type.", CLog::Error);
        break;
    }
    if (!driver)
        return false;
    setVideoDriver(driver);
    placeWindow();
    m_visible = true;
    m_appActive = true;
    (void)post(new CEventVideoDriverCreated(driver));
    return true;
}

bool CSdlDevice::createAudioDevice() {
    CVirtualFileSystem* fileSystem = getFileSystem();
    CSoundFormatRegistry* registry = CEngineManagers::instance().getSoundFormatRegistry();
    IAudioDevice* device = nullptr;
    switch (m_currentParams.audioType) {
    case CEngineCreationParams::AudioNull:
        device = createDeviceNullAudio(fileSystem, registry);
        break;
    case CEngineCreationParams::AudioOpenAL:
        device = createDeviceOpenALAudio(m_currentParams, fileSystem, registry);
        if (!device)
            log().log("Could not create OpenAL Audio Driver.", CLog::Error);
        break;
    case 3:
        log().log("Qt Audio Driver was not compiled into this dll. Try another one.", CLog::Error);
        break;
    default:
        log().log("Unable to create audio driver of unknown type.", CLog::Error);
        break;
    }
    if (!device)
        return false;
    log().log(CStringW(u"Using audio: ") + device->describe(), CLog::Info);
    setAudioDevice(device);
    (void)post(new CEventAudioDriverCreated(device));
    (void)addListener(device, IAudioDevice::ListenerPriority);
    return true;
}

bool CSdlDevice::applyCreationParameters(const CEngineCreationParams& params) {
    const bool wasFullScreen = m_currentParams.fullScreen;
    // Everything up to the window is replaced; the audio part stays.
    const int32_t audioType = m_currentParams.audioType;
    const bool audioThread = m_currentParams.audioThread;
    m_currentParams = params;
    m_currentParams.audioType = audioType;
    m_currentParams.audioThread = audioThread;
    m_currentParams.version = CEngineCreationParams::EngineVersion;

    if (m_cursor)
        m_cursor->setFullscreen(m_currentParams.fullScreen);
    if (getVideoDriver()) {
        (void)post(new CEventVideoDriverReleased);
        setVideoDriver(nullptr);
    }
    if (wasFullScreen && !m_currentParams.fullScreen)
        restoreDesktopMode();
    if (m_currentParams.fullScreen && m_currentParams.desktopSize) {
        const CDisplayMode& desktop = getDisplayModes()->desktopMode();
        if (desktop.width > 0 && desktop.height > 0) {
            m_currentParams.width = desktop.width;
            m_currentParams.height = desktop.height;
        }
    }
    (void)createWindow();
    const bool created = createVideoDriver();
    if (m_window->isOpen() && !isExternalWindow())
        m_window->raise();
    return created;
}

bool CSdlDevice::applyAudioSettings(const CEngineCreationParams& params) {
    m_currentParams.audioType = params.audioType;
    m_currentParams.audioThread = params.audioThread;
    if (IAudioDevice* old = getAudioDevice()) {
        (void)post(new CEventAudioDriverReleased);
        removeListener(old);
        setAudioDevice(nullptr);
    }
    return createAudioDevice();
}

int32_t CSdlDevice::createDriverFromSetting(const CEngineCreationParams& params, int32_t setting,
                                            bool nullAsLastResort) {
    const int32_t first =
        setting >= CEngineCreationParams::DriverDirect3D8 && setting <= CEngineCreationParams::DriverOpenGL
            ? setting
            : CEngineCreationParams::DriverDirect3D9;
    const int32_t order[] = {first, CEngineCreationParams::DriverDirect3D8, CEngineCreationParams::DriverOpenGL,
                             nullAsLastResort ? CEngineCreationParams::DriverNull : -1};
    for (size_t i = 0; i < std::size(order); ++i) {
        const int32_t type = order[i];
        if (type < 0 || (i > 0 && type == first))
            continue;
        // Every try starts from the size asked for.
        CEngineCreationParams attempt = params;
        attempt.driverType = type;
        if (applyCreationParameters(attempt))
            return type;
    }
    return -1;
}

bool CSdlDevice::switchToFullscreen(int32_t width, int32_t height, int32_t colorBits) {
    PlatformDisplayMode before;
    const bool known = platformCurrentDisplayMode(&before);
    PlatformDisplayMode mode = before;
    mode.width = width;
    mode.height = height;
    mode.colorBits = colorBits;
    PlatformModeResult result = m_window->enterFullscreen(&mode);
    if (result != PlatformModeResult::Ok && result != PlatformModeResult::NoWindow) {
        // Any refresh rate rather than none.
        mode.refreshRate = 0;
        result = m_window->enterFullscreen(&mode);
    }
    switch (result) {
    case PlatformModeResult::Ok: {
        m_currentParams.fullScreen = true;
        PlatformDisplayMode now;
        if (platformCurrentDisplayMode(&now) &&
            (!known || now.width != before.width || now.height != before.height || now.colorBits != before.colorBits))
            (void)platformPushDisplayChangedEvent(now.colorBits, now.width, now.height);
        return true;
    }
    case PlatformModeResult::BadMode:
        log().log("Switch to fullscreen: The graphics mode is not supported.", CLog::Error);
        break;
    case PlatformModeResult::Failed:
        log().log("Switch to fullscreen: The display driver failed the specified graphics mode.", CLog::Error);
        break;
    case PlatformModeResult::NoWindow:
        log().log("An unknown error occured while changing to fullscreen.", CLog::Error);
        break;
    }
    return false;
}

void CSdlDevice::restoreDesktopMode() {
    if (!m_window->isFullscreen())
        return;
    PlatformDisplayMode before;
    const bool known = platformCurrentDisplayMode(&before);
    m_window->leaveFullscreen();
    PlatformDisplayMode now;
    if (platformCurrentDisplayMode(&now) &&
        (!known || now.width != before.width || now.height != before.height || now.colorBits != before.colorBits))
        (void)platformPushDisplayChangedEvent(now.colorBits, now.width, now.height);
}

void CSdlDevice::applyWindowStyle() {
    if (isExternalWindow() || !m_window->isOpen())
        return;
    const bool fullScreen = m_currentParams.fullScreen;
    m_window->setBordered(!fullScreen);
    m_window->setResizable(!fullScreen && m_currentParams.resizable);
    m_window->setAlwaysOnTop(fullScreen);
}

void CSdlDevice::placeWindow() {
    if (isExternalWindow() || !m_window->isOpen())
        return;
    const int32_t width = m_currentParams.width;
    const int32_t height = m_currentParams.height;
    if (m_currentParams.fullScreen) {
        // A display in the wanted mode sizes the window itself.
        if (!m_window->isFullscreen()) {
            m_window->setClientSize(width, height);
            m_window->setPosition(0, 0);
        }
        return;
    }
    m_window->setClientSize(width, height);
    PlatformDisplayMode screen;
    if (platformCurrentDisplayMode(&screen) && screen.width > 0 && screen.height > 0)
        m_window->setPosition((screen.width - width) / 2, (screen.height - height) / 2);
    m_window->show();
}

void CSdlDevice::handlePendingResize() {
    IGraphicsDriver* driver = getVideoDriver();
    if (!m_resizePending || !driver)
        return;
    int32_t width = 0;
    int32_t height = 0;
    if (m_window->isOpen())
        (void)m_window->clientSize(&width, &height);
    if (width < 2 || height < 2) {
        log().log(CString("Ignoring resize operation to (") + CString(width) + " " + CString(height) + ")", CLog::Info);
    } else {
        const int32_t clientWidth = width;
        const int32_t clientHeight = height;
        if (m_currentParams.fullScreen && (width != m_currentParams.width || height != m_currentParams.height)) {
            placeWindow();
            width = m_currentParams.width;
            height = m_currentParams.height;
        }
        log().log(CString("Resizing window (") + CString(clientWidth) + " " + CString(clientHeight) + ")", CLog::Info);
        driver->onWindowResized(CSizeI(width, height));
        (void)post(new CEventWindowResized(width, height));
    }
    m_resizePending = false;
}

bool CSdlDevice::run() {
    if (m_closing)
        return false;
    CClock* clock = getClock();
    clock->setFrameTime(clock->now());

    if (!isExternalWindow()) {
        PlatformEvent event;
        const bool got = m_visible ? platformPollEvent(&event) : platformWaitEvent(&event, m_messageWaitLimit);
        if (got) {
            if (event.type == PlatformEventType::Quit)
                return false;
            dispatchMessage(event);
            return true;
        }
    }

    handlePendingResize();
    processRaiseRequests();
    const bool foreground = m_appActive;
    bool update = isExternalWindow() || m_visible;
    // A background window is drawn on every step, even without an update.
    bool render = update && !foreground;
    if (!foreground && (!getRunWhenInactive() || inFullscreen())) {
        update = false;
        render = false;
    }
    const uint32_t interval = foreground ? getMinUpdateInterval() : kBackgroundIntervalMs;
    const uint32_t step = foreground ? getMaxUpdateStep() : kBackgroundIntervalMs;
    tick(update, render, interval, step, kMaxLagMs);

    if (isExternalWindow())
        return true;
    if (update && foreground) {
        if (getMinUpdateInterval() > 0)
            sleepMs(1, false);
    } else {
        sleepMs(20, false);
    }
    return true;
}

bool CSdlDevice::presentImage(const CPixelImage* image, void* window, const CRectI* sourceRect) {
    if (!image || !image->data() || !m_window->isOpen())
        return false;
    if (window && window != m_window->handle())
        return false;
    const int32_t source[4] = {sourceRect ? sourceRect->left : 0, sourceRect ? sourceRect->top : 0,
                               sourceRect ? sourceRect->right : 0, sourceRect ? sourceRect->bottom : 0};
    return m_window->presentPixels(image->data(), int32_t(image->width()), int32_t(image->height()),
                                   int32_t(image->pitch()), int32_t(image->bitsPerPixel()), image->redMask(),
                                   image->greenMask(), image->blueMask(), sourceRect ? source : nullptr);
}

void CSdlDevice::sleepMs(uint32_t ms, bool pauseClock) {
    CClock* clock = getClock();
    if (pauseClock && !clock->isPaused()) {
        clock->pause();
        sleepMilliseconds(ms);
        clock->resume();
        return;
    }
    sleepMilliseconds(ms);
}

void CSdlDevice::dispatchMessage(const PlatformEvent& event) {
    if (event.windowId != 0 && event.windowId != getWindowId()) {
        // Another device's window; messages for windows nobody owns any
        // more are dropped.
        if (CSdlDevice* owner = findDevice(event.windowId))
            owner->handleMessage(event);
        return;
    }
    handleMessage(event);
}

void CSdlDevice::handleMessage(const PlatformEvent& event) {
    // The system may have ended the capture (another window took it).
    if (m_captureCount > 0 && !m_window->mouseCaptured())
        m_captureCount = 0;

    switch (event.type) {
    case PlatformEventType::WindowClose:
        log().log("SC_CLOSE command received", CLog::Info);
        // A listener that handles the request keeps the window open.
        if (!post(new CEventSystemFlowCloseRequest))
            destroyWindow();
        break;
    case PlatformEventType::WindowMinimized:
        m_visible = false;
        m_appActive = false;
        break;
    case PlatformEventType::WindowShown:
    case PlatformEventType::WindowRestored:
    case PlatformEventType::WindowMaximized:
    case PlatformEventType::WindowResized:
        m_visible = true;
        m_appActive = true;
        m_resizePending = true;
        break;
    case PlatformEventType::WindowExposed:
        // The tick does not draw a background window; this one asks.
        if (!inFullscreen() && getVideoDriver() && !m_appActive)
            (void)post(new CEventRender);
        break;
    case PlatformEventType::WindowFocusGained:
        handleFocus(true);
        break;
    case PlatformEventType::WindowFocusLost:
        handleFocus(false);
        break;
    case PlatformEventType::DisplayChanged:
        (void)post(new CEventDisplayChanged(event.value, event.x, event.y));
        break;
    case PlatformEventType::KeyDown:
        handleKeyDown(event);
        break;
    case PlatformEventType::KeyUp:
        handleKeyUp(event);
        break;
    case PlatformEventType::Text:
        // Text an input method typed without keys of its own.
        for (char16_t c : utf8ToUtf16(event.text))
            (void)post(new CEventKeyDown(c, 0));
        break;
    case PlatformEventType::MouseMove:
        if (m_visible)
            (void)post(new CEventMouseMove(event.x, event.y));
        break;
    case PlatformEventType::MouseButtonDown:
        handleMouseButton(event, true);
        break;
    case PlatformEventType::MouseButtonUp:
        handleMouseButton(event, false);
        break;
    case PlatformEventType::MouseWheel:
        if (isActive())
            (void)post(new CEventMouseWheel(event.x, event.y, event.wheel));
        break;
    case PlatformEventType::Wake:
        processRaiseRequests();
        break;
    case PlatformEventType::None:
    case PlatformEventType::Quit:
    case PlatformEventType::WindowHidden:
    case PlatformEventType::Other:
        break;
    }
}

void CSdlDevice::handleFocus(bool gained) {
    if (gained) {
        // The application comes forward, then its window.
        m_appActive = true;
        (void)post(new CEventApplicationActivate(true));
        log().log("Application activated.", CLog::Info);
        (void)post(new CEventWindowActivate(true));
        return;
    }
    (void)post(new CEventWindowActivate(false));
    if (m_appActive) {
        m_appActive = false;
        (void)post(new CEventApplicationActivate(false));
        log().log("Application deactivated.", CLog::Info);
    }
}

void CSdlDevice::handleKeyDown(const PlatformEvent& event) {
    const uint32_t modifiers = event.modifiers;
    if (isSystemKey(event.keyCode, modifiers)) {
        // Alt+Return, once per press.
        if (event.keyCode == kKeyReturn && !event.repeat && (modifiers & PlatformModAlt))
            (void)post(new CEventKeyDown(kKeyReturn, kKeyReturn, false, false, true));
        return;
    }
    m_keyModifiers = modifiers;
    if (event.keyCode >= 0 && event.keyCode < 256)
        m_keyCharacters[event.keyCode] = event.character;
    const bool shift = (modifiers & PlatformModShift) != 0;
    const bool control = (modifiers & PlatformModControl) != 0;
    const bool alt = (modifiers & PlatformModAlt) != 0;
    (void)post(new CEventKeyDown(int32_t(event.character), event.keyCode, shift, control, alt));
    // An input method may type more than one character with one key.
    for (char16_t c : charactersAfterFirst(event.text))
        (void)post(new CEventKeyDown(c, 0, shift, control, alt));
}

void CSdlDevice::handleKeyUp(const PlatformEvent& event) {
    if (isSystemKey(event.keyCode, event.modifiers))
        return;
    // The character and modifiers as the last key-down left the keyboard.
    const uint32_t character = event.keyCode >= 0 && event.keyCode < 256 ? m_keyCharacters[event.keyCode] & 0xFFFF : 0;
    (void)post(new CEventKeyUp(int32_t(character), event.keyCode, (m_keyModifiers & PlatformModShift) != 0,
                               (m_keyModifiers & PlatformModControl) != 0, (m_keyModifiers & PlatformModAlt) != 0));
}

void CSdlDevice::handleMouseButton(const PlatformEvent& event, bool down) {
    CEvent* posted = nullptr;
    switch (event.button) {
    case PlatformMouseButton::Left:
        posted = down ? static_cast<CEvent*>(new CEventMouseLeftDown(event.x, event.y))
                      : static_cast<CEvent*>(new CEventMouseLeftUp(event.x, event.y));
        break;
    case PlatformMouseButton::Right:
        posted = down ? static_cast<CEvent*>(new CEventMouseRightDown(event.x, event.y))
                      : static_cast<CEvent*>(new CEventMouseRightUp(event.x, event.y));
        break;
    case PlatformMouseButton::Middle:
        posted = down ? static_cast<CEvent*>(new CEventMouseMiddleDown(event.x, event.y))
                      : static_cast<CEvent*>(new CEventMouseMiddleUp(event.x, event.y));
        break;
    case PlatformMouseButton::None:
    case PlatformMouseButton::Other:
        return;
    }
    // The capture is taken with the first button and released with the
    // last, so a drag outside the window still reports its release.
    if (down) {
        ++m_captureCount;
        m_window->captureMouse(true);
    } else if (--m_captureCount < 1) {
        m_captureCount = 0;
        m_window->captureMouse(false);
    }
    (void)post(posted);
}

bool CSdlDevice::post(CEvent* event) {
    const bool handled = postEvent(event);
    event->release();
    return handled;
}

void CSdlDevice::destroyWindow() {
    if (!m_window->isOpen())
        return;
    log().log("The window is closed", CLog::Info);
    (void)post(new CEventWindowDestroyed);
    m_closing = true;
    if (m_cursor)
        m_cursor->detachWindow();
    unregisterDevice(this);
    m_window->destroy();
}

void CSdlDevice::closeDevice() {
    CEngine::closeDevice();
    destroyWindow();
}

void CSdlDevice::setWindowTitle(const CStringW& title) { m_window->setTitle(utf8(title)); }

bool CSdlDevice::isMinimized() const { return m_window->isMinimized(); }

void CSdlDevice::hideWindow() { m_window->hide(); }

void CSdlDevice::raiseWindow() {
    if (!m_window->isOpen())
        return;
    if (m_window->isMinimized())
        m_window->restore();
    m_window->show();
    m_window->raise();
}

bool CSdlDevice::applyGammaRamp(float red, float green, float blue, float brightness, float contrast) {
    uint16_t ramps[3][256];
    buildGammaRamp(ramps[0], red, brightness, contrast);
    buildGammaRamp(ramps[1], green, brightness, contrast);
    buildGammaRamp(ramps[2], blue, brightness, contrast);
    return m_window->setGammaRamp(ramps[0], ramps[1], ramps[2]);
}

bool CSdlDevice::readGammaRamp(float& red, float& green, float& blue, float& brightness, float& contrast) {
    brightness = 0.0f;
    contrast = 0.0f;
    uint16_t ramps[3][256];
    if (!m_window->gammaRamp(ramps[0], ramps[1], ramps[2]))
        return false;
    red = estimateGammaFromRamp(ramps[0]);
    green = estimateGammaFromRamp(ramps[1]);
    blue = estimateGammaFromRamp(ramps[2]);
    return true;
}

bool CSdlDevice::openUrl(const CStringW& url) {
    std::string error;
    if (platformOpenUrl(utf8(url), &error))
        return true;
    log().log(CStringW(u"Unable to open URL: ") + url, CLog::Warning);
    return false;
}

void CSdlDevice::attachInstanceGuard(CSingleInstanceGuard* guard) {
    if (m_instanceGuard) {
        m_instanceGuard->setWakeCallback(nullptr);
        m_instanceGuard->storeWindow(nullptr);
    }
    m_instanceGuard = guard;
    if (!guard)
        return;
    guard->storeWindow([this] { raiseWindow(); });
    // The watcher's thread only wakes the loop; raising happens here.
    guard->setWakeCallback([] { (void)platformPushWakeEvent(); });
}

void CSdlDevice::processRaiseRequests() {
    if (m_instanceGuard)
        (void)m_instanceGuard->processRaiseRequests();
}

CEngine* createSdlDevice(const CEngineCreationParams& params) {
    CSdlDevice* device = new CSdlDevice(params);
    if (device->getVideoDriver() || params.driverType == CEngineCreationParams::DriverNull) {
        setEngineInstance(device);
        return device;
    }
    device->closeDevice();
    (void)device->run();
    device->release();
    return nullptr;
}

void registerSdlDevice() { setEngineFactory(&createSdlDevice); }
