// Every level of the journey, loaded as the game loads it: its scene through
// the content manager with the world's own classes, its rules and the shared
// configuration handed to it, and its walk grid built.

#include "engine/content/CContentManager.h"
#include "engine/content/CContentProcessorsManager.h"
#include "engine/core/CEngine.h"
#include "engine/core/CEngineCreationParams.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/io/FilePaths.h"
#include "engine/io/IReadableFile.h"
#include "engine/nodes/StandardNodes.h"
#include "engine/scene/CNodeFactory.h"
#include "engine/scene/CSceneNodeProcessor.h"
#include "game/config/LevelConfiguration.h"
#include "game/config/ObjectsConfiguration.h"
#include "game/nodes/GPolygonNode.h"
#include "game/world/GBuildingNode.h"
#include "game/world/GGameLevelScene.h"
#include "game/world/GMajorOfficeNode.h"
#include "game/world/GOnRoadLocationNode.h"
#include "game/world/GPathFinder.h"
#include "game/world/GRailRoadNode.h"
#include "game/world/GWGridNode.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class JourneyLevel : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        ASSERT_NE(m_files->mountArchive(fromNativePath(m_root + "/assets"), nullptr), nullptr);
        m_files->addRef();
        m_engine->setFileSystem(m_files.get());
        setEngineInstance(m_engine.get());
        CNodeFactory* factory = CNodeFactory::getShared();
        registerStandardNodes(*factory);
        (void)factory->registerNodeClass(CStringW(u"GGameLevelScene"), &GGameLevelScene::create);
        (void)factory->registerNodeClass(CStringW(u"GBuildingNode"), &GBuildingNode::create);
        (void)factory->registerNodeClass(CStringW(u"GWGridNode"), &GWGridNode::create);
        (void)factory->registerNodeClass(CStringW(u"GRailRoadNode"), &GRailRoadNode::create);
        (void)factory->registerNodeClass(CStringW(u"GPolygonNode"), &GPolygonNode::create);
        (void)factory->registerNodeClass(CStringW(u"GMajorOfficeNode"), &GMajorOfficeNode::create);
        (void)factory->registerNodeClass(CStringW(u"GOnRoadLocationNode"), &GOnRoadLocationNode::create);
        ASSERT_TRUE(CSceneNodeProcessor::registerWith(m_processors.get(), factory));
        m_objects->reload(m_files.get());
    }
    void TearDown() override { setEngineInstance(nullptr); }

    [[nodiscard]] std::string folder() const { return "levels/level" + std::to_string(GetParam()) + "/"; }

    const std::string m_root = BM_SOURCE_DIR;
    CRefHandle<CVirtualFileSystem> m_files{new CVirtualFileSystem};
    CRefHandle<CContentProcessorsManager> m_processors{new CContentProcessorsManager(m_files.get())};
    CRefHandle<CContentManager> m_content{new CContentManager(nullptr, m_files.get(), m_processors.get())};
    CRefHandle<CEngine> m_engine{new CEngine(CEngineCreationParams())};
    CRefHandle<ObjectsConfiguration> m_objects{new ObjectsConfiguration};
};

TEST_P(JourneyLevel, LoadsBindsItsPartsAndLaysItsRoadsByTheTownHall) {
    CRefHandle<GGameLevelScene> scene(
        m_content->loadNode<GGameLevelScene>(fromNativePath(folder() + "Level.mscn"), false));
    ASSERT_TRUE(scene);
    ASSERT_TRUE(scene->hasHeadquarters());
    EXPECT_EQ(scene->getPlaces().size() % 6, 0u) << "rows of six places";
    EXPECT_GE(scene->getPlaces().size(), 12u);
    EXPECT_NE(scene->getLocationsNode(), nullptr); // its places by the road may all come with later groups
    ASSERT_NE(scene->getWalkGrid(), nullptr);

    CRefHandle<LevelConfiguration> rules{new LevelConfiguration};
    CRefHandle<IReadableFile> file(m_files->openForRead(fromNativePath(folder() + "LevelConfiguration.xml")));
    ASSERT_TRUE(file);
    CRefHandle<CXmlStreamReader> reader(new CXmlStreamReader(file.get()));
    rules->readFromXml(*reader);
    ASSERT_GT(rules->getGroupCount(), 0u);
    scene->setBuildingsConfiguration(m_objects.get());
    scene->setLevelConfiguration(rules.get());
    scene->rebuildWalkGrid();
    ASSERT_TRUE(scene->getPathFinder().hasGrid());

    // The town hall stands on the grid's roads: the cells round it are walkable.
    const GBuildingNode* hq = scene->getHeadquartersBuilding();
    GPathFinder& paths = scene->getPathFinder();
    const int32_t column = int32_t(hq->getPosition().x / 32.0f);
    const int32_t row = int32_t(hq->getPosition().y / 32.0f);
    int walkable = 0;
    for (int32_t r = row - 1; r <= row + 4; ++r)
        for (int32_t c = column - 1; c <= column + 4; ++c)
            walkable += r >= 0 && c >= 0 && r < paths.getRows() && c < paths.getColumns() && paths.getCost(c, r) == 0;
    EXPECT_GT(walkable, 0);
    scene.reset();
}

INSTANTIATE_TEST_SUITE_P(Levels, JourneyLevel, ::testing::Range(1, 49),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return "Level" + std::to_string(info.param);
                         });

} // namespace
