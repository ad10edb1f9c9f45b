// What the data tools make, loaded through the content manager and drawn by
// the OpenGL driver on a hidden context: a font, compared pixel by pixel with
// the glyph bitmaps FreeType itself renders, and atlas pages, whose pictures
// must keep their own colours up to their borders when filtered.

#include "engine/content/CContentManager.h"
#include "engine/content/CContentProcessorsManager.h"
#include "engine/content/CImageFormatRegistry.h"
#include "engine/content/CPixelImage.h"
#include "engine/content/ContentType.h"
#include "engine/content/IDeviceServiceEvent.h"
#include "engine/core/CEngineCreationParams.h"
#include "engine/core/CEngineManagers.h"
#include "engine/core/CEvent.h"
#include "engine/device/ContentProcessors.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/FilePaths.h"
#include "engine/scene/Font.h"
#include "engine/video/AtlasTextureCollection.h"
#include "engine/video/CAtlasTexture.h"
#include "engine/video/CImageTexture.h"
#include "engine/video/CQuadBatch.h"
#include "engine/video/IGraphicsDriver.h"
#include "engine/video/Material.h"
#include "engine/video/MaterialTypes.h"
#include "engine/video/OpenGLDriver.h"
#include "tests/engine/video/GLTestContext.h"
#include "tests/support/TestSupport.h"
#include "tests/tools/FreeTypeReference.h"
#include "tools/atlas/AtlasPacker.h"
#include "tools/font/FontBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int32_t ScreenWidth = 192;
constexpr int32_t ScreenHeight = 48;
constexpr int32_t PixelSize = 16;

class DeviceEvent : public CEvent, public IDeviceServiceEvent {
public:
    DeviceEvent(int32_t type, CRefCounted* service) : CEvent(MaskDevice), m_type(type), m_service(service) {}
    [[nodiscard]] int32_t getType() const override { return m_type; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == KindDevice || CEvent::isKindOf(id); }
    [[nodiscard]] CRefCounted* getService() const override { return m_service; }

private:
    int32_t m_type;
    CRefCounted* m_service;
};

class ToolOutputRenderTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        m_context.reset(CGLTestContext::create(ScreenWidth, ScreenHeight, false, &error));
        if (!m_context)
            GTEST_SKIP() << "No OpenGL context can be made on this machine: " << error;
        m_driver = makeDriver();
        ASSERT_TRUE(m_driver);
        if (!CEngineManagers::instance().getImageFormatRegistry())
            CEngineManagers::instance().setImageFormatRegistry(new CImageFormatRegistry);

        FontBuildOptions options;
        options.fontFile = fixtureFontPath();
        options.pixelSize = PixelSize;
        ASSERT_TRUE(parseCharacterSet("latin1,cyrillic", options.characters, &error)) << error;
        FontBuilder builder;
        ASSERT_TRUE(builder.build(options, &error)) << error;
        std::filesystem::create_directories(m_dir.path() / "fonts");
        ASSERT_TRUE(builder.write((m_dir.path() / "fonts" / "Sans16.mfnt").string(), &error)) << error;

        ASSERT_NE(m_fileSystem->mountArchive(fromNativePath(m_dir.path().string()), nullptr), nullptr);
        m_processors.reset(new CContentProcessorsManager(m_fileSystem.get(), m_driver.get()));
        ASSERT_TRUE(registerContentProcessors(m_processors.get()));
        m_manager.reset(new CContentManager(m_driver.get(), m_fileSystem.get(), m_processors.get()));
    }

    void TearDown() override {
        m_font.reset();
        if (m_manager)
            m_manager->clear();
        m_manager.reset();
        m_processors.reset();
        m_driver.reset();
        m_context.reset();
    }

    CRefHandle<IGraphicsDriver> makeDriver() {
        CEngineCreationParams params;
        params.driverType = CEngineCreationParams::DriverOpenGL;
        params.width = ScreenWidth;
        params.height = ScreenHeight;
        params.colorBits = 32;
        return CRefHandle<IGraphicsDriver>(createOpenGLDriver(params, nullptr, m_context.get()));
    }

    void post(int32_t type, CRefCounted* service) {
        CRefHandle<DeviceEvent> event(new DeviceEvent(type, service));
        (void)m_processors->dispatch(CEventReceiver::HandleThenChildren, event.get());
        (void)m_manager->dispatch(CEventReceiver::HandleThenChildren, event.get());
    }

    // Draws `text` in white on black from the pen (x, top of the line), the
    // way a text node lays out one line: each glyph's picture at the pen plus
    // b, the pen advanced by b.x + width + a.x and the pair's kerning.
    CRefHandle<CPixelImage> draw(const Font& font, const std::u16string& text, float x, float top) {
        EXPECT_TRUE(m_driver->beginFrame(true, true, CColor(255, 0, 0, 0), nullptr, nullptr));
        CQuadBatch* batch = m_driver->quadBatch();
        batch->begin();
        for (std::size_t i = 0; i < text.size(); ++i) {
            const FontGlyph& glyph = font.getGlyph(text[i]);
            CAtlasTexture* texture = font.getGlyphTexture(glyph);
            if (texture && texture->getImageTexture() && glyph.width > 0 && glyph.height > 0) {
                Material material;
                material.materialType = MaterialType::SpriteColorModulate;
                material.lighting = false;
                material.layers[0].texture = texture->getImageTexture();
                material.layers[0].bilinear = false;
                const CSizeI& size = texture->getImageTexture()->getTextureSize();
                const CRect rect = texture->getPixelRect();
                const float u0 = (rect.left + glyph.left) / float(size.width);
                const float v0 = (rect.top + glyph.top) / float(size.height);
                const float u1 = (rect.left + glyph.right) / float(size.width);
                const float v1 = (rect.top + glyph.bottom) / float(size.height);
                const float left = x + glyph.b.x;
                const float y = top + glyph.b.y;
                batch->addQuad(&material,
                               {CVector2d(left, y), CVector2d(left + glyph.width, y),
                                CVector2d(left + glyph.width, y + glyph.height), CVector2d(left, y + glyph.height)},
                               {CVector2d(u0, v0), CVector2d(u1, v0), CVector2d(u1, v1), CVector2d(u0, v1)}, 0.0f,
                               CColor(255, 255, 255, 255));
            }
            x += glyph.b.x + glyph.width + glyph.a.x;
            if (i + 1 < text.size())
                x += float(font.getKerning(text[i], text[i + 1]));
        }
        batch->end();
        return CRefHandle<CPixelImage>(m_driver->takeScreenshot());
    }

    // The same line composed from FreeType's bitmaps and metrics alone.
    static std::vector<int> expected(const std::u16string& text, int32_t x, int32_t top) {
        FreeTypeReference reference(fixtureFontPath(), PixelSize);
        std::vector<int> screen(std::size_t(ScreenWidth * ScreenHeight), 0);
        const int32_t baseline = top + reference.ascender();
        for (std::size_t i = 0; i < text.size(); ++i) {
            const FreeTypeReference::Glyph glyph = reference.glyph(text[i]);
            for (int32_t gy = 0; gy < glyph.rows; ++gy) {
                for (int32_t gx = 0; gx < glyph.width; ++gx) {
                    const int32_t sx = x + glyph.bitmapLeft + gx;
                    const int32_t sy = baseline - glyph.bitmapTop + gy;
                    if (sx < 0 || sy < 0 || sx >= ScreenWidth || sy >= ScreenHeight)
                        continue;
                    int& pixel = screen[std::size_t(sy * ScreenWidth + sx)];
                    const int alpha = glyph.coverage[std::size_t(gy * glyph.width + gx)];
                    pixel = pixel + (alpha * (255 - pixel) + 127) / 255; // white over what is there
                }
            }
            x += glyph.advance;
            if (i + 1 < text.size())
                x += reference.kerning(text[i], text[i + 1]);
        }
        return screen;
    }

    static void expectMatches(const CPixelImage& shot, const std::vector<int>& reference) {
        ASSERT_EQ(shot.width(), uint32_t(ScreenWidth));
        ASSERT_EQ(shot.height(), uint32_t(ScreenHeight));
        int wrong = 0;
        int lit = 0;
        for (int32_t y = 0; y < ScreenHeight; ++y) {
            for (int32_t x = 0; x < ScreenWidth; ++x) {
                const CColor got = shot.pixelAt(uint32_t(x), uint32_t(y));
                const int want = reference[std::size_t(y * ScreenWidth + x)];
                lit += want > 0;
                const int worst = std::max({std::abs(int(got.red()) - want), std::abs(int(got.green()) - want),
                                            std::abs(int(got.blue()) - want)});
                if (worst > 3 && ++wrong <= 5)
                    ADD_FAILURE() << "pixel (" << x << ", " << y << "): " << got.red() << " instead of " << want;
            }
        }
        EXPECT_GT(lit, 200); // the line really was drawn
    }

    TempDir m_dir;
    CRefHandle<CGLTestContext> m_context;
    CRefHandle<IGraphicsDriver> m_driver;
    CRefHandle<CVirtualFileSystem> m_fileSystem{new CVirtualFileSystem};
    CRefHandle<CContentProcessorsManager> m_processors;
    CRefHandle<CContentManager> m_manager;
    CRefHandle<Font> m_font;
};

