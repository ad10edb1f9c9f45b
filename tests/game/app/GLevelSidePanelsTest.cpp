#include "engine/content/CDictionary.h"
#include "engine/core/CEngineManagers.h"
#include "engine/core/CEventKeyUp.h"
#include "engine/core/CUpdateScheduler.h"
#include "engine/nodes/MessageBoxNode.h"
#include "engine/nodes/TextNode.h"
#include "engine/scene/CEventClicked.h"
#include "engine/scene/CEventMessageBoxClosed.h"
#include "engine/scene/CNodeFactory.h"
#include "engine/scene/ControlNode.h"
#include "engine/scene/TemplateCollectionNode.h"
#include "game/app/GInGameMenuScene.h"
#include "game/app/GLevelObjectivesScene.h"
#include "tests/game/app/SceneFlowFixture.h"

using namespace sceneflow;

namespace {

std::string node(const char* type, const char* name, const std::string& inner = "") {
    return std::string(R"(<SceneNode Type=")") + type + R"("><Properties><string Name="Name" Value=")" + name +
           R"("/></Properties>)" + inner + "</SceneNode>";
}

// A state that moves its node to x = `x` and leaves it there.
std::string placing(const char* name, int x) {
    const std::string to = std::to_string(x) + ";0;0";
    return std::string(R"(<State Name=")") + name +
           R"("><Animator Type="KeyFrame"><Properties><vector3d Name="Position" Value="0;0;0"/></Properties>)"
           R"(<KeyFrame t="0" Value0=")" +
           to + R"("/><KeyFrame t="10" i="0" Value0=")" + to + R"("/></Animator></State>)";
}

std::string objectivesScene() {
    return std::string(R"(<?xml version="1.0"?>)") +
           node("GLevelObjectivesScene", "Objectives",
                node("SceneNode", "Scene",
                     node("TextNode", "LevelText") + node("TextNode", "GoalsText") +
                         node("TextNode", "EtapsTextDigits") + node("TextNode", "RangTextDigits") +
                         node("BaseNode", "Picture",
                              "<States>" + placing("Level12", 12) + placing("Level4", 4) + "</States>") +
                         node("ButtonNode", "OkButton")));
}

std::string inGameMenuScene() {
    std::string buttons;
    for (const char* name : {"ResumeButton", "RestartButton", "OptionsButton", "MainMenuButton", "ReturnToMapButton",
                             "ExitGameButton", "OtherButton"})
        buttons += node("ButtonNode", name);
    return std::string(R"(<?xml version="1.0"?>)") + node("GInGameMenuScene", "Menu", buttons);
}

std::string templateCollection() {
    return std::string(R"(<?xml version="1.0"?>)") +
           node("TemplateCollectionNode", "Templates",
                node("BaseNode", "MessageBox2Buttons",
                     node("TextNode", "TitleText") + node("TextNode", "BodyText") + node("ButtonNode", "Button") +
                         node("ButtonNode", "Button")));
}

class FakeLevel : public ILevelObjectives {
public:
    FakeLevel(int32_t number, int32_t groups) : m_number(number), m_groups(groups) {}
    [[nodiscard]] int32_t getLevelNumber() const override { return m_number; }
    [[nodiscard]] int32_t getObjectivesGroupCount() const override { return m_groups; }

private:
    int32_t m_number;
    int32_t m_groups;
};

} // namespace

