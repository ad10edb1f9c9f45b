#include "engine/device/CSdlDevice.h"
#include "engine/device/SdlDeviceBackends.h"

#include "engine/content/CContentProcessorsManager.h"
#include "engine/content/CPixelImage.h"
#include "engine/content/ContentType.h"
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
#include "engine/core/CEventUpdate.h"
#include "engine/core/CObjectName.h"
#include "engine/core/CSingleInstanceGuard.h"
#include "engine/core/CStringW.h"
#include "engine/core/CSystemInfo.h"
#include "engine/core/ICursorControl.h"
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
#include "engine/platform/CPlatformWindow.h"
#include "engine/platform/PlatformTestInput.h"
#include "engine/sound/IAudioDevice.h"
#include "engine/video/CRectI.h"
#include "engine/video/IDriverTexture.h"
#include "engine/video/IGraphicsDriver.h"
#include "tests/engine/device/DeviceTestSupport.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

class SdlDeviceTest : public ::testing::Test {
protected:
    void SetUp() override { makeDevice(CEngineCreationParams{}); }

    void TearDown() override { dropDevice(); }

    void makeDevice(const CEngineCreationParams& params) {
        dropDevice();
        m_time = CRefHandle<FakeTime>(new FakeTime);
        m_device = CRefHandle<TestDevice>(new TestDevice(params, m_time.get()));
        // A step of a minimised window waits for a message: never long here.
        m_device->setMessageWaitLimit(0);
        m_listener = CRefHandle<RecordingListener>(new RecordingListener);
        ASSERT_TRUE(m_device->addListener(m_listener.get(), 0));
    }

    void dropDevice() {
        if (m_device)
            m_device->removeListener(m_listener.get());
        m_device.reset();
        m_listener.reset();
    }

    // Opens the window with an OpenGL driver (the stand-in unless a test
    // chooses), lets the window settle, and forgets what was seen so far.
    void openWindow(int32_t width = 320, int32_t height = 240) {
        CEngineCreationParams params;
        params.driverType = CEngineCreationParams::DriverOpenGL;
        params.width = width;
        params.height = height;
        ASSERT_TRUE(m_device->applyCreationParameters(params));
        ASSERT_NE(m_device->getWindowId(), 0u);
        pump();
        // Whatever the system reported about the new window is past.
        platformFlushEvents();
        m_listener->seen.clear();
        m_device->messages.clear();
        m_device->sleeps.clear();
    }

    // Runs steps until one ticks (no message was pending) or the loop ends;
    // answers the last step's result.
    bool pump() {
        for (int i = 0; i < 1000; ++i) {
            const size_t sleeps = m_device->sleeps.size();
            const size_t messages = m_device->messages.size();
            if (!m_device->run())
                return false;
            if (m_device->sleeps.size() > sleeps ||
                (m_device->messages.size() == messages && m_device->isExternalWindow()))
                return true;
        }
        ADD_FAILURE() << "the queue did not empty";
        return true;
    }

    uint32_t window() const { return m_device->getWindowId(); }

    CRefHandle<FakeTime> m_time;
    CRefHandle<TestDevice> m_device;
    CRefHandle<RecordingListener> m_listener;
};

TEST_F(SdlDeviceTest, StartsHeadlessWithTheNullDriverAndItsServices) {
    IGraphicsDriver* driver = m_device->getVideoDriver();
    ASSERT_NE(driver, nullptr);
    EXPECT_EQ(driver->driverType(), CEngineCreationParams::DriverNull);
    EXPECT_FALSE(m_device->getWindow()->isOpen());
    EXPECT_EQ(m_device->getCursorControl(), nullptr);
    // Driver creation leaves the device active and visible, so the loop
    // polls rather than waits.
    EXPECT_TRUE(m_device->isActive());
    EXPECT_TRUE(m_device->isWindowVisible());
    ASSERT_NE(m_device->getAudioDevice(), nullptr);
    EXPECT_EQ(m_device->getAudioDevice()->describe(), CStringW(u"Null audio device"));
    EXPECT_TRUE(m_device->isListener(m_device->getAudioDevice()));
    ASSERT_NE(m_device->getContentProcessorsManager(), nullptr);
    EXPECT_EQ(m_device->getContentProcessorsManager()->getVideoDriver(), driver);
    for (uint32_t type : {ContentTypeImage, ContentTypeSceneNode, ContentTypeSound, ContentTypeSoundPack}) {
        SCOPED_TRACE(type);
        EXPECT_NE(m_device->getContentProcessorsManager()->findProcessor(type), nullptr);
    }
    EXPECT_NE(CEngineManagers::instance().getImageFormatRegistry(), nullptr);
    EXPECT_NE(CEngineManagers::instance().getSoundFormatRegistry(), nullptr);
    EXPECT_NE(m_device->getSoundCueManager(), nullptr);
    EXPECT_NE(m_device->getProfileManager(), nullptr);
    ASSERT_NE(m_device->getSystemInfo(), nullptr);
    EXPECT_NE(m_device->getSystemInfo()->clipboard(), nullptr);
    EXPECT_TRUE(m_device->run());
    EXPECT_FALSE(m_device->isMinimized());
}

