#include "game/world/GDilizhansNode.h"

#include "engine/core/CRefHandle.h"
#include "engine/scene/SceneManager.h"
#include "engine/scene/TemplateCollectionNode.h"
#include "game/world/GBuildingNode.h"
#include "game/world/GGertrudaNode.h"
#include "tests/game/world/StandInLevel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

CArray<CVector2d> points(std::initializer_list<CVector2d> list) {
    CArray<CVector2d> out;
    for (const CVector2d& point : list)
        out.push_back(point);
    return out;
}

std::vector<CVector2d> toVector(const CArray<CVector2d>& array) {
    std::vector<CVector2d> out;
    for (const CVector2d& point : array)
        out.push_back(point);
    return out;
}

// Adds a part `name` (a character, or a plain node) with a "Body" of
// `width` x 20 under `parent`.
void addPart(BaseNode* parent, const char* name, float width, bool character = true) {
    BaseNode* part = character ? static_cast<BaseNode*>(new GCharacterNode(CObjectName(), parent, nullptr))
                               : new BaseNode(CObjectName(), parent, nullptr);
    part->setName(CName(name));
    part->release();
    auto* body = new BaseNode(CObjectName(), part, nullptr);
    body->setName(CName("Body"));
    body->setPosition({-width * 0.5f, -20.0f, 0.0f});
    body->setBounds({width, 20.0f, 0.0f});
    body->release();
}

// A level with a walker layer, a scene manager whose templates hold
// "DilizhansNew", the headquarters at (100, 100) and a depot at (600, 100).
struct CoachLevel {
    StandInLevel level;
    CRefHandle<SceneManager> manager{new SceneManager(CObjectName(), nullptr, nullptr)};
    CRefHandle<TemplateCollectionNode> templates{new TemplateCollectionNode(CObjectName(), nullptr, nullptr)};
    CRefHandle<BaseNode> layer{new BaseNode(CObjectName(), nullptr, nullptr)};
    CRefHandle<GBuildingNode> home{new GBuildingNode(CObjectName(), nullptr, nullptr)};
    CRefHandle<GBuildingNode> depot{new GBuildingNode(CObjectName(), nullptr, nullptr)};
    CRefHandle<GWorkerConfig> record{new GWorkerConfig};

    explicit CoachLevel(bool withParts = true, bool cartIsCharacter = true) {
        if (withParts) {
            auto* coach = new BaseNode(CObjectName(), templates.get(), nullptr);
            coach->setName(CName("DilizhansNew"));
            coach->release();
            addPart(coach, "Horse", 40.0f);
            addPart(coach, "Telega", 60.0f, cartIsCharacter);
        }
        templates->onLoaded();
        manager->setTemplateCollection(templates.get());
        level.walkerLayer = layer.get();
        level.headquarters = home.get();
        home->setChosenArrivalPoint({100.0f, 100.0f});
        depot->setChosenArrivalPoint({600.0f, 100.0f});
        home->setLevelScene(&level);
        depot->setLevelScene(&level);
        record->Velocity = 300;
    }

    void setPartDistance(std::initializer_list<int> distances, int tolerance = 5) {
        level.global->PartDistance.clear();
        for (int distance : distances)
            level.global->PartDistance.push_back(distance);
        level.global->DilizhansHorseDistanceTolerance = tolerance;
    }

    // Its template applied before it joins the level, as a clone is.
    CRefHandle<GDilizhansNode> coach() {
        CRefHandle<GDilizhansNode> node(new GDilizhansNode(CObjectName(), nullptr, manager.get()));
        node->applyTemplate();
        node->setWorkerConfig(record.get());
        node->setLevelScene(&level);
        return node;
    }
};

} // namespace

