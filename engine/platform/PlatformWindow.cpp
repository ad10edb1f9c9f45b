#include "engine/platform/PlatformWindow.h"

#include "engine/platform/PlatformKeys.h"

#include <SDL.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

// The two event types of our own: the wake-up and a display change.
struct OwnEventTypes {
    uint32_t wake = 0;
    uint32_t displayChanged = 0;
};

const OwnEventTypes& ownEventTypes() {
    static const OwnEventTypes types = [] {
        OwnEventTypes t;
        const Uint32 first = SDL_RegisterEvents(2);
        if (first != Uint32(-1)) {
            t.wake = first;
            t.displayChanged = first + 1;
        }
        return t;
    }();
    return types;
}

uint32_t modifiersOf(Uint16 mod) {
    uint32_t bits = 0;
    if (mod & KMOD_SHIFT)
        bits |= PlatformModShift;
    if (mod & KMOD_CTRL)
        bits |= PlatformModControl;
    if (mod & KMOD_ALT)
        bits |= PlatformModAlt;
    if (mod & (KMOD_RALT | KMOD_MODE))
        bits |= PlatformModAlt | PlatformModAltGr;
    return bits;
}

// The first code point of UTF-8 `text`; 0 for empty or broken text.
uint32_t firstCodePoint(const char* text) {
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    if (s[0] < 0x80)
        return s[0];
    int length = 0;
    uint32_t code = 0;
    if ((s[0] & 0xE0) == 0xC0) {
        length = 2;
        code = s[0] & 0x1F;
    } else if ((s[0] & 0xF0) == 0xE0) {
        length = 3;
        code = s[0] & 0x0F;
    } else if ((s[0] & 0xF8) == 0xF0) {
        length = 4;
        code = s[0] & 0x07;
    } else {
        return 0;
    }
    for (int i = 1; i < length; ++i) {
        if ((s[i] & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (s[i] & 0x3F);
    }
    return code;
}

void copyText(char (&target)[32], const char* source) {
    const size_t length = ::strnlen(source, sizeof(target) - 1);
    std::memcpy(target, source, length);
    target[length] = '\0';
}

// The control character a key gives where it types no text, as the
// keyboard layers of the classic desktops answer it.
uint32_t controlCharacter(int32_t keyCode, uint32_t modifiers) {
    switch (keyCode) {
    case 8:
    case 9:
    case 13:
    case 27:
        return uint32_t(keyCode);
    default:
        break;
    }
    if ((modifiers & PlatformModControl) && !(modifiers & PlatformModAlt) && keyCode >= 'A' && keyCode <= 'Z')
        return uint32_t(keyCode - 'A' + 1);
    return 0;
}

void convertKey(const SDL_KeyboardEvent& key, PlatformEvent* out) {
    out->type = key.type == SDL_KEYDOWN ? PlatformEventType::KeyDown : PlatformEventType::KeyUp;
    out->windowId = key.windowID;
    out->keyCode = platformVirtualKey(key.keysym.sym, key.keysym.scancode);
    out->modifiers = modifiersOf(key.keysym.mod);
    out->repeat = key.repeat != 0;
    if (key.type != SDL_KEYDOWN)
        return;
    // The text a key types follows its key-down at once; take it with the
    // key so that the key event can tell its character.
    SDL_Event next;
    if (SDL_PeepEvents(&next, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1 && next.type == SDL_TEXTINPUT &&
        next.text.windowID == key.windowID) {
        if (SDL_PeepEvents(&next, 1, SDL_GETEVENT, SDL_TEXTINPUT, SDL_TEXTINPUT) == 1) {
            copyText(out->text, next.text.text);
            out->character = firstCodePoint(out->text);
        }
    }
    if (out->character == 0)
        out->character = controlCharacter(out->keyCode, out->modifiers);
}

PlatformMouseButton buttonOf(Uint8 button) {
    switch (button) {
    case SDL_BUTTON_LEFT:
        return PlatformMouseButton::Left;
    case SDL_BUTTON_MIDDLE:
        return PlatformMouseButton::Middle;
    case SDL_BUTTON_RIGHT:
        return PlatformMouseButton::Right;
    default:
        return PlatformMouseButton::Other;
    }
}

// A change of the displays as the system reports it (one connected or
// disconnected, turned, or the window moved to another): the desktop mode as
// it is now.
void convertDisplayChange(PlatformEvent* out) {
    PlatformDisplayMode mode;
    if (!platformCurrentDisplayMode(&mode))
        return;
    out->type = PlatformEventType::DisplayChanged;
    out->x = mode.width;
    out->y = mode.height;
    out->value = mode.colorBits;
}

void convertWindowEvent(const SDL_WindowEvent& window, PlatformEvent* out) {
    out->windowId = window.windowID;
    switch (window.event) {
    case SDL_WINDOWEVENT_SHOWN:
        out->type = PlatformEventType::WindowShown;
        break;
    case SDL_WINDOWEVENT_HIDDEN:
        out->type = PlatformEventType::WindowHidden;
        break;
    case SDL_WINDOWEVENT_EXPOSED:
        out->type = PlatformEventType::WindowExposed;
        break;
    case SDL_WINDOWEVENT_MINIMIZED:
        out->type = PlatformEventType::WindowMinimized;
        break;
    case SDL_WINDOWEVENT_MAXIMIZED:
        out->type = PlatformEventType::WindowMaximized;
        break;
    case SDL_WINDOWEVENT_RESTORED:
        out->type = PlatformEventType::WindowRestored;
        break;
    // Every size change comes as SIZE_CHANGED; RESIZED repeats the ones the
    // user or the window manager made.
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        out->type = PlatformEventType::WindowResized;
        out->x = window.data1;
        out->y = window.data2;
        break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        out->type = PlatformEventType::WindowFocusGained;
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        out->type = PlatformEventType::WindowFocusLost;
        break;
    case SDL_WINDOWEVENT_CLOSE:
        out->type = PlatformEventType::WindowClose;
        break;
    case SDL_WINDOWEVENT_DISPLAY_CHANGED:
        // The window went to another display, whose mode is now the one that
        // counts.
        convertDisplayChange(out);
        break;
    default:
        out->type = PlatformEventType::Other;
        break;
    }
}

void convert(const SDL_Event& event, PlatformEvent* out) {
    *out = PlatformEvent{};
    out->type = PlatformEventType::Other;
    switch (event.type) {
    case SDL_QUIT:
        out->type = PlatformEventType::Quit;
        return;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        convertKey(event.key, out);
        return;
    case SDL_TEXTINPUT:
        out->type = PlatformEventType::Text;
        out->windowId = event.text.windowID;
        copyText(out->text, event.text.text);
        out->character = firstCodePoint(out->text);
        return;
    case SDL_MOUSEMOTION:
        out->type = PlatformEventType::MouseMove;
        out->windowId = event.motion.windowID;
        out->x = event.motion.x;
        out->y = event.motion.y;
        return;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        out->type =
            event.type == SDL_MOUSEBUTTONDOWN ? PlatformEventType::MouseButtonDown : PlatformEventType::MouseButtonUp;
        out->windowId = event.button.windowID;
        out->button = buttonOf(event.button.button);
        out->x = event.button.x;
        out->y = event.button.y;
        return;
    case SDL_MOUSEWHEEL: {
        float notches = event.wheel.preciseY;
        if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED)
            notches = -notches;
        // A sideways turn alone is not a wheel event of ours.
        if (notches == 0.0f)
            return;
        out->type = PlatformEventType::MouseWheel;
        out->windowId = event.wheel.windowID;
        out->wheel = notches;
        out->x = event.wheel.mouseX;
        out->y = event.wheel.mouseY;
        return;
    }
    case SDL_WINDOWEVENT:
        convertWindowEvent(event.window, out);
        return;
    case SDL_DISPLAYEVENT:
        if (event.display.event == SDL_DISPLAYEVENT_CONNECTED || event.display.event == SDL_DISPLAYEVENT_DISCONNECTED ||
            event.display.event == SDL_DISPLAYEVENT_ORIENTATION)
            convertDisplayChange(out);
        return;
    default:
        break;
    }
    const OwnEventTypes& own = ownEventTypes();
    if (own.wake != 0 && event.type == own.wake) {
        out->type = PlatformEventType::Wake;
    } else if (own.displayChanged != 0 && event.type == own.displayChanged) {
        out->type = PlatformEventType::DisplayChanged;
        out->value = event.user.code;
        out->x = int32_t(reinterpret_cast<intptr_t>(event.user.data1));
        out->y = int32_t(reinterpret_cast<intptr_t>(event.user.data2));
    }
}

bool pushOwnEvent(uint32_t type, int32_t code, intptr_t data1, intptr_t data2) {
    if (type == 0)
        return false;
    SDL_Event event;
    SDL_zero(event);
    event.type = type;
    event.user.code = code;
    event.user.data1 = reinterpret_cast<void*>(data1);
    event.user.data2 = reinterpret_cast<void*>(data2);
    return SDL_PushEvent(&event) == 1;
}

bool modeOf(const SDL_DisplayMode& sdl, PlatformDisplayMode* mode) {
    if (!mode)
        return false;
    mode->width = sdl.w;
    mode->height = sdl.h;
    mode->colorBits = int32_t(SDL_BITSPERPIXEL(sdl.format));
    mode->refreshRate = sdl.refresh_rate;
    return true;
}

void storeError(std::string* error) {
    if (error)
        *error = SDL_GetError();
}

} // namespace

bool platformEventsInit() {
    (void)ownEventTypes();
    return SDL_WasInit(SDL_INIT_EVENTS) != 0 || SDL_InitSubSystem(SDL_INIT_EVENTS) == 0;
}

bool platformVideoInit(std::string* error) {
    // The program decides itself what closing its last window means, and
    // takes the mouse capture only while its own rules say so.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    SDL_SetHint(SDL_HINT_MOUSE_AUTO_CAPTURE, "0");
    // A full-screen window that loses the focus gives the desktop its mode
    // back, and takes its own again when it returns.
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "1");
    (void)ownEventTypes();
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0)
        return true;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        storeError(error);
        return false;
    }
    // Keeps the OpenGL library loaded while windows come and go; drivers
    // without OpenGL refuse, and their windows are plain ones.
    (void)SDL_GL_LoadLibrary(nullptr);
    return true;
}

