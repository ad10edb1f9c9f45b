#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The windowing system as a whole, in plain types: starting it, its event
// queue turned into plain events, the display modes, the pointer's
// visibility, the clipboard, opening addresses and message boxes. The window
// itself is CPlatformWindow.

// What a PlatformEvent reports.
enum class PlatformEventType : uint8_t {
    None,
    Quit,            // the program was asked to end (the session, a signal)
    KeyDown,         // keyCode, character, modifiers, repeat, text
    KeyUp,           // keyCode, modifiers
    Text,            // text typed without a key of its own (input methods)
    MouseMove,       // x, y
    MouseButtonDown, // button, x, y
    MouseButtonUp,   // button, x, y
    MouseWheel,      // wheel, x, y
    WindowShown,     //
    WindowHidden,    //
    WindowExposed,   // the window's contents must be drawn again
    WindowMinimized, //
    WindowMaximized, //
    WindowRestored,  //
    WindowResized,   // x, y: the new client size
    WindowFocusGained,
    WindowFocusLost,
    WindowClose,    // the user asked to close the window
    DisplayChanged, // x, y: the display's size; value: its colour bits
    Wake,           // pushed by platformPushWakeEvent
    Other,          // anything else; nothing to do
};

enum class PlatformMouseButton : int32_t { None = 0, Left = 1, Middle = 2, Right = 3, Other = 4 };

// Modifier bits of a key event.
inline constexpr uint32_t PlatformModShift = 0x1;
inline constexpr uint32_t PlatformModControl = 0x2;
inline constexpr uint32_t PlatformModAlt = 0x4;
// The right Alt key (AltGr on many layouts, where it types characters), or
// the layout's mode switch; PlatformModAlt is set with it.
inline constexpr uint32_t PlatformModAltGr = 0x8;

// One event of the queue.
struct PlatformEvent {
    PlatformEventType type = PlatformEventType::None;
    // The window the event is about (CPlatformWindow::id); 0 for none.
    uint32_t windowId = 0;
    // Pointer position in client pixels, or a size (see the types).
    int32_t x = 0;
    int32_t y = 0;
    PlatformMouseButton button = PlatformMouseButton::None;
    // Colour bits for DisplayChanged.
    int32_t value = 0;
    // Wheel turn in notches, positive away from the user.
    float wheel = 0.0f;
    // Key codes use the classic PC virtual-key numbering the engine's key
    // events carry: 'A'..'Z' and '0'..'9' for letters and digits, 8
    // backspace, 9 tab, 13 return, 16 shift, 17 control, 18 alt, 27 escape,
    // 32 space, 37..40 arrows, 112.. function keys, 0 for unknown keys.
    int32_t keyCode = 0;
    // The character the key gives with the modifiers held (the text it types,
    // or the control character of return, backspace, tab, escape and
    // control+letter); 0 for none.
    uint32_t character = 0;
    uint32_t modifiers = 0;
    // A key-down repeated by holding the key.
    bool repeat = false;
    // The UTF-8 text typed (Text, and a KeyDown that typed something).
    char text[32] = {};
};

// Starts the event queue (always possible) and the video system. Both stay
// started for the rest of the process: stopping the video system unloads
// the OpenGL library, whose own allocations would then stay unreachable.
// platformVideoInit answers false, with the reason in `error`, when no
// display can be used; a later call tries again.
[[nodiscard]] bool platformEventsInit();
[[nodiscard]] bool platformVideoInit(std::string* error);
[[nodiscard]] bool platformVideoReady();
// The name of the video driver in use ("x11", "wayland", "offscreen", ...);
// empty without one.
[[nodiscard]] std::string platformVideoDriverName();

// Takes the next event without waiting; false when the queue is empty.
[[nodiscard]] bool platformPollEvent(PlatformEvent* event);
// Waits for the next event, up to `timeoutMilliseconds` (negative: without
// limit); false when none came in time.
[[nodiscard]] bool platformWaitEvent(PlatformEvent* event, int32_t timeoutMilliseconds);
// Puts a Wake event into the queue; safe from any thread. False when the
// queue is not running.
bool platformPushWakeEvent();
// Puts a Quit event into the queue.
bool platformPushQuitEvent();
// Puts a DisplayChanged event with the given mode into the queue.
bool platformPushDisplayChangedEvent(int32_t colorBits, int32_t width, int32_t height);
// Drops every queued event.
void platformFlushEvents();

// A display mode: size in pixels, colour depth, refresh rate in Hz (0 when
// not known).
struct PlatformDisplayMode {
    int32_t width = 0;
    int32_t height = 0;
    int32_t colorBits = 0;
    int32_t refreshRate = 0;
};

// The modes the first display offers; empty without a video system.
[[nodiscard]] std::vector<PlatformDisplayMode> platformDisplayModes();
// The mode of the desktop, and the mode the display shows now.
[[nodiscard]] bool platformDesktopDisplayMode(PlatformDisplayMode* mode);
[[nodiscard]] bool platformCurrentDisplayMode(PlatformDisplayMode* mode);

// Shows or hides the pointer over the program's windows.
[[nodiscard]] bool platformShowCursor(bool show);
[[nodiscard]] bool platformIsCursorShown();
// Goes back to the system's arrow.
void platformUseDefaultCursor();

// Clipboard text in UTF-8. platformClipboardText answers false when the
// clipboard holds no text or cannot be read.
[[nodiscard]] bool platformSetClipboardText(const std::string& text);
[[nodiscard]] bool platformClipboardText(std::string* text);

// Opens `url` with the desktop's opener (xdg-open, found along $PATH), which
// hands it to the user's browser or the program the desktop chooses. The
// opener runs apart from this process; only its start is waited for. False,
// with the reason in `error`, when it is missing or does not start.
[[nodiscard]] bool platformOpenUrl(const std::string& url, std::string* error);

enum class PlatformMessageBoxKind : uint8_t { Ok, YesNo };
// Shows a modal message box. Answers 1 for OK or Yes, 0 for No (or the box
// closed), -1 when no box could be shown.
[[nodiscard]] int platformShowMessageBox(PlatformMessageBoxKind kind, const std::string& title,
                                         const std::string& text);

// The last error the windowing system reported.
[[nodiscard]] std::string platformVideoError();
