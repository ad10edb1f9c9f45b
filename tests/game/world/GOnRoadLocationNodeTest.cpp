#include "game/world/GOnRoadLocationNode.h"

#include "engine/core/CEngine.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CStringW.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CPropertyDataInt.h"
#include "engine/scene/CPropertyDataString.h"
#include "engine/scene/CPropertyTable.h"
#include "engine/scene/PropertyValues.h"
#include "engine/scene/SceneManager.h"
#include "engine/scene/TemplateCollectionNode.h"
#include "game/nodes/GProgressBarWithSignNode.h"
#include "game/world/GMajorOfficeNode.h"
#include "game/world/GPathFinder.h"
#include "game/world/GWorkerNode.h"
#include "tests/engine/sound/CueTestSupport.h"
#include "tests/game/world/StandInLevel.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

// Every state a node of this class is given, as "Name:State", in order.
std::vector<std::string>& stateLog() {
    static std::vector<std::string> log;
    return log;
}

std::vector<std::string> takeLog() { return std::exchange(stateLog(), {}); }

class StateLog : public BaseNode {
public:
    StateLog(const CObjectName& contentName, BaseNode* parent, BaseNode* manager)
        : BaseNode(contentName, parent, manager) {}

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* manager) const override {
        return cloneAs<StateLog>(parent, manager);
    }
    void setState(CName id, FallbackFunction fallback, CName reportedId) override {
        stateLog().push_back(std::string(getName().str().c_str()) + ":" + id.str().c_str());
        BaseNode::setState(id, fallback, reportedId);
    }

protected:
    ~StateLog() override = default;
};

template <class T = BaseNode>
T* addChild(BaseNode* parent, const char* name, CVector3d position = {}, CVector3d bounds = {100.0f, 100.0f, 0.0f}) {
    T* node = new T(CObjectName(), parent, nullptr);
    node->setName(CName(name));
    node->setPosition(position);
    node->setBounds(bounds);
    node->release();
    return node;
}

CRefHandle<GBuildingConfig> makeType(const char* name) {
    CRefHandle<GBuildingConfig> type(new GBuildingConfig);
    type->Name = CName(name);
    type->Kind = GBuildingType::OnRoad;
    type->Level = 1;
    return type;
}

CRefHandle<GOnRoadLocationNode> makeLocation() {
    return CRefHandle<GOnRoadLocationNode>(new GOnRoadLocationNode(CObjectName(), nullptr, nullptr));
}

// The text of every entry of `bag`, as "Key=value".
std::set<std::string> entries(const CPropertyBag& bag) {
    std::set<std::string> out;
    for (int i = 0; i < bag.getCount(); ++i)
        out.insert(std::string(bag.getNameAt(i).c_str()) + "=" + getPropertyString(bag.getValueAt(i)).c_str());
    return out;
}

int amount(const GResourceMap& map, const char* resource) {
    auto found = map.find(CName(resource));
    return found == map.end() ? -1 : found->value;
}

// A scene manager whose template collection holds "Rock" (a StateLog with a
// hit area and, unless left out, a "ProgressBar"), and a location of that
// template at (300, 200) with its pivot at (50, 40) and 100 x 80 bounds.
struct RockScene {
    CRefHandle<SceneManager> manager{new SceneManager(CObjectName(), nullptr, nullptr)};
    CRefHandle<TemplateCollectionNode> templates{new TemplateCollectionNode(CObjectName(), nullptr, nullptr)};
    CRefHandle<GOnRoadLocationNode> location;
    StateLog* look = nullptr;

    explicit RockScene(std::vector<CVector3d> rects = {}, bool withBar = true) {
        BaseNode* rock = addChild<StateLog>(templates.get(), "Rock");
        (void)addChild(rock, "HitArea");
        if (withBar)
            (void)addChild<GProgressBarWithSignNode>(rock, "ProgressBar");
        templates->onLoaded();
        manager->setTemplateCollection(templates.get());

        location.reset(new GOnRoadLocationNode(CObjectName(), nullptr, manager.get()));
        location->setName(CName("Rock1"));
        location->setPosition(CVector3d(300.0f, 200.0f, 0.0f));
        location->setPivotPoint(CVector2d(50.0f, 40.0f));
        location->setBounds(CVector3d(100.0f, 80.0f, 0.0f));
        look = addChild<StateLog>(location.get(), "Look");
        for (const CVector3d& r : rects) {
            BaseNode* area =
                addChild(location.get(), "UnwalkableRect", CVector3d(r.x, r.y, 0.0f), CVector3d(r.z, r.z / 2.0f, 0.0f));
            area->setPivotPoint(CVector2d(5.0f, 0.0f));
        }
        location->setTemplateName(CName("Rock"));
    }
};

