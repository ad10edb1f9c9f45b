#pragma once

// Shared by the image fuzz targets: the input as a named memory file, and a
// pass over every pixel of a decoded image so that a short or misplaced
// pixel block shows up under the sanitizers.

#include "engine/content/CPixelImage.h"
#include "engine/core/CLog.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CStringW.h"
#include "engine/io/CBufferFile.h"
#include "engine/io/IReadableFile.h"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>

inline void quietLog() {
    // Damaged input logs errors; printing them would only slow the run.
    CLog::instance()->setThreshold(CLog::User + 1);
}

inline CRefHandle<IReadableFile> fuzzFile(const uint8_t* data, size_t size, const char16_t* name) {
    auto* copy = new uint8_t[size + 1];
    std::memcpy(copy, data, size);
    return CRefHandle<IReadableFile>(new CBufferFile(copy, int32_t(size), CStringW(name), true));
}

inline void touchEveryPixel(const CPixelImage& image) {
    if (image.width() == 0 || image.height() == 0 || image.pitch() != image.width() * image.bytesPerPixel())
        __builtin_trap();
    uint32_t sum = 0;
    for (uint32_t y = 0; y < image.height(); ++y)
        for (uint32_t x = 0; x < image.width(); ++x)
            sum += image.pixelAt(x, y).value;
    // Keeps the loop from being optimised away.
    if (sum == 0x12345678 && image.width() == 0x7FFFFFFF)
        __builtin_trap();
}
