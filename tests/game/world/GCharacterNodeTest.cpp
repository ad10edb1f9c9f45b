#include "game/world/GCharacterNode.h"

#include "engine/core/CRefHandle.h"
#include "engine/core/CUpdateScheduler.h"
#include "game/config/IGameLevel.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Records the sector of every turn and the path callbacks.
class RecordingCharacter : public GCharacterNode {
public:
    RecordingCharacter() : GCharacterNode(CObjectName(), nullptr, nullptr) { setBounds({10.0f, 30.0f, 0.0f}); }

    void faceDirection(const CVector2d& vector) override {
        GCharacterNode::faceDirection(vector);
        sectors.push_back(getCurrentDirection());
    }
    void onPathStarted() override { ++started; }
    void onPathFinished() override { ++finished; }

    std::vector<int32_t> sectors;
    int started = 0;
    int finished = 0;
};

CArray<CVector2d> points(std::initializer_list<CVector2d> list) {
    CArray<CVector2d> out;
    for (const CVector2d& point : list)
        out.push_back(point);
    return out;
}

class PathLevel : public IGameLevel {
public:
    CEventReceiver* getLevelReceiver() override { return nullptr; }
    LevelConfiguration* getLevelConfiguration() const override { return nullptr; }
    ObjectsConfiguration* getObjectsConfiguration() const override { return nullptr; }
    const GLevelModifierValues* getModifierValues() const override { return nullptr; }
    float getLevelIncome() const override { return 0.0f; }
    int getHeadquartersGold() const override { return 0; }
    CUpdateScheduler* getUpdateScheduler() const override { return scheduler.get(); }
    bool findPath(const CVector2d& from, const CVector2d& to, CArray<CVector2d>& out, bool straighten) override {
        lastStraighten = straighten;
        out.clear();
        out.push_back(to);
        out.push_back(CVector2d(from.x, to.y));
        out.push_back(from);
        return true;
    }
    CRefHandle<CUpdateScheduler> scheduler{new CUpdateScheduler};
    bool lastStraighten = false;
};

} // namespace

TEST(GCharacterNode, NineDirectionsMapToTheirSectorsAndAnimations) {
    const struct {
        CVector2d vector;
        int32_t sector;
        const char* animation;
    } cases[] = {
        {{1.0f, 0.0f}, 0, "MoveRight"},     {{1.0f, -1.0f}, 1, "MoveRightUp"},  {{0.0f, -1.0f}, 2, "MoveUp"},
        {{-1.0f, -1.0f}, 3, "MoveLeftUp"},  {{-1.0f, 0.0f}, 4, "MoveLeft"},     {{-1.0f, 1.0f}, 5, "MoveLeftDown"},
        {{0.0f, 1.0f}, 6, "MoveDown"},      {{1.0f, 1.0f}, 7, "MoveRightDown"}, {{1.0f, 0.1f}, 8, "MoveRight"},
        {{1.0f, -0.42f}, 1, "MoveRightUp"}, {{1.0f, -0.41f}, 0, "MoveRight"},
    };
    CRefHandle<RecordingCharacter> character(new RecordingCharacter);
    character->faceDirection({1.0f, 0.0f});
    EXPECT_EQ(character->getCurrentDirection(), -1) << "no walk table yet: no turn";
    EXPECT_TRUE(character->getCurrentAnimation().empty());
    character->selectWalkAnimations();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.animation);
        EXPECT_EQ(GCharacterNode::directionSector(c.vector), c.sector);
        character->faceDirection(c.vector);
        EXPECT_EQ(character->getCurrentDirection(), c.sector);
        EXPECT_EQ(character->getCurrentAnimation(), CName(c.animation));
    }
}

