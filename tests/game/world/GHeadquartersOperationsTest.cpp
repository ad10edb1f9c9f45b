// The headquarters' checks and starts on a stand-in level with real walkers:
// a start creates the place's task only for an idle place it can afford,
// trades move Money, and worker orders cost their price at WorkerPriceM.

#include "game/world/GHeadquartersOperations.h"

#include "engine/core/CRefHandle.h"
#include "engine/core/CUpdateScheduler.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/scene/SceneManager.h"
#include "engine/scene/TemplateCollectionNode.h"
#include "game/config/GActiveFeature.h"
#include "game/config/GActiveFeatureList.h"
#include "game/config/GBuildingConfig.h"
#include "game/config/GLevelModifierValues.h"
#include "game/config/GProduceItemConfig.h"
#include "game/config/GWorldMessages.h"
#include "game/config/LevelConfiguration.h"
#include "game/config/ObjectsConfiguration.h"
#include "game/world/GDilizhansNode.h"
#include "game/world/GGameTaskBuilding.h"
#include "game/world/GGertrudaNode.h"
#include "game/world/GMajorOfficeNode.h"
#include "game/world/GWorkerNode.h"
#include "tests/game/world/StandInLevel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>

namespace {

const char* const kObjects = R"(<ObjectsConfiguration>
  <Building><Type Value="BuildingPlace"/><Name Value="BuildingPlace"/><Level Value="0"/></Building>
  <Building><Type Value="Commercial"/><Name Value="Shop1"/><Level Value="1"/>
    <Build><Time Value="300"/><Workers Value="2"/><Money Value="100"/></Build>
    <Repair><Time Value="300"/><Workers Value="1"/><Money Value="20"/></Repair>
    <Destroy><Time Value="300"/><Workers Value="1"/><Money Value="30"/></Destroy>
  </Building>
  <Building><Type Value="Commercial"/><Name Value="Shop2"/><Level Value="2"/>
    <Build><Time Value="300"/><Workers Value="2"/><Money Value="150"/></Build>
  </Building>
  <Building><Type Value="Uniq"/><Name Value="Castle1"/><Level Value="1"/>
    <Build><Time Value="300"/><Workers Value="3"/><Money Value="200"/></Build>
  </Building>
  <UniqUpgrade><Name Value="Awning"/><Type Value="Up1"/><BuildingTypes Value="Shop1"/>
    <Build><Time Value="300"/><Workers Value="1"/><Gold Value="5"/></Build>
  </UniqUpgrade>
</ObjectsConfiguration>)";

CName id(const char* text) { return CName(text); }

template <class T> T* make(BaseNode* parent, const char* name) {
    auto* node = new T(CObjectName(), parent, nullptr);
    node->release();
    node->setName(CName(name));
    return node;
}

// A headquarters with eight workers at home and one place beside it, on a
// stand-in level whose paths run straight.
class GHeadquartersOperationsTest : public ::testing::Test {
public:
    void SetUp() override {
        CRefHandle<CXmlStreamReader> reader(new CXmlStreamReader(kObjects, std::strlen(kObjects)));
        ASSERT_TRUE(level.objects->readFromXml(*reader));
        make<GWorkerNode>(collection.get(), "Worker1")->setBounds({10.0f, 20.0f, 0.0f});
        make<GDilizhansNode>(collection.get(), "Dilizhans1")->setBounds({30.0f, 20.0f, 0.0f});
        make<GGertrudaNode>(collection.get(), "Gertruda1")->setBounds({10.0f, 20.0f, 0.0f});
        collection->onLoaded();
        manager->setTemplateCollection(collection.get());

        level.walkerLayer = make<BaseNode>(root.get(), "Walkers");
        hq = make<GMajorOfficeNode>(root.get(), "Headquarters");
        hq->setPosition({100.0f, 100.0f, 0.0f});
        hq->setBounds({60.0f, 40.0f, 0.0f});
        level.headquarters = hq;
        hq->setLevelScene(&level);
        root->setSceneManager(manager.get(), nullptr);
        hq->applyTemplate();
        hq->setScheduler(level.scheduler.get());

        place = make<GBuildingNode>(root.get(), "Place");
        place->setPosition({300.0f, 100.0f, 0.0f});
        place->setBounds({40.0f, 40.0f, 0.0f});
        place->setLevelScene(&level);
        place->setSceneManager(manager.get(), nullptr);
        place->applyTemplate();
        place->setScheduler(level.scheduler.get());
        place->setRequiredServices(true);
        place->setType(type("BuildingPlace"), false, false);
        level.places.push_back(place);

        hq->spawnWorkers(8);
        run(3000);
    }

