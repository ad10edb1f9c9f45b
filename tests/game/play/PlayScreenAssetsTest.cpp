// The play screen's own assets under assets/: the scene files of the play
// screen, the level objectives and the in-game menu bind every node their
// classes look up, the templates the play screen and the tutorial clone are
// in the template collection with the parts the code finds in them, and the
// screens, filled as a level fills them, look like the reference pictures
// kept beside this test when drawn through OpenGL.
//
// BM_UPDATE_REFERENCES=1 writes the reference pictures anew (look at them
// before committing them).

#include "engine/content/CDictionary.h"
#include "engine/core/CEngineManagers.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/nodes/ButtonNode.h"
#include "engine/nodes/CheckBoxNode.h"
#include "engine/nodes/ListNode.h"
#include "engine/nodes/SpriteNode.h"
#include "engine/nodes/TabSceneNode.h"
#include "engine/nodes/TextNode.h"
#include "engine/scene/TemplateCollectionNode.h"
#include "engine/video/CAtlasTexture.h"
#include "game/app/GInGameMenuScene.h"
#include "game/app/GLevelObjectivesScene.h"
#include "game/config/RRStationItems.h"
#include "game/config/TabsConfiguration.h"
#include "game/nodes/GBuildingInfoNode.h"
#include "game/nodes/GCounterTextNode.h"
#include "game/nodes/GHintNode.h"
#include "game/nodes/GLockButton.h"
#include "game/nodes/GNodeHelpers.h"
#include "game/nodes/GProgressBarWithCheckpointsNode.h"
#include "game/nodes/GProgressBarWithSignNode.h"
#include "game/play/GTutorialController.h"
#include "tests/game/app/FrontEndRunFixture.h"
#include "tests/game/play/PlayScreenTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using frontend::narrow;

std::string sourceText(const std::string& path) {
    const std::vector<uint8_t> bytes = readAllBytes(sceneflow::kSourceFolder / path);
    EXPECT_FALSE(bytes.empty()) << path;
    return std::string(bytes.begin(), bytes.end());
}

// The level's answers for the objectives screen.
class Objectives : public ILevelObjectives {
public:
    int32_t getLevelNumber() const override { return 1; }
    int32_t getObjectivesGroupCount() const override { return 3; }
};

// The level's stock as the cost popup reads it.
class HintLevel : public IHintLevel {
public:
    explicit HintLevel(const PlayLevel& level) : m_level(level) {}
    bool hasHeadquarters() const override { return true; }
    int getHeadquartersResource(CName resource) const override {
        return m_level.headquarters->getResource(resource);
    }
    int getFreeWorkers() const override { return m_level.freeWorkers; }
    int getLevelGuests() const override { return m_level.guests; }

private:
    const PlayLevel& m_level;
};

std::string text(const CStringW& s) { return narrow(s); }

class PlayScreenAssets : public frontend::FrontEndRun {
protected:
    void SetUp() override {
        FrontEndRun::SetUp();
        m_references = sceneflow::kSourceFolder / "tests/game/play/data/hud";
    }
    void TearDown() override {
        m_tutorial = nullptr;
        m_held.clear();
        m_level = nullptr;
        FrontEndRun::TearDown();
    }

    // The game with the English dictionary and the real template collection,
    // and the level stand-in with the real buildings and level 1's
    // configuration.
    void startGame() {
        GGameApplication* game = start();
        ASSERT_TRUE(game->init(CStringW()));
        game->registerGameClasses();
        ASSERT_TRUE(runSteps(5));
        CRefHandle<CXmlStreamReader> dictionary(
            game->getEngine()->getFileSystem()->openXmlReader(CStringW(u"strings/Dictionary.xml")));
        ASSERT_TRUE(dictionary);
        ASSERT_TRUE(CEngineManagers::instance().getDictionary()->load(dictionary.get()));
        CContentManager* content = game->getContentManager();
        m_held.emplace_back(content->load(ContentTypeSceneNode, CStringW(u"scenes/TemplateCollection.mscn"), false));
        m_templates = nodeCast<TemplateCollectionNode>(dynamic_cast<BaseNode*>(m_held.back().get()));
        ASSERT_NE(m_templates, nullptr);
        game->getSceneManager()->setTemplateCollection(m_templates);

        m_level = CRefHandle<PlayLevel>(new PlayLevel);
        for (const char16_t* name : ObjectsConfiguration::FileNames)
            if (fs::is_regular_file(sceneflow::kSourceFolder / "assets" / narrow(CStringW(name))))
                m_level->addObjects(sourceText("assets/" + narrow(CStringW(name))));
        // Read into the level's own configuration: its places keep a pointer to it.
        const std::string configuration = sourceText("assets/levels/level1/LevelConfiguration.xml");
        CRefHandle<CXmlStreamReader> levelReader(new CXmlStreamReader(configuration.data(), configuration.size()));
        m_level->configuration->readFromXml(*levelReader);
        m_level->levelNumber = 1;
        m_tabs = CRefHandle<TabsConfiguration>(new TabsConfiguration);
        const std::string tabs = sourceText("assets/scenes/TabsConfiguration.xml");
        CRefHandle<CXmlStreamReader> reader(new CXmlStreamReader(tabs.data(), tabs.size()));
        ASSERT_TRUE(m_tabs->readFromXml(*reader));
    }