// A headquarters with `free` workers present and `materials` in store.
struct Headquarters {
    CRefHandle<GMajorOfficeNode> node{new GMajorOfficeNode(CObjectName(), nullptr, nullptr)};
    std::vector<CRefHandle<BaseNode>> workers;

    Headquarters(int free, int materials) {
        node->addResource(nameIdMaterials(), materials);
        node->setChosenArrivalPoint(CVector2d(0.0f, 0.0f));
        for (int i = 0; i < free; ++i) {
            workers.emplace_back(new GWorkerNode(CObjectName(), nullptr, nullptr));
            (void)node->addIncomingWorker(workers.back().get());
            node->onWorkerArrived(workers.back().get());
        }
    }
};

} // namespace

TEST(GOnRoadLocationNode, AnswersItsKindsAndPublishesItsPropertiesAfterTheBuildings) {
    CRefHandle<BaseNode> node(GOnRoadLocationNode::create(CObjectName()));
    EXPECT_EQ(node->getTypeId(), 2066);
    for (int32_t kind : {2066, 2065, 2060, 5, 0})
        EXPECT_TRUE(node->isKindOf(kind)) << kind;
    EXPECT_FALSE(node->isKindOf(2067));
    EXPECT_EQ(node->getClassName(), u"GOnRoadLocationNode");
    auto* location = nodeCast<GOnRoadLocationNode>(node.get());
    EXPECT_EQ(location->getTaskKind(), -1) << "no task kind 0: no feature or random-resource steps";
    EXPECT_EQ(location->getWorkState(), GOnRoadLocationNode::Available);
    EXPECT_TRUE(location->hasRequiredServices());

    const CPropertyTable& table = location->getPropertyTable();
    const int base = GBuildingNode::propertyTable().getCount();
    const char* names[] = {"BuildMaterials",
                           "BuildGold",
                           "BuildMoney",
                           "BuildWorkers",
                           "BuildQuest",
                           "Materials",
                           "Gold",
                           "Money",
                           "Workers",
                           "Quest",
                           "QuestCharacterText",
                           "QuestCharacterTime",
                           "BuildingStateName",
                           "BuiltStateName",
                           "LockTimeOnAppear",
                           "FirstTutorialFileName",
                           "TutorialFileName"};
    ASSERT_EQ(table.getCount(), base + 17);
    for (int i = 0; i < 17; ++i)
        EXPECT_EQ(std::string(table.getAt(base + i).name.c_str()), names[i]);
}

