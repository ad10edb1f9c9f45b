// The town's assets as the game reads them: every state a scene or template
// file hands on (to a later state of the same node, or to its children) is
// there to take it; the first level, loaded through the real level scene
// with the real templates and the shared configuration, runs a few minutes of
// building without a single warning; and every level, loaded by the real
// loading screen with everything it names, reaches its play screen without
// one either.
//
// BM_WORLD_PICTURE=<file.png> keeps a picture of the first level as drawn
// after the run, to look at.

#include "engine/content/CContentManager.h"
#include "engine/content/CProfileManager.h"
#include "engine/content/CProfileParameters.h"
#include "engine/content/CPixelImage.h"
#include "engine/content/ContentType.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/io/FilePaths.h"
#include "engine/nodes/SpriteNode.h"
#include "engine/scene/SceneManager.h"
#include "engine/scene/TemplateCollectionNode.h"
#include "engine/sound/CSoundCueManager.h"
#include "engine/sound/SoundPack.h"
#include "game/app/GBaseSceneNode.h"
#include "game/app/GIntroScene.h"
#include "game/config/GBuildingConfig.h"
#include "game/config/LevelConfiguration.h"
#include "game/config/ObjectsConfiguration.h"
#include "game/world/GBuildingNode.h"
#include "game/world/GGameLevelScene.h"
#include "game/world/GHeadquartersOperations.h"
#include "game/world/GMajorOfficeNode.h"
#include "game/world/GWGridNode.h"
#include "game/play/GGamePlayScene.h"
#include "tests/game/app/FrontEndRunFixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <pugixml.hpp>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const fs::path kAssets = sceneflow::kSourceFolder / "assets";

std::string nameOf(pugi::xml_node node) {
    return node.child("Properties").find_child_by_attribute("Name", "Name").attribute("Value").value();
}

std::set<std::string> statesOf(pugi::xml_node node) {
    std::set<std::string> out;
    for (pugi::xml_node state : node.child("States").children("State"))
        out.insert(state.attribute("Name").value());
    return out;
}

void forEachNode(pugi::xml_node node, const std::function<void(pugi::xml_node)>& visit) {
    visit(node);
    for (pugi::xml_node child : node.children("SceneNode"))
        forEachNode(child, visit);
}

std::vector<std::string> split(const std::string& text) {
    std::vector<std::string> out;
    std::stringstream in(text);
    for (std::string part; std::getline(in, part, ';');)
        if (!part.empty())
            out.push_back(part);
    return out;
}

} // namespace

// A state that hands on names a state of its own node; a SetStates step
// names children of the node, each with the state it is handed.
TEST(WorldAssets, EveryStateAFileHandsOnIsThereToTakeIt) {
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(kAssets)) {
        if (entry.path().extension() != ".mscn")
            continue;
        ++files;
        SCOPED_TRACE(entry.path().string());
        pugi::xml_document doc;
        ASSERT_TRUE(doc.load_file(entry.path().c_str()));
        forEachNode(doc.child("SceneNode"), [&](pugi::xml_node node) {
            const std::set<std::string> own = statesOf(node);
            for (pugi::xml_node state : node.child("States").children("State")) {
                const std::string next = state.attribute("NextState").value();
                if (!next.empty()) {
                    EXPECT_TRUE(own.count(next)) << nameOf(node) << ": " << state.attribute("Name").value()
                                                 << " hands on to " << next;
                }
                for (pugi::xpath_node found : state.select_nodes(".//StartAnimator[@Type='SetStates']/State")) {
                    const std::string handed = found.node().attribute("Name").value();
                    for (const std::string& childName : split(found.node().attribute("Children").value())) {
                        pugi::xml_node child;
                        for (pugi::xml_node c : node.children("SceneNode"))
                            if (nameOf(c) == childName)
                                child = c;
                        ASSERT_TRUE(child) << nameOf(node) << " has no child " << childName;
                        EXPECT_TRUE(statesOf(child).count(handed))
                            << nameOf(node) << "/" << childName << " lacks " << handed;
                    }
                }
            }
        });
    }
    EXPECT_GT(files, 0);
}

using frontend::FrontEndRun;