    GGamePlayScene* loadPlayScreen() {
        m_held.emplace_back(
            m_game->getContentManager()->load(ContentTypeSceneNode, CStringW(u"scenes/GamePlayScene.mscn"), false));
        return nodeCast<GGamePlayScene>(dynamic_cast<BaseNode*>(m_held.back().get()));
    }

    // The play screen shown over level 1's ground, its figures filled as a
    // level on its way fills them.
    GGamePlayScene* showPlayScreen() {
        GGamePlayScene* play = loadPlayScreen();
        EXPECT_NE(play, nullptr);
        if (!play)
            return nullptr;
        BaseNode* scene = play->findChild(CName("Scene"), 1);
        // The level's own ground, under the head-up display where the level
        // scene lies in the game.
        CRefHandle<SpriteNode> ground(new SpriteNode(CObjectName(), nullptr, nullptr));
        CRefHandle<CAtlasTexture> picture =
            loadAtlasTexture(m_game->getContentManager(), CStringW(u"img/levels/Ground1.png"));
        EXPECT_TRUE(picture);
        ground->setAtlasTexture(picture.get());
        ground->setPosition(CVector3d(0.0f, 0.0f, -10.0f));
        scene->addChild(ground.get());
        EXPECT_TRUE(m_game->getSceneManager()->setScene(play, CName("NavTo")));
        // A level's arrival brings its objectives window first: the player's
        // OK once it has come in (a click while it still arrives is lost).
        EXPECT_TRUE(settleOn("LevelObjectivesScene"));
        EXPECT_TRUE(click("OkButton"));
        EXPECT_TRUE(settleOn("GamePlayScene"));
        EXPECT_TRUE(play->bindLevel(m_level.get()));
        play->setTabsConfiguration(m_tabs.get());
        m_level->headquarters->addResource(CName("Money"), 12500);
        m_level->headquarters->addResource(CName("Materials"), 35);
        m_level->headquarters->addResource(CName("Gold"), 2);
        m_level->income = 640.0f;
        m_level->guests = 18;
        m_level->happiness = 12;
        play->fillBuildLists();
        play->updateMoneyPanel();
        play->layoutGoalsPanel();
        play->updateGoalChecks(true);
        play->updateGoalsPageTexts();
        if (GProgressBarWithCheckpointsNode* clock = play->getTimeProgressBar()) {
            clock->setMinValue(0.0f);
            clock->setMaxValue(600.0f);
            clock->clearCheckpoints();
            for (float share : {0.3f, 0.4f, 0.3f})
                clock->addCheckpointTime(share);
            clock->layoutCheckpoints();
            clock->setValue(200.0f);
            clock->setCheckpointPassedOk(0);
        }
        if (BaseProgressBarNode* day = play->getIncomeProgressBar()) {
            day->setMaxValue(1.0f);
            day->setValue(0.6f);
        }
        EXPECT_TRUE(runUntil([&] { return !play->getMoneyCounter()->isCounting(); }));
        return play;
    }

    void showActionsPage(GGamePlayScene* play, int index) {
        play->getActionsTabs()->setActiveTab(index, false);
        ASSERT_TRUE(runFor(400));
    }

