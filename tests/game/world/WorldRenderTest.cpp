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
#include "engine/core/CRandom.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/FilePaths.h"
#include "engine/scene/SceneManager.h"
#include "engine/scene/TemplateCollectionNode.h"
#include "engine/video/CAtlasTextureProcessor.h"
#include "engine/video/CImageTextureProcessor.h"
#include "engine/video/IGraphicsDriver.h"
#include "engine/video/OpenGLDriver.h"
#include "game/config/GResources.h"
#include "game/nodes/GRectangleNode.h"
#include "game/world/GBuildingNode.h"
#include "game/world/GDilizhansNode.h"
#include "game/world/GRailRoadNode.h"
#include "game/world/GWGridNode.h"
#include "game/world/GWorkerNode.h"
#include "game/world/GWorkerSpacing.h"
#include "tests/engine/nodes/NodesTestSupport.h"
#include "tests/engine/video/DriverTestSupport.h"
#include "tests/engine/video/GLTestContext.h"
#include "tests/game/world/StandInLevel.h"
#include "tests/game/world/WorldTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <tuple>
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

namespace {

// A flat coloured box of `width` x `height` under `parent`, its bottom
// centre at the parent's position.
GRectangleNode* addBox(BaseNode* parent, float width, float height, uint32_t fill, const char* name = "Body") {
    auto* box = new GRectangleNode(CObjectName(), parent, nullptr);
    box->release();
    box->setName(CName(name));
    box->setPosition({-width * 0.5f, -height, 0.0f});
    box->setBounds({width, height, 0.0f});
    box->setFillColor(CColor(fill));
    box->setBorderColor(CColor(0xFF202020u));
    return box;
}

// Along the street first, then down the road: the town's roads meet so.
bool streetThenRoad(const CVector2d& from, const CVector2d& to, CArray<CVector2d>& points) {
    points.clear();
    points.push_back(to);
    if (from.x != to.x && from.y != to.y)
        points.push_back(CVector2d(to.x, from.y));
    points.push_back(from);
    return true;
}

// Draws the tree in depth order, as the scene manager does.
CRefHandle<CPixelImage> drawByDepth(BaseNode* root, IGraphicsDriver* driver) {
    EXPECT_TRUE(driver->beginFrame(true, true, CColor(kGrass), nullptr, nullptr));
    driver->setMatrix(MatrixKind::World, CMat4::identity());
    CArray<CRenderItem> list;
    root->registerForRendering(list);
    std::vector<CRenderItem> items(list.begin(), list.end());
    std::stable_sort(items.begin(), items.end(), [](const CRenderItem& a, const CRenderItem& b) {
        return a.node->getDepth() < b.node->getDepth();
    });
    CQuadBatch* batch = driver->quadBatch();
    batch->begin();
    for (const CRenderItem& item : items)
        item.node->render(driver, item.clip);
    batch->end();
    CRefHandle<CPixelImage> shot(driver->takeScreenshot());
    EXPECT_TRUE(driver->endFrame());
    return shot;
}

} // namespace

