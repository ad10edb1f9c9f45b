// The fixture level played through the real world: the level start, one
// house ordered through the headquarters and built by workers walking the
// grid, the daily income, a train standing at the station with its offers,
// and the three objectives groups to the level's end.

#include "tests/game/world/FixtureLevelRun.h"

#include "game/config/GWorldMessages.h"
#include "game/world/GHeadquartersOperations.h"
#include "game/world/GMajorOfficeNode.h"
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