    std::vector<CRefHandle<IContent>> m_held;
    TemplateCollectionNode* m_templates = nullptr;
    CRefHandle<PlayLevel> m_level;
    CRefHandle<TabsConfiguration> m_tabs;
    CRefHandle<GTutorialController> m_tutorial;
};

template <class T> bool isA(const BaseNode* node) { return nodeCast<T>(const_cast<BaseNode*>(node)) != nullptr; }

} // namespace

TEST_F(PlayScreenAssets, EveryNodeTheScreensBindIsInTheirFiles) {
    ASSERT_NO_FATAL_FAILURE(startGame());
    GGamePlayScene* play = loadPlayScreen();
    ASSERT_NE(play, nullptr);
    const std::vector<std::pair<const char*, const BaseNode*>> bound = {
        {"GameMenu", play->getGameMenu()},
        {"HintNode", play->getHintNode()},
        {"MoneyNode", play->getMoneyNode()},
        {"MoneyText", play->getMoneyCounter()},
        {"BankCount/MoneyText", play->getBankMoneyText()},
        {"IncomeText", play->getIncomeText()},
        {"HappinesText", play->getHappinessText()},
        {"ProgressBar", play->getIncomeProgressBar()},
        {"TimeProgressBar", play->getTimeProgressBar()},
        {"GoalsBg", play->getGoalsBg()},
        {"TimeNode", play->getTimeNode()},
        {"GoalsNode", play->getGoalsNode()},
        {"ActionsTabScene", play->getActionsTabs()},
        {"SelectBuildingGroupTabScene", play->getBuildGroupTabs()},
        {"resources page", play->getResourcesPage()},
        {"ResourcesTabScene", play->getResourcesTabs()},
        {"Tab6", play->getStationPage()},
        {"Tab6/ButtonsNode", play->getStationButtons()},
        {"Tab6/HintText", play->getStationHintText()},
        {"apartment page", play->getApartmentPage()},
        {"build page", play->getBuildPage()},
        {"materials page", play->getMaterialsPage()},
        {"MaterialsList", play->getMaterialsList()},
        {"materials HintText", play->getMaterialsHintText()},
        {"GameHint", play->getGameHint()},
        {"workers page", play->getWorkersPage()},
        {"WorkersList", play->getWorkersList()},
        {"workers HintText", play->getWorkersHintText()},
        {"gold page", play->getGoldPage()},
        {"GoldList", play->getGoldList()},
        {"gold HintText", play->getGoldHintText()},
        {"Tab4", play->getGoalsPage()},
        {"Tab5", play->getBuildGroupPage()},
        {"MaterialsAmountText", play->getMaterialsAmountText()},
        {"GoldAmountText", play->getGoldAmountText()},
        {"GuestsText", play->getGuestsText()},
        {"Tab3", play->getBuildingPage()},
        {"ProgressNode", play->getProgressNode()},
        {"ProgressNode/HintText", play->getProgressHintText()},
        {"Tab3/HintText", play->getBuildingHintText()},
        {"Sunduk", play->getChestButton()},
        {"chekpointTask/TextNode", play->getCheckpointTaskText()},
        {"IncomeTable/Clipper/IncomeText", play->getBurstIncomeText()},
        {"workers ProgressBar", play->getWorkersSignBar()},
    };
    for (const auto& [name, node] : bound)
        EXPECT_NE(node, nullptr) << name;
    for (int group = 0; group < 4; ++group)
        EXPECT_NE(play->getBuildList(group), nullptr) << group;
    // A check box per objective row, in the panel and on the goals page.
    EXPECT_EQ(play->getPanelGoalChecks().size(), 5u);
    EXPECT_EQ(play->getTabGoalChecks().size(), 5u);

    // What the pages look up when they are filled, one level deep.
    auto child = [](const BaseNode* parent, const char* name) {
        return parent ? parent->findChild(CName(name), 1) : nullptr;
    };
    const BaseNode* groupPage = play->getBuildGroupPage();
    for (const char* name : {"ApartmentButton", "CommercialButton", "ServiceButton", "MunicipalButton"}) {
        const auto* button = nodeCast<GLockButton>(child(groupPage, name));
        ASSERT_NE(button, nullptr) << name;
        // The first-show mark is in the button's look.
        EXPECT_NE(child(m_templates->findTemplate(button->getTemplateName()), "Mark"), nullptr) << name;
    }
    for (const BaseNode* page : {groupPage, static_cast<const BaseNode*>(play->getBuildingPage()),
                                 static_cast<const BaseNode*>(play->getResourcesPage()),
                                 static_cast<const BaseNode*>(play->getStationPage())})
        EXPECT_TRUE(isA<GBuildingInfoNode>(child(page, "BuildingInfoNode")));
    for (const BaseNode* page : play->getBuildGroupTabs()->getChildren()) {
        for (const char* name : {"HintText", "LabelText"})
            EXPECT_TRUE(isA<TextNode>(child(page, name))) << name;
        EXPECT_TRUE(isA<TextNode>(child(child(page, "SignBoard"), "SignBoardText")));
        EXPECT_TRUE(isA<GBuildingInfoNode>(child(page, "BuildingInfoNode")));
    }
    EXPECT_NE(child(play->getBuildPage(), "BackToBuildButton"), nullptr);
    EXPECT_TRUE(isA<ButtonNode>(child(play->getMaterialsPage(), "DestroyButton")));
    const BaseNode* building = play->getBuildingPage();
    const BaseNode* hotel = child(building, "HotelButtonsNode");
    EXPECT_TRUE(isA<ControlNode>(hotel));
    for (const char* name : {"DestroyButton", "RepairButton"})
        EXPECT_TRUE(isA<ControlNode>(child(hotel, name))) << name;
    for (const char* name : {"UpgradeButton", "UniqUp1Button", "UniqUp2Button"})
        EXPECT_TRUE(isA<GLockButton>(child(hotel, name))) << name;
    EXPECT_TRUE(isA<ButtonNode>(child(child(building, "JoyButtonsNode"), "DestroyButton")));
    EXPECT_TRUE(isA<ControlNode>(child(child(building, "CustomServiceButtonsNode"), "CustomServeButton")));
    EXPECT_TRUE(isA<TextNode>(child(play->getProgressNode(), "Text")));
    EXPECT_TRUE(isA<BaseProgressBarNode>(child(play->getProgressNode(), "ProgressBar")));
    EXPECT_NE(child(play->getProgressNode(), "AbortButton"), nullptr);
    for (const char* name : {"LevelNumberText", "MoneyText", "IncomeText", "GuestsText", "PossibleIncomeText",
                             "PossibleGuestsText"})
        EXPECT_TRUE(isA<TextNode>(child(play->getGoalsPage(), name))) << name;
    const BaseNode* station = play->getStationPage();
    for (const char* name : {"BuyList", "SellList"})
        EXPECT_TRUE(isA<ListNode>(child(station, name))) << name;
    for (const char* name : {"CantBuyText", "CantSellText"})
        EXPECT_TRUE(isA<TextNode>(child(station, name))) << name;
    EXPECT_NE(child(station, "RailRoadTab"), nullptr);
    EXPECT_TRUE(isA<GProgressBarWithSignNode>(child(station, "RailRoadProgressBar")));
    EXPECT_TRUE(isA<ButtonNode>(child(station, "DestroyButton")));
    const BaseNode* menu = play->getGameMenu();
    EXPECT_NE(child(menu, "UpperPanelBg"), nullptr);
    EXPECT_NE(menu->findChild(CName("UpperGoalsPanelBg"), 2), nullptr);
    const BaseNode* quest = child(menu, "QuestCharacter");
    ASSERT_NE(quest, nullptr);
    EXPECT_TRUE(isA<TextNode>(child(quest, "Text")));
    for (const char* name : {"MenuButton", "GoalsButton"})
        EXPECT_TRUE(isA<ButtonNode>(menu->findChild(CName(name), 3))) << name;

    // The templates the code names, and every building's and offer's entry.
    for (const char* name : {"Game_UniqUpgradeButton", "Game_UpgradeButtonMarker", "Game_UpgradeButton",
                             "Game_UniqUp1Button", "Game_UniqUp2Button", "TutorialWindow", "TutorialWindowQuest",
                             "TutorialArrowNew", "GoalCheck", "BuildList", "ResourceList", "StationList"})
        EXPECT_NE(m_templates->findTemplate(CName(name)), nullptr) << name;
    for (int n = 1; n <= 6; ++n)
        for (const char* prefix : {"Game_WorkersButton", "Game_MaterialsButton", "Game_GoldButton"})
            EXPECT_NE(m_templates->findTemplate(CName((prefix + std::to_string(n)).c_str())), nullptr)
                << prefix << n;
    const ObjectsConfiguration* objects = m_level->objects.get();
    ASSERT_FALSE(objects->getBuildings().empty());
    for (const auto& entry : objects->getBuildings()) {
        if (!entry.value->ButtonTemplate.empty()) {
            EXPECT_NE(m_templates->findTemplate(entry.value->ButtonTemplate), nullptr)
                << entry.value->ButtonTemplate.str().c_str();
        }
    }
    ASSERT_NE(objects->getStationItems(), nullptr);
    for (int list = 0; list < RRStationItems::ListCount; ++list)
        for (const GRRStationItem& item : objects->getStationItems()->getList(RRStationItems::List(list)))
            EXPECT_NE(m_templates->findTemplate(item.Template), nullptr) << item.Template.str().c_str();
    // The tutorial windows' parts, found as the tutorial finds them.
    for (const char* name : {"TutorialWindow", "TutorialWindowQuest"}) {
        const BaseNode* window = m_templates->findTemplate(CName(name));
        ASSERT_NE(window, nullptr);
        EXPECT_NE(child(window, "Darkening"), nullptr) << name;
        EXPECT_TRUE(isA<TextNode>(child(window, "Text"))) << name;
        const BaseNode* skip = child(window, "SkipTutorialButton");
        EXPECT_TRUE(isA<ButtonNode>(skip)) << name;
        EXPECT_NE(child(skip, "bg"), nullptr) << name;
        EXPECT_NE(child(skip, "HitArea"), nullptr) << name;
    }
    // The cost popup's blocks.
    const BaseNode* hint = m_templates->findTemplate(CName("Game_Hint"));
    ASSERT_NE(hint, nullptr);
    for (const char* name : {"MoneyBlock", "MaterialsBlock", "GoldBlock", "WorkersBlock", "GuestsBlock", "QuestBlock",
                             "ArrowLeft", "ArrowRight", "ArrowUp", "ArrowDown"})
        EXPECT_NE(child(hint, name), nullptr) << name;
    EXPECT_TRUE(isA<SpriteNode>(child(child(hint, "QuestBlock"), "Icon")));

    // The screens pushed over the level.
    CContentManager* content = m_game->getContentManager();
    CRefHandle<IContent> objectives(
        content->load(ContentTypeSceneNode, CStringW(u"scenes/LevelObjectivesScene.mscn"), false));
    auto* window = nodeCast<GLevelObjectivesScene>(dynamic_cast<BaseNode*>(objectives.get()));
    ASSERT_NE(window, nullptr);
    const BaseNode* scene = child(window, "Scene");
    for (const char* name : {"LevelText", "GoalsText", "EtapsTextDigits", "RangTextDigits"})
        EXPECT_TRUE(isA<TextNode>(child(scene, name))) << name;
    EXPECT_TRUE(isA<ButtonNode>(window->findChild(CName("OkButton"), 3)));
    CRefHandle<IContent> pause(content->load(ContentTypeSceneNode, CStringW(u"scenes/InGameMenuScene.mscn"), false));
    auto* menuScreen = nodeCast<GInGameMenuScene>(dynamic_cast<BaseNode*>(pause.get()));
    ASSERT_NE(menuScreen, nullptr);
    for (const char* name : {"ResumeButton", "RestartButton", "OptionsButton", "MainMenuButton", "ReturnToMapButton",
                             "ExitGameButton"})
        EXPECT_TRUE(isA<ButtonNode>(menuScreen->findChild(CName(name), 3))) << name;
}

