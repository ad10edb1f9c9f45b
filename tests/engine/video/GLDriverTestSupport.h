#pragma once

#include "engine/content/CPixelImage.h"
#include "engine/core/CColor.h"
#include "engine/core/CRefHandle.h"
#include "engine/video/CGLDriver.h"
#include "engine/video/CImageTexture.h"
#include "engine/video/IDriverTexture.h"
#include "engine/video/Material.h"
#include "tests/engine/video/GLTestContext.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <ostream>

class CVirtualFileSystem;

// A GL driver on a hidden context of ScreenWidth x ScreenHeight for each
// test; the test is skipped when the machine can make no GL context at all.
class GLDriverTest : public ::testing::Test {
public:
    static constexpr int32_t ScreenWidth = 64;
    static constexpr int32_t ScreenHeight = 48;

protected:
    void SetUp() override;
    void TearDown() override;

    // Makes the driver again with `fileSystem` (may be null).
    void restartDriver(CVirtualFileSystem* fileSystem);

    [[nodiscard]] CGLDriver& driver() { return *m_driver; }
    // The frame as drawn so far (RGB, alpha 255).
    [[nodiscard]] CRefHandle<CPixelImage> screenshot();
    // The screen's pixel at (x, y), from a fresh screenshot.
    [[nodiscard]] CColor pixel(int32_t x, int32_t y);

    CRefHandle<CGLTestContext> m_context;
    CRefHandle<CGLDriver> m_driver;
};

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
void addQuad(CGLDriver& driver, const Material& material, float x, float y, float width, float height, CColor color);

// Channels within `tolerance` of each other (alpha ignored).
[[nodiscard]] bool rgbNear(CColor a, CColor b, int tolerance);

inline std::ostream& operator<<(std::ostream& out, const CColor& color) {
    return out << "argb(" << color.alpha() << ", " << color.red() << ", " << color.green() << ", " << color.blue()
               << ")";
}