TEST_F(SdlDeviceTest, FactoryKeepsOnlyDevicesWithTheirDriver) {
    const struct {
        int32_t type;
        const char* message; // null: the device is kept
    } cases[] = {
        {CEngineCreationParams::DriverNull, nullptr},
#ifdef _WIN32
        {CEngineCreationParams::DriverDirect3D8, nullptr},
        {CEngineCreationParams::DriverDirect3D9, nullptr},
#else
        // Without Direct3D in the build, its drivers' absence is expected.
        {CEngineCreationParams::DriverDirect3D8, "INF: Could not create DIRECT3D8 Driver."},
        {CEngineCreationParams::DriverDirect3D9, "INF: Could not create DIRECT3D9 Driver."},
#endif
        {4, "ERR: OpenGLES1 driver was not compiled in."},
        {5, "ERR: OpenGLES2 driver was not compiled in."},
        {9, "ERR: Unable to create video driver of unknown type."},
    };
    dropDevice();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        LogCapture log;
        CEngineCreationParams params;
        params.driverType = c.type;
        params.width = 64;
        params.height = 48;
        CEngine* engine = createSdlDevice(params);
        if (!c.message) {
            ASSERT_NE(engine, nullptr);
            EXPECT_EQ(findEngineInstance(), engine);
            engine->release();
            EXPECT_EQ(findEngineInstance(), nullptr);
        } else {
            EXPECT_EQ(engine, nullptr);
            EXPECT_EQ(findEngineInstance(), nullptr);
            EXPECT_TRUE(log.contains(c.message));
            // The window made for the driver was closed again.
            EXPECT_TRUE(log.contains("The window is closed"));
        }
    }
}

TEST_F(SdlDeviceTest, EngineInstanceIsMadeThroughTheRegisteredFactory) {
    dropDevice();
    registerSdlDevice();
    CEngine* engine = getEngineInstance();
    ASSERT_NE(engine, nullptr);
    EXPECT_NE(dynamic_cast<CSdlDevice*>(engine), nullptr);
    EXPECT_EQ(getEngineInstance(), engine);
    engine->release();
    EXPECT_EQ(findEngineInstance(), nullptr);
    setEngineFactory(nullptr);
}

TEST_F(SdlDeviceTest, Direct3D9DriverDrawsIntoItsWindowWhereThereIsOne) {
    m_device->direct3D9 = true;
    LogCapture log;
    CEngineCreationParams params;
    params.driverType = CEngineCreationParams::DriverDirect3D9;
    params.width = 200;
    params.height = 150;
    params.colorBits = 32;
#ifndef _WIN32
    EXPECT_FALSE(m_device->applyCreationParameters(params));
    EXPECT_TRUE(log.contains("Could not create DIRECT3D9 Driver."));
#else
    ASSERT_TRUE(m_device->applyCreationParameters(params));
    IGraphicsDriver* driver = m_device->getVideoDriver();
    ASSERT_NE(driver, nullptr);
    EXPECT_EQ(driver->driverType(), CEngineCreationParams::DriverDirect3D9);
    EXPECT_EQ(driver->screenSize(), CSizeI(200, 150));
    EXPECT_TRUE(driver->beginFrame(true, true, CColor(0xFF102030), nullptr, nullptr));
    CRefHandle<CPixelImage> shot(driver->takeScreenshot());
    ASSERT_TRUE(shot);
    EXPECT_EQ(shot->pixelAt(100, 75), CColor(0xFF102030));
    EXPECT_TRUE(driver->endFrame());
#endif
}

TEST_F(SdlDeviceTest, OpenGLDriverDrawsIntoItsWindow) {
    m_device->openGL = TestDevice::OpenGL::Real;
    CEngineCreationParams params;
    params.driverType = CEngineCreationParams::DriverOpenGL;
    params.width = 200;
    params.height = 150;
    if (!m_device->applyCreationParameters(params))
        GTEST_SKIP() << "no OpenGL on this video driver";
    IGraphicsDriver* driver = m_device->getVideoDriver();
    ASSERT_NE(driver, nullptr);
    EXPECT_EQ(driver->driverType(), CEngineCreationParams::DriverOpenGL);
    EXPECT_TRUE(m_device->getWindow()->openGLCapable());
    EXPECT_TRUE(driver->beginFrame(true, true, CColor(0xFF102030), nullptr, nullptr));
    EXPECT_TRUE(driver->endFrame());
    // A new driver on the same window, then the window goes before the
    // driver does.
    ASSERT_TRUE(m_device->applyCreationParameters(params));
    m_device->closeDevice();
    EXPECT_FALSE(m_device->run());
}

TEST_F(SdlDeviceTest, FullScreenTakesTheDisplayAndGivesItBack) {
    LogCapture log;
    CEngineCreationParams params;
    params.driverType = CEngineCreationParams::DriverOpenGL;
    params.fullScreen = true;
    params.desktopSize = true;
    params.width = 320;
    params.height = 240;
    ASSERT_TRUE(m_device->applyCreationParameters(params));
    // The desktop's size replaces the one asked for.
    const CDisplayMode& desktop = m_device->getDisplayModes()->desktopMode();
    ASSERT_GT(desktop.width, 0);
    EXPECT_EQ(m_device->getCreationParams().width, desktop.width);
    EXPECT_EQ(m_device->getCreationParams().height, desktop.height);
    EXPECT_TRUE(m_device->inFullscreen());
    ASSERT_NE(m_device->getVideoDriver(), nullptr);
    // Displays without modes to switch to (the headless ones) refuse, and the
    // driver is made all the same on a window covering the screen.
    const bool refused = log.contains("ERR: Switch to fullscreen: The graphics mode is not supported.");
    EXPECT_EQ(m_device->getWindow()->isFullscreen(), !refused);

    params.fullScreen = false;
    params.desktopSize = false;
    ASSERT_TRUE(m_device->applyCreationParameters(params));
    EXPECT_FALSE(m_device->inFullscreen());
    EXPECT_FALSE(m_device->getWindow()->isFullscreen());
    int32_t width = 0;
    int32_t height = 0;
    ASSERT_TRUE(m_device->getWindow()->clientSize(&width, &height));
    EXPECT_EQ(width, 320);
    EXPECT_EQ(height, 240);
}