// An empty place chosen: the group buttons, the municipal works with the
// ones of later levels locked, one of them pointed at; the tutorial's
// window with Gertrude and an arrow over it all.
TEST_F(PlayScreenAssets, TheBuildPagesOverTheLevelLookLikeTheirReferences) {
    ASSERT_NO_FATAL_FAILURE(startGame());
    listen();
    GGamePlayScene* play = showPlayScreen();
    ASSERT_NE(play, nullptr);
    EXPECT_EQ(text(play->getMoneyCounter()->getText()), "12,500");
    GBuildingNode* place = m_level->addPlace("BuildingPlace");
    m_level->focused = place;
    showActionsPage(play, 4);
    play->updateBuildGroupPage();
    play->updateBuildGroupHint(nullptr);
    ASSERT_TRUE(runFor(400));
    expectLooksLikeReference("PlayHudGroups");
    // The pointer over a group button lights it up.
    CRefHandle<CPixelImage> resting(screenshot());
    BaseNode* shops = play->getBuildGroupPage()->findChild(CName("CommercialButton"), 1);
    ASSERT_NE(shops, nullptr);
    ASSERT_TRUE(moveTo(middleOf(shops)));
    ASSERT_TRUE(runFor(300));
    CRefHandle<CPixelImage> hovered(screenshot());
    EXPECT_GT(sceneflow::differingPixels(*resting, *hovered, 12), 300u) << "the button lights up under the pointer";
    expectLooksLikeReference("PlayHudGroupHover");
    ASSERT_TRUE(moveTo(CVector2di(500, 300)));

    showActionsPage(play, 0);
    play->getBuildGroupTabs()->setActiveTab(3, false);
    ASSERT_TRUE(runFor(400));
    play->updateBuildListStates(3);
    BaseNode* page = play->getBuildGroupTabs()->getChildren()[3];
    const GBuildingConfig* mill = m_level->objects->findBuilding(CName("LumberMill1"));
    ASSERT_NE(mill, nullptr);
    play->updateBuildPageHint(3, page, mill, place);
    ASSERT_TRUE(runFor(400));
    auto* lockedEntry = nodeCast<GLockButton>(play->getBuildList(3)->getElement(1));
    ASSERT_NE(lockedEntry, nullptr);
    expectLooksLikeReference("PlayHudBuildList");

    // The tutorial's first words, Gertrude beside them, the arrow at the list.
    m_tutorial.reset(new GTutorialController(play->findChild(CName("Scene"), 1), m_templates,
                                             m_game->getContentManager()));
    const char* tutorial = R"(<Tutorial><Hint Gertruda="true"><Text Value="%Tut1_BuildCottage%"/>
        <Position Value="320;330"/><Arrows><Arrow Position="240;560" Rotation="90"/></Arrows>
        <Actions><Action Type="MouseClick"/></Actions></Hint></Tutorial>)";
    CRefHandle<CXmlStreamReader> reader(new CXmlStreamReader(tutorial, std::strlen(tutorial)));
    m_tutorial->load(*reader, nullptr);
    m_tutorial->start(0);
    ASSERT_TRUE(runFor(600));
    expectLooksLikeReference("PlayHudTutorial");
    EXPECT_EQ(warnings(), std::vector<std::string>());
}