// The game with a level being played: the logos screen stands in for the
// loading screen at the bottom, a plain "Play" screen over it, and a level
// scene on the overlay manager.
class LevelSidePanels : public SceneFlowTest {
protected:
    void startOnPlay() {
        writeStartScenes();
        write("logos/Logos.xml", R"(<Logos><Logo Image="logos/A.png" Time="600000"/></Logos>)");
        writePicture("logos/A.png", 4, 4);
        write("scenes/Play.mscn", screen("GBaseSceneNode", "Play"));
        write("scenes/Level.mscn", screen("SceneNode", "Level"));
        write("scenes/LevelObjectivesScene.mscn", objectivesScene());
        write("scenes/InGameMenuScene.mscn", inGameMenuScene());
        write("scenes/OptionsScene.mscn", screen("SceneNode", "Options"));
        write("scenes/QuitConfirmationScene.mscn", screen("SceneNode", "Quit"));
        write("scenes/MapNewScene.mscn", screen("SceneNode", "Map"));
        write("scenes/TemplateCollection.mscn", templateCollection());
        GGameApplication* game = start();
        ASSERT_TRUE(game->init(CStringW()));
        (void)CNodeFactory::getShared()->registerNodeClass(CStringW(u"GBaseSceneNode"), &GBaseSceneNode::create);
        SceneNode* bottom = game->getSceneManager()->getCurrentScene();
        ASSERT_NE(bottom, nullptr);
        ASSERT_TRUE(runUntil([&] { return nodeCast<GBaseSceneNode>(bottom)->getScheduler() != nullptr; }));
        game->registerGameClasses();
        m_templates = loadNode(u"scenes/TemplateCollection.mscn");
        game->getSceneManager()->setTemplateCollection(nodeCast<TemplateCollectionNode>(m_templates.get()));
        m_level = loadNode(u"scenes/Level.mscn");
        ASSERT_TRUE(game->getOverlaySceneManager()->setScene(nodeCast<SceneNode>(m_level.get())));
        ASSERT_TRUE(bottom->navigateToFile(CStringW(u"scenes/Play.mscn"), false));
        ASSERT_TRUE(runUntilTop("Play"));
        m_play = m_game->getSceneManager()->getCurrentScene();
        ASSERT_TRUE(runSteps(5));
    }

    CRefHandle<BaseNode> loadNode(const char16_t* path) {
        CRefHandle<IContent> loaded(m_game->getContentManager()->load(ContentTypeSceneNode, CStringW(path), false));
        return CRefHandle<BaseNode>::share(dynamic_cast<BaseNode*>(loaded.get()));
    }

    // Pushes `path` over the play screen and waits until it takes input.
    template <class T> T* push(const char16_t* path, const char* name, ILevelObjectives* level = nullptr) {
        CRefHandle<BaseNode> loaded = loadNode(path);
        T* screen = nodeCast<T>(loaded.get());
        EXPECT_NE(screen, nullptr);
        if (!screen)
            return nullptr;
        if constexpr (std::is_same_v<T, GLevelObjectivesScene>)
            screen->setLevelScene(level);
        EXPECT_TRUE(m_play->navigateTo(screen, true));
        EXPECT_TRUE(runUntilTop(name));
        SceneManager* manager = m_game->getSceneManager();
        EXPECT_TRUE(runUntil([&] { return !manager->isInTransition(screen) && screen->isFocused(); }));
        return screen;
    }

    bool click(GBaseSceneNode* scene, const char* name) {
        auto* control = nodeCast<ControlNode>(scene->findChild(CName(name), 3));
        EXPECT_NE(control, nullptr) << name;
        CRefHandle<CEventClicked> event(new CEventClicked(control));
        return scene->onControlClicked(event.get());
    }

    static CStringW textOf(GBaseSceneNode* screen, const char* name) {
        auto* text = nodeCast<TextNode>(screen->findChild(CName("Scene"), 1)->findChild(CName(name), 1));
        return text ? text->getText() : CStringW(u"(none)");
    }

    void restart() {
        m_level.reset();
        m_templates.reset();
        m_play = nullptr;
        m_game->release();
        m_game = nullptr;
    }

    CRefHandle<BaseNode> m_templates;
    CRefHandle<BaseNode> m_level;
    SceneNode* m_play = nullptr;
};

