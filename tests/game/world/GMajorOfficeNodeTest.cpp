#include "game/world/GMajorOfficeNode.h"

#include "engine/core/CRefHandle.h"
#include "engine/core/CStringW.h"
#include "engine/core/CUpdateScheduler.h"
#include "engine/nodes/TextNode.h"
#include "engine/scene/CEventNodeStateCompleted.h"
#include "engine/scene/SceneManager.h"
#include "engine/scene/TemplateCollectionNode.h"
#include "game/config/GLevelModifierValues.h"
#include "game/config/GWorldMessages.h"
#include "game/config/GlobalConfig.h"
#include "game/nodes/GParticlesMovableNode.h"
#include "game/world/GDilizhansNode.h"
#include "game/world/GGertrudaNode.h"
#include "game/world/GWorkerNode.h"
#include "game/world/GWorkerSpacing.h"
#include "game/world/IBuildingWalker.h"
#include "tests/game/world/StandInLevel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

CName materials() { return nameIdMaterials(); }
CName gold() { return nameIdGold(); }
CName money() { return nameIdMoney(); }

GResourceMap resources(std::initializer_list<std::pair<CName, int>> list) {
    GResourceMap map;
    for (const auto& [resource, amount] : list)
        map.insert(resource, amount);
    return map;
}

// A node of class T named `name` under `parent` (the parent holds it).
template <class T> T* make(BaseNode* parent, const char* name) {
    auto* node = new T(CObjectName(), parent, nullptr);
    node->release();
    node->setName(CName(name));
    return node;
}

// A child that takes every state and never finishes it, as an animation
// still playing.
class Lingering : public BaseNode {
public:
    Lingering(const CObjectName& contentName, BaseNode* parent, BaseNode* manager)
        : BaseNode(contentName, parent, manager) {}
    void setState(CName, FallbackFunction, CName) override {}
};

std::string text(const TextNode* node) { return node ? std::string(CString(node->getText()).c_str()) : "(none)"; }

// A headquarters with its popup and workers texts, places around it and the
// walker templates, on a stand-in level whose paths run straight (or bent
// where a test says). Everything runs on the level's scheduler.
class GMajorOfficeNodeTest : public ::testing::Test {
protected:
    void SetUp() override {
        addTemplate<GWorkerNode>("Worker1", 10.0f);
        addTemplate<GDilizhansNode>("Dilizhans1", 30.0f);
        addTemplate<GGertrudaNode>("Gertruda1", 10.0f);
        collection->onLoaded();
        manager->setTemplateCollection(collection.get());

        level.walkerLayer = make<BaseNode>(root.get(), "Walkers");
        hq = make<GMajorOfficeNode>(root.get(), "Headquarters");
        hq->setPosition({100.0f, 100.0f, 0.0f});
        hq->setBounds({60.0f, 40.0f, 0.0f});
        make<TextNode>(make<BaseNode>(hq, "WorkersAmount"), "Text");
        make<TextNode>(make<BaseNode>(hq, "ObjectsIncomeControl"), "Text");
        make<BaseNode>(make<BaseNode>(hq, "Effects"), "QuestParticleController");
        level.headquarters = hq;
        hq->setLevelScene(&level);
        root->setSceneManager(manager.get(), nullptr);
        hq->applyTemplate();
        hq->setScheduler(level.scheduler.get());
    }

    template <class T> void addTemplate(const char* name, float width) {
        make<T>(collection.get(), name)->setBounds({width, 20.0f, 0.0f});
    }

    // A 40 x 40 place whose arrival point is its bottom centre (x + 20, y + 40).
    GBuildingNode* addPlace(float x, float y) {
        auto* place = make<GBuildingNode>(root.get(), "Place");
        place->setPosition({x, y, 0.0f});
        place->setBounds({40.0f, 40.0f, 0.0f});
        place->setLevelScene(&level);
        place->setSceneManager(manager.get(), nullptr);
        place->applyTemplate();
        place->setScheduler(level.scheduler.get());
        return place;
    }

