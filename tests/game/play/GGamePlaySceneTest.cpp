#include "game/play/GGamePlayScene.h"

#include "engine/content/CDictionary.h"
#include "engine/content/CProfileParameters.h"
#include "engine/core/CEngineManagers.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/nodes/CheckBoxNode.h"
#include "engine/nodes/ListNode.h"
#include "engine/nodes/TabSceneNode.h"
#include "engine/nodes/TextNode.h"
#include "engine/scene/CNodeFactory.h"
#include "engine/scene/CNodeState.h"
#include "engine/sound/CSoundCueManager.h"
#include "engine/sound/SoundCue.h"
#include "game/app/ILevelResultScreen.h"
#include "game/config/GWorldMessages.h"
#include "game/config/TabsConfiguration.h"
#include "game/nodes/GCounterTextNode.h"
#include "game/nodes/GHintNode.h"
#include "game/nodes/GLockButton.h"
#include "game/nodes/GProgressBarWithCheckpointsNode.h"
#include "game/nodes/GProgressBarWithSignNode.h"
#include "game/play/GPlayFigures.h"
#include "tests/engine/sound/FakeSound.h"
#include "tests/game/play/PlayScreenTestSupport.h"

using namespace sceneflow;

#include <gtest/gtest.h>

namespace {

constexpr const char* kObjects = R"(<ObjectsConfiguration>
  <Building><Type Value="BuildingPlace"/><Name Value="BuildingPlace"/><Level Value="0"/></Building>
  <Building><Type Value="Apartment1"/><Name Value="House1"/><Level Value="1"/><ButtonTemplate Value="House1Button"/></Building>
  <Building><Type Value="Apartment1"/><Name Value="House2"/><Level Value="1"/></Building>
  <Building><Type Value="Apartment1"/><Name Value="House3"/><Level Value="1"/><AllowedFromLevel Value="20"/></Building>
  <Building><Type Value="Apartment1"/><Name Value="House4"/><Level Value="1"/></Building>
  <Building><Type Value="Apartment1"/><Name Value="House5"/><Level Value="1"/></Building>
  <Building><Type Value="Apartment1"/><Name Value="House6"/><Level Value="1"/></Building>
  <Building><Type Value="Apartment1"/><Name Value="House7"/><Level Value="1"/></Building>
  <Building><Type Value="Apartment1"/><Name Value="House8"/><Level Value="1"/></Building>
  <Building><Type Value="Commercial1"/><Name Value="Shop1"/><Level Value="1"/><AllowedFromLevel Value="30"/></Building>
  <Building><Type Value="Service1"/><Name Value="Cafe1"/><Level Value="1"/><RequiredServeAreas Value="Water"/></Building>
  <Building><Type Value="Service1"/><Name Value="Well1"/><Level Value="1"/>
    <ServeArea Name="Water"><Area Value="1,0"/></ServeArea></Building>
  <Building><Type Value="Commercial1"/><Name Value="Park1"/><Level Value="1"/></Building>
  <Building><Type Value="Apartment1"/><Name Value="Hotel1"/><Level Value="1"/>
    <Upgrades><NextLevelName Value="Hotel2"/></Upgrades></Building>
  <Building><Type Value="Apartment1"/><Name Value="Hotel2"/><Level Value="2"/></Building>
  <Building><Type Value="Apartment1"/><Name Value="Hotel4"/><Level Value="4"/>
    <Upgrades><NextLevelName Value="Hotel2"/></Upgrades></Building>
  <Building><Type Value="Produce1"/><Name Value="GoldenMine1"/><Level Value="1"/>
    <ProduceItems>
      <Item><Workers Value="1"/><RequiredResource Name="Money" Value="1500"/><ProducedResource Name="Gold" Value="1"/></Item>
      <Item><Workers Value="2"/><RequiredResource Name="Money" Value="2500"/><ProducedResource Name="Gold" Value="3"/></Item>
      <Item><Workers Value="3"/><RequiredResource Name="Money" Value="1234567"/><ProducedResource Name="Gold" Value="1000"/></Item>
    </ProduceItems></Building>
  <Building><Type Value="Produce1"/><Name Value="Sawmill1"/><Level Value="1"/>
    <ProduceItems>
      <Item><Workers Value="2"/><Time Value="8000"/><RequiredResource Name="Money" Value="900"/><ProducedResource Name="Materials" Value="10"/></Item>
      <Item><Workers Value="1"/><ProducedResource Name="Materials" Value="0"/></Item>
    </ProduceItems></Building>
  <Building><Type Value="Service1"/><Name Value="RailRoadStation1"/><Level Value="1"/></Building>
  <UniqUpgrade><Name Value="HotelGuests"/><Type Value="Up1"/><AllowedFromLevel Value="1"/><BuildingTypes Value="Hotel1"/></UniqUpgrade>
  <RRStationItems><Item Materials="10" MoneyRange="600,700" Template="Buy10"/>
    <Item Gold="1" MoneyRange="2000,3000" Template="BuyGold1"/></RRStationItems>
</ObjectsConfiguration>)";

constexpr const char* kTabs = R"(<TabsConfiguration>
  <Tab Type="Apartment"><Button Template="House1"/><Button Template="House2"/><Button Template="House3"/>
    <Button Template="House4"/><Button Template="House5"/><Button Template="House6"/><Button Template="House7"/>
    <Button Template="House8"/></Tab>
  <Tab Type="Commercial"><Button Template="Shop1"/></Tab>
  <Tab Type="Service"><Button Template="Cafe1"/><Button Template="Well1"/></Tab>
  <Tab Type="Municipal"><Button Template="Park1"/></Tab>
  <Tab Type="Elsewhere"><Button Template="House1"/></Tab>
</TabsConfiguration>)";

// A level of `groups` groups of 100 seconds each.
std::string levelWithGroups(int groups, bool clockOn, const char* forbidden = "") {
    std::string xml = std::string(R"(<Level><IsClockOn Value=")") + (clockOn ? "true" : "false") +
                      R"("/><ForbiddenBuildings Value=")" + forbidden + R"("/><Objectives>)";
    for (int i = 0; i < groups; ++i)
        xml += R"(<ObjectivesGroup Time="100"><Objective Type="Money" Value="5000"/></ObjectivesGroup>)";
    return xml + "</Objectives></Level>";
}

CDictionary* dict() { return CEngineManagers::instance().getDictionary(); }

