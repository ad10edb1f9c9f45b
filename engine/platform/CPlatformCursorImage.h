#pragma once

#include <cstdint>
#include <memory>
#include <string>

// A pointer shape made from pixels, with its hot spot. Main thread only.
// Destroying the shape in use puts the system's arrow back.
class CPlatformCursorImage {
public:
    ~CPlatformCursorImage();
    CPlatformCursorImage(const CPlatformCursorImage&) = delete;
    CPlatformCursorImage& operator=(const CPlatformCursorImage&) = delete;

    // A shape from `pixels`: width x height 32-bit values 0xAARRGGBB, rows
    // from the top, no padding. Null, with the reason in `error`, when the
    // size is empty, the hot spot outside, or the system cannot make it.
    [[nodiscard]] static std::unique_ptr<CPlatformCursorImage>
    create(const uint32_t* pixels, int32_t width, int32_t height, int32_t hotX, int32_t hotY, std::string* error);

    // Makes this the pointer's shape.
    void use();

private:
    explicit CPlatformCursorImage(void* cursor);

    void* m_cursor;
};
