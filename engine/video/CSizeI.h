#pragma once

#include <cstdint>

// A size in whole pixels: texture, screen and render-target sizes.
class CSizeI {
public:
    constexpr CSizeI() = default;
    constexpr CSizeI(int32_t widthValue, int32_t heightValue) : width(widthValue), height(heightValue) {}

    friend constexpr bool operator==(const CSizeI& a, const CSizeI& b) = default;

    int32_t width = 0;
    int32_t height = 0;
};
