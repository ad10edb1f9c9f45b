#include "engine/nodes/SpawnerNode.h"

#include "engine/core/CRandom.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CUpdateScheduler.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CPropertyDataColor.h"
#include "engine/scene/TemplateCollectionNode.h"
#include "tests/engine/scene/SceneTestSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class SpawnerNodeTest : public ::testing::Test {
protected:
    void SetUp() override {
        random->seed(5);
        auto* star = new BoxNode("Star", templates.get());
        star->release(); // the collection holds it
        star->setVisible(false);
        star->setPosition({1.0f, 2.0f, 7.0f});
        templates->onLoaded();
        spawner->setRandom(random.get());
        spawner->setObjTemplate(" Star ; ;Missing");
        spawner->resolveTemplates(templates.get());
    }

    CRefHandle<CRandom> random{new CRandom};
    CRefHandle<TemplateCollectionNode> templates{new TemplateCollectionNode(CObjectName(), nullptr, nullptr)};
    CRefHandle<SpawnerNode> spawner{new SpawnerNode(CObjectName(), nullptr, nullptr)};
};

TEST_F(SpawnerNodeTest, NamesAreTrimmedAndOnlyFoundTemplatesAreKept) {
    EXPECT_EQ(spawner->getObjTemplate(), CString("Star;Missing"));
    EXPECT_EQ(spawner->templateCount(), 1u);
    spawner->resolveTemplates(nullptr);
    EXPECT_EQ(spawner->templateCount(), 1u);
}

TEST_F(SpawnerNodeTest, TheFirstObjectComesAtTheStepThatReachesOnePeriod) {
    std::vector<int> madeAt;
    for (int step = 1; step <= 80; ++step) {
        const uint32_t before = spawner->getChildren().size();
        ASSERT_TRUE(spawner->update(30));
        if (spawner->getChildren().size() != before)
            madeAt.push_back(step);
    }
    // 1 per second: at 1020 ms (step 34), then after 990 more (step 67).
    EXPECT_EQ(madeAt, (std::vector<int>{34, 67}));

    // A start delay of 500 ms: the accumulator counts up from -500.
    CRefHandle<SpawnerNode> delayed(new SpawnerNode(CObjectName(), nullptr, nullptr));
    delayed->startDelayRange = {500.0f, 500.0f};
    delayed->restartDelay();
    EXPECT_EQ(delayed->getAccumulator(), -500.0f);
}

TEST_F(SpawnerNodeTest, SpawnedObjectsTakeDrawnValuesAndTheTemplateKeepsItsOwn) {
    spawner->xDeltaRange = {10.0f, 20.0f};
    spawner->yDeltaRange = {-5.0f, 5.0f};
    spawner->rotationDeltaRange = {0.0f, 90.0f};
    CRefHandle<CPropertyBag> values = CPropertyBag::create();
    values->setColor("TintColor", CColor(0xFF102030u));
    values->setInt("NoSuchProperty", 3);
    spawner->setObjectsProperties(values.get());
    BaseNode* templ = templates->findTemplate(CName("Star"));
    ASSERT_NE(templ, nullptr);
    const CColor tint = templ->getTintColor();

    BaseNode* last = spawner->spawn(3);
    ASSERT_NE(last, nullptr);
    ASSERT_EQ(spawner->getChildren().size(), 3u);
    for (BaseNode* object : spawner->getChildren()) {
        EXPECT_TRUE(object->isVisible());
        EXPECT_TRUE(object->isNotSerialised());
        EXPECT_EQ(object->getTintColor().value, 0xFF102030u);
        EXPECT_GE(object->getPosition().x, 10.0f);
        EXPECT_LT(object->getPosition().x, 20.0f);
        EXPECT_EQ(object->getPosition().z, 7.0f);
    }
    EXPECT_NE(spawner->getChildren()[0]->getPosition().x, spawner->getChildren()[1]->getPosition().x);
    EXPECT_EQ(templ->getTintColor().value, tint.value);
    EXPECT_EQ(templ->getPosition().x, 1.0f);
    EXPECT_EQ(templ->getPosition().y, 2.0f);
    EXPECT_EQ(templ->getRotation().z, 0.0f);
    EXPECT_FALSE(templ->isVisible());
    EXPECT_EQ(spawner->spawn(0), nullptr);
}

TEST_F(SpawnerNodeTest, RatesOfZeroOrBelowMakeNothingAndCopiesShareTheirValues) {
    for (float rate : {0.0f, -3.0f}) {
        spawner->perSecondRange = {rate, rate};
        for (int step = 0; step < 100; ++step)
            ASSERT_TRUE(spawner->update(30));
        EXPECT_EQ(spawner->getChildren().size(), 0u) << rate;
    }
    CRefHandle<CPropertyBag> values = CPropertyBag::create();
    spawner->setObjectsProperties(values.get());
    spawner->ghost = false;
    CRefHandle<BaseNode> copy(spawner->clone(nullptr, nullptr));
    auto* other = nodeCast<SpawnerNode>(copy.get());
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(other->getObjectsProperties(), values.get());
    EXPECT_FALSE(other->ghost);
    EXPECT_EQ(other->getObjTemplate(), CString("Star;Missing"));

    CRefHandle<CPropertyBag> bag = CPropertyBag::create();
    spawner->writeProperties(*bag);
    EXPECT_EQ(bag->getString("ObjTemplate"), CString("Star;Missing"));
    EXPECT_EQ(bag->indexOf("ObjectsLifeTimeRange"), -1);
    EXPECT_GE(bag->indexOf("ObjectsProperties"), 0);
}

} // namespace

namespace {

TEST_F(SpawnerNodeTest, TheFirstFrameRegistersTheUpdateAndDisablingDropsIt) {
    CRefHandle<CUpdateScheduler> scheduler(new CUpdateScheduler);
    CRefHandle<RecordingScene> scene(new RecordingScene);
    scene->setSceneScheduler(scheduler.get());
    scene->addChild(spawner.get());
    spawner->setSceneManager(nullptr, scene.get());
    CArray<CRenderItem> list;
    scene->registerForRendering(list);
    EXPECT_EQ(spawner->getScheduler(), scheduler.get());
    spawner->setEnabled(false);
    EXPECT_EQ(spawner->getScheduler(), nullptr);
    EXPECT_EQ(spawner->getAccumulator(), 0.0f);
    scene->registerForRendering(list);
    EXPECT_EQ(spawner->getScheduler(), nullptr);
    spawner->startDelayRange = {500.0f, 500.0f};
    spawner->setEnabled(true);
    EXPECT_EQ(spawner->getScheduler(), scheduler.get());
    EXPECT_EQ(spawner->getAccumulator(), -500.0f);
    spawner->setEnabled(false);
    EXPECT_TRUE(scene->removeChild(spawner.get()));
}

} // namespace