void setTexts() {
    dict()->set("MoneyDollar", CStringW(u"$#p"));
    dict()->set("Hint_WorkersBuy", CStringW(u"Buy #p for #p"));
    dict()->set("Hint_WorkersCantBuy", CStringW(u"No #p"));
    dict()->set("GamePlay_RailRoadCantBuy", CStringW(u"Gather #p"));
}

// The state applied last to `node` and its subtree, as its child named
// `child` shows it.
std::string stateOf(const BaseNode* node, const char* child = "Mark") {
    const BaseNode* shown = node ? node->findChild(CName(child), 1) : nullptr;
    const CNodeState* state = shown ? shown->getCurrentState() : nullptr;
    return state ? std::string(state->getName().str().c_str()) : std::string();
}

} // namespace

class PlayScreen : public PlayScreenTest {
protected:
    void startWithObjects(const std::string& level = levelWithGroups(3, true, "House4"), bool nullVideo = true) {
        m_level->addObjects(kObjects);
        m_level->readConfiguration(level);
        startGame(nullVideo);
        setTexts();
        CRefHandle<TabsConfiguration> tabs(new TabsConfiguration);
        CRefHandle<CXmlStreamReader> reader(new CXmlStreamReader(kTabs, std::strlen(kTabs)));
        ASSERT_TRUE(tabs->readFromXml(*reader));
        m_play->setTabsConfiguration(tabs.get());
    }
    GLockButton* groupButton(const char* name) const {
        return nodeCast<GLockButton>(m_play->getBuildGroupPage()->findChild(CName(name), 1));
    }
    void complete(int group, int time, int elapsed) {
        CRefHandle<GObjectivesGroupCompletedMessage> message(
            new GObjectivesGroupCompletedMessage(group, time, 1, elapsed, CString()));
        EXPECT_TRUE(m_play->handleEvent(message.get()));
    }
};

// ---------------------------------------------------------------------------
// Class and binding

TEST_F(PlayScreen, FixtureBindsTheHudOneLevelDeep) {
    startWithObjects();
    EXPECT_EQ(m_play->getTypeId(), 2016);
    for (int id : {2016, 2000, 6, 5, 0})
        EXPECT_TRUE(m_play->isKindOf(id)) << id;
    EXPECT_FALSE(m_play->isKindOf(2017));
    EXPECT_EQ(text(m_play->getTypeName()), "GGamePlayScene");
    EXPECT_EQ(m_play->getMask() & CEvent::MaskGame, CEvent::MaskGame);
    EXPECT_EQ(m_play->getUpdateInterval(), 20u);

    EXPECT_NE(m_play->getGameMenu(), nullptr);
    EXPECT_NE(m_play->getMoneyCounter(), nullptr);
    EXPECT_NE(m_play->getBankMoneyText(), nullptr);
    EXPECT_NE(m_play->getIncomeText(), nullptr);
    EXPECT_NE(m_play->getHappinessText(), nullptr);
    EXPECT_NE(m_play->getIncomeProgressBar(), nullptr);
    EXPECT_NE(m_play->getTimeProgressBar(), nullptr);
    EXPECT_NE(m_play->getChestButton(), nullptr);
    EXPECT_NE(m_play->getCheckpointTaskText(), nullptr);
    EXPECT_NE(m_play->getBurstIncomeText(), nullptr);
    EXPECT_NE(m_play->getGuestsText(), nullptr);
    for (int group = 0; group < 4; ++group)
        EXPECT_NE(m_play->getBuildList(group), nullptr) << group;
    EXPECT_NE(m_play->getMaterialsList(), nullptr);
    EXPECT_NE(m_play->getWorkersList(), nullptr);
    EXPECT_NE(m_play->getGoldList(), nullptr);
    EXPECT_NE(m_play->getGoldHintText(), nullptr);
    EXPECT_NE(m_play->getStationHintText(), nullptr);
    EXPECT_NE(m_play->getProgressNode(), nullptr);
    EXPECT_NE(m_play->getProgressHintText(), nullptr);
    EXPECT_NE(m_play->getBuildingHintText(), nullptr);
    EXPECT_NE(m_play->getGameHint(), nullptr);
    EXPECT_EQ(m_play->getBuildPage(), m_play->getActionsTabs()->getChildren()[0]);
    EXPECT_EQ(m_play->getResourcesPage(), m_play->getActionsTabs()->getChildren()[1]);
    EXPECT_TRUE(m_play->getWorkersList()->isVisible());
    EXPECT_FALSE(m_play->getWorkersSignBar()->isVisible());

    // The third row of the panel has no check box: the fourth row's comes
    // third.
    ASSERT_EQ(m_play->getPanelGoalChecks().size(), 3u);
    EXPECT_EQ(m_play->getPanelGoalChecks()[1]->getParent()->getName(), CName("Row2"));
    EXPECT_EQ(m_play->getPanelGoalChecks()[2]->getParent()->getName(), CName("Row4"));
    EXPECT_EQ(m_play->getTabGoalChecks().size(), 3u);
    for (const CheckBoxNode* check : m_play->getPanelGoalChecks())
        EXPECT_FALSE(check->isVisible());
}

TEST_F(PlayScreen, AFileWithoutGameMenuBindsNothingAndACloneKeepsOnlyItsParentsReference) {
    startGame();
    CRefHandle<GGamePlayScene> bare(new GGamePlayScene(CObjectName(), nullptr, nullptr));
    CRefHandle<SceneNode> unnamed(new SceneNode(CObjectName(), bare.get(), nullptr)); // not "Scene"
    bare->onLoaded();
    EXPECT_EQ(bare->getGameMenu(), nullptr);
    EXPECT_EQ(bare->getActionsTabs(), nullptr);
    bare->updateMoneyPanel();
    bare->fillBuildLists();
    bare->updateBuildingPage();

    CRefHandle<BaseNode> parent(new BaseNode(CObjectName(), nullptr, nullptr));
    BaseNode* copy = m_play->clone(parent.get(), nullptr);
    ASSERT_NE(nodeCast<GGamePlayScene>(copy), nullptr);
    EXPECT_EQ(copy->referenceCount(), 1);
    EXPECT_NE(nodeCast<GGamePlayScene>(copy)->getMoneyCounter(), nullptr);
}

// ---------------------------------------------------------------------------
// Build lists

