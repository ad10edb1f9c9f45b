// The main menu driven as a player drives it: the real game headless, the
// menu reached through the logos and the loading screen, mouse and keys
// posted to the engine, the profiles in a folder of the test's own.

#include "game/screens/GMainMenuScene.h"

#include "engine/content/CProfileManager.h"
#include "engine/content/CProfileParameters.h"
#include "engine/core/CEventKeyUp.h"
#include "engine/core/CEventMouseLeftDown.h"
#include "engine/core/CEventMouseLeftUp.h"
#include "engine/core/CEventMouseMove.h"
#include "engine/core/ICursorControl.h"
#include "engine/device/CEventSystemFlowCloseRequest.h"
#include "engine/nodes/MessageBoxNode.h"
#include "engine/nodes/TextNode.h"
#include "engine/scene/Animator.h"
#include "engine/scene/CNodeFactory.h"
#include "engine/scene/CNodeState.h"
#include "engine/scene/ControlNode.h"
#include "game/app/GDebugStatsScene.h"
#include "game/app/GIntroScene.h"
#include "game/screens/GQuitConfirmationScene.h"
#include "tests/game/app/SceneFlowFixture.h"
#include "tests/support/LogCapture.h"

#include <fstream>

using namespace sceneflow;

namespace {

// A node element of `type` named `name` at (x, y) of w x h, with `inner`
// (states and children) inside.
std::string node(const char* type, const char* name, int x, int y, int w, int h, const std::string& inner = "") {
    return std::string(R"(<SceneNode Type=")") + type + R"("><Properties><string Name="Name" Value=")" + name +
           R"("/><vector3d Name="Position" Value=")" + std::to_string(x) + ";" + std::to_string(y) +
           R"(;0"/><vector3d Name="Bounds" Value=")" + std::to_string(w) + ";" + std::to_string(h) +
           R"(;0"/></Properties>)" + inner + "</SceneNode>";
}

// A control the cursor finds: a text over its whole area takes the hits, as
// a template's picture would.
std::string control(const char* type, const char* name, int x, int y, int w, int h, const std::string& inner = "") {
    return node(type, name, x, y, w, h, inner + node("TextNode", "Area", 0, 0, w, h));
}

// A state moving its node's x from `from` to `to` over `ms`.
std::string slide(const char* name, int from, int to, int ms) {
    return std::string(R"(<State Name=")") + name +
           R"("><Animator Type="KeyFrame"><Properties><vector3d Name="Position" Value="0;0;0"/></Properties>)" +
           R"(<KeyFrame t="0" Value0=")" + std::to_string(from) + R"(;0;0"/><KeyFrame t=")" + std::to_string(ms) +
           R"(" i="0" Value0=")" + std::to_string(to) + R"(;0;0"/></Animator></State>)";
}