TEST_F(SdlDeviceTest, WindowInputBecomesEngineEvents) {
    openWindow();
    ASSERT_TRUE(platformTestPushKey(window(), "A", true, PlatformModShift, false));
    ASSERT_TRUE(platformTestPushText(window(), "A"));
    ASSERT_TRUE(platformTestPushKey(window(), "A", false, 0, false));
    ASSERT_TRUE(platformTestPushKey(window(), "Return", true, 0, false));
    ASSERT_TRUE(platformTestPushKey(window(), "Left", true, PlatformModControl, false));
    ASSERT_TRUE(platformTestPushMouseMotion(window(), 10, 20));
    ASSERT_TRUE(platformTestPushMouseButton(window(), 1, true, 11, 21));
    ASSERT_TRUE(platformTestPushMouseButton(window(), 3, true, 12, 22));
    ASSERT_TRUE(platformTestPushMouseButton(window(), 2, true, 13, 23));
    ASSERT_TRUE(platformTestPushMouseButton(window(), 1, false, 14, 24));
    ASSERT_TRUE(platformTestPushMouseButton(window(), 3, false, 15, 25));
    ASSERT_TRUE(platformTestPushMouseButton(window(), 2, false, 16, 26));
    ASSERT_TRUE(platformTestPushMouseButton(window(), 4, true, 1, 1)); // a side button: nothing
    ASSERT_TRUE(platformTestPushMouseWheel(window(), -1.0f, 40, 50, false));
    ASSERT_TRUE(platformTestPushText(window(), "\xC3\xA9")); // typed by an input method
    ASSERT_TRUE(platformPushDisplayChangedEvent(24, 800, 600));
    pump();

    const std::vector<SeenEvent> expected = {
        {.type = CEventKeyDown::TypeId, .character = 'A', .keyCode = 'A', .shift = true},
        {.type = CEventKeyUp::TypeId, .character = 'A', .keyCode = 'A', .shift = true},
        {.type = CEventKeyDown::TypeId, .character = 13, .keyCode = 13},
        {.type = CEventKeyDown::TypeId, .keyCode = 37, .control = true},
        {.type = CEventMouseMove::TypeId, .x = 10, .y = 20},
        {.type = CEventMouseLeftDown::TypeId, .x = 11, .y = 21},
        {.type = CEventMouseRightDown::TypeId, .x = 12, .y = 22},
        {.type = CEventMouseMiddleDown::TypeId, .x = 13, .y = 23},
        {.type = CEventMouseLeftUp::TypeId, .x = 14, .y = 24},
        {.type = CEventMouseRightUp::TypeId, .x = 15, .y = 25},
        {.type = CEventMouseMiddleUp::TypeId, .x = 16, .y = 26},
        {.type = CEventMouseWheel::TypeId, .x = 40, .y = 50, .delta = -1.0f},
        {.type = CEventKeyDown::TypeId, .character = 0xE9, .keyCode = 0},
        {.type = CEventDisplayChanged::TypeId, .x = 800, .y = 600},
    };
    ASSERT_EQ(m_listener->seen.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        const SeenEvent& seen = m_listener->seen[i];
        const SeenEvent& want = expected[i];
        EXPECT_EQ(seen.type, want.type);
        EXPECT_EQ(seen.x, want.x);
        EXPECT_EQ(seen.y, want.y);
        EXPECT_FLOAT_EQ(seen.delta, want.delta);
        EXPECT_EQ(seen.character, want.character);
        EXPECT_EQ(seen.keyCode, want.keyCode);
        EXPECT_EQ(seen.shift, want.shift);
        EXPECT_EQ(seen.control, want.control);
        EXPECT_EQ(seen.alt, want.alt);
    }
}

// Display changes the system reports, not only the device's own mode
// switches, reach the listeners with the desktop mode as it is then.
TEST_F(SdlDeviceTest, DisplayChangesTheSystemReportsArePosted) {
    openWindow();
    PlatformDisplayMode desktop;
    if (!platformCurrentDisplayMode(&desktop))
        GTEST_SKIP() << "the display has no mode";
    pump();
    m_listener->seen.clear();
    ASSERT_TRUE(platformTestPushDisplayEvent(PlatformTestDisplayEvent::Connected, 0));
    ASSERT_TRUE(platformTestPushDisplayEvent(PlatformTestDisplayEvent::Orientation, 0));
    ASSERT_TRUE(platformTestPushDisplayEvent(PlatformTestDisplayEvent::Disconnected, 1));
    ASSERT_TRUE(platformTestPushWindowEvent(window(), PlatformTestWindowEvent::DisplayChanged, 0, 0));
    pump();
    ASSERT_EQ(m_listener->seen.size(), 4u);
    for (const SeenEvent& seen : m_listener->seen) {
        EXPECT_EQ(seen.type, CEventDisplayChanged::TypeId);
        EXPECT_EQ(seen.x, desktop.width);
        EXPECT_EQ(seen.y, desktop.height);
    }
}

