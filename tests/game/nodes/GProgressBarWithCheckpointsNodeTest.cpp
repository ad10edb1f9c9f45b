#include "game/nodes/GProgressBarWithCheckpointsNode.h"

#include "engine/core/CEngine.h"
#include "engine/core/CEngineCreationParams.h"
#include "engine/nodes/TextNode.h"
#include "engine/scene/CNodeState.h"
#include "game/app/GSoundCues.h"
#include "tests/engine/sound/CueTestSupport.h"
#include "tests/game/nodes/GameNodesTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using State = GProgressBarWithCheckpointsNode::CheckpointState;

// A bar 400 wide over an area of its width, with a mark template at y 12
// that shows its number and whose face knows the three checkpoint states.
CRefHandle<GProgressBarWithCheckpointsNode> makeBar(float areaWidth = 400.0f, float areaHeight = 16.0f) {
    CRefHandle<GProgressBarWithCheckpointsNode> bar(
        new GProgressBarWithCheckpointsNode(CObjectName(), nullptr, nullptr));
    bar->setBounds(CVector3d(400.0f, 16.0f, 0.0f));
    bar->setKnobType(ProgressBarNode::KnobFill);
    BaseNode* area = new BaseNode(CObjectName(), bar.get(), nullptr);
    area->setName(CName("SlidingArea"));
    area->setPosition(CVector3d(3.0f, 4.0f, 0.0f));
    area->setBounds(CVector3d(areaWidth, areaHeight, 0.0f));
    area->release();
    BaseNode* knob = new BaseNode(CObjectName(), bar.get(), nullptr);
    knob->setName(CName("Knob"));
    knob->setBounds(CVector3d(7.0f, 16.0f, 0.0f));
    knob->release();
    BaseNode* mark = new BaseNode(CObjectName(), bar.get(), nullptr);
    mark->setName(CName("Checkpoint"));
    mark->setPosition(CVector3d(0.0f, 12.0f, 0.0f));
    BaseNode* face = new BaseNode(CObjectName(), mark, nullptr);
    face->setName(CName("Face"));
    for (const char* name : {"Flashed", "PassedOk", "PassedFail"}) {
        CRefHandle<CNodeState> state(new CNodeState(CName(name)));
        (void)face->addState(state.get());
    }
    face->release();
    for (const char* name : {"Text", "Time"}) {
        TextNode* text = new TextNode(CObjectName(), mark, nullptr);
        text->setName(CName(name));
        text->setVisible(std::string(name) == "Text");
        text->release();
    }
    mark->release();
    bar->onLoaded();
    return bar;
}

void layOut(GProgressBarWithCheckpointsNode& bar, std::initializer_list<float> times) {
    bar.clearCheckpoints();
    for (float time : times)
        bar.addCheckpointTime(time);
    bar.layoutCheckpoints();
}

std::string number(const GProgressBarWithCheckpointsNode& bar, uint32_t index) {
    const auto* text = nodeCast<TextNode>(bar.getCheckpoints()[index].mark->findChild(CName("Text"), 1));
    return text ? std::string(CString(text->getText()).view()) : std::string();
}

std::string markState(const GProgressBarWithCheckpointsNode& bar, uint32_t index) {
    const CNodeState* state = bar.getCheckpoints()[index].mark->findChild(CName("Face"), 1)->getCurrentState();
    return state ? std::string(state->getName().str().view()) : std::string();
}

// An engine whose sound-cue manager knows "AlmostEnd".
struct Sounds {
    CueFixture cues;
    CRefHandle<CEngine> engine{new CEngine(CEngineCreationParams())};
    Sounds() {
        cues.define(soundCueName(GSoundCue::AlmostEnd).str().c_str(), 2, 1, true);
        cues.manager->addRef();
        engine->setSoundCueManager(cues.manager.get());
        setEngineInstance(engine.get());
    }
    ~Sounds() { setEngineInstance(nullptr); }
    [[nodiscard]] uint32_t playing() const { return cues.manager->getPlayingCount(); }
};

} // namespace

