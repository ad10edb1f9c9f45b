#include "game/nodes/GCircularBirdNode.h"

#include "engine/core/CEngineManagers.h"
#include "engine/core/CRandom.h"
#include "engine/scene/Animator.h"
#include "engine/scene/CEventTemplatesChanged.h"
#include "engine/scene/CNodeState.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/TemplateCollectionNode.h"
#include "tests/game/nodes/GameNodesTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A flap key: runs for 600 ms on its scheduler and remembers the last time
// it was put at.
class FlapKey : public Animator {
public:
    FlapKey() : Animator(1) {}
    void apply(int32_t time, bool) override { m_time = time; }
    [[nodiscard]] float getTime() const override { return float(m_time); }
    [[nodiscard]] int32_t getDuration() const override { return 600; }
    void load(CXmlStreamReader*, IContentManager*, const CStringW&) override {}
    void save(CXmlStreamWriter*, const CStringW&) const override {}
    [[nodiscard]] CRefHandle<Animator> clone() const override { return CRefHandle<Animator>(new FlapKey); }
    [[nodiscard]] bool update(uint32_t elapsed) override {
        m_time += int32_t(elapsed);
        if (m_time < 600)
            return true;
        report(m_time, false);
        return false;
    }

protected:
    ~FlapKey() override = default;

private:
    int32_t m_time = 0;
};

const char* const kHeadings[] = {"Right", "RightUp", "Up", "LeftUp", "Left", "LeftDown", "Down", "RightDown"};

// A template "Gull" whose "Body" has a state per heading and a flapping
// state per heading.
CRefHandle<TemplateCollectionNode> birdTemplates() {
    CRefHandle<TemplateCollectionNode> templates(new TemplateCollectionNode(CObjectName(), nullptr, nullptr));
    BaseNode* gull = new BaseNode(CObjectName(), templates.get(), nullptr);
    gull->setName(CName("Gull"));
    BaseNode* body = new BaseNode(CObjectName(), gull, nullptr);
    body->setName(CName("Body"));
    for (const char* heading : kHeadings) {
        CRefHandle<CNodeState> still(new CNodeState(CName(heading)));
        (void)body->addState(still.get());
        CRefHandle<CNodeState> flap(new CNodeState(CName((std::string(heading) + "_Flap").c_str())));
        CRefHandle<FlapKey> key(new FlapKey);
        flap->addKey(key.get());
        (void)body->addState(flap.get());
    }
    body->release();
    gull->release();
    templates->onLoaded();
    return templates;
}

struct Flight {
    SceneClock clock;
    CRefHandle<TemplateCollectionNode> templates = birdTemplates();
    CRefHandle<GCircularBirdNode> node{new GCircularBirdNode(CObjectName(), nullptr, nullptr)};

    explicit Flight(const char* templateName = "Gull") {
        CEngineManagers::instance().getRandom()->seed(99);
        clock.adopt(node.get());
        node->setBirdTemplate(CName(templateName));
        CRefHandle<CEventTemplatesChanged> changed(new CEventTemplatesChanged(templates.get()));
        EXPECT_FALSE(node->onTemplatesChanged(changed.get()));
    }
    // The bird goes while its scene's scheduler still runs its flap.
    ~Flight() { node->setScheduler(nullptr); }
    Flight(const Flight&) = delete;
    Flight& operator=(const Flight&) = delete;

    [[nodiscard]] std::string state() const {
        const CNodeState* current = node->getBird() ? node->getBird()->getCurrentState() : nullptr;
        return current ? std::string(current->getName().str().view()) : std::string();
    }
};

} // namespace

TEST(GCircularBirdNode, HeadingsCoverTheCircleInEightSectors) {
    const struct {
        float degrees;
        const char* heading;
    } cases[] = {
        {0.0f, "Right"},       {14.9f, "Right"},      {15.0f, "RightUp"}, {74.9f, "RightUp"},   {75.0f, "Up"},
        {105.0f, "LeftUp"},    {165.0f, "Left"},      {194.9f, "Left"},   {195.0f, "LeftDown"}, {255.0f, "Down"},
        {285.0f, "RightDown"}, {344.9f, "RightDown"}, {345.0f, "Right"},  {359.9f, "Right"},    {360.0f, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.degrees);
        EXPECT_EQ(std::string(GCircularBirdNode::headingOf(c.degrees).str().view()), c.heading);
    }
}