TEST(GDilizhansNode, RightAngleCornersAreCutAndOtherBendsKept) {
    const struct {
        const char* what;
        std::vector<CVector2d> path;
        std::vector<CVector2d> smoothed;
    } cases[] = {
        {"an L loses its corner", {{0, 0}, {100, 0}, {100, 100}}, {{0, 0}, {100, 100}}},
        {"a 45-degree bend stays", {{0, 0}, {100, 0}, {200, 100}}, {{0, 0}, {100, 0}, {200, 100}}},
        {"a straight point stays", {{0, 0}, {50, 0}, {100, 0}}, {{0, 0}, {50, 0}, {100, 0}}},
        {"within ten degrees of square", {{0, 0}, {100, 0}, {115, 100}}, {{0, 0}, {115, 100}}},
        {"past ten degrees of square", {{0, 0}, {100, 0}, {120, 100}}, {{0, 0}, {100, 0}, {120, 100}}},
        {"a U loses both corners", {{0, 0}, {100, 0}, {100, 100}, {0, 100}}, {{0, 0}, {0, 100}}},
        {"a repeated point stays", {{0, 0}, {0, 0}, {100, 0}}, {{0, 0}, {0, 0}, {100, 0}}},
        {"two points", {{0, 0}, {0, 100}}, {{0, 0}, {0, 100}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CArray<CVector2d> path;
        for (const CVector2d& point : c.path)
            path.push_back(point);
        CArray<CVector2d> smoothed;
        GDilizhansNode::smoothCorners(path, smoothed);
        const std::vector<CVector2d> got = toVector(smoothed);
        ASSERT_EQ(got.size(), c.smoothed.size());
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_FLOAT_EQ(got[i].x, c.smoothed[i].x);
            EXPECT_FLOAT_EQ(got[i].y, c.smoothed[i].y);
        }
    }
}

TEST(GDilizhansNode, TheHorseRunsAThirdFasterOrSlowerToKeepItsDistance) {
    // PartDistance 60, tolerance 5, speed 300: 9 units in 30 ms normally.
    const struct {
        float distance; // horse to cart once the cart has moved
        uint32_t step;
        float moved;
    } cases[] = {
        {50.0f, 40, 12.0f}, {70.0f, 20, 6.0f},  {58.0f, 30, 9.0f}, {55.0f, 30, 9.0f},
        {65.0f, 30, 9.0f},  {54.0f, 40, 12.0f}, {66.0f, 20, 6.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.distance);
        EXPECT_EQ(GDilizhansNode::horseStep(30, 60.0f, c.distance, 5), c.step);

        CoachLevel fixture;
        fixture.setPartDistance({60});
        auto coach = fixture.coach();
        coach->selectWalkAnimations();
        ASSERT_TRUE(coach->setPath(points({{0, 0}, {10000, 0}}), false));
        GCharacterNode* horse = coach->getHorse();
        GCharacterNode* cart = coach->getCart();
        ASSERT_TRUE(horse && cart);
        // Put the horse where the cart will be after this update plus the
        // distance.
        const float cartNext = cart->getPosition().x + 9.0f;
        ASSERT_TRUE(horse->setPath(points({{cartNext + c.distance, 0}, {20000, 0}}), false));
        (void)coach->update(30);
        EXPECT_NEAR(cart->getPosition().x, cartNext, 0.01f);
        EXPECT_NEAR(horse->getPosition().x - (cartNext + c.distance), c.moved, 0.01f);
    }
    // A direction beyond the list stops the horse.
    CoachLevel fixture;
    fixture.setPartDistance({60});
    auto coach = fixture.coach();
    coach->selectWalkAnimations();
    ASSERT_TRUE(coach->setPath(points({{0, 0}, {0, 10000}}), false));
    ASSERT_EQ(coach->getCurrentDirection(), 6);
    const float horseY = coach->getHorse()->getPosition().y;
    (void)coach->update(30);
    EXPECT_FLOAT_EQ(coach->getHorse()->getPosition().y, horseY);
}

TEST(GDilizhansNode, ANewPathGivesTheHorseItsHeadStart) {
    const struct {
        const char* what;
        std::initializer_list<int> partDistance;
        int velocity;
        float horse, cart;
    } cases[] = {
        // 60 x 1000 / 300 / 100 = 2 ms steps: the horse 60 ahead, then all
        // drive 60 more.
        {"PartDistance 60", {60}, 300, 120.0f, 60.0f},
        // 15 x 1000 / 260 / 100 = 0, raised to 1 ms; without a distance for
        // the direction the horse stands while the rest catch up.
        {"no PartDistance", {}, 260, 26.0f, 26.0f},
        {"Velocity 0 counts as 1", {60}, 0, 120.0f, 60.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CoachLevel fixture;
        fixture.setPartDistance(c.partDistance);
        fixture.record->Velocity = c.velocity;
        fixture.record->MinimumVelocity = 0;
        auto coach = fixture.coach();
        coach->selectWalkAnimations();
        ASSERT_TRUE(coach->setPath(points({{0, 0}, {100000, 0}}), false));
        EXPECT_NEAR(coach->getHorse()->getPosition().x, c.horse, 0.05f);
        EXPECT_NEAR(coach->getCart()->getPosition().x, c.cart, 0.05f);
        EXPECT_NEAR(coach->getPosition().x, c.cart, 0.05f);
        EXPECT_TRUE(coach->getHorse()->isVisible());
    }
}

TEST(GDilizhansNode, PartsComeFromTheTemplateAndShowOnlyWhileItDrives) {
    CoachLevel fixture;
    fixture.setPartDistance({60, 60, 60, 60, 60, 60, 60, 60, 60});
    auto coach = fixture.coach();
    EXPECT_TRUE(coach->isKindOf(GDilizhansNode::TypeId));
    EXPECT_TRUE(coach->isKindOf(GWorkerNode::TypeId));
    GCharacterNode* horse = coach->getHorse();
    GCharacterNode* cart = coach->getCart();
    ASSERT_TRUE(horse && cart);
    EXPECT_EQ(horse->getName(), CName("Horse"));
    EXPECT_EQ(cart->getName(), CName("Telega"));
    EXPECT_EQ(horse->getParent(), fixture.layer.get());
    EXPECT_EQ(fixture.layer->getChildren().size(), 2u);
    EXPECT_FALSE(horse->isVisible()) << "hidden while it stands";
    ASSERT_NE(coach->getHorseBody(), nullptr);

    // Applying the template again replaces the parts.
    coach->applyTemplate();
    EXPECT_EQ(fixture.layer->getChildren().size(), 2u);
    EXPECT_NE(coach->getHorse(), nullptr);

    // The L: no corner, one diagonal run.
    coach->setTarget(fixture.depot.get());
    coach->sendTo(fixture.home.get(), false);
    fixture.level.pathSearch = [](const CVector2d& from, const CVector2d& to, CArray<CVector2d>& out) {
        out.clear();
        out.push_back(to);
        out.push_back(CVector2d(from.x, to.y));
        out.push_back(from);
        return true;
    };
    fixture.home->setChosenArrivalPoint({100.0f, 400.0f});
    (void)coach->update(30);
    ASSERT_EQ(coach->getJobState(), GWorkerNode::JobToHome);
    ASSERT_TRUE(coach->isWalking());
    EXPECT_EQ(coach->getPath().size(), 2u) << "the corner of the L was cut";
    EXPECT_TRUE(coach->getHorse()->isVisible());
    EXPECT_TRUE(coach->getCart()->isVisible());

    // Its rectangle is the union of the two bodies.
    const CRect rect = coach->getRect();
    const BaseNode* horseNode = coach->getHorse();
    const BaseNode* cartNode = coach->getCart();
    EXPECT_FLOAT_EQ(rect.left, std::min(horseNode->getPosition().x - 20.0f, cartNode->getPosition().x - 30.0f));
    EXPECT_FLOAT_EQ(rect.right, std::max(horseNode->getPosition().x + 20.0f, cartNode->getPosition().x + 30.0f));

    for (int i = 0; i < 400 && coach->isWalking(); ++i)
        (void)coach->update(30);
    EXPECT_EQ(coach->getJobState(), GWorkerNode::JobIdle);
    EXPECT_FALSE(coach->getHorse()->isVisible());
    EXPECT_FALSE(coach->getCart()->isVisible());
    EXPECT_EQ(fixture.home->getStagecoaches().size(), 1u) << "the headquarters heard of the arrival";
}

TEST(GDilizhansNode, WithoutTheTemplateOrACharacterPartItDrivesWithoutThatPart) {
    {
        CoachLevel fixture(false);
        auto coach = fixture.coach();
        EXPECT_EQ(coach->getHorse(), nullptr);
        EXPECT_EQ(coach->getCart(), nullptr);
        coach->setBounds({30.0f, 20.0f, 0.0f});
        ASSERT_TRUE(coach->setPath(points({{0, 0}, {1000, 0}}), false));
        const CRect rect = coach->getRect();
        EXPECT_FLOAT_EQ(rect.width(), 30.0f) << "its own rectangle";
        (void)coach->update(30);
    }
    CoachLevel fixture(true, false);
    auto coach = fixture.coach();
    EXPECT_NE(coach->getHorse(), nullptr);
    EXPECT_EQ(coach->getCart(), nullptr) << "a part that is no character is dropped";
    EXPECT_EQ(fixture.layer->getChildren().size(), 1u);
}

TEST(GDilizhansNode, AStagecoachCarriesFiveWorkersWhoLeaveItOneByOne) {
    CoachLevel fixture;
    fixture.setPartDistance({60, 60, 60, 60, 60, 60, 60, 60, 60});
    auto coach = fixture.coach();
    std::vector<CRefHandle<GWorkerNode>> passengers;
    for (int i = 0; i < 5; ++i) {
        CRefHandle<GWorkerNode> worker(new GWorkerNode(CObjectName(), nullptr, nullptr));
        worker->setBounds({20.0f, 40.0f, 0.0f});
        worker->setLevelScene(&fixture.level);
        worker->setCarrier(coach.get());
        worker->setJobState(GWorkerNode::JobWorking);
        coach->addPassenger(worker.get());
        passengers.push_back(worker);
    }
    coach->addPassenger(passengers[0].get());
    ASSERT_EQ(coach->getPassengers().size(), 5u) << "each rides once";

    coach->setTarget(fixture.depot.get());
    coach->sendTo(fixture.home.get(), false);
    (void)coach->update(30);
    ASSERT_TRUE(coach->isWalking());
    for (const auto& passenger : passengers) {
        EXPECT_EQ(passenger->getJobState(), GWorkerNode::JobIdle);
        EXPECT_EQ(passenger->getSource(), fixture.depot.get());
        EXPECT_EQ(passenger->getTarget(), fixture.home.get());
    }
    for (int i = 0; i < 400 && coach->isWalking(); ++i)
        (void)coach->update(30);
    ASSERT_FALSE(coach->isWalking());
    EXPECT_EQ(fixture.home->getWorkersCount(), 5) << "the headquarters takes the riders over";
    EXPECT_TRUE(coach->getPassengers().empty());

    // The passengers get off at the headquarters and set off for the depot
    // one after the other: (ms x 260) / 1024 must pass 30 units.
    std::vector<int> leftAt;
    for (const auto& passenger : passengers)
        passenger->sendTo(fixture.depot.get(), true);
    for (int tick = 1; tick <= 30; ++tick) {
        (void)coach->update(30);
        for (const auto& passenger : passengers) {
            const bool queued = passenger->getJobState() == GWorkerNode::JobQueued;
            (void)passenger->update(30);
            if (queued && passenger->getJobState() != GWorkerNode::JobQueued)
                leftAt.push_back(tick);
            if (passenger->getJobState() == GWorkerNode::JobQueued) {
                EXPECT_FALSE(passenger->isVisible());
                EXPECT_EQ(passenger->getPosition().x, coach->getPosition().x) << "it waits in the coach";
            }
        }
    }
    EXPECT_EQ(leftAt, (std::vector<int>{1, 6, 11, 16, 21}));
    EXPECT_EQ(coach->getLastPassengerSpeed(), 260);
}

TEST(GGertrudaNode, IsAWorkerWhoTalksWhileSheWorks) {
    CRefHandle<GGertrudaNode> guide(new GGertrudaNode(CObjectName(), nullptr, nullptr));
    EXPECT_TRUE(guide->isKindOf(2063));
    EXPECT_TRUE(guide->isKindOf(GWorkerNode::TypeId));
    EXPECT_FALSE(guide->isKindOf(GDilizhansNode::TypeId));
    CRefHandle<BaseNode> copy(guide->clone(nullptr, nullptr));
    EXPECT_NE(nodeCast<GGertrudaNode>(copy.get()), nullptr);
    const CArray<CName>& talk = guide->getWorkAnimations(nullptr);
    ASSERT_EQ(talk.size(), 4u);
    EXPECT_EQ(talk[0], CName("WorkLeftTalk"));
    EXPECT_EQ(talk[1], CName("WorkRightTalk"));
    EXPECT_EQ(talk[2], CName("WorkUpTalk"));
    EXPECT_EQ(talk[3], CName("WorkDownTalk"));
}