// A state that only sets other states: `state` on the descendants named
// `children`, or recursively on its node's children when `children` is empty.
std::string setStates(const char* name, const char* state, const char* children) {
    std::string record = std::string(R"(<State Name=")") + state + R"(")";
    if (*children)
        record += std::string(R"( Children=")") + children + R"(")";
    return std::string(R"(<State Name=")") + name + R"("><StartAnimator Type="SetStates">)" + record +
           "/></StartAnimator></State>";
}

std::string states(const std::string& inner) { return "<States>" + inner + "</States>"; }

// A menu whose parts carry the states the menu sets. The character and the
// butterfly move right while they react; the credits roll for 600 ms once
// the panel appears; the backgrounds' own slides take 100 ms.
std::string menuScene() {
    std::string buttons;
    const char* names[] = {"NewGameButton", "ChangePlayerButton", "OptionsButton",
                           "CreditsButton", "AchievementsButton", "QuitButton"};
    for (int i = 0; i < 6; ++i)
        buttons += control("ButtonNode", names[i], 0, i * 60, 200, 50);
    buttons += control("ControlNode", "Butterfly", 300, 0, 40, 40,
                       states(slide("Flying", 300, 360, 600) + slide("Rest", 300, 300, 10)));
    const std::string sideStates = slide("NavBackToSlide", 0, 0, 100) + slide("NavFromSlide", 0, 0, 100);
    return std::string(R"(<?xml version="1.0"?><SceneNode Type="GMainMenuScene"><Properties>
      <string Name="Name" Value="Menu"/><vector3d Name="Bounds" Value="1024;768;0"/></Properties>)") +
           node("ControlNode", "BgScene", 0, 0, 1024, 768,
                states(sideStates) +
                    node("ControlNode", "People", 0, 0, 1024, 768,
                         control("ControlNode", "Gertruda", 700, 400, 100, 200,
                                 states(slide("GertrudaHover", 700, 760, 600) + slide("Rest", 700, 700, 10)))) +
                    node("ControlNode", "ActiveBg", 200, 100, 600, 560,
                         states(setStates("Appear", "Roll", "ClipNode") + slide("Disappear", 200, 200, 100)) +
                             node("BaseNode", "ClipNode", 20, 20, 560, 400,
                                  states(setStates("Roll", "Scrolling", "")) +
                                      node("TextNode", "Credits", 0, 0, 560, 400,
                                           states(slide("Scrolling", 0, 0, 600)))) +
                             control("ButtonNode", "BackButton", 200, 480, 200, 50))) +
           node("ControlNode", "Buttons", 60, 200, 400, 400, states(sideStates) + buttons) +
           node("BaseNode", "Scene_bubl", 420, 100, 400, 100,
                states(sideStates) + node("TextNode", "WelcomeText", 0, 0, 400, 100)) +
           "</SceneNode>";
}

constexpr const char* kQuitScene = R"(<?xml version="1.0"?>
<SceneNode Type="GQuitConfirmationScene"><Properties><string Name="Name" Value="Quit"/></Properties>
  <SceneNode Type="SceneNode"><Properties><string Name="Name" Value="Scene"/></Properties>
    <SceneNode Type="TextNode"><Properties><string Name="Name" Value="InfoText"/></Properties></SceneNode>
  </SceneNode>
</SceneNode>)";

// The one-button question: its OK button covers (400, 400)-(600, 450).
constexpr const char* kTemplates = R"(<?xml version="1.0"?>
<SceneNode Type="TemplateCollectionNode"><Properties><string Name="Name" Value="Templates"/></Properties>
  <SceneNode Type="BaseNode"><Properties><string Name="Name" Value="MessageBox1Button"/>
      <vector3d Name="Bounds" Value="1024;768;0"/></Properties>
    <SceneNode Type="TextNode"><Properties><string Name="Name" Value="TitleText"/></Properties></SceneNode>
    <SceneNode Type="TextNode"><Properties><string Name="Name" Value="BodyText"/></Properties></SceneNode>
    <SceneNode Type="ButtonNode"><Properties><string Name="Name" Value="Button"/>
      <vector3d Name="Position" Value="400;400;0"/><vector3d Name="Bounds" Value="200;50;0"/></Properties>
      <SceneNode Type="TextNode"><Properties><string Name="Name" Value="Area"/>
        <vector3d Name="Bounds" Value="200;50;0"/></Properties></SceneNode></SceneNode>
  </SceneNode>
</SceneNode>)";

// Where a player points at a node: the middle of its Bounds on the screen.
std::pair<int, int> middleOf(BaseNode* node) {
    node->updateAbsoluteTransformation();
    const CMat4& m = node->getAbsoluteTransformation();
    return {int(m[12] + node->getBounds().x / 2), int(m[13] + node->getBounds().y / 2)};
}

} // namespace

