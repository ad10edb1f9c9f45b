// The player list and the naming screen of the game's own assets, driven as
// a player drives them: mouse clicks at the controls' places on the window,
// typed keys, the real game running headless with its profile folder in a
// temporary directory.

#include "engine/content/CContentManager.h"
#include "engine/content/CDictionary.h"
#include "engine/content/CProfileManager.h"
#include "engine/content/CProfileParameters.h"
#include "engine/content/ContentType.h"
#include "engine/core/CEngine.h"
#include "engine/core/CEngineManagers.h"
#include "engine/core/CEventKey.h"
#include "engine/core/CEventKeyDown.h"
#include "engine/core/CEventKeyUp.h"
#include "engine/core/CEventMouseLeftDown.h"
#include "engine/core/CEventMouseLeftUp.h"
#include "engine/core/CEventMouseMove.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/io/FilePaths.h"
#include "engine/nodes/CheckBoxNode.h"
#include "engine/nodes/EditNode.h"
#include "engine/nodes/ListNode.h"
#include "engine/nodes/MessageBoxNode.h"
#include "engine/nodes/SpriteNode.h"
#include "engine/nodes/TabSceneNode.h"
#include "engine/scene/CEventClicked.h"
#include "engine/scene/CNodeState.h"
#include "engine/scene/SceneManager.h"
#include "engine/scene/TemplateCollectionNode.h"
#include "game/app/GGameApplication.h"
#include "game/app/main/GGameClasses.h"
#include "game/screens/GSelectPlayerInputNameScene.h"
#include "game/screens/GSelectPlayerScene.h"
#include "tests/game/app/SceneFlowFixture.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string narrow(const CStringW& text) { return std::string(CString(text).c_str()); }

class PlayerScreens : public testing::Test {
protected:
    void SetUp() override {
        m_previous = fs::current_path();
        sceneflow::copyGameAssets(m_dir.path());
        fs::current_path(m_dir.path());
        setEnvironmentVariable("XDG_DATA_HOME", (m_dir.path() / "data").string());
        setEnvironmentVariable("XDG_CONFIG_HOME", (m_dir.path() / "config").string());
        if (!std::getenv("SDL_VIDEODRIVER"))
            setEnvironmentVariable("SDL_VIDEODRIVER", "offscreen");
        if (!std::getenv("ALSOFT_DRIVERS"))
            setEnvironmentVariable("ALSOFT_DRIVERS", "null");
    }
    void TearDown() override {
        stop();
        fs::current_path(m_previous);
    }

    // The game with its front-end content loaded, showing `bottom` at the
    // bottom of the stack: by default a plain screen in the menu's place.
    void startGame(const char16_t* bottom = u"scenes/AchievementsScene.mscn") {
        GGameOptions options;
        options.registerStartClasses = &registerStartClasses;
        options.registerAllClasses = &registerAllGameClasses;
        // OpenGL (SDL's offscreen driver): a picture is hit where its
        // texels are, which the null driver's textures do not keep.
        options.nullVideoDriver = false;
        m_game = new GGameApplication(options);
        ASSERT_TRUE(m_game->init(CStringW()));
        m_game->registerGameClasses();
        CRefHandle<CXmlStreamReader> reader(
            m_game->getEngine()->getFileSystem()->openXmlReader(CStringW(u"strings/Dictionary.xml")));
        ASSERT_TRUE(reader);
        ASSERT_TRUE(CEngineManagers::instance().getDictionary()->load(reader.get()));
        CContentManager* content = m_game->getContentManager();
        for (const char16_t* name : {u"atlases/Common.xml", u"atlases/MainMenu.xml"})
            m_held.emplace_back(content->load(ContentTypeAtlasCollection, CStringW(name), false));
        m_held.emplace_back(content->load(ContentTypeSceneNode, CStringW(u"scenes/TemplateCollection.mscn"), false));
        auto* templates = nodeCast<TemplateCollectionNode>(dynamic_cast<BaseNode*>(m_held.back().get()));
        ASSERT_NE(templates, nullptr);
        m_game->getSceneManager()->setTemplateCollection(templates);
        m_held.emplace_back(content->load(ContentTypeSceneNode, CStringW(bottom), false));
        m_bottom = nodeCast<SceneNode>(dynamic_cast<BaseNode*>(m_held.back().get()));
        ASSERT_NE(m_bottom, nullptr);
        ASSERT_TRUE(m_game->getSceneManager()->setScene(m_bottom));
        ASSERT_TRUE(settled());
    }

