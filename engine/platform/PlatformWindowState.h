#pragma once

#include <SDL.h>

// What a CPlatformWindow shares with the OpenGL contexts made for it, so
// that a context outliving its window sees the window gone. Used only
// inside this folder.
struct PlatformWindowState {
    SDL_Window* window = nullptr;
    bool openGL = false;
    bool captureRequested = false;
    bool captureGranted = false;
};