TEST(GLevelObjectivesScene, TheGoodRankNeedsHalfTheStagesRoundedUp) {
    const struct { int32_t groups, required; } rows[] = {{1, 1}, {2, 1}, {4, 2}, {5, 3}, {7, 4}, {0, 0}};
    for (const auto& row : rows)
        EXPECT_EQ(GLevelObjectivesScene::requiredGroups(row.groups), row.required) << row.groups;
}

TEST_F(LevelSidePanels, ObjectivesShowTheLevelItsIntroductionAndItsStages) {
    const struct {
        int32_t level, groups;
        const char16_t *levelText, *goals, *stages, *rank;
        float pictureX;
    } rows[] = {
        {12, 5, u"Level 12", u"Cross the river", u"5", u"Pass 3/5", 12},
        {4, 4, u"Level 4", u"%Introduction_4%", u"4", u"Pass 2/4", 4},
        {12, 1, u"Level 12", u"Cross the river", u"1", u"Pass 1/1", 12},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.level * 100 + row.groups);
        startOnPlay();
        CDictionary* dictionary = CEngineManagers::instance().getDictionary();
        dictionary->set(CString("GamePlay_LEVEL"), CStringW(u"Level #p"));
        dictionary->set(CString("number_menu_etaps"), CStringW(u"Pass #p"));
        dictionary->set(CString("Introduction_12"), CStringW(u"Cross the river"));
        FakeLevel level(row.level, row.groups);
        auto* window = push<GLevelObjectivesScene>(u"scenes/LevelObjectivesScene.mscn", "Objectives", &level);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(textOf(window, "LevelText"), CStringW(row.levelText));
        EXPECT_EQ(textOf(window, "GoalsText"), CStringW(row.goals));
        EXPECT_EQ(textOf(window, "EtapsTextDigits"), CStringW(row.stages));
        EXPECT_EQ(textOf(window, "RangTextDigits"), CStringW(row.rank));
        const BaseNode* picture = window->findChild(CName("Scene"), 1)->findChild(CName("Picture"), 1);
        EXPECT_EQ(picture->getPosition().x, row.pictureX) << "the level's state";
        restart();
    }
}

TEST_F(LevelSidePanels, ObjectivesWithoutALevelKeepTheirSceneTexts) {
    startOnPlay();
    auto* window = push<GLevelObjectivesScene>(u"scenes/LevelObjectivesScene.mscn", "Objectives");
    ASSERT_NE(window, nullptr);
    for (const char* name : {"LevelText", "GoalsText", "EtapsTextDigits", "RangTextDigits"})
        EXPECT_EQ(textOf(window, name), CStringW()) << name;
    EXPECT_EQ(window->findChild(CName("Scene"), 1)->findChild(CName("Picture"), 1)->getPosition().x, 0.0f);
}

TEST_F(LevelSidePanels, ObjectivesCloseOnOkEscAndEnter) {
    const struct {
        const char* what;
        int32_t key;
    } rows[] = {{"OK", 0}, {"Esc", 27}, {"Enter", 13}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        startOnPlay();
        FakeLevel level(1, 3);
        auto* window = push<GLevelObjectivesScene>(u"scenes/LevelObjectivesScene.mscn", "Objectives", &level);
        ASSERT_NE(window, nullptr);
        if (row.key)
            EXPECT_TRUE(post(new CEventKeyUp(0, row.key)));
        else
            EXPECT_TRUE(click(window, "OkButton"));
        EXPECT_TRUE(runUntilTop("Play"));
        restart();
    }
}