    // A worker made elsewhere (as a place by the road yields them), joining
    // the headquarters and walking home empty-handed from `at`.
    GWorkerNode* walkerHeadingHome(const CVector2d& at) {
        auto* walker = make<GWorkerNode>(level.walkerLayer, "Worker1");
        walker->setBounds({10.0f, 20.0f, 0.0f});
        walker->setLevelScene(&level);
        walker->placeAt(at);
        hq->addWorker(walker);
        walker->returnHome(true);
        return walker;
    }

    void run(int ms) {
        for (int t = 0; t < ms; t += 10)
            level.scheduler->update(10);
    }

    // The walkers of `list` as workers.
    static std::vector<GWorkerNode*> workers(const CArray<BaseNode*>& list) {
        std::vector<GWorkerNode*> out;
        for (BaseNode* node : list)
            out.push_back(nodeCast<GWorkerNode>(node));
        return out;
    }

    StandInLevel level;
    CRefHandle<SceneManager> manager{new SceneManager(CObjectName(), nullptr, nullptr)};
    CRefHandle<TemplateCollectionNode> collection{new TemplateCollectionNode(CObjectName(), nullptr, nullptr)};
    CRefHandle<BaseNode> root{new BaseNode(CObjectName(), nullptr, nullptr)};
    GMajorOfficeNode* hq = nullptr;
};

} // namespace

TEST_F(GMajorOfficeNodeTest, IsAHeadquartersThatNeverBreaksAndIsAlwaysReachable) {
    EXPECT_EQ(hq->getTypeId(), 2067);
    for (int32_t id : {2067, 2065, 2060, 5, 0})
        EXPECT_TRUE(hq->isKindOf(id)) << id;
    EXPECT_FALSE(hq->isKindOf(2062));
    EXPECT_EQ(std::string(CString(hq->getClassName()).c_str()), "GMajorOfficeNode");
    EXPECT_FALSE(hq->getMayBreak());
    EXPECT_TRUE(hq->isReachable());
    EXPECT_TRUE(hq->hasRequiredServices());
    EXPECT_EQ(hq->getArrivalPoint(), CVector2d(130.0f, 140.0f));
    EXPECT_EQ(hq->getSpacing()->getPeriod(), 200);
}

TEST_F(GMajorOfficeNodeTest, SpawnedCharactersWalkIntoTheHeadquartersAndAreCounted) {
    hq->spawnWorkers(3);
    hq->spawnStagecoaches(2);
    hq->spawnGuides(1);
    EXPECT_EQ(hq->getAllWorkers().size(), 3u);
    EXPECT_EQ(hq->getAllStagecoaches().size(), 2u);
    EXPECT_EQ(hq->getAllGuides().size(), 1u);
    EXPECT_EQ(hq->getSpacing()->getWorkers().size(), 6u);
    EXPECT_EQ(hq->getWorkers().size(), 3u) << "stagecoaches and guides have their own lists";
    EXPECT_EQ(hq->getWorkersCount(), 3);
    EXPECT_EQ(text(hq->getWorkersAmountText()), "3/3");
    for (const auto& worker : hq->getAllWorkers()) {
        EXPECT_EQ(worker->getParent(), level.walkerLayer);
        EXPECT_FALSE(worker->isVisible());
        EXPECT_FALSE(worker->canBeHit());
        EXPECT_EQ(worker->getHome(), hq);
        EXPECT_EQ(worker->getJobState(), GWorkerNode::JobIdle);
    }
}

