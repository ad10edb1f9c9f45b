#pragma once

#include "engine/content/CPixelImage.h"
#include "engine/core/CColor.h"
#include "engine/core/CRefHandle.h"
#include "engine/video/CGLDriver.h"
#include "engine/video/CImageTexture.h"
#include "engine/video/IDriverTexture.h"
#include "engine/video/Material.h"
#include "tests/engine/video/DriverTestSupport.h"
#include "tests/engine/video/GLTestContext.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <ostream>

class CVirtualFileSystem;

// A 32-bit GL driver with a stencil buffer drawing `width` x `height` on
// `context` (one reference for the caller), or null.
[[nodiscard]] CGLDriver* createTestGLDriver(CGLTestContext* context, int32_t width, int32_t height,
                                            CVirtualFileSystem* fileSystem);

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