TEST(GOnRoadLocationNode, ReadsItsFileAndWritesOnlyWhatDiffersFromTheDefaults) {
    using Entries = std::vector<std::pair<const char*, int>>;
    using Texts = std::vector<std::pair<const char*, const char*>>;
    const struct {
        const char* what;
        Entries ints;
        Texts texts;
        std::set<std::string> written;
        std::vector<std::pair<const char*, int>> store;
    } cases[] = {
        {"nothing: nothing written", {}, {}, {}, {}},
        {"Workers: a field and a store entry, written once", {{"Workers", 3}}, {}, {"Workers=3"}, {{"Workers", 3}}},
        {"store amounts above 0 only",
         {{"Materials", 40}, {"Gold", 0}, {"Money", 7}},
         {},
         {"Materials=40", "Money=7"},
         {{"Materials", 40}, {"Gold", -1}, {"Money", 7}}},
        {"quest items counted by occurrence",
         {},
         {{"Quest", " Key; Map;;Key "}},
         {"Quest= Key; Map;;Key "},
         {{"Key", 2}, {"Map", 1}}},
        {"cost overrides from 0, BuildWorkers from 1",
         {{"BuildMaterials", 0}, {"BuildGold", -1}, {"BuildMoney", 12}, {"BuildWorkers", 0}},
         {},
         {"BuildMaterials=0", "BuildMoney=12"},
         {}},
        {"the defaults of the times are not written",
         {{"QuestCharacterTime", 3000}, {"LockTimeOnAppear", 500}},
         {},
         {},
         {}},
        {"other times are",
         {{"QuestCharacterTime", 2500}, {"LockTimeOnAppear", 0}, {"BuildWorkers", 2}},
         {},
         {"QuestCharacterTime=2500", "LockTimeOnAppear=0", "BuildWorkers=2"},
         {}},
        {"an empty state name reads as the default",
         {},
         {{"BuildingStateName", ""}, {"BuiltStateName", "Crumbled"}},
         {"BuiltStateName=Crumbled"},
         {}},
        {"texts",
         {},
         {{"BuildQuest", "Key"},
          {"QuestCharacterText", "Hello"},
          {"FirstTutorialFileName", "t1.xml"},
          {"TutorialFileName", "t2.xml"}},
         {"BuildQuest=Key", "QuestCharacterText=Hello", "FirstTutorialFileName=t1.xml", "TutorialFileName=t2.xml"},
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CRefHandle<CPropertyBag> file(new CPropertyBag);
        for (const auto& [key, value] : c.ints)
            file->setInt(key, value);
        for (const auto& [key, text] : c.texts)
            file->setStringW(key, CStringW(CString(text)));
        auto location = makeLocation();
        location->readProperties(*file);
        for (const auto& [resource, held] : c.store)
            EXPECT_EQ(amount(location->getResources(), resource), held) << resource;
        CRefHandle<CPropertyBag> written(new CPropertyBag);
        location->writeProperties(*written);
        EXPECT_EQ(entries(*written), c.written);
    }
}

TEST(GOnRoadLocationNode, QuestAndWorkersFillTheStoreOnlyWhenTheFileIsRead) {
    CRefHandle<CPropertyBag> file(new CPropertyBag);
    file->setStringW("Quest", CStringW(u"Key;Key"));
    file->setString("Workers", CString("many"));
    file->setStringW("BuildingStateName", CStringW(u""));
    file->setStringW("BuildQuest", CStringW(u"Map; Map ;Key"));
    auto location = makeLocation();
    location->readProperties(*file);
    EXPECT_EQ(location->getResource(CName("Key")), 2);
    EXPECT_EQ(location->getYieldedWorkers(), 0) << "not an int";
    EXPECT_EQ(location->getBuildingStateName(), CName("Building"));
    EXPECT_EQ(location->getBuiltStateName(), CName("Built"));
    EXPECT_EQ(location->getQuestNames().size(), 3u);

    // The setters change their field only.
    const CPropertyTable& table = location->getPropertyTable();
    table.setAt(location.get(), table.indexOf("Quest"), CPropertyDataString::create(CString("Map")));
    table.setAt(location.get(), table.indexOf("Workers"), CPropertyDataInt::create(4));
    table.setAt(location.get(), table.indexOf("BuildQuest"), CPropertyDataString::create(CString("Gem")));
    table.setAt(location.get(), table.indexOf("Materials"), CPropertyDataInt::create(25));
    table.setAt(location.get(), table.indexOf("LockTimeOnAppear"), CPropertyDataString::create(CString("x")));
    EXPECT_EQ(location->getQuest(), u"Map");
    EXPECT_EQ(location->getResource(CName("Map")), 0);
    EXPECT_EQ(location->getResource(nameIdWorkers()), 0);
    EXPECT_EQ(location->getYieldedWorkers(), 4);
    EXPECT_EQ(location->getQuestNames().size(), 3u);
    EXPECT_EQ(location->getResource(nameIdMaterials()), 25) << "the store amounts are set through the store";
    EXPECT_EQ(getPropertyInt(table.getAt(location.get(), table.indexOf("Materials"))), 25);
    EXPECT_EQ(location->getLockTimeOnAppear(), 0) << "an int property given another kind stores 0";
}

TEST(GOnRoadLocationNode, CostOverridesReplaceTheTypesAmounts) {
    auto type = makeType("Rock");
    type->Build.Resources[nameIdMaterials()] = 40;
    type->Build.Resources[nameIdGold()] = 5;
    type->Build.Resources[CName("Key")] = 7;
    type->Build.Workers = 3;
    const struct {
        const char* what;
        int materials, gold, money, workers;
        const char* quest;
        std::vector<std::pair<const char*, int>> cost;
        int buildWorkers;
    } cases[] = {
        {"no overrides", -1, -1, -1, -1, "", {{"Materials", 40}, {"Gold", 5}, {"Money", -1}, {"Key", 7}}, 3},
        {"0 leaves an entry of 0", 0, 0, 0, 0, "", {{"Materials", 0}, {"Gold", 0}, {"Money", 0}, {"Key", 7}}, 3},
        {"values replace", 12, -1, 9, 2, "", {{"Materials", 12}, {"Gold", 5}, {"Money", 9}}, 2},
        {"quest names counted, whatever the type says",
         -1,
         -1,
         -1,
         -1,
         "Key;Map;Key",
         {{"Materials", 40}, {"Key", 2}, {"Map", 1}},
         3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto location = makeLocation();
        location->setType(type.get(), false, false);
        CRefHandle<CPropertyBag> file(new CPropertyBag);
        file->setInt("BuildMaterials", c.materials);
        file->setInt("BuildGold", c.gold);
        file->setInt("BuildMoney", c.money);
        file->setInt("BuildWorkers", c.workers);
        file->setStringW("BuildQuest", CStringW(CString(c.quest)));
        location->readProperties(*file);
        GResourceMap cost;
        location->getBuildCost(cost);
        for (const auto& [resource, expected] : c.cost)
            EXPECT_EQ(amount(cost, resource), expected) << resource;
        EXPECT_EQ(location->getBuildWorkers(), c.buildWorkers);
        const GBuildingNode& asPlace = *location;
        GResourceMap throughPlace;
        asPlace.getBuildCost(throughPlace);
        EXPECT_EQ(throughPlace.size(), cost.size()) << "the building's callers get the location's cost";
    }
}

TEST(GOnRoadLocationNode, CopiesCarryTheSettingsButNotTheWork) {
    RockScene scene({{10.0f, 10.0f, 20.0f}});
    GOnRoadLocationNode& location = *scene.location;
    CRefHandle<CPropertyBag> file(new CPropertyBag);
    file->setInt("Workers", 2);
    file->setInt("BuildMaterials", 0);
    file->setStringW("BuildQuest", CStringW(u"Key;Key"));
    file->setStringW("BuiltStateName", CStringW(u"Gone"));
    file->setStringW("TutorialFileName", CStringW(u"t.xml"));
    file->setInt("LockTimeOnAppear", 800);
    location.readProperties(*file);
    CRefHandle<BaseNode> copy(location.clone(nullptr, nullptr));
    auto* twin = nodeCast<GOnRoadLocationNode>(copy.get());
    ASSERT_NE(twin, nullptr);
    EXPECT_EQ(twin->getYieldedWorkers(), 2);
    EXPECT_EQ(twin->getBuildMaterials(), 0);
    EXPECT_EQ(twin->getQuestNames().size(), 2u);
    EXPECT_EQ(twin->getBuiltStateName(), CName("Gone"));
    EXPECT_EQ(twin->getTutorialFileName(), u"t.xml");
    EXPECT_EQ(twin->getLockTimeOnAppear(), 800);
    EXPECT_EQ(twin->getResource(nameIdWorkers()), 2) << "the store comes with the object's copy";
    EXPECT_TRUE(twin->getUnwalkableRects().empty()) << "rectangles come with the template";
    EXPECT_EQ(twin->getProgressBar(), nullptr);
}

TEST(GOnRoadLocationNode, TemplateBindsTheBarAndTakesTheRectanglesToBlock) {
    const struct {
        const char* what;
        std::vector<CVector3d> children; // x, y, width (height is half)
        std::vector<CRect> rects;
    } cases[] = {
        {"no UnwalkableRect: its own bounds", {}, {CRect(250.0f, 160.0f, 350.0f, 240.0f)}},
        {"two children: two rectangles, not its bounds",
         {{10.0f, 20.0f, 30.0f}, {60.0f, 0.0f, 10.0f}},
         {CRect(255.0f, 180.0f, 285.0f, 195.0f), CRect(305.0f, 160.0f, 315.0f, 165.0f)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        takeLog();
        RockScene scene(c.children);
        const GOnRoadLocationNode& location = *scene.location;
        ASSERT_EQ(location.getUnwalkableRects().size(), c.rects.size());
        for (size_t i = 0; i < c.rects.size(); ++i) {
            const CRect& r = location.getUnwalkableRects()[uint32_t(i)];
            EXPECT_FLOAT_EQ(r.left, c.rects[i].left);
            EXPECT_FLOAT_EQ(r.top, c.rects[i].top);
            EXPECT_FLOAT_EQ(r.right, c.rects[i].right);
            EXPECT_FLOAT_EQ(r.bottom, c.rects[i].bottom);
        }
        GProgressBarWithSignNode* bar = location.getProgressBar();
        ASSERT_NE(bar, nullptr) << "found in the template";
        EXPECT_FALSE(bar->isVisible());
        EXPECT_FLOAT_EQ(bar->getMinValue(), 0.0f);
        EXPECT_FLOAT_EQ(bar->getMaxValue(), 1.0f);
        const auto log = takeLog();
        const std::vector<std::string> marks = {"Look:FirstOnRoadOff", "Look:ImpendingOff"};
        ASSERT_GE(log.size(), 2u);
        EXPECT_EQ(std::vector<std::string>(log.end() - 2, log.end()), marks);
    }

    RockScene bare({}, false);
    EXPECT_EQ(bare.location->getProgressBar(), nullptr) << "the work runs without one";
    CRefHandle<GOnRoadLocationNode> detached = makeLocation();
    detached->applyTemplate();
    EXPECT_TRUE(detached->getUnwalkableRects().empty()) << "no scene manager: nothing taken";
}

TEST(GOnRoadLocationNode, RectanglesBlockTheCellsUnderThem) {
    // Cells of 10 x 10 from (100, 50), each further row 5 to the right.
    GGridPlacement grid;
    grid.origin = CVector2d(100.0f, 50.0f);
    grid.cellSize = CVector2d(10.0f, 10.0f);
    grid.rowShift = 5.0f;
    const struct {
        const char* what;
        std::vector<CVector3d> children;
        std::set<std::pair<int, int>> blocked; // (column, row)
    } cases[] = {
        // Own bounds (250, 160)-(350, 240) lie right of the 12 x 8 grid.
        {"outside the grid: nothing", {}, {}},
        {"one cell row, shifted",
         // A child at (cx, cy) covers from (250 + cx - 5, 160 + cy): here
         // (115, 52) to (127, 58).
         {{-130.0f, -108.0f, 12.0f}},
         {{1, 0}, {2, 0}}},
        {"two rows, the lower one shifted by 5 more",
         // (115, 60) to (135, 70): rows 1 and 2.
         {{-130.0f, -100.0f, 20.0f}},
         {{1, 1}, {2, 1}, {3, 1}, {0, 2}, {1, 2}, {2, 2}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RockScene scene(c.children);
        GPathFinder finder;
        finder.allocate(12, 8);
        scene.location->setCellCosts(finder, grid, GPathFinder::Blocked);
        std::set<std::pair<int, int>> blocked;
        for (int column = 0; column < 12; ++column)
            for (int row = 0; row < 8; ++row)
                if (finder.getCost(column, row) == GPathFinder::Blocked)
                    blocked.insert({column, row});
        EXPECT_EQ(blocked, c.blocked);
    }
}

TEST(GOnRoadLocationNode, ReportsWhetherTheHeadquartersReachesIt) {
    for (bool unreachable : {false, true}) {
        SCOPED_TRACE(unreachable);
        StandInLevel level;
        level.unreachable = unreachable;
        Headquarters hq(0, 0);
        level.headquarters = hq.node.get();
        RockScene scene;
        scene.location->setLevelScene(&level);
        scene.location->setTemplateName(CName("Rock"));
        EXPECT_EQ(scene.location->isReachable(), !unreachable);
    }
}

TEST(GOnRoadLocationNode, HoverShowsWhetherItCanBeClearedOnceForEachChange) {
    auto type = makeType("Rock");
    type->Build.Resources[nameIdMaterials()] = 20;
    type->Build.Workers = 2;
    const struct {
        const char* what;
        int free, materials;
        bool unreachable;
        const char* hover;
    } cases[] = {
        {"affordable", 2, 20, false, "Look:NormalHover"},
        {"too few workers", 1, 20, false, "Look:DisableHover"},
        {"too few materials", 2, 19, false, "Look:DisableHover"},
        {"not reachable", 2, 20, true, "Look:DisableHover"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        StandInLevel level;
        level.unreachable = c.unreachable;
        Headquarters hq(c.free, c.materials);
        level.headquarters = hq.node.get();
        RockScene scene;
        GOnRoadLocationNode& location = *scene.location;
        location.setLevelScene(&level);
        location.setType(type.get(), false, false);
        location.setTemplateName(CName("Rock"));
        takeLog();
        location.setHovered(true);
        EXPECT_EQ(takeLog(), std::vector<std::string>{c.hover});
        location.setHovered(false);
        EXPECT_EQ(takeLog(), std::vector<std::string>{"Look:NormalKillHover"});
        location.onHoverChanged();
        EXPECT_TRUE(takeLog().empty()) << "the same state twice is applied once";
        level.paused = true;
        location.setHovered(true);
        EXPECT_TRUE(takeLog().empty()) << "paused";
        EXPECT_EQ(location.getLastHoverState(), CName("NormalKillHover"));
    }
}

TEST(GOnRoadLocationNode, SoundCueFollowsTheWorkStateAndWhetherItCanBeCleared) {
    const struct {
        const char* what;
        bool affordable;
        const char* selected;
        const char* cue;
    } cases[] = {
        {"available and affordable: a click", true, "RockSelected", "ButtonClick"},
        {"available, not affordable: the type's cue", false, "RockSelected", "RockSelected"},
        {"available, not affordable, no cue: a miss", false, "", "ButtonMissed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        StandInLevel level;
        Headquarters hq(c.affordable ? 1 : 0, 0);
        level.headquarters = hq.node.get();
        RockScene scene;
        auto type = makeType("Rock");
        type->SelectedSoundCueName = CName(c.selected);
        type->BuiltSoundCueName = CName("RockBuilt");
        scene.location->setLevelScene(&level);
        scene.location->setType(type.get(), false, false);
        scene.location->setTemplateName(CName("Rock"));
        EXPECT_EQ(scene.location->getSoundCueName(), CName(c.cue));
    }
    auto location = makeLocation();
    EXPECT_EQ(location->getSoundCueName(), CName("ButtonMissed")) << "no level, no cue of its own";
}

TEST(GOnRoadLocationNode, PlayingTheSameCueAgainDoesNotRestartIt) {
    CueFixture cues;
    cues.define("ButtonMissed", 1, 1);
    cues.define("RockSelected", 1, 1);
    cues.manager->addRef();
    CRefHandle<CEngine> engine(new CEngine(CEngineCreationParams()));
    engine->setSoundCueManager(cues.manager.get());
    setEngineInstance(engine.get());

    auto location = makeLocation();
    auto type = makeType("Rock");
    location->setType(type.get(), false, false);
    SoundCue* first = location->playSound();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->getName(), CName("ButtonMissed"));
    EXPECT_EQ(location->playSound(), first) << "still playing: kept";
    EXPECT_EQ(cues.manager->getPlayingCount(), 1u);

    type->SelectedSoundCueName = CName("RockSelected");
    SoundCue* second = location->playSound();
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first);
    EXPECT_EQ(second->getName(), CName("RockSelected"));
    location->stopSound();
    EXPECT_EQ(location->getSound(), nullptr);
    location->stopSound(); // nothing kept: nothing happens
    setEngineInstance(nullptr);
}

TEST(GOnRoadLocationNode, ABlockingLocationCutsTheRoadUntilItsCellsArePassable) {
    // One road along row 1 of a 12 x 3 grid; the location covers its column 5.
    GGridPlacement grid;
    grid.origin = CVector2d(100.0f, 50.0f);
    grid.cellSize = CVector2d(10.0f, 10.0f);
    grid.rowShift = 5.0f;
    GPathFinder finder;
    finder.allocate(12, 3);
    for (int column = 0; column < 12; ++column) {
        finder.setCost(column, 0, GPathFinder::Blocked);
        finder.setCost(column, 2, GPathFinder::Blocked);
    }
    RockScene scene({{-88.0f, -98.0f, 6.0f}});
    GPathCellList path;
    ASSERT_TRUE(finder.search(0, 1, 11, 1, path, false, false));

    scene.location->setCellCosts(finder, grid, GPathFinder::Blocked);
    EXPECT_EQ(finder.getCost(5, 1), GPathFinder::Blocked);
    EXPECT_FALSE(finder.search(0, 1, 11, 1, path, false, false)) << "cut off";
    scene.location->setCellCosts(finder, grid, 1);
    EXPECT_TRUE(finder.search(0, 1, 11, 1, path, false, false)) << "passable at cost 1";
}
