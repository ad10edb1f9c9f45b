#include "engine/platform/PlatformTestInput.h"

#include "engine/platform/PlatformWindow.h"
#include "engine/platform/win32/PlatformWindowState.h"

#include <cmath>
#include <cstring>
#include <string>

// Input is posted to the window as the messages Windows would send, so it
// takes the same way through the window procedure as a user's.

namespace {

struct KeyName {
    const char* name;
    WORD virtualKey;
    bool extended;
};

constexpr KeyName kKeyNames[] = {
    {"Return", VK_RETURN, false},
    {"Escape", VK_ESCAPE, false},
    {"Backspace", VK_BACK, false},
    {"Tab", VK_TAB, false},
    {"Space", VK_SPACE, false},
    {"Left", VK_LEFT, true},
    {"Right", VK_RIGHT, true},
    {"Up", VK_UP, true},
    {"Down", VK_DOWN, true},
    {"Insert", VK_INSERT, true},
    {"Delete", VK_DELETE, true},
    {"Home", VK_HOME, true},
    {"End", VK_END, true},
    {"PageUp", VK_PRIOR, true},
    {"PageDown", VK_NEXT, true},
    {"Left Shift", VK_SHIFT, false},
    {"Right Shift", VK_SHIFT, false},
    {"Left Ctrl", VK_CONTROL, false},
    {"Right Ctrl", VK_CONTROL, true},
    {"Left Alt", VK_MENU, false},
    {"Right Alt", VK_MENU, true},
    {"Keypad Enter", VK_RETURN, true},
    {"CapsLock", VK_CAPITAL, false},
    {"Pause", VK_PAUSE, false},
};

bool keyOf(const char* name, WORD* virtualKey, bool* extended) {
    *extended = false;
    const size_t length = std::strlen(name);
    if (length == 1 && ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= '0' && name[0] <= '9'))) {
        *virtualKey = WORD(name[0]);
        return true;
    }
    if (name[0] == 'F' && length <= 3) {
        const int number = std::atoi(name + 1);
        if (number >= 1 && number <= 24) {
            *virtualKey = WORD(VK_F1 + number - 1);
            return true;
        }
    }
    if (length == 1 && name[0] > ' ' && name[0] < 0x7F) {
        // Punctuation sits where the keyboard layout puts it.
        const SHORT scan = VkKeyScanW(wchar_t(name[0]));
        if (scan == -1)
            return false;
        *virtualKey = WORD(scan & 0xFF);
        return true;
    }
    if (std::strncmp(name, "Keypad ", 7) == 0 && length == 8 && name[7] >= '0' && name[7] <= '9') {
        *virtualKey = WORD(VK_NUMPAD0 + (name[7] - '0'));
        return true;
    }
    for (const KeyName& key : kKeyNames) {
        if (std::strcmp(key.name, name) == 0) {
            *virtualKey = key.virtualKey;
            *extended = key.extended;
            return true;
        }
    }
    return false;
}

bool post(uint32_t windowId, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND window = win32FindWindow(windowId);
    return window && PostMessageW(window, message, wParam, lParam);
}

LPARAM pointOf(int32_t x, int32_t y) { return MAKELPARAM(WORD(int16_t(x)), WORD(int16_t(y))); }

// Windows tells every change of the displays (one connected, turned, or the
// window moved to another) as WM_DISPLAYCHANGE with the mode now shown.
bool postDisplayChange(HWND window) {
    PlatformDisplayMode mode;
    if (!platformCurrentDisplayMode(&mode))
        return false;
    return PostMessageW(window, WM_DISPLAYCHANGE, WPARAM(mode.colorBits),
                        MAKELPARAM(WORD(mode.width), WORD(mode.height)));
}

} // namespace

bool platformTestPushKey(uint32_t windowId, const char* keyName, bool down, uint32_t modifiers, bool repeat) {
    WORD virtualKey = 0;
    bool extended = false;
    if (!keyName || !keyOf(keyName, &virtualKey, &extended))
        return false;
    UINT scanCode = MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
    if (std::strcmp(keyName, "Right Shift") == 0)
        scanCode = 0x36;
    LPARAM lParam = 1 | LPARAM(scanCode & 0xFF) << 16;
    if (extended)
        lParam |= LPARAM(1) << 24;
    if (!down)
        lParam |= LPARAM(3) << 30;
    else if (repeat)
        lParam |= LPARAM(1) << 30;
    return post(windowId, kWin32TestKeyMessage, WPARAM(virtualKey) | WPARAM(modifiers & 0xFF) << 16, lParam);
}