class GMainMenuFlow : public SceneFlowTest {
protected:
    void SetUp() override {
        SceneFlowTest::SetUp();
        writeStartScenes("GMainMenuScene");
        write("scenes/MainMenuScene.mscn", menuScene());
        write("logos/Logos.xml", R"(<Logos><Logo Image="logos/A.png" Time="10"/></Logos>)");
        writePicture("logos/A.png", 4, 4);
        write("scenes/TemplateCollection.mscn", kTemplates);
        write("strings/Dictionary.xml", R"(<?xml version="1.0" encoding="utf-8"?>
          <Dictionary><s n="MainMenu_WelcomeTxt">Hello, #p!</s></Dictionary>)");
        write("scenes/QuitConfirmationScene.mscn", kQuitScene);
        write("scenes/SelectPlayerScene.mscn", screen("SceneNode", "PlayerList"));
        write("scenes/SelectPlayerInputNameScene.mscn", screen("SceneNode", "NameEntry"));
        write("scenes/OptionsScene.mscn", screen("SceneNode", "Options"));
        write("scenes/CreditsScene.mscn", screen("SceneNode", "Credits"));
        write("scenes/AchievementsScene.mscn", screen("SceneNode", "Achievements"));
    }
    void TearDown() override {
        GGameApplication::setDeveloperMode(false);
        SceneFlowTest::TearDown();
    }

    // Starts the game, with the players of `names` (the last one current)
    // when given, and runs it until the menu has arrived.
    GMainMenuScene* startToMenu(std::initializer_list<const char16_t*> names = {}) {
        GGameApplication* game = start();
        EXPECT_TRUE(game->init(CStringW()));
        CProfileManager* profiles = game->getEngine()->getProfileManager();
        for (const char16_t* name : names) {
            EXPECT_TRUE(profiles->addProfile(CStringW(name)));
            EXPECT_TRUE(profiles->setActiveProfile(int(profiles->getProfileCount()) - 1));
        }
        if (names.size()) {
            EXPECT_TRUE(profiles->saveUserProfiles());
        }
        return waitForMenu();
    }

    GMainMenuScene* waitForMenu() {
        GMainMenuScene* found = nullptr;
        EXPECT_TRUE(runUntil([&] {
            found = findMenu();
            return found && !m_game->getSceneManager()->isInTransition(found);
        }));
        EXPECT_TRUE(runFor(100));
        return findMenu();
    }

    [[nodiscard]] GMainMenuScene* findMenu() const {
        for (SceneNode* scene = m_game->getSceneManager()->getCurrentScene(); scene; scene = scene->getSceneBelow())
            if (auto* menu = nodeCast<GMainMenuScene>(scene))
                return menu;
        return nullptr;
    }

    [[nodiscard]] CProfileParameters* player() const {
        return m_game->getEngine()->getProfileManager()->getActiveProfile();
    }

    // The names of the screens from the top down.
    [[nodiscard]] std::string stack() const {
        std::string names;
        for (SceneNode* scene = m_game->getSceneManager()->getCurrentScene(); scene; scene = scene->getSceneBelow())
            names += (names.empty() ? "" : " > ") + std::string(scene->getName().str().c_str());
        return names;
    }

    bool runUntilIdle() {
        return runUntil([&] {
                   SceneNode* top = m_game->getSceneManager()->getCurrentScene();
                   return top && !m_game->getSceneManager()->isInTransition(top);
               }) &&
               runFor(60);
    }

    void moveTo(int x, int y) {
        (void)post(new CEventMouseMove(x, y));
        EXPECT_TRUE(runFor(40));
    }

    void clickAt(std::pair<int, int> at) {
        moveTo(at.first, at.second);
        (void)post(new CEventMouseLeftDown(at.first, at.second));
        (void)post(new CEventMouseLeftUp(at.first, at.second));
        EXPECT_TRUE(runFor(60));
    }

    void click(GMainMenuScene* menu, const char* name) {
        BaseNode* control = menu->findChild(CName(name), -1);
        ASSERT_NE(control, nullptr) << name;
        clickAt(middleOf(control));
    }

    void key(int32_t code) {
        (void)post(new CEventKeyUp(0, code));
        EXPECT_TRUE(runFor(40));
    }

    // Goes back from the top screen as the screens pushed over the menu do.
    void goBackFromTop(CName enterState = CName()) {
        SceneNode* top = m_game->getSceneManager()->getCurrentScene();
        ASSERT_TRUE(top->navigateBack(0, CName(), enterState));
        ASSERT_TRUE(runUntilIdle());
    }

    void restart() {
        m_game->release();
        m_game = nullptr;
    }
    // As a machine the game never ran on: no profiles.
    void startOver() {
        restart();
        std::filesystem::remove_all(m_dir.path() / "data");
        std::filesystem::remove_all(m_dir.path() / "config");
    }
};

TEST_F(GMainMenuFlow, AFirstStartForcesThePlayerScenesAndTheWelcomeNamesThePlayerOnceThereIsOne) {
    GMainMenuScene* menu = startToMenu();
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(runUntilIdle());
    // The player list, the name entry on top of it, the menu still beneath.
    EXPECT_EQ(stack(), "NameEntry > PlayerList > Menu > Intro");
    EXPECT_EQ(menu->getWelcomeText()->getText(), CStringW()) << "nobody to greet yet";
    EXPECT_TRUE(m_game->getEngine()->getCursorControl()->isVisible());

    // The player named and chosen, the player scenes go back to the menu,
    // which greets the player and stays.
    CProfileManager* profiles = m_game->getEngine()->getProfileManager();
    ASSERT_TRUE(profiles->addProfile(CStringW(u"Ann")));
    ASSERT_TRUE(profiles->setActiveProfile(0));
    goBackFromTop();
    goBackFromTop();
    ASSERT_TRUE(runFor(300));
    EXPECT_EQ(stack(), "Menu > Intro");
    EXPECT_EQ(menu->getWelcomeText()->getText(), CStringW(u"Hello, Ann!"));

    // Coming back from the menu's own screens opens nothing more.
    for (const char* button : {"OptionsButton", "CreditsButton", "AchievementsButton", "ChangePlayerButton"}) {
        SCOPED_TRACE(button);
        click(menu, button);
        ASSERT_TRUE(runUntilIdle());
        EXPECT_NE(topName(), "Menu");
        goBackFromTop(CName("NavBackToSlide"));
        ASSERT_TRUE(runFor(300));
        EXPECT_EQ(stack(), "Menu > Intro");
    }
}

TEST_F(GMainMenuFlow, ComingBackWithoutAPlayerOpensThePlayerScenesAgain) {
    ASSERT_NE(startToMenu(), nullptr);
    ASSERT_TRUE(runUntilIdle());
    ASSERT_EQ(stack(), "NameEntry > PlayerList > Menu > Intro");
    goBackFromTop();
    goBackFromTop();
    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(stack(), "NameEntry > PlayerList > Menu > Intro");
}

TEST_F(GMainMenuFlow, DamagedProfilesAreReportedFirstAndOnlyOnTheWayIn) {
    startToMenu();
    const std::u16string path(m_game->getEngine()->getProfileManager()->getUserFilePath().c_str());
    ASSERT_FALSE(path.empty());
    restart();
    {
        // Scrambled bytes whose check value does not match and that are no XML.
        std::ofstream file(std::filesystem::path(path), std::ios::binary);
        file << std::string(64, '\x5a') << "\x01\x02\x03\x04";
    }
    GMainMenuScene* menu = startToMenu();
    ASSERT_NE(menu, nullptr);
    ASSERT_FALSE(m_game->getEngine()->getProfileManager()->isCheckValueValid());
    ASSERT_TRUE(runUntilIdle());
    SceneNode* box = m_game->getSceneManager()->getCurrentScene();
    ASSERT_NE(box, menu) << stack();
    EXPECT_EQ(box->getSceneBelow(), menu) << "the question comes before the player scenes";

    // OK opens the player scenes; the answer is logged.
    LogCapture log;
    clickAt({500, 425});
    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(stack(), "NameEntry > PlayerList > Menu > Intro");
    EXPECT_EQ(log.count("Message box result 0"), 1u);

    // Back on the menu without a player: the player scenes, not the question.
    goBackFromTop();
    goBackFromTop();
    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(stack(), "NameEntry > PlayerList > Menu > Intro");

    // Seen once, the warning does not come again at the next start, though
    // no player was created.
    restart();
    ASSERT_NE(startToMenu(), nullptr);
    EXPECT_TRUE(m_game->getEngine()->getProfileManager()->isCheckValueValid());
    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(stack(), "NameEntry > PlayerList > Menu > Intro");
}

TEST_F(GMainMenuFlow, AProfileFileThatCannotBeReadIsReportedWithTheSystemsReason) {
    startToMenu();
    const std::u16string path(m_game->getEngine()->getProfileManager()->getUserFilePath().c_str());
    restart();
    // A folder in the file's place: there, but it cannot be read.
    std::filesystem::create_directories(std::filesystem::path(path));
    GMainMenuScene* menu = startToMenu();
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(runUntilIdle());
    auto* box = nodeCast<MessageBoxNode>(m_game->getSceneManager()->getCurrentScene());
    ASSERT_NE(box, nullptr) << stack();
    const std::string body(CString(box->getBody()).c_str());
    const std::string reason(CString(m_game->getEngine()->getProfileManager()->getUserFileProblem()).c_str());
    ASSERT_FALSE(reason.empty());
    EXPECT_EQ(body.rfind("%ProfilesUnreadable%", 0), 0u) << body;
    EXPECT_NE(body.find(reason), std::string::npos) << body;
}

TEST_F(GMainMenuFlow, TheFinalCreditsRollOnceAndThePanelClosesByItselfOrByItsBackButton) {
    for (const bool byButton : {false, true}) {
        SCOPED_TRACE(byButton ? "back button" : "credits run out");
        {
            startToMenu({u"Ann"});
            player()->setBool("ShowFinalCredits", true);
            ASSERT_TRUE(player()->save());
            restart();
        }
        GMainMenuScene* menu = startToMenu();
        ASSERT_NE(menu, nullptr);
        // Cleared and saved as soon as the menu shows them.
        EXPECT_FALSE(player()->getBool("ShowFinalCredits"));
        EXPECT_FALSE(menu->getButtonsNode()->isVisible());
        EXPECT_FALSE(menu->getSceneBubble()->isVisible());
        EXPECT_FALSE(menu->getGertruda()->isVisible());
        EXPECT_TRUE(menu->getBackButton()->isVisible());
        EXPECT_EQ(menu->getActiveBg()->getCurrentState()->getName(), CName("Appear"));
        BaseNode* credits = menu->getClipNode()->findChild(CName("Credits"), 1);
        ASSERT_NE(credits->getCurrentState(), nullptr);
        EXPECT_EQ(credits->getCurrentState()->getName(), CName("Scrolling"));

        if (byButton)
            click(menu, "BackButton");
        else
            ASSERT_TRUE(runUntil([&] { return !menu->getBackButton()->isVisible(); }));
        ASSERT_TRUE(runFor(100));
        EXPECT_TRUE(menu->getButtonsNode()->isVisible());
        EXPECT_TRUE(menu->getSceneBubble()->isVisible());
        EXPECT_TRUE(menu->getGertruda()->isVisible());
        EXPECT_FALSE(menu->getBackButton()->isVisible());
        EXPECT_EQ(menu->getActiveBg()->getCurrentState()->getName(), CName("Disappear"));
        EXPECT_EQ(menu->getButtonsNode()->getCurrentState()->getName(), CName("NavBackToSlide"));
        EXPECT_EQ(stack(), "Menu > Intro");

        // The next start shows the menu as usual.
        restart();
        menu = startToMenu();
        ASSERT_NE(menu, nullptr);
        EXPECT_TRUE(menu->getButtonsNode()->isVisible());
        EXPECT_FALSE(menu->getBackButton()->isVisible());
        startOver();
    }
}

TEST_F(GMainMenuFlow, TheCharacterAndTheButterflyReactToTheCursorWithoutRestartingARunningReaction) {
    GMainMenuScene* menu = startToMenu({u"Ann"});
    ASSERT_NE(menu, nullptr);
    const struct {
        BaseNode* node;
        const char* state;
        float start;
    } rows[] = {{menu->getGertruda(), "GertrudaHover", 700.0f}, {menu->getButterfly(), "Flying", 300.0f}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.state);
        row.node->setState(CName("Rest"), nullptr, CName());
        ASSERT_TRUE(runFor(50));
        const auto [x, y] = middleOf(row.node);
        moveTo(x, y);
        ASSERT_TRUE(runFor(250));
        ASSERT_EQ(row.node->getCurrentState()->getName(), CName(row.state));
        const float halfway = row.node->getPosition().x;
        EXPECT_GT(halfway, row.start);

        // Out and in again while it runs: it goes on where it was.
        moveTo(5, 5);
        moveTo(int(halfway - row.start) + x, y);
        EXPECT_GE(row.node->getPosition().x, halfway);

        // Once it has finished, the next hover starts it again.
        moveTo(5, 5);
        ASSERT_TRUE(runUntil([&] { return row.node->getPosition().x == row.start + 60.0f; }));
        ASSERT_TRUE(runFor(50));
        const auto [x2, y2] = middleOf(row.node);
        moveTo(x2, y2);
        EXPECT_LT(row.node->getPosition().x, row.start + 60.0f);
    }
}

