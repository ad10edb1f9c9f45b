// The game tasks on a stand-in level: each runs from its start through its
// workers' arrival and timed work to its message, and puts the place back
// when cancelled.

#include "game/world/GGameTask.h"

#include "engine/nodes/ProgressBarNode.h"
#include "engine/scene/KeyFrame.h"
#include "game/config/GActiveFeature.h"
#include "game/config/GActiveFeatureList.h"
#include "game/config/GLevelModifierValues.h"
#include "game/config/GProduceItemConfig.h"
#include "game/config/GUniqUpgradeConfig.h"
#include "game/config/GWorldMessages.h"
#include "game/world/GGameTaskActiveFeature.h"
#include "game/world/GGameTaskBuilding.h"
#include "game/world/GGameTaskDestroy.h"
#include "game/world/GGameTaskProduceItem.h"
#include "game/world/GGameTaskRestore.h"
#include "game/world/GGameTaskServe.h"
#include "game/world/GWorkerNode.h"
#include "tests/game/world/TaskTestSupport.h"

#include <gtest/gtest.h>

#include <string>

using tasktest::makeType;

namespace {

CName id(const char* text) { return CName(text); }

std::string text(const CStringW& value) { return CString(value).c_str(); }

class GGameTaskTest : public TaskLevelFixture {
protected:
    // Hands `task` to the place as a start operation does.
    template <class T> T* start(T* task, int kind) {
        place->setTask(kind, task);
        task->release();
        return task;
    }

    GGameTaskBuilding* startBuilding(GBuildingConfig* type, GUniqUpgradeConfig* upgrade = nullptr) {
        return start(new GGameTaskBuilding(&level, place, type, upgrade),
                     upgrade ? GBuildingNode::TaskUniqueUpgrade : GBuildingNode::TaskBuild);
    }

    // Builds `type` on the place at once (the task's whole run).
    void buildNow(GBuildingConfig* type) {
        GGameTaskBuilding* task = startBuilding(type);
        headquarters->arriveAll(place);
        stepUntil([task] { return task->getStep() == GGameTaskBuilding::StepDone; });
        place->setTask(GBuildingNode::TaskNone, nullptr);
        step();
    }

    [[nodiscard]] GLevelModifierValues& modifiers() { return level.configuration->ModifierValues; }
    [[nodiscard]] std::vector<int> messages() const { return level.receiver->ids(); }
};

} // namespace

TEST_F(GGameTaskTest, ABuildRunsItsPhasesAndEndsWithItsMessageBeforeItsSound) {
    auto house = makeType("House1", GBuildingType::Apartment, 1);
    house->Build.Workers = 2;
    house->Build.Time = 600;
    house->Build.Resources[nameIdMaterials()] = 10;
    house->BuiltSoundCueName = id("Built1");
    headquarters->addResource(nameIdMaterials(), 10);

    GGameTaskBuilding* task = startBuilding(house.get());
    EXPECT_EQ(place->getType(), house.get()) << "the place is counted as the new building at once";
    EXPECT_EQ(place->getTemplateName(), id("BuildingPlace")) << "while the old look stays";
    ASSERT_EQ(headquarters->dispatches.size(), 1u);
    EXPECT_EQ(headquarters->dispatches[0].count, 2u);
    EXPECT_EQ(headquarters->getResource(nameIdMaterials()), 0);
    EXPECT_EQ(headquarters->carried(nameIdMaterials()), 10);
    ASSERT_NE(task->getConstruction(), nullptr);
    EXPECT_FALSE(task->getConstruction()->isVisible());
    EXPECT_FLOAT_EQ(task->getConstruction()->getPosition().z, 0.2f);
    EXPECT_FLOAT_EQ(task->getTotal(), 2100.0f);

    step();
    EXPECT_EQ(task->getStep(), 0) << "waits for its workers";
    headquarters->arriveAll(place);
    step();
    EXPECT_TRUE(task->getConstruction()->isVisible());
    ASSERT_NE(place->getWorkersText(), nullptr);
    EXPECT_TRUE(place->getWorkersText()->isVisible());

    stepUntil([task] { return task->getStep() == 8; }, 10);
    ASSERT_EQ(task->getStep(), 8);
    // The timed wait: 600 ms in steps of 30.
    const int waited = stepUntil([task] { return task->getStep() != 8; });
    EXPECT_EQ(waited, 20);
    EXPECT_EQ(place->getTemplateName(), id("BuildingPlace"));
    step();
    EXPECT_EQ(place->getTemplateName(), id("House1")) << "the new look from PostBuild1 on";
    ASSERT_NE(task->getConstructionBar(), nullptr);
    EXPECT_FLOAT_EQ(task->getConstructionBar()->getValue(), 600.0f / 2100.0f);

    stepUntil([task] { return task->getStep() == GGameTaskBuilding::StepDone; }, 10);
    EXPECT_EQ(task->getConstruction(), nullptr);
    EXPECT_EQ(messages().back(), GBuildingCompletedMessage::TypeId);
    const auto* completed = static_cast<GBuildingCompletedMessage*>(level.receiver->messages.back().get());
    EXPECT_EQ(completed->getNewType(), house.get());
    EXPECT_TRUE(witness->playingAt.back().empty()) << "4109 comes before the completion sound";
    EXPECT_TRUE(isPlaying("Built1"));
    EXPECT_FALSE(place->getWorkersText()->isVisible());
    EXPECT_EQ(headquarters->carried(nameIdMaterials()), 0) << "the cost is spent";
    EXPECT_EQ(place->getWorkersCount(), 0);
    EXPECT_EQ(level.scheduler->entryCount(), 0u) << "the scheduler let the task go";
}