// The first level as the loading screen prepares it: the shared atlases and
// sounds, the template collection on the scene manager, the configuration,
// then the level scene itself; a house and a lumber mill are built on it.
TEST_F(FrontEndRun, LevelOneRunsThroughTheRealLevelSceneWithoutAWarning) {
    GGameApplication* game = start();
    ASSERT_TRUE(game->init(CStringW()));
    listen();
    // What start-up finds missing on this machine (Direct3D, a sound device) is not the assets' concern.
    m_warnings.clear();
    game->registerGameClasses();
    ASSERT_TRUE(runSteps(5));

    CContentManager* content = game->getContentManager();
    std::vector<CRefHandle<IContent>> held;
    for (const char16_t* atlas : {u"atlases/Common.xml", u"atlases/Buildings.xml", u"atlases/Env1.xml",
                                  u"atlases/Env2.xml", u"atlases/Level1.xml"}) {
        held.emplace_back(content->load(ContentTypeAtlasCollection, CStringW(atlas), false));
        ASSERT_TRUE(held.back()) << frontend::narrow(CStringW(atlas));
    }
    for (const char16_t* path : {u"sounds/SoundPack.xml", u"sounds/SoundPackLevel1.xml"}) {
        CRefHandle<IContent> pack(content->load(ContentTypeSoundPack, CStringW(path), false));
        ASSERT_TRUE(pack) << frontend::narrow(CStringW(path));
        dynamic_cast<SoundPack*>(pack.get())->registerCues(game->getEngine()->getSoundCueManager());
    }
    // The town's own templates, which the level's scene manager holds.
    CRefHandle<IContent> loaded(
        content->load(ContentTypeSceneNode, CStringW(u"levels/common/TemplateCollection.mscn"), false));
    auto* templates = nodeCast<TemplateCollectionNode>(dynamic_cast<BaseNode*>(loaded.get()));
    ASSERT_NE(templates, nullptr);
    SceneManager* scenes = game->getSceneManager();
    scenes->setTemplateCollection(templates);

    CVirtualFileSystem* files = game->getEngine()->getFileSystem();
    ObjectsConfiguration* objects = game->getObjectsConfiguration();
    objects->clear();
    for (const char16_t* path : ObjectsConfiguration::FileNames) {
        CRefHandle<CXmlStreamReader> reader(files->openXmlReader(CStringW(path)));
        ASSERT_TRUE(reader) << frontend::narrow(CStringW(path));
        ASSERT_TRUE(objects->readFromXml(*reader));
    }
    CRefHandle<LevelConfiguration> rules(new LevelConfiguration);
    {
        CRefHandle<CXmlStreamReader> reader(files->openXmlReader(CStringW(u"levels/level1/LevelConfiguration.xml")));
        ASSERT_TRUE(reader);
        rules->readFromXml(*reader);
    }
    CRefHandle<IContent> levelContent(
        content->load(ContentTypeSceneNode, CStringW(u"levels/level1/Level.mscn"), false));
    CRefHandle<GGameLevelScene> level =
        CRefHandle<GGameLevelScene>::share(nodeCast<GGameLevelScene>(dynamic_cast<BaseNode*>(levelContent.get())));
    ASSERT_TRUE(level);
    // On the scene manager first, so its places and walkers take their templates.
    ASSERT_TRUE(scenes->setScene(level.get()));
    level->setBuildingsConfiguration(objects);
    level->setLevelConfiguration(rules.get());
    level->rebuildWalkGrid();
    ASSERT_TRUE(runSteps(30));

    // The roads are drawn: every tile the walk grid laid has its picture
    // (the level the loading screen hands on is a copy of the file's).
    ASSERT_NE(level->getWalkGrid(), nullptr);
    const BaseNode* tiles = level->getWalkGrid()->getTileHolder();
    ASSERT_NE(tiles, nullptr);
    EXPECT_FALSE(tiles->getChildren().empty());
    for (const BaseNode* tile : tiles->getChildren()) {
        const auto* sprite = nodeCast<SpriteNode>(tile);
        EXPECT_TRUE(sprite && sprite->getAtlasTexture()) << tile->getName().str().c_str();
    }

    auto* hq = nodeCast<GMajorOfficeNode>(level->getHeadquarters());
    ASSERT_NE(hq, nullptr);
    // Build what the first level asks for on the first places the workers reach.
    int started = 0;
    for (const char* kind : {"Apartment1", "LumberMill1"}) {
        for (GBuildingNode* place : level->getPlaces()) {
            if (place != hq && place->isReachable() && startBuild(*hq, place, objects->findBuilding(CName(kind)))) {
                ++started;
                break;
            }
        }
    }
    int road = 0;
    for (int32_t c = 0; c < level->getPathFinder().getColumns(); ++c)
        for (int32_t r = 0; r < level->getPathFinder().getRows(); ++r)
            road += level->getPathFinder().getCost(c, r) == 0 ? 1 : 0;
    int reachable = 0;
    for (GBuildingNode* place : level->getPlaces())
        reachable += place->isReachable() ? 1 : 0;
    EXPECT_GT(started, 0) << "money " << hq->getMoney() << ", workers " << hq->getWorkersCount() << ", materials "
                          << hq->getResource(CName("Materials")) << ", reachable places " << reachable << " of "
                          << level->getPlaces().size() << ", road cells " << road;
    // The workers on their way and at work, then long enough for them to
    // finish and come home.
    ASSERT_TRUE(runFor(7000));
    if (const char* picture = std::getenv("BM_WORLD_PICTURE")) {
        CRefHandle<CPixelImage> shot(screenshot());
        ASSERT_TRUE(shot);
        EXPECT_TRUE(content->save(ContentTypeImage, shot.get(), fromNativePath(picture), nullptr));
    }
    ASSERT_TRUE(runFor(20000));
    EXPECT_EQ(hq->getWorkersCount(), rules->InitWorkersCount);
    static_cast<void>(scenes->setScene(nullptr));
    EXPECT_EQ(warnings(), std::vector<std::string>());
}