TEST_F(PlayScreen, BuildListsTakeSixEntriesAndLockWhatTheLevelDoesNotAllow) {
    startWithObjects();
    ASSERT_TRUE(runSteps(3));
    m_play->fillBuildLists();
    ListNode* houses = m_play->getBuildList(0);
    ASSERT_EQ(houses->getItemsCount(), 8);
    const struct {
        int item;
        bool object;
        bool locked;
    } rows[] = {
        {0, true, false},  // House1
        {1, true, false},  // House2
        {2, false, true},  // House3: from level 20
        {3, false, true},  // House4: forbidden
        {4, true, false},  // House5
        {5, true, false},  // House6
        {6, false, false}, // House7: past the sixth entry
        {7, false, false}, // House8
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.item);
        EXPECT_EQ(houses->getItemObject(row.item) != nullptr, row.object);
        if (row.item < 6) {
            EXPECT_EQ(houses->isItemEnabled(row.item), row.object);
            auto* element = nodeCast<GLockButton>(houses->getElement(row.item));
            ASSERT_NE(element, nullptr);
            EXPECT_EQ(element->isLocked(), row.locked);
        }
    }
    EXPECT_EQ(houses->getItemData(0), CName("House1Button").id());
    EXPECT_EQ(houses->getItemData(6), houses->getItemData(7));

    // Every shop comes later: the group is locked and disabled.
    EXPECT_TRUE(groupButton("CommercialButton")->isLocked());
    EXPECT_FALSE(groupButton("CommercialButton")->isEnabled());
    EXPECT_FALSE(groupButton("ApartmentButton")->isLocked());
    EXPECT_TRUE(groupButton("ApartmentButton")->isEnabled());
    EXPECT_FALSE(groupButton("MunicipalButton")->isLocked());

    // The level forbids the only municipal building: that group locks too.
    m_level->readConfiguration(levelWithGroups(3, true, "House4;Park1"));
    m_play->fillBuildLists();
    EXPECT_TRUE(groupButton("MunicipalButton")->isLocked());
    EXPECT_FALSE(groupButton("MunicipalButton")->isEnabled());
    EXPECT_FALSE(m_play->getBuildList(3)->isItemEnabled(0));
    EXPECT_TRUE(nodeCast<GLockButton>(m_play->getBuildList(3)->getElement(0))->isLocked());
    EXPECT_FALSE(groupButton("ApartmentButton")->isLocked());
}

TEST_F(PlayScreen, EntryStatesFollowThePlaceTheHeadquartersAndTheLicence) {
    startWithObjects();
    ASSERT_TRUE(runSteps(3));
    m_play->fillBuildLists();
    m_level->focused = m_level->addPlace("BuildingPlace");
    m_level->unaffordable.push_back(CName("Well1"));
    m_play->updateBuildListStates(2);
    ListNode* services = m_play->getBuildList(2);
    // Cafe1 needs water nobody gives: disabled, without licence. Well1 is
    // too dear: disabled but licensed and not locked.
    EXPECT_FALSE(services->isItemEnabled(0));
    EXPECT_TRUE(nodeCast<GLockButton>(services->getElement(0))->hasNoLicense());
    EXPECT_FALSE(services->isItemEnabled(1));
    EXPECT_FALSE(nodeCast<GLockButton>(services->getElement(1))->hasNoLicense());
    EXPECT_FALSE(nodeCast<GLockButton>(services->getElement(1))->isLocked());
    m_level->unaffordable.clear();
    m_play->updateBuildListStates(2);
    EXPECT_TRUE(services->isItemEnabled(1));
    m_play->updateBuildListStates(7); // no such group: nothing happens
}

TEST_F(PlayScreen, FirstShowMarksEndOnceSeenAndPersistInTheProfile) {
    startWithObjects();
    ASSERT_TRUE(runSteps(3));
    m_play->fillBuildLists();
    player()->setString("AlreadyAllowedBuildings", CString("House2; Well1 ;;"));
    m_level->focused = m_level->addPlace("BuildingPlace");

    EXPECT_TRUE(m_play->isBuildingNew(CName("House1")));
    EXPECT_FALSE(m_play->isBuildingNew(CName("House2"))); // seen before
    EXPECT_FALSE(m_play->isBuildingNew(CName("Well1")));  // trimmed
    EXPECT_FALSE(m_play->isBuildingNew(CName("House3"))); // not yet allowed
    EXPECT_FALSE(m_play->isBuildingNew(CName("House4"))); // forbidden

    // The group button shows its mark once; the commercial group has nothing
    // new.
    m_play->updateBuildGroupPage();
    EXPECT_EQ(stateOf(groupButton("ApartmentButton")), "FirstShow");
    EXPECT_EQ(stateOf(groupButton("CommercialButton")), "Hidden");
    groupButton("ApartmentButton")->applyStateRecursive(CName("Hidden"), nullptr);
    m_play->updateBuildGroupPage();
    EXPECT_EQ(stateOf(groupButton("ApartmentButton")), "Hidden");

    ListNode* houses = m_play->getBuildList(0);
    m_play->updateBuildListStates(0);
    EXPECT_EQ(stateOf(houses->getElement(0)), "FirstShow");
    EXPECT_EQ(stateOf(houses->getElement(1)), "Hidden");
    // Unhovered once: the building is no longer new, for good.
    m_play->markBuildingSeen(houses->getElement(0), CName());
    EXPECT_EQ(stateOf(houses->getElement(0)), "Hide");
    EXPECT_FALSE(m_play->isBuildingNew(CName("House1")));
    EXPECT_EQ(std::string(player()->getString("AlreadyAllowedBuildings").c_str()), "House2; Well1 ;;;House1");
    // A later refresh leaves the hidden mark alone.
    m_play->updateBuildListStates(0);
    EXPECT_EQ(stateOf(houses->getElement(0)), "Hide");

    restartGame();
    EXPECT_EQ(std::string(player()->getString("AlreadyAllowedBuildings").c_str()), "House2; Well1 ;;;House1");
}

// ---------------------------------------------------------------------------
// Resource and station pages