bool platformVideoReady() { return SDL_WasInit(SDL_INIT_VIDEO) != 0; }

std::string platformVideoDriverName() {
    const char* name = SDL_GetCurrentVideoDriver();
    return name ? name : "";
}

namespace {

// A poll ends its cycle at a marker the queue keeps after the events of one
// pumping; events queued behind it are still pending and are taken here
// rather than on the next poll.
bool pollSdlEvent(SDL_Event* sdl) {
    return SDL_PollEvent(sdl) == 1 || SDL_PeepEvents(sdl, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1;
}

} // namespace

bool platformPollEvent(PlatformEvent* event) {
    SDL_Event sdl;
    if (!event || SDL_WasInit(SDL_INIT_EVENTS) == 0 || !pollSdlEvent(&sdl))
        return false;
    convert(sdl, event);
    return true;
}

bool platformWaitEvent(PlatformEvent* event, int32_t timeoutMilliseconds) {
    SDL_Event sdl;
    if (!event || SDL_WasInit(SDL_INIT_EVENTS) == 0)
        return false;
    bool got = false;
    if (timeoutMilliseconds < 0)
        got = SDL_WaitEvent(&sdl) == 1;
    else if (timeoutMilliseconds == 0)
        got = pollSdlEvent(&sdl);
    else
        got = SDL_WaitEventTimeout(&sdl, timeoutMilliseconds) == 1;
    if (!got)
        return false;
    convert(sdl, event);
    return true;
}

bool platformPushWakeEvent() { return pushOwnEvent(ownEventTypes().wake, 0, 0, 0); }

bool platformPushQuitEvent() {
    SDL_Event event;
    SDL_zero(event);
    event.type = SDL_QUIT;
    return SDL_PushEvent(&event) == 1;
}

bool platformPushDisplayChangedEvent(int32_t colorBits, int32_t width, int32_t height) {
    return pushOwnEvent(ownEventTypes().displayChanged, colorBits, width, height);
}

void platformFlushEvents() {
    if (SDL_WasInit(SDL_INIT_EVENTS) == 0)
        return;
    SDL_PumpEvents();
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
}

std::vector<PlatformDisplayMode> platformDisplayModes() {
    std::vector<PlatformDisplayMode> modes;
    if (!platformVideoReady())
        return modes;
    const int count = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode sdl;
        PlatformDisplayMode mode;
        if (SDL_GetDisplayMode(0, i, &sdl) == 0 && modeOf(sdl, &mode))
            modes.push_back(mode);
    }
    return modes;
}