TEST_F(GMainMenuFlow, NewGameStartsTheFirstComicForANewPlayerAndTheMapOtherwise) {
    for (const bool comics : {true, false}) {
        SCOPED_TRACE(comics ? "new player" : "comics seen");
        GMainMenuScene* menu = startToMenu({u"Ann"});
        ASSERT_NE(menu, nullptr);
        EXPECT_TRUE(player()->getBool("PlayFirstComics")) << "a new player starts with the comic";
        player()->setBool("PlayFirstComics", comics);
        click(menu, "NewGameButton");
        ASSERT_TRUE(runUntilTop("Intro"));
        auto* intro = nodeCast<GIntroScene>(m_game->getSceneManager()->getCurrentScene());
        ASSERT_NE(intro, nullptr);
        EXPECT_EQ(intro->getMode(), comics ? IntroComics : IntroMap);
        EXPECT_EQ(intro->getSceneBelow(), nullptr) << "the loading screen replaces every screen";
        startOver();
    }
}

TEST_F(GMainMenuFlow, DeveloperKeysWorkOnlyInDeveloperMode) {
    GMainMenuScene* menu = startToMenu({u"Ann"});
    ASSERT_NE(menu, nullptr);
    CRefHandle<GDebugStatsScene> stats(nodeCast<GDebugStatsScene>(GDebugStatsScene::create(CObjectName())));
    stats->setName(CName("GDebugStatsScene"));
    m_game->getSceneManager()->addChild(stats.get());

    for (const bool developer : {false, true}) {
        SCOPED_TRACE(developer ? "developer" : "player");
        GGameApplication::setDeveloperMode(developer);
        key(0x70);
        EXPECT_EQ(stats->isBuildLineShown(), developer);
        key('A');
        EXPECT_EQ(menu->getBackButton()->isVisible(), developer);
        EXPECT_EQ(stack(), "Menu > Intro");
    }
    // The panel opened by the key closes by its back button.
    click(menu, "BackButton");
    EXPECT_FALSE(menu->getBackButton()->isVisible());
    key(0x70);
    EXPECT_FALSE(stats->isBuildLineShown());
}