    void stop() {
        m_held.clear();
        m_bottom = nullptr;
        if (m_game)
            m_game->release();
        m_game = nullptr;
    }

    // The player list with the naming screen on top, as the main menu opens
    // them when there is no player.
    void openBothAsTheMenuDoes() {
        ASSERT_TRUE(m_bottom->navigateToFile(CStringW(u"scenes/SelectPlayerScene.mscn"), true));
        ASSERT_TRUE(m_bottom->navigateToFile(CStringW(u"scenes/SelectPlayerInputNameScene.mscn"), true));
        ASSERT_TRUE(settled());
        ASSERT_NE(naming(), nullptr);
    }

    // The player list alone, as "ChangePlayerButton" opens it.
    void openList() {
        ASSERT_TRUE(m_bottom->navigateToFile(CStringW(u"scenes/SelectPlayerScene.mscn"), true, CName("NavFromSlide")));
        ASSERT_TRUE(settled());
        ASSERT_NE(list(), nullptr);
    }

    template <class Done> bool runUntil(Done done) {
        const uint64_t end = m_game->getTotalTime() + 30000;
        while (m_game->getTotalTime() < end) {
            if (done())
                return true;
            if (!m_game->run())
                return false;
        }
        return done();
    }

    // No transition runs, no event waits, and the clock has moved past the
    // edit field's key delay.
    bool settled() {
        SceneManager* manager = m_game->getSceneManager();
        if (!runUntil([&] { return manager->getPendingTransitionCount() == 0 && manager->getQueuedEventCount() == 0; }))
            return false;
        const uint64_t end = m_game->getTotalTime() + 2 * EditNode::DefaultKeyDelay;
        return runUntil([&] {
            return m_game->getTotalTime() >= end && manager->getPendingTransitionCount() == 0 &&
                   manager->getQueuedEventCount() == 0;
        });
    }

    SceneNode* top() const { return m_game->getSceneManager()->getCurrentScene(); }
    GSelectPlayerScene* list() const { return nodeCast<GSelectPlayerScene>(top()); }
    GSelectPlayerInputNameScene* naming() const { return nodeCast<GSelectPlayerInputNameScene>(top()); }
    MessageBoxNode* box() const { return nodeCast<MessageBoxNode>(top()); }
    CProfileManager* profiles() const { return m_game->getEngine()->getProfileManager(); }

    // Whether anything took it does not matter: what it did is checked.
    void post(CEvent* event) {
        CRefHandle<CEvent> held(event);
        (void)m_game->getEngine()->postEvent(event);
    }

    // A left click in the middle of `node` as the window sees it.
    void click(const BaseNode* node) {
        ASSERT_NE(node, nullptr);
        CVector3d point(node->getBounds().x * 0.5f, node->getBounds().y * 0.5f, 0.0f);
        node->getAbsoluteTransformation().transformPoint(point);
        const int32_t x = int32_t(point.x);
        const int32_t y = int32_t(point.y);
        post(new CEventMouseMove(x, y));
        post(new CEventMouseLeftDown(x, y));
        post(new CEventMouseLeftUp(x, y));
        ASSERT_TRUE(settled());
    }
    void click(const char* name) {
        SCOPED_TRACE(name);
        click(top()->findChild(CName(name), 0));
    }

    void press(int32_t key, int32_t character = 0) {
        post(new CEventKeyDown(character, key));
        post(new CEventKeyUp(character, key));
        ASSERT_TRUE(settled());
    }
    void type(const std::string& text) {
        for (char c : text)
            press(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c, c);
    }

    // Names a new player on the naming screen on top, clicking `clicks`
    // (a page, a picture) after typing, and confirms with OK.
    void namePlayer(const std::string& name, std::initializer_list<const char*> clicks = {}) {
        ASSERT_NE(naming(), nullptr);
        click("NameEdit");
        type(name);
        for (const char* control : clicks)
            click(control);
        click("OkButton");
    }

