#pragma once

#include "engine/video/CSizeI.h"

#include <cstdint>

// A rectangle in whole pixels; right and bottom are exclusive.
class CRectI {
public:
    constexpr CRectI() = default;
    constexpr CRectI(int32_t leftValue, int32_t topValue, int32_t rightValue, int32_t bottomValue)
        : left(leftValue), top(topValue), right(rightValue), bottom(bottomValue) {}

    [[nodiscard]] constexpr int32_t width() const { return right - left; }
    [[nodiscard]] constexpr int32_t height() const { return bottom - top; }
    [[nodiscard]] constexpr CSizeI size() const { return {width(), height()}; }

    friend constexpr bool operator==(const CRectI& a, const CRectI& b) = default;

    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};