bool platformDesktopDisplayMode(PlatformDisplayMode* mode) {
    SDL_DisplayMode sdl;
    return platformVideoReady() && SDL_GetDesktopDisplayMode(0, &sdl) == 0 && modeOf(sdl, mode);
}

bool platformCurrentDisplayMode(PlatformDisplayMode* mode) {
    SDL_DisplayMode sdl;
    return platformVideoReady() && SDL_GetCurrentDisplayMode(0, &sdl) == 0 && modeOf(sdl, mode);
}

bool platformShowCursor(bool show) {
    return platformVideoReady() && SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE) >= 0;
}

bool platformIsCursorShown() { return platformVideoReady() && SDL_ShowCursor(SDL_QUERY) == SDL_ENABLE; }

void platformUseDefaultCursor() {
    if (!platformVideoReady())
        return;
    if (SDL_Cursor* arrow = SDL_GetDefaultCursor())
        SDL_SetCursor(arrow);
}

bool platformSetClipboardText(const std::string& text) {
    return platformVideoReady() && SDL_SetClipboardText(text.c_str()) == 0;
}

bool platformClipboardText(std::string* text) {
    if (!text || !platformVideoReady() || !SDL_HasClipboardText())
        return false;
    char* copy = SDL_GetClipboardText();
    if (!copy)
        return false;
    *text = copy;
    SDL_free(copy);
    return !text->empty();
}