TEST(GCircularBirdNode, WithoutABodyNothingFliesAndNothingIsScheduled) {
    for (const char* name : {"", "Crow"}) {
        SCOPED_TRACE(name);
        Flight flight(name);
        flight.clock.draw();
        EXPECT_EQ(flight.node->getBird(), nullptr);
        EXPECT_EQ(flight.node->getScheduler(), nullptr);
        EXPECT_TRUE(flight.node->getChildren().empty());
    }
}

TEST(GCircularBirdNode, ABirdOnNoEllipseStaysAtTheOriginFacingRightAndFlapsAfterFourToSevenSeconds) {
    Flight flight;
    flight.clock.draw();
    ASSERT_NE(flight.node->getBird(), nullptr);
    EXPECT_EQ(flight.node->getScheduler(), flight.clock.scheduler.get());
    const int32_t wait = flight.node->getFlapCountdown();
    EXPECT_GE(wait, 4000);
    EXPECT_LT(wait, 7000);
    EXPECT_TRUE(flight.node->update(30));
    EXPECT_EQ(flight.state(), "Right");
    EXPECT_EQ(flight.node->getBird()->getPosition().x, 0.0f);
    EXPECT_EQ(flight.node->getBird()->getPosition().y, 0.0f);
    EXPECT_TRUE(flight.node->update(uint32_t(wait - 30 - 1)));
    EXPECT_EQ(flight.state(), "Right");
    EXPECT_TRUE(flight.node->update(1));
    EXPECT_EQ(flight.state(), "Right_Flap");

    // A drawn bird is not written to the scene file, and a second drawing
    // keeps the one flight.
    flight.clock.draw();
    EXPECT_EQ(flight.node->getChildren().size(), 1u);
    EXPECT_TRUE(flight.node->getBird()->isNotSerialised());
    CRefHandle<BaseNode> copy(flight.node->clone(nullptr, nullptr));
    EXPECT_TRUE(copy->getChildren().empty()) << "the copy flies its own bird once drawn";
}

TEST(GCircularBirdNode, ATurnDuringAFlapGoesOnFlappingFromTheSameTime) {
    Flight flight;
    flight.node->ellipse1Size = CVector2d(100.0f, 100.0f);
    flight.node->angularVelocity1 = 0.001f;
    flight.node->angularVelocity2 = 0.0f;
    flight.clock.draw();
    flight.node->angle1 = 0.0f;
    // Moving clockwise from angle 0 the bird heads down the screen (the
    // first update jumps there from where it started).
    EXPECT_TRUE(flight.node->update(30));
    EXPECT_TRUE(flight.node->update(30));
    EXPECT_EQ(flight.state(), "Down");
    EXPECT_TRUE(flight.node->update(7000));
    EXPECT_EQ(flight.state(), "Down_Flap");
    flight.clock.scheduler->update(120);

    flight.node->angle1 = 90.0f;
    (void)flight.node->update(30);
    (void)flight.node->update(30);
    EXPECT_EQ(flight.state(), "Left_Flap");
    const Animator* key = flight.node->getBird()->getCurrentState()->getKey(0);
    ASSERT_NE(key, nullptr);
    EXPECT_GE(key->getTime(), 120.0f) << "the flap did not start again";

    // Once the flap is over a turn shows the plain heading.
    flight.clock.scheduler->update(1000);
    flight.node->angle1 = 180.0f;
    (void)flight.node->update(30);
    (void)flight.node->update(30);
    EXPECT_EQ(flight.state(), "Up");
}

TEST(GCircularBirdNode, WritesItsTemplateEllipsesAndSpeedsWhenTheyDiffer) {
    CRefHandle<GCircularBirdNode> node(new GCircularBirdNode(CObjectName(), nullptr, nullptr));
    CRefHandle<CPropertyBag> bag(new CPropertyBag);
    node->writeProperties(*bag);
    for (const char* key : {"BirdTemplateID", "Ellipse1Size", "Ellipse2Size", "AngularVelocity1", "AngularVelocity2"})
        EXPECT_LT(bag->indexOf(key), 0) << key;
    node->setBirdTemplate(CName("Gull"));
    node->ellipse2Size = CVector2d(3.0f, 4.0f);
    node->angularVelocity1 = -2.0f;
    node->writeProperties(*bag);
    CRefHandle<GCircularBirdNode> read(new GCircularBirdNode(CObjectName(), nullptr, nullptr));
    read->readProperties(*bag);
    EXPECT_EQ(read->getBirdTemplate(), CName("Gull"));
    EXPECT_EQ(read->ellipse2Size.y, 4.0f);
    EXPECT_EQ(read->angularVelocity1, -2.0f);
    EXPECT_EQ(read->angularVelocity2, 5.0f);
}