TEST_F(GGameTaskTest, TheCompletionSoundFollowsWhatWasBuilt) {
    auto house1 = makeType("House1", GBuildingType::Apartment, 1);
    auto house2 = makeType("House2", GBuildingType::Apartment, 2);
    auto shop = makeType("Shop1", GBuildingType::Commercial, 1);
    auto shop2 = makeType("Shop1", GBuildingType::Commercial, 2);
    house1->BuiltSoundCueName = house2->BuiltSoundCueName = id("Built1");
    shop->BuiltSoundCueName = shop2->BuiltSoundCueName = id("BuiltShop");
    CRefHandle<GUniqUpgradeConfig> upgrade(new GUniqUpgradeConfig);
    upgrade->Name = id("Garden");
    upgrade->Build.Time = 300;

    const struct {
        const char* what;
        GBuildingConfig* before;
        GBuildingConfig* after;
        GUniqUpgradeConfig* upgrade;
        const char* cue;
    } cases[] = {
        {"an apartment on an empty place", nullptr, house1.get(), nullptr, "Built1"},
        {"an apartment from Level 1 to 2", house1.get(), house2.get(), nullptr, "UpgradedHouse"},
        {"a shop levelled up", shop.get(), shop2.get(), nullptr, "BuiltShop"},
        {"a unique upgrade", house1.get(), house1.get(), upgrade.get(), "UpgradedHouse"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        place->setType(emptyType.get(), false, false);
        if (c.before)
            place->setType(c.before, false, false);
        cues.manager->stopGroup(-1);
        cues.update(10);
        witness->messages.clear();
        witness->playingAt.clear();

        GGameTaskBuilding* task = startBuilding(c.after, c.upgrade);
        headquarters->arriveAll(place);
        stepUntil([task] { return task->getStep() == GGameTaskBuilding::StepDone; });
        ASSERT_FALSE(witness->messages.empty());
        EXPECT_EQ(messages().back(), GBuildingCompletedMessage::TypeId);
        EXPECT_TRUE(witness->playingAt.back().empty());
        EXPECT_TRUE(isPlaying(c.cue));
        if (c.upgrade) {
            EXPECT_TRUE(place->hasUniqueUpgrade(id("Garden")));
        }
        place->setTask(GBuildingNode::TaskNone, nullptr);
        step();
    }
}

TEST_F(GGameTaskTest, TheBuildTimeStepFollowsBuildTimeMAndNeverStalls) {
    const struct {
        float factor;
        float increment;
    } cases[] = {{1.0f, 30.0f}, {0.5f, 15.0f}, {2.0f, 60.0f}, {0.01f, 30.0f}, {0.0f, 30.0f}, {-1.0f, 30.0f}};
    auto house = makeType("House1", GBuildingType::Apartment, 1);
    house->Build.Time = 100000;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.factor);
        modifiers().BuildTimeM = c.factor;
        place->setType(emptyType.get(), false, false);
        GGameTaskBuilding* task = startBuilding(house.get());
        headquarters->arriveAll(place);
        stepUntil([task] { return task->getStep() == 8; }, 10);
        const float before = task->getElapsed();
        step();
        EXPECT_FLOAT_EQ(task->getElapsed() - before, c.increment);
        static_cast<void>(place->cancelTask());
        step();
    }
}

