#include "game/config/GActiveFeature.h"

#include "engine/content/CDictionary.h"
#include "engine/core/CEngineManagers.h"
#include "game/config/GActiveFeatureList.h"
#include "game/config/GFeatureMessages.h"
#include "tests/game/config/ConfigTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr int32_t Activated = GFeatureActivatedMessage::TypeId;
constexpr int32_t Recharging = GFeatureRechargingMessage::TypeId;
constexpr int32_t Finished = GFeatureFinishedMessage::TypeId;
constexpr int32_t Ready = GFeatureReadyMessage::TypeId;

CRefHandle<GActiveFeature> readFeature(const char* kind, const std::string& body) {
    CRefHandle<GActiveFeature> feature(GActiveFeature::create(CStringW(CString(kind))));
    EXPECT_TRUE(feature);
    CRefHandle<CXmlStreamReader> reader =
        xmlReaderAt(std::string("<ActiveFeature Type=\"") + kind + "\">" + body + "</ActiveFeature>", u"ActiveFeature");
    EXPECT_TRUE(feature->readFromXml(*reader));
    return feature;
}

// A list of one feature in a level with a building, all owned by the fixture.
struct FeatureInLevel {
    explicit FeatureInLevel(const char* kind, const std::string& body) : list(new GActiveFeatureList) {
        list->setLevel(&level);
        list->setBuilding(&building);
        list->add(readFeature(kind, body).get());
        level.gold = 1000;
        level.income = 500.0f;
        building.goldIncome = 40;
    }
    GActiveFeature* feature() const { return list->get(0); }
    std::vector<int32_t>& seen() { return level.receiver->seen; }

    FakeLevel level;
    FakeBuilding building;
    CRefHandle<GActiveFeatureList> list;
};

} // namespace

TEST(GActiveFeature, KindsAndReading) {
    EXPECT_FALSE(CRefHandle<GActiveFeature>(GActiveFeature::create(CStringW(u"goldpercent"))));
    CRefHandle<GActiveFeature> fresh(GActiveFeature::create(CStringW(u"IncomeGoldPercent")));
    EXPECT_EQ(fresh->getState(), GActiveFeature::Recharging);
    EXPECT_EQ(fresh->getProgress(), 0);
    EXPECT_EQ(fresh->DurationTime, 1000);

    CRefHandle<GActiveFeature> f = readFeature("IncomePercent", R"(<FeatureName Value="Boost"/>
        <DurationTime Value="0"/><RechargeTime Value="0"/><Workers Value="0"/>
        <RequiredResources><Money Value="50"/><Gold/></RequiredResources>
        <ProducedResources><GoldPercent Value="0.9,0.9"/><IncomePercent Value="0.2,0.4"/></ProducedResources>
        <ServeArea Name="Boost"><Area Value="1,1"/></ServeArea>
        <UseServeAreaFromParentBuilding Value="true"/>
        <LevelModifiers><Modifier Type="GoldM" Value="2"/></LevelModifiers>)");
    EXPECT_EQ(f->FeatureName, CName("Boost"));
    EXPECT_EQ(f->DurationTime, 86400000);
    EXPECT_EQ(f->RechargeTime, 1);
    EXPECT_EQ(f->getProgress(), 1);
    EXPECT_EQ(f->Workers, 1);
    EXPECT_EQ(f->RequiredResources.find(CName("Money"))->value, 50);
    EXPECT_EQ(f->RequiredResources.find(CName("Gold"))->value, 0);
    EXPECT_EQ(f->getShareRange(), (GFloatRange{0.2f, 0.4f}));
    ASSERT_EQ(f->ServeAreas.size(), 1u);
    EXPECT_EQ(f->ServeAreas[0].Area[0], CVector2di(1, 1));
    EXPECT_TRUE(f->UseServeAreaFromParentBuilding);
    ASSERT_TRUE(f->Modifiers);
    EXPECT_EQ(f->Modifiers->size(), 1u);

    CRefHandle<GActiveFeature> copy(f->clone());
    EXPECT_EQ(copy->Modifiers, f->Modifiers); // shared
    EXPECT_EQ(copy->getShareRange(), f->getShareRange());
    EXPECT_EQ(copy->getOwner(), nullptr);
}

