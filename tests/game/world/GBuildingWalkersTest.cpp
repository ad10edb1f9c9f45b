// What a building place keeps track of: walkers on their way and present,
// stagecoaches and the guide, sending them home, its reachability and the
// random resource piles it makes, attaches and lets go on their timers.

#include "engine/core/CRefHandle.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/scene/CEventNodeStateCompleted.h"
#include "engine/scene/SceneManager.h"
#include "engine/scene/TemplateCollectionNode.h"
#include "game/config/GWorldMessages.h"
#include "game/config/ObjectsConfiguration.h"
#include "game/world/GBuildingNode.h"
#include "game/world/IBuildingWalker.h"
#include "game/world/IStationTrain.h"
#include "tests/game/world/StandInLevel.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

namespace {

// A walker of the kind `typeId` (worker 2062, guide 2063, stagecoach 2064)
// that notes what the place asks of it.
class StandInWalker : public GObjectNode, public IBuildingWalker {
public:
    explicit StandInWalker(int32_t typeId) : GObjectNode(CObjectName(), nullptr, nullptr), m_typeId(typeId) {}

    [[nodiscard]] int32_t getTypeId() const override { return m_typeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == m_typeId || GObjectNode::isKindOf(id); }

    void setCarrier(BaseNode* stagecoach) override { carrier = stagecoach; }
    int getPassengerCount() const override { return int(passengers.size()); }
    BaseNode* getPassenger(int index) const override { return passengers[size_t(index)]; }
    void addPassenger(BaseNode* worker) override { passengers.push_back(worker); }
    void clearPassengers() override { passengers.clear(); }
    void setCarriesMaterials(bool carries) override { carriesMaterials = carries; }
    void returnHome(bool fromCurrentPosition) override { homeCalls.push_back(fromCurrentPosition); }
    int getVelocity() const override { return velocity; }

    BaseNode* carrier = nullptr;
    std::vector<BaseNode*> passengers;
    bool carriesMaterials = true;
    std::vector<bool> homeCalls;
    int velocity = 260;

protected:
    ~StandInWalker() override = default;

private:
    int32_t m_typeId;
};

constexpr int32_t kWorker = 2062;

CRefHandle<StandInWalker> walker(int32_t typeId = kWorker) {
    return CRefHandle<StandInWalker>(new StandInWalker(typeId));
}

struct Place {
    StandInLevel level;
    CRefHandle<GBuildingNode> place{new GBuildingNode(CObjectName(), nullptr, nullptr)};
    Place() { place->setLevelScene(&level); }
};

} // namespace

TEST(GBuildingWalkers, AStagecoachBringsItsRidersAsWorkersPresent) {
    Place p;
    auto coach = walker(GBuildingNode::StagecoachTypeId);
    auto guide = walker(GBuildingNode::GuideTypeId);
    std::vector<CRefHandle<StandInWalker>> riders;
    for (int i = 0; i < 5; ++i) {
        riders.push_back(walker());
        coach->addPassenger(riders.back().get());
    }
    p.place->addIncomingWorker(coach.get());
    p.place->addIncomingWorker(guide.get());
    p.place->onWorkerArrived(coach.get());
    p.place->onWorkerArrived(guide.get());
    EXPECT_EQ(p.place->getWorkersCount(), 5);
    EXPECT_EQ(p.place->getStagecoaches().size(), 1u);
    EXPECT_EQ(p.place->getGuides().size(), 1u);
    EXPECT_TRUE(coach->passengers.empty()) << "the riders got off";
    EXPECT_FALSE(coach->isVisible());
    EXPECT_EQ(p.level.receiver->ids(),
              (std::vector<int>{GWorkerArrivedMessage::TypeId, GWorkerArrivedMessage::TypeId}));

    coach->velocity = 410;
    p.place->onWorkerLeft(coach.get());
    EXPECT_EQ(p.place->getLeaverVelocity(), 410);
    EXPECT_EQ(p.place->getTimeSinceWorkerLeft(), 0);
}

