#include "game/world/GWorkerNode.h"

#include "engine/core/CRefHandle.h"
#include "engine/core/CStringW.h"
#include "game/config/GBuildingConfig.h"
#include "game/config/GResources.h"
#include "game/world/GBuildingNode.h"
#include "game/world/GDilizhansNode.h"
#include "game/world/GGertrudaNode.h"
#include "game/world/GWorkerSpacing.h"
#include "tests/game/world/StandInLevel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Records every animation applied to it.
class RecordingWorker : public GWorkerNode {
public:
    RecordingWorker() : GWorkerNode(CObjectName(), nullptr, nullptr) { setBounds({20.0f, 40.0f, 0.0f}); }

    void applyStateRecursive(CName id, FallbackFunction fallback) override {
        animations.push_back(id.str().c_str());
        GWorkerNode::applyStateRecursive(id, fallback);
    }

    std::vector<std::string> animations;
};

// A place by the road, as far as workers tell one apart.
class StandInLocation : public GBuildingNode {
public:
    StandInLocation() : GBuildingNode(CObjectName(), nullptr, nullptr) {}
    [[nodiscard]] bool isKindOf(int32_t id) const override {
        return id == GWorkerNode::OnRoadLocationTypeId || GBuildingNode::isKindOf(id);
    }
};

CRefHandle<GBuildingNode> makePlace(float x, float y) {
    CRefHandle<GBuildingNode> place(new GBuildingNode(CObjectName(), nullptr, nullptr));
    place->setChosenArrivalPoint({x, y});
    return place;
}

CRefHandle<GWorkerConfig> makeRecord(int velocity, int minimum = 100, int maximum = 300) {
    CRefHandle<GWorkerConfig> record(new GWorkerConfig);
    record->Velocity = velocity;
    record->MinimumVelocity = minimum;
    record->MaximumVelocity = maximum;
    return record;
}

// A level with a headquarters at (100, 100) and a workplace at (400, 100).
struct WorkerLevel {
    StandInLevel level;
    CRefHandle<GBuildingNode> home = makePlace(100.0f, 100.0f);
    CRefHandle<GBuildingNode> work = makePlace(400.0f, 100.0f);

    WorkerLevel() {
        level.headquarters = home.get();
        home->setLevelScene(&level);
        work->setLevelScene(&level);
    }

    CRefHandle<RecordingWorker> worker() {
        CRefHandle<RecordingWorker> w(new RecordingWorker);
        w->setLevelScene(&level);
        return w;
    }
};

// Runs `worker` until it stops walking (at most `limit` updates of 30 ms).
void walkToEnd(GWorkerNode* worker, int limit = 200) {
    for (int i = 0; i < limit && worker->isWalking(); ++i)
        (void)worker->update(30);
}

} // namespace

TEST(GWorkerNode, AnswersItsKindsAndClampsItsSpeedToItsRecord) {
    CRefHandle<RecordingWorker> worker(new RecordingWorker);
    EXPECT_TRUE(worker->isKindOf(2062));
    EXPECT_TRUE(worker->isKindOf(GCharacterNode::TypeId));
    EXPECT_TRUE(worker->isKindOf(GObjectNode::TypeId));
    EXPECT_FALSE(worker->isKindOf(2064));
    EXPECT_EQ(worker->getSpeed(), 260) << "the default record's Velocity";

    const struct {
        int velocity, minimum, maximum, speed, countedVelocity;
    } cases[] = {
        {400, 100, 300, 300, 400}, {50, 100, 300, 100, 50}, {260, 100, 300, 260, 260},
        {0, 100, 300, 100, 1},     {-20, 0, 300, 0, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.velocity);
        auto record = makeRecord(c.velocity, c.minimum, c.maximum);
        worker->setWorkerConfig(record.get());
        EXPECT_EQ(worker->getSpeed(), c.speed);
        EXPECT_EQ(worker->getVelocity(), c.countedVelocity) << "a Velocity of 0 or below counts as 1";
    }
    worker->setWorkerConfig(nullptr);
    EXPECT_EQ(worker->getVelocity(), 1) << "a null record is ignored";
}

