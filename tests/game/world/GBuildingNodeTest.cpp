#include "game/world/GBuildingNode.h"

#include "engine/core/CEventMouseLeftDown.h"
#include "engine/core/CEventMouseLeftUp.h"
#include "engine/core/CEventReceiver.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CStringW.h"
#include "engine/scene/CNodeState.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/SceneManager.h"
#include "engine/scene/TemplateCollectionNode.h"
#include "game/config/GGameMessage.h"
#include "game/config/GUniqUpgradeConfig.h"
#include "game/config/GWorldMessages.h"
#include "game/config/GlobalConfig.h"
#include "game/config/IGameLevel.h"
#include "game/config/LevelConfiguration.h"
#include "game/nodes/GEllipseSectorNode.h"
#include "game/nodes/GPolygonNode.h"
#include "tests/game/world/StandInLevel.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

// Every state applied to a node of this class, as "Name:State" (shared by
// the nodes of one test; templates cloned from it keep the class).
std::vector<std::string>& stateLog() {
    static std::vector<std::string> log;
    return log;
}

std::vector<std::string> takeLog() { return std::exchange(stateLog(), {}); }

std::string entry(const BaseNode* node, CName state) {
    return std::string(node->getName().str().c_str()) + ":" + state.str().c_str();
}

class StateLog : public BaseNode {
public:
    StateLog(const CObjectName& contentName, BaseNode* parent, BaseNode* manager)
        : BaseNode(contentName, parent, manager) {}

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* manager) const override {
        return cloneAs<StateLog>(parent, manager);
    }
    void setState(CName id, FallbackFunction fallback, CName reportedId) override {
        stateLog().push_back(entry(this, id));
        BaseNode::setState(id, fallback, reportedId);
    }
    void applyStateRecursive(CName id, FallbackFunction fallback) override {
        stateLog().push_back(entry(this, id));
        BaseNode::applyStateRecursive(id, fallback);
    }

protected:
    ~StateLog() override = default;
};

StateLog* addLog(BaseNode* parent, const char* name, float x = 0.0f, float y = 0.0f) {
    auto* node = new StateLog(CObjectName(), parent, nullptr);
    node->setName(CName(name));
    node->setPosition(CVector3d(x, y, 0.0f));
    node->release();
    return node;
}

CRefHandle<GBuildingNode> makePlace() {
    return CRefHandle<GBuildingNode>(new GBuildingNode(CObjectName(), nullptr, nullptr));
}

// A job whose progress the test sets; counts its cancels.
class StandInTask : public IBuildingTask {
public:
    int cancel() override { return ++cancels; }
    float getProgress() const override { return progress; }
    int cancels = 0;
    float progress = 0.25f;

protected:
    ~StandInTask() override = default;
};

} // namespace

TEST(GBuildingNode, AnswersItsKindsAndItsFactoryName) {
    CRefHandle<BaseNode> node(GBuildingNode::create(CObjectName()));
    EXPECT_EQ(node->getTypeId(), 2065);
    EXPECT_TRUE(node->isKindOf(2065) && node->isKindOf(2060) && node->isKindOf(5) && node->isKindOf(0));
    EXPECT_FALSE(node->isKindOf(2067));
    EXPECT_EQ(node->getClassName(), u"GBuildingNode");
    auto* place = nodeCast<GBuildingNode>(node.get());
    EXPECT_EQ(place->getUpdateInterval(), 50u);
    EXPECT_FLOAT_EQ(place->getTaskProgress(), 1.0f) << "no task";
    ASSERT_NE(place->getType(), nullptr) << "a default record of its own";
    EXPECT_EQ(place->getType()->Level, 0);
}

TEST(GBuildingNode, SetTypeKeepsThePreviousRecordAndReleasesTheOneBefore) {
    auto place = makePlace();
    auto first = makeBuildingType("Place", GBuildingType::BuildingPlace, 0);
    auto second = makeBuildingType("House1", GBuildingType::Apartment, 1);
    auto third = makeBuildingType("House2", GBuildingType::Apartment, 2);
    const struct {
        GBuildingConfig* type;
        GBuildingConfig* current;
        GBuildingConfig* previous;
    } steps[] = {
        {first.get(), first.get(), nullptr},
        {second.get(), second.get(), first.get()},
        {third.get(), third.get(), second.get()},
        {nullptr, third.get(), second.get()},
    };
    GBuildingConfig* original = place->getType();
    for (const auto& s : steps) {
        place->setType(s.type, false, false);
        EXPECT_EQ(place->getType(), s.current);
        if (s.previous)
            EXPECT_EQ(place->getPreviousType(), s.previous);
        else
            EXPECT_EQ(place->getPreviousType(), original);
    }
    EXPECT_EQ(first->referenceCount(), 1) << "released once it fell off the chain";
    EXPECT_EQ(second->referenceCount(), 2);
    EXPECT_EQ(place->getPreviousTypeName(), CName("House1"));
}