TEST_F(GGameTaskTest, AUniqueUpgradeWaitsForItsOwnTime) {
    auto castle = makeType("Castle1", GBuildingType::Commercial, 1);
    castle->Build.Time = 5000;
    place->setType(castle.get(), false, false);
    CRefHandle<GUniqUpgradeConfig> upgrade(new GUniqUpgradeConfig);
    upgrade->Name = id("Tower");
    upgrade->Build.Time = 8000;
    upgrade->Build.Workers = 3;

    GGameTaskBuilding* task = startBuilding(castle.get(), upgrade.get());
    EXPECT_FLOAT_EQ(task->getTotal(), 9500.0f);
    ASSERT_EQ(headquarters->dispatches.size(), 1u);
    EXPECT_EQ(headquarters->dispatches[0].count, 3u);
    headquarters->arriveAll(place);
    stepUntil([task] { return task->getStep() == 8; }, 10);
    stepUntil([task] { return task->getStep() != 8; }, 1000, 100);
    EXPECT_FLOAT_EQ(task->getElapsed(), 8000.0f);
}

namespace {

class GGameTaskWithoutConstructionTest : public GGameTaskTest {
protected:
    [[nodiscard]] std::string templatesText() const override {
        return "<SceneNode Type=\"TemplateCollectionNode\">" + tasktest::building("BuildingPlace") +
               tasktest::building("House1") + "</SceneNode>";
    }
};

} // namespace

TEST_F(GGameTaskWithoutConstructionTest, TheBuildStillCompletes) {
    auto house = makeType("House1", GBuildingType::Apartment, 1);
    house->Build.Time = 300;
    house->BuiltSoundCueName = id("Built1");

    GGameTaskBuilding* task = startBuilding(house.get());
    EXPECT_EQ(task->getConstruction(), nullptr);
    step();
    EXPECT_EQ(level.scheduler->entryCount(), 1u) << "it waits for its workers";
    headquarters->arriveAll(place);
    stepUntil([task] { return task->getStep() == GGameTaskBuilding::StepDone; });
    EXPECT_EQ(messages().back(), GBuildingCompletedMessage::TypeId);
    EXPECT_EQ(place->getWorkersCount(), 0) << "its workers are let go";
    EXPECT_TRUE(isPlaying("Built1"));
}

TEST_F(GGameTaskTest, ACancelBeforeTheWorkersArriveGivesTheCostBackWhenTheyReturn) {
    auto house = makeType("House1", GBuildingType::Apartment, 1);
    house->Build.Resources[nameIdMaterials()] = 25;
    headquarters->addResource(nameIdMaterials(), 40);

    CRefHandle<GGameTaskBuilding> task = CRefHandle<GGameTaskBuilding>::share(startBuilding(house.get()));
    EXPECT_EQ(headquarters->getResource(nameIdMaterials()), 15);
    static_cast<void>(place->cancelTask());
    EXPECT_EQ(place->getType(), emptyType.get());
    EXPECT_EQ(place->getTemplateName(), id("BuildingPlace"));
    EXPECT_EQ(place->getTaskKind(), GBuildingNode::TaskNone);
    EXPECT_EQ(place->getTask(), nullptr);
    EXPECT_EQ(place->getIncomingWorkersCount(), 0);
    EXPECT_EQ(headquarters->carried(nameIdMaterials()), 25) << "the walkers keep the cost";
    EXPECT_EQ(task->getConstruction(), nullptr);
    EXPECT_EQ(level.recalculations, 1);
    headquarters->returnAll();
    EXPECT_EQ(headquarters->getResource(nameIdMaterials()), 40);

    // The scheduler still holds the task for one more update.
    EXPECT_EQ(level.scheduler->entryCount(), 1u);
    task.reset();
    step();
    EXPECT_EQ(level.scheduler->entryCount(), 0u);
}

