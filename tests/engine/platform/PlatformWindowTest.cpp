#include "engine/platform/PlatformWindow.h"

#include "engine/platform/CPlatformCursorImage.h"
#include "engine/platform/CPlatformWindow.h"
#include "engine/platform/CPlatformWindowContext.h"
#include "engine/platform/PlatformTestInput.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

// A small window of the video driver the test environment chose (offscreen:
// no display server), with an empty queue.
class PlatformWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(platformEventsInit());
        if (!platformVideoInit(&error))
            GTEST_SKIP() << "no video system: " << error;
        PlatformWindowParams params;
        params.title = "test";
        params.width = 160;
        params.height = 120;
        ASSERT_TRUE(m_window.create(params, &error)) << error;
        platformFlushEvents();
    }

    void TearDown() override {
        m_window.destroy();
        platformFlushEvents();
    }

    // The next event that is not the system's own bookkeeping.
    PlatformEvent next() {
        PlatformEvent event;
        while (platformPollEvent(&event))
            if (event.type != PlatformEventType::Other)
                return event;
        return PlatformEvent{};
    }

    CPlatformWindow m_window;
};

TEST_F(PlatformWindowTest, KeysGetVirtualKeyCodesAndCharacters) {
    const struct {
        const char* key;
        uint32_t modifiers;
        const char* text; // typed with the key, or null
        int32_t keyCode;
        uint32_t character;
    } cases[] = {
        {"A", 0, "a", 'A', 'a'},
        {"A", PlatformModShift, "A", 'A', 'A'},
        {"1", PlatformModShift, "!", '1', '!'},
        {"Space", 0, " ", 32, ' '},
        {"Left", 0, nullptr, 37, 0},
        {"Up", 0, nullptr, 38, 0},
        {"Right", 0, nullptr, 39, 0},
        {"Down", 0, nullptr, 40, 0},
        {"Return", 0, nullptr, 13, 13},
        {"Keypad Enter", 0, nullptr, 13, 13},
        {"Backspace", 0, nullptr, 8, 8},
        {"Tab", 0, nullptr, 9, 9},
        {"Escape", 0, nullptr, 27, 27},
        {"Delete", 0, nullptr, 46, 0},
        {"Home", 0, nullptr, 36, 0},
        {"PageDown", 0, nullptr, 34, 0},
        {"F1", 0, nullptr, 112, 0},
        {"F12", 0, nullptr, 123, 0},
        {"Left Shift", PlatformModShift, nullptr, 16, 0},
        {"Right Ctrl", PlatformModControl, nullptr, 17, 0},
        {"Left Alt", PlatformModAlt, nullptr, 18, 0},
        {"Keypad 0", 0, nullptr, 96, 0},
        {";", 0, ";", 186, ';'},
        {"C", PlatformModControl, nullptr, 'C', 3},
        {"C", PlatformModControl | PlatformModAlt, nullptr, 'C', 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.key) + (c.text ? std::string(" typing ") + c.text : std::string()));
        ASSERT_TRUE(platformTestPushKey(m_window.id(), c.key, true, c.modifiers, false));
        if (c.text) {
            ASSERT_TRUE(platformTestPushText(m_window.id(), c.text));
        }
        const PlatformEvent down = next();
        EXPECT_EQ(down.type, PlatformEventType::KeyDown);
        EXPECT_EQ(down.windowId, m_window.id());
        EXPECT_EQ(down.keyCode, c.keyCode);
        EXPECT_EQ(down.character, c.character);
        EXPECT_EQ(down.modifiers & (PlatformModShift | PlatformModControl | PlatformModAlt), c.modifiers);
        // The text went with its key.
        EXPECT_EQ(next().type, PlatformEventType::None);
    }
}