TEST_F(PlayScreen, WorkerOffersShowAndChargeTheScaledPrice) {
    startWithObjects();
    ASSERT_TRUE(runSteps(3));
    m_level->configuration->ModifierValues.WorkerPriceM = 1.5f;
    m_level->configuration->getWorkerOffers()[0]->Price = 1001;
    m_level->configuration->getWorkerOffers()[0]->Count = 2;
    m_level->configuration->InitWorkersLimit = 5;
    m_play->fillWorkersList();
    ListNode* workers = m_play->getWorkersList();
    ASSERT_EQ(workers->getItemsCount(), 4);
    EXPECT_EQ(text(workers->getItemText(0, 0)), "2");
    EXPECT_EQ(text(workers->getItemText(0, 1)), "$1,502");
    EXPECT_EQ(workers->getItemData(1), CName("Game_WorkersButton2").id());

    const struct {
        const char* what;
        int money;
        int workersPresent;
        int orderLeft;
        bool enabled;
    } rows[] = {
        {"one short of the charged price", 1501, 0, -1, false},
        {"the charged price", 1502, 0, -1, true},
        {"an order on its way", 1000000, 0, 0, false},
        {"no room for two more", 1000000, 4, -1, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        CRefHandle<GBuildingNode> headquarters(new GBuildingNode(CObjectName(), nullptr, nullptr));
        headquarters->setLevelScene(m_level.get());
        headquarters->addResource(CName("Money"), row.money);
        for (int i = 0; i < row.workersPresent; ++i) {
            CRefHandle<BaseNode> worker(new BaseNode(CObjectName(), nullptr, nullptr));
            headquarters->addIncomingWorker(worker.get());
            headquarters->onWorkerArrived(worker.get());
        }
        m_play->setHeadquarters(headquarters.get());
        m_level->orderTimeLeft = row.orderLeft;
        m_play->updateWorkersList();
        EXPECT_EQ(workers->isItemEnabled(0), row.enabled);
        m_play->setHeadquarters(nullptr);
    }

    m_play->updateWorkersHint(m_level->configuration->getWorkerOffers()[0].get(), true);
    EXPECT_EQ(text(m_play->getWorkersHintText()->getText()), "Buy 2 for 1,502");
    m_play->updateWorkersHint(m_level->configuration->getWorkerOffers()[0].get(), false);
    EXPECT_EQ(text(m_play->getWorkersHintText()->getText()), "No 2");
}

TEST(PlayFigures, CantBuyAmountRoundsUpToTheRounder) {
    const struct {
        int money, itemMoney, rounder, expected;
    } rows[] = {
        {900, 600, 5000, 5000},  // 300 up to 5000
        {1200, 600, 5000, 5000}, // enough for twice: 1000, up to 5000
        {0, 2500, 5000, 10000},  // a multiple grows by a whole rounder
        {900, 600, 0, 300},      // no rounding
        {900, 600, -5, 300},     // nor below 0
        {0, 2000000000, 5000, INT32_MAX},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.money << " " << row.itemMoney << " " << row.rounder);
        EXPECT_EQ(cantBuyAmount(row.money, row.itemMoney, row.rounder), row.expected);
    }
}

TEST(PlayFigures, StationBarStaysWithinZeroAndOne) {
    const struct {
        const char* what;
        StationArrival arrival;
        float expected;
    } rows[] = {
        {"half the way travelled", {100.0f, 0.0f, 1000.0f, true, 500.0f, 0.0f}, 0.5f},
        {"a zero velocity takes the default", {0.0f, 0.0f, 1000.0f, true, 500.0f, 0.0f}, 0.5f},
        {"nothing to travel or wait", {100.0f, 0.0f, 0.0f, false, 0.0f, 0.0f}, 1.0f},
        {"nothing to travel, a countdown left", {100.0f, 0.0f, 0.0f, false, 0.0f, 3000.0f}, 0.0f},
        {"a countdown longer than the wait", {100.0f, 1000.0f, 100.0f, false, 0.0f, 5000.0f}, 0.0f},
        {"a train behind the railway's end", {100.0f, 0.0f, 100.0f, true, -100.0f, 0.0f}, 1.0f},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_FLOAT_EQ(stationArrivalFraction(row.arrival), row.expected);
    }
}

TEST_F(PlayScreen, StationShowsThreeOffersASideAndSendsTrainsAwayOnceOneIsUsed) {
    startWithObjects();
    ASSERT_TRUE(runSteps(3));
    GBuildingNode* station = m_level->addPlace("RailRoadStation1");
    m_level->focused = station;
    CRefHandle<StandingTrain> train(new StandingTrain);
    station->onTrainAssigned(train.get());
    station->onTrainArrived(train.get());
    m_level->headquarters->addResource(CName("Money"), 250);
    for (int i = 0; i < 4; ++i)
        m_level->offers.push_back({false, false, CName("Materials"), 10 * (i + 1), 100 * (i + 1), CName("Buy")});
    m_play->updateStationPage();
    auto* buy = nodeCast<ListNode>(m_play->getStationPage()->findChild(CName("BuyList"), 1));
    ASSERT_EQ(buy->getItemsCount(), 3);
    EXPECT_TRUE(buy->isVisible());
    EXPECT_EQ(text(buy->getItemText(2, 0)), "30");
    EXPECT_EQ(text(buy->getItemText(2, 1)), "$300");
    EXPECT_TRUE(buy->isItemEnabled(1));  // 200 of 250
    EXPECT_FALSE(buy->isItemEnabled(2)); // 300
    auto* data = dynamic_cast<StationItemData*>(buy->getItemObject(2));
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->index, 2);
    // No sell offers: the can't-sell text shows; the can't-buy one does not.
    EXPECT_TRUE(m_play->getStationPage()->findChild(CName("CantSellText"), 1)->isVisible());
    EXPECT_FALSE(m_play->getStationPage()->findChild(CName("CantBuyText"), 1)->isVisible());
    EXPECT_EQ(train->departures, 0);

    m_level->offers[1].used = true;
    m_play->updateStationPage();
    EXPECT_EQ(buy->getItemsCount(), 0);
    EXPECT_FALSE(buy->isVisible());
    EXPECT_EQ(train->departures, 1);

    // Only sell offers: the can't-buy text asks for what the next train
    // wants the town to hold before it brings goods to buy, twice the
    // dearest price of the first gold offer, rounded up (twice the first
    // materials offer would ask for 5,000 only).
    m_level->offers.assign(1, {true, false, CName("Materials"), 5, 100, CName("Sell")});
    m_play->updateStationPage();
    auto* cantBuy = nodeCast<TextNode>(m_play->getStationPage()->findChild(CName("CantBuyText"), 1));
    EXPECT_TRUE(cantBuy->isVisible());
    EXPECT_EQ(text(cantBuy->getText()), "Gather $10,000");
}

