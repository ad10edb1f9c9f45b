// The fixture level played through the real world: the level start, one
// house ordered through the headquarters and built by workers walking the
// grid, the daily income, a train standing at the station with its offers,
// and the three objectives groups to the level's end.

#include "tests/game/world/FixtureLevelRun.h"

#include "game/config/GWorldMessages.h"
#include "game/world/GHeadquartersOperations.h"
#include "game/world/GMajorOfficeNode.h"
#include "game/world/GOnRoadLocationNode.h"
#include "game/world/GRailRoadNode.h"
#include "game/world/GTrainNode.h"
#include "game/world/GWorkerNode.h"
#include "game/world/GDilizhansNode.h"
#include "game/world/GGertrudaNode.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

bool has(const std::vector<int>& ids, int id) { return std::find(ids.begin(), ids.end(), id) != ids.end(); }

template <class T> int countOf(const BaseNode* layer) {
    int count = 0;
    for (BaseNode* child : layer->getChildren())
        count += nodeCast<T>(child) ? 1 : 0;
    return count;
}

TEST(GGameLevelFixtureRun, AHouseATrainAndThreeGroupsToTheLevelsEnd) {
    FixtureLevelRun run;
    // A scripted station on the first place, under the railway.
    ASSERT_TRUE(run.start({{"Place1", "RailRoadStation1"}}));
    GGameLevelScene* scene = run.scene.get();
    auto* hq = nodeCast<GMajorOfficeNode>(scene->getHeadquarters());
    ASSERT_NE(hq, nullptr);

    // The start: workers, stagecoaches and the guide under the walker layer,
    // the train pool, the starting resources, group 1 started.
    const BaseNode* walkers = scene->getWalkerLayer();
    EXPECT_EQ(countOf<GWorkerNode>(walkers) - countOf<GDilizhansNode>(walkers) - countOf<GGertrudaNode>(walkers), 3);
    EXPECT_EQ(countOf<GDilizhansNode>(walkers), GGameLevelScene::StagecoachCount);
    EXPECT_EQ(countOf<GGertrudaNode>(walkers), GGameLevelScene::GuideCount);
    EXPECT_EQ(scene->getTrainPool().size(), uint32_t(GGameLevelScene::TrainPoolSize));
    EXPECT_EQ(hq->getMoney(), 50000);
    EXPECT_EQ(scene->getFreeWorkers(), 3);
    EXPECT_EQ(run.manager->ids(4096, 4098), std::vector<int>{4097});
    EXPECT_EQ(scene->getCurrentGroupIndex(), 0);

    GBuildingNode* station = run.place("Place1");
    ASSERT_NE(station->getRailRoad(), nullptr) << "the station stands at its railway";
    EXPECT_TRUE(station->getRailRoad()->isVisible());
    IGameLevel::Railway railway;
    ASSERT_TRUE(scene->getStationRailway(station, railway));
    EXPECT_EQ(railway.kind, GRailRoadNode::EntryLeft);
    EXPECT_EQ(railway.width, 544.0f);

    // The second group's fallen tree waits hidden.
    GBuildingNode* later = run.place("Location2");
    ASSERT_NE(later, nullptr);
    EXPECT_FALSE(later->isVisible());
    EXPECT_EQ(scene->getOnRoadLocationCount(), 1);

    // One house, ordered through the headquarters.
    GBuildingNode* house = run.place("Place2");
    GBuildingConfig* cottage = run.objects->findBuilding(CName("Apartment1"));
    ASSERT_NE(cottage, nullptr);
    EXPECT_TRUE(house->isReachable());
    EXPECT_TRUE(house->hasRequiredServices());
    EXPECT_TRUE(hq->isReachable());
    EXPECT_EQ(hq->getWorkersCount(), 3);
    EXPECT_TRUE(scene->canBuild(house, cottage));
    ASSERT_TRUE(startBuild(*hq, house, cottage));
    EXPECT_EQ(hq->getMoney(), 35000);
    run.clickField();

    // Its workers walk the road to it; the first train comes at once.
    ASSERT_TRUE(run.stepUntil([&] { return !house->getWorkers().empty(); }, 20000)) << "no worker arrived";
    auto* train = nodeCast<GTrainNode>(scene->getTrainPool()[0]);
    ASSERT_TRUE(run.stepUntil([&] { return scene->getTrainState(train) == GTrainNode::StateStanding; }, 10000));
    EXPECT_EQ(train->getStation(), station);
    IGameLevel::TrainOffer offer;
    EXPECT_TRUE(scene->getTrainOffer(train, 0, offer)) << "a standing train has its offers";
    EXPECT_GT(offer.amount, 0);
    ASSERT_TRUE(run.stepUntil([&] { return has(run.manager->all, GBuildingCompletedMessage::TypeId); }, 30000));
    EXPECT_EQ(house->getType(), cottage);
    EXPECT_EQ(house->getTaskKind(), GBuildingNode::TaskNone);
    EXPECT_EQ(run.manager->ids(4096, 4098), (std::vector<int>{4097, 4098, 4097}));
    EXPECT_EQ(scene->getCurrentGroupIndex(), 1);
    EXPECT_TRUE(later->isVisible()) << "the second group brings its tree";
    EXPECT_EQ(scene->getOnRoadLocationCount(), 2);
    EXPECT_EQ(scene->getLevelIncome(), 2500.0f);

    // The train stands its time and leaves; the station waits for the next.
    ASSERT_TRUE(run.stepUntil([&] { return train->getState() == GTrainNode::StateIdle; }, 30000));
    EXPECT_TRUE(station->getStandingTrains().empty());

    // The day ends: the income is paid and the second group is met.
    run.clickField();
    ASSERT_TRUE(run.stepUntil([&] { return has(run.manager->ids(), GIncomeCollectedMessage::TypeId); }, 70000));
    EXPECT_GE(hq->getMoney(), 37500);
    EXPECT_EQ(run.manager->ids(4096, 4098), (std::vector<int>{4097, 4098, 4097, 4098, 4097}));
    EXPECT_EQ(scene->getCurrentGroupIndex(), 2);

    // The next day meets the last group: 4098, then 4096, and nothing after.
    run.clickField();
    ASSERT_TRUE(run.stepUntil([&] { return has(run.manager->ids(), 4096); }, 70000));
    EXPECT_EQ(run.manager->ids(4096, 4098), (std::vector<int>{4097, 4098, 4097, 4098, 4097, 4098, 4096}));
    ASSERT_EQ(scene->getGroupResults()->size(), 3u);
    for (uint8_t result : *scene->getGroupResults())
        EXPECT_EQ(result, 1) << "every group was met in its time";
    run.step(70000);
    EXPECT_EQ(run.manager->ids(4096, 4098).size(), 7u) << "nothing is evaluated after the level's end";
    EXPECT_TRUE(scene->isGroupJustCompleted());
}

} // namespace