TEST_F(SdlDeviceTest, PresentImageStretchesAnImageOverTheWindow) {
    openWindow();
    int32_t width = 0;
    int32_t height = 0;
    ASSERT_TRUE(m_device->getWindow()->clientSize(&width, &height));
    // Left half red, right half blue; a green column beyond them.
    CRefHandle<CPixelImage> image(CPixelImage::create(CObjectName(), ColorFormat::A8R8G8B8, 3, 2));
    ASSERT_TRUE(image && image->data());
    for (uint32_t y = 0; y < 2; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(image->data() + y * image->pitch());
        row[0] = 0xFFFF0000;
        row[1] = 0xFF0000FF;
        row[2] = 0xFF00FF00;
    }
    const CRectI part(0, 0, 2, 2);
    ASSERT_TRUE(m_device->presentImage(image.get(), nullptr, &part));
    uint32_t pixel = 0;
    ASSERT_TRUE(m_device->getWindow()->presentedPixel(1, 1, &pixel));
    EXPECT_EQ(pixel & 0xFFFFFF, 0xFF0000u);
    ASSERT_TRUE(m_device->getWindow()->presentedPixel(width - 1, height - 1, &pixel));
    EXPECT_EQ(pixel & 0xFFFFFF, 0x0000FFu);
    // The whole image: the green column reaches the right edge.
    ASSERT_TRUE(m_device->presentImage(image.get(), m_device->getWindow()->handle(), nullptr));
    ASSERT_TRUE(m_device->getWindow()->presentedPixel(width - 1, 0, &pixel));
    EXPECT_EQ(pixel & 0xFFFFFF, 0x00FF00u);

    int otherWindow = 0;
    const CRectI outside(2, 0, 4, 2);
    EXPECT_FALSE(m_device->presentImage(image.get(), &otherWindow, nullptr));
    EXPECT_FALSE(m_device->presentImage(image.get(), nullptr, &outside));
    EXPECT_FALSE(m_device->presentImage(nullptr, nullptr, nullptr));
}

TEST_F(SdlDeviceTest, KeyUpReportsTheKeyboardOfTheLastKeyDown) {
    openWindow();
    ASSERT_TRUE(platformTestPushKey(window(), "Left Shift", true, PlatformModShift, false));
    ASSERT_TRUE(platformTestPushKey(window(), "B", true, PlatformModShift, false));
    ASSERT_TRUE(platformTestPushText(window(), "B"));
    ASSERT_TRUE(platformTestPushKey(window(), "Left Shift", false, 0, false));
    ASSERT_TRUE(platformTestPushKey(window(), "B", false, 0, false));
    pump();
    ASSERT_EQ(m_listener->types(), (std::vector<int32_t>{36, 36, 37, 37}));
    const SeenEvent& shiftUp = m_listener->seen[2];
    EXPECT_EQ(shiftUp.keyCode, 16);
    EXPECT_TRUE(shiftUp.shift);
    const SeenEvent& letterUp = m_listener->seen[3];
    EXPECT_EQ(letterUp.keyCode, 'B');
    EXPECT_EQ(letterUp.character, 'B');
    EXPECT_TRUE(letterUp.shift);
}

TEST_F(SdlDeviceTest, SystemKeysMakeNoEventsButAltReturnMakesOne) {
    openWindow();
    ASSERT_TRUE(platformTestPushKey(window(), "Left Alt", true, PlatformModAlt, false));
    ASSERT_TRUE(platformTestPushKey(window(), "Return", true, PlatformModAlt, false));
    ASSERT_TRUE(platformTestPushKey(window(), "Return", true, PlatformModAlt, true)); // held: repeats
    ASSERT_TRUE(platformTestPushKey(window(), "Return", false, PlatformModAlt, false));
    ASSERT_TRUE(platformTestPushKey(window(), "A", true, PlatformModAlt, false));
    ASSERT_TRUE(platformTestPushKey(window(), "A", false, PlatformModAlt, false));
    ASSERT_TRUE(platformTestPushKey(window(), "Left Alt", false, 0, false));
    ASSERT_TRUE(platformTestPushKey(window(), "F10", true, 0, false));
    ASSERT_TRUE(platformTestPushKey(window(), "F10", false, 0, false));
    // AltGr types characters; Control with Alt is an ordinary chord.
    ASSERT_TRUE(platformTestPushKey(window(), "Q", true, PlatformModAlt | PlatformModAltGr, false));
    ASSERT_TRUE(platformTestPushText(window(), "@"));
    ASSERT_TRUE(platformTestPushKey(window(), "D", true, PlatformModAlt | PlatformModControl, false));
    pump();
    ASSERT_EQ(m_listener->types(), (std::vector<int32_t>{36, 36, 36}));
    const SeenEvent& altReturn = m_listener->seen[0];
    EXPECT_EQ(altReturn.character, 13);
    EXPECT_EQ(altReturn.keyCode, 13);
    EXPECT_FALSE(altReturn.shift);
    EXPECT_FALSE(altReturn.control);
    EXPECT_TRUE(altReturn.alt);
    EXPECT_EQ(m_listener->seen[1].character, '@');
    EXPECT_EQ(m_listener->seen[1].keyCode, 'Q');
    EXPECT_EQ(m_listener->seen[2].keyCode, 'D');
    EXPECT_TRUE(m_listener->seen[2].control);
    EXPECT_TRUE(m_listener->seen[2].alt);
}