TEST_F(PlayScreen, GoldListFollowsGoldMAndLeavesOutWhatRoundsToNothing) {
    startWithObjects();
    ASSERT_TRUE(runSteps(3));
    m_level->focused = m_level->addPlace("GoldenMine1");
    ListNode* gold = m_play->getGoldList();
    const struct {
        float goldM;
        const char* first;
        const char* second;
        const char* third;
    } rows[] = {
        {0.25f, "", "1", "250"},
        {1.5f, "2", "5", "1,500"},
        {1.0f, "1", "3", "1,000"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.goldM);
        gold->setItemsCount(0);
        m_level->configuration->ModifierValues.GoldM = row.goldM;
        m_play->fillGoldList();
        ASSERT_EQ(gold->getItemsCount(), 3);
        EXPECT_EQ(text(gold->getItemText(0, 0)), row.first);
        EXPECT_EQ(gold->getItemObject(0) != nullptr, row.first[0] != 0);
        EXPECT_EQ(text(gold->getItemText(1, 0)), row.second);
        EXPECT_EQ(text(gold->getItemText(2, 0)), row.third);
    }
    auto* offer = dynamic_cast<ProduceItemOffer*>(gold->getItemObject(1));
    ASSERT_NE(offer, nullptr);
    EXPECT_EQ(offer->ProducedResources[CName("Gold")], 3);
    EXPECT_EQ(offer->referenceCount(), 1);
    EXPECT_EQ(text(gold->getItemText(2, 1)), "$1,234,567");
    EXPECT_EQ(gold->getItemData(2), CName("Game_GoldButton3").id());
    EXPECT_EQ(scaledGold(3, 1.5f), 5);
    EXPECT_EQ(scaledGold(1, 0.25f), 0);

    // The refresh refills only when GoldM moved by more than 0.001.
    GGamePlayScene::setCachedGoldMultiplier(1.0f);
    m_level->configuration->ModifierValues.GoldM = 1.0005f;
    gold->setItemsCount(0);
    m_play->refreshGoldTab();
    EXPECT_EQ(gold->getItemObject(0), nullptr);
    m_level->configuration->ModifierValues.GoldM = 1.5f;
    m_play->refreshGoldTab();
    EXPECT_EQ(text(gold->getItemText(1, 0)), "5");
    EXPECT_FLOAT_EQ(GGamePlayScene::getCachedGoldMultiplier(), 1.5f);
    GGamePlayScene::setCachedGoldMultiplier(1.0f);

    // A production item that yields nothing keeps its list item empty.
    m_level->focused = m_level->addPlace("Sawmill1");
    m_play->fillMaterialsList();
    ASSERT_EQ(m_play->getMaterialsList()->getItemsCount(), 2);
    EXPECT_NE(m_play->getMaterialsList()->getItemObject(0), nullptr);
    EXPECT_EQ(m_play->getMaterialsList()->getItemObject(1), nullptr);
}

// ---------------------------------------------------------------------------
// Building page

TEST_F(PlayScreen, UniqueUpgradeButtonsTakeEachUpgradesOwnState) {
    startWithObjects();
    ASSERT_TRUE(runSteps(3));
    GBuildingNode* hotel = m_level->addPlace("Hotel1");
    m_level->focused = hotel;
    BaseNode* hotelButtons = m_play->getBuildingPage()->findChild(CName("HotelButtonsNode"), 1);
    auto* up1 = nodeCast<GLockButton>(hotelButtons->findChild(CName("UniqUp1Button"), 1));
    auto* up2 = nodeCast<GLockButton>(hotelButtons->findChild(CName("UniqUp2Button"), 1));
    auto* upgrade = nodeCast<GLockButton>(hotelButtons->findChild(CName("UpgradeButton"), 1));

    m_play->updateBuildingPage();
    EXPECT_TRUE(hotelButtons->isVisible());
    EXPECT_TRUE(up1->isEnabled());
    EXPECT_FALSE(up1->isUpgraded());
    EXPECT_FALSE(up2->isEnabled()); // none configured
    EXPECT_TRUE(upgrade->isEnabled());

    // Only Up1 is configured; once bought it shows bought, and both stay off.
    hotel->applyUniqueUpgrade(m_level->objects->findUniqUpgrade(CName("Up1"), CName("Hotel1")));
    m_play->updateBuildingPage();
    EXPECT_TRUE(up1->isUpgraded());
    EXPECT_FALSE(up1->isEnabled());
    EXPECT_FALSE(up2->isUpgraded());
    EXPECT_FALSE(up2->isEnabled());

    // Broken: the repair state; a level-4 hotel: its upgrade off and upgraded.
    hotel->setDamageState(GBuildingNode::DamageBroken, true);
    m_play->updateBuildingPage();
    EXPECT_EQ(stateOf(hotelButtons, "Look"), "Broken");
    GBuildingNode* top = m_level->addPlace("Hotel4");
    m_level->focused = top;
    m_play->updateBuildingPage();
    EXPECT_FALSE(upgrade->isEnabled());
    EXPECT_TRUE(upgrade->isUpgraded());

    // A building being destroyed shows the abort button; one producing not.
    top->setTask(GBuildingNode::TaskDestroy, nullptr);
    m_play->updateBuildingPage();
    BaseNode* abort = m_play->getProgressNode()->findChild(CName("AbortButton"), 1);
    EXPECT_TRUE(m_play->getProgressNode()->isVisible());
    EXPECT_TRUE(abort->isVisible());
    EXPECT_FALSE(hotelButtons->isVisible());
    top->setTask(GBuildingNode::TaskProduce, nullptr);
    m_play->updateBuildingPage();
    EXPECT_FALSE(abort->isVisible());
}

// ---------------------------------------------------------------------------
// Upper panel

TEST_F(PlayScreen, MoneyCounterIsRetargetedWhileItCounts) {
    startWithObjects();
    ASSERT_TRUE(runSteps(3));
    GCounterTextNode* counter = m_play->getMoneyCounter();
    const int shown = counter->getEndValue();
    m_level->headquarters->addResource(CName("Money"), 1000);
    m_play->updateMoneyPanel();
    EXPECT_EQ(counter->getStartValue(), shown);
    EXPECT_EQ(counter->getEndValue(), 1000);
    m_level->headquarters->addResource(CName("Money"), 500);
    m_play->updateMoneyPanel();
    EXPECT_EQ(counter->getStartValue(), shown);
    EXPECT_EQ(counter->getEndValue(), 1500);
    EXPECT_EQ(text(m_play->getBankMoneyText()->getText()), "$1,500");
}

// ---------------------------------------------------------------------------
// Level end

