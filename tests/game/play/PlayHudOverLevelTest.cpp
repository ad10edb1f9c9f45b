// The game's own play screen over the fixture level of the world's tests, as
// a player meets it: the real game run headless on its own assets, the
// fixture level in place of the first one, the loading screen, the level's
// objectives window and its OK, then the HUD over the town whose clock runs,
// drawn through the OpenGL driver and compared with its reference picture
// (BM_UPDATE_REFERENCES=1 writes it anew; look at it before committing it).

#include "engine/content/CProfileManager.h"
#include "engine/content/CProfileParameters.h"
#include "engine/nodes/CheckBoxNode.h"
#include "engine/nodes/TabSceneNode.h"
#include "engine/nodes/TextNode.h"
#include "engine/scene/SceneManager.h"
#include "game/app/GBaseSceneNode.h"
#include "game/nodes/GCounterTextNode.h"
#include "game/play/GGamePlayScene.h"
#include "game/world/GGameLevelScene.h"
#include "tests/game/app/FrontEndRunFixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using frontend::narrow;

namespace {

const std::filesystem::path kFixtureLevel = sceneflow::kSourceFolder / "tests/game/world/data/level1";

std::string readText(const std::filesystem::path& path) {
    const std::vector<uint8_t> bytes = readAllBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

// Replaces every `from` in `text` by `to`.
void replaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

// The visible text of the control `name` under `parent`, one level deep.
std::string shownText(const BaseNode* parent, const char* name) {
    const auto* text = parent ? nodeCast<TextNode>(const_cast<BaseNode*>(parent->findChild(CName(name), 1))) : nullptr;
    return text && text->isVisible() ? narrow(text->getText()) : std::string();
}

class PlayHudOverLevel : public frontend::FrontEndRun {
protected:
    void SetUp() override {
        FrontEndRun::SetUp();
        m_references = sceneflow::kSourceFolder / "tests/game/play/data";
        // The fixture level takes the first level's folder.
        for (const char* name : {"LevelConfiguration.xml", "Tutorial.xml", "wgrid.bin"})
            (void)m_dir.write(std::string("assets/levels/level1/") + name, readAllBytes(kFixtureLevel / name));
        // It names its pictures from its place in the repository.
        std::string level = readText(kFixtureLevel / "Level.mscn");
        replaceAll(level, "../../../../../assets/", "../../");
        // A station stands by the railway and a shop by the road; the
        // houses of the first objectives group are the player's to build.
        for (const auto& [place, type] : {std::pair{"Place1", "RailRoadStation1"}, std::pair{"Place10", "Shop1"}}) {
            const size_t name = level.find(std::string("Value=\"") + place + "\"");
            ASSERT_NE(name, std::string::npos) << place;
            const std::string from = "Value=\"BuildingPlace\"";
            const size_t at = level.find(from, name);
            ASSERT_NE(at, std::string::npos) << place;
            level.replace(at, from.size(), std::string("Value=\"") + type + "\"");
        }
        (void)m_dir.write("assets/levels/level1/Level.mscn", std::vector<uint8_t>(level.begin(), level.end()));
        // Until the assets bring a template collection of the levels' own,
        // the game's holds the buildings and walkers the level clones.
        if (!std::filesystem::exists(m_dir.path() / "assets/levels/common/TemplateCollection.mscn")) {
            std::string templates = readText(sceneflow::kSourceFolder / "assets/scenes/TemplateCollection.mscn");
            replaceAll(templates, "Value=\"../", "Value=\"../../");
            (void)m_dir.write("assets/levels/common/TemplateCollection.mscn",
                              std::vector<uint8_t>(templates.begin(), templates.end()));
        }
    }

    [[nodiscard]] GGamePlayScene* play() const {
        for (BaseNode* scene : m_game->getSceneManager()->getChildren())
            if (auto* found = nodeCast<GGamePlayScene>(scene))
                return found;
        return nullptr;
    }
};

} // namespace

TEST_F(PlayHudOverLevel, TheGamesPlayScreenOverTheFixtureLevelLooksLikeItsReference) {
    GGameApplication* game = start();
    ASSERT_TRUE(game->init(CStringW()));
    CProfileManager* profiles = game->getEngine()->getProfileManager();
    ASSERT_TRUE(profiles->addProfile(CStringW(u"Ada")));
    ASSERT_TRUE(profiles->setActiveProfile(0));
    CProfileParameters* player = profiles->getActiveProfile();
    player->setBool("PlayFirstComics", false);
    player->setInt("LevelIndex", 0);
    player->setBool("ShowTutorialOn", false);
    player->setBool("ShowTipsOn", false);
    ASSERT_TRUE(player->save());
    ASSERT_TRUE(settleOn("MainMenuScene"));
    listen();

    // The first level, loaded as the map's Play loads it.
    auto* menu = nodeCast<GBaseSceneNode>(m_game->getSceneManager()->getCurrentScene());
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(menu->goToIntro(IntroLevel, CStringW(), 0));
    ASSERT_TRUE(settleOn("LevelObjectivesScene", 500));
    ASSERT_TRUE(click("OkButton"));
    ASSERT_TRUE(settleOn("GamePlayScene", 0));
    GGamePlayScene* screen = play();
    ASSERT_NE(screen, nullptr);
    GGameLevelScene* level = screen->getWorld();
    ASSERT_NE(level, nullptr);
    EXPECT_TRUE(level->isObjectivesActive());
    EXPECT_EQ(level->getGroupIndex(), 0);
    // The money counter has come up to the town's money.
    ASSERT_TRUE(runUntil([&] { return !screen->getMoneyCounter()->isCounting(); }));
    ASSERT_TRUE(runFor(1000));

    // What the player reads: the money, the first group's goal, and the
    // goals page below the town.
    EXPECT_EQ(narrow(screen->getMoneyCounter()->getText()), "50,000");
    EXPECT_EQ(narrow(screen->getMaterialsAmountText()->getText()), "25");
    ASSERT_FALSE(screen->getPanelGoalChecks().empty());
    EXPECT_TRUE(screen->getPanelGoalChecks()[0]->isVisible());
    // The check box keeps the key; its text node translates it.
    EXPECT_EQ(narrow(screen->getPanelGoalChecks()[0]->getText()), "%Obj_Houses1% (0/1)");
    EXPECT_FALSE(screen->getPanelGoalChecks()[1]->isVisible());
    EXPECT_EQ(screen->getActionsTabs()->getActiveTab(), 3);
    EXPECT_EQ(shownText(screen->getGoalsPage(), "MoneyText"), "Money: $50,000");
    expectLooksLikeReference("PlayHudOverLevelReference");
    for (const std::string& line : warnings())
        ADD_FAILURE() << line;
}
