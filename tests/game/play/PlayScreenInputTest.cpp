// The play screen's commands, hover feedback and game messages over a level
// whose headquarters is the real one with walking workers: a command reaches
// the headquarters and starts (or cancels) the place's task, a hover previews
// and takes the preview off, and each game message keeps the tabs in step.

#include "engine/content/CDictionary.h"
#include "engine/content/CProfileParameters.h"
#include "engine/core/CEngineManagers.h"
#include "engine/core/CEventKeyUp.h"
#include "engine/core/CUpdateScheduler.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/nodes/ButtonNode.h"
#include "engine/nodes/ListEvents.h"
#include "engine/nodes/ListNode.h"
#include "engine/nodes/TabSceneNode.h"
#include "engine/nodes/TextNode.h"
#include "engine/scene/CEventClicked.h"
#include "engine/scene/CEventHovered.h"
#include "engine/scene/CEventUnhovered.h"
#include "engine/scene/CNodeState.h"
#include "engine/scene/SceneManager.h"
#include "engine/scene/TemplateCollectionNode.h"
#include "game/config/GWorldMessages.h"
#include "game/config/TabsConfiguration.h"
#include "game/nodes/GHintNode.h"
#include "game/nodes/GProgressBarWithSignNode.h"
#include "game/play/GTutorialController.h"
#include "game/world/GDilizhansNode.h"
#include "game/world/GGameLevelScene.h"
#include "game/world/GGertrudaNode.h"
#include "game/world/GMajorOfficeNode.h"
#include "game/world/GOnRoadLocationNode.h"
#include "game/world/GWorkerNode.h"
#include "tests/game/play/PlayScreenTestSupport.h"

#include <gtest/gtest.h>

using namespace sceneflow;

namespace {

constexpr const char* kObjects = R"(<ObjectsConfiguration>
  <Building><Type Value="BuildingPlace"/><Name Value="BuildingPlace"/><Level Value="0"/></Building>
  <Building><Type Value="MajorOffice"/><Name Value="MajorOffice1"/><Level Value="1"/></Building>
  <Building><Type Value="Apartment"/><Name Value="House1"/><Level Value="1"/><Income Value="1"/>
    <CanBeDestroyed Value="true"/>
    <Upgrades><NextLevelName Value="House2"/></Upgrades>
    <Build><Time Value="5000"/><Workers Value="2"/><Money Value="300"/><Materials Value="5"/></Build>
    <Repair><Time Value="2000"/><Workers Value="1"/><Money Value="50"/></Repair>
    <Destroy><Time Value="2000"/><Workers Value="1"/><Money Value="40"/></Destroy></Building>
  <Building><Type Value="Apartment"/><Name Value="House2"/><Level Value="2"/><Income Value="0.99"/>
    <Build><Time Value="5000"/><Workers Value="2"/><Money Value="500"/></Build></Building>
  <Building><Type Value="Commercial"/><Name Value="Shop1"/><Level Value="1"/>
    <Build><Time Value="5000"/><Workers Value="1"/><Money Value="100"/></Build></Building>
  <Building><Type Value="Produce"/><Name Value="Sawmill1"/><Level Value="1"/>
    <ProduceItems>
      <Item><Workers Value="1"/><Time Value="4000"/><RequiredResource Name="Money" Value="200"/><ProducedResource Name="Materials" Value="10"/></Item>
    </ProduceItems></Building>
  <Building><Type Value="Produce"/><Name Value="GoldenMine1"/><Level Value="1"/>
    <ProduceItems>
      <Item><Workers Value="1"/><RequiredResource Name="Money" Value="1500"/><ProducedResource Name="Gold" Value="2"/></Item>
    </ProduceItems></Building>
  <Building><Type Value="Service"/><Name Value="RailRoadStation1"/><Level Value="1"/></Building>
  <UniqUpgrade><Name Value="Porch"/><Type Value="Up1"/><AllowedFromLevel Value="1"/><UniqUpIncomeBonus Value="20"/>
    <BuildingTypes Value="House1"/><Build><Time Value="3000"/><Workers Value="1"/><Money Value="100"/></Build></UniqUpgrade>
</ObjectsConfiguration>)";

constexpr const char* kTabs = R"(<TabsConfiguration>
  <Tab Type="Apartment"><Button Template="House1"/><Button Template="House2"/></Tab>
  <Tab Type="Commercial"><Button Template="Shop1"/></Tab>
  <Tab Type="Service"/><Tab Type="Municipal"/>
</TabsConfiguration>)";

constexpr const char* kLevel = R"(<Level><IsClockOn Value="true"/>
  <Objectives><ObjectivesGroup Time="100"><Objective Type="Money" Value="5000"/></ObjectivesGroup></Objectives>
</Level>)";

CDictionary* dict() { return CEngineManagers::instance().getDictionary(); }

template <class T> T* make(BaseNode* parent, const char* name) {
    auto* node = new T(CObjectName(), parent, nullptr);
    node->release();
    node->setName(CName(name));
    return node;
}

