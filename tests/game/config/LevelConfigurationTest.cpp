#include "game/config/LevelConfiguration.h"

#include "engine/core/CStringW.h"
#include "game/config/GAmountObjectives.h"
#include "game/config/GBuildingObjectives.h"
#include "game/config/IObjectiveLevel.h"
#include "tests/game/config/ConfigTestSupport.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

CRefHandle<LevelConfiguration> readLevel(const std::string& text) {
    CRefHandle<LevelConfiguration> level(new LevelConfiguration);
    CRefHandle<CXmlStreamReader> reader = xmlReader(text);
    level->readFromXml(*reader);
    return level;
}

CRefHandle<LevelConfiguration> readBody(const std::string& body) { return readLevel("<Level>" + body + "</Level>"); }

std::vector<std::string> names(const CArray<CName>& list) {
    std::vector<std::string> out;
    for (CName name : list)
        out.emplace_back(name.str().c_str());
    return out;
}

template <class T> T* objective(const LevelConfiguration& level, uint32_t group, uint32_t index) {
    ObjectivesGroup* g = level.getGroup(group);
    return g ? dynamic_cast<T*>(g->get(index)) : nullptr;
}

const CStringW kIcons(GObjective::IconFolder);

} // namespace

TEST(LevelConfiguration, OnlyTheRootGivesEveryDefault) {
    CRefHandle<LevelConfiguration> level = readLevel("<Level/>");
    EXPECT_TRUE(level->Description.empty());
    EXPECT_EQ(level->DayLength, 60);
    EXPECT_EQ(level->InitHappiness, 0);
    EXPECT_EQ(level->InitWorkersCount, 0);
    EXPECT_EQ(level->InitWorkersLimit, 3);
    EXPECT_EQ(level->WorkersIncreaseGuestsStep, 10);
    EXPECT_TRUE(level->InitResources.empty());
    EXPECT_TRUE(level->ForbiddenBuildings.empty());
    EXPECT_TRUE(level->IsRatingOn);
    EXPECT_TRUE(level->IsClockOn);
    EXPECT_TRUE(level->IsBuildingLevelOn);
    EXPECT_TRUE(level->IsBuildingPlaceLuckinessOn);
    EXPECT_FALSE(level->NoBrokenBuildingsToCompleteLevel);
    EXPECT_FALSE(level->NoDirtyBuildingsToCompleteLevel);
    EXPECT_FALSE(level->ModifierValues.CanReceiveMoneyLetters);
    EXPECT_TRUE(level->ModifierValues.CanBuildingsBroke);
    EXPECT_FLOAT_EQ(level->ModifierValues.WorkerPriceM, 1.0f);
    EXPECT_EQ(level->getGroupCount(), 0u);
    EXPECT_EQ(level->getTotalTime(), 0);
    ASSERT_NE(level->getRandomEvents(), nullptr);
    EXPECT_EQ(level->getRandomEvents()->size(), 0u);

    const int offers[][3] = {{1, 50000, 5000}, {2, 90000, 7000}, {3, 125000, 10000}, {4, 150000, 12000}};
    ASSERT_EQ(level->getWorkerOffers().size(), 4u);
    for (uint32_t i = 0; i < 4; ++i) {
        EXPECT_EQ(level->getWorkerOffers()[i]->Count, offers[i][0]);
        EXPECT_EQ(level->getWorkerOffers()[i]->Price, offers[i][1]);
        EXPECT_EQ(level->getWorkerOffers()[i]->DeliveryTime, offers[i][2]);
    }
}

