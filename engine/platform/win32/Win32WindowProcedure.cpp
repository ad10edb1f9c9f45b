// The window procedure of our windows: Win32 messages become plain events in
// the queue platformPollEvent reads.

#include "engine/platform/PlatformKeys.h"
#include "engine/platform/PlatformWindow.h"
#include "engine/platform/win32/PlatformWindowState.h"

#include <atomic>
#include <cstring>
#include <map>
#include <mutex>

namespace {

constexpr wchar_t kStateProperty[] = L"BrindlemoorWindowState";
constexpr wchar_t kClassName[] = L"BrindlemoorWindow";

struct WindowIds {
    std::mutex lock;
    std::map<uint32_t, HWND> windows;
};

WindowIds& windowIds() {
    static WindowIds ids;
    return ids;
}

std::atomic<HCURSOR>& cursorShape() {
    static std::atomic<HCURSOR> shape{nullptr};
    return shape;
}

PlatformWindowState* stateOf(HWND window) {
    return static_cast<PlatformWindowState*>(GetPropW(window, kStateProperty));
}

uint32_t currentModifiers() {
    uint32_t bits = 0;
    if (GetKeyState(VK_SHIFT) & 0x8000)
        bits |= PlatformModShift;
    if (GetKeyState(VK_CONTROL) & 0x8000)
        bits |= PlatformModControl;
    if (GetKeyState(VK_MENU) & 0x8000)
        bits |= PlatformModAlt;
    if (GetKeyState(VK_RMENU) & 0x8000)
        bits |= PlatformModAlt | PlatformModAltGr;
    return bits;
}

// Appends the UTF-16 units of a WM_CHAR to `text` as UTF-8, keeping a first
// surrogate half until its partner comes. Control characters are not text.
// Answers the code point completed, or 0.
uint32_t appendCharacter(PlatformWindowState* state, wchar_t unit, char (&text)[32]) {
    uint32_t code = unit;
    if (unit >= 0xD800 && unit <= 0xDBFF) {
        state->pendingSurrogate = unit;
        return 0;
    }
    if (unit >= 0xDC00 && unit <= 0xDFFF) {
        if (state->pendingSurrogate == 0)
            return 0;
        code = 0x10000 + ((uint32_t(state->pendingSurrogate) - 0xD800) << 10) + (uint32_t(unit) - 0xDC00);
    }
    state->pendingSurrogate = 0;
    if (code < 0x20 || code == 0x7F)
        return code;
    char bytes[4];
    size_t count = 0;
    if (code < 0x80) {
        bytes[count++] = char(code);
    } else if (code < 0x800) {
        bytes[count++] = char(0xC0 | (code >> 6));
        bytes[count++] = char(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        bytes[count++] = char(0xE0 | (code >> 12));
        bytes[count++] = char(0x80 | ((code >> 6) & 0x3F));
        bytes[count++] = char(0x80 | (code & 0x3F));
    } else {
        bytes[count++] = char(0xF0 | (code >> 18));
        bytes[count++] = char(0x80 | ((code >> 12) & 0x3F));
        bytes[count++] = char(0x80 | ((code >> 6) & 0x3F));
        bytes[count++] = char(0x80 | (code & 0x3F));
    }
    const size_t used = std::strlen(text);
    if (used + count < sizeof text)
        std::memcpy(text + used, bytes, count);
    return code;
}

// The control character a key gives when no character message came with it.
uint32_t controlCharacter(int32_t keyCode, uint32_t modifiers) {
    switch (keyCode) {
    case VK_BACK:
    case VK_TAB:
    case VK_RETURN:
    case VK_ESCAPE:
        return uint32_t(keyCode);
    default:
        break;
    }
    if ((modifiers & PlatformModControl) && !(modifiers & PlatformModAlt) && keyCode >= 'A' && keyCode <= 'Z')
        return uint32_t(keyCode - 'A' + 1);
    return 0;
}

void handleKey(HWND window, PlatformWindowState* state, bool down, WPARAM key, LPARAM lParam) {
    PlatformEvent event;
    event.type = down ? PlatformEventType::KeyDown : PlatformEventType::KeyUp;
    event.windowId = state->id;
    event.keyCode = platformVirtualKey(int32_t(key), int32_t((lParam >> 16) & 0x1FF));
    event.modifiers = currentModifiers();
    event.repeat = down && (lParam & (LPARAM(1) << 30)) != 0;
    if (down) {
        // TranslateMessage has put the characters the key types right behind
        // it; they belong to this key.
        MSG next;
        uint32_t first = 0;
        while (PeekMessageW(&next, nullptr, 0, 0, PM_NOREMOVE | PM_NOYIELD) && next.hwnd == window &&
               next.message == WM_CHAR && PeekMessageW(&next, window, WM_CHAR, WM_CHAR, PM_REMOVE)) {
            const uint32_t code = appendCharacter(state, wchar_t(next.wParam), event.text);
            if (first == 0)
                first = code;
        }
        event.character = first;
        if (event.character == 0)
            event.character = controlCharacter(event.keyCode, event.modifiers);
    }
    win32PushEvent(event);
}

// A test key: the keyboard state is set to the modifiers it carries, then it
// is handled as the message Windows would have sent.
void handleTestKey(HWND window, PlatformWindowState* state, WPARAM wParam, LPARAM lParam) {
    const uint32_t modifiers = uint32_t(wParam >> 16) & 0xFF;
    const bool down = (lParam & (LPARAM(1) << 31)) == 0;
    BYTE keys[256];
    if (GetKeyboardState(keys)) {
        const bool altGr = (modifiers & PlatformModAltGr) != 0;
        const bool leftAlt = (modifiers & PlatformModAlt) && !altGr;
        auto set = [&keys](int vk, bool held) { keys[vk] = held ? 0x80 : 0; };
        set(VK_SHIFT, modifiers & PlatformModShift);
        set(VK_LSHIFT, modifiers & PlatformModShift);
        set(VK_CONTROL, modifiers & PlatformModControl);
        set(VK_LCONTROL, modifiers & PlatformModControl);
        set(VK_MENU, modifiers & PlatformModAlt);
        set(VK_LMENU, leftAlt);
        set(VK_RMENU, altGr);
        SetKeyboardState(keys);
    }
    handleKey(window, state, down, wParam & 0xFFFF, lParam);
}

void pushWindowEvent(PlatformWindowState* state, PlatformEventType type, int32_t x = 0, int32_t y = 0) {
    PlatformEvent event;
    event.type = type;
    event.windowId = state->id;
    event.x = x;
    event.y = y;
    win32PushEvent(event);
}

void handleSize(PlatformWindowState* state, WPARAM kind, LPARAM lParam) {
    if (kind == SIZE_MINIMIZED) {
        if (!state->minimized)
            pushWindowEvent(state, PlatformEventType::WindowMinimized);
        state->minimized = true;
        return;
    }
    if (kind == SIZE_MAXHIDE || kind == SIZE_MAXSHOW)
        return;
    if (kind == SIZE_MAXIMIZED && !state->maximized) {
        pushWindowEvent(state, PlatformEventType::WindowMaximized);
    } else if (kind == SIZE_RESTORED && (state->minimized || state->maximized)) {
        pushWindowEvent(state, PlatformEventType::WindowRestored);
    }
    state->minimized = false;
    state->maximized = kind == SIZE_MAXIMIZED;
    const int32_t width = LOWORD(lParam);
    const int32_t height = HIWORD(lParam);
    if (width != state->width || height != state->height) {
        state->width = width;
        state->height = height;
        pushWindowEvent(state, PlatformEventType::WindowResized, width, height);
    }
}

void pushMouse(PlatformWindowState* state, PlatformEventType type, PlatformMouseButton button, LPARAM lParam) {
    PlatformEvent event;
    event.type = type;
    event.windowId = state->id;
    event.button = button;
    event.x = int16_t(LOWORD(lParam));
    event.y = int16_t(HIWORD(lParam));
    win32PushEvent(event);
}

LRESULT passOn(PlatformWindowState* state, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (state && state->adoptedProcedure)
        return CallWindowProcW(state->adoptedProcedure, window, message, wParam, lParam);
    return DefWindowProcW(window, message, wParam, lParam);
}

// Our handling of `message`; false leaves it to the default handling, with
// `result` unused.
bool handleMessage(PlatformWindowState* state, HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                   LRESULT* result) {
    *result = 0;
    switch (message) {
    case WM_CLOSE:
        // The owner decides whether the window goes.
        pushWindowEvent(state, PlatformEventType::WindowClose);
        return true;
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case SC_SCREENSAVE:
        case SC_MONITORPOWER:
            return true; // no screen saver or monitor sleep while the game runs
        case SC_MOVE:
        case SC_SIZE:
        case SC_MAXIMIZE:
        case SC_KEYMENU:
            // A full-screen window stays where it is.
            *result = 1;
            return state->fullscreen;
        default:
            return false;
        }
    case WM_NCHITTEST:
        *result = HTCLIENT;
        return state->fullscreen;
    case WM_SIZE:
        handleSize(state, wParam, lParam);
        return true;
    case WM_MOVE:
        pushWindowEvent(state, PlatformEventType::Other);
        return false;
    case WM_SHOWWINDOW:
        pushWindowEvent(state, wParam ? PlatformEventType::WindowShown : PlatformEventType::WindowHidden);
        return false;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        if (BeginPaint(window, &paint))
            EndPaint(window, &paint);
        pushWindowEvent(state, PlatformEventType::WindowExposed);
        return true;
    }
    case kWin32ExposeMessage:
        pushWindowEvent(state, PlatformEventType::WindowExposed);
        return true;
    case WM_ERASEBKGND:
        *result = 1; // the game draws every pixel
        return true;
    case WM_SETFOCUS:
        pushWindowEvent(state, PlatformEventType::WindowFocusGained);
        return true;
    case WM_KILLFOCUS:
        pushWindowEvent(state, PlatformEventType::WindowFocusLost);
        return true;
    case WM_ACTIVATEAPP:
        // A full screen that changed the display's mode gives the desktop its
        // own back while the player is in another program, and takes it
        // again on return.
        if (state->fullscreen && state->displayModeChanged) {
            if (!wParam && !state->displayModeLent) {
                state->displayModeLent = true;
                ChangeDisplaySettingsW(nullptr, 0);
            } else if (wParam && state->displayModeLent) {
                state->displayModeLent = false;
                ChangeDisplaySettingsW(&state->fullscreenMode, CDS_FULLSCREEN);
            }
        }
        return false;
    case WM_DISPLAYCHANGE: {
        PlatformEvent event;
        event.type = PlatformEventType::DisplayChanged;
        event.windowId = state->id;
        event.value = int32_t(wParam);
        event.x = LOWORD(lParam);
        event.y = HIWORD(lParam);
        win32PushEvent(event);
        return false;
    }
    case WM_KEYDOWN:
    case WM_KEYUP:
        handleKey(window, state, message == WM_KEYDOWN, wParam, lParam);
        return true;
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
        // Reported, and still handled by the system so that Alt+F4 closes.
        handleKey(window, state, message == WM_SYSKEYDOWN, wParam, lParam);
        return false;
    case kWin32TestKeyMessage:
        handleTestKey(window, state, wParam, lParam);
        return true;
    case WM_CHAR: {
        // A character no key message took: typed through an input method.
        PlatformEvent event;
        event.type = PlatformEventType::Text;
        event.windowId = state->id;
        const uint32_t code = appendCharacter(state, wchar_t(wParam), event.text);
        if (event.text[0] != '\0') {
            event.character = code;
            win32PushEvent(event);
        }
        return true;
    }
    case WM_SYSCHAR:
        return true; // no beep for Alt+key
    case WM_MOUSEMOVE:
        pushMouse(state, PlatformEventType::MouseMove, PlatformMouseButton::None, lParam);
        return true;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
        pushMouse(state,
                  message == WM_LBUTTONDOWN ? PlatformEventType::MouseButtonDown : PlatformEventType::MouseButtonUp,
                  PlatformMouseButton::Left, lParam);
        return true;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
        pushMouse(state,
                  message == WM_RBUTTONDOWN ? PlatformEventType::MouseButtonDown : PlatformEventType::MouseButtonUp,
                  PlatformMouseButton::Right, lParam);
        return true;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
        pushMouse(state,
                  message == WM_MBUTTONDOWN ? PlatformEventType::MouseButtonDown : PlatformEventType::MouseButtonUp,
                  PlatformMouseButton::Middle, lParam);
        return true;
    case WM_XBUTTONDOWN:
    case WM_XBUTTONUP:
        pushMouse(state,
                  message == WM_XBUTTONDOWN ? PlatformEventType::MouseButtonDown : PlatformEventType::MouseButtonUp,
                  PlatformMouseButton::Other, lParam);
        *result = TRUE;
        return true;
    case WM_MOUSEWHEEL: {
        const int16_t delta = int16_t(HIWORD(wParam));
        if (delta == 0) {
            pushWindowEvent(state, PlatformEventType::Other);
            return true;
        }
        POINT point{int16_t(LOWORD(lParam)), int16_t(HIWORD(lParam))};
        ScreenToClient(window, &point);
        PlatformEvent event;
        event.type = PlatformEventType::MouseWheel;
        event.windowId = state->id;
        event.x = point.x;
        event.y = point.y;
        event.wheel = float(delta) / float(WHEEL_DELTA);
        win32PushEvent(event);
        return true;
    }
    case WM_SETCURSOR:
        if (LOWORD(lParam) != HTCLIENT)
            return false;
        {
            HCURSOR shape = cursorShape().load();
            SetCursor(shape ? shape : LoadCursorW(nullptr, IDC_ARROW));
        }
        *result = TRUE;
        return true;
    default:
        return false;
    }
}

} // namespace

