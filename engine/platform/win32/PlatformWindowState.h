#pragma once

#include "engine/platform/win32/Win32Support.h"

#include <cstdint>

struct PlatformEvent;

// What a CPlatformWindow shares with the OpenGL contexts made for it, so
// that a context outliving its window sees the window gone, and what the
// window procedure keeps between messages. Used only inside this folder.
struct PlatformWindowState {
    HWND window = nullptr;
    // The window's own device context (its class has CS_OWNDC); taken with
    // GetDC for an adopted window.
    HDC deviceContext = nullptr;
    uint32_t id = 0;
    bool adopted = false;
    WNDPROC adoptedProcedure = nullptr; // an adopted window's own procedure
    bool openGL = false;
    bool fullscreen = false;
    bool displayModeChanged = false; // full screen changed the display's mode
    // The mode full screen set, and whether the desktop has its own back
    // while the application is inactive.
    DEVMODEW fullscreenMode{};
    bool displayModeLent = false;
    bool resizable = false;
    bool bordered = true;
    // What the window procedure last reported.
    bool minimized = false;
    bool maximized = false;
    int32_t width = 0;
    int32_t height = 0;
    wchar_t pendingSurrogate = 0; // first half of a character split over two WM_CHAR
    bool captureRequested = false;
    bool captureGranted = false;
    // The windowed frame, put back when full screen ends.
    DWORD windowedStyle = 0;
    RECT windowedRect{};
};

// Private messages the test input posts: a key with the modifier state it
// was pressed with, and a request to redraw.
inline constexpr UINT kWin32TestKeyMessage = WM_APP + 1;
inline constexpr UINT kWin32ExposeMessage = WM_APP + 2;

// The class every window of ours belongs to (registered on first use); null
// when it cannot be registered.
[[nodiscard]] const wchar_t* win32WindowClass();
// Window procedure of our windows, and of adopted ones (which it subclasses).
LRESULT CALLBACK win32WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Binds `state` to its window for the window procedure (null unbinds).
void win32BindWindow(HWND window, PlatformWindowState* state);
// The window with event id `id`; null when none is open.
[[nodiscard]] HWND win32FindWindow(uint32_t id);
// One of our open windows; null when none is open.
[[nodiscard]] HWND win32AnyWindow();
// A new, process-unique window id (never 0).
[[nodiscard]] uint32_t win32NextWindowId();
// Registers or forgets the window `id` for win32FindWindow.
void win32RegisterWindowId(uint32_t id, HWND window);

// Appends an event to the queue platformPollEvent reads; any thread.
void win32PushEvent(const PlatformEvent& event);

// The shape the pointer takes over our windows' client areas: a cursor made
// from an image, or null for the arrow.
void win32SetCursorShape(HCURSOR cursor);
[[nodiscard]] HCURSOR win32CursorShape();
