// The headquarters sends a stagecoach to a far depot and forty workers along
// a road to five places, chosen by a seeded random source, and the town is drawn by
// the OpenGL driver on a hidden context after a fixed number of stepped
// updates, then compared with a reference picture in tests/game/world/data.

#include "engine/core/CRandom.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CUpdateScheduler.h"
#include "engine/scene/SceneManager.h"
#include "engine/scene/TemplateCollectionNode.h"
#include "game/nodes/GRectangleNode.h"
#include "game/world/GDilizhansNode.h"
#include "game/world/GMajorOfficeNode.h"
#include "game/world/GWorkerNode.h"
#include "tests/engine/nodes/GLSceneFixture.h"
#include "tests/game/world/StandInLevel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

constexpr float kRoadY = 158.0f;

// A filled rectangle of `size` at `at` under `parent`.
GRectangleNode* box(BaseNode* parent, const char* name, CVector2d at, CVector2d size, uint32_t fill, uint32_t border) {
    auto* node = new GRectangleNode(CObjectName(), parent, nullptr);
    node->release();
    node->setName(CName(name));
    node->setPosition({at.x, at.y, 0.0f});
    node->setBounds({size.x, size.y, 0.0f});
    node->setFillColor(CColor(fill));
    node->setBorderColor(CColor(border));
    return node;
}

template <class T> T* make(BaseNode* parent, const char* name, CVector2d at, CVector2d size) {
    auto* node = new T(CObjectName(), parent, nullptr);
    node->release();
    node->setName(CName(name));
    node->setPosition({at.x, at.y, 0.0f});
    node->setBounds({size.x, size.y, 0.0f});
    return node;
}

// Every walk runs down to the road, along it and up to the place.
bool alongTheRoad(const CVector2d& from, const CVector2d& to, CArray<CVector2d>& points) {
    points.clear();
    points.push_back(to);
    points.push_back(CVector2d(to.x, kRoadY));
    points.push_back(CVector2d(from.x, kRoadY));
    points.push_back(from);
    return true;
}

class GMajorOfficeRenderTest : public GLSceneFixture {
protected:
    GMajorOfficeRenderTest() : GLSceneFixture("tests/game/world/data", 480, 240) {}
};

} // namespace

TEST_F(GMajorOfficeRenderTest, FortyWorkersAndAStagecoachOnTheirWayMatchTheReference) {
    if (!m_driver)
        return;
    StandInLevel level;
    level.pathSearch = &alongTheRoad;
    level.global->PartDistance.push_back(14);

    // Templates: a worker is a small yellow figure, the stagecoach a brown
    // horse before a dark cart.
    CRefHandle<SceneManager> manager(new SceneManager(CObjectName(), nullptr, nullptr));
    CRefHandle<TemplateCollectionNode> templates(new TemplateCollectionNode(CObjectName(), nullptr, nullptr));
    auto* worker = make<GWorkerNode>(templates.get(), "Worker1", {0, 0}, {6, 10});
    box(worker, "Body", {-3, -10}, {6, 10}, 0xFFF0D040u, 0xFF604010u);
    make<GDilizhansNode>(templates.get(), "Dilizhans1", {0, 0}, {16, 10});
    auto* coachParts = make<BaseNode>(templates.get(), "DilizhansNew", {0, 0}, {0, 0});
    auto* horse = make<GCharacterNode>(coachParts, "Horse", {0, 0}, {10, 8});
    box(horse, "Body", {-5, -8}, {10, 8}, 0xFF8B5A2Bu, 0xFF3A2410u);
    auto* cart = make<GCharacterNode>(coachParts, "Telega", {0, 0}, {16, 10});
    box(cart, "Body", {-8, -10}, {16, 10}, 0xFF5A3A22u, 0xFF20140Au);
    templates->onLoaded();
    manager->setTemplateCollection(templates.get());

    // The town: grass, a road under the buildings, the headquarters on the
    // left, five places near it and a depot far to the right.
    CRefHandle<BaseNode> root(new BaseNode(CObjectName(), nullptr, nullptr));
    box(root.get(), "Grass", {0, 0}, {480, 240}, 0xFF5A8C3Cu, 0xFF5A8C3Cu);
    box(root.get(), "Road", {0, kRoadY - 6}, {480, 14}, 0xFFA89878u, 0xFF8A7A5Cu);
    std::vector<GBuildingNode*> places;
    const CVector2d placeCorners[] = {{90, 60}, {160, 60}, {230, 60}, {120, 190}, {220, 190}, {420, 60}};
    auto* office = make<GMajorOfficeNode>(root.get(), "Headquarters", {14, 50}, {56, 60});
    box(office, "Body", {0, 0}, {56, 60}, 0xFFB04030u, 0xFF501810u);
    level.headquarters = office;
    for (const CVector2d& at : placeCorners) {
        const bool below = at.y > kRoadY;
        auto* place = make<GBuildingNode>(root.get(), "Place", at, {40, 40});
        box(place, "Body", {0, 0}, {40, 40}, below ? 0xFF4060B0u : 0xFF3080A0u, 0xFF102040u);
        auto* arrival = make<BaseNode>(place, "WorkerArrivalPosition", {20, below ? 0.0f : 40.0f}, {0, 0});
        static_cast<void>(arrival);
        places.push_back(place);
    }
    level.walkerLayer = make<BaseNode>(root.get(), "Walkers", {0, 0}, {0, 0});
    root->setSceneManager(manager.get(), nullptr);
    for (GBuildingNode* building : std::vector<GBuildingNode*>{office}) {
        building->setLevelScene(&level);
        building->applyTemplate();
        building->setScheduler(level.scheduler.get());
    }
    for (GBuildingNode* place : places) {
        place->setLevelScene(&level);
        place->applyTemplate();
        place->setScheduler(level.scheduler.get());
        ASSERT_TRUE(place->isReachable());
    }

    office->spawnWorkers(40);
    office->spawnStagecoaches(1);
    // The scene manager attaches after the level is set up: the stagecoach
    // makes its horse and cart then.
    office->getAllStagecoaches()[0]->applyTemplate();
    ASSERT_EQ(office->getWorkersCount(), 40);

    // The first group rides; a moment later groups of three or four walk to
    // places drawn by a seeded random source until every worker is out.
    ASSERT_TRUE(office->dispatchWorkers(places[5], {}, 6));
    for (int step = 0; step < 10; ++step)
        level.scheduler->update(30);
    CRandom random;
    random.seed(4307);
    while (office->getWorkersCount() > 0) {
        const int place = random.nextInRange(0, 4);
        const int count = std::min(random.nextInRange(3, 4), office->getWorkersCount());
        ASSERT_TRUE(office->dispatchWorkers(places[size_t(place)], {}, uint32_t(count)));
    }
    for (int step = 0; step < 30; ++step)
        level.scheduler->update(30);

    int walking = 0;
    for (const auto& each : office->getAllWorkers())
        walking += each->isVisible() ? 1 : 0;
    EXPECT_GT(walking, 10) << "a stream of workers is on the road";
    EXPECT_TRUE(office->getAllStagecoaches()[0]->getHorse()->isVisible());

    CRefHandle<CPixelImage> shot = draw(root.get());
    expectMatchesReference(shot.get(), "HeadquartersWalkersReference.png");
}