const wchar_t* win32WindowClass() {
    static const bool registered = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
        windowClass.lpfnWndProc = &win32WindowProcedure;
        windowClass.hInstance = win32Instance();
        // The executable's icon resource 101 when it has one.
        windowClass.hIcon = LoadIconW(win32Instance(), MAKEINTRESOURCEW(101));
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        windowClass.lpszClassName = kClassName;
        return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered ? kClassName : nullptr;
}

LRESULT CALLBACK win32WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        if (create->lpCreateParams)
            win32BindWindow(window, static_cast<PlatformWindowState*>(create->lpCreateParams));
    }
    PlatformWindowState* state = stateOf(window);
    if (!state)
        return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        const LRESULT result = passOn(state, window, message, wParam, lParam);
        win32BindWindow(window, nullptr);
        return result;
    }
    LRESULT result = 0;
    if (handleMessage(state, window, message, wParam, lParam, &result))
        return result;
    return passOn(state, window, message, wParam, lParam);
}

void win32BindWindow(HWND window, PlatformWindowState* state) {
    if (state)
        SetPropW(window, kStateProperty, state);
    else
        RemovePropW(window, kStateProperty);
}

HWND win32FindWindow(uint32_t id) {
    WindowIds& ids = windowIds();
    std::lock_guard<std::mutex> guard(ids.lock);
    auto found = ids.windows.find(id);
    return found == ids.windows.end() ? nullptr : found->second;
}

HWND win32AnyWindow() {
    WindowIds& ids = windowIds();
    std::lock_guard<std::mutex> guard(ids.lock);
    return ids.windows.empty() ? nullptr : ids.windows.begin()->second;
}

uint32_t win32NextWindowId() {
    static std::atomic<uint32_t> next{1};
    return next++;
}

void win32RegisterWindowId(uint32_t id, HWND window) {
    WindowIds& ids = windowIds();
    std::lock_guard<std::mutex> guard(ids.lock);
    if (window)
        ids.windows[id] = window;
    else
        ids.windows.erase(id);
}

void win32SetCursorShape(HCURSOR cursor) { cursorShape().store(cursor); }

HCURSOR win32CursorShape() { return cursorShape().load(); }