namespace {

// Stands in for the level's play screen: a game screen of its type.
class TestLevelScreen : public GBaseSceneNode {
public:
    TestLevelScreen(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
        : GBaseSceneNode(contentName, parent, sceneManager) {}
    static BaseNode* create(const CObjectName& name) { return new TestLevelScreen(name, nullptr, nullptr); }
    [[nodiscard]] const CStringW& getTypeName() const override {
        static const CStringW name(u"TestLevelScreen");
        return name;
    }
    [[nodiscard]] const CStringW& getClassName() const override { return getTypeName(); }
    [[nodiscard]] int32_t getTypeId() const override { return GQuitConfirmationScene::GamePlaySceneTypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override {
        return id == GQuitConfirmationScene::GamePlaySceneTypeId || GBaseSceneNode::isKindOf(id);
    }
    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override {
        return cloneAs<TestLevelScreen>(parent, sceneManager);
    }

protected:
    ~TestLevelScreen() override = default;
};

} // namespace

TEST_F(GMainMenuFlow, TheQuitQuestionWarnsOfLostProgressOnlyWithALevelBelow) {
    (void)CNodeFactory::getShared()->registerNodeClass(CStringW(u"TestLevelScreen"), &TestLevelScreen::create);
    write("scenes/Level.mscn", screen("TestLevelScreen", "Level"));
    GMainMenuScene* menu = startToMenu({u"Ann"});
    ASSERT_NE(menu, nullptr);
    auto questionText = [&] {
        SceneNode* quit = m_game->getSceneManager()->getCurrentScene();
        return static_cast<TextNode*>(quit->findChild(CName("Scene"), 1)->findChild(CName("InfoText"), 1))->getText();
    };

    // Over the menu, by Esc or by the button: the plain question; No goes back.
    for (const bool byKey : {true, false}) {
        SCOPED_TRACE(byKey ? "Esc" : "QuitButton");
        if (byKey)
            key(27);
        else
            click(menu, "QuitButton");
        ASSERT_TRUE(runUntilTop("Quit"));
        EXPECT_EQ(questionText(), CStringW(u"%QuitConfirmation%"));
        key(27);
        ASSERT_TRUE(runUntilIdle());
        EXPECT_EQ(stack(), "Menu > Intro");
    }

    // Over a level (the window's close button asks there): the warning.
    ASSERT_TRUE(menu->navigateToFile(CStringW(u"scenes/Level.mscn"), false));
    ASSERT_TRUE(runUntilIdle());
    ASSERT_EQ(topName(), "Level");
    EXPECT_TRUE(post(new CEventSystemFlowCloseRequest()));
    ASSERT_TRUE(runUntilTop("Quit"));
    EXPECT_EQ(questionText(), CStringW(u"%QuitConfirmationRemoveProgress%"));
    // Enter quits at once.
    (void)post(new CEventKeyUp(0, 13));
    bool running = true;
    for (int i = 0; i < 20 && running; ++i)
        running = m_game->run();
    EXPECT_FALSE(running);
}

// The game's own menu under assets/: the parts the menu looks for are there
// and answer the cursor through the groups that hold them.
class GMainMenuAssets : public GMainMenuFlow {
protected:
    void SetUp() override {
        SceneFlowTest::SetUp();
        copyGameAssets(m_dir.path());
    }
};

TEST_F(GMainMenuAssets, TheMenuFindsItsPartsAndTheCursorReachesThem) {
    GGameApplication* game = start(false);
    ASSERT_TRUE(game->init(CStringW()));
    CProfileManager* profiles = game->getEngine()->getProfileManager();
    ASSERT_TRUE(profiles->addProfile(CStringW(u"Ann")));
    ASSERT_TRUE(profiles->setActiveProfile(0));
    GMainMenuScene* menu = waitForMenu();
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(runUntilIdle());
    for (BaseNode* part : {menu->getSceneBubble(), menu->getButtonsNode(), menu->getClipNode(), menu->getActiveBg(),
                           menu->getGertruda(), menu->getButterfly()})
        ASSERT_NE(part, nullptr);
    ASSERT_NE(menu->getBackButton(), nullptr);
    ASSERT_NE(menu->getWelcomeText(), nullptr);
    EXPECT_NE(std::u16string(menu->getWelcomeText()->getText().c_str()).find(u"Ann"), std::u16string::npos);

    // The character and the butterfly take the cursor.
    for (BaseNode* part : {menu->getGertruda(), menu->getButterfly()}) {
        SCOPED_TRACE(part->getName().str().c_str());
        const CName before = part->getCurrentState() ? part->getCurrentState()->getName() : CName();
        BaseNode* picture = part->findChild(CName("Image"), 1);
        ASSERT_NE(picture, nullptr);
        const auto [x, y] = middleOf(picture);
        moveTo(x, y);
        ASSERT_NE(part->getCurrentState(), nullptr);
        EXPECT_NE(part->getCurrentState()->getName(), before);
    }

    // A button opens its screen; the credits panel's back button closes the
    // panel and leaves the menu where it is.
    click(menu, "OptionsButton");
    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(topName(), "OptionsScene");
    goBackFromTop(CName("NavBackToSlide"));
    EXPECT_EQ(topName(), "MainMenuScene");
    GGameApplication::setDeveloperMode(true);
    key('A');
    ASSERT_TRUE(runFor(500));
    EXPECT_TRUE(menu->getBackButton()->isVisible());
    click(menu, "BackButton");
    ASSERT_TRUE(runUntilIdle());
    EXPECT_FALSE(menu->getBackButton()->isVisible());
    EXPECT_TRUE(menu->getButtonsNode()->isVisible());
    EXPECT_EQ(topName(), "MainMenuScene");
}