    // The names in the list on show, in order.
    std::vector<std::string> listed() const {
        std::vector<std::string> names;
        const ListNode* players = list() ? list()->getPlayersList() : nullptr;
        for (int32_t i = 0; players && i < players->getItemsCount(); ++i)
            names.push_back(narrow(players->getItemText(i, 0)));
        return names;
    }

    std::string currentPlayer() const {
        const CProfileParameters* player = profiles()->getActiveProfile();
        return player ? narrow(player->getName()) : std::string("(none)");
    }

    static std::string stateOf(const BaseNode* node) {
        const CNodeState* state = node ? node->getCurrentState() : nullptr;
        return state ? std::string(state->getName().str().c_str()) : std::string();
    }
    std::string pictureState() const { return stateOf(list()->getPlayerPicture()); }
    // The state the naming screen gave picture `index` (shown by its ring).
    std::string ringState(uint32_t index) const {
        return stateOf(naming()->getPictures()[index]->findChild(CName("Ring"), 1));
    }

    // Adds `count` players straight to the store, as earlier runs would have.
    void addPlayers(int count) {
        for (int i = 0; i < count; ++i) {
            const std::u16string name = u"Player" + std::u16string(1, char16_t(u'A' + i));
            ASSERT_TRUE(profiles()->addProfile(CStringW(name.c_str())));
        }
        ASSERT_TRUE(profiles()->saveUserProfiles());
    }

    TempDir m_dir;
    fs::path m_previous;
    GGameApplication* m_game = nullptr;
    std::vector<CRefHandle<IContent>> m_held;
    SceneNode* m_bottom = nullptr;
};

} // namespace

TEST_F(PlayerScreens, AFirstPlayerIsNamedConfirmedAppliedAndSurvivesARestart) {
    // Without a player the main menu opens the list with the naming over it.
    startGame(u"scenes/MainMenuScene.mscn");
    ASSERT_EQ(profiles()->getProfileCount(), 0u);
    ASSERT_TRUE(runUntil([&] { return naming() != nullptr; }));
    ASSERT_TRUE(settled());
    GSelectPlayerInputNameScene* screen = naming();
    ASSERT_NE(nodeCast<GSelectPlayerScene>(screen->getSceneBelow()), nullptr);
    EXPECT_EQ(screen->getSceneBelow()->getSceneBelow(), m_bottom);
    EXPECT_FALSE(screen->getOkButton()->isEnabled()) << "no name typed yet";
    EXPECT_EQ(screen->getTabScene()->getActiveTab(), 1) << "the women's page comes first";

    // The very first player is the player at once: back past the list to the menu.
    namePlayer("Ann");
    EXPECT_EQ(top(), m_bottom);
    EXPECT_EQ(profiles()->getProfile(0)->getInt("PlayerPicture"), 4) << "the women's default";
    EXPECT_EQ(currentPlayer(), "Ann");
    EXPECT_EQ(narrow(CEngineManagers::instance().getDictionary()->get(CString("user_name"))), "Ann");
    EXPECT_TRUE(fs::exists(narrow(profiles()->getUserFilePath())));

    stop();
    startGame(u"scenes/MainMenuScene.mscn");
    ASSERT_EQ(profiles()->getProfileCount(), 1u);
    EXPECT_EQ(currentPlayer(), "Ann");
    EXPECT_EQ(profiles()->getProfile(0)->getInt("PlayerPicture"), 4);
    EXPECT_EQ(top(), m_bottom) << "with a player the menu opens nothing";
}