TEST(GWorkerNode, AQueuedWorkerLeavesOnceTheOneBeforeItIsOneAndAHalfWidthsAway) {
    // Width 20: released past 30 units, (ms x Velocity) / 1024 in whole
    // units.
    const struct {
        const char* what;
        int sinceLeft;
        int leaverVelocity;
        bool released;
    } cases[] = {
        {"30 units and a bit", 122, 260, false},
        {"31 units", 123, 260, true},
        {"two and a half hours (past 32 bits)", 9000000, 260, true},
        {"a day", 86400000, 300, true},
        {"Velocity 0 counts as 1: 30 units", 31743, 0, false},
        {"Velocity 0 counts as 1: 31 units", 31744, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WorkerLevel fixture;
        auto worker = fixture.worker();
        worker->setTarget(fixture.home.get());
        worker->sendTo(fixture.work.get(), false);
        EXPECT_EQ(worker->getSource(), fixture.home.get());
        EXPECT_EQ(worker->getJobState(), GWorkerNode::JobQueued);
        fixture.home->onWorkerLeft(worker.get());
        for (int left = c.sinceLeft; left > 0; left -= 1000000)
            (void)fixture.home->update(uint32_t(std::min(left, 1000000)));
        ASSERT_EQ(fixture.home->getTimeSinceWorkerLeft(), c.sinceLeft);
        fixture.home->setLeaverVelocity(c.leaverVelocity);
        (void)worker->update(0);
        EXPECT_EQ(worker->getJobState(), c.released ? GWorkerNode::JobToWork : GWorkerNode::JobQueued);
        EXPECT_EQ(worker->isVisible(), c.released);
        EXPECT_EQ(worker->isWalking(), c.released);
    }
}

TEST(GWorkerNode, TwoWorkersLeavingTheHeadquartersSetOffApart) {
    WorkerLevel fixture;
    auto first = fixture.worker();
    auto second = fixture.worker();
    for (GWorkerNode* w : {first.get(), second.get()}) {
        w->setTarget(fixture.home.get());
        w->sendTo(fixture.work.get(), false);
    }
    EXPECT_EQ(fixture.work->getIncomingWorkersCount(), 2);
    int secondLeftAt = -1;
    for (int tick = 1; tick <= 10 && secondLeftAt < 0; ++tick) {
        (void)fixture.home->update(30);
        (void)first->update(30);
        (void)second->update(30);
        if (tick == 1) {
            EXPECT_EQ(first->getJobState(), GWorkerNode::JobToWork) << "nobody left before it";
            EXPECT_EQ(fixture.home->getLeaverVelocity(), 260);
        }
        if (second->getJobState() == GWorkerNode::JobToWork)
            secondLeftAt = tick;
    }
    // 120 ms x 260 / 1024 = 30 units is not past 30; 150 ms gives 38.
    EXPECT_EQ(secondLeftAt, 6);
    auto& ids = fixture.level.receiver->messages;
    ASSERT_EQ(ids.size(), 2u) << "each worker's leaving is told";
}

TEST(GWorkerNode, AWorkerWalksToWorkArrivesAndGoesHomeToIdle) {
    WorkerLevel fixture;
    auto hasty = fixture.worker();
    hasty->sendTo(fixture.work.get(), false);
    EXPECT_EQ(hasty->getSource(), nullptr) << "no previous target";
    (void)hasty->update(30);
    EXPECT_FALSE(hasty->isWalking()) << "nowhere to leave from: it arrives at once";
    EXPECT_EQ(hasty->getJobState(), GWorkerNode::JobWorking);
    EXPECT_EQ(fixture.work->getWorkersCount(), 1);

    auto worker = fixture.worker();
    worker->setPosition({100.0f, 100.0f, 0.0f});
    worker->sendTo(fixture.work.get(), true);
    (void)worker->update(30);
    ASSERT_TRUE(worker->isWalking()) << "from where it stands";
    EXPECT_EQ(worker->getJobState(), GWorkerNode::JobToWork);
    walkToEnd(worker.get());
    EXPECT_EQ(worker->getJobState(), GWorkerNode::JobWorking);
    EXPECT_EQ(fixture.work->getWorkersCount(), 2) << "the target heard of the arrival";
    (void)fixture.work->update(30);
    EXPECT_FALSE(worker->getFromCurrentPosition());

    // The place lets its workers go home from its arrival point: the first
    // sets off at once, the second once the first is far enough.
    fixture.work->releaseWorkers(false);
    EXPECT_EQ(worker->getTarget(), fixture.home.get());
    EXPECT_EQ(worker->getSource(), fixture.work.get());
    EXPECT_EQ(hasty->getJobState(), GWorkerNode::JobToHome) << "returnHome sets off at once";
    EXPECT_EQ(worker->getJobState(), GWorkerNode::JobQueued);
    EXPECT_EQ(fixture.work->getTimeSinceWorkerLeft(), 0) << "the place heard the first leave";
    for (int i = 0; i < 200 && (hasty->getJobState() != GWorkerNode::JobIdle || worker->isWalking() ||
                                worker->getJobState() != GWorkerNode::JobIdle);
         ++i) {
        (void)fixture.work->update(30);
        (void)hasty->update(30);
        (void)worker->update(30);
    }
    EXPECT_EQ(worker->getJobState(), GWorkerNode::JobIdle);
    EXPECT_EQ(fixture.home->getWorkersCount(), 2);
    EXPECT_NEAR(worker->getPosition().x, 100.0f, 0.01f);
}

TEST(GWorkerNode, RetargetKeepsTheSourceOfAQueuedWorkerOnly) {
    WorkerLevel fixture;
    auto other = makePlace(250.0f, 300.0f);
    auto worker = fixture.worker();
    worker->setTarget(fixture.home.get());
    worker->sendTo(fixture.work.get(), false);
    worker->retarget(other.get(), false);
    EXPECT_EQ(worker->getSource(), fixture.home.get());
    EXPECT_EQ(worker->getTarget(), other.get());
    EXPECT_EQ(fixture.work->getIncomingWorkersCount(), 0);
    EXPECT_EQ(other->getIncomingWorkersCount(), 1);
    worker->retarget(nullptr, false);
    EXPECT_EQ(worker->getTarget(), other.get()) << "a null target changes nothing";

    worker->setJobState(GWorkerNode::JobWorking);
    worker->retarget(fixture.work.get(), false);
    EXPECT_EQ(worker->getSource(), other.get()) << "not queued: sent from its previous target";
    EXPECT_EQ(worker->getJobState(), GWorkerNode::JobQueued);
}

TEST(GWorkerNode, WalkTablesFollowTheLoad) {
    const struct {
        int materials, gold;
        const char* right;
    } cases[] = {{5, 0, "MoveRightWood"}, {0, 3, "MoveRightGold"}, {2, 2, "MoveRightWood"}, {0, 0, "MoveRight"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.right);
        WorkerLevel fixture;
        auto worker = fixture.worker();
        worker->addResource(nameIdMaterials(), c.materials);
        worker->addResource(nameIdGold(), c.gold);
        ASSERT_TRUE(worker->moveTo({0.0f, 0.0f}, {100.0f, 0.0f}, false));
        EXPECT_EQ(worker->getCurrentAnimation(), CName(c.right));
    }
    CRefHandle<GGertrudaNode> guide(new GGertrudaNode(CObjectName(), nullptr, nullptr));
    guide->addResource(nameIdMaterials(), 5);
    guide->selectWalkAnimations();
    EXPECT_EQ(guide->getWalkAnimations()[0], CName("MoveRight")) << "the guide shows no load";
}

TEST(GWorkerNode, AtAPlaceByTheRoadTheWorkerTurnsToItsWorkPoint) {
    // The work point is (0, 0); the arrival point sits on the other side.
    const struct {
        CVector2d arrival;
        const char* typed;
        const char* guide;
    } cases[] = {
        {{10.0f, 0.0f}, "ChopLeft", "WorkLeftTalk"},     {{-10.0f, 0.0f}, "ChopRight", "WorkRightTalk"},
        {{0.0f, 10.0f}, "ChopUp", "WorkUpTalk"},         {{0.0f, -10.0f}, "ChopDown", "WorkDownTalk"},
        {{10.0f, 10.0f}, "ChopUp", "WorkUpTalk"},        {{-10.0f, -10.0f}, "ChopDown", "WorkDownTalk"},
        {{-10.0f, 10.0f}, "ChopRight", "WorkRightTalk"}, {{10.0f, -10.0f}, "ChopLeft", "WorkLeftTalk"},
    };
    CRefHandle<GBuildingConfig> chopping(new GBuildingConfig);
    chopping->WorkerWorkStates.clear();
    for (const char* name : {"ChopLeft", "ChopRight", "ChopUp", "ChopDown"})
        chopping->WorkerWorkStates.push_back(CName(name));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        WorkerLevel fixture;
        CRefHandle<StandInLocation> location(new StandInLocation);
        location->setLevelScene(&fixture.level);
        location->setChosenArrivalPoint(c.arrival);
        auto worker = fixture.worker();
        worker->sendTo(location.get(), false);
        (void)worker->update(0);
        EXPECT_EQ(worker->getJobState(), GWorkerNode::JobWorking);
        ASSERT_FALSE(worker->animations.empty());
        EXPECT_EQ(worker->animations.back(), "Stand") << "a new place's record fills its table with Stand";

        location->setType(chopping.get(), false, false);
        worker->faceWorkplace(location.get());
        EXPECT_EQ(worker->animations.back(), c.typed);

        CRefHandle<GGertrudaNode> guide(new GGertrudaNode(CObjectName(), nullptr, nullptr));
        const CArray<CName>& talk = guide->getWorkAnimations(location.get());
        ASSERT_EQ(talk.size(), 4u);
        EXPECT_EQ(talk[uint32_t(GWorkerNode::workTableIndex(
                      GCharacterNode::directionSector(location->getLookPoint() - location->getArrivalPoint())))],
                  CName(c.guide));
    }
    // Without a place the standard table.
    const CArray<CName>& standard = CRefHandle<RecordingWorker>(new RecordingWorker)->getWorkAnimations(nullptr);
    ASSERT_EQ(standard.size(), 4u);
    EXPECT_EQ(standard[0], CName("WorkLeft"));
    EXPECT_EQ(standard[3], CName("WorkDown"));
    // An ordinary building: no turn, straight to work.
    WorkerLevel fixture;
    auto worker = fixture.worker();
    worker->sendTo(fixture.work.get(), false);
    (void)worker->update(0);
    EXPECT_EQ(worker->getJobState(), GWorkerNode::JobWorking);
    EXPECT_TRUE(worker->animations.empty());
}