// The headquarters on the street sends 40 workers (a third carrying wood) to
// three places one after the other, the spacing keeps the bunches apart, and
// a stagecoach drives up the street towards the headquarters.
TEST_F(WorldRenderTest, WalkersAndTheStagecoachOnTheRoadsMatchTheirReference) {
    CEngineManagers::instance().getRandom()->seed(2026);
    m_content.writeWGrid(wgridBytes(townRoads()));
    CRefHandle<BaseNode> root = buildLevel(-1.0f);
    StandInLevel level;
    level.pathSearch = &streetThenRoad;
    level.global->PartDistance.clear();
    for (int i = 0; i < 9; ++i)
        level.global->PartDistance.push_back(16);
    level.global->DilizhansHorseDistanceTolerance = 3;

    auto makeBuilding = [&](float x, float y, float width, float height, uint32_t colour) {
        auto* building = new GBuildingNode(CObjectName(), root.get(), nullptr);
        building->release();
        building->setPosition({x, y - 10.0f, 0.0f});
        building->setChosenArrivalPoint({x, y});
        (void)addBox(building, width, height, colour);
        building->setLevelScene(&level);
        return building;
    };
    GBuildingNode* home = makeBuilding(30.0f, 50.0f, 36.0f, 28.0f, 0xFFB03A2Eu);
    level.headquarters = home;
    GBuildingNode* places[] = {makeBuilding(70.0f, 130.0f, 18.0f, 16.0f, 0xFFD9C38Cu),
                               makeBuilding(190.0f, 130.0f, 18.0f, 16.0f, 0xFFD9C38Cu),
                               makeBuilding(130.0f, 50.0f, 18.0f, 16.0f, 0xFFD9C38Cu)};
    CRefHandle<GBuildingNode> depot(new GBuildingNode(CObjectName(), nullptr, nullptr));
    depot->setChosenArrivalPoint({235.0f, 50.0f});
    depot->setLevelScene(&level);

    auto* walkers = new BaseNode(CObjectName(), root.get(), nullptr);
    walkers->release();
    level.walkerLayer = walkers;
    CRefHandle<GWorkerConfig> record(new GWorkerConfig);
    record->Velocity = 120;
    record->MinimumVelocity = 60;
    record->MaximumVelocity = 150;
    CRefHandle<GWorkerSpacing> spacing(new GWorkerSpacing);
    std::vector<GWorkerNode*> workers;
    for (int i = 0; i < 40; ++i) {
        auto* worker = new GWorkerNode(CObjectName(), walkers, nullptr);
        worker->release();
        worker->setBounds({2.0f, 4.0f, 0.0f});
        worker->setWorkerConfig(record.get());
        const bool wood = i % 3 == 0;
        if (wood)
            worker->addResource(nameIdMaterials(), 5);
        (void)addBox(worker, 6.0f, 10.0f, wood ? 0xFFE08A1Eu : 0xFF3A6FD8u);
        worker->setLevelScene(&level);
        worker->setTarget(home);
        worker->sendTo(places[i % 3], false);
        spacing->addWorker(worker);
        workers.push_back(worker);
    }

    // The coach's parts come from its scene manager's templates.
    CRefHandle<SceneManager> manager(new SceneManager(CObjectName(), nullptr, nullptr));
    CRefHandle<TemplateCollectionNode> templates(new TemplateCollectionNode(CObjectName(), nullptr, nullptr));
    auto* coachTemplate = new BaseNode(CObjectName(), templates.get(), nullptr);
    coachTemplate->release();
    coachTemplate->setName(CName("DilizhansNew"));
    for (const auto& [name, width, height, colour] :
         {std::tuple{"Horse", 12.0f, 9.0f, 0xFF5B3A1Au}, std::tuple{"Telega", 16.0f, 12.0f, 0xFF8E6B3Eu}}) {
        auto* part = new GCharacterNode(CObjectName(), coachTemplate, nullptr);
        part->release();
        part->setName(CName(name));
        (void)addBox(part, width, height, colour);
    }
    templates->onLoaded();
    manager->setTemplateCollection(templates.get());
    CRefHandle<GDilizhansNode> coach(new GDilizhansNode(CObjectName(), nullptr, manager.get()));
    CRefHandle<GWorkerConfig> coachRecord(new GWorkerConfig);
    coachRecord->Velocity = 100;
    coach->setWorkerConfig(coachRecord.get());
    coach->setLevelScene(&level);
    coach->setTarget(depot.get());
    coach->sendTo(home, false);
    spacing->addWorker(coach.get());

    for (int step = 0; step < 30; ++step) {
        (void)home->update(30);
        (void)depot->update(30);
        for (GWorkerNode* worker : workers)
            (void)worker->update(30);
        (void)coach->update(30);
        spacing->update(30);
    }
    ASSERT_NE(coach->getHorse(), nullptr);
    EXPECT_TRUE(coach->getHorse()->isVisible());
    int walking = 0;
    for (GWorkerNode* worker : workers)
        walking += worker->isWalking() ? 1 : 0;
    EXPECT_GT(walking, 5);
    CRefHandle<CPixelImage> shot = drawByDepth(root.get(), m_driver.get());
    ASSERT_TRUE(shot);
    expectMatchesReference(shot.get(), "WalkersReference.png");
}