TEST_F(PlatformWindowTest, OnlyTextRightAfterAKeyBelongsToIt) {
    ASSERT_TRUE(platformTestPushKey(m_window.id(), "E", true, 0, false));
    ASSERT_TRUE(platformTestPushMouseMotion(m_window.id(), 3, 4));
    ASSERT_TRUE(platformTestPushText(m_window.id(), "\xC3\xA9")); // e acute
    PlatformEvent key = next();
    EXPECT_EQ(key.type, PlatformEventType::KeyDown);
    EXPECT_EQ(key.character, 0u);
    EXPECT_EQ(next().type, PlatformEventType::MouseMove);
    PlatformEvent text = next();
    EXPECT_EQ(text.type, PlatformEventType::Text);
    EXPECT_EQ(text.character, 0xE9u);
    EXPECT_STREQ(text.text, "\xC3\xA9");

    ASSERT_TRUE(platformTestPushKey(m_window.id(), "E", true, PlatformModAlt | PlatformModAltGr, true));
    ASSERT_TRUE(platformTestPushText(m_window.id(), "\xE2\x82\xAC")); // the euro sign, by AltGr
    key = next();
    EXPECT_EQ(key.keyCode, 'E');
    EXPECT_EQ(key.character, 0x20ACu);
    EXPECT_TRUE(key.repeat);
    EXPECT_EQ(key.modifiers & PlatformModAltGr, PlatformModAltGr);
}

TEST_F(PlatformWindowTest, MouseEventsCarryClientPositions) {
    ASSERT_TRUE(platformTestPushMouseMotion(m_window.id(), 12, 34));
    const struct {
        int32_t button;
        PlatformMouseButton expected;
    } buttons[] = {{1, PlatformMouseButton::Left},
                   {2, PlatformMouseButton::Middle},
                   {3, PlatformMouseButton::Right},
                   {4, PlatformMouseButton::Other}};
    for (const auto& b : buttons) {
        ASSERT_TRUE(platformTestPushMouseButton(m_window.id(), b.button, true, 5, 6));
        ASSERT_TRUE(platformTestPushMouseButton(m_window.id(), b.button, false, 7, 8));
    }
    PlatformEvent move = next();
    EXPECT_EQ(move.type, PlatformEventType::MouseMove);
    EXPECT_EQ(move.x, 12);
    EXPECT_EQ(move.y, 34);
    for (const auto& b : buttons) {
        SCOPED_TRACE(b.button);
        PlatformEvent down = next();
        PlatformEvent up = next();
        EXPECT_EQ(down.type, PlatformEventType::MouseButtonDown);
        EXPECT_EQ(down.button, b.expected);
        EXPECT_EQ(down.x, 5);
        EXPECT_EQ(down.y, 6);
        EXPECT_EQ(up.type, PlatformEventType::MouseButtonUp);
        EXPECT_EQ(up.button, b.expected);
        EXPECT_EQ(up.x, 7);
        EXPECT_EQ(up.y, 8);
    }
}

