#include "engine/video/GLMaterialRenderers.h"

#include "engine/video/CQuadBatch.h"
#include "engine/video/MaterialTypes.h"
#include "tests/engine/video/GLDriverTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

using GLMaterialRenderersTest = GLDriverTest;

struct Rgba {
    float r, g, b, a;
};

Rgba toRgba(CColor c) {
    return {static_cast<float>(c.red()) / 255.0f, static_cast<float>(c.green()) / 255.0f,
            static_cast<float>(c.blue()) / 255.0f, static_cast<float>(c.alpha()) / 255.0f};
}

CColor toColor(const Rgba& c) {
    auto byte = [](float v) { return static_cast<uint32_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)); };
    return CColor(255, byte(c.r), byte(c.g), byte(c.b));
}

TEST_F(GLMaterialRenderersTest, SpriteTypesBlendAsTheirNamesSay) {
    const CColor background(255, 200, 100, 0);
    const CColor texel(128, 100, 50, 250);
    const CColor vertex(200, 255, 128, 255);
    const Rgba t = toRgba(texel), v = toRgba(vertex), d = toRgba(background);
    // The source colour of each type, and how it meets the background.
    const Rgba modulated{t.r * v.r, t.g * v.g, t.b * v.b, t.a * v.a};
    const Rgba added{std::min(1.0f, t.r + v.r), std::min(1.0f, t.g + v.g), std::min(1.0f, t.b + v.b), t.a * v.a};
    auto over = [&d](const Rgba& s) {
        return Rgba{s.r * s.a + d.r * (1 - s.a), s.g * s.a + d.g * (1 - s.a), s.b * s.a + d.b * (1 - s.a), 1};
    };
    auto plus = [&d](const Rgba& s) { return Rgba{s.r * s.a + d.r, s.g * s.a + d.g, s.b * s.a + d.b, 1}; };
    const struct {
        const char* what;
        int32_t type;
        bool additive;
        CColor expected;
    } cases[] = {
        {"sprite_color_modulate", MaterialType::SpriteColorModulate, false, toColor(over(modulated))},
        {"sprite_color_modulate, additive", MaterialType::SpriteColorModulate, true, toColor(plus(modulated))},
        {"sprite_color_add", MaterialType::SpriteColorAdd, false, toColor(over(added))},
        {"sprite_color_add, additive", MaterialType::SpriteColorAdd, true, toColor(plus(added))},
    };

    CRefHandle<CPixelImage> image =
        makeImage(ColorFormat::A8R8G8B8, 2, 2, [&texel](uint32_t, uint32_t) { return texel; });
    CRefHandle<IDriverTexture> texture(driver().makeDriverTexture(image.get()));
    CRefHandle<CImageTexture> content = wrapTexture(texture.get());
    ASSERT_TRUE(driver().beginFrame(true, true, background, nullptr, nullptr));
    CQuadBatch* batch = driver().quadBatch();
    batch->begin();
    float x = 0.0f;
    for (const auto& c : cases) {
        Material material = spriteMaterial(c.type, content.get());
        material.additive = c.additive;
        addQuad(driver(), material, x, 0.0f, 4.0f, 4.0f, vertex);
        x += 8.0f;
    }
    batch->end();
    CRefHandle<CPixelImage> shot = screenshot();
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].what);
        const CColor got = shot->pixelAt(static_cast<uint32_t>(i * 8 + 1), 1);
        EXPECT_TRUE(rgbNear(got, cases[i].expected, 2)) << got << " expected " << cases[i].expected;
    }
}