TEST_F(GGameTaskTest, ACancelLateInTheBuildPutsTheOldBuildingBackAndAFinishedBuildStays) {
    auto house1 = makeType("House1", GBuildingType::Apartment, 1);
    auto house2 = makeType("House2", GBuildingType::Apartment, 2);
    place->setType(house1.get(), false, false);
    place->setTemplateName(id("House1"));
    CRefHandle<GUniqUpgradeConfig> upgrade(new GUniqUpgradeConfig);
    upgrade->Name = id("Garden");
    upgrade->UniqUpIncomeBonus = 15;
    place->applyUniqueUpgrade(upgrade.get());

    GGameTaskBuilding* task = startBuilding(house2.get());
    headquarters->arriveAll(place);
    stepUntil([task] { return task->getStep() == 13; }, 2000);
    ASSERT_EQ(task->getStep(), 13) << "during PostBuild2";
    EXPECT_EQ(place->getTemplateName(), id("House2"));
    place->clearUniqueUpgrades();
    static_cast<void>(place->cancelTask());
    EXPECT_EQ(place->getType(), house1.get());
    EXPECT_EQ(place->getTemplateName(), id("House1"));
    EXPECT_TRUE(place->hasUniqueUpgrade(id("Garden")));
    EXPECT_EQ(place->getUpgradeIncomeBonus(), 15);
    EXPECT_GE(level.recalculations, 1);
    step();

    // A build that has ended is not undone by a late cancel.
    GGameTaskBuilding* second = startBuilding(house2.get());
    headquarters->arriveAll(place);
    stepUntil([second] { return second->getStep() == GGameTaskBuilding::StepDone; });
    static_cast<void>(place->cancelTask());
    EXPECT_EQ(place->getType(), house2.get());
}

TEST_F(GGameTaskTest, ADemolitionCountsTheEmptyPlaceAtOnceAndEndsWithAnEmptyStore) {
    auto shop = makeType("Shop1", GBuildingType::Commercial, 1);
    shop->Destroy.Time = 5000;
    shop->Destroy.Workers = 2;
    place->setType(shop.get(), false, false);
    place->setTemplateName(id("Shop1"));
    place->addResource(nameIdMoney(), 70);
    modifiers().BuildTimeM = 2.0f;

    auto* task = start(new GGameTaskDestroy(&level, place, emptyType.get()), GBuildingNode::TaskDestroy);
    EXPECT_EQ(place->getType(), emptyType.get()) << "counted as an empty place while the workers walk";
    EXPECT_EQ(place->getTemplateName(), id("Shop1"));
    EXPECT_EQ(level.recalculations, 1);
    ASSERT_NE(task->getProgressBar(), nullptr);
    EXPECT_FALSE(task->getProgressBar()->isVisible());
    EXPECT_EQ(text(task->getDisplayText()), "2;0");

    headquarters->arriveAll(place);
    step();
    step();
    EXPECT_EQ(task->getPhase(), GGameTaskDestroy::PhaseWorking);
    EXPECT_EQ(place->getTemplateName(), id("BuildingPlace"));
    EXPECT_TRUE(task->getProgressBar()->isVisible());
    step();
    EXPECT_FLOAT_EQ(task->getElapsed(), 60.0f) << "dt 30 at BuildTimeM 2";
    step();
    EXPECT_FLOAT_EQ(task->getElapsed(), 120.0f);
    // 5000 / 60: the 84th working update reaches it.
    const int more = stepUntil([task] { return task->getPhase() == GGameTaskDestroy::PhaseDone; });
    EXPECT_EQ(more + 2, 84);
    EXPECT_EQ(messages().back(), GBuildingDestroyedMessage::TypeId);
    EXPECT_TRUE(place->isEmpty()) << "what the building had earned goes with it";
    EXPECT_EQ(task->getProgressBar(), nullptr);
    EXPECT_FLOAT_EQ(task->getProgress(), 1.0f);
}