    void TearDown() override {
        place->setTask(GBuildingNode::TaskNone, nullptr);
        level.scheduler.reset();
    }

    [[nodiscard]] GBuildingConfig* type(const char* name) const { return level.objects->findBuilding(id(name)); }

    void run(int ms) {
        for (int t = 0; t < ms; t += 10)
            level.scheduler->update(10);
    }

    StandInLevel level;
    CRefHandle<SceneManager> manager{new SceneManager(CObjectName(), nullptr, nullptr)};
    CRefHandle<TemplateCollectionNode> collection{new TemplateCollectionNode(CObjectName(), nullptr, nullptr)};
    CRefHandle<BaseNode> root{new BaseNode(CObjectName(), nullptr, nullptr)};
    GMajorOfficeNode* hq = nullptr;
    GBuildingNode* place = nullptr;
};

} // namespace

TEST_F(GHeadquartersOperationsTest, ABuildStartedHereRunsToItsMessageWithTheWorkersSent) {
    ASSERT_EQ(hq->getWorkersCount(), 8);
    ASSERT_TRUE(place->isReachable());
    hq->addResource(nameIdMoney(), 100);
    EXPECT_TRUE(canBuild(*hq, place, type("Shop1")));
    ASSERT_TRUE(startBuild(*hq, place, type("Shop1")));
    EXPECT_EQ(place->getTaskKind(), GBuildingNode::TaskBuild);
    EXPECT_EQ(hq->getMoney(), 0) << "the workers carry the cost";
    EXPECT_EQ(place->getIncomingWorkersCount(), 2);

    run(20000);
    const std::vector<int> ids = level.receiver->ids();
    EXPECT_NE(std::find(ids.begin(), ids.end(), GBuildingCompletedMessage::TypeId), ids.end());
    EXPECT_EQ(place->getType(), type("Shop1"));
    EXPECT_EQ(hq->getMoney(), 0) << "the cost was spent";
    EXPECT_EQ(hq->getWorkersCount(), 8) << "the workers are home again";
}

TEST_F(GHeadquartersOperationsTest, ACancelBeforeTheWorkersArriveBringsTheCostBackWithThem) {
    hq->addResource(nameIdMoney(), 130);
    ASSERT_TRUE(startBuild(*hq, place, type("Shop1")));
    run(200);
    EXPECT_EQ(hq->getMoney(), 30);
    static_cast<void>(place->cancelTask());
    EXPECT_EQ(place->getType(), type("BuildingPlace"));
    EXPECT_EQ(place->getTaskKind(), GBuildingNode::TaskNone);
    EXPECT_EQ(hq->getMoney(), 30) << "the walkers still carry it";
    run(20000);
    EXPECT_EQ(hq->getMoney(), 130);
    EXPECT_EQ(hq->getWorkersCount(), 8);
}