TEST_F(GMajorOfficeNodeTest, NothingSpawnsWithoutATemplateOfTheRightClass) {
    CRefHandle<TemplateCollectionNode> other(new TemplateCollectionNode(CObjectName(), nullptr, nullptr));
    make<BaseNode>(other.get(), "Worker1"); // not a worker
    make<GWorkerNode>(other.get(), "Dilizhans1");
    other->onLoaded();
    manager->setTemplateCollection(other.get());
    hq->spawnWorkers(2);
    hq->spawnStagecoaches(2);
    hq->spawnGuides(1);
    EXPECT_TRUE(hq->getAllWorkers().empty());
    EXPECT_TRUE(hq->getAllStagecoaches().empty());
    EXPECT_TRUE(hq->getAllGuides().empty());
    EXPECT_TRUE(level.walkerLayer->getChildren().empty());
}

TEST_F(GMajorOfficeNodeTest, WorkersCarryTheirShareAlongTheFoundPathAndBringItBack) {
    level.pathSearch = [](const CVector2d& from, const CVector2d& to, CArray<CVector2d>& points) {
        points.clear();
        points.push_back(to);
        points.push_back(CVector2d(from.x, to.y));
        points.push_back(from);
        return true;
    };
    GBuildingNode* place = addPlace(300.0f, 200.0f);
    ASSERT_TRUE(place->isReachable());
    hq->spawnWorkers(7);
    hq->addResource(materials(), 100);
    const std::vector<GWorkerNode*> present = workers(hq->getWorkers());

    ASSERT_TRUE(hq->dispatchWorkers(place, resources({{materials(), 100}}), 7));
    EXPECT_EQ(hq->getResource(materials()), 0);
    EXPECT_EQ(present.back()->getResource(materials()), 16) << "the first loaded takes the remainder";
    for (size_t i = 0; i + 1 < present.size(); ++i)
        EXPECT_EQ(present[i]->getResource(materials()), 14) << i;
    EXPECT_EQ(place->getIncomingWorkersCount(), 7);
    EXPECT_EQ(hq->getWorkersCount(), 0);
    EXPECT_EQ(text(hq->getWorkersAmountText()), "0/7");

    // They leave one by one, each along the path the level found.
    run(40);
    std::vector<GWorkerNode*> walking;
    for (GWorkerNode* worker : present) {
        if (worker->isVisible())
            walking.push_back(worker);
    }
    ASSERT_EQ(walking.size(), 1u) << "the others wait their turn";
    EXPECT_EQ(walking[0]->getJobState(), GWorkerNode::JobToWork);
    ASSERT_EQ(walking[0]->getPath().size(), 3u);
    EXPECT_EQ(walking[0]->getPath()[1], CVector2d(130.0f, 240.0f)) << "the corner of the found path";
    run(5000);
    EXPECT_EQ(place->getWorkersCount(), 7);
    EXPECT_EQ(place->getIncomingWorkersCount(), 0);
    for (GWorkerNode* worker : present) {
        EXPECT_EQ(worker->getJobState(), GWorkerNode::JobWorking);
        EXPECT_EQ(CVector2d(worker->getPosition().x, worker->getPosition().y), CVector2d(320.0f, 240.0f));
    }

    // Sent back, they return their loads to the store: a job's materials
    // come back without a popup, the one paid for the job shows its pay.
    make<Lingering>(hq, "Popup"); // the first popup stays on show
    present[0]->setLoadSettled(false);
    present[0]->addResource(money(), 50);
    for (GWorkerNode* worker : present)
        worker->returnHome(false);
    run(5000);
    EXPECT_EQ(hq->getWorkersCount(), 7);
    EXPECT_EQ(hq->getResource(materials()), 100);
    EXPECT_EQ(hq->getMoney(), 50);
    ASSERT_EQ(hq->getIncomePopups().size(), 2u);
    EXPECT_EQ(hq->getIncomePopups()[0].resource, materials()) << "the paid worker's own share";
    EXPECT_EQ(hq->getIncomePopups()[1].resource, money());
    EXPECT_EQ(hq->getIncomePopups()[1].amount, 50);
    EXPECT_EQ(text(hq->getWorkersAmountText()), "7/7");
}