TEST_F(GGameTaskTest, ADemolitionAtNoBuildTimeFactorStillEnds) {
    auto shop = makeType("Shop1", GBuildingType::Commercial, 1);
    shop->Destroy.Time = 300;
    place->setType(shop.get(), false, false);
    modifiers().BuildTimeM = 0.0f;
    auto* task = start(new GGameTaskDestroy(&level, place, emptyType.get()), GBuildingNode::TaskDestroy);
    headquarters->arriveAll(place);
    const int updates = stepUntil([task] { return task->getPhase() == GGameTaskDestroy::PhaseDone; });
    EXPECT_EQ(updates, 12) << "two to start, ten plain steps of 30";
}

TEST_F(GGameTaskTest, ACancelledDemolitionPutsTheBuildingBack) {
    auto shop = makeType("Shop1", GBuildingType::Commercial, 1);
    shop->Destroy.Resources[nameIdGold()] = 5;
    place->setType(shop.get(), false, false);
    place->setTemplateName(id("Shop1"));
    CRefHandle<GUniqUpgradeConfig> upgrade(new GUniqUpgradeConfig);
    upgrade->Name = id("Sign");
    upgrade->UniqUpGuestsBonus = 4;
    place->applyUniqueUpgrade(upgrade.get());
    headquarters->addResource(nameIdGold(), 5);

    CRefHandle<GGameTaskDestroy> task = CRefHandle<GGameTaskDestroy>::share(
        start(new GGameTaskDestroy(&level, place, emptyType.get()), GBuildingNode::TaskDestroy));
    EXPECT_FALSE(place->hasUniqueUpgrade(CName()));
    headquarters->arriveAll(place);
    step();
    step();
    step();
    ASSERT_EQ(task->getPhase(), GGameTaskDestroy::PhaseWorking);
    static_cast<void>(place->cancelTask());
    EXPECT_EQ(place->getType(), shop.get());
    EXPECT_EQ(place->getTemplateName(), id("Shop1"));
    EXPECT_TRUE(place->hasUniqueUpgrade(id("Sign")));
    EXPECT_EQ(place->getUpgradeGuestsBonus(), 4);
    EXPECT_EQ(place->getTaskKind(), GBuildingNode::TaskNone);
    EXPECT_NE(task->getProgressBar(), nullptr) << "the bar goes with the task";
    BaseProgressBarNode* bar = task->getProgressBar();
    EXPECT_EQ(bar->getParent(), place);
    headquarters->returnAll();
    EXPECT_EQ(headquarters->getResource(nameIdGold()), 5);
    task.reset();
    step();
    EXPECT_EQ(place->findChild(id("ProgressBarOverBuilding"), 1), nullptr);
}