namespace {

// Two shops either side of a house on the fixture level: the first to claim
// the house serves it; the bonus counts once and goes into the level's
// income.
TEST(GGameLevelFixtureRun, ServiceBuildingsClaimTheirPlacesAndBonusesReachTheLevelsIncome) {
    FixtureLevelRun run;
    ASSERT_TRUE(run.start({{"Place1", "Shop1"}, {"Place2", "Apartment1"}, {"Place3", "Shop1"}}));
    GGameLevelScene* scene = run.scene.get();
    GBuildingNode* first = run.place("Place1");
    GBuildingNode* house = run.place("Place2");
    GBuildingNode* second = run.place("Place3");
    ASSERT_TRUE(first->isReachable() && house->isReachable() && second->isReachable());

    const CName shop("Shop");
    EXPECT_EQ(house->getProvider(GBuildingNode::ProvidesServeIncome, shop), first);
    EXPECT_EQ(house->getProvider(GBuildingNode::ProvidesIncomeBonus, shop), first);
    EXPECT_EQ(house->getIncomeBonusPercent(), 20) << "one area Name counts once";
    EXPECT_FLOAT_EQ(house->getIncome(), 3000.0f);
    // Only the provider earns from the house's guests.
    EXPECT_GT(first->getIncome(), second->getIncome());
    EXPECT_FLOAT_EQ(second->getIncome(), 1500.0f);
    EXPECT_FLOAT_EQ(scene->getLevelIncome(), house->getIncome() + first->getIncome() + second->getIncome());

    // The provider goes: the other shop may claim the house and serves it.
    first->releaseServedBuildings();
    second->claimServedBuildings();
    scene->recalculate();
    EXPECT_EQ(house->getProvider(GBuildingNode::ProvidesServeIncome, shop), second);
    EXPECT_FLOAT_EQ(first->getIncome(), 1500.0f);
    EXPECT_GT(second->getIncome(), 1500.0f);
    EXPECT_EQ(house->getIncomeBonusPercent(), 20);
}

// What the play screen asks of the level, answered from the real
// headquarters, places by the road and clock.
TEST(GGameLevelFixtureRun, ThePlayScreensQueriesReadTheRealLevel) {
    FixtureLevelRun run;
    ASSERT_TRUE(run.start());
    GGameLevelScene* scene = run.scene.get();
    auto* hq = nodeCast<GMajorOfficeNode>(scene->getHeadquarters());
    ASSERT_NE(hq, nullptr);
    IGameLevel& level = *scene;

    EXPECT_EQ(level.getObjectivesView(), &scene->getObjectiveLevel());
    EXPECT_EQ(level.getCurrentGroupIndex(), 0);
    EXPECT_FALSE(level.isGroupJustCompleted());
    EXPECT_EQ(level.getHappinessTotal(), 0);
    EXPECT_EQ(level.getFocusedBuilding(), nullptr);

    // The place by the road from the start; the second group's waits.
    ASSERT_EQ(level.getOnRoadLocationCount(), 1);
    BaseNode* tree = level.getOnRoadLocation(0);
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(tree->getName(), CName("Location1"));
    EXPECT_EQ(level.getOnRoadLocation(1), nullptr);
    EXPECT_EQ(level.getOnRoadLocation(-1), nullptr);
    run.clickField();
    ASSERT_TRUE(run.stepUntil([&] { return level.getOnRoadLocationState(tree) == 1; }, 10000));
    ASSERT_NE(level.getQuestCharacterText(tree), nullptr);
    EXPECT_EQ(level.getQuestCharacterTime(tree), 3000);
    EXPECT_EQ(level.getQuestCharacterText(hq), nullptr) << "not a place by the road";

    // The tree stands between the headquarters and the places behind it.
    CArray<BaseNode*> blocking;
    level.findBlockingLocations(run.place("Place4"), blocking);
    ASSERT_EQ(blocking.size(), 1u) << "listed once";
    EXPECT_EQ(blocking[0], tree);
    level.findBlockingLocations(run.place("Place2"), blocking);
    EXPECT_TRUE(blocking.empty());
    level.setOnRoadLocationImpending(tree, true);
    EXPECT_TRUE(nodeCast<GOnRoadLocationNode>(tree)->isImpending());
    level.setOnRoadLocationImpending(tree, false);
    EXPECT_FALSE(nodeCast<GOnRoadLocationNode>(tree)->isImpending());

    // The headquarters' checks and workers.
    GBuildingConfig* cottage = run.objects->findBuilding(CName("Apartment1"));
    EXPECT_TRUE(level.canBuild(run.place("Place2"), cottage));
    EXPECT_FALSE(level.canBuild(run.place("Place4"), cottage)) << "unreachable";
    EXPECT_FALSE(level.canBuild(nullptr, cottage));
    hq->addResource(CName("Money"), -hq->getMoney());
    EXPECT_FALSE(level.canBuild(run.place("Place2"), cottage)) << "no money";
    EXPECT_EQ(level.getFreeWorkers(), 3);
    EXPECT_EQ(level.getWorkerOrderTimeLeft(), -1);
    hq->setWorkerOrder(2, 5000);
    EXPECT_GE(level.getWorkerOrderTimeLeft(), 0);

    // The level clock runs with the level and takes the play screen's jump.
    run.step(1000);
    const int clock = level.getLevelClockMs();
    EXPECT_GE(clock, 1000);
    level.setLevelClockMs(clock + 60000);
    EXPECT_EQ(level.getLevelClockMs(), clock + 60000);

    // No train, no railway: nothing to read.
    IGameLevel::TrainOffer offer;
    IGameLevel::Railway railway;
    EXPECT_EQ(level.getTrainState(hq), 0);
    EXPECT_FALSE(level.trainHasOffers(hq, false));
    EXPECT_FALSE(level.getTrainOffer(hq, 0, offer));
    EXPECT_FALSE(level.getStationRailway(run.place("Place1"), railway));
}

} // namespace
