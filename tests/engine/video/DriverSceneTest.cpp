#include "tests/engine/video/DriverSceneTest.h"

#include "engine/core/CEngineCreationParams.h"
#include "engine/core/CVector2di.h"
#include "engine/video/CQuadBatch.h"
#include "engine/video/MaterialTypes.h"
#include "engine/video/MeshVertices.h"

#include <algorithm>
#include <cmath>
#include <cstring>

std::string sceneDriverName(const testing::TestParamInfo<SceneDriverKind>& info) { return info.param.name; }

void PrintTo(const SceneDriverKind& kind, std::ostream* out) { *out << kind.name; }

void DriverSceneTest::SetUp() {
    CEngineCreationParams params;
    params.driverType = GetParam().driverType;
    params.width = ScreenWidth;
    params.height = ScreenHeight;
    params.colorBits = 32;
    params.stencil = true;
    std::string error;
    m_made = GetParam().make(params, &error);
    if (!m_made.driver) {
        if (GetParam().optional)
            GTEST_SKIP() << GetParam().name << " cannot be made on this machine: " << error;
        FAIL() << GetParam().name << " did not start: " << error;
    }
}

void DriverSceneTest::TearDown() {
    m_made.driver.reset();
    m_made.target.reset();
}

CRefHandle<CPixelImage> DriverSceneTest::screenshot() {
    CRefHandle<CPixelImage> shot(driver().takeScreenshot());
    EXPECT_TRUE(shot) << "no screenshot";
    return shot;
}

CRefHandle<IDriverTexture> DriverSceneTest::upload(CPixelImage* image) {
    CRefHandle<IDriverTexture> texture(driver().makeDriverTexture(image));
    EXPECT_TRUE(texture) << "no texture";
    return texture;
}

