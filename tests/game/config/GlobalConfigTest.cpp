#include "game/config/GlobalConfig.h"

#include "tests/game/config/ConfigTestSupport.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

CRefHandle<GlobalConfig> readConfig(const std::string& text) {
    CRefHandle<GlobalConfig> config(new GlobalConfig);
    config->readFromXml(*xmlReader(text));
    return config;
}

std::vector<int> toVector(const CArray<int>& list) { return {list.begin(), list.end()}; }

} // namespace

TEST(GlobalConfig, EveryKeyOfTheFixture) {
    CRefHandle<GlobalConfig> c = readConfig(fixtureText("GlobalConfig.xml"));
    EXPECT_EQ(c->AllowDestroyFromLevel, 4); // the lower-case spelling is another element
    EXPECT_EQ(c->RailRoadStationPricesRounder, 1000);
    EXPECT_EQ(c->MinimumWorkersInDilizhans, 6);
    EXPECT_EQ(c->AllowQuestBoxFromLevel, 9);
    EXPECT_EQ(c->AllowUniqUpIncomeFromLevel, 10);
    EXPECT_EQ(c->AllowUniqUpGuestsFromLevel, 11);
    EXPECT_EQ(c->LevelCompletedProgressBarTime, 2500);
    EXPECT_EQ(c->VelocityParticles, 450);
    EXPECT_EQ(c->HiglightImpendingTime, 1500);
    EXPECT_EQ(c->AllowHQUpgradeFromLevel, 12);
    EXPECT_EQ(toVector(c->SettingsLastLevelsNumbers), (std::vector<int>{12, 24, 36}));
    ASSERT_EQ(c->IntroSceneBackgrounds.size(), 3u);
    EXPECT_EQ(c->IntroSceneBackgrounds[0], u"Intro1");
    EXPECT_EQ(c->IntroSceneBackgrounds[1], u"Intro2");
    EXPECT_TRUE(c->IntroSceneBackgrounds[2].empty());
    EXPECT_EQ(c->ObjectivesGroupChangeTime, 2000);
    EXPECT_EQ(toVector(c->PartDistance), (std::vector<int>{40, 35, 30}));
    EXPECT_EQ(c->DilizhansHorseDistanceTolerance, 7);
    EXPECT_FLOAT_EQ(c->DistanceBetweenElementsInServeAreaHull, 12.5f);
    EXPECT_FLOAT_EQ(c->ServeAreaSplineRoundingFactor, 0.75f);
    EXPECT_FLOAT_EQ(c->ServeAreaBuildingsShift, 25.0f);
    EXPECT_EQ(c->ServeAreaHullShowDelay, 400);
    EXPECT_EQ(c->ServeAreaHullHideDelay, 1800);
    EXPECT_FLOAT_EQ(c->QuestDialogueMusicThrottleValue, 1.0f);  // 1.7 clamped
    EXPECT_FLOAT_EQ(c->QuestDialogueSoundsThrottleValue, 0.0f); // -0.5 clamped
    EXPECT_EQ(c->SpeechSoundStartDelay, 150);
    EXPECT_EQ(c->SpeechSoundStopDelay, 600);
}

TEST(GlobalConfig, RootAloneKeepsTheDefaults) {
    CRefHandle<GlobalConfig> c = readConfig("<GlobalConfig/>");
    EXPECT_EQ(c->AllowDestroyFromLevel, 5);
    EXPECT_EQ(c->RailRoadStationPricesRounder, 5000);
    EXPECT_EQ(c->AllowHQUpgradeFromLevel, 9);
    EXPECT_FLOAT_EQ(c->ServeAreaBuildingsShift, 20.0f);
    EXPECT_EQ(c->SpeechSoundStartDelay, 200);
    EXPECT_EQ(c->SpeechSoundStopDelay, 500);
    EXPECT_TRUE(c->PartDistance.empty());
    EXPECT_TRUE(c->SettingsLastLevelsNumbers.empty());
}

TEST(GlobalConfig, ReadingAgainKeepsUnnamedKeysAndRestartsPartDistance) {
    CRefHandle<GlobalConfig> c = readConfig(fixtureText("GlobalConfig.xml"));
    c->readFromXml(*xmlReader(R"(<GlobalConfig><PartDistance Value="9"/><AllowDestroyFromLevel/></GlobalConfig>)"));
    EXPECT_EQ(toVector(c->PartDistance), std::vector<int>{9});
    EXPECT_EQ(c->AllowDestroyFromLevel, 0); // named without a Value
    EXPECT_EQ(c->VelocityParticles, 450);   // not named
}

TEST(GlobalConfig, DamagedDocumentKeepsWhatWasReadWithOneLogLine) {
    LogCapture log;
    CRefHandle<GlobalConfig> c(new GlobalConfig);
    EXPECT_FALSE(c->readFromXml(*xmlReader(R"(<GlobalConfig><VelocityParticles Value="77"/><HiglightImp)")));
    EXPECT_EQ(c->VelocityParticles, 77);
    EXPECT_EQ(c->HiglightImpendingTime, 2000);
    EXPECT_EQ(log.count("GlobalConfig"), 1u);
}

TEST(GlobalConfig, LevelSettings) {
    CRefHandle<GlobalConfig> c(new GlobalConfig);
    EXPECT_EQ(c->levelSettingIndex(40), 0);
    EXPECT_EQ(c->levelSettingStateName(40), CName("Setting1"));

    const struct {
        const char* list;
        int level;
        int index;
        const char* state;
    } cases[] = {
        {"12;24;36", 1, 0, "Setting1"},  {"12;24;36", 12, 0, "Setting1"}, {"12;24;36", 13, 1, "Setting2"},
        {"12;24;36", 36, 2, "Setting3"}, {"12;24;36", 37, 3, "Setting4"}, {"5,10,15,20,25", 26, 5, "Setting4"},
        {"10 20 30", 0, 0, "Setting1"},  {"-5;10", -7, 0, "Setting1"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(std::string(row.list) + " level " + std::to_string(row.level));
        c->readFromXml(*xmlReader(std::string("<GlobalConfig><SettingsLastLevelsNumbers Value=\"") + row.list +
                                  "\"/></GlobalConfig>"));
        EXPECT_EQ(c->levelSettingIndex(row.level), row.index);
        EXPECT_EQ(c->levelSettingStateName(row.level), CName(row.state));
    }
}