TEST(GProgressBarWithCheckpointsNode, MarksStandAtTheRunningTotalsNumberedFromOne) {
    auto bar = makeBar();
    ASSERT_NE(bar->getMarkTemplate(), nullptr);
    EXPECT_FALSE(bar->getMarkTemplate()->isVisible()) << "the template is hidden once found";
    layOut(*bar, {0.25f, 0.25f, 0.5f});
    ASSERT_EQ(bar->getCheckpoints().size(), 3u);
    const float xs[] = {100.0f, 200.0f, 400.0f};
    for (uint32_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const BaseNode* mark = bar->getCheckpoints()[i].mark;
        EXPECT_TRUE(mark->isVisible());
        EXPECT_TRUE(mark->isNotSerialised());
        EXPECT_FLOAT_EQ(mark->getPosition().x, xs[i]);
        EXPECT_EQ(mark->getPosition().y, 12.0f);
        EXPECT_EQ(mark->getPosition().z, 0.01f);
        EXPECT_EQ(number(*bar, i), std::to_string(i + 1));
    }

    // Times short of the whole leave the last mark short of the end; the fill
    // still reaches the end.
    layOut(*bar, {0.25f, 0.25f, 0.25f});
    EXPECT_FLOAT_EQ(bar->getCheckpoints()[2].mark->getPosition().x, 300.0f);
    bar->setMaxValue(60.0f);
    bar->setValue(60.0f);
    EXPECT_FLOAT_EQ(bar->getKnob()->getBounds().x, 400.0f);
    EXPECT_EQ(bar->getKnob()->getPosition().x, 3.0f);
    bar->setValue(15.0f);
    EXPECT_FLOAT_EQ(bar->getKnob()->getBounds().x, 100.0f);

    // Without times the value leaves the knob alone.
    bar->clearCheckpoints();
    bar->setValue(30.0f);
    EXPECT_FLOAT_EQ(bar->getKnob()->getBounds().x, 100.0f);
}

TEST(GProgressBarWithCheckpointsNode, FewerTimesDropTheLastMarksAndTheRestKeepTheirStates) {
    auto bar = makeBar();
    layOut(*bar, {0.2f, 0.2f, 0.2f, 0.2f, 0.2f});
    std::vector<BaseNode*> marks;
    for (const auto& entry : bar->getCheckpoints())
        marks.push_back(entry.mark);
    bar->setCheckpointPassedOk(0);
    bar->setCheckpointPassedFail(1);
    const uint32_t children = bar->getChildren().size();

    layOut(*bar, {0.5f, 0.25f, 0.25f});
    ASSERT_EQ(bar->getCheckpoints().size(), 3u);
    EXPECT_EQ(bar->getChildren().size(), children - 2);
    for (uint32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(bar->getCheckpoints()[i].mark, marks[i]);
        EXPECT_EQ(number(*bar, i), std::to_string(i + 1));
    }
    EXPECT_EQ(bar->getCheckpoints()[0].state, State::PassedOk);
    EXPECT_EQ(bar->getCheckpoints()[1].state, State::PassedFail);
    EXPECT_FLOAT_EQ(bar->getCheckpoints()[1].mark->getPosition().x, 300.0f);
    EXPECT_TRUE(bar->isCheckpointPassed(1));
    EXPECT_FALSE(bar->isCheckpointPassed(2));
    EXPECT_FALSE(bar->isCheckpointPassed(3));

    CRefHandle<BaseNode> copy(bar->clone(nullptr, nullptr));
    EXPECT_EQ(copy->getChildren().size(), 3u) << "the marks are not copied";
}

TEST(GProgressBarWithCheckpointsNode, AFlashPlaysTheCueOnceAndADecisionStopsIt) {
    Sounds sounds;
    auto bar = makeBar();
    layOut(*bar, {0.5f, 0.5f});
    bar->setCheckpointFlashed(0);
    bar->setCheckpointFlashed(0);
    EXPECT_EQ(sounds.playing(), 1u);
    EXPECT_EQ(markState(*bar, 0), "Flashed");
    bar->setCheckpointFlashed(7);
    EXPECT_EQ(sounds.playing(), 1u);

    bar->setCheckpointPassedOk(0);
    EXPECT_EQ(markState(*bar, 0), "PassedOk");
    EXPECT_TRUE(bar->isCheckpointPassed(0));
    sounds.cues.update(5000);
    EXPECT_EQ(sounds.playing(), 0u);
    bar->setCheckpointPassedFail(0);
    EXPECT_EQ(markState(*bar, 0), "PassedFail");

    bar->setCheckpointTimeText(1, -42);
    const auto* time = nodeCast<TextNode>(bar->getCheckpoints()[1].mark->findChild(CName("Time"), 1));
    ASSERT_NE(time, nullptr);
    EXPECT_TRUE(time->isVisible());
    EXPECT_EQ(std::string(CString(time->getText()).view()), "-42");
}

TEST(GProgressBarWithCheckpointsNode, AnUprightBarFillsDownwardsAndStillPlacesMarksAlongX) {
    auto bar = makeBar(16.0f, 300.0f);
    layOut(*bar, {0.5f, 0.5f});
    bar->setValue(25.0f);
    EXPECT_FLOAT_EQ(bar->getKnob()->getBounds().y, 75.0f);
    EXPECT_EQ(bar->getKnob()->getBounds().x, 7.0f);
    EXPECT_EQ(bar->getKnob()->getPosition().y, 4.0f);
    EXPECT_FLOAT_EQ(bar->getCheckpoints()[0].mark->getPosition().x, 200.0f);
}
