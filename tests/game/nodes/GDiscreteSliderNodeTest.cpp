#include "game/nodes/GDiscreteSliderNode.h"

#include "engine/scene/CNodeState.h"
#include "tests/game/nodes/GameNodesTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string levelStates() {
    std::string states = "<States>";
    for (int i = 0; i < 5; ++i)
        states += "<State Name=\"State" + std::to_string(i) + "\"/>";
    return states + "</States>";
}

// The slider sits at (10, 70) on a frame 140 wide; its area spans x 30 to
// 130 and y 70 to 80, its previous-step button x 10 to 30.
std::string templatesText() {
    return "<?xml version=\"1.0\"?>\n" +
           sceneNode(
               "TemplateCollectionNode", "Templates", "",
               sceneNode(
                   "BaseNode", "Slider", "",
                   sceneNode("TextNode", "Frame", R"(<vector3d Name="Bounds" Value="140;10;0"/>)") +
                       sceneNode(
                           "TextNode", "SlidingArea",
                           R"(<vector3d Name="Position" Value="20;0;0"/><vector3d Name="Bounds" Value="100;10;0"/>)",
                           levelStates()) +
                       sceneNode("BaseNode", "Knob", R"(<vector3d Name="Bounds" Value="10;10;0"/>)") +
                       sceneNode("TextNode", "PrevButton", R"(<vector3d Name="Bounds" Value="20;10;0"/>)")));
}

std::string sceneText() {
    return "<?xml version=\"1.0\"?>\n" +
           sceneNode(
               "SceneNode", "Options", R"(<vector3d Name="Bounds" Value="640;480;0"/>)",
               sceneNode("GDiscreteSliderNode", "Volume",
                         R"(<vector3d Name="Position" Value="10;70;0"/><string Name="TemplateName" Value="Slider"/>)"));
}

// The level as the template shows it (on its sliding area).
std::string levelState(const GDiscreteSliderNode& slider) {
    const CNodeState* state = slider.getSlidingArea() ? slider.getSlidingArea()->getCurrentState() : nullptr;
    return state ? std::string(state->getName().str().view()) : std::string();
}

} // namespace

TEST(GDiscreteSliderNode, ClicksSnapToFiveLevelsAndTheLeftEdgeGivesTwentyPercent) {
    TemplatedScreen screen(templatesText(), sceneText());
    auto* slider = screen.find<GDiscreteSliderNode>("Volume");
    ASSERT_NE(slider, nullptr);
    ASSERT_TRUE(slider->getSlidingArea() && slider->getKnob());
    const struct {
        int x;
        float value;
        const char* state;
    } cases[] = {
        {31, 20.0f, "State0"},  {49, 20.0f, "State0"},   {50, 40.0f, "State1"},
        {69, 40.0f, "State1"},  {70, 60.0f, "State2"},   {90, 80.0f, "State3"},
        {109, 80.0f, "State3"}, {110, 100.0f, "State4"}, {129, 100.0f, "State4"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.x);
        slider->setValue(50.0f);
        screen.mouseDown(c.x, 75);
        screen.mouseUp(c.x, 75);
        screen.drain();
        EXPECT_FLOAT_EQ(slider->getValue(), c.value);
        EXPECT_EQ(levelState(*slider), c.state);
        EXPECT_TRUE(slider->getKnob()->isVisible());
    }
    // At the top level the knob's far end meets the area's.
    EXPECT_FLOAT_EQ(slider->getKnob()->getPosition().x, 110.0f);

    // The thresholds are absolute values; key steps do not snap.
    const struct {
        float value;
        const char* state;
    } levels[] = {{45.0f, "State1"}, {99.0f, "State3"}, {99.5f, "State4"}, {100.0f, "State4"}, {0.005f, "State0"}};
    for (const auto& l : levels) {
        SCOPED_TRACE(l.value);
        slider->setValue(l.value);
        EXPECT_EQ(levelState(*slider), l.state);
    }
    EXPECT_FALSE(slider->getKnob()->isVisible()) << "hidden below 0.01";
}

TEST(GDiscreteSliderNode, OnlyADragThatStartedInsideReachesZero) {
    TemplatedScreen screen(templatesText(), sceneText());
    auto* slider = screen.find<GDiscreteSliderNode>("Volume");
    ASSERT_NE(slider, nullptr);

    // A press left of the area (on the step button) changes nothing.
    screen.mouseDown(25, 75);
    EXPECT_FLOAT_EQ(slider->getValue(), 50.0f);
    screen.mouseUp(25, 75);

    screen.mouseDown(60, 75);
    EXPECT_TRUE(slider->isDragArmed());
    ASSERT_NE(slider->getPrevButton(), nullptr);
    EXPECT_FALSE(slider->getPrevButton()->canBeHit()) << "the step button is out of the way while pressed";
    EXPECT_FLOAT_EQ(slider->getValue(), 40.0f);
    // Over the frame, left of the area.
    screen.mouseMove(12, 75);
    EXPECT_FLOAT_EQ(slider->getValue(), 0.0f);
    EXPECT_EQ(levelState(*slider), "State0");
    EXPECT_FALSE(slider->getKnob()->isVisible());
    screen.mouseUp(12, 75);
    EXPECT_FALSE(slider->isDragArmed());
    EXPECT_TRUE(slider->getPrevButton()->canBeHit());
    // Parked before the area, a fifth of its length out.
    EXPECT_FLOAT_EQ(slider->getKnob()->getPosition().x, 1.0f);
}
