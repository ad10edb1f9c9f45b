// The level scene read from scene files: the binding of its children, the
// level start, the objectives groups, the handlers of the world's messages
// and the walk-grid searches, with stand-ins for the headquarters and the
// places by the road.

#include "game/world/GGameLevelScene.h"

#include "engine/content/CContentManager.h"
#include "engine/content/CContentProcessorsManager.h"
#include "engine/core/CEngine.h"
#include "engine/core/CEngineCreationParams.h"
#include "engine/core/CEventKeyUp.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/io/FilePaths.h"
#include "engine/io/IReadableFile.h"
#include "engine/nodes/StandardNodes.h"
#include "engine/scene/CEventClicked.h"
#include "engine/scene/CEventSceneChangeStarted.h"
#include "engine/scene/CNodeFactory.h"
#include "engine/scene/CNodeState.h"
#include "engine/scene/CSceneNodeProcessor.h"
#include "engine/scene/SceneManager.h"
#include "engine/scene/TemplateCollectionNode.h"
#include "engine/video/CNullGraphicsDriver.h"
#include "engine/video/CQuadBatch.h"
#include "game/app/GGameApplication.h"
#include "game/config/GBuildingConfig.h"
#include "game/config/GRandomEventMessages.h"
#include "game/config/GRandomEventRequest.h"
#include "game/config/RandomEvents.h"
#include "game/config/GWorldMessages.h"
#include "game/config/LevelConfiguration.h"
#include "game/config/ObjectsConfiguration.h"
#include "game/nodes/GPolygonNode.h"
#include "game/nodes/GWeatherParticlesNode.h"
#include "game/world/GBuildingNode.h"
#include "game/world/GRailRoadNode.h"
#include "game/world/GWGridNode.h"
#include "game/world/ILevelParts.h"
#include "tests/game/world/WorldTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The headquarters as the level drives it: counts what it is asked to spawn.
class TestHeadquarters : public GBuildingNode, public ILevelHeadquarters {
public:
    static constexpr int32_t TypeId = ILevelHeadquarters::TypeId;
    using GBuildingNode::GBuildingNode;
    static BaseNode* create(const CObjectName& name) { return new TestHeadquarters(name, nullptr, nullptr); }
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || GBuildingNode::isKindOf(id); }
    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* manager) const override {
        return cloneAs<TestHeadquarters>(parent, manager);
    }

    void spawnWorkers(int count) override { workers += count; }
    void spawnStagecoaches(int count) override { stagecoaches += count; }
    void spawnGuides(int count) override { guides += count; }
    void refreshWorkerPoint() override { ++workerPointRefreshes; }
    CVector2d getWorkerPoint() const override { return workerPoint; }
    void activateFeature(GBuildingNode*, int) override {}

    int workers = 0;
    int stagecoaches = 0;
    int guides = 0;
    int workerPointRefreshes = 0;
    CVector2d workerPoint;
};

// A place by the road: blocks its own bounds unless the test gives it
// rectangles.
class TestLocation : public GBuildingNode, public ILevelLocation {
public:
    static constexpr int32_t TypeId = ILevelLocation::TypeId;
    using GBuildingNode::GBuildingNode;
    static BaseNode* create(const CObjectName& name) { return new TestLocation(name, nullptr, nullptr); }
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || GBuildingNode::isKindOf(id); }
    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* manager) const override {
        return cloneAs<TestLocation>(parent, manager);
    }
    void onLoaded() override {
        GBuildingNode::onLoaded();
        const CVector3d& at = getPosition();
        const CVector3d& size = getBounds();
        rects.clear();
        rects.push_back(CRect(at.x, at.y, at.x + size.x, at.y + size.y));
    }

    int getWorkState() const override { return workState; }
    const CArray<CRect>& getUnwalkableRects() const override { return rects; }
    void refreshReachability() override { ++reachabilityTests; }
    bool isLocationReachable() const override { return isReachable(); }
    void setFirstOnRoad(bool on) override { firstOnRoad = on; }
    void setImpending(bool on) override { impending = on; }
    void startAppear() override { ++appearances; }
    CName getBuiltStateName() const override { return CName("Built"); }

    int workState = ILevelLocation::Available;
    CArray<CRect> rects;
    int reachabilityTests = 0;
    bool firstOnRoad = false;
    bool impending = false;
    int appearances = 0;
};

// A train of the pool: goes to the station it is sent to.
class TestTrain : public GObjectNode, public ILevelTrain {
public:
    static constexpr int32_t TypeId = ILevelTrain::TypeId;
    using GObjectNode::GObjectNode;
    static BaseNode* create(const CObjectName& name) { return new TestTrain(name, nullptr, nullptr); }
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || GObjectNode::isKindOf(id); }
    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* manager) const override {
        return cloneAs<TestTrain>(parent, manager);
    }

    int32_t getState() const override { return state; }
    void setTrainConfig(GTrainConfig* record) override { config = record; }
    void assignToStation(GBuildingNode* target) override {
        station = target;
        state = 1;
        target->onTrainAssigned(this);
    }

    int state = ILevelTrain::Idle;
    GTrainConfig* config = nullptr;
    GBuildingNode* station = nullptr;
};

// Keeps the game messages the scenes post for their parents.
class RecordingManager : public SceneManager {
public:
    using SceneManager::SceneManager;
    void queueEvent(CEventReceiver* receiver, int phase, CEvent* event) override {
        if (event && (event->getMask() & CEvent::MaskGame))
            posted.push_back(CRefHandle<CEvent>::share(event));
        else
            SceneManager::queueEvent(receiver, phase, event);
    }
    // The ids posted, optionally only those in [low, high].
    [[nodiscard]] std::vector<int> ids(int low = 0, int high = 1 << 30) const {
        std::vector<int> out;
        for (const auto& event : posted)
            if (event->getType() >= low && event->getType() <= high)
                out.push_back(event->getType());
        return out;
    }
    std::vector<CRefHandle<CEvent>> posted;
};

std::string node(const char* type, const char* name, const std::string& properties = {},
                 const std::string& content = {}) {
    return std::string("<SceneNode Type=\"") + type + "\"><Properties><string Name=\"Name\" Value=\"" + name + "\"/>" +
           properties + "</Properties>" + content + "</SceneNode>";
}

std::string box(float x, float y, float w, float h) {
    return "<vector3d Name=\"Position\" Value=\"" + std::to_string(x) + ";" + std::to_string(y) +
           ";0\"/><vector3d Name=\"Bounds\" Value=\"" + std::to_string(w) + ";" + std::to_string(h) + ";0\"/>";
}

std::string templated(const char* templateName) {
    return std::string("<string Name=\"TemplateName\" Value=\"") + templateName + "\"/>";
}