TEST_F(GMajorOfficeNodeTest, FiveWorkersRideInTheLastStagecoachPresent) {
    GBuildingNode* place = addPlace(300.0f, 200.0f);
    hq->spawnWorkers(6);
    hq->spawnStagecoaches(2);
    GDilizhansNode* coach = hq->getAllStagecoaches()[1].get();
    const std::vector<GWorkerNode*> present = workers(hq->getWorkers());

    ASSERT_TRUE(hq->dispatchWorkers(place, {}, 5));
    EXPECT_EQ(workers(hq->getWorkers()), std::vector<GWorkerNode*>{present[0]});
    EXPECT_EQ(workers(place->getIncomingWorkers()), std::vector<GWorkerNode*>{coach})
        << "the stagecoach is the only walker that leaves";
    ASSERT_EQ(coach->getPassengers().size(), 5u);
    for (uint32_t i = 0; i < 5; ++i)
        EXPECT_EQ(coach->getPassengers()[i], present[5 - i]) << "the last five present, last first";
    EXPECT_EQ(coach->getJobState(), GWorkerNode::JobQueued);
    EXPECT_TRUE(coach->isLoadSettled());
    EXPECT_TRUE(hq->getAllStagecoaches()[0]->getPassengers().empty());
}

TEST_F(GMajorOfficeNodeTest, TheStagecoachBringsItsPassengersAndTheirPayHome) {
    GBuildingNode* place = addPlace(300.0f, 200.0f);
    hq->spawnWorkers(6);
    hq->spawnStagecoaches(1);
    GDilizhansNode* coach = hq->getAllStagecoaches()[0].get();
    if (!dynamic_cast<IBuildingWalker*>(coach))
        GTEST_SKIP() << "the walkers do not answer the places' walker interface yet";
    ASSERT_TRUE(hq->dispatchWorkers(place, {}, 5));
    run(5000);
    ASSERT_EQ(place->getWorkersCount(), 5) << "the passengers step out at the place";
    EXPECT_EQ(place->getStagecoaches().size(), 1u);
    EXPECT_EQ(hq->getWorkersCount(), 1);

    // The job pays its workers: the pay rides home in the stagecoach.
    place->releaseWorkersWithResources(resources({{money(), 40}, {gold(), 3}}));
    run(5000);
    EXPECT_EQ(hq->getWorkersCount(), 6);
    EXPECT_EQ(hq->getMoney(), 40);
    EXPECT_EQ(hq->getGold(), 3);
    EXPECT_TRUE(coach->getPassengers().empty());
    EXPECT_EQ(text(hq->getWorkersAmountText()), "6/6");
}

TEST_F(GMajorOfficeNodeTest, FourWorkersWalkAndTheStagecoachStaysHome) {
    GBuildingNode* place = addPlace(300.0f, 200.0f);
    hq->spawnWorkers(6);
    hq->spawnStagecoaches(1);
    GDilizhansNode* coach = hq->getAllStagecoaches()[0].get();

    ASSERT_TRUE(hq->dispatchWorkers(place, {}, 4));
    EXPECT_EQ(hq->getWorkers().size(), 2u);
    EXPECT_EQ(place->getIncomingWorkers().size(), 4u);
    EXPECT_EQ(place->getIncomingWorkers().indexOf(coach), -1);
    EXPECT_TRUE(coach->getPassengers().empty());
    EXPECT_EQ(coach->getJobState(), GWorkerNode::JobIdle);
    run(5000);
    EXPECT_EQ(place->getWorkersCount(), 4);
}