const std::u16string kLine = u"AVA Wo, Привет! ÄÖÜé";

} // namespace

TEST_F(ToolOutputRenderTest, DrawnTextMatchesFreeTypesGlyphs) {
    IContent* content = m_manager->load(ContentTypeFont, u"fonts/Sans16.mfnt", false);
    m_font.reset(dynamic_cast<Font*>(content));
    ASSERT_TRUE(m_font);
    CRefHandle<CPixelImage> shot = draw(*m_font, kLine, 3, 10);
    ASSERT_TRUE(shot);
    expectMatches(*shot, expected(kLine, 3, 10));
}

TEST_F(ToolOutputRenderTest, TexturesComeBackWithANewDriver) {
    IContent* content = m_manager->load(ContentTypeFont, u"fonts/Sans16.mfnt", false);
    m_font.reset(dynamic_cast<Font*>(content));
    ASSERT_TRUE(m_font);
    CImageTexture* texture = m_font->getTexture(0)->getImageTexture();
    ASSERT_NE(texture->getTexture(), nullptr);

    post(IDeviceServiceEvent::VideoDriverReleased, nullptr);
    EXPECT_EQ(texture->getTexture(), nullptr);
    m_driver.reset();
    m_driver = makeDriver();
    ASSERT_TRUE(m_driver);
    post(IDeviceServiceEvent::VideoDriverCreated, m_driver.get());
    ASSERT_NE(texture->getTexture(), nullptr);
    EXPECT_EQ(texture->getImage(), nullptr); // the font's pages stay on the driver only

    CRefHandle<CPixelImage> shot = draw(*m_font, kLine, 5, 20);
    ASSERT_TRUE(shot);
    expectMatches(*shot, expected(kLine, 5, 20));
}

namespace {

// Solid pictures of distinct colours, packed with `padding` into
// img/sheet<padding>.xml; loads the collection.
CRefHandle<AtlasTextureCollection> packSolidPictures(CContentManager& manager, const std::filesystem::path& root,
                                                     int32_t padding, std::vector<CColor>& colors) {
    std::vector<AtlasInput> inputs;
    colors.clear();
    for (uint32_t i = 0; i < 12; ++i) {
        const CColor color(255, 40 + i * 17, 250 - i * 19, (i * 97) % 256);
        CRefHandle<CPixelImage> image(CPixelImage::create(CObjectName(), ColorFormat::A8R8G8B8, 5 + i % 4, 4 + i % 3));
        image->fillColor(color);
        const std::string name = "img/solid" + std::to_string(padding) + "_" + std::to_string(i) + ".png";
        inputs.push_back({CStringW(name.c_str()), image});
        colors.push_back(color);
    }
    AtlasPacker packer;
    std::string error;
    EXPECT_TRUE(packer.pack(inputs, {2048, padding, false}, &error)) << error;
    const std::string stem = "sheet" + std::to_string(padding);
    std::vector<CStringW> pages;
    for (uint32_t page = 0; page < packer.pages().size(); ++page) {
        EXPECT_TRUE(writePngFile(*packer.pages()[page], (root / "img" / (stem + ".png")).string()));
        pages.push_back(CStringW((stem + ".png").c_str()));
    }
    CRefHandle<AtlasTextureCollection> collection = makeAtlasCollection(inputs, packer, pages);
    EXPECT_TRUE(writeCollectionFile(*collection, (root / "img" / (stem + ".xml")).string()));
    IContent* content = manager.load(ContentTypeAtlasCollection, CStringW(("img/" + stem + ".xml").c_str()), false);
    return CRefHandle<AtlasTextureCollection>(dynamic_cast<AtlasTextureCollection*>(content));
}

} // namespace

