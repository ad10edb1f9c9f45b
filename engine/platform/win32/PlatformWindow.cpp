#include "engine/platform/PlatformWindow.h"

#include "engine/platform/win32/PlatformWindowState.h"

#include <shellapi.h>

#include <atomic>
#include <cstring>
#include <deque>
#include <mutex>

namespace {

// Events the window procedure and other threads add; the main thread takes
// them. `signal` wakes a wait when another thread adds one.
struct EventQueue {
    std::mutex lock;
    std::deque<PlatformEvent> events;
    HANDLE signal = CreateEventW(nullptr, FALSE, FALSE, nullptr);
};

EventQueue& eventQueue() {
    static EventQueue queue;
    return queue;
}

std::atomic<bool>& videoStarted() {
    static std::atomic<bool> started{false};
    return started;
}

bool takeQueued(PlatformEvent* event) {
    EventQueue& queue = eventQueue();
    std::lock_guard<std::mutex> guard(queue.lock);
    if (queue.events.empty())
        return false;
    *event = queue.events.front();
    queue.events.pop_front();
    return true;
}

// Dispatches waiting messages until one of them queued an event, or none is
// left. WM_QUIT becomes a Quit event.
void pumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PlatformEvent quit;
            quit.type = PlatformEventType::Quit;
            win32PushEvent(quit);
        } else {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        std::lock_guard<std::mutex> guard(eventQueue().lock);
        if (!eventQueue().events.empty())
            return;
    }
}

bool modeOf(const DEVMODEW& devMode, PlatformDisplayMode* mode) {
    if (!mode)
        return false;
    mode->width = int32_t(devMode.dmPelsWidth);
    mode->height = int32_t(devMode.dmPelsHeight);
    mode->colorBits = int32_t(devMode.dmBitsPerPel);
    mode->refreshRate = devMode.dmDisplayFrequency > 1 ? int32_t(devMode.dmDisplayFrequency) : 0;
    return true;
}

bool displayMode(DWORD which, PlatformDisplayMode* mode) {
    DEVMODEW devMode{};
    devMode.dmSize = sizeof devMode;
    return EnumDisplaySettingsW(nullptr, which, &devMode) && modeOf(devMode, mode);
}

// The cursor is shown while ShowCursor's counter is 0 or more; this keeps
// our own part of the counter at 0 (shown) or -1 (hidden).
std::atomic<bool>& cursorHidden() {
    static std::atomic<bool> hidden{false};
    return hidden;
}

} // namespace

void win32PushEvent(const PlatformEvent& event) {
    EventQueue& queue = eventQueue();
    {
        std::lock_guard<std::mutex> guard(queue.lock);
        queue.events.push_back(event);
    }
    SetEvent(queue.signal);
}

bool platformEventsInit() { return eventQueue().signal != nullptr; }

bool platformVideoInit(std::string* error) {
    if (videoStarted().load())
        return true;
    if (!win32WindowClass()) {
        win32StoreError(error);
        win32SetVideoError("Can't register window class");
        return false;
    }
    videoStarted().store(true);
    return true;
}

bool platformVideoReady() { return videoStarted().load(); }

std::string platformVideoDriverName() { return platformVideoReady() ? "windows" : ""; }

bool platformPollEvent(PlatformEvent* event) {
    if (!event)
        return false;
    if (takeQueued(event))
        return true;
    pumpMessages();
    return takeQueued(event);
}

bool platformWaitEvent(PlatformEvent* event, int32_t timeoutMilliseconds) {
    if (!event)
        return false;
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        if (platformPollEvent(event))
            return true;
        DWORD wait = INFINITE;
        if (timeoutMilliseconds >= 0) {
            const ULONGLONG spent = GetTickCount64() - start;
            if (spent >= ULONGLONG(timeoutMilliseconds))
                return false;
            wait = DWORD(ULONGLONG(timeoutMilliseconds) - spent);
        }
        MsgWaitForMultipleObjectsEx(1, &eventQueue().signal, wait, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

bool platformPushWakeEvent() {
    PlatformEvent event;
    event.type = PlatformEventType::Wake;
    win32PushEvent(event);
    return true;
}

bool platformPushQuitEvent() {
    PlatformEvent event;
    event.type = PlatformEventType::Quit;
    win32PushEvent(event);
    return true;
}

bool platformPushDisplayChangedEvent(int32_t colorBits, int32_t width, int32_t height) {
    PlatformEvent event;
    event.type = PlatformEventType::DisplayChanged;
    event.value = colorBits;
    event.x = width;
    event.y = height;
    win32PushEvent(event);
    return true;
}

void platformFlushEvents() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message != WM_QUIT)
            DispatchMessageW(&message);
    }
    EventQueue& queue = eventQueue();
    std::lock_guard<std::mutex> guard(queue.lock);
    queue.events.clear();
}