namespace {

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

Rgba times(const Rgba& a, const Rgba& b) { return {a.r * b.r, a.g * b.g, a.b * b.b, a.a * b.a}; }

// `source` weighted by its alpha over `destination`, or added to it.
Rgba over(const Rgba& s, const Rgba& d) {
    return {s.r * s.a + d.r * (1 - s.a), s.g * s.a + d.g * (1 - s.a), s.b * s.a + d.b * (1 - s.a), 1};
}
Rgba plus(const Rgba& s, const Rgba& d) { return {s.r * s.a + d.r, s.g * s.a + d.g, s.b * s.a + d.b, 1}; }

// A 4 x 4 image whose texels all differ.
CRefHandle<CPixelImage> checkerImage() {
    return makeImage(ColorFormat::A8R8G8B8, 4, 4,
                     [](uint32_t x, uint32_t y) { return CColor(255, 40 + x * 50, 30 + y * 60, (x * 4 + y) * 15); });
}

// Checks the pixel at (x, y) of `shot` against `expected`.
#define EXPECT_PIXEL(shot, x, y, expected)                                                                             \
    do {                                                                                                               \
        const CColor got_ = (shot)->pixelAt(uint32_t(x), uint32_t(y));                                                 \
        EXPECT_TRUE(rgbNear(got_, (expected), DriverSceneTest::Tolerance))                                             \
            << "at " << (x) << ", " << (y) << ": " << got_ << ", expected " << (expected);                             \
    } while (false)

TEST_P(DriverSceneTest, ClearsFillsAndShootsTheTopRowFirst) {
    const CColor clear(255, 10, 200, 30);
    ASSERT_TRUE(driver().beginFrame(true, true, clear, nullptr, nullptr));
    CRefHandle<CPixelImage> shot = screenshot();
    ASSERT_TRUE(shot);
    ASSERT_EQ(shot->width(), uint32_t(ScreenWidth));
    ASSERT_EQ(shot->height(), uint32_t(ScreenHeight));
    for (uint32_t y = 0; y < shot->height(); y += 7)
        for (uint32_t x = 0; x < shot->width(); x += 5)
            EXPECT_PIXEL(shot, x, y, clear);

    const CColor red(255, 255, 0, 0), green(255, 0, 255, 0), blue(255, 0, 0, 255), white(0xFFFFFFFF);
    driver().applyMaterial(spriteMaterial(MaterialType::Solid, nullptr));
    driver().fillRect(red, CRectI(0, 0, ScreenWidth, 1), nullptr);
    driver().fillRect(green, CRectI(32, 24, ScreenWidth, ScreenHeight), nullptr);
    // Clipped to its lower half.
    const CRectI clip(0, 20, 64, 24);
    driver().fillRect(blue, CRectI(0, 16, 16, 24), &clip);
    // Corner colours top left, top right, bottom left, bottom right.
    driver().fillRectGradient(CRectI(16, 4, 32, 20), red, green, blue, white, nullptr);
    shot = screenshot();
    EXPECT_PIXEL(shot, 3, 0, red);
    EXPECT_PIXEL(shot, 3, 1, clear);
    EXPECT_PIXEL(shot, 40, 30, green);
    EXPECT_PIXEL(shot, 31, 23, clear);
    EXPECT_PIXEL(shot, 4, 19, clear);
    EXPECT_PIXEL(shot, 4, 20, blue);
    EXPECT_PIXEL(shot, 4, 23, blue);
    // Near each corner of the gradient its own colour, half way along the top
    // edge the mean of its two.
    const struct {
        int32_t x, y;
        CColor color;
    } corners[] = {{16, 4, red}, {31, 4, green}, {16, 19, blue}, {31, 19, white}};
    for (const auto& c : corners) {
        const CColor got = shot->pixelAt(uint32_t(c.x), uint32_t(c.y));
        EXPECT_TRUE(rgbNear(got, c.color, 40)) << c.x << ", " << c.y << ": " << got << ", expected " << c.color;
    }
    const CColor middle = shot->pixelAt(24, 4);
    EXPECT_TRUE(rgbNear(middle, CColor(255, 128, 128, 0), 24)) << middle;
    EXPECT_TRUE(driver().endFrame());
}

TEST_P(DriverSceneTest, TexturedQuadsAndImagesDrawTexelsExactly) {
    CRefHandle<CPixelImage> image = checkerImage();
    CRefHandle<IDriverTexture> texture = upload(image.get());
    ASSERT_TRUE(texture);
    CRefHandle<CImageTexture> content = wrapTexture(texture.get());
    const Material material = spriteMaterial(MaterialType::SpriteColorModulate, content.get());
    const CColor black(0xFF000000);

    ASSERT_TRUE(driver().beginFrame(true, true, black, nullptr, nullptr));
    driver().quadBatch()->begin();
    addQuad(driver(), material, 10.0f, 20.0f, 4.0f, 4.0f, CColor(0xFFFFFFFF)); // 1:1
    addQuad(driver(), material, 30.0f, 8.0f, 8.0f, 8.0f, CColor(0xFFFFFFFF));  // each texel 2 x 2
    driver().quadBatch()->end();
    // The texels (1, 1) to (2, 2), the last column cut by the clip.
    const CRectI clip(40, 30, 41, 40);
    driver().drawImagePart(texture.get(), CVector2di(40, 30), CRectI(1, 1, 3, 3), &clip, CColor(0xFFFFFFFF), false);
    // The texels (1, 0) to (2, 1) at their own size (the drivers filter
    // stretched images differently).
    driver().drawImageScaled(texture.get(), CRectI(48, 30, 50, 32), CRectI(1, 0, 3, 2), nullptr, nullptr, false);

    CRefHandle<CPixelImage> shot = screenshot();
    ASSERT_TRUE(shot);
    for (uint32_t y = 0; y < 4; ++y) {
        for (uint32_t x = 0; x < 4; ++x) {
            SCOPED_TRACE(testing::Message() << "texel " << x << ", " << y);
            const CColor texel = image->pixelAt(x, y);
            EXPECT_PIXEL(shot, 10 + x, 20 + y, texel);
            EXPECT_PIXEL(shot, 30 + 2 * x, 8 + 2 * y, texel);
            EXPECT_PIXEL(shot, 31 + 2 * x, 9 + 2 * y, texel);
        }
    }
    EXPECT_PIXEL(shot, 9, 20, black);
    EXPECT_PIXEL(shot, 14, 20, black);
    EXPECT_PIXEL(shot, 40, 30, image->pixelAt(1, 1));
    EXPECT_PIXEL(shot, 40, 31, image->pixelAt(1, 2));
    EXPECT_PIXEL(shot, 41, 30, black);
    EXPECT_PIXEL(shot, 48, 30, image->pixelAt(1, 0));
    EXPECT_PIXEL(shot, 49, 31, image->pixelAt(2, 1));
    EXPECT_PIXEL(shot, 50, 30, black);
    EXPECT_PIXEL(shot, 48, 32, black);
    ASSERT_TRUE(driver().endFrame());
}

// On a device that takes only power-of-two sizes a 3 x 3 image sits in a
// 4 x 4 texture: its images still show its own texels, not the padding.
TEST_P(DriverSceneTest, ImagesInPaddedTexturesShowOnlyTheirTexels) {
    driver().enableFeature(DriverFeature::NonPowerOfTwoTexture, false);
    CRefHandle<CPixelImage> image = makeImage(ColorFormat::A8R8G8B8, 3, 3, [](uint32_t x, uint32_t y) {
        return CColor(255, 40 + x * 80, 30 + y * 90, 200 - (x + y) * 40);
    });
    CRefHandle<IDriverTexture> texture = upload(image.get());
    ASSERT_TRUE(texture);
    EXPECT_EQ(texture->imageSize(), CSizeI(3, 3));
    ASSERT_TRUE(driver().beginFrame(true, true, CColor(0xFF000000), nullptr, nullptr));
    driver().drawImagePart(texture.get(), CVector2di(10, 10), CRectI(0, 0, 3, 3), nullptr, CColor(0xFFFFFFFF), false);
    driver().drawImageScaled(texture.get(), CRectI(20, 10, 23, 13), CRectI(0, 0, 3, 3), nullptr, nullptr, false);
    CRefHandle<CPixelImage> shot = screenshot();
    ASSERT_TRUE(shot);
    for (uint32_t y = 0; y < 3; ++y) {
        for (uint32_t x = 0; x < 3; ++x) {
            SCOPED_TRACE(testing::Message() << "texel " << x << ", " << y);
            EXPECT_PIXEL(shot, 10 + x, 10 + y, image->pixelAt(x, y));
            EXPECT_PIXEL(shot, 20 + x, 10 + y, image->pixelAt(x, y));
        }
    }
    ASSERT_TRUE(driver().endFrame());
}

// The sprite types the game draws with, over a background, with a vertex
// colour and the texel's alpha both below one.
TEST_P(DriverSceneTest, SpriteTypesBlendAsTheirNamesSay) {
    const CColor background(255, 200, 100, 0);
    const CColor texel(128, 100, 50, 250);
    const CColor vertex(200, 255, 128, 255);
    const Rgba t = toRgba(texel), v = toRgba(vertex), d = toRgba(background);
    const Rgba modulated = times(t, v);
    const Rgba added{std::min(1.0f, t.r + v.r), std::min(1.0f, t.g + v.g), std::min(1.0f, t.b + v.b), t.a * v.a};
    // Both layers hold the texel; the second modulates what the first made.
    const Rgba twoLayers = times(modulated, t);
    const struct {
        const char* what;
        int32_t type;
        bool additive;
        CColor expected;
    } cases[] = {
        {"sprite_color_modulate", MaterialType::SpriteColorModulate, false, toColor(over(modulated, d))},
        {"sprite_color_modulate, additive", MaterialType::SpriteColorModulate, true, toColor(plus(modulated, d))},
        {"sprite_color_add", MaterialType::SpriteColorAdd, false, toColor(over(added, d))},
        {"sprite_color_add, additive", MaterialType::SpriteColorAdd, true, toColor(plus(added, d))},
        {"sprite_2t_alpha_modulate_color_modulate", MaterialType::Sprite2TAlphaModulateColorModulate, false,
         toColor(over(twoLayers, d))},
    };

    CRefHandle<CPixelImage> image =
        makeImage(ColorFormat::A8R8G8B8, 2, 2, [&texel](uint32_t, uint32_t) { return texel; });
    CRefHandle<IDriverTexture> texture = upload(image.get());
    ASSERT_TRUE(texture);
    CRefHandle<CImageTexture> content = wrapTexture(texture.get());
    ASSERT_TRUE(driver().beginFrame(true, true, background, nullptr, nullptr));
    driver().quadBatch()->begin();
    float x = 0.0f;
    for (const auto& c : cases) {
        Material material = spriteMaterial(c.type, content.get());
        material.additive = c.additive;
        if (c.type == MaterialType::Sprite2TAlphaModulateColorModulate) {
            material.layerCount = 2;
            material.layers[1].texture = content.get();
        }
        addQuad(driver(), material, x, 0.0f, 4.0f, 4.0f, vertex);
        x += 8.0f;
    }
    driver().quadBatch()->end();
    CRefHandle<CPixelImage> shot = screenshot();
    ASSERT_TRUE(shot);
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].what);
        EXPECT_PIXEL(shot, i * 8 + 1, 1, cases[i].expected);
        EXPECT_PIXEL(shot, i * 8 + 5, 1, background);
    }
    ASSERT_TRUE(driver().endFrame());
}