TEST(LevelConfiguration, ReadsSettingsResourcesGroupsObjectivesAndEvents) {
    CRefHandle<LevelConfiguration> level = readLevel(fixtureText("LevelConfiguration.xml"));
    EXPECT_EQ(level->Description, CStringW(u"Lay the first rails and win the mayor over."));
    EXPECT_EQ(level->DayLength, 45);
    EXPECT_EQ(level->InitHappiness, 12);
    EXPECT_EQ(level->InitWorkersCount, 2);
    EXPECT_EQ(level->InitWorkersLimit, 4);
    EXPECT_EQ(level->WorkersIncreaseGuestsStep, 25);
    EXPECT_EQ(level->IncomeBonus1, 10);
    EXPECT_EQ(level->IncomeBonus2, -5);
    EXPECT_EQ(level->AfterDestroyBonus, 40);
    EXPECT_EQ(names(level->ForbiddenBuildings), (std::vector<std::string>{"Casino1", "Bank2"}));
    EXPECT_FALSE(level->IsRatingOn);
    EXPECT_TRUE(level->IsClockOn);
    EXPECT_FALSE(level->IsBuildingLevelOn) << "only the exact text \"true\" is true";
    EXPECT_TRUE(level->IsBuildingPlaceLuckinessOn);
    EXPECT_TRUE(level->NoDirtyBuildingsToCompleteLevel);
    ASSERT_EQ(level->InitResources.size(), 2u);
    EXPECT_EQ(level->InitResources[CName("Money")], 200000) << "the later amount of a name wins";
    EXPECT_EQ(level->InitResources[CName("Materials")], 40);
    EXPECT_EQ(level->getWorkersLimit(74), 6);
    EXPECT_EQ(level->getGuestsForWorkers(6), 50);
    EXPECT_EQ(level->getGuestsForWorkers(4), 0);

    ASSERT_EQ(level->getGroupCount(), 2u);
    EXPECT_EQ(level->getTotalTime(), 420);
    const ObjectivesGroup& first = *level->getGroup(0);
    EXPECT_EQ(first.Time, 300);
    EXPECT_EQ(first.Score, 2);
    EXPECT_EQ(first.Tutorial, CStringW(u"FirstSteps"));
    EXPECT_EQ(first.size(), 5u) << "unknown and missing Types make no objective";
    const ObjectivesGroup& second = *level->getGroup(1);
    EXPECT_EQ(second.Time, 120);
    EXPECT_EQ(second.Score, 1);
    EXPECT_TRUE(second.Tutorial.empty());
    EXPECT_EQ(second.size(), 5u);

    auto* money = objective<GObjectiveMoney>(*level, 0, 0);
    ASSERT_TRUE(money);
    EXPECT_FLOAT_EQ(money->Value, 5000.0f);
    EXPECT_EQ(money->InfoStr, CStringW(u"%Obj_Money5000%"));
    EXPECT_EQ(money->getIconPath(), kIcons + u"Money.png");
    EXPECT_TRUE(money->getActionText().empty());
    auto* gold = objective<GObjectiveGold>(*level, 0, 1);
    ASSERT_TRUE(gold);
    EXPECT_FLOAT_EQ(gold->Value, 12.5f);
    EXPECT_EQ(gold->getIconPath(), kIcons + u"GoldBar.png");
    auto* income = objective<GObjectiveIncome>(*level, 0, 2);
    ASSERT_TRUE(income);
    EXPECT_FLOAT_EQ(income->Value, 99.9f);
    auto* workers = objective<GObjectiveWorkers>(*level, 0, 3);
    ASSERT_TRUE(workers);
    EXPECT_EQ(workers->Value, 6);
    auto* guests = objective<GObjectiveGuestsCount>(*level, 0, 4);
    ASSERT_TRUE(guests);
    EXPECT_EQ(guests->Value, 150);

    auto* happiness = objective<GObjectiveHappiness>(*level, 1, 0);
    ASSERT_TRUE(happiness);
    EXPECT_EQ(happiness->Value, 30);
    auto* typed = objective<GObjectiveHaveTypedBuildingsCount>(*level, 1, 1);
    ASSERT_TRUE(typed);
    EXPECT_EQ(typed->Value, 3);
    EXPECT_EQ(names(typed->BuildingTypes), (std::vector<std::string>{"Cottage1", "Cottage2"}));
    EXPECT_EQ(names(typed->PlaceNames), (std::vector<std::string>{"Place3"}));
    EXPECT_FLOAT_EQ(typed->MinIncomeBonus, 15.0f);
    EXPECT_EQ(typed->MinServedGuests, 4);
    EXPECT_TRUE(typed->MustOwn);
    EXPECT_EQ(typed->InfoStr, CStringW(u"%Obj_Cottages%"));
    EXPECT_EQ(typed->getActionText(), CStringW(u"%Briffings_Restore%"));
    EXPECT_EQ(typed->getIconPath(), kIcons + u"Cottage1.png") << "no Icon: the first type's own";
    auto* each = objective<GObjectiveHaveEachTypeBuildingsCount>(*level, 1, 2);
    ASSERT_TRUE(each);
    EXPECT_EQ(each->Value, 2);
    EXPECT_FALSE(each->MustOwn);
    EXPECT_EQ(each->getActionText(), CStringW(u"%Briffings_Build%"));
    EXPECT_EQ(each->getIconPath(), kIcons + u"HaveEachTypeBuildingsCount.png");
    auto* history = objective<GObjectiveTypedHistoryActionsCount>(*level, 1, 3);
    ASSERT_TRUE(history);
    EXPECT_EQ(history->Action, GHistoryRecord::GoldSell);
    EXPECT_EQ(history->Value, 0);
    EXPECT_EQ(history->Amount, 500);
    EXPECT_EQ(history->getActionText(), kIcons + u"Action") << "kept for actions without a verb";
    EXPECT_EQ(history->getIconPath(), kIcons + u"TypedHistoryActionsCount.png");
    auto* bonus = objective<GObjectiveAllBuildingsHaveMinIncomeBonus>(*level, 1, 4);
    ASSERT_TRUE(bonus);
    EXPECT_FLOAT_EQ(bonus->MinIncomeBonus, 20.0f);
    EXPECT_EQ(names(bonus->BuildingTypes), (std::vector<std::string>{"Cottage1"}));
    EXPECT_EQ(names(bonus->PlaceNames), (std::vector<std::string>{"Place1", "Place2"}));
    EXPECT_EQ(bonus->getActionText(), CStringW(u"%Briffings_Own%"));
    EXPECT_EQ(bonus->getIconPath(), kIcons + u"Bonus.png");

    using E = GRandomEventRequest::Event;
    const RandomEvents& events = *level->getRandomEvents();
    ASSERT_EQ(events.size(), 9u) << "weather exists only as a regular request";
    const struct {
        E event;
        bool regular;
    } kinds[] = {{E::BrokenBuilding, false}, {E::BrokenBuilding, true}, {E::DirtyBuilding, false},
                 {E::DirtyBuilding, true},   {E::Letter, false},        {E::Letter, true},
                 {E::Resources, false},      {E::Resources, true},      {E::WeatherEffect, true}};
    for (uint32_t i = 0; i < 9; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(events.get(i)->getEvent(), kinds[i].event);
        EXPECT_EQ(events.get(i)->isRegular(), kinds[i].regular);
        EXPECT_FALSE(events.get(i)->isRunning());
        EXPECT_FALSE(events.get(i)->isPaused());
    }
    const GRandomEventRequest& broken = *events.get(0);
    EXPECT_EQ(broken.TimeRange, (GIntRange{3000, 6000}));
    EXPECT_EQ(names(broken.BuildingTypes), (std::vector<std::string>{"Cottage1"}));
    EXPECT_EQ(names(broken.PlaceNames), (std::vector<std::string>{"Place1"}));
    const GRandomEventRequest& regularBroken = *events.get(1);
    EXPECT_EQ(regularBroken.FirstTimeRange, (GIntRange{60000, 90000}));
    EXPECT_EQ(regularBroken.LastTimeRange, (GIntRange{600000, 600000}));
    EXPECT_EQ(regularBroken.PeriodRange, (GIntRange{30000, 45000}));
    EXPECT_EQ(names(regularBroken.BuildingTypes), (std::vector<std::string>{"Bakery1", "Smithy1"}));
    EXPECT_EQ(events.get(3)->FirstTimeRange, (GIntRange{0, 0}));
    const GRandomEventRequest& letter = *events.get(4);
    EXPECT_EQ(letter.MoneyRange, (GFloatRange{0.5f, 1.5f}));
    EXPECT_EQ(letter.WaitTimeRange, (GFloatRange{10000.0f, 20000.0f}));
    EXPECT_FLOAT_EQ(events.get(5)->WaitTimeRange.min, 15000.5f);
    const GRandomEventRequest& pile = *events.get(6);
    EXPECT_EQ(pile.Template, CName("Pile"));
    EXPECT_EQ(pile.WaitTimeRange, (GFloatRange{30000.0f, 30000.0f}));
    ASSERT_EQ(pile.ResourceRanges.size(), 3u) << "all three ranges, given or not";
    EXPECT_EQ(pile.ResourceRanges.find(CName("Materials"))->value, (GIntRange{5, 10}));
    EXPECT_EQ(pile.ResourceRanges.find(CName("Gold"))->value, (GIntRange{1, 2}));
    EXPECT_EQ(pile.ResourceRanges.find(CName("Money"))->value, (GIntRange{0, 0}));
    EXPECT_EQ(events.get(7)->ResourceRanges.find(CName("Money"))->value, (GIntRange{1000, 2000}));
    const GRandomEventRequest& weather = *events.get(8);
    EXPECT_EQ(weather.DurationTimeRange, (GIntRange{20000, 40000}));
    EXPECT_EQ(weather.FirstTimeRange, (GIntRange{10000, 10000}));
    EXPECT_TRUE(weather.BuildingTypes.empty());
}