std::string level(const std::string& children) {
    return "<SceneNode Type=\"GGameLevelScene\"><Properties><string Name=\"Name\" Value=\"Level\"/>"
           "<vector3d Name=\"Bounds\" Value=\"1024;768;0\"/></Properties>" +
           children + "</SceneNode>";
}

// A walk grid of 10 x 3 cells of 20 x 20 at the origin.
const std::string kGrid = node("GWGridNode", "WGrid", box(0, 0, 200, 60));

const std::string kTemplates =
    "<SceneNode Type=\"TemplateCollectionNode\">" +
    node("BaseNode", "MoneyLetter", {},
         node("TextNode", "Text") + node("BaseNode", "Progress") +
             "<States><State Name=\"Appear\"/><State Name=\"Disappear\"/><State Name=\"DisappearHit\"/></States>") +
    node("TestTrain", "Train1") + "</SceneNode>";

// A few building records of our own beside the shared ones.
const std::string kBuildings = R"(<ObjectsConfiguration>
  <Building><Type Value="BuildingPlace"/><Name Value="BuildingPlace"/><Level Value="0"/></Building>
  <Building><Type Value="MajorOffice"/><Name Value="Office"/><Level Value="1"/></Building>
  <Building><Type Value="Apartment"/><Name Value="Hut"/><Level Value="1"/><Income Value="2500"/>
    <Build><Workers Value="1"/><Materials Value="30"/></Build></Building>
  <Building><Type Value="Commercial"/><Name Value="Shop"/><Level Value="1"/><Income Value="100"/>
    <Build><Workers Value="1"/><Materials Value="1"/></Build></Building>
  <Building><Type Value="Apartment"/><Name Value="HalfCoin"/><Level Value="1"/><Income Value="2.5"/></Building>
  <Building><Type Value="Apartment"/><Name Value="SmallCoin"/><Level Value="1"/><Income Value="2.4"/></Building>
  <Building><Type Value="OnRoad"/><Name Value="OnRoadMaterials"/><Level Value="0"/></Building>
  <Building><Type Value="OnRoad"/><Name Value="Rock"/><Level Value="0"/></Building>
  <Building><Type Value="Service"/><Name Value="RailRoadStation1"/><Level Value="1"/></Building>
</ObjectsConfiguration>)";

// Three groups of Money objectives: 100, 200 and 300.
std::string levelRules(const std::string& settings, int groups) {
    std::string text = "<Level>" + settings + "<Objectives>";
    for (int g = 1; g <= groups; ++g)
        text += "<ObjectivesGroup Time=\"100\" Score=\"1\"><Objective Type=\"Money\" Value=\"" +
                std::to_string(g * 100) + "\"/></ObjectivesGroup>";
    return text + "</Objectives></Level>";
}

// Makes `engine` the engine over `files` (the walk grid reads its cells
// through it) and registers the level's classes, with the stand-ins for the
// headquarters and the places by the road.
bool prepareLevelReading(CEngine* engine, CVirtualFileSystem* files, CContentProcessorsManager* processors) {
    files->addRef();
    engine->setFileSystem(files);
    setEngineInstance(engine);
    CNodeFactory* factory = CNodeFactory::getShared();
    registerStandardNodes(*factory);
    (void)factory->registerNodeClass(CStringW(u"GGameLevelScene"), &GGameLevelScene::create);
    (void)factory->registerNodeClass(CStringW(u"GBuildingNode"), &GBuildingNode::create);
    (void)factory->registerNodeClass(CStringW(u"GWGridNode"), &GWGridNode::create);
    (void)factory->registerNodeClass(CStringW(u"GRailRoadNode"), &GRailRoadNode::create);
    (void)factory->registerNodeClass(CStringW(u"GPolygonNode"), &GPolygonNode::create);
    (void)factory->registerNodeClass(CStringW(u"TestHeadquarters"), &TestHeadquarters::create);
    (void)factory->registerNodeClass(CStringW(u"TestTrain"), &TestTrain::create);
    (void)factory->registerNodeClass(CStringW(u"GMajorOfficeNode"), &TestHeadquarters::create);
    (void)factory->registerNodeClass(CStringW(u"GOnRoadLocationNode"), &TestLocation::create);
    return CSceneNodeProcessor::registerWith(processors, factory);
}

class GGameLevelSceneTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(fileSystem->mountArchive(fromNativePath(dir.path().string()), nullptr), nullptr);
        ASSERT_TRUE(prepareLevelReading(engine.get(), fileSystem.get(), processors.get()));
        (void)dir.write("Templates.mscn", kTemplates);
        collection.reset(content->loadNode<TemplateCollectionNode>(CStringW(u"Templates.mscn"), false));
        ASSERT_TRUE(collection);
        manager->setTemplateCollection(collection.get());
        CRefHandle<CXmlStreamReader> reader(new CXmlStreamReader(kBuildings.data(), kBuildings.size()));
        ASSERT_TRUE(objects->readFromXml(*reader));
    }

    // Reads `text` as "Level.mscn" (with `road` cells (row, column) in its
    // "wgrid.bin") and puts it on the manager.
    GGameLevelScene* load(const std::string& text, const std::vector<std::pair<int, int>>& road = {}) {
        // Each level in its own folder: the content manager keeps what it read.
        const std::string folder = "level" + std::to_string(++loads) + "/";
        (void)dir.write(folder + "Level.mscn", text);
        (void)dir.write(folder + "wgrid.bin", wgridBytes(road));
        scene.reset(content->loadNode<GGameLevelScene>(fromNativePath(folder) + u"Level.mscn", false));
        if (!scene)
            return nullptr;
        // The scene posts its messages to its parent, as to the play screen.
        holder.reset(new BaseNode(CObjectName(), nullptr, nullptr));
        holder->addChild(scene.get());
        holder->setSceneManager(manager.get(), nullptr);
        return scene.get();
    }

    // Starts the level with `rules` (a "Level" document).
    void start(const std::string& rules) {
        CRefHandle<CXmlStreamReader> reader(new CXmlStreamReader(rules.data(), rules.size()));
        rulesRecord.reset(new LevelConfiguration);
        rulesRecord->readFromXml(*reader);
        scene->setBuildingsConfiguration(objects.get());
        scene->setLevelConfiguration(rulesRecord.get());
    }

    template <class T = GBuildingNode> T* find(const char* name) const {
        return nodeCast<T>(scene->findChild(CName(name), 0));
    }

    void send(CEvent* message) {
        CRefHandle<CEvent> keep(message);
        (void)sendToLevel(scene->getLevelReceiver(), message);
    }

    void click(ControlNode* control) {
        CRefHandle<CEventClicked> event(new CEventClicked(control));
        (void)scene->handleEvent(event.get());
    }

    void TearDown() override { setEngineInstance(nullptr); }

    TempDir dir;
    CRefHandle<CVirtualFileSystem> fileSystem{new CVirtualFileSystem};
    CRefHandle<CEngine> engine{new CEngine(CEngineCreationParams())};
    CRefHandle<CContentProcessorsManager> processors{new CContentProcessorsManager(fileSystem.get())};
    CRefHandle<CContentManager> content{new CContentManager(nullptr, fileSystem.get(), processors.get())};
    CRefHandle<RecordingManager> manager{new RecordingManager(CObjectName(), nullptr, nullptr)};
    CRefHandle<TemplateCollectionNode> collection;
    CRefHandle<ObjectsConfiguration> objects{new ObjectsConfiguration};
    CRefHandle<LevelConfiguration> rulesRecord;
    CRefHandle<GGameLevelScene> scene;
    CRefHandle<BaseNode> holder;
    int loads = 0;
};