// The fixed-function types through the batch: a texture whose left column
// is nearly opaque and right column nearly transparent.
TEST_P(DriverSceneTest, FixedFunctionTypesBlendAndTestAlpha) {
    const CColor background(255, 40, 80, 160);
    const CColor opaque(230, 200, 100, 60), clear(30, 90, 250, 10);
    const CColor vertex(128, 255, 200, 100), white(0xFFFFFFFF);
    const Rgba d = toRgba(background), v = toRgba(vertex);
    const Rgba left = times(toRgba(opaque), v), right = times(toRgba(clear), v);
    const Rgba plainLeft = toRgba(opaque);
    auto addColor = [&d](const Rgba& s) {
        return toColor({s.r + d.r * (1 - s.r), s.g + d.g * (1 - s.g), s.b + d.b * (1 - s.b), 1});
    };
    auto texelAlpha = [&d](const Rgba& s, float alpha) { return toColor(over({s.r, s.g, s.b, alpha}, d)); };
    auto doubledPlus = [&d](const Rgba& s) { return toColor({2 * s.r + d.r, 2 * s.g + d.g, 2 * s.b + d.b, 1}); };
    const struct {
        const char* what;
        int32_t type;
        float param1;
        CColor vertex, left, right;
    } cases[] = {
        {"solid", MaterialType::Solid, 0.0f, vertex, toColor(left), toColor(right)},
        {"trans_add", MaterialType::TransparentAddColor, 0.0f, vertex, addColor(left), addColor(right)},
        // The transparent texel fails the alpha test and leaves the background.
        {"trans_alphach", MaterialType::TransparentAlphaChannel, 0.0f, vertex,
         texelAlpha(left, opaque.alpha() / 255.0f), background},
        // Drivers differ on whether this type takes the vertex colour: white.
        {"trans_alphach_ref", MaterialType::TransparentAlphaChannelRef, 0.0f, white, toColor(plainLeft), background},
        {"trans_vertex_alpha", MaterialType::TransparentVertexAlpha, 0.0f, vertex, texelAlpha(left, v.a),
         texelAlpha(right, v.a)},
        // Source ONE, destination ONE, colour doubled.
        {"onetexture_blend", MaterialType::OneTextureBlend, float((2 << 16) | (1 << 8) | 1), vertex, doubledPlus(left),
         doubledPlus(right)},
    };

    CRefHandle<CPixelImage> image =
        makeImage(ColorFormat::A8R8G8B8, 2, 1, [&](uint32_t x, uint32_t) { return x == 0 ? opaque : clear; });
    CRefHandle<IDriverTexture> texture = upload(image.get());
    ASSERT_TRUE(texture);
    CRefHandle<CImageTexture> content = wrapTexture(texture.get());
    ASSERT_TRUE(driver().beginFrame(true, true, background, nullptr, nullptr));
    driver().quadBatch()->begin();
    for (size_t i = 0; i < std::size(cases); ++i) {
        Material material = spriteMaterial(cases[i].type, content.get());
        material.param1 = cases[i].param1;
        addQuad(driver(), material, float(i * 8), 0.0f, 4.0f, 2.0f, cases[i].vertex);
    }
    driver().quadBatch()->end();
    CRefHandle<CPixelImage> shot = screenshot();
    ASSERT_TRUE(shot);
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].what);
        EXPECT_PIXEL(shot, i * 8, 0, cases[i].left);
        EXPECT_PIXEL(shot, i * 8 + 3, 1, cases[i].right);
    }
    ASSERT_TRUE(driver().endFrame());
}