TEST_F(LevelSidePanels, MenuButtonsResumeOrOpenTheirScreensOverTheMenu) {
    const struct {
        const char* button;
        int32_t key;
        const char* top;
    } rows[] = {{"ResumeButton", 0, "Play"},
                {"Esc", 27, "Play"},
                {"Enter", 13, "Play"},
                {"OptionsButton", 0, "Options"},
                {"ExitGameButton", 0, "Quit"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.button);
        startOnPlay();
        auto* menu = push<GInGameMenuScene>(u"scenes/InGameMenuScene.mscn", "Menu");
        ASSERT_NE(menu, nullptr);
        if (row.key)
            EXPECT_TRUE(post(new CEventKeyUp(0, row.key)));
        else
            EXPECT_TRUE(click(menu, row.button));
        EXPECT_TRUE(runUntilTop(row.top));
        if (std::string(row.top) != "Play") {
            EXPECT_EQ(m_game->getSceneManager()->getCurrentScene()->getSceneBelow(), menu);
        }
        EXPECT_EQ(m_game->getOverlaySceneManager()->getCurrentScene(), m_level.get()) << "the level stays";
        restart();
    }
    startOnPlay();
    auto* menu = push<GInGameMenuScene>(u"scenes/InGameMenuScene.mscn", "Menu");
    ASSERT_NE(menu, nullptr);
    EXPECT_FALSE(click(menu, "OtherButton"));
    ASSERT_TRUE(runSteps(10));
    EXPECT_EQ(topName(), "Menu");
}

TEST_F(LevelSidePanels, RestartDropsTheLevelBeforeGoingBackToTheLoadingScreen) {
    startOnPlay();
    auto* menu = push<GInGameMenuScene>(u"scenes/InGameMenuScene.mscn", "Menu");
    ASSERT_NE(menu, nullptr);
    SceneManager* overlay = m_game->getOverlaySceneManager();
    overlay->getScheduler()->setEnabled(false);
    EXPECT_TRUE(click(menu, "RestartButton"));
    EXPECT_EQ(overlay->getCurrentScene(), nullptr) << "gone before the loading screen runs";
    EXPECT_TRUE(overlay->getScheduler()->isEnabled());
    EXPECT_TRUE(runUntilTop("Logos"));
}

TEST_F(LevelSidePanels, LeavingTheLevelAsksFirstAndOnlyYesLeaves) {
    const struct {
        const char* button;
        int32_t answer;
        const char* top;
        bool levelKept;
    } rows[] = {{"MainMenuButton", 0, "MainMenu", false},
                {"ReturnToMapButton", 0, "Map", false},
                {"MainMenuButton", 1, "Menu", true},
                {"ReturnToMapButton", 1, "Menu", true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.button << " answered " << row.answer);
        startOnPlay();
        auto* menu = push<GInGameMenuScene>(u"scenes/InGameMenuScene.mscn", "Menu");
        ASSERT_NE(menu, nullptr);
        EXPECT_TRUE(click(menu, row.button));
        ASSERT_TRUE(runUntil([&] { return nodeCast<MessageBoxNode>(m_game->getSceneManager()->getCurrentScene()); }));
        auto* box = nodeCast<MessageBoxNode>(m_game->getSceneManager()->getCurrentScene());
        EXPECT_EQ(box->getBody(), CStringW(u"%QuitConfirmationRemoveProgress%"));
        EXPECT_EQ(box->getTitle(), CStringW());
        EXPECT_EQ(menu->getPendingControl()->getName(), CName(row.button));
        CRefHandle<CEventMessageBoxClosed> answer(new CEventMessageBoxClosed(row.answer));
        EXPECT_TRUE(menu->onMessageBoxResult(answer.get()));
        EXPECT_EQ(menu->getPendingControl(), nullptr);
        if (row.levelKept) {
            // A later answer without a pending button changes nothing.
            CRefHandle<CEventMessageBoxClosed> again(new CEventMessageBoxClosed(0));
            EXPECT_FALSE(menu->onMessageBoxResult(again.get()));
            ASSERT_TRUE(runSteps(10));
            EXPECT_EQ(m_game->getOverlaySceneManager()->getCurrentScene(), m_level.get());
        } else {
            EXPECT_TRUE(runUntilTop(row.top));
        }
        restart();
    }
}