TEST_F(GMajorOfficeNodeTest, ANearerReturningWalkerIsSentBeforeTheWorkersPresent) {
    // The place's arrival point is 20 from the headquarters'.
    GBuildingNode* place = addPlace(110.0f, 80.0f);
    ASSERT_EQ(place->getArrivalPoint(), CVector2d(130.0f, 120.0f));
    hq->spawnWorkers(2);
    const std::vector<GWorkerNode*> present = workers(hq->getWorkers());
    // Two workers made elsewhere walk home empty-handed, 10 and 30 from the job.
    GWorkerNode* near = walkerHeadingHome(CVector2d(130.0f, 110.0f));
    GWorkerNode* far = walkerHeadingHome(CVector2d(130.0f, 90.0f));
    ASSERT_EQ(hq->getReturningWorkersCount(), 2);
    ASSERT_EQ(hq->getWorkersCount(), 4);

    ASSERT_TRUE(hq->dispatchWorkers(place, {}, 4));
    const std::vector<GWorkerNode*> sent = workers(place->getIncomingWorkers());
    const std::vector<GWorkerNode*> expected = {near, present[1], present[0], far};
    EXPECT_EQ(sent, expected) << "nearer than the headquarters first, farther only after the workers present";
    EXPECT_EQ(near->getSource(), nullptr) << "redirected from where it walks";
    EXPECT_EQ(present[1]->getSource(), hq);
    EXPECT_EQ(hq->getReturningWorkersCount(), 0);
}

TEST_F(GMajorOfficeNodeTest, AFartherReturningWalkerKeepsWalkingHomeWhenTheWorkersPresentSuffice) {
    GBuildingNode* place = addPlace(110.0f, 80.0f);
    hq->spawnWorkers(1);
    const std::vector<GWorkerNode*> present = workers(hq->getWorkers());
    std::vector<GWorkerNode*> walkers;
    for (float y : {90.0f, 80.0f, 110.0f})
        walkers.push_back(walkerHeadingHome(CVector2d(130.0f, y)));
    // 30, 40 and 10 from the job; the headquarters is 20 away.
    ASSERT_TRUE(hq->dispatchWorkers(place, {}, 2));
    const std::vector<GWorkerNode*> expected = {walkers[2], present[0]};
    EXPECT_EQ(workers(place->getIncomingWorkers()), expected);
    const std::vector<GWorkerNode*> home = {walkers[0], walkers[1]};
    EXPECT_EQ(workers(hq->getIncomingWorkers()), home) << "back on the list, nearest first";
    EXPECT_TRUE(hq->getWorkers().empty());
}

TEST_F(GMajorOfficeNodeTest, ReturningWalkersAtEqualDistancesComeInTheOrderOfTheHeapSort) {
    GBuildingNode* place = addPlace(110.0f, 80.0f); // arrives at (130, 120)
    // Two walkers mirror each other either side of the job, a third is
    // nearer; all of them are nearer than the headquarters.
    GWorkerNode* left = walkerHeadingHome(CVector2d(120.0f, 120.0f));
    GWorkerNode* right = walkerHeadingHome(CVector2d(140.0f, 120.0f));
    GWorkerNode* nearest = walkerHeadingHome(CVector2d(130.0f, 115.0f));
    ASSERT_TRUE(hq->dispatchWorkers(place, {}, 3));
    const std::vector<GWorkerNode*> expected = {nearest, right, left};
    EXPECT_EQ(workers(place->getIncomingWorkers()), expected) << "the later of two equals comes first";
}