const std::string kPlaces = node("ControlNode", "Buildings", {},
                                 node("GBuildingNode", "Place1", box(300, 200, 50, 50) + templated("Hut")) +
                                     node("TestHeadquarters", "HQ", box(0, 200, 50, 50) + templated("Office")) +
                                     node("GBuildingNode", "Place3", box(400, 200, 50, 50) + templated("Shop")) +
                                     node("TestHeadquarters", "HQ2", box(500, 200, 50, 50) + templated("Office")) +
                                     node("GBuildingNode", "Place5", box(600, 200, 50, 50)));

} // namespace

TEST_F(GGameLevelSceneTest, BindsItsChildrenAndStartsTheLevel) {
    ASSERT_TRUE(load(level(kGrid + kPlaces + node("BaseNode", "Cargos"))));
    auto* hq = find<TestHeadquarters>("HQ");
    ASSERT_NE(hq, nullptr);

    // The first headquarters is both the headquarters and a place; the
    // second is only a place.
    EXPECT_TRUE(scene->hasHeadquarters());
    EXPECT_EQ(scene->getHeadquarters(), hq);
    ASSERT_EQ(scene->getPlaces().size(), 5u);
    EXPECT_EQ(scene->getPlaces()[1], hq);
    EXPECT_EQ(scene->getPlaces()[3], find("HQ2"));
    EXPECT_NE(dynamic_cast<ILevelSceneStart*>(scene.get()), nullptr);
    // Without "Effects" the effects go on "Cargos".
    ASSERT_NE(scene->getCargosNode(), nullptr);
    EXPECT_EQ(scene->getEffectsNode(), scene->getCargosNode());
    ASSERT_NE(scene->getWalkGrid(), nullptr);
    EXPECT_EQ(scene->getPathFinder().getColumns(), 10);
    EXPECT_EQ(scene->getPathFinder().getRows(), 3);

    start(levelRules("<InitWorkersCount Value=\"4\"/><InitHappiness Value=\"7\"/>"
                     "<InitResources><Money Value=\"500\"/><Materials Value=\"9\"/></InitResources>",
                     1));
    EXPECT_EQ(hq->workers, 4);
    EXPECT_EQ(hq->stagecoaches, 10);
    EXPECT_EQ(hq->guides, 1);
    EXPECT_EQ(hq->workerPointRefreshes, 1);
    EXPECT_EQ(hq->getMoney(), 500);
    EXPECT_EQ(hq->getResource(CName("Materials")), 9);
    EXPECT_EQ(find<TestHeadquarters>("HQ2")->workers, 0);
    EXPECT_EQ(scene->getHappiness(), 7);
    scene->recalculate();
    EXPECT_EQ(scene->getHappiness(), 7);
    EXPECT_EQ(scene->getPossibleHappiness(), 7) << "InitHappiness counts once";
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(scene->getPlaces()[uint32_t(i)]->getPlaceNumber(), i);
    EXPECT_EQ(find("Place1")->getType()->Name, CName("Hut"));
    // A place without a template gets the empty place's record, hidden and
    // disabled.
    GBuildingNode* bare = find("Place5");
    EXPECT_EQ(bare->getType()->Name, CName("BuildingPlace"));
    EXPECT_FALSE(bare->isVisible());
    EXPECT_FALSE(bare->isEnabled());

    // A level with its own "Effects" uses it.
    ASSERT_TRUE(load(level(node("BaseNode", "Cargos") + node("BaseNode", "Effects"))));
    EXPECT_EQ(scene->getEffectsNode(), find<BaseNode>("Effects"));
    EXPECT_FALSE(scene->hasHeadquarters());
}

TEST_F(GGameLevelSceneTest, TheLastGroupPostsCompletionThenTheLevelEndAndNothingAfter) {
    ASSERT_TRUE(load(level(kPlaces)));
    start(levelRules("", 3));
    auto* hq = find<TestHeadquarters>("HQ");
    scene->recalculate();
    EXPECT_EQ(manager->ids(4096, 4098), std::vector<int>{}) << "objectives wait until the play screen lets them";

    scene->setObjectivesActive(true);
    scene->recalculate();
    EXPECT_EQ(manager->ids(4096, 4098), std::vector<int>{4097});
    EXPECT_EQ(scene->getGroupIndex(), 0);
    EXPECT_TRUE(scene->areRandomEventsPaused());

    // All three met at once: each group completes and the next starts; the
    // last posts 4098 and then 4096.
    manager->posted.clear();
    hq->addResource(CName("Money"), 300);
    scene->recalculate();
    EXPECT_EQ(manager->ids(4096, 4098), (std::vector<int>{4098, 4097, 4098, 4097, 4098, 4096}));
    EXPECT_EQ(manager->ids(4096, 4096).size(), 1u);
    EXPECT_EQ(scene->getGroupIndex(), 2);
    EXPECT_TRUE(scene->isGroupComplete());
    EXPECT_TRUE(scene->hasGroupChanged());
    EXPECT_EQ(scene->getGroupResults()->size(), 3u);

    const auto& last = manager->posted;
    auto* end = dynamic_cast<GGameMessage*>(last.back().get());
    ASSERT_NE(end, nullptr);
    EXPECT_EQ(end->getType(), 4096);
    EXPECT_EQ(end->getValue(), 1);

    // Later changes post counters only.
    manager->posted.clear();
    hq->addResource(CName("Money"), 1000);
    scene->recalculate();
    EXPECT_EQ(manager->ids(4096, 4098), std::vector<int>{});
    EXPECT_EQ(manager->ids(), std::vector<int>{4102});
}