// The two-texture sprite types that have no renderer of their own draw as
// "sprite_2t_alpha_modulate_color_modulate", whatever was drawn before them.
TEST_F(GLMaterialRenderersTest, TwoTextureSpriteTypesDrawAsTheFirstOfThem) {
    const CColor background(255, 200, 100, 0);
    const CColor texel(128, 100, 50, 250);
    const Rgba t = toRgba(texel), d = toRgba(background);
    // Both layers hold the texel; unit 1 modulates (its first environment).
    const Rgba s{t.r * t.r, t.g * t.g, t.b * t.b, t.a * t.a};
    const CColor expected =
        toColor(Rgba{s.r * s.a + d.r * (1 - s.a), s.g * s.a + d.g * (1 - s.a), s.b * s.a + d.b * (1 - s.a), 1});
    CRefHandle<CPixelImage> image =
        makeImage(ColorFormat::A8R8G8B8, 2, 2, [&texel](uint32_t, uint32_t) { return texel; });
    CRefHandle<IDriverTexture> texture(driver().makeDriverTexture(image.get()));
    CRefHandle<CImageTexture> content = wrapTexture(texture.get());
    CRefHandle<CPixelImage> otherImage =
        makeImage(ColorFormat::A8R8G8B8, 2, 2, [](uint32_t, uint32_t) { return CColor(0xFF00FF00); });
    CRefHandle<IDriverTexture> otherTexture(driver().makeDriverTexture(otherImage.get()));
    CRefHandle<CImageTexture> other = wrapTexture(otherTexture.get());

    const int32_t types[] = {MaterialType::Sprite2TAlphaModulateColorModulate,
                             MaterialType::Sprite2TAlphaModulateColorAdd, MaterialType::Sprite2TAlphaModulateColor2};
    for (int32_t type : types) {
        SCOPED_TRACE(type);
        ASSERT_TRUE(driver().beginFrame(true, true, background, nullptr, nullptr));
        driver().quadBatch()->begin();
        // Another texture, added to the background, just before.
        Material before = spriteMaterial(MaterialType::SpriteColorAdd, other.get());
        before.additive = true;
        addQuad(driver(), before, 8, 0, 2, 2, CColor(0xFFFFFFFF));
        Material material = spriteMaterial(type, content.get());
        material.layers[1].texture = content.get();
        addQuad(driver(), material, 0, 0, 2, 2, CColor(0xFFFFFFFF));
        driver().quadBatch()->end();
        const CColor got = pixel(1, 1);
        EXPECT_TRUE(rgbNear(got, expected, 2)) << got << " expected " << expected;
        ASSERT_TRUE(driver().endFrame());
    }
}

TEST_F(GLMaterialRenderersTest, SpritesDoNotWriteDepthAndTheNextTypeDoes) {
    CRefHandle<CPixelImage> image =
        makeImage(ColorFormat::A8R8G8B8, 1, 1, [](uint32_t, uint32_t) { return CColor(0xFFFFFFFF); });
    CRefHandle<IDriverTexture> texture(driver().makeDriverTexture(image.get()));
    CRefHandle<CImageTexture> content = wrapTexture(texture.get());
    ASSERT_TRUE(driver().beginFrame(true, true, CColor(0xFF000000), nullptr, nullptr));
    driver().quadBatch()->begin();
    // A sprite near the viewer, then a solid quad behind it: the sprite
    // wrote no depth, so the solid one covers it.
    BatchVertex near[4], far[4];
    const float corners[4][2] = {{0, 0}, {4, 0}, {4, 4}, {0, 4}};
    for (int i = 0; i < 4; ++i) {
        near[i].x = far[i].x = corners[i][0];
        near[i].y = far[i].y = corners[i][1];
        near[i].z = -5000.0f;
        far[i].z = 5000.0f;
        near[i].color = CColor(255, 255, 0, 0);
        far[i].color = CColor(255, 0, 255, 0);
    }
    CBatchQuad quad;
    quad.material = nullptr;
    Material sprite = spriteMaterial(MaterialType::SpriteColorModulate, content.get());
    std::copy(near, near + 4, quad.vertices);
    quad.material = &sprite;
    driver().quadBatch()->addQuadVertices(&quad);
    Material solid = spriteMaterial(MaterialType::Solid, nullptr);
    std::copy(far, far + 4, quad.vertices);
    quad.material = &solid;
    driver().quadBatch()->addQuadVertices(&quad);
    // And a solid quad in front of that, which writes depth: a later far
    // solid quad stays hidden.
    for (int i = 0; i < 4; ++i) {
        near[i].x += 8;
        far[i].x += 8;
        near[i].color = CColor(255, 0, 0, 255);
    }
    std::copy(near, near + 4, quad.vertices);
    driver().quadBatch()->addQuadVertices(&quad);
    std::copy(far, far + 4, quad.vertices);
    driver().quadBatch()->addQuadVertices(&quad);
    driver().quadBatch()->end();
    EXPECT_EQ(pixel(1, 1), CColor(255, 0, 255, 0));
    EXPECT_EQ(pixel(9, 1), CColor(255, 0, 0, 255));
}

