#include "engine/core/CColorf.h"

namespace {

constexpr float kInv255 = 1.0f / 255.0f;

uint32_t toByte(float channel) {
    const float scaled = channel * 255.0f;
    if (!(scaled > 0.0f))
        return 0;
    if (scaled >= 255.0f)
        return 255;
    return static_cast<uint32_t>(scaled);
}

} // namespace

CColorf::CColorf(const CColor& color)
    : r(static_cast<float>(color.red()) * kInv255), g(static_cast<float>(color.green()) * kInv255),
      b(static_cast<float>(color.blue()) * kInv255), a(static_cast<float>(color.alpha()) * kInv255) {}

CColor CColorf::toColor() const { return CColor(toByte(a), toByte(r), toByte(g), toByte(b)); }
