#include "engine/core/CRefHandle.h"
#include "engine/nodes/SpriteGeometry.h"
#include "engine/nodes/SpriteNode.h"
#include "engine/scene/CPropertyBag.h"
#include "game/nodes/GProgressBarWithSignNode.h"
#include "game/nodes/GTwoSpritesProgressBarNode.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

BaseNode* addChild(BaseNode* parent, const char* name, float x, float y, float width, float height) {
    auto* child = new BaseNode(CObjectName(), parent, nullptr);
    child->setName(CName(name));
    child->setPosition(CVector3d(x, y, 0.0f));
    child->setBounds(CVector3d(width, height, 0.0f));
    child->release();
    return child;
}

// A sign bar 400 wide whose knob fills its "SlidingArea" (0 to 400), so the
// knob's end lies at 4 x Value. Any node serves as the scene manager the
// bar's template step asks for.
struct SignBar {
    CRefHandle<BaseNode> manager{new BaseNode(CObjectName(), nullptr, nullptr)};
    CRefHandle<GProgressBarWithSignNode> bar;
    BaseNode* sign = nullptr;

    SignBar(bool slidingArea, bool scalingArea, float scaleLeft, float scaleRight) {
        bar.reset(new GProgressBarWithSignNode(CObjectName(), nullptr, manager.get()));
        bar->setBounds(CVector3d(400.0f, 40.0f, 0.0f));
        bar->setKnobType(ProgressBarNode::KnobFill);
        (void)addChild(bar.get(), "SlidingArea", 0.0f, 10.0f, 400.0f, 10.0f);
        (void)addChild(bar.get(), "Knob", 0.0f, 10.0f, 0.0f, 10.0f);
        if (slidingArea)
            (void)addChild(bar.get(), "SlidingSignArea", 0.0f, 0.0f, 400.0f, 10.0f);
        if (scalingArea)
            (void)addChild(bar.get(), "ScalingSignArea", scaleLeft, 0.0f, scaleRight - scaleLeft, 10.0f);
        sign = addChild(bar.get(), "Sign", 0.0f, 5.0f, 20.0f, 30.0f);
        bar->onLoaded();
        bar->applyTemplate();
    }

    void knobEndAt(float x) { bar->setValue(x / 4.0f); }
};

} // namespace

TEST(GProgressBarWithSignNode, SignShrinksBetweenTheZoneAndTheEndsOfItsTravel) {
    const struct {
        float knobEnd;
        float scaleX, scaleY;
    } cases[] = {
        {25.0f, 1.0f, 0.5f},  {20.0f, 0.4f, 0.4f},  {0.0f, 0.0f, 0.0f},
        {200.0f, 1.0f, 1.0f}, {375.0f, 1.0f, 0.5f}, {400.0f, 0.0f, 0.0f},
    };
    SignBar bar(true, true, 50.0f, 350.0f);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.knobEnd);
        bar.knobEndAt(c.knobEnd);
        EXPECT_FLOAT_EQ(bar.sign->getScale().x, c.scaleX);
        EXPECT_FLOAT_EQ(bar.sign->getScale().y, c.scaleY);
        EXPECT_FLOAT_EQ(bar.sign->getPosition().x, c.knobEnd);
        // It keeps its bottom edge: down by half of the height it loses.
        EXPECT_FLOAT_EQ(bar.sign->getPosition().y, 5.0f + 0.5f * (1.0f - c.scaleY) * 30.0f);
    }
}