TEST(GBuildingWalkers, ReleasedWorkersRideHomeInTheFirstStagecoach) {
    Place p;
    auto coach = walker(GBuildingNode::StagecoachTypeId);
    auto second = walker(GBuildingNode::StagecoachTypeId);
    auto a = walker();
    auto b = walker();
    auto late = walker();
    for (StandInWalker* w : {coach.get(), second.get(), a.get(), b.get(), late.get()})
        p.place->addIncomingWorker(w);
    for (StandInWalker* w : {coach.get(), second.get(), a.get(), b.get()})
        p.place->onWorkerArrived(w);
    a->addResource(nameIdMaterials(), 5);
    late->addResource(nameIdGold(), 2);
    late->setCarrier(second.get());

    p.place->releaseWorkers(true);
    EXPECT_EQ(coach->passengers, (std::vector<BaseNode*>{a.get(), b.get()}));
    EXPECT_EQ(a->carrier, coach.get());
    EXPECT_TRUE(a->homeCalls.empty()) << "riders do not walk";
    EXPECT_FALSE(a->isVisible());
    EXPECT_EQ(a->getResource(nameIdMaterials()), 0) << "carried loads dropped";
    EXPECT_EQ(coach->homeCalls, std::vector<bool>{false}) << "sent home from this place";
    EXPECT_EQ(second->homeCalls, std::vector<bool>{false});
    EXPECT_EQ(late->homeCalls, std::vector<bool>{true}) << "on its way: home from where it is";
    EXPECT_EQ(late->carrier, nullptr);
    EXPECT_EQ(late->getResource(nameIdGold()), 0);
    EXPECT_EQ(p.place->getWorkersCount(), 0);
    EXPECT_EQ(p.place->getIncomingWorkersCount(), 0);
    EXPECT_TRUE(p.place->getStagecoaches().empty());
}

