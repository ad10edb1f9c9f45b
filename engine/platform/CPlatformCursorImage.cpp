#include "engine/platform/CPlatformCursorImage.h"

#include <SDL.h>

CPlatformCursorImage::CPlatformCursorImage(void* cursor) : m_cursor(cursor) {}

CPlatformCursorImage::~CPlatformCursorImage() {
    // Freeing the shape in use puts the default one back.
    SDL_FreeCursor(static_cast<SDL_Cursor*>(m_cursor));
}

std::unique_ptr<CPlatformCursorImage> CPlatformCursorImage::create(const uint32_t* pixels, int32_t width,
                                                                   int32_t height, int32_t hotX, int32_t hotY,
                                                                   std::string* error) {
    auto fail = [error](const char* text) -> std::unique_ptr<CPlatformCursorImage> {
        if (error)
            *error = text ? text : SDL_GetError();
        return nullptr;
    };
    if (!pixels || width <= 0 || height <= 0 || width > 1024 || height > 1024)
        return fail("bad cursor size");
    if (hotX < 0 || hotY < 0 || hotX >= width || hotY >= height)
        return fail("hot spot outside the cursor");
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0)
        return fail("the video system is not started");
    // The surface only reads the pixels; the cursor keeps a copy of its own.
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(pixels), width, height, 32,
                                                              width * 4, SDL_PIXELFORMAT_ARGB8888);
    if (!surface)
        return fail(nullptr);
    SDL_Cursor* cursor = SDL_CreateColorCursor(surface, hotX, hotY);
    SDL_FreeSurface(surface);
    if (!cursor)
        return fail(nullptr);
    return std::unique_ptr<CPlatformCursorImage>(new CPlatformCursorImage(cursor));
}

void CPlatformCursorImage::use() { SDL_SetCursor(static_cast<SDL_Cursor*>(m_cursor)); }
