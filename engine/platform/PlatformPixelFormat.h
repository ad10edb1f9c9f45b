#pragma once

#include <SDL.h>

#include <cstdint>

// The pixel formats an OpenGL window or context asks for, from the full
// request down to what any system gives. Used only inside this folder.
struct PlatformPixelFormat {
    int32_t depthBits = 24;
    bool stencil = false;
    // Multisample count; 0 (or 1) means none.
    int32_t samples = 0;
};

// At most this many steps.
constexpr int PlatformPixelFormatStepsMax = 10;

// The steps to try for `wanted`, best first: the samples halved down to 2,
// then none; without stencil; 24 and then 16 depth bits. Answers how many
// steps `out` holds.
inline int platformPixelFormatSteps(const PlatformPixelFormat& wanted,
                                    PlatformPixelFormat (&out)[PlatformPixelFormatStepsMax]) {
    int count = 0;
    const int32_t depth = wanted.depthBits > 0 ? wanted.depthBits : 0;
    for (int32_t samples = wanted.samples > 16 ? 16 : wanted.samples; samples >= 2; samples /= 2)
        out[count++] = {depth, wanted.stencil, samples};
    out[count++] = {depth, wanted.stencil, 0};
    if (wanted.stencil)
        out[count++] = {depth, false, 0};
    if (depth > 24)
        out[count++] = {24, false, 0};
    if (depth > 16)
        out[count++] = {16, false, 0};
    return count;
}

// Sets SDL's attributes for the depth, stencil and multisampling of `format`.
inline void platformSetPixelFormat(const PlatformPixelFormat& format) {
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, format.depthBits);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, format.stencil ? 8 : 0);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, format.samples > 1 ? 1 : 0);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, format.samples > 1 ? format.samples : 0);
}