TEST_F(SdlDeviceTest, CaptureIsTakenWithTheFirstButtonAndReleasedWithTheLast) {
    openWindow();
    CPlatformWindow* platformWindow = m_device->getWindow();
    const struct {
        int32_t button;
        bool down;
        int32_t count;
        bool captured;
    } steps[] = {
        {1, true, 1, true}, {3, true, 2, true}, {1, false, 1, true}, {3, false, 0, false}, {3, false, 0, false},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(std::to_string(s.button) + (s.down ? " down" : " up"));
        ASSERT_TRUE(platformTestPushMouseButton(window(), s.button, s.down, 5, 5));
        pump();
        EXPECT_EQ(m_device->getCaptureCount(), s.count);
        EXPECT_EQ(platformWindow->mouseCaptured(), s.captured);
    }
}

TEST_F(SdlDeviceTest, MinimisedWindowDropsMovesWaitsAndResizesOnRestore) {
    openWindow(320, 240);
    LogCapture log;
    ASSERT_TRUE(platformTestPushWindowEvent(window(), PlatformTestWindowEvent::Minimized, 0, 0));
    ASSERT_TRUE(platformTestPushMouseMotion(window(), 3, 4));
    m_time->now += 50;
    pump();
    EXPECT_FALSE(m_device->isWindowVisible());
    EXPECT_FALSE(m_device->isActive());
    EXPECT_EQ(m_listener->count(CEventMouseMove::TypeId), 0);
    EXPECT_EQ(m_device->sleeps, std::vector<uint32_t>{20});
    // Nothing was updated while minimised.
    m_listener->recordFrames = true;
    m_time->now += 50;
    pump();
    EXPECT_EQ(m_listener->count(CEventUpdate::TypeId), 0);

    ASSERT_TRUE(platformTestPushWindowEvent(window(), PlatformTestWindowEvent::Restored, 0, 0));
    pump();
    EXPECT_TRUE(m_device->isWindowVisible());
    EXPECT_TRUE(m_device->isActive());
    EXPECT_FALSE(m_device->isResizePending());
    ASSERT_EQ(m_listener->count(CEventWindowResized::TypeId), 1);
    for (const SeenEvent& seen : m_listener->seen) {
        if (seen.type == CEventWindowResized::TypeId) {
            EXPECT_EQ(seen.x, 320);
            EXPECT_EQ(seen.y, 240);
        }
    }
    EXPECT_TRUE(log.contains("Resizing window (320 240)"));
    EXPECT_EQ(m_device->getVideoDriver()->screenSize(), CSizeI(320, 240));
}

TEST_F(SdlDeviceTest, ResizeBelowTwoPixelsIsIgnored) {
    openWindow();
    m_device->getWindow()->setClientSize(1, 1);
    LogCapture log;
    ASSERT_TRUE(platformTestPushWindowEvent(window(), PlatformTestWindowEvent::SizeChanged, 1, 1));
    pump();
    EXPECT_TRUE(log.contains("Ignoring resize operation to (1 1)"));
    EXPECT_EQ(m_listener->count(CEventWindowResized::TypeId), 0);
    EXPECT_FALSE(m_device->isResizePending());
}

TEST_F(SdlDeviceTest, TickRunsWhenNoMessageIsPendingAndSleepsByState) {
    openWindow();
    m_device->setMinUpdateInterval(10);
    m_device->setMaxUpdateStep(200);
    m_listener->recordFrames = true;

    // Foreground: updates with a 10 ms minimum, a render, a 1 ms sleep.
    m_time->now += 30;
    ASSERT_TRUE(pump());
    EXPECT_EQ(m_listener->types(), (std::vector<int32_t>{CEventUpdate::TypeId, CEventRender::TypeId}));
    EXPECT_EQ(m_device->sleeps, std::vector<uint32_t>{1});

    // Background without runWhenInactive: nothing runs, 20 ms sleeps.
    ASSERT_TRUE(platformTestPushWindowEvent(window(), PlatformTestWindowEvent::FocusLost, 0, 0));
    pump();
    m_listener->seen.clear();
    m_device->sleeps.clear();
    m_time->now += 300;
    pump();
    EXPECT_TRUE(m_listener->seen.empty());
    EXPECT_EQ(m_device->sleeps, std::vector<uint32_t>{20});

    // Background with runWhenInactive in a window: 200 ms steps, and a
    // render on every step even without an update.
    // The clock stood still in the background; the first step starts it
    // again and renders.
    m_device->setRunWhenInactive(true);
    m_time->now += 20;
    pump();
    EXPECT_EQ(m_listener->types(), std::vector<int32_t>{CEventRender::TypeId});
    m_listener->seen.clear();
    m_device->sleeps.clear();
    m_time->now += 250;
    pump();
    EXPECT_EQ(m_listener->types(), (std::vector<int32_t>{CEventUpdate::TypeId, CEventRender::TypeId}));
    m_listener->seen.clear();
    m_time->now += 50;
    pump();
    EXPECT_EQ(m_listener->types(), std::vector<int32_t>{CEventRender::TypeId});
    EXPECT_EQ(m_device->sleeps, (std::vector<uint32_t>{20, 20}));
}

