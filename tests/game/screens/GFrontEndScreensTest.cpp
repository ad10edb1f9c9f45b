#include "engine/content/CProfileManager.h"
#include "engine/core/CEventKeyUp.h"
#include "engine/nodes/TextNode.h"
#include "engine/scene/CEventClicked.h"
#include "engine/scene/ControlNode.h"
#include "game/screens/GMainMenuScene.h"
#include "game/screens/GQuitConfirmationScene.h"
#include "tests/game/app/SceneFlowFixture.h"

using namespace sceneflow;

namespace {

std::string button(const char* name) {
    return std::string(R"(<SceneNode Type="ButtonNode"><Properties><string Name="Name" Value=")") + name +
           R"("/></Properties></SceneNode>)";
}

// A menu with every button and a credits panel whose back button starts hidden.
std::string menuScene() {
    return R"(<?xml version="1.0"?><SceneNode Type="GMainMenuScene"><Properties><string Name="Name" Value="Menu"/></Properties>
  <SceneNode Type="BaseNode"><Properties><string Name="Name" Value="Buttons"/></Properties>)" +
           button("NewGameButton") + button("ChangePlayerButton") + button("OptionsButton") + button("CreditsButton") +
           button("AchievementsButton") + button("QuitButton") + button("OtherButton") +
           R"(</SceneNode>
  <SceneNode Type="BaseNode"><Properties><string Name="Name" Value="BgScene"/></Properties>
    <SceneNode Type="BaseNode"><Properties><string Name="Name" Value="ActiveBg"/></Properties>)" +
           button("BackButton") + R"(</SceneNode></SceneNode>
  <SceneNode Type="BaseNode"><Properties><string Name="Name" Value="Scene_bubl"/></Properties>
    <SceneNode Type="TextNode"><Properties><string Name="Name" Value="WelcomeText"/></Properties></SceneNode>
  </SceneNode>
</SceneNode>)";
}

constexpr const char* kQuitScene = R"(<?xml version="1.0"?>
<SceneNode Type="GQuitConfirmationScene"><Properties><string Name="Name" Value="Quit"/></Properties>
  <SceneNode Type="SceneNode"><Properties><string Name="Name" Value="Scene"/></Properties>
    <SceneNode Type="TextNode"><Properties><string Name="Name" Value="InfoText"/></Properties></SceneNode>
  </SceneNode>
</SceneNode>)";

} // namespace

class FrontEndScreens : public SceneFlowTest {
protected:
    // The game on its logos screen with the menu pushed over it.
    GMainMenuScene* openMenu() {
        writeStartScenes();
        write("logos/Logos.xml", R"(<Logos><Logo Image="logos/A.png" Time="600000"/></Logos>)");
        writePicture("logos/A.png", 4, 4);
        write("scenes/Menu.mscn", menuScene());
        write("scenes/QuitConfirmationScene.mscn", kQuitScene);
        write("scenes/SelectPlayerScene.mscn", screen("SceneNode", "Players"));
        write("scenes/OptionsScene.mscn", screen("SceneNode", "Options"));
        write("scenes/CreditsScene.mscn", screen("SceneNode", "Credits"));
        write("scenes/AchievementsScene.mscn", screen("SceneNode", "Achievements"));
        GGameApplication* game = start();
        EXPECT_TRUE(game->init(CStringW()));
        // A player, so that the menu has no player scenes to force.
        CProfileManager* profiles = game->getEngine()->getProfileManager();
        EXPECT_TRUE(profiles->findProfile(CStringW(u"Ann")) || profiles->addProfile(CStringW(u"Ann")));
        EXPECT_TRUE(profiles->setActiveProfile(0));
        EXPECT_TRUE(runSteps(10));
        SceneNode* below = game->getSceneManager()->getCurrentScene();
        CRefHandle<SceneNode> menu = below->navigateToFile(CStringW(u"scenes/Menu.mscn"), false);
        EXPECT_TRUE(runUntilTop("Menu"));
        EXPECT_TRUE(runSteps(10));
        return nodeCast<GMainMenuScene>(menu.get());
    }

    bool click(GBaseSceneNode* scene, const char* name) {
        auto* control = static_cast<ControlNode*>(scene->findChild(CName(name), 3));
        EXPECT_NE(control, nullptr) << name;
        CRefHandle<CEventClicked> event(new CEventClicked(control));
        return scene->onControlClicked(event.get());
    }

    void restart() {
        m_game->release();
        m_game = nullptr;
    }
};

TEST_F(FrontEndScreens, MenuButtonsOpenTheirScreensOverTheMenu) {
    const struct {
        const char* button;
        const char* screen;
    } rows[] = {{"QuitButton", "Quit"},
                {"ChangePlayerButton", "Players"},
                {"OptionsButton", "Options"},
                {"CreditsButton", "Credits"},
                {"AchievementsButton", "Achievements"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.button);
        GMainMenuScene* menu = openMenu();
        ASSERT_NE(menu, nullptr);
        EXPECT_FALSE(menu->getBackButton()->isVisible()) << "the credits panel starts closed";
        EXPECT_TRUE(click(menu, row.button));
        EXPECT_TRUE(runUntilTop(row.screen));
        SceneNode* top = m_game->getSceneManager()->getCurrentScene();
        EXPECT_EQ(top->getSceneBelow(), menu) << "the menu stays beneath";
        restart();
    }
    GMainMenuScene* menu = openMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_FALSE(click(menu, "OtherButton"));
    ASSERT_TRUE(runSteps(10));
    EXPECT_EQ(topName(), "Menu");
}

TEST_F(FrontEndScreens, AMissingScreenFileOpensNothing) {
    GMainMenuScene* menu = openMenu();
    ASSERT_NE(menu, nullptr);
    std::filesystem::remove(m_dir.path() / "assets/scenes/OptionsScene.mscn");
    EXPECT_TRUE(click(menu, "OptionsButton"));
    ASSERT_TRUE(runSteps(20));
    EXPECT_EQ(topName(), "Menu");
}

TEST_F(FrontEndScreens, EscAsksToQuitAndTheQuestionGoesBackOnEscOrQuitsOnEnter) {
    GMainMenuScene* menu = openMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(post(new CEventKeyUp(0, 27)));
    ASSERT_TRUE(runUntilTop("Quit"));
    auto* quit = nodeCast<GQuitConfirmationScene>(m_game->getSceneManager()->getCurrentScene());
    ASSERT_NE(quit, nullptr);
    auto* info = static_cast<TextNode*>(quit->findChild(CName("Scene"), 1)->findChild(CName("InfoText"), 1));
    EXPECT_EQ(info->getText(), CStringW(u"%QuitConfirmation%"));

    // Esc answers no: back to the menu, which stays open.
    EXPECT_TRUE(post(new CEventKeyUp(0, 27)));
    ASSERT_TRUE(runUntilTop("Menu"));
    ASSERT_TRUE(runSteps(10));

    // Asked again, Enter answers yes and the game's loop ends.
    EXPECT_TRUE(click(menu, "QuitButton"));
    ASSERT_TRUE(runUntilTop("Quit"));
    EXPECT_TRUE(post(new CEventKeyUp(0, 13)));
    bool running = true;
    for (int i = 0; i < 20 && running; ++i)
        running = m_game->run();
    EXPECT_FALSE(running);
}