TEST(GActiveFeature, ACycleThroughItsStatesPostsEachChange) {
    FeatureInLevel t("GoldPercent", R"(<DurationTime Value="10000"/><RechargeTime Value="30000"/>)");
    GActiveFeature* f = t.feature();
    EXPECT_EQ(f->getState(), GActiveFeature::Recharging);

    t.list->updateAll(29999, false);
    EXPECT_EQ(f->getProgress(), 1);
    EXPECT_TRUE(t.seen().empty());
    t.list->updateAll(1, false);
    EXPECT_EQ(f->getState(), GActiveFeature::Ready);
    EXPECT_EQ(t.seen(), std::vector<int32_t>{Ready});

    t.list->activate(0);
    EXPECT_EQ(f->getState(), GActiveFeature::Active);
    t.list->updateAll(5000, false);
    EXPECT_EQ(f->getProgress(), 15000);
    EXPECT_FLOAT_EQ(f->getProgressRatio(), 0.5f);
    t.list->updateAll(5000, false);
    EXPECT_EQ(f->getState(), GActiveFeature::Recharging);
    EXPECT_EQ(f->getProgress(), 30000);
    EXPECT_FLOAT_EQ(f->getProgressRatio(), 1.0f);
    EXPECT_EQ(t.seen(), (std::vector<int32_t>{Ready, Activated, Finished, Recharging}));
}

TEST(GActiveFeature, StoppingKeepsTheRechargeReached) {
    FeatureInLevel t("GoldPercent", R"(<DurationTime Value="10000"/><RechargeTime Value="30000"/>)");
    t.list->updateAll(30000, false);
    t.list->activate(0);
    t.list->updateAll(5000, false);
    t.list->stopAll();
    EXPECT_EQ(t.feature()->getState(), GActiveFeature::Recharging);
    EXPECT_EQ(t.feature()->getProgress(), 15000);
    t.list->updateAll(14999, false);
    EXPECT_EQ(t.feature()->getState(), GActiveFeature::Recharging);
    t.list->updateAll(1, false);
    EXPECT_EQ(t.seen(), (std::vector<int32_t>{Ready, Activated, Recharging, Ready}));
}

TEST(GActiveFeature, RechargeFollowsTheLevelFactor) {
    const struct {
        float factor;
        bool withValues;
        int left;
    } cases[] = {{2.0f, true, 940}, {0.01f, true, 970}, {1.0f, false, 970}, {1e30f, true, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.factor);
        FeatureInLevel t("GoldPercent", R"(<RechargeTime Value="1000"/>)");
        t.level.values.ActiveFeatureRechargingTimeM = c.factor;
        t.level.withValues = c.withValues;
        t.list->updateAll(30, false);
        EXPECT_EQ(t.feature()->getProgress(), c.left);
    }
}

TEST(GActiveFeature, OneActiveFeatureAtATime) {
    FeatureInLevel t("GoldPercent", R"(<FeatureName Value="A"/>)");
    t.list->add(readFeature("IncomePercent", R"(<FeatureName Value="B"/>)").get());
    EXPECT_EQ(t.list->add(readFeature("IncomePercent", R"(<FeatureName Value="A"/>)").get()), 0);
    ASSERT_EQ(t.list->size(), 2u);
    t.list->updateAll(1000, true);
    t.list->activate(0);
    t.list->activate(1);
    EXPECT_EQ(t.list->findActive(), t.list->get(0));
    EXPECT_EQ(t.list->get(1)->getState(), GActiveFeature::Ready);
    t.list->activate(7); // outside: nothing
    EXPECT_EQ(t.seen(), (std::vector<int32_t>{Ready, Ready, Activated}));
}

