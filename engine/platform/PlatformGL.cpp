#include "engine/platform/PlatformGL.h"

#include "engine/platform/PlatformPixelFormat.h"

#include <SDL.h>

#include <mutex>

struct PlatformGLContext {
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
};

namespace {

void setError(std::string* error, const std::string& text) {
    if (error)
        *error = text;
}

// Starts SDL's video subsystem and loads its GL library once per process.
// Both stay: quitting the subsystem unloads the GL library, whose own
// allocations then remain unreachable, and reloading per context is slow.
bool startVideoOnce(std::string* error) {
    static std::mutex lock;
    static bool started = false;
    static std::string failure;
    const std::lock_guard<std::mutex> guard(lock);
    if (started)
        return true;
    if (!failure.empty()) {
        setError(error, failure);
        return false;
    }
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        failure = std::string("Cannot start the video subsystem: ") + SDL_GetError();
        setError(error, failure);
        return false;
    }
    if (SDL_GL_LoadLibrary(nullptr) != 0) {
        failure = std::string("Cannot load the OpenGL library: ") + SDL_GetError();
        setError(error, failure);
        return false;
    }
    started = true;
    return true;
}

void setAttributes(const PlatformGLContextSettings& settings, const PlatformPixelFormat& attempt) {
    SDL_GL_ResetAttributes();
    const bool lowColor = settings.colorBits == 16;
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, lowColor ? 5 : 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, lowColor ? 6 : 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, lowColor ? 5 : 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, lowColor ? 0 : 8);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    platformSetPixelFormat(attempt);
    // The fixed-function pipeline needs a compatibility context.
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
}

bool tryCreate(const PlatformGLContextSettings& settings, const PlatformPixelFormat& attempt, PlatformGLContext& out,
               std::string& error) {
    setAttributes(settings, attempt);
    SDL_Window* window = SDL_CreateWindow("", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, settings.width,
                                          settings.height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!window) {
        error = std::string("Cannot create a hidden window: ") + SDL_GetError();
        return false;
    }
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (!context) {
        error = std::string("Cannot create a GL context: ") + SDL_GetError();
        SDL_DestroyWindow(window);
        return false;
    }
    out.window = window;
    out.context = context;
    return true;
}

} // namespace

void* platformGLGetProcAddress(const char* name) { return name ? SDL_GL_GetProcAddress(name) : nullptr; }

PlatformGLContext* platformGLCreateHiddenContext(const PlatformGLContextSettings& settings, std::string* error) {
    if (settings.width <= 0 || settings.height <= 0) {
        setError(error, "Cannot create a GL context of an empty size.");
        return nullptr;
    }
    if (!startVideoOnce(error))
        return nullptr;
    // The full request first, then step by step less, as the hardware allows.
    PlatformPixelFormat attempts[PlatformPixelFormatStepsMax];
    const int count = platformPixelFormatSteps(
        {settings.depthBits > 0 ? settings.depthBits : 24, settings.stencil, settings.samples}, attempts);
    std::string lastError;
    auto* result = new PlatformGLContext;
    for (int i = 0; i < count; ++i) {
        if (tryCreate(settings, attempts[i], *result, lastError)) {
            SDL_GL_ResetAttributes();
            return result;
        }
    }
    SDL_GL_ResetAttributes();
    delete result;
    setError(error, lastError);
    return nullptr;
}

void platformGLDestroyContext(PlatformGLContext* context) {
    if (!context)
        return;
    if (SDL_GL_GetCurrentContext() == context->context)
        SDL_GL_MakeCurrent(context->window, nullptr);
    SDL_GL_DeleteContext(context->context);
    SDL_DestroyWindow(context->window);
    delete context;
}

bool platformGLMakeCurrent(PlatformGLContext* context) {
    return context && SDL_GL_MakeCurrent(context->window, context->context) == 0;
}

bool platformGLSwapBuffers(PlatformGLContext* context) {
    if (!context)
        return false;
    SDL_GL_SwapWindow(context->window);
    return true;
}

bool platformGLSetSwapInterval(int32_t interval) { return SDL_GL_SetSwapInterval(interval) == 0; }

void* platformGLWindowHandle(const PlatformGLContext* context) { return context ? context->window : nullptr; }

void* platformGLContextHandle(const PlatformGLContext* context) { return context ? context->context : nullptr; }