// The stand-in level with what walking characters need: a walkers layer, a
// scheduler and straight paths.
class WalkingLevel : public PlayLevel {
public:
    CUpdateScheduler* getUpdateScheduler() const override { return scheduler.get(); }
    BaseNode* getWalkerLayer() const override { return walkers; }
    bool findPath(const CVector2d& from, const CVector2d& to, CArray<CVector2d>& points, bool) override {
        points.clear();
        points.push_back(to);
        points.push_back(from);
        return true;
    }
    int pathLength(float fromX, float fromY, float toX, float toY) const override {
        return int(std::abs(toX - fromX) + std::abs(toY - fromY));
    }
    bool isLevelPaused() const override { return paused; }
    void setTrainOfferUsed(BaseNode*, int index) override { usedOffers.push_back(index); }

    CRefHandle<CUpdateScheduler> scheduler{new CUpdateScheduler};
    BaseNode* walkers = nullptr;
    bool paused = false;
    std::vector<int> usedOffers;

protected:
    ~WalkingLevel() override = default;
};

} // namespace

class PlayInput : public PlayScreenTest {
protected:
    void SetUp() override {
        PlayScreenTest::SetUp();
        m_walking = new WalkingLevel;
        m_level = CRefHandle<PlayLevel>(m_walking);
        m_level->addObjects(kObjects);
        m_level->readConfiguration(kLevel);

        // The headquarters and its walkers live on a scene manager of their
        // own, with the walkers' templates.
        make<GWorkerNode>(m_collection.get(), "Worker1")->setBounds({10.0f, 20.0f, 0.0f});
        make<GDilizhansNode>(m_collection.get(), "Dilizhans1")->setBounds({30.0f, 20.0f, 0.0f});
        make<GGertrudaNode>(m_collection.get(), "Gertruda1")->setBounds({10.0f, 20.0f, 0.0f});
        m_collection->onLoaded();
        m_manager->setTemplateCollection(m_collection.get());
        m_walking->walkers = make<BaseNode>(m_root.get(), "Walkers");
        m_hq = make<GMajorOfficeNode>(m_root.get(), "Headquarters");
        m_hq->setPosition({100.0f, 100.0f, 0.0f});
        m_hq->setBounds({60.0f, 40.0f, 0.0f});
        m_level->headquarters = CRefHandle<GBuildingNode>::share(m_hq);
        m_level->view.headquarters = m_hq;
        m_hq->setLevelScene(m_level.get());
        m_root->setSceneManager(m_manager.get(), nullptr);
        m_hq->applyTemplate();
        m_hq->setScheduler(m_walking->scheduler.get());
        m_hq->setType(type("MajorOffice1"), false, false);
        m_hq->addResource(CName("Money"), 10000);
        m_hq->addResource(CName("Materials"), 50);
        m_hq->spawnWorkers(6);
        run(3000);
    }

    void TearDown() override {
        for (GBuildingNode* place : m_places)
            place->setTask(GBuildingNode::TaskNone, nullptr);
        m_walking->scheduler.reset();
        PlayScreenTest::TearDown();
    }

    void start(bool nullVideo = true) {
        startGame(nullVideo);
        CRefHandle<TabsConfiguration> tabs(new TabsConfiguration);
        CRefHandle<CXmlStreamReader> reader(new CXmlStreamReader(kTabs, std::strlen(kTabs)));
        ASSERT_TRUE(tabs->readFromXml(*reader));
        m_play->setTabsConfiguration(tabs.get());
        m_play->fillBuildLists();
        dict()->set("MoneyDollar", CStringW(u"$#p"));
    }

    [[nodiscard]] GBuildingConfig* type(const char* name) const { return m_level->objects->findBuilding(CName(name)); }

    // A place of `typeName` beside the headquarters, run by the level.
    GBuildingNode* place(const char* typeName, float x = 300.0f) {
        GBuildingNode* node = make<GBuildingNode>(m_root.get(), "Place");
        node->setPosition({x, 100.0f, 0.0f});
        node->setBounds({40.0f, 40.0f, 0.0f});
        node->setLevelScene(m_level.get());
        node->setSceneManager(m_manager.get(), nullptr);
        node->applyTemplate();
        node->setScheduler(m_walking->scheduler.get());
        node->setPlaceNumber(int(m_level->places.size()));
        node->setReachable(true);
        node->setRequiredServices(true);
        node->setType(type(typeName), false, false);
        m_level->places.push_back(CRefHandle<GBuildingNode>::share(node));
        m_places.push_back(node);
        return node;
    }

    void run(int ms) {
        for (int t = 0; t < ms; t += 10)
            m_walking->scheduler->update(10);
    }

    bool send(CEvent* event) {
        CRefHandle<CEvent> held(event);
        return m_play->handleEvent(held.get());
    }
    bool click(const char* name) {
        CRefHandle<ControlNode> control(new ControlNode(CObjectName(), nullptr, nullptr));
        control->setName(CName(name));
        return send(new CEventClicked(control.get()));
    }
    bool clickOn(ControlNode* control) { return send(new CEventClicked(control)); }
    bool choose(ListNode* list, int item) { return send(new CEventListItemClicked(list, item)); }
    bool hoverItem(ListNode* list, int item) { return send(new CEventListItemHovered(list, item)); }
    bool unhoverItem(ListNode* list, int item) { return send(new CEventListItemUnhovered(list, item)); }
    bool hover(BaseNode* node) { return send(new CEventHovered(nullptr, node)); }
    bool unhover(BaseNode* node) { return send(new CEventUnhovered(node, nullptr)); }
    [[nodiscard]] int activePage() const { return m_play->getActionsTabs()->getActiveTab(); }
    // The cost popup of the fixture screen with the rows the HUD's art
    // gives it.
    GHintNode* givePopupRows();