// A home chosen: its buttons and its figures; the cost of improving it in
// the popup; a townsperson asking for help; the goals page.
TEST_F(PlayScreenAssets, TheBuildingAndGoalsPagesLookLikeTheirReferences) {
    ASSERT_NO_FATAL_FAILURE(startGame());
    listen();
    GGamePlayScene* play = showPlayScreen();
    ASSERT_NE(play, nullptr);
    m_level->focused = m_level->addPlace("Apartment1");
    showActionsPage(play, 2);
    play->updateBuildingPage();
    play->updateBuildingTabHint(nullptr);
    m_level->questText = CStringW(u"%Tut1_ClearTree%");
    m_level->questTime = 3000;
    play->showQuestCharacter(m_level->addPlace("FallenTree1"));
    GHintNode* hint = play->getGameHint();
    ASSERT_NE(hint, nullptr);
    GResourceMap costs;
    costs[CName("Money")] = 4000;
    costs[CName("Materials")] = 40;
    costs[CName("Workers")] = 2;
    GResourceMap produce;
    const HintLevel hintLevel(*m_level);
    ASSERT_TRUE(hint->setCosts(&hintLevel, costs, produce, false));
    BaseNode* upgrade = play->getBuildingPage()->findChild(CName("HotelButtonsNode"), 1)->findChild(
        CName("UpgradeButton"), 1);
    ASSERT_NE(upgrade, nullptr);
    hint->showAt(upgrade, upgrade->getBounds(), play->getGameMenu());
    play->showGameHint();
    ASSERT_TRUE(runFor(600));
    expectLooksLikeReference("PlayHudBuildingPage");

    play->hideGameHint();
    play->hideQuestCharacter();
    m_level->focused = nullptr;
    showActionsPage(play, 3);
    ASSERT_TRUE(runFor(400));
    expectLooksLikeReference("PlayHudGoalsPage");
    EXPECT_EQ(warnings(), std::vector<std::string>());
}

