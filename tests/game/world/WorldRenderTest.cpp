// A walk grid of roads and a railway strip crossing two of them, drawn by the
// OpenGL driver on a hidden context and compared with reference pictures
// kept in tests/game/world/data. The road and rail pictures are drawn here.
// BM_UPDATE_REFERENCES=1 writes the references anew (look at them before
// committing them).

#include "engine/content/CContentManager.h"
#include "engine/content/CContentProcessorsManager.h"
#include "engine/content/CImageContentProcessor.h"
#include "engine/content/CImageFormatRegistry.h"
#include "engine/content/CPixelImage.h"
#include "engine/content/ContentType.h"
#include "engine/core/CEngineCreationParams.h"
#include "engine/core/CEngineManagers.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/FilePaths.h"
#include "engine/video/CAtlasTextureProcessor.h"
#include "engine/video/CImageTextureProcessor.h"
#include "engine/video/IGraphicsDriver.h"
#include "engine/video/OpenGLDriver.h"
#include "game/world/GRailRoadNode.h"
#include "game/world/GWGridNode.h"
#include "tests/engine/nodes/NodesTestSupport.h"
#include "tests/engine/video/DriverTestSupport.h"
#include "tests/engine/video/GLTestContext.h"
#include "tests/game/world/WorldTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int32_t kWidth = 240;
constexpr int32_t kHeight = 160;
constexpr uint32_t kGrass = 0xFF5A8C3Cu;

class WorldRenderTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        m_context.reset(CGLTestContext::create(kWidth, kHeight, false, &error));
        if (!m_context)
            GTEST_SKIP() << "No OpenGL context can be made on this machine: " << error;
        CEngineCreationParams params;
        params.driverType = CEngineCreationParams::DriverOpenGL;
        params.width = kWidth;
        params.height = kHeight;
        params.colorBits = 32;
        m_driver.reset(createOpenGLDriver(params, m_fileSystem.get(), m_context.get()));
        ASSERT_TRUE(m_driver);
        ASSERT_NE(m_fileSystem->mountArchive(fromNativePath(m_content.stack.dir.path().string()), nullptr), nullptr);
        m_processors.reset(new CContentProcessorsManager(m_fileSystem.get(), m_driver.get()));
        CRefHandle<IContentProcessor> list[] = {
            CRefHandle<IContentProcessor>(new CImageTextureProcessor(m_driver.get())),
            CRefHandle<IContentProcessor>(new CAtlasTextureProcessor(m_driver.get())),
            CRefHandle<IContentProcessor>(new CImageContentProcessor(m_content.stack.registry.get())),
        };
        for (const auto& processor : list)
            ASSERT_TRUE(m_processors->registerProcessor(processor.get()));
        m_manager.reset(new CContentManager(m_driver.get(), m_fileSystem.get(), m_processors.get()));
        m_manager->pushFolder(m_content.levelFolder() + u"Level.mscn");
        m_content.writeRoadTiles(20);
        m_content.writeRailTiles(20, 2);
    }

    void TearDown() override {
        if (m_manager) {
            (void)m_manager->popFolder();
            m_manager->clear();
        }
        m_manager.reset();
        m_processors.reset();
        m_driver.reset();
        m_context.reset();
    }

    // A level root with the grid "WGrid" over the whole picture and, when
    // `railY` is not negative, a strip across it at that height under
    // "Railways".
    CRefHandle<BaseNode> buildLevel(float railY) {
        CRefHandle<BaseNode> root(new BaseNode(CObjectName(m_manager.get(), CStringW(u"Level")), nullptr, nullptr));
        auto* grid = new GWGridNode(CObjectName(m_manager.get(), CStringW(u"WGrid")), root.get(), nullptr);
        grid->release();
        grid->setName(CName("WGrid"));
        grid->setBounds({float(kWidth), float(kHeight), 0.0f});
        grid->setPathToRoadElements(CStringW(u"roads"));
        grid->onLoaded();
        if (railY >= 0.0f) {
            auto* railways = new BaseNode(CObjectName(m_manager.get(), CStringW(u"Railways")), root.get(), nullptr);
            railways->release();
            auto* strip = new GRailRoadNode(CObjectName(m_manager.get(), CStringW(u"Rail")), railways, nullptr);
            strip->release();
            strip->setPosition({0.0f, railY, 0.0f});
            strip->setBounds({float(kWidth), 20.0f, 0.0f});
            strip->setCellSize(20.0f);
            strip->setPathToRoadElements(CStringW(u"rails"));
            strip->onLoaded();
            strip->randomizeElements();
            strip->placeCrossings();
        }
        return root;
    }

    [[nodiscard]] CRefHandle<CPixelImage> draw(BaseNode* root) {
        EXPECT_TRUE(m_driver->beginFrame(true, true, CColor(kGrass), nullptr, nullptr));
        m_driver->setMatrix(MatrixKind::World, CMat4::identity());
        drawTree(root, m_driver.get());
        CRefHandle<CPixelImage> shot(m_driver->takeScreenshot());
        EXPECT_TRUE(m_driver->endFrame());
        return shot;
    }

    void expectMatchesReference(CPixelImage* shot, const char* referenceName) {
        const std::filesystem::path reference =
            std::filesystem::path(BM_SOURCE_DIR) / "tests/game/world/data" / referenceName;
        if (std::getenv("BM_UPDATE_REFERENCES")) {
            ASSERT_TRUE(m_manager->save(ContentTypeImage, shot, fromNativePath(reference.string()), nullptr));
            GTEST_SKIP() << "Reference written to " << reference;
        }
        const std::vector<uint8_t> bytes = readAllBytes(reference);
        ASSERT_FALSE(bytes.empty()) << "Missing reference picture " << reference;
        const std::string copy = std::string("reference-") + referenceName;
        (void)m_content.stack.dir.write(copy, bytes);
        IContent* loaded =
            m_manager->load(ContentTypeImage, fromNativePath((m_content.stack.dir.path() / copy).string()), false);
        CRefHandle<CPixelImage> expected(dynamic_cast<CPixelImage*>(loaded));
        ASSERT_TRUE(expected);
        // Rasterisers may differ by a shade or an edge pixel here and there,
        // and the straight pieces by their few marks.
        EXPECT_LE(differingPixels(*shot, *expected, 12), uint32_t(kWidth * kHeight / 200));
    }

    WorldContent m_content;
    CRefHandle<CVirtualFileSystem> m_fileSystem{new CVirtualFileSystem};
    CRefHandle<CGLTestContext> m_context;
    CRefHandle<IGraphicsDriver> m_driver;
    CRefHandle<CContentProcessorsManager> m_processors;
    CRefHandle<CContentManager> m_manager;
};

