// The serve-area outline drawn by the OpenGL driver on a hidden context and
// compared with a reference picture kept in tests/game/nodes/data.
// BM_UPDATE_REFERENCES=1 writes the reference anew (look at it before
// committing it).

#include "engine/content/CPixelImage.h"
#include "engine/content/CPngImageLoader.h"
#include "engine/core/CMat4.h"
#include "engine/core/CRefHandle.h"
#include "engine/io/CBufferFile.h"
#include "engine/nodes/SpriteNode.h"
#include "engine/video/CAtlasTexture.h"
#include "engine/video/CImageTexture.h"
#include "engine/video/CQuadBatch.h"
#include "engine/video/IDriverTexture.h"
#include "engine/video/IGraphicsDriver.h"
#include "game/nodes/GConvexHullNode.h"
#include "game/nodes/GRectangleNode.h"
#include "tests/engine/video/DriverTestSupport.h"
#include "tests/engine/video/GLDriverTestSupport.h"
#include "tests/engine/video/GLTestContext.h"
#include "tests/support/TestSupport.h"
#include "tools/atlas/AtlasPacker.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

constexpr int32_t kWidth = 192;
constexpr int32_t kHeight = 128;

// The picture of the PNG file at `path`, or null.
CRefHandle<CPixelImage> readPngFile(const std::filesystem::path& path) {
    const std::vector<uint8_t> bytes = readAllBytes(path);
    if (bytes.empty())
        return {};
    auto* data = new uint8_t[bytes.size()];
    std::memcpy(data, bytes.data(), bytes.size());
    CRefHandle<IReadableFile> file(new CBufferFile(data, int32_t(bytes.size()), CStringW(u"reference.png"), true));
    CRefHandle<CPngImageLoader> loader(new CPngImageLoader());
    return CRefHandle<CPixelImage>(loader->load(file.get(), CObjectName()));
}

class GConvexHullNodeRender : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        m_context.reset(CGLTestContext::create(kWidth, kHeight, true, &error));
        if (!m_context)
            GTEST_SKIP() << "No OpenGL context can be made on this machine: " << error;
        m_driver.reset(createTestGLDriver(m_context.get(), kWidth, kHeight, nullptr));
        ASSERT_TRUE(m_driver);
    }

    void TearDown() override {
        m_driver.reset();
        m_context.reset();
    }

    // A light dash with a darker rim, its pivot in the middle so that it
    // turns in place: the outline's element.
    [[nodiscard]] CRefHandle<CAtlasTexture> dash() {
        CRefHandle<CPixelImage> image(CPixelImage::create(CObjectName(), ColorFormat::A8R8G8B8, 8, 4));
        for (uint32_t y = 0; y < 4; ++y)
            for (uint32_t x = 0; x < 8; ++x) {
                const bool rim = x == 0 || x == 7 || y == 0 || y == 3;
                image->putPixel(x, y, CColor(rim ? 0xFFB07818u : 0xFFFFE080u));
            }
        CRefHandle<IDriverTexture> texture(m_driver->textureFromImage(image.get()));
        CRefHandle<CImageTexture> page(new CImageTexture(CObjectName(), CStringW(u"dash.png"), texture.get()));
        return CRefHandle<CAtlasTexture>(
            new CAtlasTexture(CObjectName(nullptr, CStringW(u"dash.png")), page.get(), CRect(0, 0, 1, 1), {}, {}));
    }

    [[nodiscard]] CRefHandle<CPixelImage> draw(BaseNode* root) {
        root->updateAbsoluteTransformation();
        root->updateAbsoluteColor();
        EXPECT_TRUE(m_driver->beginFrame(true, true, CColor(0xFF27402Au), nullptr, nullptr));
        m_driver->setMatrix(MatrixKind::World, CMat4::identity());
        CArray<CRenderItem> list;
        root->registerForRendering(list);
        CQuadBatch* batch = m_driver->quadBatch();
        batch->begin();
        for (const CRenderItem& item : list)
            item.node->render(m_driver.get(), item.clip);
        batch->end();
        CRefHandle<CPixelImage> shot(m_driver->takeScreenshot());
        EXPECT_TRUE(m_driver->endFrame());
        return shot;
    }

    void expectMatchesReference(const CPixelImage& shot, const char* name) {
        const std::filesystem::path reference = std::filesystem::path(BM_SOURCE_DIR) / "tests/game/nodes/data" / name;
        if (std::getenv("BM_UPDATE_REFERENCES")) {
            ASSERT_TRUE(writePngFile(shot, reference.string()));
            GTEST_SKIP() << "Reference written to " << reference;
        }
        CRefHandle<CPixelImage> expected = readPngFile(reference);
        ASSERT_TRUE(expected) << "Missing reference picture " << reference;
        // Rasterisers may differ by a shade or an edge pixel here and there.
        EXPECT_LE(differingPixels(shot, *expected, 12), uint32_t(kWidth * kHeight / 200));
    }

    CRefHandle<CGLTestContext> m_context;
    CRefHandle<IGraphicsDriver> m_driver;
};

// A building place drawn as a filled rectangle, its pivot in the middle.
GRectangleNode* building(BaseNode* parent, float x, float y, float width, float height) {
    auto* node = new GRectangleNode(CObjectName(), parent, nullptr);
    node->release();
    node->setBounds({width, height, 0});
    node->setPivotPoint({width / 2, height / 2});
    node->setPosition({x + width / 2, y + height / 2, 0});
    node->setFillColor(CColor(0xFF8A6A4Au));
    node->setBorderColor(CColor(0xFF3A2A1Au));
    return node;
}

} // namespace

TEST_F(GConvexHullNodeRender, AnOutlineOfDashesRoundsTheServedBuildings) {
    CRefHandle<BaseNode> root(new BaseNode(CObjectName(), nullptr, nullptr));
    GRectangleNode* owner = building(root.get(), 40, 34, 40, 30);
    GRectangleNode* inn = building(root.get(), 96, 30, 36, 24);
    GRectangleNode* well = building(root.get(), 100, 70, 20, 20);

    // The owner holds its hull, as a building place does.
    auto* hull = new GConvexHullNode(CObjectName(), owner, nullptr);
    hull->release();
    auto* element = new SpriteNode(CObjectName(), hull, nullptr);
    element->release();
    element->setName(CName("HullElement"));
    element->setAtlasTexture(dash().get());
    element->setPivotPoint({4, 2});
    hull->onLoaded();

    CArray<BaseNode*> served;
    served.push_back(owner);
    served.push_back(inn);
    served.push_back(well);
    hull->buildAround(served, owner);
    ASSERT_GT(hull->getElementHolder()->getChildren().size(), 10u);

    CRefHandle<CPixelImage> shot = draw(root.get());
    ASSERT_TRUE(shot);
    expectMatchesReference(*shot, "ServeAreaHull.png");

    // Faded out, the outline is gone and only the buildings remain.
    hull->setTintColor(CColor(0x0AFFFFFFu));
    CRefHandle<CPixelImage> faded = draw(root.get());
    hull->setVisible(false);
    CRefHandle<CPixelImage> hidden = draw(root.get());
    ASSERT_TRUE(faded && hidden);
    EXPECT_EQ(differingPixels(*faded, *hidden, 0), 0u);
    EXPECT_GT(differingPixels(*shot, *hidden, 12), 100u);
}