TEST_F(PlayerScreens, PicturesAreChosenOnEitherPageAndTheShownPageDecides) {
    startGame();
    openBothAsTheMenuDoes();
    GSelectPlayerInputNameScene* screen = naming();
    ASSERT_EQ(screen->getPictures().size(), 6u);
    // The defaults: the second man and the second woman; the women's page shows.
    EXPECT_EQ(screen->getSelectedPicture(), 4);
    for (uint32_t i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        const bool chosen = i == 1 || i == 4;
        EXPECT_EQ(screen->getPictures()[i]->isChecked(), chosen);
        EXPECT_EQ(screen->getPictures()[i]->isEnabled(), !chosen) << "a chosen picture cannot be clicked again";
        EXPECT_EQ(ringState(i), chosen ? "SetActive" : "Disabled");
    }

    click("Picture6");
    EXPECT_EQ(screen->getSelectedPicture(), 5);
    EXPECT_EQ(ringState(4), "SetDisabled") << "the replaced choice fades once";
    EXPECT_EQ(ringState(5), "SetActive");
    EXPECT_TRUE(screen->getPictures()[4]->isEnabled());
    EXPECT_FALSE(screen->getPictures()[5]->isEnabled());

    click("Tab1Button");
    EXPECT_EQ(screen->getTabScene()->getActiveTab(), 0);
    EXPECT_EQ(screen->getSelectedPicture(), 1) << "the men's page shows its own choice";
    EXPECT_EQ(ringState(4), "Disabled") << "faded only once";
    click("Picture1");
    EXPECT_EQ(screen->getSelectedPicture(), 0);
    click("Tab2Button");
    EXPECT_EQ(screen->getSelectedPicture(), 5) << "the women's choice was kept";

    namePlayer("Eve");
    ASSERT_EQ(profiles()->getProfileCount(), 1u);
    EXPECT_EQ(profiles()->getProfile(0)->getInt("PlayerPicture"), 5);
    openList();
    EXPECT_EQ(pictureState(), "Pic6");
}

TEST_F(PlayerScreens, PlayersAreAddedAndTheLastOfThreeDeleted) {
    startGame();
    openBothAsTheMenuDoes();
    namePlayer("Ann");
    openList();
    for (const char* name : {"Bob", "Cid"}) {
        SCOPED_TRACE(name);
        click("NewPlayerButton");
        namePlayer(name, {"Tab1Button", "Picture3"});
        ASSERT_NE(list(), nullptr);
        // The player just added is selected, and the list takes the keys.
        EXPECT_EQ(narrow(list()->getPlayersList()->getItemText(list()->getPlayersList()->getSelectedItem(), 0)), name);
        EXPECT_TRUE(list()->getPlayersList()->isFocused());
    }
    EXPECT_EQ(listed(), (std::vector<std::string>{"Ann", "Bob", "Cid"}));
    EXPECT_EQ(currentPlayer(), "Ann") << "named first, the player until another is chosen";
    EXPECT_EQ(pictureState(), "Pic3") << "Cid's picture, chosen on the men's page";

    // The arrow keys move the selection, and the picture follows.
    for (int i = 0; i < 2; ++i)
        press(CEventKey::KeyUp);
    EXPECT_EQ(list()->getPlayersList()->getSelectedItem(), 0);
    EXPECT_EQ(pictureState(), "Pic5") << "Ann's";
    for (int i = 0; i < 2; ++i)
        press(CEventKey::KeyDown);
    ASSERT_EQ(list()->getPlayersList()->getSelectedItem(), 2);
    EXPECT_EQ(pictureState(), "Pic3");

    // No keeps everyone.
    click("DeletePlayerButton");
    ASSERT_NE(box(), nullptr);
    EXPECT_EQ(box()->getBody(), CStringW(u"%SelectPlayer_WantDelete%"));
    click(box()->getButton(1));
    EXPECT_EQ(listed().size(), 3u);

    click("DeletePlayerButton");
    click(box()->getButton(0));
    EXPECT_EQ(listed(), (std::vector<std::string>{"Ann", "Bob"}));
    EXPECT_EQ(list()->getPlayersList()->getSelectedItem(), 1) << "the one before the deleted last";
    EXPECT_EQ(pictureState(), "Pic3");
    EXPECT_TRUE(list()->getNewPlayerButton()->isEnabled());
    EXPECT_TRUE(list()->getOkButton()->isEnabled());

    click("OkButton");
    EXPECT_EQ(top(), m_bottom);
    EXPECT_EQ(currentPlayer(), "Bob");

    stop();
    startGame();
    ASSERT_EQ(profiles()->getProfileCount(), 2u);
    EXPECT_EQ(currentPlayer(), "Bob");
}