// Twelve by eight cells: a street along row 2, a road down column 3, a
// branch down column 9, a lone cell, and a bottom road joining them.
std::vector<std::pair<int, int>> townRoads() {
    std::vector<std::pair<int, int>> cells;
    for (int c = 0; c < 12; ++c)
        cells.emplace_back(2, c);
    for (int r : {0, 1, 3, 4, 5, 6})
        cells.emplace_back(r, 3);
    for (int r : {3, 4, 5, 6})
        cells.emplace_back(r, 9);
    for (int c = 3; c <= 9; ++c)
        cells.emplace_back(7, c);
    cells.emplace_back(4, 6);
    return cells;
}

} // namespace

TEST_F(WorldRenderTest, RoadTilesMatchTheirReference) {
    m_content.writeWGrid(wgridBytes(townRoads()));
    CRefHandle<BaseNode> root = buildLevel(-1.0f);
    CRefHandle<CPixelImage> shot = draw(root.get());
    ASSERT_TRUE(shot);
    expectMatchesReference(shot.get(), "RoadTilesReference.png");
}

TEST_F(WorldRenderTest, RailwayWithLevelCrossingsMatchesItsReference) {
    m_content.writeWGrid(wgridBytes(townRoads()));
    // Along row 5, where the roads of columns 3 and 9 cross it.
    CRefHandle<BaseNode> root = buildLevel(100.0f);
    CRefHandle<CPixelImage> shot = draw(root.get());
    ASSERT_TRUE(shot);
    expectMatchesReference(shot.get(), "RailwayCrossingReference.png");
}