TEST_F(GGameTaskTest, ARepairEndsWhenItsTimeIsReachedAndACancelBreaksThePlaceAgain) {
    auto shop = makeType("Shop1", GBuildingType::Commercial, 1);
    shop->Repair.Time = 3000;
    place->setType(shop.get(), false, false);

    auto* task = start(new GGameTaskRepair(&level, place, shop.get()), GBuildingNode::TaskRepair);
    EXPECT_EQ(text(task->getClassName()), "GGameTaskRepair");
    headquarters->arriveAll(place);
    step();
    step();
    ASSERT_EQ(task->getPhase(), GGameTaskServe::PhaseWorking);
    float highest = 0.0f;
    int updates = 0;
    while (task->getPhase() == GGameTaskServe::PhaseWorking && updates < 1000) {
        step();
        ++updates;
        if (task->getProgressBar())
            highest = std::max(highest, task->getProgressBar()->getValue());
    }
    EXPECT_EQ(updates, 100) << "elapsed reaches 3000 on the 100th";
    EXPECT_LT(highest, 1.0f) << "the bar never shows it full";
    EXPECT_FLOAT_EQ(task->getProgress(), 0.0f) << "elapsed is reset at the end";
    EXPECT_EQ(messages().back(), GBuildingRepairedMessage::TypeId);
    place->setTask(GBuildingNode::TaskNone, nullptr);
    step();

    // The start cleared the damage; a cancel on a place that cannot be
    // reached still breaks it again.
    place->setCanBeHit(true);
    place->setReachable(false);
    start(new GGameTaskRepair(&level, place, shop.get()), GBuildingNode::TaskRepair);
    static_cast<void>(place->cancelTask());
    EXPECT_EQ(place->getDamageState(), GBuildingNode::DamageBroken);
    EXPECT_EQ(place->getTaskKind(), GBuildingNode::TaskNone);
}

TEST_F(GGameTaskTest, ARestorePlaysItsAnimationAtTheBuildRateAndEndsBelowZero) {
    auto castle = makeType("Castle1", GBuildingType::Uniq, 1);
    castle->Build.Time = 4000;
    place->setType(castle.get(), false, false);
    modifiers().BuildTimeM = 2.0f;
    BaseNode* ruin = place->findChild(id("Ruin"), 1);
    ASSERT_NE(ruin, nullptr);
    auto* key = static_cast<KeyFrame*>(ruin->findState(id("Restoring"))->getKey(0));
    ASSERT_NE(key, nullptr);

    auto* task = start(new GGameTaskRestore(&level, place, castle.get()), GBuildingNode::TaskRepair);
    EXPECT_EQ(key->getKeys()[1].t, 2000) << "4000 ms at rate 2";
    ASSERT_NE(task->getProgressBar(), nullptr);
    EXPECT_TRUE(task->getProgressBar()->isVisible());
    headquarters->arriveAll(place);
    step(40);
    step(40);
    ASSERT_EQ(task->getPhase(), GGameTaskRestore::PhaseWorking);
    EXPECT_FLOAT_EQ(key->getSpeed(), 1.0f) << "the rate set at the start is the factor already";

    // 80 ms off per update of 40: exactly 0 after the 50th, the end on the
    // 51st.
    int updates = 0;
    while (task->getPhase() == GGameTaskRestore::PhaseWorking && updates < 1000) {
        step(40);
        ++updates;
        if (updates == 50) {
            EXPECT_FLOAT_EQ(task->getRemaining(), 0.0f);
        }
    }
    EXPECT_EQ(updates, 51);
    EXPECT_EQ(messages().back(), GBuildingRepairedMessage::TypeId);
    EXPECT_FLOAT_EQ(key->getSpeed(), 1.0f);
    EXPECT_EQ(task->getProgressBar(), nullptr);
}

TEST_F(GGameTaskTest, ARestoreTakesARateChangeOnce) {
    auto castle = makeType("Castle1", GBuildingType::Uniq, 1);
    castle->Build.Time = 4000;
    place->setType(castle.get(), false, false);
    modifiers().BuildTimeM = 2.0f;
    BaseNode* ruin = place->findChild(id("Ruin"), 1);
    auto* key = static_cast<KeyFrame*>(ruin->findState(id("Restoring"))->getKey(0));
    auto* task = start(new GGameTaskRestore(&level, place, castle.get()), GBuildingNode::TaskRepair);
    headquarters->arriveAll(place);
    step();
    step();
    step();
    modifiers().BuildTimeM = 0.5f;
    step();
    EXPECT_FLOAT_EQ(task->getRate(), 0.5f);
    EXPECT_FLOAT_EQ(key->getSpeed(), 0.5f);
    key->setSpeed(3.0f);
    step();
    EXPECT_FLOAT_EQ(key->getSpeed(), 3.0f) << "an unchanged factor is not applied again";
}