TEST(LevelConfiguration, SettingValuesAtTheirEdges) {
    const struct {
        const char* what;
        const char* body;
        int dayLength;
        int guestsStep;
        bool clockOn;
    } cases[] = {
        {"step 0", "<WorkersIncreaseGuestsStep Value=\"0\"/>", 60, 1, true},
        {"step -5", "<WorkersIncreaseGuestsStep Value=\"-5\"/>", 60, 1, true},
        {"step missing Value", "<WorkersIncreaseGuestsStep/>", 60, 1, true},
        {"day length 0 keeps the default", "<DayLength Value=\"0\"/>", 60, 10, true},
        {"negative day length keeps the last good one", "<DayLength Value=\"30\"/><DayLength Value=\"-4\"/>", 30, 10,
         true},
        {"day length given twice", "<DayLength Value=\"30\"/><DayLength Value=\"90\"/>", 90, 10, true},
        {"clock True", "<IsClockOn Value=\"True\"/>", 60, 10, false},
        {"clock 1", "<IsClockOn Value=\"1\"/>", 60, 10, false},
        {"clock without Value", "<IsClockOn/>", 60, 10, false},
        {"keys compare exactly", "<islockon Value=\"false\"/><daylength Value=\"5\"/>", 60, 10, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CRefHandle<LevelConfiguration> level = readBody(c.body);
        EXPECT_EQ(level->DayLength, c.dayLength);
        EXPECT_EQ(level->WorkersIncreaseGuestsStep, c.guestsStep);
        EXPECT_EQ(level->IsClockOn, c.clockOn);
    }
}

TEST(LevelConfiguration, SelfClosingBlocksReadNoChildren) {
    // Each empty block is followed by a setting that must still be read as a
    // setting of the level, not as a child of the block.
    CRefHandle<LevelConfiguration> level =
        readBody("<InitResources/><DayLength Value=\"30\"/>"
                 "<Objectives/><InitHappiness Value=\"7\"/>"
                 "<RandomEvents/><InitWorkersCount Value=\"3\"/>"
                 "<Objectives><ObjectivesGroup Time=\"50\"/>"
                 "<ObjectivesGroup Time=\"70\"><Objective Type=\"Workers\" Value=\"2\"/></ObjectivesGroup>"
                 "</Objectives>");
    EXPECT_TRUE(level->InitResources.empty());
    EXPECT_EQ(level->DayLength, 30);
    EXPECT_EQ(level->InitHappiness, 7);
    EXPECT_EQ(level->InitWorkersCount, 3);
    ASSERT_EQ(level->getGroupCount(), 2u);
    EXPECT_EQ(level->getGroup(0)->size(), 0u);
    EXPECT_EQ(level->getGroup(1)->size(), 1u);
    EXPECT_EQ(level->getTotalTime(), 120);
}

TEST(LevelConfiguration, RepeatedBlocksReplaceGroupsAndAddResources) {
    CRefHandle<LevelConfiguration> level =
        readBody("<Objectives><ObjectivesGroup Time=\"100\"/><ObjectivesGroup Time=\"200\"/></Objectives>"
                 "<InitResources><Money Value=\"5\"/><Gold Value=\"1\"/></InitResources>"
                 "<Objectives><ObjectivesGroup Time=\"300\"/></Objectives>"
                 "<InitResources><Money Value=\"9\"/><Workers/></InitResources>"
                 "<ForbiddenBuildings Value=\"A\"/><ForbiddenBuildings Value=\"B;C\"/>");
    ASSERT_EQ(level->getGroupCount(), 1u);
    EXPECT_EQ(level->getTotalTime(), 300);
    EXPECT_EQ(level->InitResources.size(), 3u);
    EXPECT_EQ(level->InitResources[CName("Money")], 9);
    EXPECT_EQ(level->InitResources[CName("Gold")], 1);
    EXPECT_EQ(level->InitResources[CName("Workers")], 0);
    EXPECT_EQ(names(level->ForbiddenBuildings), (std::vector<std::string>{"B", "C"}));
}

TEST(LevelConfiguration, DocumentCutShortKeepsWhatWasRead) {
    LogCapture log;
    CRefHandle<LevelConfiguration> level =
        readLevel("<Level><DayLength Value=\"20\"/><Objectives><ObjectivesGroup Time=\"80\">"
                  "<Objective Type=\"Money\" Value=\"10\"/>");
    EXPECT_EQ(level->DayLength, 20);
    ASSERT_EQ(level->getGroupCount(), 1u);
    EXPECT_EQ(level->getGroup(0)->size(), 1u);
    EXPECT_EQ(level->getTotalTime(), 80);
    EXPECT_EQ(log.count("cut short"), 1u);
}