    WalkingLevel* m_walking = nullptr;
    CRefHandle<SceneManager> m_manager{new SceneManager(CObjectName(), nullptr, nullptr)};
    CRefHandle<TemplateCollectionNode> m_collection{new TemplateCollectionNode(CObjectName(), nullptr, nullptr)};
    CRefHandle<BaseNode> m_root{new BaseNode(CObjectName(), nullptr, nullptr)};
    GMajorOfficeNode* m_hq = nullptr;
    std::vector<GBuildingNode*> m_places;
};

// ---------------------------------------------------------------------------
// Rules

TEST(PlayScreenRules, LevelsOfOneBuildingDifferOnlyInTheLastCharacterOfTheirName) {
    const struct {
        const char* a;
        const char* b;
        bool same;
    } rows[] = {
        {"House1", "House2", true},
        {"House1", "House1", true},
        {"House1", "Shop1", false},
        {"Hotel1", "Hotel12", false},
        {"Hotel9", "Hotex9", false},
        {"A", "B", false},
        {"A", "A", true},
        {"Ab", "Ac", true},
        {"House1", "House", false},
    };
    for (const auto& row : rows)
        EXPECT_EQ(GGamePlayScene::sameBuildingFamily(CName(row.a), CName(row.b)), row.same) << row.a << " " << row.b;
}

// ---------------------------------------------------------------------------
// Commands reaching the headquarters

TEST_F(PlayInput, ABuildOrderFromTheListReachesTheHeadquartersAndAbortBringsThePlaceBack) {
    start();
    GBuildingNode* empty = place("BuildingPlace");
    m_level->focused = empty;
    ASSERT_EQ(m_hq->getWorkersCount(), 6);
    ListNode* list = m_play->getBuildList(0);
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->getItemObject(0), type("House1"));

    EXPECT_TRUE(choose(list, 0));
    EXPECT_EQ(empty->getTaskKind(), GBuildingNode::TaskBuild);
    EXPECT_EQ(empty->getType(), type("House1"));
    // The cost left the store with the two workers.
    EXPECT_EQ(m_hq->getMoney(), 9700);
    EXPECT_EQ(m_hq->getResource(CName("Materials")), 45);
    EXPECT_EQ(m_hq->getWorkersCount(), 4);
    EXPECT_EQ(activePage(), 2);

    // Aborting leaves an empty place again, shown as just focused.
    EXPECT_TRUE(click("AbortButton"));
    EXPECT_EQ(empty->getTaskKind(), GBuildingNode::TaskNone);
    ASSERT_NE(empty->getType(), nullptr);
    EXPECT_EQ(empty->getType()->Level, 0);
    EXPECT_EQ(activePage(), 4);
    // The workers bring the cost home.
    run(20000);
    EXPECT_EQ(m_hq->getMoney(), 10000);
    EXPECT_EQ(m_hq->getWorkersCount(), 6);
}

TEST_F(PlayInput, CommandsNeedTheirBuildingAndTheHeadquartersDecides) {
    start();
    GBuildingNode* house = place("House1");
    house->setDamageState(GBuildingNode::DamageBroken, true);
    ASSERT_EQ(house->getDamageState(), GBuildingNode::DamageBroken);

    // Without a focused building nothing is mended, destroyed or upgraded.
    m_level->focused = nullptr;
    for (const char* button : {"RepairButton", "DestroyButton", "UpgradeButton", "AbortButton", "CustomServeButton"}) {
        SCOPED_TRACE(button);
        EXPECT_TRUE(click(button));
        EXPECT_EQ(house->getTaskKind(), GBuildingNode::TaskNone);
        EXPECT_EQ(m_hq->getMoney(), 10000);
    }

    m_level->focused = house;
    EXPECT_TRUE(click("RepairButton"));
    EXPECT_EQ(house->getTaskKind(), GBuildingNode::TaskRepair);
    EXPECT_EQ(m_hq->getMoney(), 9950);
    // A second command on the busy place is refused.
    EXPECT_TRUE(click("DestroyButton"));
    EXPECT_EQ(house->getTaskKind(), GBuildingNode::TaskRepair);
    EXPECT_TRUE(click("AbortButton"));
    EXPECT_EQ(house->getTaskKind(), GBuildingNode::TaskNone);

    GBuildingNode* other = place("House1", 500.0f);
    m_level->focused = other;
    EXPECT_TRUE(click("DestroyButton"));
    EXPECT_EQ(other->getTaskKind(), GBuildingNode::TaskDestroy);
    EXPECT_EQ(activePage(), 2);

    GBuildingNode* third = place("House1", 700.0f);
    m_level->focused = third;
    EXPECT_TRUE(click("UpgradeButton"));
    EXPECT_EQ(third->getTaskKind(), GBuildingNode::TaskBuild);
    EXPECT_EQ(third->getType(), type("House2"));

    // Too little Money: the headquarters refuses and nothing starts.
    GBuildingNode* poor = place("House1", 900.0f);
    m_level->focused = poor;
    m_hq->addResource(CName("Money"), -m_hq->getMoney());
    EXPECT_TRUE(click("UpgradeButton"));
    EXPECT_EQ(poor->getTaskKind(), GBuildingNode::TaskNone);
    EXPECT_EQ(poor->getType(), type("House1"));
}