bool platformTestPushText(uint32_t windowId, const char* text) {
    if (!text || std::strlen(text) >= 32)
        return false;
    const std::wstring wide = win32Widen(text);
    for (wchar_t unit : wide) {
        if (!post(windowId, WM_CHAR, WPARAM(unit), 1))
            return false;
    }
    return !wide.empty();
}

bool platformTestPushMouseMotion(uint32_t windowId, int32_t x, int32_t y) {
    return post(windowId, WM_MOUSEMOVE, 0, pointOf(x, y));
}

bool platformTestPushMouseButton(uint32_t windowId, int32_t button, bool down, int32_t x, int32_t y) {
    switch (button) {
    case 1:
        return post(windowId, down ? WM_LBUTTONDOWN : WM_LBUTTONUP, 0, pointOf(x, y));
    case 2:
        return post(windowId, down ? WM_MBUTTONDOWN : WM_MBUTTONUP, 0, pointOf(x, y));
    case 3:
        return post(windowId, down ? WM_RBUTTONDOWN : WM_RBUTTONUP, 0, pointOf(x, y));
    case 4:
    case 5:
        return post(windowId, down ? WM_XBUTTONDOWN : WM_XBUTTONUP, MAKEWPARAM(0, button == 4 ? XBUTTON1 : XBUTTON2),
                    pointOf(x, y));
    default:
        return false;
    }
}

// Windows reports wheels one way only: a device with the natural direction
// is turned around by its driver, so `flipped` changes nothing here.
bool platformTestPushMouseWheel(uint32_t windowId, float notches, int32_t x, int32_t y, bool /*flipped*/) {
    HWND window = win32FindWindow(windowId);
    if (!window)
        return false;
    // The wheel message carries the pointer in screen coordinates.
    POINT point{x, y};
    ClientToScreen(window, &point);
    const long delta = std::lround(double(notches) * WHEEL_DELTA);
    return PostMessageW(window, WM_MOUSEWHEEL, MAKEWPARAM(0, WORD(int16_t(delta))), pointOf(point.x, point.y));
}

bool platformTestPushWindowEvent(uint32_t windowId, PlatformTestWindowEvent kind, int32_t data1, int32_t data2) {
    HWND window = win32FindWindow(windowId);
    if (!window)
        return false;
    RECT client{};
    GetClientRect(window, &client);
    const LPARAM size = MAKELPARAM(WORD(client.right), WORD(client.bottom));
    switch (kind) {
    case PlatformTestWindowEvent::Shown:
        return PostMessageW(window, WM_SHOWWINDOW, TRUE, 0);
    case PlatformTestWindowEvent::Hidden:
        return PostMessageW(window, WM_SHOWWINDOW, FALSE, 0);
    case PlatformTestWindowEvent::Exposed:
        return PostMessageW(window, kWin32ExposeMessage, 0, 0);
    case PlatformTestWindowEvent::Moved:
        return PostMessageW(window, WM_MOVE, 0, pointOf(data1, data2));
    case PlatformTestWindowEvent::Minimized:
        return PostMessageW(window, WM_SIZE, SIZE_MINIMIZED, 0);
    case PlatformTestWindowEvent::Maximized:
        return PostMessageW(window, WM_SIZE, SIZE_MAXIMIZED, size);
    case PlatformTestWindowEvent::Restored:
        return PostMessageW(window, WM_SIZE, SIZE_RESTORED, size);
    case PlatformTestWindowEvent::SizeChanged:
        return PostMessageW(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(WORD(data1), WORD(data2)));
    case PlatformTestWindowEvent::FocusGained:
        return PostMessageW(window, WM_SETFOCUS, 0, 0);
    case PlatformTestWindowEvent::FocusLost:
        return PostMessageW(window, WM_KILLFOCUS, 0, 0);
    case PlatformTestWindowEvent::Close:
        return PostMessageW(window, WM_CLOSE, 0, 0);
    case PlatformTestWindowEvent::DisplayChanged:
        return postDisplayChange(window);
    }
    return false;
}

bool platformTestPushDisplayEvent(PlatformTestDisplayEvent /*kind*/, uint32_t /*display*/) {
    // Sent to every top-level window; ours all take it the same way, so the
    // first open one stands for them.
    HWND window = win32AnyWindow();
    return window && postDisplayChange(window);
}

bool platformTestPushQuit() { return platformPushQuitEvent(); }
