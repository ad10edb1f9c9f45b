#pragma once

#include "engine/core/CColor.h"

// A colour as four floats, each 0 to 1.
class CColorf {
public:
    constexpr CColorf() = default;
    constexpr CColorf(float red, float green, float blue, float alpha) : r(red), g(green), b(blue), a(alpha) {}
    // Each channel of `color` times 1/255.
    explicit CColorf(const CColor& color);

    // Each channel times 255, truncated; channels outside [0, 1] saturate.
    [[nodiscard]] CColor toColor() const;

    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
    float a = 0.0f;
};