TEST(GWorkerSpacing, OverlappingWalkersGoingOneWaySpreadTheirSpeeds) {
    // Walkers start at x (all overlapping when close), heading right unless
    // `left`, with `points` path points left.
    struct Walker {
        float x;
        int points;
        bool left = false;
        int state = GWorkerNode::JobToWork;
    };
    const struct {
        const char* what;
        std::vector<Walker> walkers;
        std::vector<int> speeds;
    } cases[] = {
        {"three in a bunch: the one nearest its goal fastest", {{0.0f, 5}, {5.0f, 2}, {10.0f, 3}}, {100, 300, 200}},
        {"a lone walker keeps its own Velocity", {{0.0f, 5}, {500.0f, 2}}, {260, 260}},
        {"opposite ways do not bunch", {{0.0f, 5}, {5.0f, 2, true}}, {260, 260}},
        {"a chain of overlaps is one bunch", {{0.0f, 4}, {15.0f, 3}, {30.0f, 2}, {45.0f, 5}}, {168, 234, 300, 102}},
        {"a worker at work is left alone", {{0.0f, 5}, {5.0f, 2, false, GWorkerNode::JobWorking}}, {260, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WorkerLevel fixture;
        CRefHandle<GWorkerSpacing> spacing(new GWorkerSpacing);
        std::vector<CRefHandle<RecordingWorker>> workers;
        for (const Walker& walker : c.walkers) {
            auto worker = fixture.worker();
            CArray<CVector2d> path;
            for (int i = 0; i < walker.points; ++i)
                path.push_back({walker.x + (walker.left ? -100.0f : 100.0f) * float(i), 50.0f});
            worker->selectWalkAnimations();
            ASSERT_TRUE(worker->setPath(path, false));
            worker->setJobState(walker.state);
            worker->setSpeed(0);
            spacing->addWorker(worker.get());
            workers.push_back(worker);
        }
        spacing->addWorker(workers[0].get());
        EXPECT_EQ(spacing->getWorkers().size(), c.walkers.size()) << "listed once";
        spacing->update(30);
        EXPECT_EQ(workers[0]->getSpeed(), 100) << "the first update only counts down";
        spacing->update(30);
        for (size_t i = 0; i < workers.size(); ++i) {
            const int expected = c.speeds[i] == 0 ? 100 : c.speeds[i];
            EXPECT_EQ(workers[i]->getSpeed(), expected) << "walker " << i;
        }
        EXPECT_EQ(spacing->getCountdown(), GWorkerSpacing::DefaultPeriod);
    }
}

TEST(GWorkerNode, FactoryNodesAndCopiesKeepTheirClassJobAndRecord) {
    const struct {
        BaseNode* (*create)(const CObjectName&);
        const char16_t* name;
        int32_t typeId;
    } classes[] = {
        {&GWorkerNode::create, u"GWorkerNode", 2062},
        {&GGertrudaNode::create, u"GGertrudaNode", 2063},
        {&GDilizhansNode::create, u"GDilizhansNode", 2064},
    };
    WorkerLevel fixture;
    auto record = makeRecord(280, 100, 300);
    for (const auto& c : classes) {
        SCOPED_TRACE(c.typeId);
        CRefHandle<BaseNode> node(c.create(CObjectName()));
        ASSERT_TRUE(node);
        EXPECT_EQ(node->getTypeId(), c.typeId);
        EXPECT_EQ(node->getTypeName(), CStringW(c.name));
        EXPECT_EQ(node->getClassName(), CStringW(c.name));
        auto* worker = nodeCast<GWorkerNode>(node.get());
        ASSERT_NE(worker, nullptr);
        worker->setWorkerConfig(record.get());
        worker->setTarget(fixture.home.get());
        worker->sendTo(fixture.work.get(), false);
        CRefHandle<BaseNode> copy(node->clone(nullptr, nullptr));
        ASSERT_EQ(copy->getTypeId(), c.typeId);
        auto* twin = nodeCast<GWorkerNode>(copy.get());
        EXPECT_EQ(twin->getSource(), fixture.home.get());
        EXPECT_EQ(twin->getTarget(), fixture.work.get());
        EXPECT_EQ(twin->getJobState(), GWorkerNode::JobQueued);
        EXPECT_EQ(twin->getWorkerConfig(), record.get()) << "the record is shared";
        EXPECT_EQ(twin->getSpeed(), 280);
    }
}