TEST(GProgressBarWithSignNode, WithoutAZoneOrBeyondASharedEdgeTheSignKeepsItsSize) {
    const struct {
        const char* what;
        bool sliding, scaling;
        float scaleLeft, scaleRight;
        float knobEnd;
        float scaleY;
    } cases[] = {
        {"no areas", false, false, 0, 0, 200.0f, 1.0f},
        {"no scaling area", true, false, 0, 0, 390.0f, 1.0f},
        {"no sliding area", false, true, 50, 350, 390.0f, 1.0f},
        {"shared right edge", true, true, 50, 400, 400.0f, 1.0f},
        {"shared right edge, left side still shrinks", true, true, 50, 400, 25.0f, 0.5f},
        {"shared left edge", true, true, 0, 350, 0.0f, 1.0f},
        {"shared left edge, right side still shrinks", true, true, 0, 350, 375.0f, 0.5f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SignBar bar(c.sliding, c.scaling, c.scaleLeft, c.scaleRight);
        bar.knobEndAt(c.knobEnd);
        EXPECT_FLOAT_EQ(bar.sign->getScale().y, c.scaleY);
    }
}

TEST(GProgressBarWithSignNode, ATemplateAppliedAgainKeepsTheSignsBase) {
    SignBar bar(true, true, 50.0f, 350.0f);
    bar.knobEndAt(25.0f);
    const float laidOut = bar.sign->getPosition().y;
    EXPECT_FLOAT_EQ(laidOut, 12.5f);
    bar.bar->applyTemplate();
    bar.bar->applyTemplate();
    EXPECT_FLOAT_EQ(bar.sign->getPosition().y, laidOut) << "the sign does not creep down";
}

TEST(GProgressBarWithSignNode, FindsItsPartsInTheTemplateAndAnswersItsKinds) {
    CRefHandle<BaseNode> node(GProgressBarWithSignNode::create(CObjectName()));
    EXPECT_TRUE(node->isKindOf(2034) && node->isKindOf(16) && node->isKindOf(15) && node->isKindOf(5));
    EXPECT_FALSE(node->isKindOf(2033));
    SignBar bar(true, true, 50.0f, 350.0f);
    CRefHandle<BaseNode> copy(bar.bar->clone(nullptr, nullptr));
    auto* cloned = nodeCast<GProgressBarWithSignNode>(copy.get());
    ASSERT_NE(cloned, nullptr);
    ASSERT_NE(cloned->getSign(), nullptr) << "found again when the copy is loaded";
    EXPECT_NE(cloned->getSign(), bar.sign);
}

namespace {

CRefHandle<GTwoSpritesProgressBarNode> twoSpriteBar(float width, float height, bool area, float x, float y,
                                                    float areaWidth, float areaHeight) {
    CRefHandle<GTwoSpritesProgressBarNode> bar(new GTwoSpritesProgressBarNode(CObjectName(), nullptr, nullptr));
    bar->setBounds(CVector3d(width, height, 0.0f));
    if (area)
        (void)addChild(bar.get(), "SlidingArea", x, y, areaWidth, areaHeight);
    bar->onLoaded();
    return bar;
}

} // namespace

TEST(GTwoSpritesProgressBarNode, HorizontalSplitRunsOverTheSlidingArea) {
    auto bar = twoSpriteBar(300.0f, 40.0f, true, 20.0f, 5.0f, 260.0f, 30.0f);
    EXPECT_FLOAT_EQ(bar->getHorizontalScale(), 300.0f / 260.0f);
    EXPECT_EQ(bar->getSprite1()->getImageStretchX(), SpriteStretch::Clip);
    EXPECT_EQ(bar->getSprite1()->getImageStretchY(), SpriteStretch::FitBounds);
    const struct {
        float value;
        float split;
    } cases[] = {{0.0f, 20.0f}, {50.0f, 150.0f}, {100.0f, 280.0f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        bar->setValue(c.value);
        SpriteNode* filled = bar->getSprite2();
        SpriteNode* rest = bar->getSprite1();
        EXPECT_NEAR(filled->getBounds().x, c.split, 1e-3f);
        EXPECT_FLOAT_EQ(filled->getBounds().y, 40.0f);
        EXPECT_NEAR(rest->getPosition().x, c.split, 1e-3f);
        EXPECT_NEAR(rest->getBounds().x, 300.0f - c.split, 1e-3f);
        EXPECT_NEAR(rest->getImagePivotPoint().x, c.split, 1e-3f) << "its picture stays on the bar's origin";
        EXPECT_FLOAT_EQ(filled->getImagePivotPoint().x, 0.0f);
    }
}

TEST(GTwoSpritesProgressBarNode, VerticalBarFillsFromTheBottom) {
    auto bar = twoSpriteBar(40.0f, 200.0f, true, 0.0f, 10.0f, 40.0f, 170.0f);
    EXPECT_EQ(bar->getSprite2()->getImageStretchX(), SpriteStretch::FitBounds);
    EXPECT_EQ(bar->getSprite2()->getImageStretchY(), SpriteStretch::Clip);
    const struct {
        float value;
        float split;
    } cases[] = {{0.0f, 180.0f}, {100.0f, 10.0f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        bar->setValue(c.value);
        EXPECT_NEAR(bar->getSprite2()->getPosition().y, c.split, 1e-3f);
        EXPECT_NEAR(bar->getSprite2()->getBounds().y, 200.0f - c.split, 1e-3f);
        EXPECT_NEAR(bar->getSprite2()->getImagePivotPoint().y, c.split, 1e-3f);
        EXPECT_NEAR(bar->getSprite1()->getBounds().y, c.split, 1e-3f);
    }
}

TEST(GTwoSpritesProgressBarNode, WithoutAnAreaTheSplitSpansTheBarAndTheSpritesStayOutOfFiles) {
    auto bar = twoSpriteBar(100.0f, 10.0f, false, 0, 0, 0, 0);
    bar->setValue(30.0f);
    EXPECT_FLOAT_EQ(bar->getSprite2()->getBounds().x, 30.0f);
    EXPECT_TRUE(bar->getSprite1()->isNotSerialised());
    EXPECT_TRUE(bar->getSprite2()->isNotSerialised());

    // A degenerate area (no length) keeps the split at its start.
    auto flat = twoSpriteBar(100.0f, 10.0f, true, 100.0f, 0.0f, 0.0f, 10.0f);
    flat->setValue(50.0f);
    EXPECT_TRUE(std::isfinite(flat->getSprite2()->getBounds().x));

    CRefHandle<CPropertyBag> bag(new CPropertyBag);
    bar->writeProperties(*bag);
    EXPECT_LT(bag->indexOf("AtlasTexture1"), 0) << "no picture, no key";
    CRefHandle<BaseNode> copy(bar->clone(nullptr, nullptr));
    auto* cloned = nodeCast<GTwoSpritesProgressBarNode>(copy.get());
    ASSERT_NE(cloned, nullptr);
    EXPECT_EQ(cloned->getChildren().size(), 0u) << "its own two sprites, none copied";
    CArray<CRenderItem> items;
    cloned->registerForRendering(items);
    EXPECT_EQ(items.size(), 0u) << "sprites without pictures draw nothing";
    EXPECT_FLOAT_EQ(cloned->getSprite2()->getBounds().x, 30.0f);
}