// The objectives of level 1 over the play screen, then the pause menu.
TEST_F(PlayScreenAssets, TheObjectivesAndTheInGameMenuLookLikeTheirReferences) {
    ASSERT_NO_FATAL_FAILURE(startGame());
    listen();
    GGamePlayScene* play = showPlayScreen();
    ASSERT_NE(play, nullptr);
    m_level->focused = nullptr;
    showActionsPage(play, 3);
    CContentManager* content = m_game->getContentManager();
    CRefHandle<IContent> objectives(
        content->load(ContentTypeSceneNode, CStringW(u"scenes/LevelObjectivesScene.mscn"), false));
    auto* window = nodeCast<GLevelObjectivesScene>(dynamic_cast<BaseNode*>(objectives.get()));
    ASSERT_NE(window, nullptr);
    Objectives level;
    window->setLevelScene(&level);
    ASSERT_TRUE(play->navigateTo(window, true));
    ASSERT_TRUE(settleOn("LevelObjectivesScene", 400));
    expectLooksLikeReference("LevelObjectivesScene");
    ASSERT_TRUE(click("OkButton"));
    ASSERT_TRUE(settleOn("GamePlayScene"));

    CRefHandle<IContent> pause(content->load(ContentTypeSceneNode, CStringW(u"scenes/InGameMenuScene.mscn"), false));
    auto* menu = nodeCast<GInGameMenuScene>(dynamic_cast<BaseNode*>(pause.get()));
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(play->navigateTo(menu, true));
    ASSERT_TRUE(settleOn("InGameMenuScene", 400));
    expectLooksLikeReference("InGameMenuScene");
    // Resume returns to the level.
    ASSERT_TRUE(click("ResumeButton"));
    ASSERT_TRUE(settleOn("GamePlayScene"));
    EXPECT_EQ(warnings(), std::vector<std::string>());
}