TEST_F(GMajorOfficeNodeTest, ARefusedDispatchLeavesEveryListAndStoreAsItWas) {
    GBuildingNode* place = addPlace(300.0f, 200.0f);
    GBuildingNode* unreachable = addPlace(500.0f, 200.0f);
    unreachable->setReachable(false);
    hq->spawnWorkers(3);
    hq->addResource(materials(), 10);
    const CName stone("Stone");
    const struct {
        const char* what;
        GBuildingNode* target;
        GResourceMap cost;
        uint32_t count;
    } cases[] = {
        {"no target", nullptr, {}, 1},
        {"no workers wanted", place, {}, 0},
        {"too few workers", place, {}, 4},
        {"unreachable", unreachable, {}, 1},
        {"a resource never held, even at 0", place, resources({{stone, 0}}), 1},
        {"too little of a resource", place, resources({{materials(), 11}}), 1},
        {"one of two resources short", place, resources({{materials(), 5}, {gold(), 1}}), 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(hq->dispatchWorkers(c.target, c.cost, c.count));
        EXPECT_EQ(hq->getWorkers().size(), 3u);
        EXPECT_EQ(hq->getResource(materials()), 10);
        EXPECT_EQ(place->getIncomingWorkersCount(), 0);
        EXPECT_EQ(unreachable->getIncomingWorkersCount(), 0);
    }
}

TEST_F(GMajorOfficeNodeTest, OnlyWorkersWalkingHomeEmptyHandedCountAsFree) {
    GBuildingNode* place = addPlace(300.0f, 200.0f);
    hq->spawnWorkers(3);
    ASSERT_TRUE(hq->dispatchWorkers(place, {}, 2));
    run(3000);
    ASSERT_EQ(place->getWorkersCount(), 2);
    EXPECT_EQ(hq->getWorkersCount(), 1);
    const std::vector<GWorkerNode*> away = workers(place->getWorkers());
    away[0]->addResource(money(), 50);
    away[0]->returnHome(true);
    away[1]->returnHome(true);
    run(10);
    EXPECT_EQ(hq->getReturningWorkersCount(), 1);
    EXPECT_EQ(hq->getWorkersCount(), 2) << "the one carrying money is not free yet";
}

TEST_F(GMajorOfficeNodeTest, IncomePopupsMergeGainsOfAResourceWhileOneIsOnShow) {
    TextNode* popupText = hq->getIncomeText();
    ASSERT_NE(popupText, nullptr);
    hq->queueIncomePopup(resources({{money(), 1200}}));
    ASSERT_EQ(hq->getIncomePopups().size(), 1u);
    EXPECT_TRUE(hq->getIncomePopups()[0].shown);
    EXPECT_EQ(text(popupText), "1,200");

    hq->queueIncomePopup(resources({{money(), 50}}));
    hq->queueIncomePopup(resources({{gold(), 5}, {materials(), 0}}));
    hq->queueIncomePopup(resources({{money(), 30}}));
    const auto& queue = hq->getIncomePopups();
    ASSERT_EQ(queue.size(), 3u) << "Money 50 and 30 merge behind the one on show; Gold keeps its own; 0 is skipped";
    EXPECT_EQ(queue[1].resource, money());
    EXPECT_EQ(queue[1].amount, 80);
    EXPECT_FALSE(queue[1].shown);
    EXPECT_EQ(queue[2].resource, gold());
    EXPECT_EQ(queue[2].amount, 5);

    // The shown popup ends: the next one shows its merged amount.
    const CRefHandle<CEventNodeStateCompleted> done(new CEventNodeStateCompleted(hq, CName("ObjectIncome")));
    EXPECT_TRUE(hq->handleEvent(done.get()));
    ASSERT_EQ(queue.size(), 2u);
    EXPECT_TRUE(queue[0].shown);
    EXPECT_EQ(text(popupText), "80");
    EXPECT_TRUE(hq->handleEvent(done.get()));
    EXPECT_EQ(text(popupText), "5");
}

TEST_F(GMajorOfficeNodeTest, AQuestItemShowsWithoutANumberAndThenItsParticlesFly) {
    auto* target = make<BaseNode>(root.get(), "QuestBox");
    hq->setQuestParticlesTarget(target);
    hq->queueIncomePopup(resources({{money(), 7}}));
    hq->queueIncomePopup(resources({{CName("Key"), 1}}));
    ASSERT_EQ(hq->getIncomePopups().size(), 2u);
    EXPECT_TRUE(hq->getIncomePopups()[1].questItem);

    const CRefHandle<CEventNodeStateCompleted> objectDone(new CEventNodeStateCompleted(hq, CName("ObjectIncome")));
    EXPECT_TRUE(hq->handleEvent(objectDone.get()));
    EXPECT_EQ(text(hq->getIncomeText()), "7") << "the quest item leaves the number as it was";
    const auto movers = [this] {
        int count = 0;
        for (const BaseNode* child : hq->getChildren())
            count += child->isKindOf(GParticlesMovableNode::TypeId) ? 1 : 0;
        return count;
    };
    EXPECT_EQ(movers(), 0);
    const CRefHandle<CEventNodeStateCompleted> questDone(new CEventNodeStateCompleted(hq, CName("QuestIncome")));
    EXPECT_TRUE(hq->handleEvent(questDone.get()));
    EXPECT_TRUE(hq->getIncomePopups().empty());
    EXPECT_EQ(movers(), 1) << "the controller's copy flies to the target";
    EXPECT_EQ(hq->getQuestParticleController()->getParent()->getChildren().size(), 2u);
}

TEST_F(GMajorOfficeNodeTest, OrderedWorkersArriveOnTheDeliveryClockAndHoldTheText) {
    level.configuration->ModifierValues.WorkerDeliveryTimeM = 2.0f;
    make<Lingering>(hq, "ClockTower"); // plays "WorkersProgressDisappear"
    hq->spawnWorkers(2);
    hq->setWorkerOrder(3, 1000);
    run(450);
    EXPECT_EQ(hq->getAllWorkers().size(), 2u);
    EXPECT_GT(hq->getOrderTimeLeft(), 0);
    run(150);
    EXPECT_EQ(hq->getOrderTimeLeft(), -1) << "twice as fast: delivered after about 500 ms";
    EXPECT_EQ(hq->getAllWorkers().size(), 5u);
    EXPECT_EQ(hq->getWorkersCount(), 5);
    const std::vector<int> ids = level.receiver->ids();
    ASSERT_FALSE(ids.empty());
    EXPECT_EQ(ids.back(), GWorkersTrainedMessage::TypeId);
    const auto* trained = static_cast<const GWorkersTrainedMessage*>(level.receiver->messages.back().get());
    EXPECT_EQ(trained->getCount(), 3);
    EXPECT_EQ(text(hq->getWorkersAmountText()), "2/2") << "held after the delivery";
    run(4000);
    EXPECT_EQ(text(hq->getWorkersAmountText()), "2/2");
    const CRefHandle<CEventNodeStateCompleted> done(
        new CEventNodeStateCompleted(hq, CName("WorkersProgressDisappear")));
    EXPECT_TRUE(hq->handleEvent(done.get()));
    EXPECT_EQ(text(hq->getWorkersAmountText()), "5/5");
}

TEST_F(GMajorOfficeNodeTest, TheGuideFetchesMaterialsForAPlaceThatNeedsOneWorker) {
    GBuildingNode* location = addPlace(300.0f, 200.0f);
    CRefHandle<GBuildingConfig> type(new GBuildingConfig);
    type->Build.Workers = 1;
    location->setType(type.get(), false, false);
    hq->spawnGuides(1);
    hq->addResource(materials(), 30);
    EXPECT_FALSE(hq->sendGuide(nullptr, {}));
    ASSERT_TRUE(hq->sendGuide(location, resources({{materials(), 20}})));
    GGertrudaNode* guide = hq->getAllGuides()[0].get();
    EXPECT_EQ(guide->getResource(materials()), 20);
    EXPECT_EQ(hq->getResource(materials()), 10);
    EXPECT_TRUE(guide->isLoadSettled());
    EXPECT_EQ(workers(location->getIncomingWorkers()), std::vector<GWorkerNode*>{guide});
    EXPECT_FALSE(hq->sendGuide(location, {})) << "no guide at home any more";
}
