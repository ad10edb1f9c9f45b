#include "game/nodes/GEllipseMovableNode.h"

#include "engine/scene/CPropertyBag.h"
#include "tests/game/nodes/GameNodesTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

CRefHandle<GEllipseMovableNode> mover() {
    CRefHandle<GEllipseMovableNode> node(new GEllipseMovableNode(CObjectName(), nullptr, nullptr));
    for (float z : {1.0f, 2.0f}) {
        BaseNode* child = new BaseNode(CObjectName(), node.get(), nullptr);
        child->setPosition(CVector3d(7.0f, 7.0f, z));
        child->release();
    }
    return node;
}

} // namespace

TEST(GEllipseMovableNode, CarriesEveryChildAroundTheEllipse) {
    const struct {
        const char* what;
        float start;
        int velocity;
        uint32_t elapsed;
        float angle;
    } cases[] = {
        {"at rest", 90.0f, 0, 500, 90.0f},
        {"a quarter turn clockwise on the screen", 0.0f, 90, 1000, 90.0f},
        {"backwards wraps below 0", 10.0f, -40, 1000, 330.0f},
        {"past a whole turn", 350.0f, 100, 1000, 90.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto node = mover();
        node->setEllipseSizeX(50);
        node->setEllipseSizeY(20);
        node->setAngle(c.start);
        node->setAngularVelocity(c.velocity);
        EXPECT_TRUE(node->update(c.elapsed));
        EXPECT_NEAR(node->getAngle(), c.angle, 1e-3f);
        const float radians = c.angle * 0.0174533f;
        for (uint32_t i = 0; i < 2; ++i) {
            const CVector3d& at = node->getChildren()[i]->getPosition();
            EXPECT_NEAR(at.x, 50.0f * std::cos(radians), 1e-3f);
            EXPECT_NEAR(at.y, 20.0f * std::sin(radians), 1e-3f);
            EXPECT_EQ(at.z, float(i + 1)) << "each child keeps its depth";
        }
    }
}

TEST(GEllipseMovableNode, ReadsTheStartAngleFromItsRangeAndSchedulesItselfWhenDrawn) {
    auto node = mover();
    CRefHandle<CPropertyBag> bag(new CPropertyBag);
    node->writeProperties(*bag);
    for (const char* key : {"EllipseSizeX", "EllipseSizeY", "AngularVelocity", "InitialAngleMin", "InitialAngleMax"})
        EXPECT_LT(bag->indexOf(key), 0) << key;

    bag->setInt("InitialAngleMin", 90);
    bag->setInt("InitialAngleMax", 90);
    bag->setInt("EllipseSizeY", 30);
    node->readProperties(*bag);
    EXPECT_EQ(node->getAngle(), 90.0f);
    node->setAngularVelocity(0);
    (void)node->update(30);
    EXPECT_NEAR(node->getChildren()[0]->getPosition().x, 0.0f, 1e-3f);
    EXPECT_NEAR(node->getChildren()[0]->getPosition().y, 30.0f, 1e-3f) << "straight below the origin";

    CRefHandle<CPropertyBag> written(new CPropertyBag);
    node->writeProperties(*written);
    EXPECT_EQ(written->getInt("InitialAngleMin"), 90);
    EXPECT_EQ(written->getInt("AngularVelocity"), 0);

    SceneClock clock;
    clock.adopt(node.get());
    clock.draw();
    EXPECT_EQ(node->getScheduler(), clock.scheduler.get());
}