TEST(GBuildingNode, OperatesOnlyBuiltSoundAndFreeOrWorking) {
    const struct {
        const char* what;
        int level;
        int damage;
        int task;
        bool visible;
        bool operating;
    } cases[] = {
        {"built and idle", 1, 0, 0, true, true},
        {"producing", 1, 0, GBuildingNode::TaskProduce, true, true},
        {"running a feature", 1, 0, GBuildingNode::TaskActiveFeature, true, true},
        {"empty place", 0, 0, 0, true, false},
        {"broken without a task", 1, 1, 0, true, false},
        {"dirty", 1, 2, 0, true, false},
        {"levelling up", 1, 0, GBuildingNode::TaskBuild, true, false},
        {"being destroyed", 1, 0, GBuildingNode::TaskDestroy, true, false},
        {"hidden", 1, 0, 0, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto place = makePlace();
        place->setReachable(true);
        place->setRequiredServices(true);
        auto type = makeBuildingType("House1", GBuildingType::Apartment, c.level);
        place->setType(type.get(), false, false);
        place->setDamageState(c.damage, true);
        place->setTask(c.task, nullptr);
        place->setVisible(c.visible);
        EXPECT_EQ(place->isOperating(), c.operating);
    }
}

TEST(GBuildingNode, WorkerCountsSubtractTheRoundedWorkersCostA) {
    const struct {
        int workers;
        float costA;
        bool withLevel;
        int expected;
    } cases[] = {
        {3, 1.6f, true, 1}, {3, 0.4f, true, 3}, {3, 0.5f, true, 2},
        {1, 0.0f, true, 1}, {2, 5.0f, true, 1}, {4, 2.0f, false, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.workers << " less " << c.costA);
        StandInLevel level;
        level.configuration->ModifierValues.WorkersCostA = c.costA;
        auto place = makePlace();
        if (c.withLevel)
            place->setLevelScene(&level);
        auto type = makeBuildingType("Mill", GBuildingType::Produce, 1);
        type->Build.Workers = c.workers;
        type->Repair.Workers = c.workers;
        type->Destroy.Workers = c.workers;
        place->setType(type.get(), false, false);
        EXPECT_EQ(place->getBuildWorkers(), c.expected);
        EXPECT_EQ(place->getRepairWorkers(type.get()), c.expected);
        EXPECT_EQ(place->getDestroyWorkers(), c.expected);
    }
}

TEST(GBuildingNode, CostsAreCopiesOfTheGivenOrCurrentRecord) {
    auto place = makePlace();
    auto type = makeBuildingType("House1", GBuildingType::Apartment, 1);
    type->Build.Resources[CName("Materials")] = 40;
    type->Repair.Resources[CName("Money")] = 15;
    auto other = makeBuildingType("House2", GBuildingType::Apartment, 2);
    other->Build.Resources[CName("Gold")] = 3;
    place->setType(type.get(), false, false);
    GResourceMap cost;
    place->getBuildCost(cost);
    EXPECT_EQ(cost.size(), 1u);
    EXPECT_EQ(cost[CName("Materials")], 40);
    place->getBuildCost(cost, other.get());
    EXPECT_EQ(cost.size(), 1u);
    EXPECT_EQ(cost[CName("Gold")], 3);
    place->getRepairCost(cost);
    EXPECT_EQ(cost[CName("Money")], 15);
    place->getDestroyCost(cost);
    EXPECT_TRUE(cost.empty());
}

TEST(GBuildingNode, GuestsAndHappiness) {
    StandInLevel level;
    level.configuration->ModifierValues.GuestsCountM = 1.5f;
    auto apartment = makeBuildingType("House1", GBuildingType::Apartment, 1);
    apartment->GuestsCount = 5;
    apartment->Happiness = 4;
    auto shop = makeBuildingType("Shop1", GBuildingType::Commercial, 1);
    shop->GuestsCount = 5;
    shop->Happiness = 4;

    auto place = makePlace();
    place->setLevelScene(&level);
    place->setType(apartment.get(), false, false);
    EXPECT_EQ(place->getGuests(), 8) << "floor(5 x 1.5 + 0.5)";
    EXPECT_EQ(place->getGuests(shop.get()), 5) << "only apartments take GuestsCountM";
    place->setServiceBonuses(0, -20, 2);
    EXPECT_EQ(place->getGuests(), 0) << "never below 0";
    place->setServiceBonuses(0, 0, 2);
    EXPECT_EQ(place->getHappiness(), 6);
    place->setTask(GBuildingNode::TaskBuild, nullptr);
    EXPECT_EQ(place->getHappiness(), 2) << "during a build the previous record (an empty place) counts";
    place->setTask(GBuildingNode::TaskNone, nullptr);
    place->setEnabled(false);
    EXPECT_EQ(place->getHappiness(), 0);
    place->setEnabled(true);
    place->setVisible(false);
    EXPECT_EQ(place->getHappiness(), 0);
    place->setVisible(true);
    place->setType(shop.get(), false, false);
    EXPECT_EQ(place->getHappiness(), 0) << "a shop gives none";
}

TEST(GBuildingNode, WorkSoundFollowsDamageTaskAndType) {
    const struct {
        const char* type;
        int damage;
        int task;
        const char* cue;
    } cases[] = {
        {"House1", 0, 0, "HouseSelected"},
        {"House1", 1, GBuildingNode::TaskProduce, "Broken"},
        {"House1", 0, GBuildingNode::TaskBuild, "Building"},
        {"House1", 0, GBuildingNode::TaskRepair, "Building"},
        {"House1", 0, GBuildingNode::TaskUniqueUpgrade, "Building"},
        {"LumberMill2", 0, GBuildingNode::TaskProduce, "WorkedLumberMill"},
        {"LumberMill1", 0, GBuildingNode::TaskProduce, "WorkedLumberMill"},
        {"GoldenMine1", 0, GBuildingNode::TaskProduce, "WorkedGoldenMine"},
        {"GoldenMine2", 0, GBuildingNode::TaskProduce, ""},
        {"House1", 0, GBuildingNode::TaskActiveFeature, ""},
        {"House1", 0, GBuildingNode::TaskDestroy, "ButtonClick"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.type << " task " << c.task);
        auto place = makePlace();
        place->setReachable(true);
        place->setRequiredServices(true);
        auto type = makeBuildingType(c.type, GBuildingType::Produce, 1);
        type->SelectedSoundCueName = CName("HouseSelected");
        place->setType(type.get(), false, false);
        place->setDamageState(c.damage, false);
        place->setTask(c.task, nullptr);
        EXPECT_EQ(std::string(place->getSoundCueName().str().c_str()), c.cue);
    }
}

namespace {

// A scene manager with a template collection: damage icons, markers and the
// template "House1" of the place with its own children.
struct PlaceScene {
    CRefHandle<SceneManager> manager{new SceneManager(CObjectName(), nullptr, nullptr)};
    CRefHandle<TemplateCollectionNode> templates{new TemplateCollectionNode(CObjectName(), nullptr, nullptr)};
    CRefHandle<GBuildingNode> place;

    explicit PlaceScene(std::vector<std::pair<float, float>> arrivals = {{10.0f, 50.0f}}) {
        for (const char* name : {"RepairIcon", "DirtyIcon", "UnreachableMarker", "MoneyBurst", "License"})
            (void)addLog(templates.get(), name);
        BaseNode* house = addLog(templates.get(), "House1");
        house->setBounds(CVector3d(100.0f, 80.0f, 0.0f));
        // The hit area.
        auto* body = new GPolygonNode(CObjectName(), house, nullptr);
        body->setName(CName("Body"));
        body->setVerticesText(CString("0;0,100;0,100;80,0;80"));
        body->release();
        (void)addLog(house, "StarIcons");
        (void)addLog(house, "Selector");
        for (const auto& [x, y] : arrivals)
            (void)addLog(house, "WorkerArrivalPosition", x, y);
        (void)addLog(house, "WorkerLookPosition", 40.0f, 30.0f);
        templates->onLoaded();
        manager->setTemplateCollection(templates.get());

        place.reset(new GBuildingNode(CObjectName(), nullptr, manager.get()));
        place->setName(CName("Place1"));
        place->setPosition(CVector3d(200.0f, 100.0f, 0.0f));
        place->setBounds(CVector3d(100.0f, 80.0f, 0.0f));
        (void)addLog(place.get(), "Look");
        place->setTemplateName(CName("House1"));
    }

    BaseNode* child(const char* name) const { return place->findChild(CName(name), 1); }
};

bool hasEntry(const std::vector<std::string>& log, const std::string& wanted) {
    for (const std::string& e : log)
        if (e == wanted)
            return true;
    return false;
}

} // namespace

TEST(GBuildingNode, ArrivalPointsCloserThanThreeAreOne) {
    const struct {
        const char* what;
        std::vector<std::pair<float, float>> children;
        std::vector<std::pair<float, float>> points;
    } cases[] = {
        {"2 apart", {{10, 50}, {12, 50}}, {{210, 150}}},
        {"3 apart", {{10, 50}, {13, 50}}, {{210, 150}, {213, 150}}},
        {"a later one near an earlier one", {{10, 50}, {40, 50}, {11, 51}}, {{210, 150}, {240, 150}}},
        {"none: bottom centre of the bounds", {}, {{250, 180}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        PlaceScene scene(c.children);
        std::vector<std::pair<float, float>> points;
        for (const CVector2d& p : scene.place->getArrivalPoints())
            points.emplace_back(p.x, p.y);
        EXPECT_EQ(points, c.points);
    }
    PlaceScene scene;
    EXPECT_FLOAT_EQ(scene.place->getLookPoint().x, 240.0f);
    EXPECT_FLOAT_EQ(scene.place->getLookPoint().y, 130.0f);
}

TEST(GBuildingNode, TemplateBindsItsChildrenAndMakesTheMissingOnes) {
    takeLog();
    PlaceScene scene;
    GBuildingNode& place = *scene.place;
    ASSERT_NE(place.getTemplateRoot(), nullptr);
    EXPECT_NE(place.getStarIcons(), nullptr);
    EXPECT_NE(place.getSelector(), nullptr);
    ASSERT_NE(place.getUnreachableMarker(), nullptr) << "cloned from its template";
    EXPECT_EQ(place.getUnreachableMarker()->getParent(), place.getTemplateRoot());
    EXPECT_TRUE(place.getUnreachableMarker()->isVisible()) << "no level, no path: unreachable";
    ASSERT_NE(place.getMoneyBurst(), nullptr);
    EXPECT_EQ(place.getMoneyBurst()->getParent(), &place);
    EXPECT_FALSE(place.getMoneyBurst()->isVisible());
    ASSERT_NE(place.getLicenseMarker(), nullptr);
    EXPECT_FALSE(place.getLicenseMarker()->canBeHit());
    EXPECT_EQ(place.getFeatureText(), nullptr) << "no template of that name";
    const auto log = takeLog();
    EXPECT_TRUE(hasEntry(log, "Look:Done"));
    EXPECT_TRUE(hasEntry(log, "License:Disappear"));

    // Applying again binds the same kept children, not new ones.
    BaseNode* burst = place.getMoneyBurst();
    place.setTemplateName(CName("House1"));
    EXPECT_EQ(place.getMoneyBurst(), burst);
    EXPECT_NE(place.getStarIcons(), nullptr);
}

TEST(GBuildingNode, SceneryStatesComeFromTheLevelNumber) {
    const struct {
        int levelNumber;
        const char* snow;
        const char* setting;
    } cases[] = {{3, "HideSnow", "Setting1"}, {30, "ShowSnow", "Setting4"}, {12, "HideSnow", "Setting3"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.levelNumber);
        StandInLevel level;
        level.levelNumber = c.levelNumber;
        level.global->SettingsLastLevelsNumbers = CArray<int>();
        for (int last : {5, 10, 20})
            level.global->SettingsLastLevelsNumbers.push_back(last);
        PlaceScene scene;
        scene.place->setLevelScene(&level);
        takeLog();
        scene.place->setTemplateName(CName("House1"));
        const auto log = takeLog();
        EXPECT_TRUE(hasEntry(log, std::string("Look:") + c.snow));
        EXPECT_TRUE(hasEntry(log, std::string("Look:") + c.setting));
    }
}

TEST(GBuildingNode, DamageStatesShowTheirIconsAndRefuseWhatCannotBe) {
    PlaceScene scene;
    GBuildingNode& place = *scene.place;
    place.setDamageState(GBuildingNode::DamageBroken, false);
    EXPECT_EQ(place.getDamageState(), 0) << "unreachable and without its services";
    EXPECT_EQ(place.getDamageIcon(), nullptr);

    place.setReachable(true);
    place.setRequiredServices(true);
    takeLog();
    place.setDamageState(GBuildingNode::DamageBroken, false);
    EXPECT_EQ(place.getDamageState(), 1);
    ASSERT_NE(place.getDamageIcon(), nullptr);
    EXPECT_EQ(place.getDamageIcon()->getName(), CName("RepairIcon"));
    EXPECT_EQ(place.getDamageIcon()->getParent(), &place);
    auto log = takeLog();
    EXPECT_TRUE(hasEntry(log, "RepairIcon:Appear"));
    EXPECT_TRUE(hasEntry(log, "UnreachableMarker:Hide")) << "broken: the marker hides";

    BaseNode* repair = place.getDamageIcon();
    place.setDamageState(GBuildingNode::DamageDirty, false);
    ASSERT_NE(place.getDamageIcon(), nullptr);
    EXPECT_EQ(place.getDamageIcon()->getName(), CName("DirtyIcon"));
    log = takeLog();
    EXPECT_TRUE(hasEntry(log, "RepairIcon:Disappear"));
    EXPECT_TRUE(hasEntry(log, "UnreachableMarker:Show"));
    EXPECT_EQ(place.getFadingIconCount(), 1);
    EXPECT_EQ(repair->getParent(), &place) << "still there while it disappears";
    EXPECT_TRUE(place.update(50));
    EXPECT_EQ(place.getFadingIconCount(), 0) << "its Disappear has ended: removed, not left hidden";
    EXPECT_EQ(place.findChild(CName("RepairIcon"), 1), nullptr);

    place.setDamageState(GBuildingNode::DamageNone, false);
    EXPECT_EQ(place.getDamageIcon(), nullptr);

    // A place that may not break, or cannot be clicked, stays sound.
    for (bool mayBreak : {false, true}) {
        place.setMayBreak(mayBreak);
        place.setCanBeHit(mayBreak ? false : true);
        place.setDamageState(GBuildingNode::DamageBroken, true);
        EXPECT_EQ(place.getDamageState(), 0);
    }
}

TEST(GBuildingNode, UniqTypesWaitToBeRestored) {
    auto place = makePlace();
    auto uniq = makeBuildingType("Castle", GBuildingType::Uniq, 1);
    place->setType(uniq.get(), false, false);
    EXPECT_EQ(place->getDamageState(), 0) << "an unreachable place keeps its state";
    place->setReachable(true);
    place->setRequiredServices(true);
    place->setType(uniq.get(), false, false);
    EXPECT_EQ(place->getDamageState(), 3);
}

TEST(GBuildingNode, StarsShowTheLevelAndTheOldOneDuringALevelUp) {
    PlaceScene scene;
    GBuildingNode& place = *scene.place;
    auto house1 = makeBuildingType("House1", GBuildingType::Apartment, 1);
    auto house2 = makeBuildingType("House2", GBuildingType::Apartment, 2);
    auto shop = makeBuildingType("Shop1", GBuildingType::Commercial, 1);
    place.setType(house1.get(), false, false);
    BaseNode* stars = place.getStarIcons();
    ASSERT_NE(stars, nullptr);
    EXPECT_TRUE(stars->isVisible());

    place.setType(house2.get(), false, false);
    takeLog();
    place.setTask(GBuildingNode::TaskBuild, nullptr);
    EXPECT_EQ(takeLog(), (std::vector<std::string>{"StarIcons:Level0", "StarIcons:LevelUp0"}));
    place.setTask(GBuildingNode::TaskNone, nullptr);
    EXPECT_EQ(takeLog(), (std::vector<std::string>{"StarIcons:Level1", "StarIcons:LevelUp0"}));
    place.showLevelState(2, true, 0);
    EXPECT_EQ(takeLog(), (std::vector<std::string>{"StarIcons:Level1", "StarIcons:LevelUp0", "StarIcons:LevelUp1"}));
    place.showLevelState(3, false, 1);
    EXPECT_EQ(takeLog(), (std::vector<std::string>{"StarIcons:NextLevel2"}));
    place.showLevelState(4, false, 1);
    EXPECT_EQ(takeLog(), (std::vector<std::string>{"StarIcons:Hide"}));

    place.setType(shop.get(), false, false);
    EXPECT_FALSE(stars->isVisible()) << "only apartments show stars";
}

TEST(GBuildingNode, HoverAndFocusLooksWaitWhileTheLevelIsPaused) {
    StandInLevel level;
    PlaceScene scene;
    GBuildingNode& place = *scene.place;
    place.setLevelScene(&level);
    takeLog();
    place.setHovered(true);
    EXPECT_TRUE(hasEntry(takeLog(), "Look:NormalHover"));
    place.setFocused(true);
    EXPECT_TRUE(hasEntry(takeLog(), "Look:Focus"));
    place.setHovered(false);
    EXPECT_TRUE(hasEntry(takeLog(), "Look:FocusKillHover"));
    level.paused = true;
    place.setHovered(true);
    place.setFocused(false);
    EXPECT_TRUE(takeLog().empty());
}

TEST(GBuildingNode, PressStartsOnlyOnAnEnabledHitAndAReleaseOverItClicks) {
    PlaceScene scene;
    GBuildingNode& place = *scene.place;
    place.updateAbsoluteTransformation();
    CRefHandle<CEventMouseLeftDown> down(new CEventMouseLeftDown(230, 130));
    CRefHandle<CEventMouseLeftUp> up(new CEventMouseLeftUp(230, 130));
    CRefHandle<CEventMouseLeftDown> away(new CEventMouseLeftDown(10, 10));

    EXPECT_FALSE(place.onMouseDown(away.get()));
    EXPECT_FALSE(place.isPressed());
    place.setEnabled(false);
    EXPECT_FALSE(place.onMouseDown(down.get()));
    EXPECT_FALSE(place.isPressed());
    place.setEnabled(true);
    EXPECT_TRUE(place.onMouseDown(down.get()));
    EXPECT_TRUE(place.isPressed());
    takeLog();
    EXPECT_FALSE(place.onMouseUp(up.get())) << "a release is never consumed";
    EXPECT_TRUE(hasEntry(takeLog(), "Look:Press")) << "clicked: the click shows the press look";
    EXPECT_FALSE(place.isPressed());
}

TEST(GBuildingNode, IncomeClockSweepsFromGreenThroughYellowToRed) {
    class CountingSector : public GEllipseSectorNode {
    public:
        CountingSector(BaseNode* parent) : GEllipseSectorNode(CObjectName(), parent, nullptr) {
            CRefHandle<CNodeState> alert(new CNodeState(CName("Alert")));
            (void)addState(alert.get());
        }
        void setState(CName id, FallbackFunction fallback, CName reportedId) override {
            ++alerts;
            GEllipseSectorNode::setState(id, fallback, reportedId);
        }
        int alerts = 0;
    };
    CRefHandle<BaseNode> clock(new BaseNode(CObjectName(), nullptr, nullptr));
    (void)addLog(clock.get(), "Face");
    auto* sector = new CountingSector(clock.get());
    sector->release();
    BaseNode* hand = addLog(clock.get(), "Hand");

    const struct {
        float fraction;
        int angle;
        uint32_t color;
    } cases[] = {{0.0f, 0, 0xFF00FF00u},
                 {0.25f, 90, 0xFF7FFF00u},
                 {0.5f, 180, 0xFFFFFF00u},
                 {0.75f, 270, 0xFFFF7F00u},
                 {1.0f, 360, 0xFFFF0000u}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fraction);
        updateIncomeClock(clock.get(), c.fraction);
        EXPECT_EQ(sector->getAngle2(), c.angle);
        EXPECT_EQ(sector->getFillColor(), CColor(c.color));
        EXPECT_FLOAT_EQ(hand->getRotation().z, float(c.angle));
    }
    EXPECT_EQ(sector->alerts, 1) << "Alert once past three quarters";

    CRefHandle<BaseNode> small(new BaseNode(CObjectName(), nullptr, nullptr));
    (void)addLog(small.get(), "Face");
    updateIncomeClock(small.get(), 0.5f); // fewer than three children: nothing
}

TEST(GBuildingNode, LevelSceneHearsAboutWalkersAndTrains) {
    StandInLevel level;
    auto place = makePlace();
    place->setLevelScene(&level);
    auto type = makeBuildingType("Station", GBuildingType::Service, 1);
    type->TrainArrivalTimeRange = {4000, 4000};
    place->setType(type.get(), false, false);
    CRefHandle<BaseNode> worker(new BaseNode(CObjectName(), nullptr, nullptr));
    CRefHandle<BaseNode> stranger(new BaseNode(CObjectName(), nullptr, nullptr));
    CRefHandle<BaseNode> train(new BaseNode(CObjectName(), nullptr, nullptr));

    EXPECT_EQ(place->addIncomingWorker(worker.get()), 0);
    EXPECT_EQ(place->addIncomingWorker(worker.get()), 0) << "listed once";
    place->onWorkerArrived(stranger.get());
    EXPECT_TRUE(level.receiver->messages.empty()) << "a walker not expected changes nothing";
    place->onWorkerArrived(worker.get());
    EXPECT_EQ(place->getWorkersCount(), 1);
    EXPECT_EQ(place->getIncomingWorkersCount(), 0);
    EXPECT_FALSE(worker->isVisible());
    place->update(500);
    place->onWorkerLeft(worker.get());
    EXPECT_EQ(place->getTimeSinceWorkerLeft(), 0);

    place->onTrainAssigned(train.get());
    place->onTrainArrived(train.get());
    EXPECT_FALSE(place->getNoTrainYet());
    EXPECT_EQ(place->getStandingTrains().size(), 1u);
    EXPECT_TRUE(place->getAssignedTrains().empty());
    place->update(1000);
    place->onTrainLeft(train.get());
    EXPECT_EQ(place->getTrainCountdown(), 4000);
    EXPECT_TRUE(place->getStandingTrains().empty());

    auto& messages = level.receiver->messages;
    ASSERT_EQ(messages.size(), 4u);
    EXPECT_EQ(messages[0]->getType(), GWorkerArrivedMessage::TypeId);
    EXPECT_EQ(static_cast<GWorkerArrivedMessage*>(messages[0].get())->getWorker<BaseNode>(), worker.get());
    EXPECT_EQ(messages[1]->getType(), GWorkerLeavedMessage::TypeId);
    EXPECT_EQ(messages[2]->getType(), GTrainArrivedMessage::TypeId);
    auto* left = static_cast<GTrainLeavedMessage*>(messages[3].get());
    ASSERT_EQ(left->getType(), GTrainLeavedMessage::TypeId);
    EXPECT_EQ(left->getBuilding<GBuildingNode>(), place.get());
    EXPECT_EQ(left->getTrain<BaseNode>(), train.get());
    EXPECT_EQ(left->getTrainKey(), 0);
}

TEST(GBuildingNode, UniqueUpgradesComeAndGoByTheirOwnEntry) {
    CRefHandle<GUniqUpgradeConfig> up1(new GUniqUpgradeConfig);
    up1->Name = CName("IncomeUp");
    up1->UniqUpIncomeBonus = 10;
    CRefHandle<GUniqUpgradeConfig> up2(new GUniqUpgradeConfig);
    up2->Name = CName("GuestsUp");
    up2->UniqUpGuestsBonus = 4;
    auto place = makePlace();
    EXPECT_FALSE(place->hasUniqueUpgrade(CName()));
    place->removeUniqueUpgrade(up1.get());
    EXPECT_EQ(place->getUpgradeIncomeBonus(), 0) << "not applied: nothing taken back";

    place->applyUniqueUpgrade(up1.get());
    place->applyUniqueUpgrade(up2.get());
    EXPECT_TRUE(place->hasUniqueUpgrade(CName()));
    place->removeUniqueUpgrade(up2.get());
    EXPECT_TRUE(place->hasUniqueUpgrade(CName("IncomeUp"))) << "the given upgrade goes, not the first one";
    EXPECT_FALSE(place->hasUniqueUpgrade(CName("GuestsUp")));
    EXPECT_EQ(place->getUpgradeIncomeBonus(), 10);
    EXPECT_EQ(place->getUpgradeGuestsBonus(), 0);
}

TEST(GBuildingNode, ACancelledTaskBringsBackBothUpgradeBonusesAndTheDamage) {
    CRefHandle<GUniqUpgradeConfig> up1(new GUniqUpgradeConfig);
    up1->Name = CName("IncomeUp");
    up1->UniqUpIncomeBonus = 10;
    CRefHandle<GUniqUpgradeConfig> up2(new GUniqUpgradeConfig);
    up2->Name = CName("GuestsUp");
    up2->UniqUpGuestsBonus = 4;
    auto place = makePlace();
    place->setReachable(true);
    place->setRequiredServices(true);
    auto house = makeBuildingType("House1", GBuildingType::Apartment, 1);
    auto empty = makeBuildingType("Place", GBuildingType::BuildingPlace, 0);
    place->setType(house.get(), false, false);
    place->applyUniqueUpgrade(up1.get());
    place->applyUniqueUpgrade(up2.get());
    place->setDamageState(GBuildingNode::DamageDirty, false);

    place->saveCancelState();
    place->removeUniqueUpgrade(up1.get());
    place->removeUniqueUpgrade(up2.get());
    place->setDamageState(GBuildingNode::DamageNone, false);
    place->setType(empty.get(), false, false);
    place->setType(house.get(), true, false);
    EXPECT_EQ(place->getUpgradeIncomeBonus(), 10);
    EXPECT_EQ(place->getUpgradeGuestsBonus(), 4);
    EXPECT_EQ(place->getUniqueUpgrades().size(), 2u);
    EXPECT_EQ(place->getDamageState(), GBuildingNode::DamageDirty);
}

TEST(GBuildingNode, TasksPreviewsAndTheLevelsQuestions) {
    StandInLevel level;
    auto place = makePlace();
    place->setLevelScene(&level);
    CRefHandle<StandInTask> task(new StandInTask);
    EXPECT_EQ(place->cancelTask(), 0) << "no task";
    place->setTask(GBuildingNode::TaskProduce, task.get());
    EXPECT_FLOAT_EQ(place->getTaskProgress(), 0.25f);
    EXPECT_EQ(place->cancelTask(), 1);
    place->setTask(GBuildingNode::TaskProduce, nullptr);
    EXPECT_FLOAT_EQ(place->getTaskProgress(), 0.0f);
    EXPECT_EQ(task->referenceCount(), 1) << "the place let it go";

    const int before = level.recalculations;
    place->setIncomeBonusPreview(12);
    place->clearGuestsBonusPreview();
    auto type = makeBuildingType("House1", GBuildingType::Apartment, 1);
    place->setPreviewType(type.get());
    EXPECT_EQ(level.recalculations, before + 3);
    EXPECT_EQ(place->getIncomeBonusPreview(), 12);
    EXPECT_EQ(place->getPreviewType(), type.get());

    // Arrival point: the chosen one, else the first.
    EXPECT_FLOAT_EQ(place->getArrivalPoint().x, 0.0f);
    place->setChosenArrivalPoint(CVector2d(5.0f, 6.0f));
    EXPECT_FLOAT_EQ(place->getArrivalPoint().y, 6.0f);

    // Random resources need a reachable, served, operating place without one.
    place->setTask(GBuildingNode::TaskNone, nullptr);
    place->setType(type.get(), false, false);
    EXPECT_FALSE(place->canSpawnRandomResource());
    place->setReachable(true);
    place->setRequiredServices(true);
    EXPECT_TRUE(place->canSpawnRandomResource());
    CRefHandle<GBuildingNode> pile(new GBuildingNode(CObjectName(), nullptr, nullptr));
    auto pileType = makeBuildingType("GoldPile", GBuildingType::OnRoad, 1);
    pile->setType(pileType.get(), false, false);
    place->update(200);
    place->attachRandomResource(pile.get(), false);
    EXPECT_FALSE(place->canSpawnRandomResource());
    EXPECT_EQ(place->getRandomResourceTimer(), 0);
    EXPECT_EQ(pile->getName(), CName("RandomResource"));
    ASSERT_NE(pile->findChild(CName("WorkerArrivalPosition"), 1), nullptr) << "where its workers stand";
    ASSERT_FALSE(level.receiver->messages.empty());
    auto* appeared = static_cast<GRandomResourceAppearedMessage*>(level.receiver->messages.back().get());
    ASSERT_EQ(appeared->getType(), GRandomResourceAppearedMessage::TypeId);
    EXPECT_EQ(appeared->getBuilding<GBuildingNode>(), place.get());
    EXPECT_EQ(appeared->getPileType(), CName("GoldPile"));
}

TEST(GBuildingNode, RequiredServicesComeFromAnIdleNeighbourThatCoversThePlace) {
    StandInLevel level;
    auto needy = makeBuildingType("House1", GBuildingType::Apartment, 1);
    needy->RequiredServeAreas.push_back(CName("Water"));
    auto well = makeBuildingType("Well", GBuildingType::Service, 1);
    ServeArea area;
    area.Name = CName("Water");
    area.Area.push_back(CVector2di(1, 0));
    well->ServeAreas.push_back(area);

    auto home = makePlace();
    auto provider = makePlace();
    home->setPlaceNumber(1);
    provider->setPlaceNumber(0);
    provider->setType(well.get(), false, false);
    level.places = {provider.get(), home.get()};
    home->setLevelScene(&level);
    EXPECT_TRUE(home->isRequiredServiceProvided(1, needy.get()));
    EXPECT_FALSE(home->isRequiredServiceProvided(2, needy.get())) << "not covered";
    auto free = makeBuildingType("Shed", GBuildingType::Service, 1);
    EXPECT_TRUE(home->isRequiredServiceProvided(2, free.get())) << "nothing required";
    provider->setTask(GBuildingNode::TaskBuild, nullptr);
    EXPECT_FALSE(home->isRequiredServiceProvided(1, needy.get())) << "a busy provider serves nobody";
    auto lonely = makePlace();
    EXPECT_FALSE(lonely->isRequiredServiceProvided(1, needy.get())) << "no level";
}

TEST(GBuildingNode, LuckinessIsWrittenOnlyWhenSetAndCopiesShareTheType) {
    const struct {
        int luckiness;
        bool written;
    } cases[] = {{0, false}, {1, true}, {-1, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.luckiness);
        auto place = makePlace();
        place->setLuckinessType(c.luckiness);
        CRefHandle<CPropertyBag> bag(new CPropertyBag);
        place->writeProperties(*bag);
        EXPECT_EQ(bag->indexOf("LuckinessType") >= 0, c.written);
        auto read = makePlace();
        read->readProperties(*bag);
        EXPECT_EQ(read->getLuckinessType(), c.luckiness);
    }
    CRefHandle<CPropertyBag> odd(new CPropertyBag);
    odd->setString("LuckinessType", CString("lucky"));
    auto place = makePlace();
    place->setLuckinessType(1);
    place->readProperties(*odd);
    EXPECT_EQ(place->getLuckinessType(), 0) << "another kind reads as 0";

    auto type = makeBuildingType("House1", GBuildingType::Apartment, 1);
    place->setType(type.get(), false, false);
    CRefHandle<BaseNode> copy(place->clone(nullptr, nullptr));
    EXPECT_EQ(nodeCast<GBuildingNode>(copy.get())->getType(), type.get());
}

TEST(GBuildingNode, AFocusedPlaceTellsItsParentItChanged) {
    class ParentLog : public BaseNode {
    public:
        ParentLog() : BaseNode(CObjectName(), nullptr, nullptr) { setMask(CEvent::MaskAll); }
        bool handleEvent(CEvent* event) override {
            seen.push_back(event->getType());
            return true;
        }
        std::vector<int32_t> seen;
    };
    CRefHandle<ParentLog> parent(new ParentLog);
    auto* place = new GBuildingNode(CObjectName(), parent.get(), nullptr);
    place->release();
    place->notifyChanged();
    EXPECT_TRUE(parent->seen.empty());
    place->setFocused(true);
    parent->seen.clear();
    place->notifyChanged();
    EXPECT_EQ(parent->seen, std::vector<int32_t>{GBuildingChangedMessage::TypeId});
}