TEST_P(DriverSceneTest, RenderTargetTexturesDrawTheRightWayUp) {
    const CColor red(255, 255, 0, 0), blue(255, 0, 0, 255), black(0xFF000000);
    ASSERT_TRUE(driver().beginFrame(true, true, black, nullptr, nullptr));
    CRefHandle<IDriverTexture> target(driver().renderTargetTexture(CSizeI(16, 8), ColorFormat::A8R8G8B8));
    ASSERT_TRUE(target);
    EXPECT_TRUE(target->isRenderTarget());
    EXPECT_EQ(target->size(), CSizeI(16, 8));
    ASSERT_TRUE(driver().setRenderTarget(target.get(), true, true, blue));
    EXPECT_EQ(driver().renderTargetSize(), CSizeI(16, 8));
    driver().applyMaterial(spriteMaterial(MaterialType::Solid, nullptr));
    driver().fillRect(red, CRectI(0, 0, 8, 4), nullptr);
    ASSERT_TRUE(driver().setRenderTarget(static_cast<IDriverTexture*>(nullptr), false, false, CColor(0)));
    EXPECT_EQ(driver().renderTargetSize(), CSizeI(ScreenWidth, ScreenHeight));

    // Read back top row first, as every lock.
    const auto* data = static_cast<const uint8_t*>(target->lock(true));
    ASSERT_NE(data, nullptr);
    auto texel = [&](uint32_t x, uint32_t y) {
        uint32_t value = 0;
        std::memcpy(&value, data + size_t(y) * target->pitch() + x * 4, 4);
        return CColor(value | 0xFF000000u);
    };
    EXPECT_TRUE(rgbNear(texel(0, 0), red, Tolerance)) << texel(0, 0);
    EXPECT_TRUE(rgbNear(texel(7, 3), red, Tolerance)) << texel(7, 3);
    EXPECT_TRUE(rgbNear(texel(8, 3), blue, Tolerance)) << texel(8, 3);
    EXPECT_TRUE(rgbNear(texel(0, 7), blue, Tolerance)) << texel(0, 7);
    target->unlock();

    // On the screen the right way up, through the batch and as an image.
    CRefHandle<CImageTexture> content = wrapTexture(target.get());
    driver().quadBatch()->begin();
    addQuad(driver(), spriteMaterial(MaterialType::SpriteColorModulate, content.get()), 32, 32, 16, 8,
            CColor(0xFFFFFFFF));
    driver().quadBatch()->end();
    driver().drawImagePart(target.get(), CVector2di(0, 0), CRectI(0, 0, 16, 8), nullptr, CColor(0xFFFFFFFF), false);
    CRefHandle<CPixelImage> shot = screenshot();
    ASSERT_TRUE(shot);
    EXPECT_PIXEL(shot, 32, 32, red);
    EXPECT_PIXEL(shot, 39, 35, red);
    EXPECT_PIXEL(shot, 47, 39, blue);
    EXPECT_PIXEL(shot, 0, 0, red);
    EXPECT_PIXEL(shot, 15, 7, blue);
    EXPECT_PIXEL(shot, 16, 0, black);
    ASSERT_TRUE(driver().endFrame());
}