TEST_F(GGameTaskTest, ACancelledRestoreNeedsRestoringAgainWithItsUpgradesBack) {
    auto castle = makeType("Castle1", GBuildingType::Uniq, 1);
    place->setType(castle.get(), false, false);
    CRefHandle<GUniqUpgradeConfig> upgrade(new GUniqUpgradeConfig);
    upgrade->Name = id("Tower");
    upgrade->UniqUpIncomeBonus = 20;
    place->applyUniqueUpgrade(upgrade.get());
    place->setDamageState(GBuildingNode::DamageRestore, true);

    start(new GGameTaskRestore(&level, place, castle.get()), GBuildingNode::TaskRepair);
    EXPECT_FALSE(place->hasUniqueUpgrade(CName()));
    headquarters->arriveAll(place);
    step();
    step();
    static_cast<void>(place->cancelTask());
    EXPECT_EQ(place->getDamageState(), GBuildingNode::DamageRestore);
    EXPECT_TRUE(place->hasUniqueUpgrade(id("Tower")));
    EXPECT_EQ(place->getUpgradeIncomeBonus(), 20);
    EXPECT_EQ(place->getTaskKind(), GBuildingNode::TaskNone);
}

TEST_F(GGameTaskTest, ProductionCountsDownAtItsDeliveryFactorAndEndsOnlyBelowZero) {
    auto mill = makeType("Shop1", GBuildingType::Produce, 1);
    place->setType(mill.get(), false, false);
    modifiers().GoldDeliveryTimeM = 0.5f;
    modifiers().MaterialDeliveryTimeM = 2.0f;

    const struct {
        const char* what;
        const char* produced;
        int step;
    } cases[] = {
        {"gold at 0.5", "Gold", 15},
        {"materials at 2", "Materials", 60},
        {"wood at the plain rate", "Wood", 30},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CRefHandle<GProduceItemConfig> item(new GProduceItemConfig);
        item->Time = 100000;
        item->ProducedResources[id(c.produced)] = 3;
        auto* task = start(new GGameTaskProduceItem(&level, place, mill.get(), item.get()), GBuildingNode::TaskProduce);
        headquarters->arriveAll(place);
        step();
        step();
        step();
        EXPECT_EQ(task->getRemaining(), 100000 - c.step);
        static_cast<void>(place->cancelTask());
        step();
    }

    CRefHandle<GProduceItemConfig> item(new GProduceItemConfig);
    item->Time = 1000;
    item->Workers = 2;
    item->ProducedResources[nameIdMaterials()] = 8;
    modifiers().MaterialDeliveryTimeM = 1.0f;
    auto* task = start(new GGameTaskProduceItem(&level, place, mill.get(), item.get()), GBuildingNode::TaskProduce);
    headquarters->arriveAll(place);
    step(40);
    step(40);
    int updates = 0;
    while (task->getPhase() == GGameTaskProduceItem::PhaseWorking && updates < 100) {
        step(40);
        ++updates;
        if (updates == 25) {
            EXPECT_EQ(task->getRemaining(), 0);
        }
    }
    EXPECT_EQ(updates, 26) << "exactly 0 is not the end";
    EXPECT_EQ(messages().back(), GResourcesProducedMessage::TypeId);
    const auto* produced = static_cast<GResourcesProducedMessage*>(level.receiver->messages.back().get());
    EXPECT_EQ(produced->getProduced().find(nameIdMaterials())->value, 8);
    EXPECT_EQ(headquarters->carried(nameIdMaterials()), 8) << "the first worker carries the goods home";
}

TEST_F(GGameTaskTest, AProductionOfNoTimeFinishesAtOnce) {
    auto mill = makeType("Shop1", GBuildingType::Produce, 1);
    place->setType(mill.get(), false, false);
    CRefHandle<GProduceItemConfig> item(new GProduceItemConfig);
    item->Time = 0;
    item->ProducedResources[nameIdGold()] = 1;
    auto* task = start(new GGameTaskProduceItem(&level, place, mill.get(), item.get()), GBuildingNode::TaskProduce);
    EXPECT_FLOAT_EQ(task->getProgress(), 1.0f);
    headquarters->arriveAll(place);
    step();
    step();
    step();
    EXPECT_EQ(task->getPhase(), GGameTaskProduceItem::PhaseDone);
    EXPECT_EQ(messages().back(), GResourcesProducedMessage::TypeId);
}