TEST_F(PlayerScreens, DeletingEveryPlayerLeavesOnlyNewAndTheScreenCannotBeLeft) {
    startGame();
    addPlayers(2);
    openList();
    for (int left = 1; left >= 0; --left) {
        click("DeletePlayerButton");
        click(box()->getButton(0));
        EXPECT_EQ(int(listed().size()), left);
    }
    EXPECT_EQ(pictureState(), "Hide");
    EXPECT_FALSE(list()->getOkButton()->isEnabled());
    EXPECT_FALSE(list()->getDeletePlayerButton()->isEnabled());
    EXPECT_TRUE(list()->getNewPlayerButton()->isEnabled());

    // Nothing is selected: deleting asks nothing and changes nothing, even
    // when the button is pressed by code.
    CRefHandle<CEventClicked> clicked(new CEventClicked(list()->getDeletePlayerButton()));
    EXPECT_TRUE(list()->onControlClicked(clicked.get()));
    ASSERT_TRUE(settled());
    EXPECT_EQ(box(), nullptr);
    for (int32_t key : {27, 13}) {
        press(key);
        EXPECT_NE(list(), nullptr) << "no way out without a player";
    }
}

TEST_F(PlayerScreens, EscWithoutACurrentPlayerMakesTheSelectedOneCurrent) {
    startGame();
    addPlayers(1);
    openList();
    EXPECT_EQ(list()->getPlayersList()->getSelectedItem(), 0);
    press(27);
    EXPECT_EQ(top(), m_bottom);
    EXPECT_EQ(currentPlayer(), "PlayerA");
    stop();
    startGame();
    EXPECT_EQ(currentPlayer(), "PlayerA") << "saved at once";
}

TEST_F(PlayerScreens, ANameIsRefusedWhenEmptyOrTakenAndLeavingCreatesNobody) {
    startGame();
    openBothAsTheMenuDoes();
    namePlayer("Ann");
    ASSERT_EQ(profiles()->getProfile(0)->getInt("PlayerPicture"), 4);
    openList();
    click("NewPlayerButton");
    ASSERT_NE(naming(), nullptr);

    // Enter with no name does nothing: OK is disabled.
    press(13);
    EXPECT_NE(naming(), nullptr);
    EXPECT_EQ(box(), nullptr);

    // A taken name: the warning, and nothing is written to the player who has it.
    namePlayer("Ann", {"Picture6"});
    ASSERT_NE(box(), nullptr);
    EXPECT_EQ(box()->getTitle(), CStringW(u"%Warning%"));
    EXPECT_EQ(box()->getBody(), CStringW(u"%ProfileNameWarning%"));
    click(box()->getButton(0));
    ASSERT_NE(naming(), nullptr);
    EXPECT_EQ(naming()->getNameEdit()->getText(), CStringW(u"Ann")) << "the name stays as typed";
    EXPECT_TRUE(naming()->getNameEdit()->isFocused());
    EXPECT_EQ(profiles()->getProfileCount(), 1u);
    EXPECT_EQ(profiles()->getProfile(0)->getInt("PlayerPicture"), 4);

    // Another letter case is another player.
    click("NameEdit");
    for (int i = 0; i < 3; ++i)
        press(8);
    type("ann");
    press(13);
    ASSERT_NE(list(), nullptr);
    EXPECT_EQ(listed(), (std::vector<std::string>{"Ann", "ann"}));
    EXPECT_EQ(profiles()->getProfile(1)->getInt("PlayerPicture"), 5);

    // Leaving by Esc or Cancel creates nobody and keeps the list's selection.
    click(list()->getPlayersList()->getElement(0));
    for (const char* leave : {"Esc", "CancelButton"}) {
        SCOPED_TRACE(leave);
        click("NewPlayerButton");
        click("NameEdit");
        type("Zed");
        if (std::string(leave) == "Esc")
            press(27);
        else
            click(leave);
        ASSERT_NE(list(), nullptr);
        EXPECT_EQ(listed(), (std::vector<std::string>{"Ann", "ann"}));
        EXPECT_EQ(list()->getPlayersList()->getSelectedItem(), 0);
        EXPECT_EQ(pictureState(), "Pic5");
    }
}

