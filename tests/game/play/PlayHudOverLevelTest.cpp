// The play screen's HUD over the fixture level of the world's tests: the real
// level scene, with its buildings from the game's template collection, on a
// scene manager of its own under the HUD, drawn through the OpenGL driver.
// Two houses stand from the start, so the first objectives group is met at
// once and the second group's fallen tree is out as well.

#include "engine/content/CContentManager.h"
#include "engine/core/CEngine.h"
#include "engine/core/CEngineManagers.h"
#include "engine/content/CDictionary.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/io/FilePaths.h"
#include "engine/io/IReadableFile.h"
#include "engine/scene/SceneManager.h"
#include "engine/scene/TemplateCollectionNode.h"
#include "game/app/GGameApplication.h"
#include "game/app/GLevelObjectivesScene.h"
#include "game/config/LevelConfiguration.h"
#include "game/config/ObjectsConfiguration.h"
#include "game/config/TabsConfiguration.h"
#include "game/nodes/GCounterTextNode.h"
#include "game/world/GGameLevelScene.h"
#include "tests/game/play/PlayScreenTestSupport.h"

#include <gtest/gtest.h>

#include <type_traits>

namespace {

using sceneflow::kSourceFolder;

class PlayHudOverLevel : public PlayScreenTest {
protected:
    void TearDown() override {
        if (m_overlay) {
            static_cast<void>(m_overlay->setScene(nullptr));
            m_overlay->setTemplateCollection(nullptr);
        }
        m_levelScene.reset();
        m_overlay.reset();
        m_levelTemplates.reset();
        PlayScreenTest::TearDown();
    }

    // Reads `path` (from the repository) into `record`.
    template <class T> bool readRecord(CVirtualFileSystem* files, const char16_t* path, T& record) {
        CRefHandle<IReadableFile> file(files->openForRead(CStringW(path)));
        if (!file)
            return false;
        CRefHandle<CXmlStreamReader> reader(new CXmlStreamReader(file.get()));
        if constexpr (std::is_void_v<decltype(record.readFromXml(*reader))>) {
            record.readFromXml(*reader);
            return true;
        } else {
            return record.readFromXml(*reader);
        }
    }

    CRefHandle<SceneManager> m_overlay;
    CRefHandle<TemplateCollectionNode> m_levelTemplates;
    CRefHandle<GGameLevelScene> m_levelScene;
};

TEST_F(PlayHudOverLevel, HudOverTheFixtureLevelDrawnThroughOpenGLMatchesItsReference) {
    // The game's own assets: its template collection, the pictures the
    // buildings and walkers take, and the constants that name their scenery.
    sceneflow::copyGameAssets(m_dir.path());
    startGame(false);
    CEngineManagers::instance().getDictionary()->set("MoneyDollar", CStringW(u"$#p"));
    // The repository beside the game's own folder: the fixture level and
    // the pictures it names.
    CEngine* engine = m_game->getEngine();
    CVirtualFileSystem* files = engine->getFileSystem();
    ASSERT_NE(files->mountArchive(fromNativePath(kSourceFolder.string()), nullptr), nullptr);
    CContentManager* content = m_game->getContentManager();

    m_levelTemplates.reset(
        content->loadNode<TemplateCollectionNode>(CStringW(u"scenes/TemplateCollection.mscn"), false));
    ASSERT_TRUE(m_levelTemplates);
    m_levelScene.reset(
        content->loadNode<GGameLevelScene>(CStringW(u"tests/game/world/data/level1/Level.mscn"), false));
    ASSERT_TRUE(m_levelScene);

    // The level under the HUD, on a scene manager of its own with the
    // buildings' and walkers' templates.
    m_overlay.reset(new SceneManager(CObjectName(), nullptr, nullptr));
    m_overlay->setEngine(engine);
    m_overlay->setTemplateCollection(m_levelTemplates.get());
    m_overlay->setPosition(CVector3d(0.0f, 0.0f, -1000.0f));
    m_play->insertChild(m_overlay.get(), 0);
    // The real level takes the place of the fixture's stand-in field.
    BaseNode* standIn = m_play->findChild(CName("LevelStandIn"), 0);
    ASSERT_NE(standIn, nullptr);
    standIn->setVisible(false);
    ASSERT_TRUE(m_overlay->setScene(m_levelScene.get()));

    CRefHandle<ObjectsConfiguration> objects{new ObjectsConfiguration};
    CRefHandle<CVirtualFileSystem> shared{new CVirtualFileSystem};
    ASSERT_NE(shared->mountArchive(fromNativePath((kSourceFolder / "assets").string()), nullptr), nullptr);
    objects->reload(shared.get());
    CRefHandle<LevelConfiguration> rules{new LevelConfiguration};
    ASSERT_TRUE(readRecord(files, u"tests/game/world/data/level1/LevelConfiguration.xml", *rules));
    CRefHandle<TabsConfiguration> tabs{new TabsConfiguration};
    ASSERT_TRUE(readRecord(files, u"assets/scenes/TabsConfiguration.xml", *tabs));

    // A station, two houses and a shop stand; the rest is to build.
    const std::pair<const char*, const char*> built[] = {
        {"Place1", "RailRoadStation1"}, {"Place2", "Apartment1"}, {"Place3", "Shop1"}, {"Place8", "Apartment1"}};
    for (const auto& [name, record] : built)
        nodeCast<ControlNode>(m_levelScene->findChild(CName(name), 0))->setTemplateName(CName(record));
    m_levelScene->setBuildingsConfiguration(objects.get());
    m_levelScene->setLevelConfiguration(rules.get());
    m_levelScene->rebuildWalkGrid();
    m_levelScene->setObjectivesActive(true);
    m_levelScene->recalculate();

    ASSERT_TRUE(m_play->bindLevel(m_levelScene.get()));
    m_play->setTabsConfiguration(tabs.get());
    m_play->fillBuildLists();
    m_play->updateBuildListStates(0);
    m_play->updateMoneyPanel();
    m_play->layoutGoalsPanel();
    m_play->updateGoalChecks(true);
    // The arrival's objectives window comes in first and goes back as its
    // OK sends it: the picture is of the HUD over the level.
    SceneManager* scenes = m_game->getSceneManager();
    ASSERT_TRUE(runUntil([&] {
        return topName() == "LevelObjectivesScene" && scenes->getPendingTransitionCount() == 0;
    }));
    auto* objectives = nodeCast<GLevelObjectivesScene>(scenes->getCurrentScene());
    ASSERT_NE(objectives, nullptr);
    ASSERT_TRUE(objectives->navigateBack(0, CName("NavBackFrom"), CName("NavBackTo")));
    ASSERT_TRUE(runUntil([&] { return topName() == "GamePlayScene" && scenes->getPendingTransitionCount() == 0; }));
    ASSERT_TRUE(runUntil([&] { return !m_play->getMoneyCounter()->isCounting(); }));
    ASSERT_TRUE(runSteps(3));
    EXPECT_EQ(m_levelScene->getLevelIncome(), m_play->getLevel()->getLevelIncome());
    m_game->drawFrame();
    expectScreenLooksLike(kSourceFolder / "tests/game/play/data/PlayHudOverLevelReference.png");
}

} // namespace