TEST_P(DriverSceneTest, ScissorLimitsEveryDraw) {
    const CColor white(0xFFFFFFFF), black(0xFF000000), red(255, 255, 0, 0);
    CRefHandle<CPixelImage> image = makeImage(ColorFormat::A8R8G8B8, 1, 1, [&](uint32_t, uint32_t) { return red; });
    CRefHandle<IDriverTexture> texture = upload(image.get());
    ASSERT_TRUE(texture);
    CRefHandle<CImageTexture> content = wrapTexture(texture.get());

    ASSERT_TRUE(driver().beginFrame(true, true, black, nullptr, nullptr));
    driver().setScissorRect(CRectI(8, 4, 24, 20));
    driver().enableScissor(true);
    driver().applyMaterial(spriteMaterial(MaterialType::Solid, nullptr));
    driver().fillRect(white, CRectI(0, 0, ScreenWidth, 24), nullptr);
    driver().quadBatch()->begin();
    addQuad(driver(), spriteMaterial(MaterialType::SpriteColorModulate, content.get()), 0, 16, 64, 8, white);
    driver().quadBatch()->end();
    driver().enableScissor(false);
    driver().fillRect(white, CRectI(0, 40, ScreenWidth, ScreenHeight), nullptr);

    CRefHandle<CPixelImage> shot = screenshot();
    ASSERT_TRUE(shot);
    EXPECT_PIXEL(shot, 8, 4, white);
    EXPECT_PIXEL(shot, 23, 15, white);
    EXPECT_PIXEL(shot, 7, 4, black);
    EXPECT_PIXEL(shot, 8, 3, black);
    EXPECT_PIXEL(shot, 24, 10, black);
    EXPECT_PIXEL(shot, 10, 16, red);
    EXPECT_PIXEL(shot, 23, 19, red);
    EXPECT_PIXEL(shot, 10, 20, black);
    EXPECT_PIXEL(shot, 30, 18, black);
    EXPECT_PIXEL(shot, 0, 47, white);
    ASSERT_TRUE(driver().endFrame());
}