TEST(GActiveFeature, TimersRunOnlyWhileTheirAmountExistsUnlessForced) {
    const struct {
        const char* kind;
        void (*starve)(FeatureInLevel&);
    } cases[] = {
        {"GoldPercent", [](FeatureInLevel& t) { t.level.gold = 0; }},
        {"IncomePercent", [](FeatureInLevel& t) { t.level.income = 0.05f; }},
        {"IncomeGoldPercent", [](FeatureInLevel& t) { t.building.goldIncome = 0; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        FeatureInLevel t(c.kind, R"(<RechargeTime Value="1000"/>)");
        c.starve(t);
        t.list->updateAll(500, false);
        EXPECT_EQ(t.feature()->getProgress(), 1000);
        t.list->updateAll(500, true);
        EXPECT_EQ(t.feature()->getProgress(), 500);
    }
}

TEST(GActiveFeature, RewardsAndDescription) {
    CDictionary* dictionary = CEngineManagers::instance().getDictionary();
    dictionary->set(CString("GamePlay_Gold"), CStringW(u"+#p gold"));

    FeatureInLevel gold("GoldPercent", R"(<ProducedResources><GoldPercent Value="0.1,0.3"/></ProducedResources>)");
    for (int roll = 0; roll < 20; ++roll) {
        gold.list->rollAll();
        const int amount = gold.feature()->getReward().find(CName("Gold"))->value;
        EXPECT_GE(amount, 100);
        EXPECT_LE(amount, 300);
    }
    EXPECT_EQ(gold.feature()->getDescription(), u"+200 gold");

    FeatureInLevel income("IncomePercent",
                          R"(<ProducedResources><IncomePercent Value="0.5,0.5"/></ProducedResources>)");
    income.list->rollAll();
    EXPECT_EQ(income.feature()->getReward().find(CName("Money"))->value, 250);
    EXPECT_TRUE(income.feature()->getDescription().empty());

    FeatureInLevel tiny("IncomeGoldPercent", "");
    tiny.list->rollAll();
    EXPECT_EQ(tiny.feature()->getReward().find(CName("Gold"))->value, 1); // at least 1

    CRefHandle<GActiveFeature> alone = readFeature("GoldPercent", "");
    alone->rollReward();
    EXPECT_TRUE(alone->getReward().empty());
    EXPECT_TRUE(alone->getDescription().empty());
    dictionary->clear();
}

TEST(GActiveFeature, CopiesOfAnActiveListRecharge) {
    FeatureInLevel source("GoldPercent", R"(<DurationTime Value="10000"/><RechargeTime Value="30000"/>)");
    source.list->updateAll(30000, false);
    source.list->activate(0);
    source.list->updateAll(2000, false);

    FeatureInLevel copy("IncomePercent", R"(<FeatureName Value="Old"/>)");
    copy.seen().clear();
    copy.list->copyFrom(*source.list);
    ASSERT_EQ(copy.list->size(), 1u);
    EXPECT_EQ(copy.feature()->getKind(), GActiveFeature::GoldPercent);
    EXPECT_EQ(copy.feature()->getState(), GActiveFeature::Recharging);
    EXPECT_EQ(copy.feature()->getProgress(), 6000);
    EXPECT_EQ(copy.feature()->getOwner(), copy.list.get());
    EXPECT_EQ(copy.seen(), std::vector<int32_t>{Recharging});
    EXPECT_EQ(source.feature()->getState(), GActiveFeature::Active);

    // Clearing stops the active one with a message, then releases all.
    source.seen().clear();
    CRefHandle<GActiveFeature> kept = CRefHandle<GActiveFeature>::share(source.feature());
    source.list->clear();
    EXPECT_EQ(source.seen(), std::vector<int32_t>{Recharging});
    EXPECT_EQ(kept->getOwner(), nullptr);
    EXPECT_EQ(source.list->size(), 0u);
}

TEST(GActiveFeature, WithoutLevelOrBuildingNothingIsSent) {
    FeatureInLevel t("GoldPercent", R"(<RechargeTime Value="10"/>)");
    t.list->setBuilding(nullptr);
    t.list->updateAll(10, true);
    EXPECT_EQ(t.feature()->getState(), GActiveFeature::Ready);
    EXPECT_TRUE(t.seen().empty());
}

TEST(GActiveFeature, AListGoingAwayLeavesItsFeaturesOwnerless) {
    CRefHandle<GActiveFeature> kept;
    std::vector<int32_t> seen;
    {
        FeatureInLevel t("GoldPercent", "");
        t.list->updateAll(1000, true);
        t.list->activate(0);
        kept = CRefHandle<GActiveFeature>::share(t.feature());
        t.seen().clear();
        t.list.reset();
        seen = t.seen();
    }
    EXPECT_TRUE(seen.empty()); // no message names a building on its way out
    EXPECT_EQ(kept->getOwner(), nullptr);
    kept->update(5000, true); // runs without an owner, sends nothing
    EXPECT_EQ(kept->getState(), GActiveFeature::Recharging);
}
