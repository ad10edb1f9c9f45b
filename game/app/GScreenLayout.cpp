#include "game/app/GScreenLayout.h"

#include <cmath>

GScreenAlignment alignScreen(int32_t width, int32_t height) {
    GScreenAlignment a;
    if (width <= 0 || height <= 0)
        return a;
    a.usable = true;
    const float w = float(width);
    const float h = float(height);
    a.screenRatio = w / h;
    a.designRatio = kDesignWidth / kDesignHeight;
    a.difference = std::fabs(a.screenRatio - a.designRatio) / a.designRatio;
    // The fitted sizes are worked out in double precision: in single
    // precision 1024 / (1024 / 768) rounds up to 768 before truncation.
    const int32_t fittedHeight = int32_t(double(w) / double(a.designRatio));
    const int32_t fittedWidth = int32_t(double(h) * double(a.designRatio));

    if (a.difference < 0.1f) {
        a.stretched = true;
        a.position = {0.0f, 0.0f};
        a.scale = {w / kDesignWidth, h / kDesignHeight};
        a.firstBar = {0, 0, 0, height};
        a.secondBar = {width, 0, width, height};
    } else if (fittedWidth > width) {
        // Narrower than 4:3: bars above and below.
        const float s = w / kDesignWidth;
        const float top = float(height - fittedHeight) * 0.5f;
        const int32_t barHeight = int32_t(top);
        a.position = {0.0f, top};
        a.scale = {s, s};
        a.firstBar = {0, 0, width, barHeight};
        a.secondBar = {0, barHeight + fittedHeight, width, height};
    } else {
        // Wider: bars left and right, outside a picture of ratio 1.6 only.
        const float s = h / kDesignHeight;
        a.position = {float(width - fittedWidth) * 0.5f, 0.0f};
        a.scale = {s, s};
        const float outside = w * ((a.screenRatio - 1.6f) / a.screenRatio) * 0.5f;
        const int32_t barWidth = int32_t(std::ceil(outside)) + 1;
        a.firstBar = {0, 0, barWidth, height};
        a.secondBar = {width - barWidth, 0, width, height};
    }
    return a;
}

int32_t videoDriverFromSetting(int32_t stored) { return stored >= 1 && stored <= 3 ? stored : 2; }