TEST_F(GHeadquartersOperationsTest, TheChecksNeedTheCostTheWorkersAndAPlaceToWorkAt) {
    GBuildingConfig* shop = type("Shop1");
    hq->addResource(nameIdMoney(), 100);
    const struct {
        const char* what;
        std::function<void(GHeadquartersOperationsTest&)> change;
        bool build;
        bool destroy;
    } cases[] = {
        {"everything there", [](GHeadquartersOperationsTest&) {}, true, true},
        {"unreachable", [](GHeadquartersOperationsTest& t) { t.place->setReachable(false); }, false, false},
        {"without its services", [](GHeadquartersOperationsTest& t) { t.place->setRequiredServices(false); }, false,
         true},
        {"short of Money for the build", [](GHeadquartersOperationsTest& t) { t.hq->addResource(nameIdMoney(), -71); },
         false, false},
        {"short of workers",
         [](GHeadquartersOperationsTest& t) {
             GResourceMap none;
             ASSERT_TRUE(t.hq->dispatchWorkers(t.place, none, 7));
         },
         false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        c.change(*this);
        EXPECT_EQ(canBuild(*hq, place, shop), c.build);
        EXPECT_EQ(canDestroy(*hq, place, shop), c.destroy) << "the Destroy cost is 30 Money";
        place->setReachable(true);
        place->setRequiredServices(true);
        hq->addResource(nameIdMoney(), 100 - hq->getMoney());
        place->releaseWorkers(false);
        run(3000);
    }
    EXPECT_FALSE(canBuild(*hq, place, nullptr));
    EXPECT_FALSE(canBuild(*hq, nullptr, shop));
}

TEST_F(GHeadquartersOperationsTest, EveryStartOnABusyPlaceIsRefused) {
    // Enough workers for every start, whether or not the cancelled ones are
    // back.
    hq->spawnWorkers(10);
    run(3000);
    CRefHandle<GProduceItemConfig> item(new GProduceItemConfig);
    item->Workers = 1;
    hq->addResource(nameIdMoney(), 1000);
    hq->addResource(nameIdGold(), 50);
    GBuildingConfig* shop = type("Shop1");
    const auto builtShop = [shop](GHeadquartersOperationsTest& t) {
        t.place->setType(shop, false, false);
        t.place->setDamageState(GBuildingNode::DamageNone, true);
    };
    const struct {
        const char* what;
        std::function<void(GHeadquartersOperationsTest&)> setUp;
        std::function<bool(GHeadquartersOperationsTest&)> start;
    } cases[] = {
        {"build", [](GHeadquartersOperationsTest& t) { t.place->setType(t.type("BuildingPlace"), false, false); },
         [shop](GHeadquartersOperationsTest& t) { return startBuild(*t.hq, t.place, shop); }},
        {"level up", builtShop,
         [](GHeadquartersOperationsTest& t) { return startLevelUp(*t.hq, t.place, t.type("Shop2")); }},
        {"unique upgrade", builtShop,
         [](GHeadquartersOperationsTest& t) { return startUniqueUpgrade(*t.hq, t.place, id("Up1")); }},
        {"production", builtShop,
         [&item](GHeadquartersOperationsTest& t) { return startProduction(*t.hq, t.place, item.get()); }},
        {"feature",
         [builtShop](GHeadquartersOperationsTest& t) {
             builtShop(t);
             CRefHandle<GActiveFeature> feature(GActiveFeature::create(CStringW(u"GoldPercent")));
             static_cast<void>(t.place->getFeatures()->add(feature.get()));
             t.place->getFeatures()->updateAll(10, true);
         },
         [](GHeadquartersOperationsTest& t) { return startFeature(*t.hq, t.place, 0); }},
        {"destroy", builtShop, [](GHeadquartersOperationsTest& t) { return startDestroy(*t.hq, t.place); }},
        {"repair",
         [builtShop](GHeadquartersOperationsTest& t) {
             builtShop(t);
             t.place->setCanBeHit(true);
             t.place->setDamageState(GBuildingNode::DamageBroken, true);
         },
         [](GHeadquartersOperationsTest& t) { return startRepair(*t.hq, t.place); }},
        {"restore", [](GHeadquartersOperationsTest& t) { t.place->setType(t.type("Castle1"), false, false); },
         [](GHeadquartersOperationsTest& t) { return startRestore(*t.hq, t.place); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        c.setUp(*this);
        CRefHandle<GGameTaskBuilding> running(new GGameTaskBuilding(&level, nullptr, nullptr, nullptr));
        place->setTask(GBuildingNode::TaskProduce, running.get());
        const int money = hq->getMoney();
        EXPECT_FALSE(c.start(*this));
        EXPECT_EQ(place->getTask(), running.get()) << "the running task stays";
        EXPECT_EQ(place->getTaskKind(), GBuildingNode::TaskProduce);
        EXPECT_EQ(hq->getMoney(), money);

        place->setTask(GBuildingNode::TaskNone, nullptr);
        EXPECT_TRUE(c.start(*this)) << "an idle place takes it";
        static_cast<void>(place->cancelTask());
        place->setTask(GBuildingNode::TaskNone, nullptr);
        run(3000);
        hq->addResource(nameIdMoney(), 1000 - hq->getMoney());
        hq->addResource(nameIdGold(), 50 - hq->getGold());
    }
}

TEST_F(GHeadquartersOperationsTest, ARestoreNeedsItsCostAndWorkersLikeTheOtherStarts) {
    place->setType(type("Castle1"), false, false);
    ASSERT_EQ(place->getDamageState(), GBuildingNode::DamageRestore);
    EXPECT_FALSE(startRestore(*hq, place)) << "no Money for its 200";
    EXPECT_EQ(place->getTaskKind(), GBuildingNode::TaskNone);
    hq->addResource(nameIdMoney(), 200);
    place->setReachable(false);
    EXPECT_FALSE(startRestore(*hq, place)) << "unreachable";
    place->setReachable(true);
    ASSERT_TRUE(startRestore(*hq, place));
    EXPECT_EQ(place->getDamageState(), GBuildingNode::DamageNone);
    EXPECT_EQ(place->getIncomingWorkersCount(), 3);
}

TEST_F(GHeadquartersOperationsTest, StartsNeedTheRightPlace) {
    hq->addResource(nameIdMoney(), 1000);
    place->setType(type("Shop1"), false, false);
    EXPECT_FALSE(startBuild(*hq, place, type("Shop2"))) << "a building stands there";
    place->setCanBeHit(true);
    place->setDamageState(GBuildingNode::DamageBroken, true);
    EXPECT_FALSE(startLevelUp(*hq, place, type("Shop2"))) << "a broken building does not operate";
    place->setDamageState(GBuildingNode::DamageDirty, true);
    EXPECT_FALSE(startRepair(*hq, place)) << "a dirty building is not broken";
    EXPECT_FALSE(startUniqueUpgrade(*hq, place, id("Up9")));
    EXPECT_EQ(place->getTaskKind(), GBuildingNode::TaskNone);
}

TEST_F(GHeadquartersOperationsTest, TradesMoveMoneyAndTellTheLevel) {
    hq->addResource(nameIdMoney(), 100);
    hq->addResource(nameIdGold(), 4);
    EXPECT_FALSE(sellResource(*hq, nameIdGold(), 5, 60));
    EXPECT_EQ(hq->getGold(), 4);
    EXPECT_EQ(hq->getMoney(), 100);
    EXPECT_FALSE(buyResource(*hq, nameIdGold(), 5, 101));
    ASSERT_TRUE(sellResource(*hq, nameIdGold(), 4, 60));
    ASSERT_TRUE(buyResource(*hq, nameIdMaterials(), 10, 150));
    EXPECT_EQ(hq->getGold(), 0);
    EXPECT_EQ(hq->getResource(nameIdMaterials()), 10);
    EXPECT_EQ(hq->getMoney(), 10);
    const std::vector<int> ids = level.receiver->ids();
    ASSERT_GE(ids.size(), 2u);
    EXPECT_EQ(ids[ids.size() - 2], GResourceSoldMessage::TypeId);
    EXPECT_EQ(ids.back(), GResourceBoughtMessage::TypeId);
}

TEST_F(GHeadquartersOperationsTest, OrderedWorkersCostTheirPriceAtWorkerPriceM) {
    level.configuration->ModifierValues.WorkerPriceM = 1.25f;
    const struct {
        int price;
        int cost;
    } cases[] = {{100, 125}, {10, 13}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.price);
        CRefHandle<GWorkerOffer> offer(new GWorkerOffer(3, c.price, 4000));
        hq->addResource(nameIdMoney(), c.cost - 1 - hq->getMoney());
        EXPECT_FALSE(orderWorkers(*hq, offer.get()));
        EXPECT_EQ(hq->getOrderTimeLeft(), -1);
        hq->addResource(nameIdMoney(), 1);
        const int recalculations = level.recalculations;
        ASSERT_TRUE(orderWorkers(*hq, offer.get()));
        EXPECT_EQ(hq->getMoney(), 0);
        EXPECT_EQ(hq->getOrderTimeLeft(), 4000);
        EXPECT_EQ(hq->getOrderedWorkers(), 3);
        EXPECT_GT(level.recalculations, recalculations);
        hq->setWorkerOrder(-1, -1);
    }
    EXPECT_FALSE(orderWorkers(*hq, nullptr));
}