TEST_F(ToolOutputRenderTest, AtlasPicturesKeepTheirColoursWhenFiltered) {
    std::filesystem::create_directories(m_dir.path() / "img");
    // Each picture three times enlarged with bilinear filtering: sampling
    // near its border reads the pixels around it on the page.
    auto wrongPixels = [&](int32_t padding) {
        std::vector<CColor> colors;
        CRefHandle<AtlasTextureCollection> collection = packSolidPictures(*m_manager, m_dir.path(), padding, colors);
        EXPECT_TRUE(collection);
        if (!collection)
            return -1;
        EXPECT_EQ(collection->getAtlasTextures().size(), colors.size());
        EXPECT_TRUE(m_driver->beginFrame(true, true, CColor(255, 0, 0, 0), nullptr, nullptr));
        CQuadBatch* batch = m_driver->quadBatch();
        batch->begin();
        std::vector<std::array<float, 4>> places;
        float x = 1;
        for (uint32_t i = 0; i < colors.size(); ++i) {
            const std::string name = "img/solid" + std::to_string(padding) + "_" + std::to_string(i) + ".png";
            CRefHandle<CAtlasTexture> texture(
                dynamic_cast<CAtlasTexture*>(m_manager->load(ContentTypeAtlasTexture, CStringW(name.c_str()), false)));
            EXPECT_TRUE(texture);
            if (!texture)
                return -1;
            Material material;
            material.materialType = MaterialType::SpriteColorModulate;
            material.lighting = false;
            material.layers[0].texture = texture->getImageTexture();
            material.layers[0].bilinear = true;
            const CRect& uv = texture->getTextureCoords();
            const CVector2d size = texture->getPixelSize();
            const float w = size.x * 3;
            const float h = size.y * 3;
            batch->addQuad(&material,
                           {CVector2d(x, 2), CVector2d(x + w, 2), CVector2d(x + w, 2 + h), CVector2d(x, 2 + h)},
                           {CVector2d(uv.left, uv.top), CVector2d(uv.right, uv.top), CVector2d(uv.right, uv.bottom),
                            CVector2d(uv.left, uv.bottom)},
                           0.0f, CColor(255, 255, 255, 255));
            places.push_back({x, 2, w, h});
            x += w + 1;
        }
        batch->end();
        CRefHandle<CPixelImage> shot(m_driver->takeScreenshot());
        EXPECT_TRUE(shot);
        int wrong = 0;
        for (std::size_t i = 0; i < places.size() && shot; ++i) {
            const auto [left, top, w, h] = places[i];
            for (int32_t y = int32_t(top); y < int32_t(top + h); ++y)
                for (int32_t px = int32_t(left); px < int32_t(left + w) && px < ScreenWidth; ++px) {
                    const CColor got = shot->pixelAt(uint32_t(px), uint32_t(y));
                    const CColor& want = colors[i];
                    wrong += std::abs(int(got.red()) - int(want.red())) > 2 ||
                             std::abs(int(got.green()) - int(want.green())) > 2 ||
                             std::abs(int(got.blue()) - int(want.blue())) > 2;
                }
        }
        return wrong;
    };
    EXPECT_EQ(wrongPixels(1), 0);
    // Without the repeated edges the neighbours show: the check sees it.
    EXPECT_GT(wrongPixels(0), 0);
}
