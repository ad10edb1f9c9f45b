// The GL driver on an implementation that reports OpenGL 2.1 (this program
// runs with MESA_GL_VERSION_OVERRIDE=2.1), so that nothing newer is used.
#include "engine/video/CGLDriver.h"
#include "engine/video/CQuadBatch.h"
#include "engine/video/MaterialTypes.h"
#include "tests/engine/video/GLDriverTestSupport.h"

#include <gtest/gtest.h>

namespace {

using CGLDriverVersion21Test = GLDriverTest;

TEST_F(CGLDriverVersion21Test, DrawsTexturesTargetsAndShadersOnVersion21) {
    CGLDriver& gl = driver();
    ASSERT_EQ(gl.extensions().version, 201) << "This program must run with MESA_GL_VERSION_OVERRIDE=2.1.";
    EXPECT_EQ(gl.driverName(), CStringW(u"OpenGL 2.1"));

    CRefHandle<CPixelImage> image =
        makeImage(ColorFormat::R5G6B5, 3, 3, [](uint32_t x, uint32_t y) { return CColor(255, x * 120, y * 120, 248); });
    CRefHandle<IDriverTexture> texture(gl.makeDriverTexture(image.get()));
    CRefHandle<CImageTexture> content = wrapTexture(texture.get());
    ASSERT_TRUE(gl.beginFrame(true, true, CColor(0xFF000000), nullptr, nullptr));
    gl.quadBatch()->begin();
    addQuad(gl, spriteMaterial(MaterialType::SpriteColorModulate, content.get()), 0, 0, 3, 3, CColor(0xFFFFFFFF));
    gl.quadBatch()->end();
    CRefHandle<CPixelImage> shot = screenshot();
    for (uint32_t y = 0; y < 3; ++y)
        for (uint32_t x = 0; x < 3; ++x)
            EXPECT_TRUE(rgbNear(shot->pixelAt(x, y), image->pixelAt(x, y), 8)) << x << ", " << y;

    CRefHandle<IDriverTexture> target(gl.renderTargetTexture(CSizeI(8, 8), ColorFormat::A8R8G8B8));
    ASSERT_TRUE(target);
    ASSERT_TRUE(gl.setRenderTarget(target.get(), true, true, CColor(255, 0, 255, 0)));
    ASSERT_TRUE(gl.setRenderTarget(static_cast<IDriverTexture*>(nullptr), false, false, CColor(0)));
    const auto* data = static_cast<const uint32_t*>(target->lock(true));
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(CColor(data[0]), CColor(255, 0, 255, 0));
    target->unlock();

    if (gl.hasFeature(DriverFeature::ShadingLanguage)) {
        const int32_t type = gl.createCompiledShaderMaterial("void main() { gl_Position = ftransform(); }", "main", 0,
                                                             "void main() { gl_FragColor = vec4(0.0, 0.0, 1.0, 1.0); }",
                                                             "main", 0, nullptr, MaterialType::Solid, 0);
        ASSERT_GE(type, MaterialType::BuiltInCount);
        gl.quadBatch()->begin();
        addQuad(gl, spriteMaterial(type, nullptr), 10, 10, 4, 4, CColor(0xFFFFFFFF));
        gl.quadBatch()->end();
        EXPECT_EQ(pixel(11, 11), CColor(255, 0, 0, 255));
    }
    EXPECT_EQ(gl.gl().glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_TRUE(gl.endFrame());
}

} // namespace