TEST_F(PlatformWindowTest, WheelNotchesArePositiveAwayFromTheUser) {
    const struct {
        const char* what;
        float notches;
        bool flipped;
    } cases[] = {
        {"towards the user", -1.0f, false},
        {"away from the user", 2.0f, false},
        {"natural scrolling towards the user", -1.0f, true},
        {"half a notch", 0.5f, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(platformTestPushMouseWheel(m_window.id(), c.notches, 40, 50, c.flipped));
        const PlatformEvent wheel = next();
        EXPECT_EQ(wheel.type, PlatformEventType::MouseWheel);
        EXPECT_FLOAT_EQ(wheel.wheel, c.notches);
        EXPECT_EQ(wheel.x, 40);
        EXPECT_EQ(wheel.y, 50);
    }
    // A turn without a vertical part is no wheel event of ours.
    ASSERT_TRUE(platformTestPushMouseWheel(m_window.id(), 0.0f, 1, 1, false));
    PlatformEvent sideways;
    ASSERT_TRUE(platformPollEvent(&sideways));
    EXPECT_EQ(sideways.type, PlatformEventType::Other);
}

TEST_F(PlatformWindowTest, WindowEventsMapToTheirKinds) {
    const struct {
        PlatformTestWindowEvent pushed;
        PlatformEventType expected;
    } cases[] = {
        {PlatformTestWindowEvent::Minimized, PlatformEventType::WindowMinimized},
        {PlatformTestWindowEvent::Restored, PlatformEventType::WindowRestored},
        {PlatformTestWindowEvent::Maximized, PlatformEventType::WindowMaximized},
        {PlatformTestWindowEvent::FocusGained, PlatformEventType::WindowFocusGained},
        {PlatformTestWindowEvent::FocusLost, PlatformEventType::WindowFocusLost},
        {PlatformTestWindowEvent::Exposed, PlatformEventType::WindowExposed},
        {PlatformTestWindowEvent::Close, PlatformEventType::WindowClose},
        {PlatformTestWindowEvent::Moved, PlatformEventType::Other},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(platformTestPushWindowEvent(m_window.id(), c.pushed, 0, 0));
        PlatformEvent event;
        ASSERT_TRUE(platformPollEvent(&event));
        EXPECT_EQ(event.type, c.expected);
        EXPECT_EQ(event.windowId, m_window.id());
    }
    ASSERT_TRUE(platformTestPushWindowEvent(m_window.id(), PlatformTestWindowEvent::SizeChanged, 300, 200));
    const PlatformEvent resized = next();
    EXPECT_EQ(resized.type, PlatformEventType::WindowResized);
    EXPECT_EQ(resized.x, 300);
    EXPECT_EQ(resized.y, 200);
}

TEST_F(PlatformWindowTest, WakeEventFromAnotherThreadEndsAWait) {
    std::thread waker([] { (void)platformPushWakeEvent(); });
    PlatformEvent event;
    // Without limit: the wake from the other thread is what ends the wait.
    ASSERT_TRUE(platformWaitEvent(&event, -1));
    waker.join();
    while (event.type == PlatformEventType::Other)
        ASSERT_TRUE(platformWaitEvent(&event, -1));
    EXPECT_EQ(event.type, PlatformEventType::Wake);

    ASSERT_TRUE(platformPushDisplayChangedEvent(24, 800, 600));
    event = next();
    EXPECT_EQ(event.type, PlatformEventType::DisplayChanged);
    EXPECT_EQ(event.value, 24);
    EXPECT_EQ(event.x, 800);
    EXPECT_EQ(event.y, 600);
    EXPECT_FALSE(platformWaitEvent(&event, 0));
}

TEST_F(PlatformWindowTest, ContextOutlivesItsWindowSafely) {
    if (!m_window.openGLCapable())
        GTEST_SKIP() << "the video driver has no OpenGL";
    std::string error;
    std::unique_ptr<CPlatformWindowContext> context = m_window.createGLContext(PlatformGLContextParams{}, &error);
    ASSERT_NE(context, nullptr) << error;
    EXPECT_TRUE(context->makeCurrent());
    EXPECT_TRUE(context->swapBuffers());
    EXPECT_NE(context->windowHandle(), nullptr);
    m_window.destroy();
    EXPECT_FALSE(context->windowOpen());
    EXPECT_FALSE(context->makeCurrent());
    EXPECT_FALSE(context->swapBuffers());
    EXPECT_EQ(context->windowHandle(), nullptr);
    context.reset();
    // The window object can be used again.
    PlatformWindowParams params;
    params.width = 32;
    params.height = 32;
    EXPECT_TRUE(m_window.create(params, &error)) << error;
}

// A pixel format the system cannot give is stepped down (fewer samples, no
// stencil, less depth) rather than leaving the window without OpenGL.
TEST_F(PlatformWindowTest, PixelFormatStepsDownToWhatTheSystemGives) {
    if (!m_window.openGLCapable())
        GTEST_SKIP() << "the video driver has no OpenGL";
    m_window.destroy();
    const struct {
        const char* what;
        int32_t depthBits;
        bool stencil;
        int32_t samples;
    } cases[] = {
        {"plain", 16, false, 0}, {"depth and stencil", 24, true, 0}, {"more depth than any format has", 64, true, 0},
        // (Multisampled formats are left out: the software GL of the test
        // machines keeps memory of every multisampled context it makes.)
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        PlatformWindowParams params;
        params.width = 32;
        params.height = 32;
        params.shown = false;
        params.depthBits = c.depthBits;
        params.stencil = c.stencil;
        params.multisamples = c.samples;
        std::string error;
        ASSERT_TRUE(m_window.create(params, &error)) << error;
        EXPECT_TRUE(m_window.openGLCapable());
        std::unique_ptr<CPlatformWindowContext> context = m_window.createGLContext(PlatformGLContextParams{}, &error);
        EXPECT_NE(context, nullptr) << error;
        if (context) {
            EXPECT_TRUE(context->makeCurrent());
        }
        context.reset();
        m_window.destroy();
    }
}

TEST_F(PlatformWindowTest, ClosedWindowAnswersNothing) {
    m_window.destroy();
    int32_t x = 7;
    int32_t y = 7;
    EXPECT_EQ(m_window.id(), 0u);
    EXPECT_FALSE(m_window.pointerPosition(&x, &y));
    EXPECT_FALSE(m_window.warpPointer(1, 1));
    EXPECT_FALSE(m_window.clientSize(&x, &y));
    EXPECT_EQ(m_window.enterFullscreen(nullptr), PlatformModeResult::NoWindow);
    std::string error;
    EXPECT_EQ(m_window.createGLContext(PlatformGLContextParams{}, &error), nullptr);
    EXPECT_FALSE(error.empty());
    m_window.captureMouse(true);
    EXPECT_FALSE(m_window.mouseCaptured());
}

TEST_F(PlatformWindowTest, CaptureHeldUntilReleased) {
    EXPECT_FALSE(m_window.mouseCaptured());
    m_window.captureMouse(true);
    EXPECT_TRUE(m_window.mouseCaptured());
    m_window.captureMouse(true);
    m_window.captureMouse(false);
    EXPECT_FALSE(m_window.mouseCaptured());
}

TEST_F(PlatformWindowTest, ClipboardKeepsUtf8Text) {
    const std::string text = "Br\xC3\xAEndlemoor \xE2\x82\xAC";
    ASSERT_TRUE(platformSetClipboardText(text));
    std::string read;
    ASSERT_TRUE(platformClipboardText(&read));
    EXPECT_EQ(read, text);
    ASSERT_TRUE(platformSetClipboardText(""));
    EXPECT_FALSE(platformClipboardText(&read));
}

TEST_F(PlatformWindowTest, CursorImageRefusesBadShapes) {
    const std::vector<uint32_t> pixels(16 * 16, 0xFF00FF00u);
    const struct {
        const char* what;
        int32_t width;
        int32_t height;
        int32_t hotX;
        int32_t hotY;
    } cases[] = {
        {"empty", 0, 16, 0, 0},
        {"hot spot right of the shape", 16, 16, 16, 0},
        {"hot spot above the shape", 16, 16, 0, -1},
        {"too large", 4096, 4096, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string error;
        EXPECT_EQ(CPlatformCursorImage::create(pixels.data(), c.width, c.height, c.hotX, c.hotY, &error), nullptr);
        EXPECT_FALSE(error.empty());
    }
    // A good shape is made where the system has cursors, and refused
    // cleanly where it has none.
    std::string error;
    std::unique_ptr<CPlatformCursorImage> shape = CPlatformCursorImage::create(pixels.data(), 16, 16, 2, 3, &error);
    if (shape)
        shape->use();
    else
        EXPECT_FALSE(error.empty());
    shape.reset();
    platformUseDefaultCursor();
}

TEST_F(PlatformWindowTest, DisplayModesAreSane) {
    PlatformDisplayMode desktop;
    ASSERT_TRUE(platformDesktopDisplayMode(&desktop));
    EXPECT_GT(desktop.width, 0);
    EXPECT_GT(desktop.height, 0);
    for (const PlatformDisplayMode& mode : platformDisplayModes()) {
        EXPECT_GE(mode.width, 0);
        EXPECT_GE(mode.height, 0);
    }
}

} // namespace