namespace {

// The full path of `program` along $PATH; empty when it is not there.
std::string findInPath(const char* program) {
    const char* path = std::getenv("PATH");
    if (!path)
        return {};
    const std::string_view folders(path);
    size_t start = 0;
    while (start <= folders.size()) {
        size_t end = folders.find(':', start);
        if (end == std::string_view::npos)
            end = folders.size();
        // An empty entry stands for the current folder.
        const std::string_view folder = end > start ? folders.substr(start, end - start) : std::string_view(".");
        std::string candidate;
        candidate.reserve(folder.size() + 1 + std::strlen(program));
        candidate.append(folder).append(1, '/').append(program);
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    return {};
}

void waitForChild(pid_t child) {
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
}

} // namespace

bool platformOpenUrl(const std::string& url, std::string* error) {
    auto fail = [error](const std::string& text) {
        if (error)
            *error = text;
        return false;
    };
    if (url.empty())
        return fail("empty address");
    // The desktop's opener, started apart from this process (it may keep
    // running as the browser); only its start is waited for, as the shell's
    // open does.
    const std::string opener = findInPath("xdg-open");
    if (opener.empty())
        return fail("xdg-open was not found");
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0)
        return fail(std::string("pipe failed: ") + std::strerror(errno));
    char* const arguments[] = {const_cast<char*>(opener.c_str()), const_cast<char*>(url.c_str()), nullptr};
    const pid_t child = ::fork();
    if (child < 0) {
        const int failure = errno;
        ::close(report[0]);
        ::close(report[1]);
        return fail(std::string("fork failed: ") + std::strerror(failure));
    }
    if (child == 0) {
        // Only async-signal-safe calls from here: the parent may run threads.
        ::close(report[0]);
        ::setsid();
        const pid_t opening = ::fork();
        if (opening != 0) {
            if (opening < 0) {
                const int failure = errno;
                (void)!::write(report[1], &failure, sizeof(failure));
            }
            ::_exit(0);
        }
        ::execv(arguments[0], arguments);
        const int failure = errno;
        (void)!::write(report[1], &failure, sizeof(failure));
        ::_exit(127);
    }
    ::close(report[1]);
    waitForChild(child);
    // The report's end closes when the opener starts; a number is its failure.
    int failure = 0;
    ssize_t got = 0;
    do {
        got = ::read(report[0], &failure, sizeof(failure));
    } while (got < 0 && errno == EINTR);
    ::close(report[0]);
    if (got == ssize_t(sizeof(failure)))
        return fail(std::string("xdg-open did not start: ") + std::strerror(failure));
    return true;
}

int platformShowMessageBox(PlatformMessageBoxKind kind, const std::string& title, const std::string& text) {
    if (kind == PlatformMessageBoxKind::Ok)
        return SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, title.c_str(), text.c_str(), nullptr) == 0 ? 1 : -1;
    const SDL_MessageBoxButtonData buttons[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, "Yes"},
        {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 0, "No"},
    };
    SDL_MessageBoxData data;
    SDL_zero(data);
    data.flags = SDL_MESSAGEBOX_WARNING;
    data.title = title.c_str();
    data.message = text.c_str();
    data.numbuttons = 2;
    data.buttons = buttons;
    int answer = -1;
    if (SDL_ShowMessageBox(&data, &answer) != 0)
        return -1;
    return answer == 1 ? 1 : 0;
}

std::string platformVideoError() { return SDL_GetError(); }
