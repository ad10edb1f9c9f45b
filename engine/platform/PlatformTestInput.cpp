#include "engine/platform/PlatformTestInput.h"

#include "engine/platform/PlatformWindow.h"

#include <SDL.h>

#include <cstring>

namespace {

bool push(SDL_Event& event) { return SDL_WasInit(SDL_INIT_EVENTS) != 0 && SDL_PushEvent(&event) == 1; }

Uint16 sdlModifiers(uint32_t modifiers) {
    Uint16 mod = KMOD_NONE;
    if (modifiers & PlatformModShift)
        mod |= KMOD_LSHIFT;
    if (modifiers & PlatformModControl)
        mod |= KMOD_LCTRL;
    if (modifiers & PlatformModAltGr)
        mod |= KMOD_RALT;
    else if (modifiers & PlatformModAlt)
        mod |= KMOD_LALT;
    return mod;
}

} // namespace

bool platformTestPushKey(uint32_t windowId, const char* keyName, bool down, uint32_t modifiers, bool repeat) {
    if (!keyName)
        return false;
    const SDL_Keycode key = SDL_GetKeyFromName(keyName);
    if (key == SDLK_UNKNOWN)
        return false;
    SDL_Event event;
    SDL_zero(event);
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.windowID = windowId;
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.repeat = repeat ? 1 : 0;
    event.key.keysym.sym = key;
    event.key.keysym.scancode = SDL_GetScancodeFromKey(key);
    event.key.keysym.mod = sdlModifiers(modifiers);
    return push(event);
}

bool platformTestPushText(uint32_t windowId, const char* text) {
    SDL_Event event;
    SDL_zero(event);
    if (!text || std::strlen(text) >= sizeof(event.text.text))
        return false;
    event.type = SDL_TEXTINPUT;
    event.text.windowID = windowId;
    std::memcpy(event.text.text, text, std::strlen(text) + 1);
    return push(event);
}

bool platformTestPushMouseMotion(uint32_t windowId, int32_t x, int32_t y) {
    SDL_Event event;
    SDL_zero(event);
    event.type = SDL_MOUSEMOTION;
    event.motion.windowID = windowId;
    event.motion.x = x;
    event.motion.y = y;
    return push(event);
}

bool platformTestPushMouseButton(uint32_t windowId, int32_t button, bool down, int32_t x, int32_t y) {
    if (button < 1 || button > 5)
        return false;
    SDL_Event event;
    SDL_zero(event);
    event.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    event.button.windowID = windowId;
    event.button.button = Uint8(button);
    event.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.button.clicks = 1;
    event.button.x = x;
    event.button.y = y;
    return push(event);
}

bool platformTestPushMouseWheel(uint32_t windowId, float notches, int32_t x, int32_t y, bool flipped) {
    SDL_Event event;
    SDL_zero(event);
    event.type = SDL_MOUSEWHEEL;
    event.wheel.windowID = windowId;
    event.wheel.direction = flipped ? SDL_MOUSEWHEEL_FLIPPED : SDL_MOUSEWHEEL_NORMAL;
    const float reported = flipped ? -notches : notches;
    event.wheel.preciseY = reported;
    event.wheel.y = Sint32(reported);
    event.wheel.mouseX = x;
    event.wheel.mouseY = y;
    return push(event);
}

bool platformTestPushWindowEvent(uint32_t windowId, PlatformTestWindowEvent kind, int32_t data1, int32_t data2) {
    SDL_Event event;
    SDL_zero(event);
    event.type = SDL_WINDOWEVENT;
    event.window.windowID = windowId;
    event.window.data1 = data1;
    event.window.data2 = data2;
    switch (kind) {
    case PlatformTestWindowEvent::Shown:
        event.window.event = SDL_WINDOWEVENT_SHOWN;
        break;
    case PlatformTestWindowEvent::Hidden:
        event.window.event = SDL_WINDOWEVENT_HIDDEN;
        break;
    case PlatformTestWindowEvent::Exposed:
        event.window.event = SDL_WINDOWEVENT_EXPOSED;
        break;
    case PlatformTestWindowEvent::Moved:
        event.window.event = SDL_WINDOWEVENT_MOVED;
        break;
    case PlatformTestWindowEvent::Minimized:
        event.window.event = SDL_WINDOWEVENT_MINIMIZED;
        break;
    case PlatformTestWindowEvent::Maximized:
        event.window.event = SDL_WINDOWEVENT_MAXIMIZED;
        break;
    case PlatformTestWindowEvent::Restored:
        event.window.event = SDL_WINDOWEVENT_RESTORED;
        break;
    case PlatformTestWindowEvent::SizeChanged:
        event.window.event = SDL_WINDOWEVENT_SIZE_CHANGED;
        break;
    case PlatformTestWindowEvent::FocusGained:
        event.window.event = SDL_WINDOWEVENT_FOCUS_GAINED;
        break;
    case PlatformTestWindowEvent::FocusLost:
        event.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
        break;
    case PlatformTestWindowEvent::Close:
        event.window.event = SDL_WINDOWEVENT_CLOSE;
        break;
    case PlatformTestWindowEvent::DisplayChanged:
        event.window.event = SDL_WINDOWEVENT_DISPLAY_CHANGED;
        break;
    }
    return push(event);
}

bool platformTestPushQuit() { return platformPushQuitEvent(); }

bool platformTestPushDisplayEvent(PlatformTestDisplayEvent kind, uint32_t display) {
    SDL_Event event;
    SDL_zero(event);
    event.type = SDL_DISPLAYEVENT;
    event.display.display = display;
    switch (kind) {
    case PlatformTestDisplayEvent::Connected:
        event.display.event = SDL_DISPLAYEVENT_CONNECTED;
        break;
    case PlatformTestDisplayEvent::Disconnected:
        event.display.event = SDL_DISPLAYEVENT_DISCONNECTED;
        break;
    case PlatformTestDisplayEvent::Orientation:
        event.display.event = SDL_DISPLAYEVENT_ORIENTATION;
        event.display.data1 = SDL_ORIENTATION_PORTRAIT;
        break;
    }
    return SDL_PushEvent(&event) == 1;
}