TEST_F(GGameTaskTest, AFeatureTaskStartsItsOwnFeatureAndTakesTheStoreHome) {
    auto inn = makeType("Shop1", GBuildingType::Commercial, 1);
    for (int i = 0; i < 2; ++i) {
        CRefHandle<GActiveFeature> feature(GActiveFeature::create(CStringW(u"GoldPercent")));
        ASSERT_TRUE(feature);
        feature->Workers = 1 + i;
        feature->FeatureName = CName(i == 0 ? "Fair" : "Market");
        static_cast<void>(inn->ActiveFeatures->add(feature.get()));
    }
    place->setType(inn.get(), false, false);
    place->setTemplateName(id("Shop1"));
    place->getFeatures()->updateAll(10, true);
    ASSERT_EQ(place->getFeatures()->get(1)->getState(), GActiveFeature::Ready);
    place->addResource(nameIdGold(), 40);

    auto* task = start(new GGameTaskActiveFeature(&level, place, inn.get(), 1), GBuildingNode::TaskActiveFeature);
    EXPECT_TRUE(isPlaying("ButtonClick")) << "before any worker set off";
    EXPECT_EQ(task->getWorkersNeeded(), 2);
    ASSERT_NE(task->getMarker(), nullptr);
    headquarters->arriveAll(place);
    step();
    step();
    step();
    EXPECT_EQ(place->getFeatures()->get(1)->getState(), GActiveFeature::Active);
    EXPECT_EQ(place->getFeatures()->get(0)->getState(), GActiveFeature::Ready);
    EXPECT_EQ(place->getGold(), 0);
    EXPECT_EQ(headquarters->carried(nameIdGold()), 40);
    step();
    EXPECT_EQ(place->getTaskKind(), GBuildingNode::TaskNone) << "the task clears the place itself";
}

TEST_F(GGameTaskTest, ACancelledFeatureTaskLeavesALaterTaskAlone) {
    auto inn = makeType("Shop1", GBuildingType::Commercial, 1);
    place->setType(inn.get(), false, false);
    CRefHandle<GGameTaskActiveFeature> task = CRefHandle<GGameTaskActiveFeature>::share(
        start(new GGameTaskActiveFeature(&level, place, inn.get(), 5), GBuildingNode::TaskActiveFeature));
    EXPECT_EQ(task->getWorkersNeeded(), 1) << "an index out of range still sends one worker";
    static_cast<void>(place->cancelTask());
    EXPECT_EQ(place->getTaskKind(), GBuildingNode::TaskNone);

    CRefHandle<GProduceItemConfig> item(new GProduceItemConfig);
    auto* later = start(new GGameTaskProduceItem(&level, place, inn.get(), item.get()), GBuildingNode::TaskProduce);
    for (int i = 0; i < 4; ++i)
        step();
    EXPECT_EQ(place->getTask(), later);
    EXPECT_EQ(place->getTaskKind(), GBuildingNode::TaskProduce);
}

TEST(GGameTaskWalkTables, AWalkerGoingHomePicksItsTableByWhatItCarries) {
    const struct {
        const char* what;
        int materials;
        int gold;
        const char* left;
    } cases[] = {
        {"materials and gold", 5, 3, "MoveLeftWood"},
        {"gold only", 0, 3, "MoveLeftGold"},
        {"nothing", 0, 0, "MoveLeft"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CRefHandle<GWorkerNode> worker(new GWorkerNode(CObjectName(), nullptr, nullptr));
        worker->addResource(nameIdMaterials(), c.materials);
        worker->addResource(nameIdGold(), c.gold);
        worker->selectWalkAnimations();
        const CName* table = worker->getWalkAnimations();
        ASSERT_NE(table, nullptr);
        EXPECT_EQ(table[4], CName(c.left));
        EXPECT_EQ(table[8], table[0]) << "a full turn maps to the first entry";
    }
}