TEST(GCharacterNode, A200MillisecondStepPassesSeveralPointsFacingEachSegment) {
    CRefHandle<RecordingCharacter> character(new RecordingCharacter);
    character->selectWalkAnimations();
    // Start first: right, down, left, down, right; 20 units each.
    ASSERT_TRUE(character->setPath(points({{0, 0}, {20, 0}, {20, 20}, {0, 20}, {0, 40}, {20, 40}}), false));
    EXPECT_EQ(character->started, 1);
    EXPECT_FLOAT_EQ(character->getPosition().x, 0.0f);
    EXPECT_FLOAT_EQ(character->getPosition().y, 0.0f);
    EXPECT_EQ(character->sectors, (std::vector<int32_t>{0}));

    // 200 ms at 350 units per second: 70 units, three points passed.
    character->walk(200);
    EXPECT_EQ(character->sectors, (std::vector<int32_t>{0, 6, 4, 6}));
    EXPECT_EQ(character->getCurrentAnimation(), CName("MoveDown"));
    EXPECT_NEAR(character->getPosition().x, 0.0f, 1e-4f);
    EXPECT_NEAR(character->getPosition().y, 30.0f, 1e-4f);
    EXPECT_NEAR(character->getTravelled(), 10.0f, 1e-4f);
    EXPECT_EQ(character->getPath().size(), 3u);
    // Depth: y + x * 0.0001 + Bounds height.
    EXPECT_NEAR(character->getPosition().z, 30.0f + 30.0f, 1e-4f);

    // A 30 ms step covers 10.5 units.
    character->walk(30);
    EXPECT_NEAR(character->getPosition().y, 40.0f, 1e-4f);
    EXPECT_NEAR(character->getPosition().x, 0.5f, 1e-4f);
    EXPECT_NEAR(character->getPosition().z, 40.0f + 0.5f * 0.0001f + 30.0f, 1e-4f);
    EXPECT_EQ(character->finished, 0);

    // Reaching the end: exactly on the last point, standing.
    character->walk(1000);
    EXPECT_FLOAT_EQ(character->getPosition().x, 20.0f);
    EXPECT_FLOAT_EQ(character->getPosition().y, 40.0f);
    EXPECT_EQ(character->getCurrentAnimation(), GCharacterNode::standAnimation());
    EXPECT_TRUE(character->getPath().empty());
    EXPECT_FALSE(character->isWalking());
    EXPECT_EQ(character->finished, 1);
    // Standing, walking does nothing.
    character->walk(100);
    EXPECT_EQ(character->finished, 1);
}

TEST(GCharacterNode, ShortPathIsRefusedAndKeepsTheWalk) {
    CRefHandle<RecordingCharacter> character(new RecordingCharacter);
    character->selectWalkAnimations();
    ASSERT_TRUE(character->setPath(points({{40, 0}, {0, 0}}), true));
    EXPECT_EQ(character->getCurrentAnimation(), CName("MoveRight")) << "destination first: walks right";
    for (const auto& refused : {points({}), points({{5, 5}})}) {
        EXPECT_FALSE(character->setPath(refused, false));
    }
    EXPECT_EQ(character->started, 3);
    EXPECT_EQ(character->finished, 2);
    EXPECT_EQ(character->getPath().size(), 2u);
    character->walk(100);
    EXPECT_NEAR(character->getPosition().x, 35.0f, 1e-4f);
}

TEST(GCharacterNode, JoinsTheLevelSchedulerAndWalksTheLevelsPath) {
    PathLevel level;
    CRefHandle<RecordingCharacter> character(new RecordingCharacter);
    character->setLevelScene(&level);
    EXPECT_EQ(character->getScheduler(), level.scheduler.get());
    EXPECT_EQ(character->getUpdateInterval(), 30u);
    character->setLevelScene(&level);
    EXPECT_EQ(character->getScheduler(), level.scheduler.get());

    EXPECT_TRUE(character->moveTo({0, 0}, {30, 40}, true));
    EXPECT_TRUE(level.lastStraighten);
    ASSERT_NE(character->getWalkAnimations(), nullptr);
    // Points run from the destination back to the start: first down.
    EXPECT_EQ(character->getCurrentAnimation(), CName("MoveDown"));
    EXPECT_TRUE(character->update(200));
    EXPECT_NEAR(character->getPosition().x, 30.0f, 1e-4f);
    EXPECT_NEAR(character->getPosition().y, 40.0f, 1e-4f);
    EXPECT_EQ(character->getCurrentAnimation(), GCharacterNode::standAnimation());

    // A copy keeps the speed.
    character->setSpeed(120);
    CRefHandle<GCharacterNode> copy(static_cast<GCharacterNode*>(character->clone(nullptr, nullptr)));
    EXPECT_EQ(copy->getSpeed(), 120);
    EXPECT_TRUE(copy->isKindOf(GObjectNode::TypeId));
    EXPECT_EQ(copy->getTypeId(), 2061);
    character->setScheduler(nullptr);
}

TEST(GCharacterNode, RectFollowsPositionAndBounds) {
    CRefHandle<RecordingCharacter> character(new RecordingCharacter);
    character->placeAt({5.0f, 7.0f});
    const CRect rect = character->getRect();
    EXPECT_FLOAT_EQ(rect.left, 5.0f);
    EXPECT_FLOAT_EQ(rect.top, 7.0f);
    EXPECT_FLOAT_EQ(rect.right, 15.0f);
    EXPECT_FLOAT_EQ(rect.bottom, 37.0f);
}