TEST_F(GGameLevelSceneTest, CollectingALetterPaysAndDoesNotSelect) {
    ASSERT_TRUE(load(level(kPlaces)));
    start(levelRules("", 1));
    GBuildingNode* hut = find("Place1");
    auto* hq = find<TestHeadquarters>("HQ");

    // Letters come only while a modifier allows them.
    CArray<CName> none;
    send(new GLetterEvent(none, none, false, {1.0f, 1.0f}, {4000.0f, 4000.0f}));
    EXPECT_TRUE(scene->getLetters().empty());
    send(new GLevelModifierRequestMessage(1.0f, CName("CanReceiveMoneyLetters")));
    hut->setReachable(true);
    hut->setRequiredServices(true);
    send(new GLetterEvent(none, none, false, {1.0f, 1.0f}, {4000.0f, 4000.0f}));
    ASSERT_EQ(scene->getLetters().size(), 1u);
    BaseNode* letter = scene->getLetters()[0];
    EXPECT_EQ(letter->getParent(), hut);
    EXPECT_FALSE(hut->getWantFocus());
    const auto* record = dynamic_cast<GLetterRecord*>(letter->getUserData());
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->money, 100 * 26) << "100 x floor(2500 x 0.01 x 1 + 1)";
    EXPECT_EQ(record->waitingTime, 4000);
    // A building with a letter gets no second one.
    send(new GLetterEvent(none, none, false, {1.0f, 1.0f}, {4000.0f, 4000.0f}));
    EXPECT_EQ(scene->getLetters().size(), 1u);

    // The first click collects: money, no selection, no 4100; it also
    // starts the clock.
    const int money = hq->getMoney();
    manager->posted.clear();
    click(hut);
    EXPECT_FALSE(scene->areRandomEventsPaused());
    EXPECT_TRUE(scene->getLetters().empty());
    EXPECT_EQ(hq->getMoney(), money + 2600);
    EXPECT_EQ(scene->getSelectedBuilding(), nullptr);
    EXPECT_EQ(manager->ids(4100, 4100), std::vector<int>{});
    EXPECT_TRUE(hut->getWantFocus());

    // The second click selects.
    click(hut);
    EXPECT_EQ(scene->getSelectedBuilding(), hut);
    ASSERT_EQ(manager->ids(4100, 4100), std::vector<int>{4100});

    // A click on the background clears the selection.
    click(scene.get());
    EXPECT_EQ(scene->getSelectedBuilding(), nullptr);
    EXPECT_EQ(scene->getPreviousSelection(), hut);

    // A letter on a building that stops operating goes at the next tick.
    EXPECT_EQ(hut->getTimeSinceIncome(), 0);
    hut->setTimeSinceIncome(5000);
    hut->setReachable(true);
    hut->setRequiredServices(true);
    send(new GLetterEvent(none, none, false, {1.0f, 1.0f}, {4000.0f, 4000.0f}));
    ASSERT_EQ(scene->getLetters().size(), 1u);
    CRefHandle<BaseNode> second = CRefHandle<BaseNode>::share(scene->getLetters()[0]);
    (void)scene->update(20);
    EXPECT_EQ(scene->getLetters().size(), 1u);
    hut->setDamageState(GBuildingNode::DamageBroken, true);
    (void)scene->update(20);
    EXPECT_TRUE(scene->getLetters().empty());
    ASSERT_NE(second->getCurrentState(), nullptr);
    EXPECT_EQ(second->getCurrentState()->getName(), CName("Disappear"));
}

