#pragma once

#include <cstdint>

// Puts input into the event queue as the system would deliver it, so that
// tests can drive the event pump without a user. Each answers false when the
// queue is not running or the input cannot be described.

enum class PlatformTestWindowEvent : uint8_t {
    Shown,
    Hidden,
    Exposed,
    Moved,
    Minimized,
    Maximized,
    Restored,
    SizeChanged, // data1 x data2 is the new client size
    FocusGained,
    FocusLost,
    Close,
    DisplayChanged, // the window moved to display data1
};

// What the system says about a display.
enum class PlatformTestDisplayEvent : uint8_t {
    Connected,
    Disconnected,
    Orientation,
};

// A key by its name as the system's keyboard layer names it ("A", "Left",
// "Return", "F10", "Left Shift", "Keypad Enter" ...), with PlatformMod* bits.
bool platformTestPushKey(uint32_t windowId, const char* keyName, bool down, uint32_t modifiers, bool repeat);
// Text typed (UTF-8, shorter than 32 bytes), as it follows a key press.
bool platformTestPushText(uint32_t windowId, const char* text);
bool platformTestPushMouseMotion(uint32_t windowId, int32_t x, int32_t y);
// `button`: 1 left, 2 middle, 3 right, 4 and 5 the side buttons.
bool platformTestPushMouseButton(uint32_t windowId, int32_t button, bool down, int32_t x, int32_t y);
// `notches` positive away from the user; `flipped` reports it as a device
// with the natural direction does (the sign inverted).
bool platformTestPushMouseWheel(uint32_t windowId, float notches, int32_t x, int32_t y, bool flipped);
bool platformTestPushWindowEvent(uint32_t windowId, PlatformTestWindowEvent kind, int32_t data1, int32_t data2);
bool platformTestPushQuit();
// A display event of display `display`.
bool platformTestPushDisplayEvent(PlatformTestDisplayEvent kind, uint32_t display);
