#pragma once

#include "engine/content/CPixelImage.h"
#include "engine/core/CColor.h"
#include "engine/core/CRefHandle.h"
#include "engine/video/CImageTexture.h"
#include "engine/video/IDriverTexture.h"
#include "engine/video/Material.h"

#include <cstdint>
#include <functional>
#include <ostream>

class IGraphicsDriver;

// Fixtures and comparisons every driver's tests share.

// A new image of `format` with each pixel from `color`.
[[nodiscard]] CRefHandle<CPixelImage> makeImage(ColorFormat format, uint32_t width, uint32_t height,
                                                const std::function<CColor(uint32_t, uint32_t)>& color);
// An image texture (content) over `texture`.
[[nodiscard]] CRefHandle<CImageTexture> wrapTexture(IDriverTexture* texture);
// A 2D material of `type` drawing `texture` unlit, with nearest filtering
// unless `bilinear`.
[[nodiscard]] Material spriteMaterial(int32_t type, CImageTexture* texture, bool bilinear = false);
// Adds a quad of `material` covering (x, y, x + width, y + height) with the
// whole texture and `color` to the driver's batch.
void addQuad(IGraphicsDriver& driver, const Material& material, float x, float y, float width, float height,
             CColor color);

// Channels within `tolerance` of each other (alpha ignored).
[[nodiscard]] bool rgbNear(CColor a, CColor b, int tolerance);
// Pixels whose channels differ by more than `tolerance` between the images
// (alpha ignored); every pixel counts when the sizes differ.
[[nodiscard]] uint32_t differingPixels(const CPixelImage& a, const CPixelImage& b, int tolerance);

inline std::ostream& operator<<(std::ostream& out, const CColor& color) {
    return out << "argb(" << color.alpha() << ", " << color.red() << ", " << color.green() << ", " << color.blue()
               << ")";
}
