#include "engine/core/CColor.h"

namespace {

// Truncates towards zero into 0..255; out-of-range channels saturate rather
// than wrap (and never reach an undefined float-to-integer conversion).
uint32_t truncateChannel(float channel) {
    if (!(channel > 0.0f))
        return 0;
    if (channel >= 255.0f)
        return 255;
    return static_cast<uint32_t>(channel);
}

} // namespace

CColor CColor::lerp(const CColor& other, float t) const {
    const float inverse = 1.0f - t;
    // A channel equal in both colours stays as it is: the two float products
    // may sum to just below it (255 at one third gives 254.99998), which
    // truncation would turn into a step down.
    auto mix = [&](uint32_t mine, uint32_t theirs) {
        if (mine == theirs)
            return mine;
        return truncateChannel(static_cast<float>(mine) * t + static_cast<float>(theirs) * inverse);
    };
    return CColor(mix(alpha(), other.alpha()), mix(red(), other.red()), mix(green(), other.green()),
                  mix(blue(), other.blue()));
}

CColor CColor::modulate(const CColor& other) const {
    constexpr float kInv255 = 1.0f / 255.0f;
    auto product = [&](uint32_t mine, uint32_t theirs) {
        return truncateChannel(static_cast<float>(mine) * static_cast<float>(theirs) * kInv255);
    };
    return CColor(product(alpha(), other.alpha()), product(red(), other.red()), product(green(), other.green()),
                  product(blue(), other.blue()));
}
