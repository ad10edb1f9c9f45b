#pragma once

#include "engine/platform/PlatformPixelFormat.h"

#include <SDL.h>

// What a CPlatformWindow shares with the OpenGL contexts made for it, so
// that a context outliving its window sees the window gone. Used only
// inside this folder.
struct PlatformWindowState {
    SDL_Window* window = nullptr;
    bool openGL = false;
    // The format an OpenGL window made here was made with; its contexts ask
    // for it again.
    bool formatChosen = false;
    PlatformPixelFormat pixelFormat;
    int32_t colorBits = 32;
    bool captureRequested = false;
    bool captureGranted = false;
};