// Every level as a player reaches it: the real loading screen loads what it
// names for the level (the atlases, the level's sound pack, the town's
// templates, the configuration, the level scene and the play screen) and
// the objectives window comes up over the town, and not a line of warning
// is written on the way. One game goes through the twelve levels of a
// season, each started from the window of the one before.
class SeasonThroughTheLoadingScreen : public FrontEndRun, public ::testing::WithParamInterface<int> {};

TEST_P(SeasonThroughTheLoadingScreen, EachLevelReachesItsPlayScreenWithoutAWarning) {
    const int season = GetParam();
    GGameApplication* game = start();
    ASSERT_TRUE(game->init(CStringW()));
    CProfileManager* profiles = game->getEngine()->getProfileManager();
    ASSERT_TRUE(profiles->addProfile(CStringW(u"Ada")));
    ASSERT_TRUE(profiles->setActiveProfile(0));
    CProfileParameters* player = profiles->getActiveProfile();
    player->setBool("PlayFirstComics", false);
    ASSERT_TRUE(settleOn("MainMenuScene", 0));
    listen();
    for (int number = season * 12 - 11; number <= season * 12; ++number) {
        SCOPED_TRACE("level " + std::to_string(number));
        player->setInt("LevelIndex", number - 1);
        player->setInt("MaxUnlockedLevelIndex", number - 1);
        auto* shown = nodeCast<GBaseSceneNode>(game->getSceneManager()->getCurrentScene());
        ASSERT_NE(shown, nullptr);
        ASSERT_TRUE(shown->goToIntro(IntroLevel, CStringW(), 0));
        ASSERT_TRUE(runUntil([&] { return nodeCast<GIntroScene>(game->getSceneManager()->getCurrentScene()); }));
        ASSERT_TRUE(settleOn("LevelObjectivesScene", 0));
        GGamePlayScene* screen = nullptr;
        for (BaseNode* scene : game->getSceneManager()->getChildren())
            if (auto* found = nodeCast<GGamePlayScene>(scene))
                screen = found;
        ASSERT_NE(screen, nullptr);
        ASSERT_NE(screen->getWorld(), nullptr);
        EXPECT_EQ(screen->getWorld()->getLevelNumber(), number);
        EXPECT_NE(game->getOverlaySceneManager()->getTemplateCollection(), nullptr);
        // The jingles of the level's start and end outlive the level's own sounds.
        for (const char* cue : {"LevelCompleted", "ObjectivesWindow", "TutorialWindow", "TimeOver"})
            EXPECT_NE(game->getEngine()->getSoundCueManager()->findCue(CName(cue)), nullptr) << cue;
        // The guide speaks every hint of the level's tutorial: its own pack came.
        std::ifstream tutorial(kAssets / ("levels/level" + std::to_string(number) + "/Tutorial.xml"));
        const std::string text((std::istreambuf_iterator<char>(tutorial)), std::istreambuf_iterator<char>());
        const std::regex hint("<Text Value=\"%([A-Za-z0-9_]+)%\"");
        for (std::sregex_iterator it(text.begin(), text.end(), hint), end; it != end; ++it)
            EXPECT_NE(game->getEngine()->getSoundCueManager()->findCue(CName((*it)[1].str().c_str())), nullptr)
                << "no voice for " << (*it)[1];
        EXPECT_EQ(warnings(), std::vector<std::string>());
        m_warnings.clear();
    }
}

INSTANTIATE_TEST_SUITE_P(Levels, SeasonThroughTheLoadingScreen, ::testing::Range(1, 5),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return "Season" + std::to_string(info.param);
                         });