TEST(GBuildingWalkers, AFinishedJobHandsItsOutputToTheFirstBearer) {
    GResourceMap output;
    output[nameIdGold()] = 7;
    const struct {
        const char* what;
        bool coach;
        int workers;
        bool guide;
        int coachGold;
        int firstWorkerGold;
    } cases[] = {
        {"workers walk home, the first carries it", false, 2, false, 0, 7},
        {"the stagecoach carries it", true, 2, false, 7, 0},
        {"only walkers on their way: nobody gets it", false, 0, false, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Place p;
        auto coach = walker(GBuildingNode::StagecoachTypeId);
        auto coming = walker();
        std::vector<CRefHandle<StandInWalker>> workers;
        if (c.coach) {
            p.place->addIncomingWorker(coach.get());
            p.place->onWorkerArrived(coach.get());
        }
        for (int i = 0; i < c.workers; ++i) {
            workers.push_back(walker());
            workers.back()->addResource(nameIdMaterials(), 3);
            p.place->addIncomingWorker(workers.back().get());
            p.place->onWorkerArrived(workers.back().get());
        }
        p.place->addIncomingWorker(coming.get());
        p.place->releaseWorkersWithResources(output);
        EXPECT_EQ(coach->getResource(nameIdGold()), c.coachGold);
        if (!workers.empty()) {
            EXPECT_EQ(workers[0]->getResource(nameIdGold()), c.firstWorkerGold);
            EXPECT_EQ(workers[0]->getResource(nameIdMaterials()), 0);
            EXPECT_FALSE(workers[0]->carriesMaterials) << "its load is income";
            EXPECT_EQ(workers[1]->getResource(nameIdGold()), 0);
            EXPECT_EQ(workers[1]->homeCalls.size(), c.coach ? 0u : 1u);
        }
        EXPECT_EQ(coming->homeCalls, std::vector<bool>{true});
        EXPECT_EQ(coming->getResource(nameIdGold()), 0);
    }
}

namespace {

// A place made from a template with two arrival points 100 apart.
struct ReachScene {
    StandInLevel level;
    CRefHandle<SceneManager> manager{new SceneManager(CObjectName(), nullptr, nullptr)};
    CRefHandle<TemplateCollectionNode> templates{new TemplateCollectionNode(CObjectName(), nullptr, nullptr)};
    CRefHandle<GBuildingNode> headquarters{new GBuildingNode(CObjectName(), nullptr, nullptr)};
    CRefHandle<GBuildingNode> place;

    ReachScene() {
        auto* marker = new BaseNode(CObjectName(), templates.get(), nullptr);
        marker->setName(CName("UnreachableMarker"));
        marker->release();
        auto* house = new BaseNode(CObjectName(), templates.get(), nullptr);
        house->setName(CName("House1"));
        house->setBounds(CVector3d(100.0f, 80.0f, 0.0f));
        house->release();
        for (float x : {0.0f, 100.0f}) {
            auto* point = new BaseNode(CObjectName(), house, nullptr);
            point->setName(CName("WorkerArrivalPosition"));
            point->setPosition(CVector3d(x, 50.0f, 0.0f));
            point->release();
        }
        templates->onLoaded();
        manager->setTemplateCollection(templates.get());
        headquarters->setChosenArrivalPoint(CVector2d(250.0f, 400.0f));
        level.headquarters = headquarters.get();
        place.reset(new GBuildingNode(CObjectName(), nullptr, manager.get()));
        place->setPosition(CVector3d(200.0f, 100.0f, 0.0f));
        place->setLevelScene(&level);
        place->setTemplateName(CName("House1"));
    }
};

} // namespace

TEST(GBuildingWalkers, ThePlaceIsReachedAtItsNearestArrivalPoint) {
    ReachScene scene;
    GBuildingNode& place = *scene.place;
    ASSERT_EQ(place.getArrivalPoints().size(), 2u);
    EXPECT_TRUE(place.isReachable());
    EXPECT_FLOAT_EQ(place.getArrivalPoint().x, 200.0f) << "equal lengths: the first point";
    ASSERT_NE(place.getUnreachableMarker(), nullptr);
    EXPECT_FALSE(place.getUnreachableMarker()->isVisible());

    scene.headquarters->setChosenArrivalPoint(CVector2d(320.0f, 400.0f));
    place.updateReachability();
    EXPECT_FLOAT_EQ(place.getArrivalPoint().x, 300.0f) << "the nearer one";

    scene.level.unreachable = true;
    place.updateReachability();
    EXPECT_FALSE(place.isReachable());
    EXPECT_TRUE(place.getUnreachableMarker()->isVisible());
    EXPECT_FLOAT_EQ(place.getArrivalPoint().x, 300.0f) << "the chosen point stays";
}

namespace {

// A pile of resources: its work state is the test's.
class StandInPile : public GBuildingNode {
public:
    StandInPile() : GBuildingNode(CObjectName(), nullptr, nullptr) {}
    [[nodiscard]] int32_t getTypeId() const override { return OnRoadLocationTypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override {
        return id == OnRoadLocationTypeId || GBuildingNode::isKindOf(id);
    }
    int getWorkState() const override { return workState; }
    void startAppear() override { ++appears; }
    void showNormal() override { ++normals; }

    int workState = WorkAvailable;
    int appears = 0;
    int normals = 0;

protected:
    ~StandInPile() override = default;
};

// A producing building whose piles are stand-ins.
class PileMaker : public GBuildingNode {
public:
    PileMaker() : GBuildingNode(CObjectName(), nullptr, nullptr) {}
    std::vector<StandInPile*> made;

protected:
    ~PileMaker() override = default;
    GBuildingNode* createRandomResourceNode(BaseNode* parent) override {
        CRefHandle<StandInPile> pile(new StandInPile);
        parent->addChild(pile.get());
        made.push_back(pile.get());
        return pile.get();
    }
};

struct PileScene {
    StandInLevel level;
    CRefHandle<BaseNode> locations{new BaseNode(CObjectName(), nullptr, nullptr)};
    CRefHandle<PileMaker> mill{new PileMaker};
    CRefHandle<GBuildingConfig> type = makeBuildingType("LumberMill1", GBuildingType::Produce, 1);

    PileScene() {
        const std::string_view objects = R"(<ObjectsConfiguration>
            <Building><Name Value="GoldPile"/><Type Value="OnRoad"/><Level Value="1"/></Building>
            </ObjectsConfiguration>)";
        CRefHandle<CXmlStreamReader> reader(new CXmlStreamReader(objects.data(), objects.size()));
        EXPECT_TRUE(level.objects->readFromXml(*reader));
        level.onRoadLocations = locations.get();
        type->RandomResource.TimeRange = {1000, 1000};
        type->RandomResource.Template = CName("GoldPile");
        type->RandomResource.GoldRange = {3, 3};
        type->RandomResource.MoneyRange = {5, 5};
        mill->setLevelScene(&level);
        mill->setType(type.get(), false, false);
        mill->setReachable(true);
        mill->setRequiredServices(true);
    }
    void run(int ms) {
        for (int t = 0; t < ms; t += 50)
            EXPECT_TRUE(mill->update(50));
    }
};

} // namespace

TEST(GBuildingWalkers, RandomResourcesAppearAttachAndExpireOnTheirTimers) {
    PileScene scene;
    PileMaker& mill = *scene.mill;
    scene.run(50);
    EXPECT_EQ(mill.getRandomResourceInterval(), 1000) << "the first overrun only draws the interval";
    EXPECT_TRUE(mill.made.empty());
    scene.run(1000);
    EXPECT_TRUE(mill.made.empty()) << "1000 is not above the interval";
    scene.run(50);
    ASSERT_EQ(mill.made.size(), 1u);

    StandInPile* pile = mill.made[0];
    const CRefHandle<StandInPile> held = CRefHandle<StandInPile>::share(pile);
    EXPECT_EQ(pile->getParent(), scene.locations.get());
    EXPECT_EQ(pile->getName(), CName("RandomResource"));
    ASSERT_NE(pile->getType(), nullptr);
    EXPECT_EQ(pile->getType()->Name, CName("GoldPile"));
    EXPECT_EQ(pile->getGold(), 3);
    EXPECT_EQ(pile->getMoney(), 5);
    EXPECT_EQ(pile->getResource(nameIdMaterials()), 0) << "a range of 0 adds nothing";
    EXPECT_EQ(pile->appears, 1) << "it appears, animated";
    EXPECT_NE(pile->findChild(CName("WorkerArrivalPosition"), 1), nullptr);
    EXPECT_EQ(mill.getRandomResourceTimer(), 0);
    auto& messages = scene.level.receiver->messages;
    ASSERT_EQ(messages.size(), 1u);
    auto* appeared = static_cast<GRandomResourceAppearedMessage*>(messages[0].get());
    ASSERT_EQ(appeared->getType(), GRandomResourceAppearedMessage::TypeId);
    EXPECT_EQ(appeared->getBuilding<GBuildingNode>(), &mill);
    EXPECT_EQ(appeared->getPileType(), CName("GoldPile"));

    scene.run(3000);
    EXPECT_EQ(mill.made.size(), 1u) << "one pile at a time";

    // Collected: done once its work state says so, gone 30 s after its
    // last worker left.
    pile->workState = GBuildingNode::WorkDone;
    CRefHandle<StandInWalker> worker = walker();
    pile->onWorkerLeft(worker.get());
    scene.run(50);
    ASSERT_EQ(mill.getRandomResourcesDone().size(), 1u);
    EXPECT_TRUE(mill.getRandomResources().empty() || mill.getRandomResources()[0].get() != pile);
    EXPECT_TRUE(pile->update(30000));
    scene.run(50);
    EXPECT_EQ(mill.getRandomResourcesDone().size(), 1u) << "30000 ms: it stays";
    EXPECT_TRUE(pile->update(1));
    scene.run(50);
    EXPECT_TRUE(mill.getRandomResourcesDone().empty()) << "30001 ms: it goes";
    EXPECT_EQ(mill.made.size(), 2u) << "with the first one collected, the next may appear";
    EXPECT_EQ(held->getParent(), nullptr) << "taken out of the level";
    scene.level.receiver->messages.clear();
    EXPECT_EQ(held->referenceCount(), 1) << "only the test holds it now";
}

TEST(GBuildingWalkers, NoPilesWhileBusyPausedOrWithoutTheLevelsNode) {
    const struct {
        const char* what;
        int task;
        bool paused;
        bool node;
        float appearTimeM;
        int runMs;
        bool spawned;
    } cases[] = {
        {"idle", GBuildingNode::TaskNone, false, true, 1.0f, 1100, true},
        {"producing", GBuildingNode::TaskProduce, false, true, 1.0f, 3000, false},
        {"paused", GBuildingNode::TaskNone, true, true, 1.0f, 3000, false},
        {"no node for the piles", GBuildingNode::TaskNone, false, false, 1.0f, 3000, false},
        {"twice as fast", GBuildingNode::TaskNone, false, true, 2.0f, 600, true},
        {"half as fast", GBuildingNode::TaskNone, false, true, 0.5f, 1100, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        PileScene scene;
        scene.level.configuration->ModifierValues.RandomResourceAppearTimeM = c.appearTimeM;
        scene.run(50);
        scene.mill->setTask(c.task, nullptr);
        scene.level.paused = c.paused;
        if (!c.node)
            scene.level.onRoadLocations = nullptr;
        scene.run(c.runMs);
        EXPECT_EQ(!scene.mill->made.empty(), c.spawned);
    }

    // Before the place changes its building its piles are let go.
    PileScene scene;
    scene.run(1100);
    ASSERT_EQ(scene.mill->getRandomResources().size(), 1u);
    StandInPile* pile = scene.mill->made[0];
    scene.mill->removeRandomResources();
    EXPECT_TRUE(scene.mill->getRandomResources().empty());
    EXPECT_EQ(scene.mill->getRandomResourcesDone().size(), 1u);
    EXPECT_FALSE(pile->isVisible());
}

TEST(GBuildingWalkers, APileThatHasAppearedCanBeClicked) {
    const struct {
        const char* what;
        int workState;
        const char* state;
        bool reachable;
        bool hittable;
    } cases[] = {
        {"available, Appear ended", GBuildingNode::WorkAvailable, "Appear", true, true},
        {"unreachable: clickable all the same", GBuildingNode::WorkAvailable, "Appear", false, true},
        {"still appearing", 0, "Appear", true, false},
        {"another state ended", GBuildingNode::WorkAvailable, "Normal", true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        PileScene scene;
        CRefHandle<StandInPile> pile(new StandInPile);
        pile->setCanBeHit(false);
        pile->workState = c.workState;
        pile->setReachable(c.reachable);
        CRefHandle<CEventNodeStateCompleted> ended(new CEventNodeStateCompleted(pile.get(), CName(c.state)));
        const bool handled = scene.mill->onAllChildrenFinished(ended.get());
        EXPECT_EQ(handled, c.hittable);
        EXPECT_EQ(pile->canBeHit(), c.hittable);
    }
}

namespace {

// A train that leaves at once when told, as far as its station sees it.
class StandInTrain : public BaseNode, public IStationTrain {
public:
    explicit StandInTrain(GBuildingNode* station) : BaseNode(CObjectName(), nullptr, nullptr), m_station(station) {}
    void leave() override {
        ++leaves;
        if (standing)
            m_station->onTrainLeft(this);
    }
    int leaves = 0;
    bool standing = false;

protected:
    ~StandInTrain() override = default;

private:
    GBuildingNode* m_station;
};

} // namespace

TEST(GBuildingWalkers, AStationSendsItsStandingAndAssignedTrainsAway) {
    Place p;
    CRefHandle<StandInTrain> standing[2] = {CRefHandle<StandInTrain>(new StandInTrain(p.place.get())),
                                            CRefHandle<StandInTrain>(new StandInTrain(p.place.get()))};
    CRefHandle<StandInTrain> coming(new StandInTrain(p.place.get()));
    for (auto& train : standing) {
        train->standing = true;
        p.place->onTrainAssigned(train.get());
        p.place->onTrainArrived(train.get());
    }
    p.place->onTrainAssigned(coming.get());
    p.place->sendTrainsAway();
    EXPECT_EQ(standing[0]->leaves, 1);
    EXPECT_EQ(standing[1]->leaves, 1) << "each told once while the list shrinks";
    EXPECT_EQ(coming->leaves, 1);
    EXPECT_TRUE(p.place->getStandingTrains().empty());
    EXPECT_TRUE(p.place->getAssignedTrains().empty());
}