TEST_F(SdlDeviceTest, FocusChangesPostActivationEventsInOrder) {
    openWindow();
    LogCapture log;
    ASSERT_TRUE(platformTestPushWindowEvent(window(), PlatformTestWindowEvent::FocusLost, 0, 0));
    ASSERT_TRUE(platformTestPushWindowEvent(window(), PlatformTestWindowEvent::FocusLost, 0, 0));
    ASSERT_TRUE(platformTestPushMouseWheel(window(), 1.0f, 1, 1, false)); // inactive: no wheel
    ASSERT_TRUE(platformTestPushWindowEvent(window(), PlatformTestWindowEvent::Exposed, 0, 0));
    ASSERT_TRUE(platformTestPushWindowEvent(window(), PlatformTestWindowEvent::FocusGained, 0, 0));
    ASSERT_TRUE(platformTestPushWindowEvent(window(), PlatformTestWindowEvent::Exposed, 0, 0));
    m_listener->recordFrames = true;
    pump();
    // The render comes from the exposed background window only; the final
    // tick adds its own update and render.
    std::vector<int32_t> types = m_listener->types();
    ASSERT_GE(types.size(), 6u);
    types.resize(6);
    EXPECT_EQ(types, (std::vector<int32_t>{CEventWindowActivate::TypeId, CEventApplicationActivate::TypeId,
                                           CEventWindowActivate::TypeId, CEventRender::TypeId,
                                           CEventApplicationActivate::TypeId, CEventWindowActivate::TypeId}));
    EXPECT_FALSE(m_listener->seen[0].active);
    EXPECT_FALSE(m_listener->seen[1].active);
    EXPECT_TRUE(m_listener->seen[4].active);
    EXPECT_TRUE(m_listener->seen[5].active);
    EXPECT_EQ(log.count("Application deactivated."), 1u);
    EXPECT_EQ(log.count("Application activated."), 1u);
    EXPECT_TRUE(m_device->isActive());
}

TEST_F(SdlDeviceTest, UnhandledCloseRequestDestroysTheWindowAndEndsTheLoop) {
    openWindow();
    LogCapture log;
    ASSERT_TRUE(platformTestPushWindowEvent(window(), PlatformTestWindowEvent::Close, 0, 0));
    EXPECT_FALSE(pump());
    EXPECT_EQ(m_listener->types(),
              (std::vector<int32_t>{CEventSystemFlowCloseRequest::TypeId, CEventWindowDestroyed::TypeId}));
    EXPECT_TRUE(log.contains("SC_CLOSE command received"));
    EXPECT_TRUE(log.contains("The window is closed"));
    EXPECT_TRUE(m_device->isClosing());
    EXPECT_FALSE(m_device->getWindow()->isOpen());
    EXPECT_FALSE(m_device->run());
    // The cursor outlives the window without reaching it.
    ICursorControl* cursor = m_device->getCursorControl();
    ASSERT_NE(cursor, nullptr);
    cursor->refreshPosition();
    EXPECT_EQ(cursor->getPosition(), CVector2di(-1, -1));
}

TEST_F(SdlDeviceTest, HandledCloseRequestKeepsTheWindow) {
    openWindow();
    m_listener->consume.insert(CEventSystemFlowCloseRequest::TypeId);
    ASSERT_TRUE(platformTestPushWindowEvent(window(), PlatformTestWindowEvent::Close, 0, 0));
    EXPECT_TRUE(pump());
    EXPECT_EQ(m_listener->types(), std::vector<int32_t>{CEventSystemFlowCloseRequest::TypeId});
    EXPECT_TRUE(m_device->getWindow()->isOpen());
    EXPECT_FALSE(m_device->isClosing());
}

TEST_F(SdlDeviceTest, CloseDeviceDestroysWithoutACloseRequest) {
    openWindow();
    LogCapture log;
    m_device->closeDevice();
    EXPECT_EQ(m_listener->types(), std::vector<int32_t>{CEventWindowDestroyed::TypeId});
    EXPECT_TRUE(log.contains("closeDevice() was called"));
    EXPECT_FALSE(m_device->run());
}

TEST_F(SdlDeviceTest, QuitMessageEndsTheLoop) {
    openWindow();
    ASSERT_TRUE(platformTestPushQuit());
    EXPECT_FALSE(m_device->run());
    EXPECT_FALSE(m_device->isClosing());
}

TEST_F(SdlDeviceTest, DriverEventsSurroundEveryRecreation) {
    openWindow();
    IGraphicsDriver* first = m_device->getVideoDriver();
    ASSERT_NE(first, nullptr);
    CEngineCreationParams params = m_device->getCreationParams();
    ASSERT_TRUE(m_device->applyCreationParameters(params));
    IGraphicsDriver* second = m_device->getVideoDriver();
    ASSERT_EQ(m_listener->types(),
              (std::vector<int32_t>{CEventVideoDriverReleased::TypeId, CEventVideoDriverCreated::TypeId}));
    EXPECT_EQ(m_listener->seen[0].service, nullptr);
    EXPECT_EQ(m_listener->seen[1].service, static_cast<CRefCounted*>(second));
    // The content processors, listening before everyone, follow the driver.
    EXPECT_EQ(m_device->getContentProcessorsManager()->getVideoDriver(), static_cast<CRefCounted*>(second));

    m_listener->seen.clear();
    CEngineCreationParams audio;
    audio.audioType = CEngineCreationParams::AudioNull;
    ASSERT_TRUE(m_device->applyAudioSettings(audio));
    IAudioDevice* device = m_device->getAudioDevice();
    ASSERT_EQ(m_listener->types(),
              (std::vector<int32_t>{CEventAudioDriverReleased::TypeId, CEventAudioDriverCreated::TypeId}));
    EXPECT_EQ(m_listener->seen[1].service, static_cast<CRefCounted*>(device));
    EXPECT_EQ(m_device->getContentProcessorsManager()->getAudioDevice(), static_cast<CRefCounted*>(device));
    EXPECT_TRUE(m_device->isListener(device));
}

