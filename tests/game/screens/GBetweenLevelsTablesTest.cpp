// The rules of the screens between levels as tables: the result screen's
// group shares and rank, the headquarters points, the map markers and the
// headquarters' flashing groups.

#include "engine/core/CArray.h"
#include "engine/core/CName.h"
#include "engine/core/CRefHandle.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/scene/BaseNode.h"
#include "game/screens/GHeadquartersScene.h"
#include "game/screens/GLevelCompletedScene.h"
#include "game/screens/GMapLocationButton.h"
#include "game/screens/GMapScene.h"
#include "game/screens/HQConfiguration.h"
#include "tests/game/screens/FinishedLevel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

CArray<int> ints(std::initializer_list<int> values) {
    CArray<int> out;
    for (int v : values)
        out.push_back(v);
    return out;
}

} // namespace

TEST(GLevelCompletedScene, EachGroupTakesItsShareOfTheBarAndEqualSharesWhenTheLevelHasNoTime) {
    const struct {
        const char* what;
        std::initializer_list<int> seconds;
        std::vector<float> fractions;
    } rows[] = {
        {"60, 60 and 120 seconds", {60, 60, 120}, {0.25f, 0.25f, 0.5f}},
        {"one group", {300}, {1.0f}},
        {"no time at all", {0, 0, 0, 0}, {0.25f, 0.25f, 0.25f, 0.25f}},
        {"a group of no time among others", {0, 100}, {0.0f, 1.0f}},
        {"no groups", {}, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        CRefHandle<FinishedLevel> level(new FinishedLevel(1, row.seconds, {}));
        const CArray<float> fractions = GLevelCompletedScene::groupFractions(*level->getLevelConfiguration());
        ASSERT_EQ(fractions.size(), row.fractions.size());
        for (uint32_t i = 0; i < fractions.size(); ++i)
            EXPECT_FLOAT_EQ(fractions[i], row.fractions[i]) << i;
    }
}

TEST(GLevelCompletedScene, TheGoodRankNeedsHalfTheGroupsRoundedUp) {
    const struct {
        int passed;
        int groups;
        const char16_t* rank;
    } rows[] = {
        {2, 4, u"%Rang%"}, {1, 4, u"%Rang_Gamer%"}, {1, 3, u"%Rang_Gamer%"}, {2, 3, u"%Rang%"}, {0, 1, u"%Rang_Gamer%"},
        {1, 1, u"%Rang%"}, {3, 5, u"%Rang%"},       {2, 5, u"%Rang_Gamer%"}, {0, 0, u"%Rang%"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(std::u16string(GLevelCompletedScene::rankText(row.passed, row.groups)), std::u16string(row.rank))
            << row.passed << " of " << row.groups;
}

TEST(GHeadquartersScene, PointsAreOnePlusTheTopRanksFromTheHeadquartersLevelLessWhatWasBought) {
    const struct {
        const char* what;
        CArray<int> ranks;
        uint32_t parts;
        uint32_t bought1;
        uint32_t bought2;
        uint32_t points;
    } rows[] = {
        {"a fresh profile", ints({}), 6, 0, 0, 1},
        {"ranks below the top", ints({1, 1, 1, 0, 1, 1, 1, 1, 1, 1, 1}), 6, 0, 0, 1},
        {"top ranks before the headquarters level count nothing", ints({2, 2, 2, 2, 2, 2, 2, 2, 2}), 6, 0, 0, 1},
        {"top ranks from level index 9", ints({2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 0, 2}), 6, 0, 0, 3},
        {"a point spent", ints({0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 2}), 6, 1, 0, 2},
        {"10 parts, 10 and 3 bought: never above 7",
         ints({0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2}), 10, 10, 3,
         7},
        {"both chains complete", ints({0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 2, 2}), 2, 2, 2, 0},
        {"more bought than earned", ints({}), 6, 3, 2, 0},
        // A profile listing more names than there are parts never wraps
        // round to a huge number.
        {"more bought than there are parts", ints({0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2}), 3, 4, 4,
         0},
        {"no parts", ints({0, 0, 0, 0, 0, 0, 0, 0, 0, 2}), 0, 0, 0, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(GHeadquartersScene::pointsFor(row.ranks, 9, row.parts, row.bought1, row.bought2), row.points);
    }
}

TEST(GMapLocationButton, TheMarkerStateFollowsTheFlagsAvailableFirstThenCompletedThenGold) {
    const struct {
        bool available, completed, gold, selected, hovered;
        const char* state;
    } rows[] = {
        {false, true, true, true, true, "Unavailable"},     {false, false, false, false, false, "Unavailable"},
        {true, false, false, false, false, "Default"},      {true, false, false, false, true, "DefaultHover"},
        {true, false, false, true, true, "DefaultPressed"}, {true, true, false, false, false, "Completed"},
        {true, true, false, false, true, "CompletedHover"}, {true, true, false, true, false, "CompletedPressed"},
        {true, true, true, false, false, "Completed"},      {true, false, true, false, false, "Gold"},
        {true, false, true, false, true, "GoldHover"},      {true, false, true, true, false, "GoldPressed"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(GMapLocationButton::markerStateFor(row.available, row.completed, row.gold, row.selected, row.hovered),
                  CName(row.state))
            << row.available << row.completed << row.gold << row.selected << row.hovered;
}

TEST(HQConfiguration, ItemsKeepTheDelayBeforeThemAndCountOnceTheyEnd) {
    const std::string xml = R"(<?xml version="1.0"?><HQConfiguration>
        <Name Value="Outside"/>
        <Item><Name Value="Boiler"/><Name Value="Porch"/></Item>
        <Item><TimeDelay Value="1500"/><Name Value="Clock"/></Item>
        <Item><Other/><Name Value="Bell"/></Item>
        <Item/>
        <Item><TimeDelay Value="250"/><Name Value="Flag"/>
      </HQConfiguration><Item><Name Value="After"/></Item>)";
    CRefHandle<CXmlStreamReader> reader(new CXmlStreamReader(xml.data(), xml.size()));
    CRefHandle<HQConfiguration> config(new HQConfiguration());
    config->readFromXml(*reader);
    const CArray<HQConfigItem>& items = config->getItems();
    ASSERT_EQ(items.size(), 4u) << "an item cut off by the end of the list is left out";
    const struct {
        int32_t delay;
        std::vector<const char*> names;
    } expected[] = {{0, {"Boiler", "Porch"}}, {1500, {"Clock"}}, {1500, {"Bell"}}, {1500, {}}};
    for (uint32_t i = 0; i < items.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(items[i].timeDelay, expected[i].delay);
        ASSERT_EQ(items[i].entries.size(), expected[i].names.size());
        for (uint32_t j = 0; j < items[i].entries.size(); ++j)
            EXPECT_EQ(items[i].entries[j].name, CName(expected[i].names[j]));
    }

    config->setAllFlashing();
    config->clearFlashing(CName("Porch"));
    config->clearFlashing(CName("Nothing"));
    EXPECT_TRUE(config->getItems()[0].entries[0].flashing);
    EXPECT_FALSE(config->getItems()[0].entries[1].flashing);
    EXPECT_TRUE(config->getItems()[1].entries[0].flashing);
}

TEST(GMapScene, ASettingsCloudsStayUntilItsFirstLevelOpensClearOnceAndThenStayAway) {
    // The setting after level index 11: its first level is index 12.
    const struct {
        const char* what;
        int32_t maxUnlocked;
        int32_t firstPassed;
        bool shownBefore;
        bool shownAfterShowing;
        bool shownAfterArrival;
    } rows[] = {
        {"still shut", 10, -10, false, true, true},
        {"opened by the level just passed: left as loaded, then shown to clear away", 11, 11, false, false, true},
        {"opened by the level just passed, shown as loaded", 11, 11, true, true, true},
        {"opened before", 12, -10, true, false, false},
        {"a level passed elsewhere", 20, 19, true, false, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        CRefHandle<BaseNode> overlay(new BaseNode(CObjectName(), nullptr, nullptr));
        overlay->setVisible(row.shownBefore);
        GMapScene::prepareSettingOverlay(overlay.get(), 11, row.maxUnlocked, row.firstPassed);
        EXPECT_EQ(overlay->isVisible(), row.shownAfterShowing);
        GMapScene::revealSettingOverlay(overlay.get(), 11, row.maxUnlocked, row.firstPassed);
        EXPECT_EQ(overlay->isVisible(), row.shownAfterArrival);
    }
}