TEST_F(PlayerScreens, TenPlayersAreTheMost) {
    startGame();
    addPlayers(9);
    openList();
    EXPECT_EQ(list()->getPlayersList()->getSelectedItem(), 0) << "no current player: the first";
    ASSERT_TRUE(list()->getNewPlayerButton()->isEnabled());
    click("NewPlayerButton");
    namePlayer("Tenth");
    ASSERT_NE(list(), nullptr);
    EXPECT_EQ(listed().size(), 10u);
    EXPECT_EQ(list()->getPlayersList()->getSelectedItem(), 9);
    EXPECT_FALSE(list()->getNewPlayerButton()->isEnabled());
    click("NewPlayerButton");
    EXPECT_NE(list(), nullptr) << "a disabled button opens nothing";

    click("DeletePlayerButton");
    click(box()->getButton(0));
    EXPECT_EQ(listed().size(), 9u);
    EXPECT_TRUE(list()->getNewPlayerButton()->isEnabled());
}

// A file may place other controls among the picture buttons: only check
// boxes are pictures.
TEST_F(PlayerScreens, OnlyCheckBoxesAmongThePictureButtonsArePictures) {
    startGame();
    auto node = [](const char* type, const char* name, const std::string& children = "") {
        return std::string("<SceneNode Type=\"") + type + "\"><Properties><string Name=\"Name\" Value=\"" + name +
               "\"/></Properties>" + children + "</SceneNode>";
    };
    const std::string file =
        "<?xml version=\"1.0\"?>" +
        node("GSelectPlayerInputNameScene", "Naming",
             node("SceneNode", "Scene",
                  node("TabSceneNode", "TabScene",
                       node("BaseNode", "Tab1",
                            node("BaseNode", "ManButtons",
                                 node("CheckBoxNode", "M1") + node("ButtonNode", "Other") + node("CheckBoxNode", "M2") +
                                     node("SpriteNode", "Decoration"))) +
                           node("BaseNode", "Tab2", node("BaseNode", "WomanButtons", node("CheckBoxNode", "W1"))))));
    const fs::path path = m_dir.write("Naming.mscn", file);
    CRefHandle<IContent> loaded(
        m_game->getContentManager()->load(ContentTypeSceneNode, fromNativePath(path.string()), false));
    auto* screen = nodeCast<GSelectPlayerInputNameScene>(dynamic_cast<BaseNode*>(loaded.get()));
    ASSERT_NE(screen, nullptr);
    std::vector<std::string> names;
    for (const CheckBoxNode* picture : screen->getPictures())
        names.push_back(picture->getName().str().c_str());
    EXPECT_EQ(names, (std::vector<std::string>{"M1", "M2", "W1"}));
}

TEST_F(PlayerScreens, AClickedPlayerIsTheOnlyRowShownSelected) {
    startGame();
    addPlayers(3);
    ASSERT_TRUE(profiles()->setActiveProfile(0));
    openList();
    ListNode* players = list()->getPlayersList();
    ASSERT_EQ(players->getSelectedItem(), 0);
    for (const int32_t row : {2, 1, 0}) {
        SCOPED_TRACE(row);
        click(players->getElement(row));
        EXPECT_EQ(players->getSelectedItem(), row);
        // The selection's look is the focus of its row.
        for (int32_t i = 0; i < 3; ++i)
            EXPECT_EQ(nodeCast<ControlNode>(players->getElement(i))->isFocused(), i == row) << "row " << i;
    }
}

TEST_F(PlayerScreens, AFileThatCannotBeReadIsKeptAndAPlayerThatCannotBeSavedIsTold) {
    startGame();
    const fs::path file(narrow(profiles()->getUserFilePath()));
    stop();
    // A folder where the players' file should be: there, but not readable.
    fs::create_directories(file);
    startGame();
    EXPECT_FALSE(profiles()->isCheckValueValid());
    EXPECT_FALSE(profiles()->getUserFileProblem().empty()) << "the system's reason is kept for the warning";

    openBothAsTheMenuDoes();
    namePlayer("Ann");
    ASSERT_NE(box(), nullptr) << "the failed save is told";
    EXPECT_EQ(box()->getBody(), CStringW(u"%ProfileSaveFailed%"));
    click(box()->getButton(0));
    EXPECT_EQ(top(), m_bottom) << "the first player still plays, straight from the menu";
    EXPECT_EQ(currentPlayer(), "Ann");
    EXPECT_TRUE(fs::is_directory(file)) << "what stood there is left alone";
}
