#include "engine/platform/PlatformKeys.h"

#include <SDL.h>

namespace {

struct KeyEntry {
    SDL_Keycode key;
    int32_t code;
};

constexpr KeyEntry kKeys[] = {
    {SDLK_BACKSPACE, 8},    {SDLK_TAB, 9},
    {SDLK_CLEAR, 12},       {SDLK_RETURN, 13},
    {SDLK_KP_ENTER, 13},    {SDLK_LSHIFT, 16},
    {SDLK_RSHIFT, 16},      {SDLK_LCTRL, 17},
    {SDLK_RCTRL, 17},       {SDLK_LALT, 18},
    {SDLK_RALT, 18},        {SDLK_PAUSE, 19},
    {SDLK_CAPSLOCK, 20},    {SDLK_ESCAPE, 27},
    {SDLK_SPACE, 32},       {SDLK_PAGEUP, 33},
    {SDLK_PAGEDOWN, 34},    {SDLK_END, 35},
    {SDLK_HOME, 36},        {SDLK_LEFT, 37},
    {SDLK_UP, 38},          {SDLK_RIGHT, 39},
    {SDLK_DOWN, 40},        {SDLK_SELECT, 41},
    {SDLK_EXECUTE, 43},     {SDLK_PRINTSCREEN, 44},
    {SDLK_INSERT, 45},      {SDLK_DELETE, 46},
    {SDLK_HELP, 47},        {SDLK_LGUI, 91},
    {SDLK_RGUI, 92},        {SDLK_APPLICATION, 93},
    {SDLK_SLEEP, 95},       {SDLK_KP_0, 96},
    {SDLK_KP_1, 97},        {SDLK_KP_2, 98},
    {SDLK_KP_3, 99},        {SDLK_KP_4, 100},
    {SDLK_KP_5, 101},       {SDLK_KP_6, 102},
    {SDLK_KP_7, 103},       {SDLK_KP_8, 104},
    {SDLK_KP_9, 105},       {SDLK_KP_MULTIPLY, 106},
    {SDLK_KP_PLUS, 107},    {SDLK_KP_MINUS, 109},
    {SDLK_KP_PERIOD, 110},  {SDLK_KP_DECIMAL, 110},
    {SDLK_KP_DIVIDE, 111},  {SDLK_F1, 112},
    {SDLK_F2, 113},         {SDLK_F3, 114},
    {SDLK_F4, 115},         {SDLK_F5, 116},
    {SDLK_F6, 117},         {SDLK_F7, 118},
    {SDLK_F8, 119},         {SDLK_F9, 120},
    {SDLK_F10, 121},        {SDLK_F11, 122},
    {SDLK_F12, 123},        {SDLK_F13, 124},
    {SDLK_F14, 125},        {SDLK_F15, 126},
    {SDLK_F16, 127},        {SDLK_F17, 128},
    {SDLK_F18, 129},        {SDLK_F19, 130},
    {SDLK_F20, 131},        {SDLK_F21, 132},
    {SDLK_F22, 133},        {SDLK_F23, 134},
    {SDLK_F24, 135},        {SDLK_NUMLOCKCLEAR, 144},
    {SDLK_SCROLLLOCK, 145}, {SDLK_SEMICOLON, 186},
    {SDLK_EQUALS, 187},     {SDLK_PLUS, 187},
    {SDLK_COMMA, 188},      {SDLK_MINUS, 189},
    {SDLK_PERIOD, 190},     {SDLK_SLASH, 191},
    {SDLK_BACKQUOTE, 192},  {SDLK_LEFTBRACKET, 219},
    {SDLK_BACKSLASH, 220},  {SDLK_RIGHTBRACKET, 221},
    {SDLK_QUOTE, 222},
};

// Punctuation keys by their place, for layouts that put other characters there.
struct ScanEntry {
    SDL_Scancode scan;
    int32_t code;
};

constexpr ScanEntry kScans[] = {
    {SDL_SCANCODE_SEMICOLON, 186},    {SDL_SCANCODE_EQUALS, 187},      {SDL_SCANCODE_COMMA, 188},
    {SDL_SCANCODE_MINUS, 189},        {SDL_SCANCODE_PERIOD, 190},      {SDL_SCANCODE_SLASH, 191},
    {SDL_SCANCODE_GRAVE, 192},        {SDL_SCANCODE_LEFTBRACKET, 219}, {SDL_SCANCODE_BACKSLASH, 220},
    {SDL_SCANCODE_RIGHTBRACKET, 221}, {SDL_SCANCODE_APOSTROPHE, 222},  {SDL_SCANCODE_NONUSBACKSLASH, 226},
};

} // namespace

int32_t platformVirtualKey(int32_t systemKey, int32_t scanCode) {
    if (systemKey >= SDLK_a && systemKey <= SDLK_z)
        return systemKey - SDLK_a + 'A';
    if (systemKey >= SDLK_0 && systemKey <= SDLK_9)
        return systemKey - SDLK_0 + '0';
    for (const KeyEntry& entry : kKeys)
        if (entry.key == systemKey)
            return entry.code;
    // Layouts without Latin letters or digits on these keys.
    if (scanCode >= SDL_SCANCODE_A && scanCode <= SDL_SCANCODE_Z)
        return scanCode - SDL_SCANCODE_A + 'A';
    if (scanCode >= SDL_SCANCODE_1 && scanCode <= SDL_SCANCODE_9)
        return scanCode - SDL_SCANCODE_1 + '1';
    if (scanCode == SDL_SCANCODE_0)
        return '0';
    for (const ScanEntry& entry : kScans)
        if (entry.scan == scanCode)
            return entry.code;
    return 0;
}