TEST_F(PlayInput, ListChoicesProduceOrderWorkersAndTradeThroughTheHeadquarters) {
    start();
    GBuildingNode* sawmill = place("Sawmill1");
    m_level->focused = sawmill;
    m_play->fillMaterialsList();
    EXPECT_TRUE(choose(m_play->getMaterialsList(), 0));
    EXPECT_EQ(sawmill->getTaskKind(), GBuildingNode::TaskProduce);
    EXPECT_EQ(activePage(), 2);

    // Production cannot be aborted: the button only refreshes the tab.
    EXPECT_TRUE(click("AbortButton"));
    EXPECT_EQ(sawmill->getTaskKind(), GBuildingNode::TaskProduce);

    m_play->fillWorkersList();
    m_hq->addResource(CName("Money"), 100000);
    EXPECT_FALSE(choose(m_play->getWorkersList(), 0));
    EXPECT_GE(m_hq->getOrderTimeLeft(), 0);
    EXPECT_FALSE(m_play->getWorkersList()->isVisible());
    EXPECT_TRUE(m_play->getWorkersSignBar()->isVisible());
    EXPECT_EQ(m_play->getWorkersSignBar()->getMaxValue(), float(m_hq->getOrderTotalTime()));

    // A station offer that is traded is marked used; one that cannot be
    // paid is left as it is. Both answer the choice.
    CRefHandle<StandingTrain> train(new StandingTrain);
    IGameLevel::TrainOffer offer;
    offer.resource = CName("Materials");
    offer.amount = 10;
    offer.price = 600;
    m_level->offers = {offer};
    offer.price = 1000000;
    m_level->offers.push_back(offer);
    CRefHandle<ListNode> buy(new ListNode(CObjectName(), nullptr, nullptr));
    buy->setName(CName("BuyList"));
    buy->setItemsCount(2);
    buy->setItemObject(0, CRefHandle<StationItemData>(new StationItemData(train.get(), 0)).get());
    buy->setItemObject(1, CRefHandle<StationItemData>(new StationItemData(train.get(), 1)).get());
    const int money = m_hq->getMoney();
    EXPECT_TRUE(choose(buy.get(), 1));
    EXPECT_EQ(m_hq->getMoney(), money);
    EXPECT_TRUE(m_walking->usedOffers.empty());
    EXPECT_TRUE(choose(buy.get(), 0));
    EXPECT_EQ(m_hq->getMoney(), money - 600);
    EXPECT_EQ(m_walking->usedOffers, std::vector<int>{0});
}

// ---------------------------------------------------------------------------
// Hover feedback

TEST_F(PlayInput, ABuildPreviewShowsOnlyOnAnEmptyPlaceAndGoesOnUnhoverOrAbort) {
    start();
    ListNode* list = m_play->getBuildList(0);
    GBuildingNode* built = place("House1");
    m_level->focused = built;
    EXPECT_TRUE(hoverItem(list, 0));
    EXPECT_EQ(m_play->getPreviewBuilding(), nullptr);
    EXPECT_EQ(built->getPreviewType(), nullptr);

    GBuildingNode* empty = place("BuildingPlace", 500.0f);
    m_level->focused = empty;
    EXPECT_TRUE(hoverItem(list, 0));
    EXPECT_EQ(m_play->getPreviewBuilding(), empty);
    EXPECT_EQ(m_play->getPreviewConfig(), type("House1"));
    EXPECT_EQ(empty->getPreviewType(), type("House1"));

    // Leaving the item takes the figures off; leaving the list the rest.
    EXPECT_FALSE(unhoverItem(list, 0));
    EXPECT_EQ(empty->getPreviewType(), nullptr);
    EXPECT_EQ(m_play->getPreviewBuilding(), empty);
    EXPECT_TRUE(unhover(list));
    EXPECT_EQ(m_play->getPreviewBuilding(), nullptr);
    EXPECT_EQ(m_play->getPreviewConfig(), nullptr);

    // A build started from the preview and aborted leaves no preview.
    EXPECT_TRUE(hoverItem(list, 0));
    EXPECT_TRUE(choose(list, 0));
    EXPECT_EQ(m_play->getPreviewBuilding(), nullptr);
    EXPECT_TRUE(hoverItem(list, 1));
    EXPECT_EQ(m_play->getPreviewBuilding(), nullptr);
    EXPECT_TRUE(click("AbortButton"));
    EXPECT_EQ(m_play->getPreviewBuilding(), nullptr);
    EXPECT_EQ(empty->getPreviewType(), nullptr);

    // While the level is paused, hovering shows nothing.
    m_walking->paused = true;
    EXPECT_TRUE(hoverItem(list, 0));
    EXPECT_EQ(m_play->getPreviewBuilding(), nullptr);
}