TEST_F(PlayScreen, GroupCompletedMarksItsCheckpointAndJumpsTheClock) {
    startWithObjects(levelWithGroups(3, true));
    m_level->clockMs = 10000;
    complete(0, 100, 100); // exactly at its time: in time
    EXPECT_EQ(m_play->getGroupsPassedInTime(), 1);
    EXPECT_EQ(m_level->clockMs, 10000);
    complete(1, 100, 60);
    EXPECT_EQ(m_play->getGroupsPassedInTime(), 2);
    EXPECT_EQ(m_level->clockMs, 50000);
    complete(2, 100, 130); // late, clock on: failed
    EXPECT_EQ(m_play->getGroupsPassedInTime(), 2);
    EXPECT_EQ(m_level->clockMs, 50000);

    // With the clock off a late group counts, and the clock never goes back.
    m_level->readConfiguration(levelWithGroups(3, false));
    complete(0, 100, 130);
    EXPECT_EQ(m_play->getGroupsPassedInTime(), 3);
    EXPECT_EQ(m_level->clockMs, 50000);
}

TEST_F(PlayScreen, FinishLevelWritesRanksAndProgressForFirstPassesAndReplays) {
    // Groups of 100 s: `inTime` finished after 90 s (the last of them at
    // exactly 100 s when `lastAtItsTime`), then `late` ones after 130 s.
    const struct {
        const char* what;
        int groups;
        bool clockOn;
        int inTime;
        bool lastAtItsTime;
        int late;
        bool developer;
        bool devExpert;
        int levelIndex;
        int maxUnlocked;
        const char* ranksBefore;
        const char* ranksAfter;
        bool expert;
        int levelIndexAfter;
        int maxUnlockedAfter;
    } rows[] = {
        {"first pass, 2 of 5 in time", 5, true, 2, false, 3, false, false, 4, 3, "2;1;2;1", "2;1;2;1;1", false, 5, 4},
        {"first pass, 3 of 5 in time", 5, true, 3, false, 2, false, false, 4, 3, "2;1;2;1", "2;1;2;1;2", true, 5, 4},
        {"the third at exactly its time", 5, true, 3, true, 2, false, false, 4, 3, "2;1;2;1", "2;1;2;1;2", true, 5, 4},
        {"clock off ranks top", 5, false, 0, false, 5, false, false, 4, 3, "", "0;0;0;0;2", true, 5, 4},
        {"replay, no better", 5, true, 1, false, 4, false, false, 2, 4, "2;1;1", "2;1;1", false, 2, 4},
        {"replay raised to the top", 5, true, 5, false, 0, false, false, 1, 4, "2;1;1", "2;2;1", true, 1, 4},
        {"passed at the headquarters level", 5, true, 0, false, 5, false, false, 8, 7, "x;2", "2;0;0;0;0;0;0;0;1", true,
         9, 8},
        {"the developer's expert key without developer mode", 5, true, 0, false, 5, false, true, 0, -1, "", "1", false,
         1, 0},
        {"the developer's expert key in developer mode", 5, true, 0, false, 5, true, true, 0, -1, "", "2", true, 1, 0},
    };
    startWithObjects();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        m_level->readConfiguration(levelWithGroups(row.groups, row.clockOn));
        // A new screen for each level, with the fixture's clock bar.
        CRefHandle<GGamePlayScene> play(nodeCast<GGamePlayScene>(m_play->clone(nullptr, nullptr)));
        ASSERT_TRUE(play);
        ASSERT_TRUE(play->bindLevel(m_level.get()));
        for (int i = 0; i < row.inTime + row.late; ++i) {
            const int elapsed = i >= row.inTime ? 130 : row.lastAtItsTime && i == row.inTime - 1 ? 100 : 90;
            CRefHandle<GObjectivesGroupCompletedMessage> message(
                new GObjectivesGroupCompletedMessage(i, 100, 1, elapsed, CString()));
            EXPECT_TRUE(play->handleEvent(message.get()));
        }
        EXPECT_EQ(play->getGroupsPassedInTime(), row.clockOn ? row.inTime : row.inTime + row.late);
        player()->setInt("LevelIndex", row.levelIndex);
        player()->setInt("MaxUnlockedLevelIndex", row.maxUnlocked);
        player()->setInt("FirstPassedLevelNum", -1);
        player()->setString("Ranks", CString(row.ranksBefore));
        GGameApplication::setDeveloperMode(row.developer);
        play->finishLevel(row.devExpert);
        GGameApplication::setDeveloperMode(false);
        EXPECT_EQ(std::string(player()->getString("Ranks").c_str()), row.ranksAfter);
        EXPECT_EQ(player()->getBool("FirstTimeLevelExpert"), row.expert);
        EXPECT_EQ(player()->getInt("LevelIndex"), row.levelIndexAfter);
        EXPECT_EQ(player()->getInt("MaxUnlockedLevelIndex"), row.maxUnlockedAfter);
        const bool firstPass = row.maxUnlocked < row.levelIndex;
        EXPECT_EQ(player()->getInt("FirstPassedLevelNum"), firstPass ? row.levelIndex : -1);
    }
}

TEST_F(PlayScreen, AFinishedLevelSurvivesARestartOfTheGame) {
    startWithObjects(levelWithGroups(2, true));
    player()->setInt("LevelIndex", 3);
    player()->setInt("MaxUnlockedLevelIndex", 2);
    player()->setString("Ranks", CString("2;2;1"));
    complete(0, 100, 40);
    m_play->finishLevel(false);
    restartGame();
    EXPECT_EQ(std::string(player()->getString("Ranks").c_str()), "2;2;1;2");
    EXPECT_EQ(player()->getInt("LevelIndex"), 4);
    EXPECT_EQ(player()->getInt("MaxUnlockedLevelIndex"), 3);
    EXPECT_EQ(player()->getInt("FirstPassedLevelNum"), 3);
    EXPECT_TRUE(player()->getBool("FirstTimeLevelExpert"));
}

TEST_F(PlayScreen, WithoutAPlayerTheProfileIsLeftAlone) {
    startWithObjects();
    CRefHandle<GGamePlayScene> bare(new GGamePlayScene(CObjectName(), nullptr, nullptr));
    player()->setString("Ranks", CString("1"));
    bare->finishLevel(false); // no level: nothing written
    EXPECT_EQ(std::string(player()->getString("Ranks").c_str()), "1");
}

// ---------------------------------------------------------------------------
// Quest character, blocking places and messages