// A new window size (on some drivers a new device) keeps the textures made
// before it drawing.
TEST_P(DriverSceneTest, TexturesKeepDrawingAfterAResize) {
    CRefHandle<CPixelImage> image = checkerImage();
    CRefHandle<IDriverTexture> texture = upload(image.get());
    ASSERT_TRUE(texture);
    ASSERT_TRUE(driver().beginFrame(true, true, CColor(0xFF000000), nullptr, nullptr));
    ASSERT_TRUE(driver().endFrame());

    driver().onWindowResized(CSizeI(32, 24));
    EXPECT_EQ(driver().screenSize(), CSizeI(32, 24));
    ASSERT_TRUE(driver().beginFrame(true, true, CColor(0xFF000000), nullptr, nullptr));
    CRefHandle<CImageTexture> content = wrapTexture(texture.get());
    driver().quadBatch()->begin();
    addQuad(driver(), spriteMaterial(MaterialType::SpriteColorModulate, content.get()), 28, 20, 4, 4,
            CColor(0xFFFFFFFF));
    driver().quadBatch()->end();
    driver().drawImagePart(texture.get(), CVector2di(0, 0), CRectI(0, 0, 4, 4), nullptr, CColor(0xFFFFFFFF), false);
    CRefHandle<CPixelImage> shot = screenshot();
    ASSERT_TRUE(shot);
    ASSERT_EQ(shot->width(), 32u);
    ASSERT_EQ(shot->height(), 24u);
    for (uint32_t y = 0; y < 4; ++y) {
        for (uint32_t x = 0; x < 4; ++x) {
            EXPECT_PIXEL(shot, x, y, image->pixelAt(x, y));
            EXPECT_PIXEL(shot, 28 + x, 20 + y, image->pixelAt(x, y));
        }
    }
    ASSERT_TRUE(driver().endFrame());
}