TEST_F(PlayInput, HoveringAButtonRemembersItAndClickOrUnhoverForgetsIt) {
    start();
    m_level->focused = place("House1");
    CRefHandle<ControlNode> destroy(new ButtonNode(CObjectName(), nullptr, nullptr));
    destroy->setName(CName("DestroyButton"));
    EXPECT_TRUE(hover(destroy.get()));
    EXPECT_EQ(m_play->getHoveredControl(), destroy.get());
    EXPECT_TRUE(unhover(destroy.get()));
    EXPECT_EQ(m_play->getHoveredControl(), nullptr);
    EXPECT_TRUE(hover(destroy.get()));
    EXPECT_TRUE(clickOn(destroy.get()));
    EXPECT_EQ(m_play->getHoveredControl(), nullptr);
}

// ---------------------------------------------------------------------------
// The skip button

TEST_F(PlayInput, TheSkipButtonSwitchesTutorialsOrTipsOffInTheProfile) {
    start();
    // The tutorial's windows, which tell a tip from a hint.
    const std::vector<uint8_t> bytes = readAllBytes(kSourceFolder / "tests/game/play/data/TutorialTemplates.mscn");
    write("scenes/TutorialTemplates.mscn", std::string(bytes.begin(), bytes.end()));
    CRefHandle<IContent> loaded(
        m_game->getContentManager()->load(ContentTypeSceneNode, CStringW(u"scenes/TutorialTemplates.mscn"), false));
    auto* templates = nodeCast<TemplateCollectionNode>(dynamic_cast<BaseNode*>(loaded.get()));
    ASSERT_NE(templates, nullptr);
    const struct {
        const char* what;
        bool withTutorial;
        bool tip;
        bool tutorialOn;
        bool tipsOn;
    } rows[] = {
        {"no tutorial", false, false, true, true},
        {"a hint", true, false, false, true},
        {"a tip", true, true, true, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        player()->setBool("ShowTutorialOn", true);
        player()->setBool("ShowTipsOn", true);
        CRefHandle<GTutorialController> tutorial;
        if (row.withTutorial) {
            tutorial = CRefHandle<GTutorialController>(
                new GTutorialController(m_play->findChild(CName("Scene"), 1), templates, m_game->getContentManager()));
            const std::string file = std::string("<Tutorial><Hint Tip=\"") + (row.tip ? "true" : "false") +
                                     "\"><Text Value=\"Look\"/></Hint></Tutorial>";
            CRefHandle<CXmlStreamReader> reader(new CXmlStreamReader(file.data(), file.size()));
            tutorial->load(*reader, nullptr);
            tutorial->start(0);
            ASSERT_EQ(tutorial->isCurrentHintTip(), row.tip);
        }
        m_play->setLevelTutorial(tutorial.get());
        EXPECT_FALSE(click("SkipTutorialButton"));
        EXPECT_EQ(player()->getBool("ShowTutorialOn"), row.tutorialOn);
        EXPECT_EQ(player()->getBool("ShowTipsOn"), row.tipsOn);
        m_play->setLevelTutorial(nullptr);
        if (tutorial)
            tutorial->close();
    }
}

// ---------------------------------------------------------------------------
// Keys

TEST_F(PlayInput, DeveloperKeysWorkOnlyInDeveloperMode) {
    start();
    CRefHandle<CEventKeyUp> add(new CEventKeyUp(0, 107));
    GGameApplication::setDeveloperMode(false);
    EXPECT_FALSE(m_play->handleEvent(add.get()));
    EXPECT_EQ(m_hq->getMoney(), 10000);
    GGameApplication::setDeveloperMode(true);
    const struct {
        int key;
        const char* resource;
        int amount;
    } rows[] = {{107, "Money", 110000}, {106, "Materials", 1050}, {109, "Gold", 10}};
    for (const auto& row : rows) {
        CRefHandle<CEventKeyUp> key(new CEventKeyUp(0, row.key));
        EXPECT_TRUE(m_play->handleEvent(key.get())) << row.key;
        EXPECT_EQ(m_hq->getResource(CName(row.resource)), row.amount) << row.key;
    }
    CRefHandle<CEventKeyUp> spawn(new CEventKeyUp(0, 111));
    EXPECT_TRUE(m_play->handleEvent(spawn.get()));
    EXPECT_EQ(m_hq->getAllWorkers().size(), 7u);
    for (int key : {113, 114}) {
        CRefHandle<CEventKeyUp> nothing(new CEventKeyUp(0, key));
        EXPECT_TRUE(m_play->handleEvent(nothing.get())) << key;
    }
    CRefHandle<CEventKeyUp> other(new CEventKeyUp(0, 'Q'));
    EXPECT_FALSE(m_play->handleEvent(other.get()));
    player()->setString("AlreadyAllowedBuildings", CString("House1"));
    CRefHandle<CEventKeyUp> reset(new CEventKeyUp(0, 82, true));
    EXPECT_TRUE(m_play->handleEvent(reset.get()));
    EXPECT_TRUE(player()->getString("AlreadyAllowedBuildings").empty());
    GGameApplication::setDeveloperMode(false);
}

// ---------------------------------------------------------------------------
// Game messages

TEST_F(PlayInput, TheFocusedBuildingChoosesTheActionTab) {
    start();
    GBuildingNode* brokenMill = place("Sawmill1", 700.0f);
    brokenMill->setDamageState(GBuildingNode::DamageBroken, true);
    const struct {
        const char* what;
        GBuildingNode* focused;
        int page;
        int resourcesPage;
    } rows[] = {
        {"an empty place", place("BuildingPlace"), 4, -1},
        {"a house", place("House1", 400.0f), 2, -1},
        {"the headquarters", m_hq, 1, 1},
        {"an idle sawmill", place("Sawmill1", 500.0f), 1, 0},
        {"an idle gold mine", place("GoldenMine1", 600.0f), 1, 2},
        {"a broken sawmill", brokenMill, 2, -1},
        {"the station", place("RailRoadStation1", 800.0f), 5, -1},
        {"nothing", nullptr, 3, -1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        m_level->focused = row.focused;
        EXPECT_TRUE(send(new GBuildingChangedMessage(row.focused, nullptr)));
        EXPECT_EQ(activePage(), row.page);
        if (row.resourcesPage >= 0) {
            EXPECT_EQ(m_play->getResourcesTabs()->getActiveTab(), row.resourcesPage);
        }
    }
}

TEST_F(PlayInput, TheIncomeBurstNeedsABuildingThatYieldsAtLeastOne) {
    start();
    const struct {
        const char* type;
        bool burst;
    } rows[] = {{"House2", false}, {"House1", true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.type);
        m_level->places.clear();
        GBuildingNode* house = place(row.type);
        house->setCanBeHit(true);
        m_level->income = 1234.4f;
        m_play->getBurstIncomeText()->setText(CStringW());
        EXPECT_TRUE(send(new GIncomeCollectedMessage()));
        EXPECT_EQ(text(m_play->getBurstIncomeText()->getText()), row.burst ? "+ $1,234" : "");
    }
}

TEST_F(PlayInput, MessagesOfTheTableAndThoseLeftToThePostHandlers) {
    start();
    GBuildingNode* house = place("House1");
    m_level->focused = house;
    // The first group shows its panel at once, a later one after 3000 ms.
    EXPECT_TRUE(send(new GObjectivesGroupStartedMessage(0, 100, 1, CString())));
    EXPECT_EQ(text(m_play->getCheckpointTaskText()->getText()), "1");
    EXPECT_TRUE(send(new GObjectivesGroupStartedMessage(1, 100, 1, CString())));
    EXPECT_EQ(m_play->getGroupChangeCountdown(), 3000);
    EXPECT_TRUE(send(new GLevelStatsChangedMessage()));
    EXPECT_TRUE(send(new GTrainArrivedMessage(house, nullptr)));
    EXPECT_TRUE(send(new GTrainLeavedMessage(house, nullptr, 0)));
    EXPECT_TRUE(send(new GBuildingCompletedMessage(house, house->getType())));
    EXPECT_TRUE(send(new GWorkerArrivedMessage(house, nullptr)));
    // A destroyed building goes on to the post-handlers, focused or not.
    EXPECT_FALSE(send(new GBuildingDestroyedMessage(house)));
    EXPECT_FALSE(send(new GBuildingDestroyedMessage(place("House1", 500.0f))));
    // Messages the play screen does not take.
    EXPECT_FALSE(send(new GBuildingRepairedMessage(house)));
    EXPECT_FALSE(send(new GResourceSoldMessage(CName("Gold"), 1, 10)));
}

TEST_F(PlayInput, TheFirstClickOfALevelStartsItsRandomEvents) {
    start();
    CRefHandle<GGameLevelScene> world(new GGameLevelScene(CObjectName(), nullptr, nullptr));
    ASSERT_TRUE(m_play->bindLevel(world.get()));
    ASSERT_TRUE(world->areRandomEventsPaused());
    EXPECT_FALSE(click("Nothing"));
    EXPECT_FALSE(world->areRandomEventsPaused());
    ASSERT_TRUE(m_play->bindLevel(m_level.get()));
}

// ---------------------------------------------------------------------------
// The popup on screen

namespace {

std::string sceneNode(const char* type, const char* name, const std::string& properties,
                      const std::string& children = {}) {
    return std::string("<SceneNode Type=\"") + type + "\"><Properties><string Name=\"Name\" Value=\"" + name + "\"/>" +
           properties + "</Properties>" + children + "</SceneNode>";
}

std::string box(float x, float y, float w, float h) {
    return "<vector3d Name=\"Position\" Value=\"" + std::to_string(x) + ";" + std::to_string(y) +
           ";0\"/><vector3d Name=\"Bounds\" Value=\"" + std::to_string(w) + ";" + std::to_string(h) + ";0\"/>";
}

// A row of the popup: a coloured face and its amount.
std::string hintBlock(const char* name, const char* color) {
    return sceneNode(
        "BaseNode", name, box(0, 0, 64, 20),
        sceneNode("SpriteNode", "Face",
                  box(0, 0, 64, 20) +
                      R"(<int Name="ImageStretchX" Value="1"/><int Name="ImageStretchY" Value="1"/>)"
                      R"(<atlasTexture Name="AtlasTexture" Value="white.png"/><color Name="TintColor" Value=")" +
                      color + "\"/>") +
            sceneNode("TextNode", "Text",
                      R"(<vector3d Name="Position" Value="6;2;1"/><vector3d Name="Bounds" Value="56;16;0"/>)"
                      R"(<font Name="Font" Value="../fonts/Text.mfnt"/>)"));
}

// The popup's arrow towards the hovered entry.
std::string hintArrow(const char* name, float w, float h) {
    return sceneNode("SpriteNode", name,
                     box(0, 0, w, h) + R"(<int Name="ImageStretchX" Value="1"/><int Name="ImageStretchY" Value="1"/>)"
                                       R"(<atlasTexture Name="AtlasTexture" Value="white.png"/>)");
}

} // namespace

GHintNode* PlayInput::givePopupRows() {
    writePicture("scenes/white.png", 4, 4);
    write("scenes/HintRows.mscn",
          "<?xml version=\"1.0\"?>\n" +
              sceneNode("BaseNode", "Rows", "",
                        hintBlock("MoneyBlock", "ffffc060") + hintBlock("MaterialsBlock", "ffa0ff80") +
                            hintBlock("WorkersBlock", "ffffffff") + hintBlock("GuestsBlock", "ff80c0ff") +
                            hintArrow("ArrowDown", 12, 8) + hintArrow("ArrowLeft", 8, 12) +
                            hintArrow("ArrowRight", 8, 12) + hintArrow("ArrowUp", 12, 8)));
    CRefHandle<IContent> loaded(
        m_game->getContentManager()->load(ContentTypeSceneNode, CStringW(u"scenes/HintRows.mscn"), false));
    auto* rows = dynamic_cast<BaseNode*>(loaded.get());
    EXPECT_NE(rows, nullptr);
    GHintNode* hint = m_play->getGameHint();
    EXPECT_NE(hint, nullptr);
    if (!rows || !hint)
        return nullptr;
    for (BaseNode* row : rows->getChildren())
        (void)row->clone(hint, m_game->getSceneManager());
    hint->applyTemplate();
    m_play->getHintNode()->setBounds({1024.0f, 768.0f, 0.0f});
    return hint;
}

TEST_F(PlayInput, TheCostPopupOfAHoveredBuildEntryOverTheHudMatchesItsReference) {
    start(false);
    GHintNode* hint = givePopupRows();
    ASSERT_NE(hint, nullptr);

    m_level->focused = place("BuildingPlace");
    m_play->getActionsTabs()->setActiveTab(0, true);
    m_play->getBuildGroupTabs()->setActiveTab(0, true);
    ASSERT_TRUE(runSteps(10));
    ListNode* list = m_play->getBuildList(0);
    EXPECT_TRUE(hoverItem(list, 0));
    ASSERT_NE(hint->getRowsHolder(), nullptr);
    // Money, Materials, Workers and the arrow.
    EXPECT_EQ(hint->getRowsHolder()->getChildren().size(), 4u);
    ASSERT_TRUE(runSteps(10));
    m_game->drawFrame();
    expectScreenLooksLike(kSourceFolder / "tests/game/play/data/PlayHoverPopupReference.png");

    // Leaving the entry takes the popup away.
    EXPECT_FALSE(unhoverItem(list, 0));
    const CNodeState* state = hint->getCurrentState();
    EXPECT_TRUE(state == nullptr || state->getName() == CName("Disappear"));
}

// A worker offer's popup asks for the Money the order takes, as its list
// entry and its hint do: 1001 x 1.5 rounds to 1502.
TEST_F(PlayInput, TheWorkerOffersPopupShowsThePriceTheOrderTakes) {
    m_level->configuration->ModifierValues.WorkerPriceM = 1.5f;
    m_level->configuration->getWorkerOffers()[0]->Price = 1001;
    start();
    GHintNode* hint = givePopupRows();
    ASSERT_NE(hint, nullptr);
    dict()->set("Hint_WorkersBuy", CStringW(u"Buy #p for #p"));
    m_play->fillWorkersList();
    ASSERT_LT(m_hq->getOrderTimeLeft(), 0);
    EXPECT_TRUE(hoverItem(m_play->getWorkersList(), 0));
    ASSERT_NE(hint->getRowsHolder(), nullptr);
    ASSERT_FALSE(hint->getRowsHolder()->getChildren().empty());
    const BaseNode* money = hint->getRowsHolder()->getChildren()[0];
    auto* amount = nodeCast<TextNode>(money->findChild(CName("Text"), 1));
    ASSERT_NE(amount, nullptr);
    EXPECT_EQ(text(amount->getText()), "$1,502");
    EXPECT_EQ(text(m_play->getWorkersList()->getItemText(0, 1)), "$1,502");
}

// ---------------------------------------------------------------------------
// More commands and messages

TEST_F(PlayInput, AClickOnAnUnreachablePlaceByTheRoadMarksWhatBlocksTheWayAndStartsNothing) {
    start();
    CRefHandle<GOnRoadLocationNode> rock(new GOnRoadLocationNode(CObjectName(), nullptr, nullptr));
    rock->setLevelScene(m_level.get());
    rock->setType(type("Shop1"), false, false);
    rock->setReachable(false);
    CRefHandle<GBuildingNode> stone(new GBuildingNode(CObjectName(), nullptr, nullptr));
    PlayLevel::Location blocking;
    blocking.node = stone;
    blocking.blocks = true;
    m_level->locations.push_back(blocking);
    EXPECT_FALSE(clickOn(rock.get()));
    EXPECT_TRUE(m_level->locations[0].impending);
    EXPECT_EQ(rock->getWorkState(), GOnRoadLocationNode::Available);
    EXPECT_EQ(m_hq->getMoney(), 10000);
    EXPECT_EQ(m_hq->getWorkersCount(), 6);
}

TEST_F(PlayInput, EscOpensTheInGameMenuAlsoOutsideDeveloperMode) {
    start();
    write("scenes/InGameMenuScene.mscn", screen("SceneNode", "Menu"));
    GGameApplication::setDeveloperMode(false);
    CRefHandle<CEventKeyUp> esc(new CEventKeyUp(0, 27));
    EXPECT_TRUE(m_play->handleEvent(esc.get()));
    EXPECT_TRUE(runUntilTop("Menu"));
}

TEST_F(PlayInput, TheWorkerOffersShowNothingWhileAnOrderRuns) {
    start();
    dict()->set("Hint_WorkersTab", CStringW(u"Workers tab"));
    dict()->set("Hint_WorkersBuy", CStringW(u"Buy #p for #p"));
    dict()->set("Hint_WorkersCantBuy", CStringW(u"No #p"));
    m_play->fillWorkersList();
    m_play->updateWorkersHint(nullptr, false);
    m_hq->setWorkerOrder(1, 5000);
    EXPECT_TRUE(hoverItem(m_play->getWorkersList(), 0));
    EXPECT_EQ(text(m_play->getWorkersHintText()->getText()), "Workers tab");
    // Once it is delivered the offer is described again.
    run(6000);
    ASSERT_LT(m_hq->getOrderTimeLeft(), 0);
    EXPECT_TRUE(hoverItem(m_play->getWorkersList(), 0));
    EXPECT_NE(text(m_play->getWorkersHintText()->getText()), "Workers tab");
}

TEST_F(PlayInput, ANewGroupBringsItsTutorialUnlessTheLevelsOwnRunsWithTutorialsOn) {
    start();
    write("GroupTutorial.xml", R"(<Tutorial><Hint><Text Value="Build a shop"/></Hint></Tutorial>)");
    const struct {
        const char* what;
        bool levelTutorial;
        bool tutorialsOn;
        const char* file;
        bool shown;
    } rows[] = {
        {"no tutorial named", false, true, "", false},
        {"a missing file", false, true, "Missing.xml", false},
        {"the group's own", false, true, "GroupTutorial.xml", true},
        {"the level's runs", true, true, "GroupTutorial.xml", false},
        {"tutorials switched off", true, false, "GroupTutorial.xml", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        player()->setBool("ShowTutorialOn", row.tutorialsOn);
        CRefHandle<GTutorialController> level;
        if (row.levelTutorial)
            level =
                CRefHandle<GTutorialController>(new GTutorialController(nullptr, nullptr, m_game->getContentManager()));
        m_play->setLevelTutorial(level.get());
        EXPECT_TRUE(send(new GObjectivesGroupStartedMessage(1, 100, 1, CString(row.file))));
        EXPECT_EQ(m_play->getGroupTutorial() != nullptr, row.shown);
        m_play->setLevelTutorial(nullptr);
    }
    // The next group takes the last one's tutorial down.
    EXPECT_TRUE(send(new GObjectivesGroupStartedMessage(2, 100, 1, CString())));
    EXPECT_EQ(m_play->getGroupTutorial(), nullptr);
}

TEST_F(PlayInput, AUniqueUpgradeIsPreviewedWhileHoveredAndStartedByItsClick) {
    start();
    GBuildingNode* house = place("House1");
    m_level->focused = house;
    CRefHandle<ControlNode> button(new ButtonNode(CObjectName(), nullptr, nullptr));
    button->setName(CName("UniqUp1Button"));
    EXPECT_TRUE(hover(button.get()));
    EXPECT_EQ(house->getIncomeBonusPreview(), 20);
    EXPECT_TRUE(m_play->isUpgradeHoverShown());
    EXPECT_TRUE(unhover(button.get()));
    EXPECT_EQ(house->getIncomeBonusPreview(), -1);
    EXPECT_FALSE(m_play->isUpgradeHoverShown());

    // A disabled button shows its costs but previews nothing.
    button->setEnabled(false);
    EXPECT_TRUE(hover(button.get()));
    EXPECT_EQ(house->getIncomeBonusPreview(), -1);
    EXPECT_TRUE(unhover(button.get()));
    button->setEnabled(true);

    EXPECT_TRUE(hover(button.get()));
    EXPECT_TRUE(clickOn(button.get()));
    EXPECT_EQ(house->getTaskKind(), GBuildingNode::TaskUniqueUpgrade);
    EXPECT_EQ(m_hq->getMoney(), 9900);
    EXPECT_FALSE(m_play->isUpgradeHoverShown());
    EXPECT_EQ(house->getIncomeBonusPreview(), -1);
    EXPECT_EQ(activePage(), 2);
}