TEST_F(GLMaterialRenderersTest, AlphaChannelTypesTestAgainstTheirReference) {
    // Texels of alpha 0x40, 0x90 and 0xF0; type 13 passes above param1 (0
    // standing for 0.5), type 14 above one half and draws the texture as it is.
    CRefHandle<CPixelImage> image = makeImage(ColorFormat::A8R8G8B8, 3, 1, [](uint32_t x, uint32_t) {
        static const uint32_t alphas[3] = {0x40, 0x90, 0xF0};
        return CColor(alphas[x], 255, 255, 255);
    });
    CRefHandle<IDriverTexture> texture(driver().makeDriverTexture(image.get()));
    CRefHandle<CImageTexture> content = wrapTexture(texture.get());
    const struct {
        const char* what;
        int32_t type;
        float param1;
        bool drawn[3];
    } cases[] = {
        {"trans_alphach, reference 0 (one half)", MaterialType::TransparentAlphaChannel, 0.0f, {false, true, true}},
        {"trans_alphach, reference 0.2", MaterialType::TransparentAlphaChannel, 0.2f, {true, true, true}},
        {"trans_alphach, reference 0.9", MaterialType::TransparentAlphaChannel, 0.9f, {false, false, true}},
        {"trans_alphach_ref", MaterialType::TransparentAlphaChannelRef, 0.0f, {false, true, true}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(driver().beginFrame(true, true, CColor(0xFF000000), nullptr, nullptr));
        driver().quadBatch()->begin();
        Material material = spriteMaterial(c.type, content.get());
        material.param1 = c.param1;
        addQuad(driver(), material, 0, 0, 3, 1, CColor(0xFFFFFFFF));
        driver().quadBatch()->end();
        CRefHandle<CPixelImage> shot = screenshot();
        for (uint32_t x = 0; x < 3; ++x)
            EXPECT_EQ(shot->pixelAt(x, 0) != CColor(0xFF000000), c.drawn[x]) << "texel " << x;
    }
}

TEST_F(GLMaterialRenderersTest, EveryRegisteredTypeDraws) {
    CRefHandle<CPixelImage> image =
        makeImage(ColorFormat::A8R8G8B8, 2, 2, [](uint32_t, uint32_t) { return CColor(0xFFC08040); });
    CRefHandle<IDriverTexture> texture(driver().makeDriverTexture(image.get()));
    CRefHandle<CImageTexture> content = wrapTexture(texture.get());
    ASSERT_TRUE(driver().beginFrame(true, true, CColor(0xFF000000), nullptr, nullptr));
    driver().quadBatch()->begin();
    float x = 0.0f;
    for (int32_t type = 0; type < MaterialType::BuiltInCount; ++type) {
        Material material = spriteMaterial(type, content.get());
        material.layers[1].texture = content.get();
        if (type == MaterialType::OneTextureBlend)
            material.param1 = static_cast<float>((1 << 16) | (6 << 8) | 7); // alpha blending, scale 1
        addQuad(driver(), material, x, 0.0f, 2.0f, 2.0f, CColor(0xFFFFFFFF));
        x += 2.0f;
    }
    driver().quadBatch()->end();
    EXPECT_EQ(driver().gl().glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    ASSERT_TRUE(driver().endFrame());
    EXPECT_EQ(driver().primitiveCount(0), 2u * MaterialType::BuiltInCount);
}

} // namespace