// The town hall chosen: its worker offers. The railway station with a train
// standing: what it sells and what it buys.
TEST_F(PlayScreenAssets, TheWorkersAndStationPagesLookLikeTheirReferences) {
    ASSERT_NO_FATAL_FAILURE(startGame());
    listen();
    GGamePlayScene* play = showPlayScreen();
    ASSERT_NE(play, nullptr);
    ASSERT_FALSE(m_level->configuration->getWorkerOffers().empty());
    m_level->configuration->InitWorkersLimit = 8;
    m_level->headquarters->setType(m_level->objects->findBuilding(CName("MajorOffice1")), false, false);
    m_level->headquarters->setReachable(true);
    m_level->focused = m_level->headquarters.get();
    showActionsPage(play, 1);
    play->getResourcesTabs()->setActiveTab(1, false);
    play->fillWorkersList();
    play->updateWorkersList();
    play->updateWorkersHint(nullptr, false);
    ASSERT_TRUE(runFor(400));
    EXPECT_GT(play->getWorkersList()->getItemsCount(), 0);
    expectLooksLikeReference("PlayHudWorkers");

    GBuildingNode* station = m_level->addPlace("RailRoadStation1");
    m_level->focused = station;
    CRefHandle<StandingTrain> train(new StandingTrain);
    station->onTrainAssigned(train.get());
    station->onTrainArrived(train.get());
    const IGameLevel::TrainOffer offers[] = {
        {false, false, CName("Materials"), 10, 10500, CName("Game_StationBuyMaterials10")},
        {false, false, CName("Materials"), 25, 23000, CName("Game_StationBuyMaterials25")},
        {false, false, CName("Gold"), 1, 16000, CName("Game_StationBuyGold1")},
        {true, false, CName("Materials"), 10, 6000, CName("Game_StationSellMaterials10")},
        {true, false, CName("Gold"), 3, 32000, CName("Game_StationSellGold3")},
    };
    for (const IGameLevel::TrainOffer& offer : offers)
        m_level->offers.push_back(offer);
    showActionsPage(play, 5);
    play->updateStationPage();
    ASSERT_TRUE(runFor(400));
    expectLooksLikeReference("PlayHudStation");
    EXPECT_EQ(warnings(), std::vector<std::string>());
}