// The colour key reaches the smaller mip levels too: a texture drawn at a
// quarter of its size shows no keyed colour.
TEST_P(DriverSceneTest, ColourKeyedTexelsVanishAtEveryLevel) {
    const CColor white(0xFFFFFFFF), magenta(255, 255, 0, 255), black(0xFF000000);
    CRefHandle<CPixelImage> image =
        makeImage(ColorFormat::A8R8G8B8, 8, 8, [&](uint32_t x, uint32_t) { return x < 4 ? white : magenta; });
    driver().setTextureFlag(TextureFlag::CreateMipMaps, true);
    CRefHandle<IDriverTexture> texture = upload(image.get());
    ASSERT_TRUE(texture);
    driver().colorKeyFromColor(texture.get(), magenta);
    CRefHandle<CImageTexture> content = wrapTexture(texture.get());

    ASSERT_TRUE(driver().beginFrame(true, true, black, nullptr, nullptr));
    driver().quadBatch()->begin();
    addQuad(driver(), spriteMaterial(MaterialType::SpriteColorModulate, content.get()), 0, 0, 8, 8, white);
    Material small = spriteMaterial(MaterialType::SpriteColorModulate, content.get(), true);
    addQuad(driver(), small, 20, 0, 2, 2, white);
    driver().quadBatch()->end();
    CRefHandle<CPixelImage> shot = screenshot();
    ASSERT_TRUE(shot);
    EXPECT_PIXEL(shot, 1, 1, white);
    EXPECT_PIXEL(shot, 6, 6, black);
    EXPECT_PIXEL(shot, 20, 0, white);
    EXPECT_PIXEL(shot, 21, 1, black);
    ASSERT_TRUE(driver().endFrame());
}

// The mesh vertex layouts (colour and coordinates before the normal) reach
// the hardware whole: each quad shows its texel times its vertex colour.
TEST_P(DriverSceneTest, MeshVertexLayoutsDrawTheirColoursAndTexels) {
    const CColor texel(255, 200, 160, 80), vertex(255, 128, 255, 64), black(0xFF000000);
    const CColor expected = toColor(times(toRgba(texel), toRgba(vertex)));
    CRefHandle<CPixelImage> image = makeImage(ColorFormat::A8R8G8B8, 2, 2, [&](uint32_t, uint32_t) { return texel; });
    CRefHandle<IDriverTexture> texture = upload(image.get());
    ASSERT_TRUE(texture);
    CRefHandle<CImageTexture> content = wrapTexture(texture.get());
    Material material = spriteMaterial(MaterialType::Solid, content.get());
    material.cullBack = false;
    static constexpr uint16_t indices[6] = {0, 1, 2, 0, 2, 3};
    // Fills the shared fields of four corners of the quad at x.
    auto corners = [&](auto* quad, float x) {
        const float xs[4] = {x, x + 6, x + 6, x}, ys[4] = {0, 0, 6, 6}, us[4] = {0, 1, 1, 0}, vs[4] = {0, 0, 1, 1};
        for (int i = 0; i < 4; ++i) {
            quad[i].x = xs[i], quad[i].y = ys[i], quad[i].z = 0;
            quad[i].color = vertex, quad[i].u = us[i], quad[i].v = vs[i];
            quad[i].nx = 0, quad[i].ny = 0, quad[i].nz = -1;
        }
    };
    NormalVertex normal[4];
    NormalTwoCoordsVertex twoCoords[4];
    TangentVertex tangents[4];
    corners(normal, 0);
    corners(twoCoords, 10);
    corners(tangents, 20);

    ASSERT_TRUE(driver().beginFrame(true, true, black, nullptr, nullptr));
    driver().applyMaterial(material);
    ASSERT_TRUE(driver().apply2DStates());
    driver().drawTriangles(normal, 4, indices, 2);
    driver().drawTriangles(twoCoords, 4, indices, 2);
    driver().drawTriangles(tangents, 4, indices, 2);
    CRefHandle<CPixelImage> shot = screenshot();
    ASSERT_TRUE(shot);
    for (int x : {2, 12, 22}) {
        SCOPED_TRACE(x);
        EXPECT_PIXEL(shot, x, 3, expected);
    }
    EXPECT_PIXEL(shot, 8, 3, black);
    ASSERT_TRUE(driver().endFrame());
}

