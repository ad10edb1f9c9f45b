#include "tests/engine/video/DriverTestSupport.h"

#include "engine/core/CObjectName.h"
#include "engine/core/CStringW.h"
#include "engine/core/CVector2d.h"
#include "engine/video/CQuadBatch.h"
#include "engine/video/IGraphicsDriver.h"

#include <array>
#include <cstdlib>

CRefHandle<CPixelImage> makeImage(ColorFormat format, uint32_t width, uint32_t height,
                                  const std::function<CColor(uint32_t, uint32_t)>& color) {
    CRefHandle<CPixelImage> image(CPixelImage::create(CObjectName(), format, width, height));
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            image->putPixel(x, y, color(x, y));
    return image;
}

CRefHandle<CImageTexture> wrapTexture(IDriverTexture* texture) {
    return CRefHandle<CImageTexture>(new CImageTexture(CObjectName(), CStringW(), texture));
}

Material spriteMaterial(int32_t type, CImageTexture* texture, bool bilinear) {
    Material material;
    material.materialType = type;
    material.lighting = false;
    material.layers[0].texture = texture;
    material.layers[0].bilinear = bilinear;
    return material;
}

void addQuad(IGraphicsDriver& driver, const Material& material, float x, float y, float width, float height,
             CColor color) {
    const std::array<CVector2d, 4> corners = {CVector2d(x, y), CVector2d(x + width, y),
                                              CVector2d(x + width, y + height), CVector2d(x, y + height)};
    const std::array<CVector2d, 4> coordinates = {CVector2d(0.0f, 0.0f), CVector2d(1.0f, 0.0f), CVector2d(1.0f, 1.0f),
                                                  CVector2d(0.0f, 1.0f)};
    driver.quadBatch()->addQuad(&material, corners, coordinates, 0.0f, color);
}

bool rgbNear(CColor a, CColor b, int tolerance) {
    auto close = [tolerance](uint32_t x, uint32_t y) { return std::abs(int(x) - int(y)) <= tolerance; };
    return close(a.red(), b.red()) && close(a.green(), b.green()) && close(a.blue(), b.blue());
}

uint32_t differingPixels(const CPixelImage& a, const CPixelImage& b, int tolerance) {
    if (a.width() != b.width() || a.height() != b.height())
        return a.width() * a.height() + 1;
    uint32_t count = 0;
    for (uint32_t y = 0; y < a.height(); ++y)
        for (uint32_t x = 0; x < a.width(); ++x)
            if (!rgbNear(a.pixelAt(x, y), b.pixelAt(x, y), tolerance))
                ++count;
    return count;
}