TEST_F(PlayScreen, QuestCharacterShowsOnlyForALongEnoughTextAndHidesAgain) {
    startWithObjects();
    ASSERT_TRUE(runSteps(3));
    GBuildingNode* well = m_level->addPlace("Well1");
    BaseNode* character = m_play->getGameMenu()->findChild(CName("QuestCharacter"), 1);
    auto* line = nodeCast<TextNode>(character->findChild(CName("Text"), 1));
    m_level->questText = CStringW(u"%Quest_Well%");

    m_level->questTime = 99;
    m_play->showQuestCharacter(well);
    EXPECT_EQ(m_play->getQuestState(), -1);
    EXPECT_EQ(character->getCurrentState(), nullptr);

    m_level->questTime = 3000;
    m_play->showQuestCharacter(well);
    EXPECT_EQ(m_play->getQuestState(), 3000);
    EXPECT_EQ(text(line->getText()), "%Quest_Well%");
    EXPECT_EQ(character->getCurrentState()->getName(), CName("Appear"));
    EXPECT_EQ(stateOf(character, "Look"), "Well1");

    m_play->hideQuestCharacter();
    EXPECT_EQ(m_play->getQuestState(), -1);
    EXPECT_EQ(character->getCurrentState()->getName(), CName("Disappear"));

    m_level->questText = CStringW();
    m_play->showQuestCharacter(well);
    EXPECT_EQ(m_play->getQuestState(), -1);
}

TEST_F(PlayScreen, BlockingPlacesOnTheWayAreMarkedAndUnmarked) {
    startWithObjects();
    const struct {
        int state;
        bool blocks;
        bool marked;
    } rows[] = {{1, true, true}, {1, false, false}, {0, true, false}};
    for (const auto& row : rows) {
        PlayLevel::Location location;
        location.node = CRefHandle<GBuildingNode>(new GBuildingNode(CObjectName(), nullptr, nullptr));
        location.state = row.state;
        location.blocks = row.blocks;
        m_level->locations.push_back(location);
    }
    GBuildingNode* target = m_level->addPlace("House1");
    m_play->highlightBlockingLocations(target);
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(m_level->locations[i].impending, rows[i].marked) << i;
    EXPECT_TRUE(m_play->isImpendingShown());
    EXPECT_EQ(m_play->getImpendingFor(), target);

    m_play->highlightBlockingLocations(nullptr);
    EXPECT_FALSE(m_level->locations[0].impending);

    m_level->locations[0].blocks = false;
    m_play->highlightBlockingLocations(target);
    EXPECT_FALSE(m_play->isImpendingShown());
    EXPECT_EQ(m_play->getImpendingFor(), nullptr);
}

TEST_F(PlayScreen, GameMessagesOfThisScreen) {
    startWithObjects();
    // Two ids without a class of their own, taken and left alone.
    struct Accepted : GGameMessage {
        explicit Accepted(int id) : GGameMessage(0), id(id) {}
        int32_t getType() const override { return id; }
        int id;
    };
    for (int id : {4117, 4118}) {
        CRefHandle<Accepted> accepted(new Accepted(id));
        EXPECT_TRUE(m_play->handleEvent(accepted.get())) << id;
    }
    m_play->getWorkersSignBar()->setVisible(true);
    m_play->getWorkersList()->setVisible(false);
    CRefHandle<GWorkersTrainedMessage> trained(new GWorkersTrainedMessage(3));
    EXPECT_TRUE(m_play->handleEvent(trained.get()));
    EXPECT_FALSE(m_play->getWorkersSignBar()->isVisible());
    EXPECT_TRUE(m_play->getWorkersList()->isVisible());

    // The level's end: the profile takes the pass.
    player()->setInt("LevelIndex", 0);
    player()->setInt("MaxUnlockedLevelIndex", -1);
    CRefHandle<GGameMessage> completed(new GGameMessage(1));
    EXPECT_TRUE(m_play->handleEvent(completed.get()));
    EXPECT_EQ(player()->getInt("MaxUnlockedLevelIndex"), 0);
}

// ---------------------------------------------------------------------------
// The HUD on screen

TEST_F(PlayScreen, HudDrawnThroughOpenGLMatchesItsReference) {
    startWithObjects(R"(<Level><ForbiddenBuildings Value="House4"/><Objectives><ObjectivesGroup Time="300">
        <Objective Type="Money" Value="5000" InfoStr="Earn 5,000"/>
        <Objective Type="Money" Value="50000" InfoStr="Earn 50,000"/>
        </ObjectivesGroup></Objectives></Level>)",
                     false);
    m_level->headquarters->addResource(CName("Money"), 12345);
    m_level->headquarters->addResource(CName("Materials"), 80);
    m_level->headquarters->addResource(CName("Gold"), 3);
    m_level->income = 321.6f;
    m_level->guests = 42;
    m_level->happiness = 7;
    m_level->focused = m_level->addPlace("BuildingPlace");
    m_level->unaffordable.push_back(CName("House5"));
    // The arrival opened the goals; the build page is the one drawn here.
    m_play->getActionsTabs()->setActiveTab(0, false);
    m_play->fillBuildLists();
    m_play->updateBuildListStates(0);
    dict()->set("Hint_BuildTab_Apartment", CStringW(u"Homes for the town's guests"));
    dict()->set("Hint_BuildTab_ApartmentTip", CStringW(u"Grey houses come later; pick one to build"));
    m_play->updateBuildPageHint(0, m_play->getApartmentPage(), nullptr, nullptr);
    m_play->updateMoneyPanel();
    m_play->layoutGoalsPanel();
    m_play->updateGoalChecks(true);
    // The money counter runs up to the headquarters' Money.
    ASSERT_TRUE(runUntil([&] { return !m_play->getMoneyCounter()->isCounting(); }));
    ASSERT_TRUE(runSteps(3));
    EXPECT_EQ(text(m_play->getMoneyCounter()->getText()), "12,345");
    EXPECT_EQ(text(m_play->getPanelGoalChecks()[0]->getText()), "Earn 5,000");
    EXPECT_EQ(text(m_play->getPanelGoalChecks()[1]->getText()), "Earn 50,000 ($12,345/$50,000)");
    EXPECT_FALSE(m_play->getPanelGoalChecks()[2]->isVisible());
    m_game->drawFrame();
    expectScreenLooksLike(kSourceFolder / "tests/game/play/data/PlayHudReference.png");
}