// Images of each format reach the screen with their colours (24-bit ones
// kept at full precision).
TEST_P(DriverSceneTest, ImagesOfEveryFormatKeepTheirColours) {
    const struct {
        ColorFormat format;
        CColor color;
    } cases[] = {
        {ColorFormat::R8G8B8, CColor(255, 201, 99, 37)},
        {ColorFormat::A8R8G8B8, CColor(255, 13, 222, 141)},
        // Exact in five and six bits.
        {ColorFormat::R5G6B5, CColor(255, 255, 130, 66)},
        {ColorFormat::A1R5G5B5, CColor(255, 132, 255, 0)},
    };
    ASSERT_TRUE(driver().beginFrame(true, true, CColor(0xFF000000), nullptr, nullptr));
    for (size_t i = 0; i < std::size(cases); ++i) {
        const CColor color = cases[i].color;
        CRefHandle<CPixelImage> image = makeImage(cases[i].format, 2, 2, [&](uint32_t, uint32_t) { return color; });
        CRefHandle<IDriverTexture> texture = upload(image.get());
        ASSERT_TRUE(texture);
        driver().drawImagePart(texture.get(), CVector2di(int32_t(i) * 4, 0), CRectI(0, 0, 2, 2), nullptr,
                               CColor(0xFFFFFFFF), false);
    }
    CRefHandle<CPixelImage> shot = screenshot();
    ASSERT_TRUE(shot);
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(int(cases[i].format));
        EXPECT_PIXEL(shot, i * 4 + 1, 1, cases[i].color);
    }
    ASSERT_TRUE(driver().endFrame());
}

// A point lands on its pixel; a horizontal line fills its row.
TEST_P(DriverSceneTest, PointsAndLinesLandOnTheirPixels) {
    const CColor red(255, 255, 0, 0), green(255, 0, 255, 0), black(0xFF000000);
    ASSERT_TRUE(driver().beginFrame(true, true, black, nullptr, nullptr));
    driver().applyMaterial(spriteMaterial(MaterialType::Solid, nullptr));
    driver().plotPixel(10, 10, red);
    driver().drawLine2D(CVector2d(0.0f, 20.0f), CVector2d(64.0f, 20.0f), green);
    CRefHandle<CPixelImage> shot = screenshot();
    ASSERT_TRUE(shot);
    EXPECT_PIXEL(shot, 10, 10, red);
    EXPECT_PIXEL(shot, 9, 10, black);
    EXPECT_PIXEL(shot, 11, 10, black);
    EXPECT_PIXEL(shot, 10, 9, black);
    EXPECT_PIXEL(shot, 10, 11, black);
    EXPECT_PIXEL(shot, 5, 20, green);
    EXPECT_PIXEL(shot, 40, 20, green);
    EXPECT_PIXEL(shot, 40, 19, black);
    EXPECT_PIXEL(shot, 40, 21, black);
    ASSERT_TRUE(driver().endFrame());
}

} // namespace