TEST_F(GGameLevelSceneTest, BrokenBuildingEventsPickByFilterKindAndRepairTime) {
    struct Case {
        const char* what;
        bool oneTime;
        std::vector<const char*> types;
        std::vector<const char*> places;
        int hutSinceRepair;
        const char* broken; // null: none
    };
    const Case cases[] = {
        {"a regular event breaks only apartments", false, {}, {}, 10000, "Place1"},
        {"a one-time event may break a shop", true, {"Shop"}, {}, 10000, "Place3"},
        {"the place filter leaves only the shop, which a regular event spares", false, {}, {"Place3"}, 10000,
         nullptr},
        {"repaired less than 10 s ago", false, {}, {}, 9999, nullptr},
        {"repaired exactly 10 s ago", false, {}, {"Place1"}, 10000, "Place1"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(load(level(kPlaces)));
        start(levelRules("", 1));
        for (const char* name : {"Place1", "Place3"}) {
            GBuildingNode* place = find(name);
            place->setReachable(true);
            place->setRequiredServices(true);
        }
        find("Place1")->setTimeSinceBuildOrRepair(c.hutSinceRepair);
        CArray<CName> types;
        CArray<CName> places;
        for (const char* t : c.types)
            types.push_back(CName(t));
        for (const char* p : c.places)
            places.push_back(CName(p));
        send(new GBrokenBuildingEvent(types, places, c.oneTime));
        for (const char* name : {"Place1", "Place3"}) {
            const bool expected = c.broken && std::string(c.broken) == name;
            EXPECT_EQ(find(name)->getDamageState() == GBuildingNode::DamageBroken, expected) << c.what << ": " << name;
        }
    }
}

TEST_F(GGameLevelSceneTest, ADestroyedBuildingLeavesAShareOfItsMaterials) {
    struct Case {
        int bonus;
        const char* type;
        int pile; // 0: none
    };
    const Case cases[] = {{50, "Hut", 15}, {40, "Shop", 0}, {0, "Hut", 0}};
    for (const Case& c : cases) {
        ASSERT_TRUE(load(level(kPlaces + node("BaseNode", "OnRoadLocations"))));
        start(levelRules("<AfterDestroyBonus Value=\"" + std::to_string(c.bonus) + "\"/>", 1));
        GBuildingNode* place = find("Place1");
        place->setType(objects->findBuilding(CName(c.type)), false, false);
        place->setType(objects->findBuilding(CName("BuildingPlace")), false, false);
        send(new GBuildingDestroyedMessage(place));
        ASSERT_FALSE(scene->getHistory().empty());
        EXPECT_EQ(scene->getHistory().back().kind, GGameLevelScene::ActionDestroy);
        EXPECT_EQ(scene->getHistory().back().typeName, CName(c.type));
        BaseNode* locations = scene->getLocationsNode();
        if (c.pile == 0) {
            EXPECT_TRUE(locations->getChildren().empty()) << c.bonus << " " << c.type;
            continue;
        }
        ASSERT_EQ(locations->getChildren().size(), 1u);
        auto* pile = nodeCast<TestLocation>(locations->getChildren()[0]);
        ASSERT_NE(pile, nullptr);
        EXPECT_EQ(pile->getResource(CName("Materials")), c.pile);
        EXPECT_EQ(pile->getTemplateName(), CName("OnRoadMaterials"));
        EXPECT_EQ(pile->getType()->Name, CName("OnRoadMaterials"));
        ASSERT_EQ(place->getRandomResources().size(), 1u);
        const auto& taken = place->getRandomResources()[0];
        EXPECT_EQ(&*taken, pile);
    }
}

TEST_F(GGameLevelSceneTest, WeatherDurationsAddUpAndTheClockSwitchesItOff) {
    ASSERT_TRUE(load(level(kPlaces)));
    start(levelRules("", 1));
    // Without a weather node the event changes nothing.
    send(new GWeatherEffectEvent({1000, 1000}));
    EXPECT_EQ(scene->getWeatherTimeLeft(), 0);

    CRefHandle<CEventSceneChangeStarted> started(new CEventSceneChangeStarted(nullptr, scene.get(), true));
    (void)scene->handleEvent(started.get());
    GWeatherParticlesNode* weather = scene->getWeatherNode();
    ASSERT_NE(weather, nullptr);
    EXPECT_FALSE(weather->isEnabled());
    EXPECT_FLOAT_EQ(weather->getPosition().z, GGameLevelScene::WeatherDepth);

    send(new GWeatherEffectEvent({1000, 1000}));
    send(new GWeatherEffectEvent({500, 500}));
    EXPECT_TRUE(weather->isEnabled());
    EXPECT_EQ(scene->getWeatherTimeLeft(), 1500);

    // The clock waits for the first click.
    (void)scene->update(1000);
    EXPECT_EQ(scene->getWeatherTimeLeft(), 1500);
    scene->setRandomEventsPaused(false);
    (void)scene->update(1000);
    EXPECT_EQ(scene->getWeatherTimeLeft(), 500);
    EXPECT_TRUE(weather->isEnabled());
    (void)scene->update(500);
    EXPECT_FALSE(weather->isEnabled());
}

TEST_F(GGameLevelSceneTest, ADayOfNoLengthPaysNothingAndADayEndPostsTheIncome) {
    for (int dayLength : {0, -5, 1}) {
        ASSERT_TRUE(load(level(kPlaces)));
        start(levelRules("", 1));
        rulesRecord->DayLength = dayLength;
        scene->setRandomEventsPaused(false);
        manager->posted.clear();
        for (int i = 0; i < 60; ++i)
            (void)scene->update(20);
        const size_t paid = manager->ids(4099, 4099).size();
        EXPECT_EQ(paid, dayLength > 0 ? 1u : 0u) << dayLength;
        EXPECT_EQ(scene->getLevelTime(), 1200);
    }
}

TEST_F(GGameLevelSceneTest, ADayEndPaysTheIncomeRoundedToTheNearestCoin) {
    struct Case {
        const char* type;
        int paid;
    };
    const Case cases[] = {{"HalfCoin", 3}, {"SmallCoin", 2}};
    for (const Case& c : cases) {
        ASSERT_TRUE(load(level(kPlaces)));
        start(levelRules("", 1));
        rulesRecord->DayLength = 1;
        GBuildingNode* place = find("Place1");
        place->setType(objects->findBuilding(CName(c.type)), false, false);
        place->setReachable(true);
        place->setRequiredServices(true);
        scene->recalculate();
        ASSERT_FLOAT_EQ(scene->getLevelIncome(), c.paid == 3 ? 2.5f : 2.4f) << c.type;
        auto* hq = find<TestHeadquarters>("HQ");
        const int before = hq->getResource(CName("Money"));
        scene->setRandomEventsPaused(false);
        // A little over one day: twenty-millisecond steps add up to just under a second.
        for (int i = 0; i < 55; ++i)
            (void)scene->update(20);
        EXPECT_EQ(hq->getResource(CName("Money")) - before, c.paid) << c.type;
    }
}

TEST_F(GGameLevelSceneTest, LocationsOfALaterGroupWaitHiddenUntilItStarts) {
    const std::string locations = node(
        "BaseNode", "OnRoadLocations", {},
        node("GOnRoadLocationNode", "Location1", box(100, 100, 20, 20) + templated("Rock")) +
            node("BaseNode", "Group2", "<bool Name=\"Visible\" Value=\"false\"/>",
                 node("GOnRoadLocationNode", "Later", box(140, 100, 20, 20) + templated("Rock")) +
                     node("BaseNode", "Sign", {}, "<States><State Name=\"Appear\"/></States>")));
    ASSERT_TRUE(load(level(kPlaces + locations)));
    start(levelRules("", 2));
    auto* later = find<TestLocation>("Later");
    ASSERT_NE(later, nullptr);
    BaseNode* sign = find<BaseNode>("Sign");
    EXPECT_TRUE(find<BaseNode>("Group2")->isVisible());
    EXPECT_FALSE(later->isVisible());
    EXPECT_FALSE(later->isEnabled());
    EXPECT_FALSE(later->canBeHit());
    EXPECT_FALSE(sign->isVisible());
    ASSERT_EQ(scene->getLocations().size(), 1u);
    EXPECT_EQ(scene->getLocations()[0], find("Location1"));

    scene->setObjectivesActive(true);
    find<TestHeadquarters>("HQ")->addResource(CName("Money"), 100);
    scene->recalculate();
    EXPECT_EQ(scene->getGroupIndex(), 1);
    EXPECT_TRUE(later->isVisible());
    EXPECT_TRUE(later->isEnabled());
    EXPECT_TRUE(later->canBeHit());
    EXPECT_EQ(later->appearances, 1);
    EXPECT_EQ(scene->getLocations().size(), 2u);
    EXPECT_TRUE(sign->isVisible());
    EXPECT_FALSE(sign->canBeHit());
}

TEST_F(GGameLevelSceneTest, PathsRunFromTheDestinationBackToTheStart) {
    std::vector<std::pair<int, int>> road;
    for (int c = 0; c < 10; ++c)
        road.emplace_back(1, c);
    ASSERT_TRUE(load(level(kGrid + kPlaces), road));
    start(levelRules("", 1));
    scene->rebuildWalkGrid();

    const CVector2d from(12.0f, 31.0f);
    const CVector2d to(188.0f, 29.0f);
    CArray<CVector2d> points;
    ASSERT_TRUE(scene->findPath(from, to, points, false));
    ASSERT_EQ(points.size(), 10u);
    EXPECT_EQ(points[0].x, to.x);
    EXPECT_EQ(points[0].y, to.y);
    EXPECT_FLOAT_EQ(points[1].x, 170.0f) << "the centre of the cell before the destination's";
    EXPECT_FLOAT_EQ(points[8].x, 30.0f);
    EXPECT_EQ(points[9].x, from.x);
    EXPECT_EQ(points[9].y, from.y);
    EXPECT_EQ(scene->pathExists(from, to), 1);
    EXPECT_EQ(scene->pathExists(from, CVector2d(100.0f, 5.0f)), 0) << "off the road";
    EXPECT_EQ(scene->pathLength(from.x, from.y, to.x, to.y), 10);

    // A failed search leaves the list as it was.
    CArray<CVector2d> kept;
    kept.push_back(CVector2d(1.0f, 2.0f));
    EXPECT_FALSE(scene->findPath(from, CVector2d(100.0f, 5.0f), kept, false));
    EXPECT_EQ(kept.size(), 1u);

    // Cells smaller than a unit give the straight pair and false.
    scene->getWalkGrid()->setCellSize(CVector2d(0.5f, 0.5f));
    CArray<CVector2d> pair;
    EXPECT_FALSE(scene->findPath(from, to, pair, false));
    ASSERT_EQ(pair.size(), 2u);
    EXPECT_EQ(pair[0].x, to.x);
    EXPECT_EQ(pair[1].x, from.x);

    // No walk grid: nothing.
    ASSERT_TRUE(load(level(kPlaces)));
    CArray<CVector2d> none;
    EXPECT_FALSE(scene->findPath(from, to, none, false));
    EXPECT_TRUE(none.empty());
    EXPECT_EQ(scene->pathExists(from, to), -1);
}

TEST_F(GGameLevelSceneTest, BlockingLocationsAreListedOncePerPathCellTheyOverlap) {
    std::vector<std::pair<int, int>> road;
    for (int c = 0; c < 10; ++c)
        road.emplace_back(1, c);
    // Pile A covers cell 3 of the road row; pile B cells 6 and 7; the done
    // pile C cell 8 and blocks nothing.
    const std::string locations =
        node("BaseNode", "OnRoadLocations", {},
             node("GOnRoadLocationNode", "PileA", box(60, 20, 19, 20) + templated("Rock")) +
                 node("GOnRoadLocationNode", "PileB", box(120, 20, 39, 20) + templated("Rock")) +
                 node("GOnRoadLocationNode", "PileC", box(160, 20, 20, 20) + templated("Rock")));
    ASSERT_TRUE(load(level(kGrid + kPlaces + locations), road));
    start(levelRules("", 1));
    find<TestLocation>("PileC")->workState = ILevelLocation::Done;
    scene->rebuildWalkGrid();
    GPathFinder& finder = scene->getPathFinder();
    EXPECT_EQ(finder.getCost(3, 1), GPathFinder::Blocked);
    EXPECT_EQ(finder.getCost(6, 1), GPathFinder::Blocked);
    EXPECT_EQ(finder.getCost(8, 1), 0) << "a done location blocks nothing";
    EXPECT_EQ(scene->pathExists(CVector2d(10, 30), CVector2d(190, 30)), 0);

    find<TestHeadquarters>("HQ")->workerPoint = CVector2d(10.0f, 30.0f);
    GBuildingNode* target = find("Place1");
    target->setChosenArrivalPoint(CVector2d(190.0f, 30.0f));
    const CArray<GBuildingNode*> blocking = scene->findBlockingLocations(target);
    ASSERT_EQ(blocking.size(), 3u);
    EXPECT_EQ(blocking[0], find("PileA"));
    EXPECT_EQ(blocking[1], find("PileB"));
    EXPECT_EQ(blocking[2], find("PileB"));
    EXPECT_EQ(finder.getCost(3, 1), GPathFinder::Blocked) << "the search gives the obstacles back their cost";
    EXPECT_EQ(finder.getCost(7, 1), GPathFinder::Blocked);

    EXPECT_TRUE(scene->findBlockingLocations(nullptr).empty());
}

TEST_F(GGameLevelSceneTest, TheQueryMessageAnswersWhetherATypeStandsAnywhere) {
    ASSERT_TRUE(load(level(kPlaces)));
    start(levelRules("", 1));
    struct Case {
        std::vector<const char*> types;
        std::vector<const char*> places;
        bool answer;
    };
    // Names of places, when given, say where the building must stand.
    const Case cases[] = {{{"Hut"}, {}, true},
                          {{"Mill", "Shop"}, {}, true},
                          {{"Mill"}, {}, false},
                          {{}, {}, false},
                          {{"BuildingPlace"}, {}, true},
                          {{"Hut"}, {"Place1"}, true},
                          {{"Hut"}, {"Place3", "Place5"}, false},
                          {{"Hut", "Shop"}, {"Place3"}, true}};
    for (const Case& c : cases) {
        CArray<CName> types;
        for (const char* t : c.types)
            types.push_back(CName(t));
        CArray<CName> places;
        for (const char* p : c.places)
            places.push_back(CName(p));
        CRefHandle<GBuildingExistsQueryMessage> query(new GBuildingExistsQueryMessage(types, places));
        EXPECT_TRUE(scene->handleEvent(query.get()));
        EXPECT_EQ(query->getAnswer(), c.answer) << c.types.size() << " types, " << c.places.size() << " places";
    }
}

TEST_F(GGameLevelSceneTest, PauseRequestsStopTheSchedulerUntilTheLevelIsLeftAndRequestsStopWithTheScene) {
    ASSERT_TRUE(load(level(kPlaces)));
    start(levelRules("<RandomEvents><Event Type=\"RegularLetterRequest\" PeriodRange=\"1000,1000\"/></RandomEvents>", 1));
    CRefHandle<CUpdateScheduler> scheduler(new CUpdateScheduler);
    scene->setSceneScheduler(scheduler.get());
    GRandomEventRequest* request = rulesRecord->getRandomEvents()->get(0);
    ASSERT_NE(request, nullptr);
    rulesRecord->getRandomEvents()->startAll(scene->getLevelReceiver(), scheduler.get());
    ASSERT_TRUE(request->isRunning());

    send(new GPauseRequestMessage(true));
    EXPECT_TRUE(scene->isPaused());
    EXPECT_TRUE(request->isPaused());
    EXPECT_FALSE(scheduler->isEnabled());
    scene->setUpdating(true);
    EXPECT_FALSE(scheduler->isEnabled()) << "the tutorial's pause holds";

    // Leaving the level gives the scheduler back running.
    CRefHandle<CEventSceneChangeStarted> left(new CEventSceneChangeStarted(scene.get(), nullptr, true));
    (void)scene->handleEvent(left.get());
    EXPECT_TRUE(scheduler->isEnabled());

    // The requests keep a plain pointer to the scene: it stops them as it goes.
    (void)holder->removeChild(scene.get());
    scene.reset();
    EXPECT_FALSE(request->isRunning());
}

TEST_F(GGameLevelSceneTest, AStationShowsTheStripNamedAfterItWithinItsRowOnly) {
    // Two rows of places, the second incomplete: the stations stand at
    // numbers 6 and 7, the last two.
    auto places = [](bool twoStations) {
        std::string children;
        for (int i = 1; i <= 8; ++i) {
            const std::string name = "Place" + std::to_string(i);
            const char* type = i == 8 || (twoStations && i == 7) ? "RailRoadStation1" : "Hut";
            children += node("GBuildingNode", name.c_str(), box(float(i) * 60, 300, 50, 50) + templated(type));
        }
        return node("ControlNode", "Buildings", {}, children);
    };
    auto rail = [](float x) {
        return node("BaseNode", "Railways", {},
                    node("GRailRoadNode", "Rail", box(x, 600, 600, 32),
                         "<States><State Name=\"Place7\"/><State Name=\"Place8\"/></States>"));
    };
    auto stateOf = [](const BaseNode* strip) {
        return strip->getCurrentState() ? strip->getCurrentState()->getName() : CName();
    };

    // The strip's right end lies in the scene: the search runs right from the
    // station, past the end of the places, and finds nobody.
    ASSERT_TRUE(load(level(places(false) + rail(-100))));
    auto* strip = find<GRailRoadNode>("Rail");
    ASSERT_NE(strip, nullptr);
    EXPECT_FALSE(strip->isVisible());
    start(levelRules("", 1));
    EXPECT_TRUE(strip->isVisible());
    EXPECT_FALSE(strip->getHideWhenEmpty());
    EXPECT_EQ(strip->getEntrySide(), GRailRoadNode::EntryLeft);
    EXPECT_EQ(stateOf(strip), CName("Place8"));

    // Its left end lies in the scene: a station of the same type to the left
    // in the row keeps the strip.
    ASSERT_TRUE(load(level(places(true) + rail(100))));
    strip = find<GRailRoadNode>("Rail");
    start(levelRules("", 1));
    EXPECT_TRUE(strip->isVisible());
    EXPECT_EQ(strip->getEntrySide(), GRailRoadNode::EntryRight);
    EXPECT_EQ(stateOf(strip), CName("Place7"));
    EXPECT_EQ(scene->showStationRailway(find("Place8")), strip);
    EXPECT_EQ(stateOf(strip), CName("Place7"));
}

TEST_F(GGameLevelSceneTest, TheFirstTrainComesToTheFirstReadyStationAtOnce) {
    const std::string places = node(
        "ControlNode", "Buildings", {},
        node("TestHeadquarters", "HQ", box(0, 200, 50, 50) + templated("Office")) +
            node("GBuildingNode", "Place2", box(100, 200, 50, 50) + templated("RailRoadStation1")) +
            node("GBuildingNode", "Place3", box(200, 200, 50, 50) + templated("RailRoadStation1")));
    ASSERT_TRUE(load(level(places)));
    start(levelRules("", 1));
    const CArray<GObjectNode*>& pool = scene->getTrainPool();
    ASSERT_EQ(pool.size(), 24u);
    for (GObjectNode* train : pool) {
        EXPECT_FALSE(train->isVisible());
        EXPECT_FALSE(train->canBeHit());
        EXPECT_EQ(train->getParent(), scene->getTrainLayer());
        EXPECT_EQ(train->getLevelScene(), scene.get());
    }

    // Only a reachable station is called; the first comes without waiting,
    // and a station with a train on its way gets no other.
    GBuildingNode* station = find("Place3");
    station->setReachable(true);
    scene->setRandomEventsPaused(false);
    (void)scene->update(20);
    (void)scene->update(20);
    auto* first = static_cast<TestTrain*>(pool[0]);
    EXPECT_EQ(first->station, station);
    EXPECT_EQ(station->getAssignedTrains().size(), 1u);
    EXPECT_EQ(static_cast<TestTrain*>(pool[1])->station, nullptr);
    // The other station waits for its own countdown.
    find("Place2")->setReachable(true);
    (void)scene->update(20);
    EXPECT_EQ(static_cast<TestTrain*>(pool[1])->station, nullptr);
    EXPECT_FALSE(scene->assignTrain(find<GBuildingNode>("HQ"))) << "not a station";
}

TEST_F(GGameLevelSceneTest, SmokeOfALocationMakesWhatItCoversUnhittable) {
    const std::string locations = node(
        "BaseNode", "OnRoadLocations", {},
        node("GOnRoadLocationNode", "Smoky", box(0, 0, 10, 10) + templated("Rock"),
             node("GPolygonNode", "Smoke",
                  "<vector3d Name=\"Position\" Value=\"100;100;0\"/>"
                  "<string Name=\"Vertices\" Value=\"0;0,280;0,280;400,0;400\"/>")));
    ASSERT_TRUE(load(level(kPlaces + locations)));
    start(levelRules("", 1));
    scene->blockHitsUnderSmoke();
    EXPECT_FALSE(find("Place1")->canBeHit()) << "its centre (325, 225) lies under the smoke";
    EXPECT_TRUE(find("Place3")->canBeHit());
    EXPECT_TRUE(find("Smoky")->canBeHit()) << "its own smoke does not cover it";

    find<TestLocation>("Smoky")->workState = ILevelLocation::Done;
    scene->blockHitsUnderSmoke();
    EXPECT_TRUE(find("Place1")->canBeHit());
}

TEST_F(GGameLevelSceneTest, F1ShowsTheCostOverlayOnlyToDevelopers) {
    std::vector<std::pair<int, int>> road;
    for (int c = 0; c < 10; ++c)
        road.emplace_back(1, c);
    ASSERT_TRUE(load(level(kGrid + kPlaces), road));
    start(levelRules("", 1));
    scene->rebuildWalkGrid();
    auto pressF1 = [this] {
        CRefHandle<CEventKeyUp> key(new CEventKeyUp(0, GGameLevelScene::KeyF1));
        return scene->onKeyUp(key.get());
    };
    EXPECT_FALSE(pressF1());
    EXPECT_FALSE(scene->isDebugOverlayOn());
    GGameApplication::setDeveloperMode(true);
    EXPECT_TRUE(pressF1());
    GGameApplication::setDeveloperMode(false);
    ASSERT_TRUE(scene->isDebugOverlayOn());

    CArray<CRenderItem> list;
    scene->registerForRendering(list);
    int overlays = 0;
    for (const CRenderItem& item : list)
        overlays += item.node == scene.get() && item.z == GGameLevelScene::OverlayDepth ? 1 : 0;
    EXPECT_EQ(overlays, 1);
    CRefHandle<IGraphicsDriver> driver(createNullDriver(CEngineCreationParams(), nullptr, nullptr));
    ASSERT_TRUE(driver);
    driver->quadBatch()->begin();
    for (const CRenderItem& item : list)
        item.node->render(driver.get(), item.clip);
    driver->quadBatch()->end();
}

TEST_F(GGameLevelSceneTest, WorkDoneIsWrittenInTheHistoryOfTheGroup) {
    const std::string locations = node("BaseNode", "OnRoadLocations", {},
                                       node("GOnRoadLocationNode", "Location1", box(100, 100, 20, 20) +
                                                                                    templated("Rock")));
    ASSERT_TRUE(load(level(kPlaces + locations)));
    start(levelRules("", 1));
    GBuildingNode* hut = find("Place1");
    auto* location = find<TestLocation>("Location1");
    hut->setTimeSinceBuildOrRepair(50000);
    hut->setTask(GBuildingNode::TaskBuild, nullptr);

    manager->posted.clear();
    send(new GBuildingCompletedMessage(hut, hut->getType()));
    EXPECT_EQ(hut->getTaskKind(), GBuildingNode::TaskNone);
    EXPECT_EQ(hut->getTimeSinceBuildOrRepair(), 0);
    GResourceMap taken;
    taken[CName("Materials")] = 4;
    taken[CName("Gold")] = 2;
    send(new GOnRoadLocationDoneMessage(location, location->getType(), taken));
    send(new GBuildingRepairedMessage(hut));
    send(new GResourceSoldMessage(CName("Gold"), 3, 90));
    CRefHandle<CEvent> unknown(new GBuildingDestroyedMessage(nullptr));
    (void)sendToLevel(scene->getLevelReceiver(), unknown.get());

    struct Row {
        int kind;
        const char* type;
        const char* place;
        int amount;
    };
    const Row expected[] = {
        {GGameLevelScene::ActionBuild, "Hut", "Place1", 0},
        {GGameLevelScene::ActionTakeOnRoadMaterials, "Rock", "Location1", 4},
        {GGameLevelScene::ActionTakeOnRoadGold, "Rock", "Location1", 2},
        {GGameLevelScene::ActionBuild, "Rock", "Location1", 0},
        {GGameLevelScene::ActionRepair, "Hut", "Place1", 0},
        {GGameLevelScene::ActionGoldSell, nullptr, nullptr, 3},
    };
    const CArray<GHistoryRecord>& history = scene->getHistory();
    ASSERT_EQ(history.size(), std::size(expected));
    for (uint32_t i = 0; i < history.size(); ++i) {
        EXPECT_EQ(history[i].kind, expected[i].kind) << i;
        EXPECT_EQ(history[i].typeName, expected[i].type ? CName(expected[i].type) : CName()) << i;
        EXPECT_EQ(history[i].placeName, expected[i].place ? CName(expected[i].place) : CName()) << i;
        EXPECT_EQ(history[i].amount, expected[i].amount) << i;
    }
    // The messages go on to the play screen: none is consumed.
    EXPECT_FALSE(scene->handleEvent(unknown.get()));
}

// The fixture level made by the level tools, read through the content
// manager with the shared configuration.
TEST(GGameLevelSceneFixtureTest, TheFixtureLevelLoadsAndBinds) {
    const std::string root = BM_SOURCE_DIR;
    CRefHandle<CVirtualFileSystem> files{new CVirtualFileSystem};
    ASSERT_NE(files->mountArchive(fromNativePath(root), nullptr), nullptr);
    ASSERT_NE(files->mountArchive(fromNativePath(root + "/assets"), nullptr), nullptr);
    CRefHandle<CContentProcessorsManager> processors{new CContentProcessorsManager(files.get())};
    CRefHandle<CContentManager> content{new CContentManager(nullptr, files.get(), processors.get())};
    CRefHandle<CEngine> engine{new CEngine(CEngineCreationParams())};
    ASSERT_TRUE(prepareLevelReading(engine.get(), files.get(), processors.get()));

    CRefHandle<GGameLevelScene> scene(
        content->loadNode<GGameLevelScene>(CStringW(u"tests/game/world/data/level1/Level.mscn"), false));
    ASSERT_TRUE(scene);
    EXPECT_TRUE(scene->hasHeadquarters());
    EXPECT_EQ(scene->getPlaces().size(), 12u);
    EXPECT_EQ(scene->getHeadquarters(), scene->getPlaces()[6]);
    EXPECT_EQ(scene->getLocations().size(), 1u);
    ASSERT_NE(scene->getWalkGrid(), nullptr);
    EXPECT_TRUE(scene->getPathFinder().hasGrid());
    ASSERT_NE(scene->getEffectsNode(), nullptr);
    EXPECT_EQ(scene->getEffectsNode()->getName(), CName("Effects"));
    EXPECT_NE(scene->getCargosNode(), nullptr);

    CRefHandle<ObjectsConfiguration> objects{new ObjectsConfiguration};
    CRefHandle<CVirtualFileSystem> shared{new CVirtualFileSystem};
    ASSERT_NE(shared->mountArchive(fromNativePath(root + "/assets"), nullptr), nullptr);
    objects->reload(shared.get());
    CRefHandle<LevelConfiguration> rules{new LevelConfiguration};
    {
        CRefHandle<IReadableFile> file(files->openForRead(CStringW(u"tests/game/world/data/level1/LevelConfiguration.xml")));
        ASSERT_TRUE(file);
        CRefHandle<CXmlStreamReader> reader(new CXmlStreamReader(file.get()));
        rules->readFromXml(*reader);
    }
    ASSERT_EQ(rules->getGroupCount(), 3u);
    scene->setBuildingsConfiguration(objects.get());
    scene->setLevelConfiguration(rules.get());
    auto* hq = nodeCast<TestHeadquarters>(scene->getHeadquarters());
    ASSERT_NE(hq, nullptr);
    EXPECT_EQ(hq->workers, 3);
    EXPECT_EQ(hq->getMoney(), 50000);
    EXPECT_EQ(hq->getResource(CName("Materials")), 25);
    EXPECT_EQ(hq->getType()->Name, CName("MajorOffice1"));
    scene->rebuildWalkGrid();
    // The headquarters stands at the road's west end; its first row is road.
    int road = 0;
    for (int32_t c = 0; c < scene->getPathFinder().getColumns(); ++c)
        for (int32_t r = 0; r < scene->getPathFinder().getRows(); ++r)
            road += scene->getPathFinder().getCost(c, r) == 0 ? 1 : 0;
    EXPECT_GT(road, 20);
    scene.reset();
    setEngineInstance(nullptr);
}