std::vector<PlatformDisplayMode> platformDisplayModes() {
    std::vector<PlatformDisplayMode> modes;
    if (!platformVideoReady())
        return modes;
    DEVMODEW devMode{};
    devMode.dmSize = sizeof devMode;
    for (DWORD index = 0; EnumDisplaySettingsW(nullptr, index, &devMode); ++index) {
        PlatformDisplayMode mode;
        if (modeOf(devMode, &mode))
            modes.push_back(mode);
    }
    return modes;
}

bool platformDesktopDisplayMode(PlatformDisplayMode* mode) {
    return platformVideoReady() && displayMode(ENUM_REGISTRY_SETTINGS, mode);
}

bool platformCurrentDisplayMode(PlatformDisplayMode* mode) {
    return platformVideoReady() && displayMode(ENUM_CURRENT_SETTINGS, mode);
}

bool platformShowCursor(bool show) {
    if (!platformVideoReady())
        return false;
    if (cursorHidden().exchange(!show) != !show)
        ShowCursor(show ? TRUE : FALSE);
    return true;
}

bool platformIsCursorShown() { return platformVideoReady() && !cursorHidden().load(); }

void platformUseDefaultCursor() {
    if (!platformVideoReady())
        return;
    win32SetCursorShape(nullptr);
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
}

bool platformSetClipboardText(const std::string& text) {
    if (!platformVideoReady() || !OpenClipboard(nullptr))
        return false;
    bool done = false;
    const std::wstring wide = win32Widen(text);
    const size_t bytes = (wide.size() + 1) * sizeof(wchar_t);
    if (EmptyClipboard()) {
        if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
            if (void* target = GlobalLock(memory)) {
                std::memcpy(target, wide.c_str(), bytes);
                GlobalUnlock(memory);
                done = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
            }
            // The clipboard owns the memory once it took it.
            if (!done)
                GlobalFree(memory);
        }
    }
    CloseClipboard();
    return done;
}

bool platformClipboardText(std::string* text) {
    if (!text || !platformVideoReady() || !OpenClipboard(nullptr))
        return false;
    bool found = false;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* wide = static_cast<const wchar_t*>(GlobalLock(data))) {
            const size_t limit = GlobalSize(data) / sizeof(wchar_t);
            size_t length = 0;
            while (length < limit && wide[length] != L'\0')
                ++length;
            *text = win32Narrow(std::wstring_view(wide, length));
            found = true;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return found && !text->empty();
}

bool platformOpenUrl(const std::string& url, std::string* error) {
    const std::wstring wide = win32Widen(url);
    const auto result =
        reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", wide.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (result > 32)
        return true;
    win32StoreError(error, ("the shell refused it (" + std::to_string(result) + ")").c_str());
    return false;
}

int platformShowMessageBox(PlatformMessageBoxKind kind, const std::string& title, const std::string& text) {
    const std::wstring wideTitle = win32Widen(title);
    const std::wstring wideText = win32Widen(text);
    const UINT type = (kind == PlatformMessageBoxKind::YesNo ? MB_YESNO : MB_OK) | MB_TASKMODAL | MB_SETFOREGROUND;
    const int answer = MessageBoxW(nullptr, wideText.c_str(), wideTitle.c_str(), type);
    if (answer == 0)
        return -1;
    return answer == IDOK || answer == IDYES ? 1 : 0;
}

std::string platformVideoError() { return win32VideoError(); }