TEST_F(SdlDeviceTest, VideoDriverSettingFallsBackInOrder) {
    const struct {
        const char* what;
        int32_t setting;
        TestDevice::Direct3D8 direct3D8;
        TestDevice::OpenGL openGL;
        bool nullLast;
        int32_t made;
        std::vector<const char*> messages;
    } cases[] = {
        {"everything fails but the Null driver",
         2,
         TestDevice::Direct3D8::Missing,
         TestDevice::OpenGL::Missing,
         true,
         0,
         {"Could not create DIRECT3D9 Driver.", "Could not create DIRECT3D8 Driver.",
          "Could not create OpenGL driver."}},
        {"Direct3D 8 stands in for Direct3D 9",
         2,
         TestDevice::Direct3D8::StandIn,
         TestDevice::OpenGL::StandIn,
         false,
         1,
         {"Could not create DIRECT3D9 Driver."}},
        {"an unknown setting counts as Direct3D 9",
         7,
         TestDevice::Direct3D8::Missing,
         TestDevice::OpenGL::StandIn,
         false,
         3,
         {"Could not create DIRECT3D9 Driver.", "Could not create DIRECT3D8 Driver."}},
        {"Direct3D 8 asked for and missing",
         1,
         TestDevice::Direct3D8::Missing,
         TestDevice::OpenGL::StandIn,
         false,
         3,
         {"Could not create DIRECT3D8 Driver."}},
        {"OpenGL asked for and missing",
         3,
         TestDevice::Direct3D8::Missing,
         TestDevice::OpenGL::Missing,
         false,
         -1,
         {"Could not create OpenGL driver.", "Could not create DIRECT3D8 Driver."}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        makeDevice(CEngineCreationParams{});
        m_device->direct3D8 = c.direct3D8;
        m_device->openGL = c.openGL;
        LogCapture log;
        CEngineCreationParams params;
        params.width = 160;
        params.height = 120;
        EXPECT_EQ(m_device->createDriverFromSetting(params, c.setting, c.nullLast), c.made);
        // The drivers that could not be made, in order: errors, but for the
        // Direct3D ones where the build has no Direct3D.
        std::vector<std::string> errors;
        for (const std::string& line : log.lines()) {
            if (line.find("Could not create") == std::string::npos)
                continue;
            const bool direct3D = line.find("DIRECT3D") != std::string::npos;
            EXPECT_EQ(line.substr(0, 5), direct3D && !deviceHasDirect3D() ? "INF: " : "ERR: ") << line;
            errors.push_back(line.substr(5));
        }
        ASSERT_EQ(errors.size(), c.messages.size());
        for (size_t i = 0; i < errors.size(); ++i)
            EXPECT_EQ(errors[i], c.messages[i]);
        if (c.made >= 0) {
            ASSERT_NE(m_device->getVideoDriver(), nullptr);
            EXPECT_EQ(m_device->getCreationParams().driverType, c.made);
            EXPECT_EQ(m_device->getCreationParams().width, 160);
        } else {
            EXPECT_EQ(m_device->getVideoDriver(), nullptr);
        }
    }
}

#ifdef _WIN32
// The device's own Direct3D 8 driver in its own window.
TEST_F(SdlDeviceTest, Direct3D8DriverDrawsInTheWindow) {
    m_device->direct3D8 = TestDevice::Direct3D8::Real;
    m_device->openGL = TestDevice::OpenGL::Missing;
    CEngineCreationParams params;
    params.width = 160;
    params.height = 120;
    params.colorBits = 32;
    ASSERT_EQ(m_device->createDriverFromSetting(params, CEngineCreationParams::DriverDirect3D8, false),
              CEngineCreationParams::DriverDirect3D8);
    IGraphicsDriver* driver = m_device->getVideoDriver();
    ASSERT_NE(driver, nullptr);
    EXPECT_EQ(driver->driverType(), VideoDriverType::Direct3D8);
    EXPECT_TRUE(driver->beginFrame(true, true, CColor(255, 0, 128, 255), nullptr, nullptr));
    // A texture drawn in the device's window.
    CRefHandle<CPixelImage> image(CPixelImage::create(CObjectName(), ColorFormat::A8R8G8B8, 4, 4));
    image->fillColor(CColor(255, 200, 100, 0));
    CRefHandle<IDriverTexture> texture(driver->makeDriverTexture(image.get()));
    ASSERT_TRUE(texture);
    driver->drawImagePart(texture.get(), CVector2di(10, 10), CRectI(0, 0, 4, 4), nullptr, CColor(0xFFFFFFFF), false);
    CRefHandle<CPixelImage> shot(driver->takeScreenshot());
    ASSERT_TRUE(shot);
    EXPECT_EQ(shot->pixelAt(80, 60), CColor(255, 0, 128, 255));
    EXPECT_EQ(shot->pixelAt(12, 12), CColor(255, 200, 100, 0));
    EXPECT_TRUE(driver->endFrame());
}
#endif

TEST_F(SdlDeviceTest, AudioTypesAndTheirFailures) {
    const struct {
        int32_t type;
        bool made;
        const char* message;
    } cases[] = {
        {3, false, "ERR: Qt Audio Driver was not compiled into this dll. Try another one."},
        {9, false, "ERR: Unable to create audio driver of unknown type."},
        {CEngineCreationParams::AudioNull, true, "INF: Using audio: Null audio device"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        LogCapture log;
        CEngineCreationParams params;
        params.audioType = c.type;
        EXPECT_EQ(m_device->applyAudioSettings(params), c.made);
        EXPECT_TRUE(log.contains(c.message));
        EXPECT_EQ(m_device->getAudioDevice() != nullptr, c.made);
        EXPECT_EQ(m_device->getCreationParams().audioType, c.type);
    }
}

TEST_F(SdlDeviceTest, AnotherStartWakesAMinimisedLoopAndRaisesTheWindow) {
    openWindow();
    TempDir dir;
    const std::string name = "device test " + std::to_string(::testing::UnitTest::GetInstance()->random_seed());
    CSingleInstanceGuard first(name.c_str(), dir.path());
    ASSERT_FALSE(first.isOtherInstanceRunning());
    m_device->attachInstanceGuard(&first);
    m_device->hideWindow();
    ASSERT_TRUE(platformTestPushWindowEvent(window(), PlatformTestWindowEvent::Minimized, 0, 0));
    pump();
    ASSERT_FALSE(m_device->isWindowVisible());
    EXPECT_FALSE(m_device->getWindow()->isShown());
    m_device->messages.clear();

    {
        CSingleInstanceGuard second(name.c_str(), dir.path());
        EXPECT_TRUE(second.isOtherInstanceRunning());
    }
    // The minimised window's step waits for a message; the guard's wake is
    // the one that comes (bounded, so that a lost wake fails the test).
    m_device->setMessageWaitLimit(2000);
    bool woken = false;
    for (int i = 0; i < 5 && !woken; ++i) {
        ASSERT_TRUE(m_device->run());
        for (PlatformEventType type : m_device->messages)
            woken = woken || type == PlatformEventType::Wake;
    }
    EXPECT_TRUE(woken);
    EXPECT_TRUE(m_device->getWindow()->isShown());
    m_device->attachInstanceGuard(nullptr);
}

TEST_F(SdlDeviceTest, WindowServicesFailCleanlyHeadless) {
    openWindow();
    float red = 0.0f;
    float green = 0.0f;
    float blue = 0.0f;
    float brightness = 5.0f;
    float contrast = 5.0f;
    // The offscreen display has no gamma ramp to set; reading gives the
    // identity ramp where the system keeps one, and zeroes the rest.
    (void)m_device->applyGammaRamp(1.0f, 1.0f, 1.0f, 0.0f, 0.0f);
    if (m_device->readGammaRamp(red, green, blue, brightness, contrast)) {
        EXPECT_NEAR(red, 1.0f, 0.05f);
        EXPECT_NEAR(green, 1.0f, 0.05f);
        EXPECT_NEAR(blue, 1.0f, 0.05f);
    }
    EXPECT_EQ(brightness, 0.0f);
    EXPECT_EQ(contrast, 0.0f);
    m_device->setWindowTitle(CStringW(u"Br\u00eendlemoor"));
    EXPECT_FALSE(m_device->isMinimized());
    EXPECT_FALSE(m_device->setWindowIcon(nullptr));
}

#ifndef _WIN32
// The desktop opener of Linux desktops; Windows hands addresses to its shell.

std::string readText(const std::filesystem::path& path) {
    const std::vector<uint8_t> bytes = readAllBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

// Runs `body` with $PATH set to `folder` alone.
template <class F> void withPath(const std::filesystem::path& folder, F body) {
    const char* old = std::getenv("PATH");
    const std::string saved = old ? old : "";
    ::setenv("PATH", folder.c_str(), 1);
    body();
    ::setenv("PATH", saved.c_str(), 1);
}

TEST_F(SdlDeviceTest, OpenUrlHandsTheAddressToTheDesktopOpener) {
    TempDir dir;
    const std::filesystem::path opened = dir.path() / "opened.txt";
    const std::filesystem::path opener =
        dir.write("xdg-open", "#!/bin/sh\nPATH=/usr/bin:/bin\nprintf '%s' \"$1\" > \"" + opened.string() +
                                  ".part\"\nmv \"" + opened.string() + ".part\" \"" + opened.string() + "\"\n");
    std::filesystem::permissions(opener, std::filesystem::perms::owner_all);
    bool result = false;
    withPath(dir.path(), [&] { result = m_device->openUrl(CStringW(u"https://example.invalid/p?q=\u00e9")); });
    EXPECT_TRUE(result);
    // The opener runs on its own; wait (bounded) for what it wrote.
    for (int i = 0; i < 500 && !std::filesystem::exists(opened); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(readText(opened), "https://example.invalid/p?q=\xC3\xA9");
}

TEST_F(SdlDeviceTest, OpenUrlReportsAMissingOpener) {
    TempDir dir;
    LogCapture log;
    bool result = true;
    withPath(dir.path(), [&] { result = m_device->openUrl(CStringW(u"https://example.invalid/page")); });
    EXPECT_FALSE(result);
    EXPECT_TRUE(log.contains("WRN: Unable to open URL: https://example.invalid/page"));
    // An opener that cannot be run is a failure too.
    const std::filesystem::path broken = dir.write("xdg-open", "not a program");
    std::filesystem::permissions(broken, std::filesystem::perms::owner_all);
    result = true;
    withPath(dir.path(), [&] { result = m_device->openUrl(CStringW(u"https://example.invalid/other")); });
    EXPECT_FALSE(result);
}
#endif

} // namespace