TEST_F(PlayScreen, TheQuestVoiceFadesOutWhenTheScreenGoes) {
    startWithObjects();
    // The cue's sounds live until the game ends, after the test's body.
    static FakeSound::Board board;
    CRefHandle<SoundCue> cue(new SoundCue(CName("Quest_Well")));
    cue->setGroup(GGameApplication::GroupVoices);
    CRefHandle<FakeSound> sound(new FakeSound(&board, 1));
    cue->addVariant(sound.get());
    ASSERT_TRUE(m_game->getEngine()->getSoundCueManager()->addCue(cue.get()));

    CRefHandle<GGamePlayScene> screen(nodeCast<GGamePlayScene>(m_play->clone(nullptr, nullptr)));
    ASSERT_TRUE(screen->bindLevel(m_level.get()));
    m_level->questText = CStringW(u"%Quest_Well%");
    screen->showQuestCharacter(m_level->addPlace("Well1"));
    CRefHandle<SoundCue> voice = CRefHandle<SoundCue>::share(screen->getQuestVoice());
    ASSERT_NE(voice, nullptr);
    EXPECT_EQ(voice->getName(), CName("Quest_Well"));
    // Showing it again leaves the voice as it is.
    screen->showQuestCharacter(m_level->places.back().get());
    EXPECT_EQ(screen->getQuestVoice(), voice.get());
    voice->update(100);
    ASSERT_EQ(voice->getFadeState(), SoundCue::FadeNone);
    screen = nullptr;
    EXPECT_EQ(voice->getFadeState(), SoundCue::FadeOut);
}

TEST_F(PlayScreen, MaterialsHintFollowsTheHoveredControlAndItem) {
    startWithObjects();
    dict()->set("Hint_MaterialsTab", CStringW(u"Materials tab"));
    dict()->set("Hint_MaterialsProduce", CStringW(u"#p workers, #p"));
    dict()->set("Hint_MaterialsCantProduce", CStringW(u"Not enough for #p workers"));
    dict()->set("Hint_BuildingTabDestroy", CStringW(u"Destroy"));
    dict()->set("Hint_BuildingTabCantDestroy", CStringW(u"Can't destroy"));
    m_level->configuration->ModifierValues.MaterialPriceM = 1.5f;
    m_level->focused = m_level->addPlace("Sawmill1");
    m_play->fillMaterialsList();
    auto* item = dynamic_cast<ProduceItemOffer*>(m_play->getMaterialsList()->getItemObject(0));
    ASSERT_NE(item, nullptr);
    auto* destroy = nodeCast<ControlNode>(m_play->getMaterialsPage()->findChild(CName("DestroyButton"), 1));
    ControlNode* other = m_play->getMaterialsList();
    const struct {
        const char* what;
        ControlNode* hovered;
        bool enabled;
        bool withItem;
        const char* expected;
    } rows[] = {
        {"nothing hovered", nullptr, true, true, "Materials tab"},
        {"destroy", destroy, true, true, "Destroy"},
        {"destroy refused", destroy, false, true, "Can't destroy"},
        {"an item that can be made", other, true, true, "2 workers, 12000"},
        {"an item that cannot", other, false, true, "Not enough for 2 workers"},
        {"no item", other, true, false, "#p workers, #p"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        if (row.hovered)
            row.hovered->setEnabled(row.enabled);
        m_play->setHoveredControl(row.hovered);
        m_play->updateMaterialsHint(row.withItem ? item : nullptr);
        EXPECT_EQ(text(m_play->getMaterialsHintText()->getText()), row.expected);
    }
    m_play->setHoveredControl(nullptr);
}

TEST_F(PlayScreen, ServeAreaMarksGoToThePlacesABuildingServes) {
    startWithObjects();
    GBuildingNode* well = m_level->addPlace("Well1");
    GBuildingNode* near = m_level->addPlace("House1");
    GBuildingNode* far = m_level->addPlace("House2");
    CArray<GBuildingNode*> served;
    m_play->markServedPlaces(served, well, nullptr);
    ASSERT_EQ(served.size(), 1u);
    EXPECT_EQ(served[0], near);
    // A house serves nobody.
    m_play->markServedPlaces(served, far, nullptr);
    EXPECT_TRUE(served.empty());

    // Without a building there is nothing to show.
    m_play->showServeAreaFor(served, true, nullptr, nullptr);
    EXPECT_TRUE(served.empty());
    m_level->focused = well;
    m_play->showServeAreaFor(served, false, far, nullptr);
    ASSERT_EQ(served.size(), 1u);
    EXPECT_EQ(served[0], near);
}

namespace {

// The level-completed screen as far as the play screen hands it the level.
class ResultScreen : public GBaseSceneNode, public ILevelResultScreen {
public:
    ResultScreen(const CObjectName& name, BaseNode* parent, BaseNode* manager)
        : GBaseSceneNode(name, parent, manager) {}
    static BaseNode* create(const CObjectName& name) { return new ResultScreen(name, nullptr, nullptr); }
    using BaseNode::clone;
    BaseNode* clone(BaseNode* parent, BaseNode* manager) const override {
        return cloneAs<ResultScreen>(parent, manager);
    }
    int32_t getTypeId() const override { return GGamePlayScene::LevelCompletedSceneTypeId; }
    bool isKindOf(int32_t id) const override { return id == getTypeId() || GBaseSceneNode::isKindOf(id); }
    void setLevelScene(BaseNode* levelScene) override { level = levelScene; }
    BaseNode* level = nullptr;

protected:
    ~ResultScreen() override = default;
};

} // namespace

TEST_F(PlayScreen, AFinishedLevelOpensTheLevelCompletedScreenOverThePlayScreen) {
    startWithObjects();
    // A file of another class leaves the player where he is.
    write("scenes/LevelCompletedScene.mscn", screen("SceneNode", "NotAResult"));
    EXPECT_FALSE(m_play->showLevelCompleted());
    EXPECT_EQ(topName(), "GamePlayScene");
}

TEST_F(PlayScreen, TheLevelCompletedScreenGetsTheLevel) {
    startWithObjects();
    (void)CNodeFactory::getShared()->registerNodeClass(CStringW(u"TestResultScreen"), &ResultScreen::create);
    write("scenes/LevelCompletedScene.mscn", screen("TestResultScreen", "Result"));
    m_play->finishLevel(false);
    ASSERT_TRUE(runUntilTop("Result"));
    auto* result = dynamic_cast<ResultScreen*>(m_game->getSceneManager()->getCurrentScene());
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->level, m_level.get());
}
