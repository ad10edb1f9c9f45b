#include "game/app/GScreenshot.h"

#include "engine/content/CPixelImage.h"

#include <algorithm>

void mergeScreenshotAlpha(CPixelImage& onBlack, const CPixelImage& onWhite) {
    const uint32_t width = std::min(onBlack.width(), onWhite.width());
    const uint32_t height = std::min(onBlack.height(), onWhite.height());
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const CColor a = onBlack.pixelAt(x, y);
            const int32_t alpha = int32_t(a.red()) - int32_t(onWhite.pixelAt(x, y).red()) + 255;
            const uint32_t clamped = uint32_t(std::clamp(alpha, 0, 255));
            onBlack.putPixel(x, y, CColor((clamped << 24) | (a.value & 0x00FFFFFFu)));
        }
    }
}

CStringW nextScreenshotPath(const CStringW& folder, const std::function<bool(const CStringW&)>& exists) {
    for (unsigned n = 0;; ++n) {
        CStringW path = folder + u"/screenshot" + n + u".png";
        if (!exists(path))
            return path;
    }
}
