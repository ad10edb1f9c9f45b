// Buttons, check boxes, sliders and progress bars read from scene files:
// their looks come from a template collection file, and they are driven by
// mouse and key events handed to a live scene manager.

#include "engine/core/CEventKeyDown.h"
#include "engine/core/CEventMouseLeftDown.h"
#include "engine/core/CEventMouseLeftUp.h"
#include "engine/core/CEventMouseMove.h"
#include "engine/core/CUpdateScheduler.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/io/CXmlStreamWriter.h"
#include "engine/nodes/ButtonNode.h"
#include "engine/nodes/CEventValueChanged.h"
#include "engine/nodes/CheckBoxNode.h"
#include "engine/nodes/ProgressBarNode.h"
#include "engine/nodes/SliderNode.h"
#include "engine/nodes/SpriteNode.h"
#include "engine/nodes/StandardNodes.h"
#include "engine/nodes/TextNode.h"
#include "engine/scene/CEventClick.h"
#include "engine/scene/CEventClickStarted.h"
#include "engine/scene/CEventClicked.h"
#include "engine/scene/CNodeFactory.h"
#include "engine/scene/CNodeState.h"
#include "engine/scene/CSceneFileReader.h"
#include "engine/scene/CSceneFileWriter.h"
#include "engine/scene/SceneManager.h"
#include "engine/scene/SceneNode.h"
#include "engine/scene/TemplateCollectionNode.h"
#include "tests/engine/scene/PropertyTestSupport.h"
#include "tests/engine/scene/SceneTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

// A plain node hit inside its bounds: the hit areas of the test templates.
class HitBox : public BaseNode {
public:
    using BaseNode::BaseNode;
    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* manager) const override {
        return cloneAs<HitBox>(parent, manager);
    }
    [[nodiscard]] bool hitTest(const CVector3d& point) const override { return isPointInside(point); }

protected:
    ~HitBox() override = default;
};

// A "Press" state of 100 ms: a tint fade.
constexpr const char* kPressState = R"(<State Name="Press">
  <Animator Type="KeyFrame" Name="Fade" Period="10">
    <Properties><color Name="TintColor" Value="80ffffff"/></Properties>
    <KeyFrame t="0" Value0="80ffffff"/>
    <KeyFrame t="100" i="0" Value0="ffffffff"/>
  </Animator>
</State>)";

std::string node(const char* type, const char* name, const char* properties, const std::string& inner = "") {
    return std::string("<SceneNode Type=\"") + type + "\"><Properties><string Name=\"Name\" Value=\"" + name + "\"/>" +
           properties + "</Properties>" + inner + "</SceneNode>\n";
}

std::string states(const std::string& inner) { return "<States>" + inner + "</States>"; }

// The templates: a button face with its text and image; a check box face
// that only knows "Normal" and "NormalCheck" (its press plays on a glow of
// its own, which a check state applied meanwhile leaves running); a slider with a frame larger
// than its sliding area, a knob and two step buttons; a progress bar.
std::string templatesFile() {
    const std::string face =
        node("HitBox", "Face", R"(<vector3d Name="Bounds" Value="80;20;0"/>)", states(kPressState));
    return "<?xml version=\"1.0\"?>\n" +
           node(
               "TemplateCollectionNode", "Templates", "",
               node("BaseNode", "Button", R"(<vector3d Name="Bounds" Value="80;20;0"/>)",
                    face + node("TextNode", "Text", "") + node("SpriteNode", "Image", "")) +
                   node("BaseNode", "StepButton", "",
                        node("HitBox", "Face", R"(<vector3d Name="Bounds" Value="20;10;0"/>)")) +
                   node("BaseNode", "CheckBox", "",
                        node("HitBox", "Face", R"(<vector3d Name="Bounds" Value="20;20;0"/>)",
                             states(R"(<State Name="Normal"/><State Name="NormalCheck"/>)")) +
                            node("BaseNode", "Glow", "", states(kPressState))) +
                   node(
                       "BaseNode", "Slider", "",
                       node("HitBox", "Frame", R"(<vector3d Name="Bounds" Value="140;20;0"/>)") +
                           node(
                               "HitBox", "SlidingArea",
                               R"(<vector3d Name="Position" Value="20;0;0"/><vector3d Name="Bounds" Value="100;10;0"/>)") +
                           node("BaseNode", "Knob", R"(<vector3d Name="Bounds" Value="10;10;0"/>)") +
                           node(
                               "ButtonNode", "PrevButton",
                               R"(<vector3d Name="Bounds" Value="20;10;0"/><string Name="TemplateName" Value="StepButton"/>)") +
                           node(
                               "ButtonNode", "NextButton",
                               R"(<vector3d Name="Position" Value="120;0;0"/><vector3d Name="Bounds" Value="20;10;0"/><string Name="TemplateName" Value="StepButton"/>)")) +
                   node(
                       "BaseNode", "Progress", "",
                       node("BaseNode", "SlidingArea",
                            R"(<vector3d Name="Position" Value="10;0;0"/><vector3d Name="Bounds" Value="200;20;0"/>)") +
                           node("BaseNode", "Knob", R"(<vector3d Name="Bounds" Value="20;20;0"/>)")));
}

// The menu: one control of each kind; the second bar has parts of its own.
std::string menuFile() {
    return "<?xml version=\"1.0\"?>\n" +
           node(
               "SceneNode", "Menu", R"(<vector3d Name="Bounds" Value="640;480;0"/>)",
               node(
                   "ButtonNode", "Play",
                   R"(<vector3d Name="Position" Value="10;10;0"/><string Name="TemplateName" Value="Button"/><stringw Name="Text" Value="Play"/>)") +
                   node(
                       "CheckBoxNode", "Sound",
                       R"(<vector3d Name="Position" Value="10;40;0"/><string Name="TemplateName" Value="CheckBox"/><bool Name="IsChecked" Value="true"/>)") +
                   node("SliderNode", "Volume",
                        R"(<vector3d Name="Position" Value="10;70;0"/><string Name="TemplateName" Value="Slider"/>)") +
                   node(
                       "ProgressBarNode", "Loading",
                       R"(<vector3d Name="Position" Value="10;100;0"/><string Name="TemplateName" Value="Progress"/><int Name="KnobType" Value="1"/><float Name="Value" Value="150"/>)") +
                   node("ProgressBarNode", "Tall", R"(<vector3d Name="Position" Value="300;10;0"/>)",
                        node("BaseNode", "SlidingArea", R"(<vector3d Name="Bounds" Value="20;200;0"/>)") +
                            node("BaseNode", "Knob", R"(<vector3d Name="Bounds" Value="20;20;0"/>)")));
}

CNodeFactory* controlsFactory() {
    CNodeFactory* factory = CNodeFactory::getShared();
    registerStandardNodes(*factory);
    static_cast<void>(factory->registerNodeClass(
        CStringW(u"HitBox"), [](const CObjectName& name) -> BaseNode* { return new HitBox(name, nullptr, nullptr); }));
    return factory;
}

CRefHandle<BaseNode> readFile(const std::string& text, const char16_t* name) {
    CRefHandle<CXmlStreamReader> xml(new CXmlStreamReader(text.data(), text.size()));
    uint32_t depth = 0;
    CSceneFileReader reader(xml.get(), controlsFactory(), depth, CStringW(name));
    return reader.readDocument(CObjectName(nullptr, CStringW(name)), CStringW(name));
}

// Every event offered to a node, with its sender where it has one.
class Recorder : public CEventReceiver {
public:
    bool handleEvent(CEvent* event) override {
        BaseNode* sender = nullptr;
        if (const auto* started = dynamic_cast<CEventClickStarted*>(event))
            sender = started->getControl();
        else if (const auto* click = dynamic_cast<CEventClick*>(event))
            sender = click->getControl();
        else if (const auto* changed = dynamic_cast<CEventValueChanged*>(event))
            sender = changed->getSender();
        events.emplace_back(event->getType(), sender);
        return false;
    }
    // The senders of the events of `type`, in order.
    [[nodiscard]] std::vector<BaseNode*> senders(int type) const {
        std::vector<BaseNode*> found;
        for (const auto& [t, sender] : events)
            if (t == type)
                found.push_back(sender);
        return found;
    }
    // The event types that carried a sender among `types`, in order.
    [[nodiscard]] std::vector<int> sequence(const std::vector<int>& types) const {
        std::vector<int> found;
        for (const auto& entry : events)
            for (int type : types)
                if (entry.first == type)
                    found.push_back(type);
        return found;
    }

    std::vector<std::pair<int, BaseNode*>> events;

protected:
    ~Recorder() override = default;
};

struct Menu {
    CRefHandle<CEngine> engine = makeFakeEngine();
    CRefHandle<SceneManager> manager{new SceneManager(CObjectName(), nullptr, nullptr)};
    CRefHandle<BaseNode> templates = readFile(templatesFile(), u"Templates.mscn");
    CRefHandle<BaseNode> sceneNode = readFile(menuFile(), u"Menu.mscn");
    SceneNode* scene = nodeCast<SceneNode>(sceneNode.get());
    CRefHandle<Recorder> recorder{new Recorder};

    Menu() {
        manager->setEngine(engine.get());
        TemplateCollectionNode* collection = nodeCast<TemplateCollectionNode>(templates.get());
        EXPECT_TRUE(collection);
        manager->setTemplateCollection(collection);
        EXPECT_TRUE(scene);
        if (!scene)
            return;
        scene->addPreHandler(recorder.get());
        EXPECT_TRUE(manager->setScene(scene));
        manager->updateAbsoluteTransformation();
        drain();
    }
    ~Menu() {
        if (scene)
            scene->removePreHandler(recorder.get());
    }

    template <class T> [[nodiscard]] T* find(const char* name) const {
        return nodeCast<T>(scene ? scene->findChild(CName(name), 0) : nullptr);
    }
    void drain() { static_cast<void>(manager->update(0)); }
    // The states of the scene on top run.
    void runStates(uint32_t ms) { manager->getSceneSchedulerOf(manager->getCurrentScene())->update(ms); }
    void settle() {
        runStates(100);
        drain();
        manager->updateAbsoluteTransformation();
    }
    template <class E> bool send(int x, int y) {
        E* event = new E(x, y);
        const bool consumed = manager->dispatch(CEventReceiver::HandleThenChildren, event);
        event->release();
        return consumed;
    }
    bool key(int32_t code) {
        CEventKeyDown* event = new CEventKeyDown(0, code);
        const bool consumed = manager->dispatch(CEventReceiver::HandleThenChildren, event);
        event->release();
        return consumed;
    }
    void click(int x, int y) {
        static_cast<void>(send<CEventMouseLeftDown>(x, y));
        static_cast<void>(send<CEventMouseLeftUp>(x, y));
    }
};

CName currentState(const BaseNode* node) {
    const CNodeState* state = node ? node->getCurrentState() : nullptr;
    return state ? state->getName() : CName();
}

const BaseNode* templatePart(const ControlNode* control, const char* name) {
    return control && control->getTemplateRoot() ? control->getTemplateRoot()->findChild(CName(name), 1) : nullptr;
}

} // namespace

TEST(StandardControls, ButtonFillsItsTemplatePartsAndAClickPostsStartedThenClicked) {
    Menu menu;
    ButtonNode* play = menu.find<ButtonNode>("Play");
    ASSERT_TRUE(play);
    ASSERT_TRUE(play->getTextChild());
    EXPECT_TRUE(play->getTextChild()->getText() == CStringW(u"Play"));
    ASSERT_TRUE(play->getImageChild());
    EXPECT_EQ(play->getImageChild()->getAtlasTexture(), nullptr);

    play->setText(CStringW(u"Again"));
    EXPECT_TRUE(play->getTextChild()->getText() == CStringW(u"Again"));

    menu.click(20, 15);
    menu.drain();
    EXPECT_EQ(menu.recorder->senders(CEventClickStarted::TypeId), std::vector<BaseNode*>{play});
    EXPECT_TRUE(menu.recorder->senders(CEventClicked::TypeId).empty()) << "the press state is still playing";
    menu.runStates(50);
    menu.drain();
    EXPECT_TRUE(menu.recorder->senders(CEventClicked::TypeId).empty());
    menu.settle();
    EXPECT_EQ(menu.recorder->senders(CEventClicked::TypeId), std::vector<BaseNode*>{play});
    EXPECT_EQ(menu.recorder->sequence({CEventClickStarted::TypeId, CEventClicked::TypeId}),
              (std::vector<int>{CEventClickStarted::TypeId, CEventClicked::TypeId}));
}

TEST(StandardControls, ButtonKeepsItsTextUntilItJoinsAScene) {
    CRefHandle<ButtonNode> button(new ButtonNode(CObjectName(), nullptr, nullptr));
    button->setText(CStringW(u"Later"));
    button->setTemplateName(CName("Button"));
    EXPECT_EQ(button->getTextChild(), nullptr);

    Menu menu;
    CRefHandle<SceneNode> top(new SceneNode(CObjectName(), nullptr, nullptr));
    top->addChild(button.get());
    EXPECT_EQ(button->getTextChild(), nullptr);
    ASSERT_TRUE(menu.scene->navigateTo(top.get(), false));
    ASSERT_TRUE(button->getTextChild());
    EXPECT_TRUE(button->getTextChild()->getText() == CStringW(u"Later"));

    // A copy finds the parts of its own template root.
    CRefHandle<BaseNode> copy(button->clone(nullptr, nullptr));
    ButtonNode* copied = nodeCast<ButtonNode>(copy.get());
    ASSERT_TRUE(copied && copied->getTextChild());
    EXPECT_NE(copied->getTextChild(), button->getTextChild());
    EXPECT_TRUE(copied->getTextChild()->getText() == CStringW(u"Later"));
}

TEST(StandardControls, CheckBoxTogglesAsTheClickStartsAndRefusesALatchedSecondClick) {
    Menu menu;
    CheckBoxNode* sound = menu.find<CheckBoxNode>("Sound");
    ASSERT_TRUE(sound);
    EXPECT_TRUE(sound->isChecked());
    EXPECT_TRUE(sound->isFocusOnHover());

    menu.click(15, 45);
    EXPECT_FALSE(sound->isChecked()) << "toggled before the press has played";
    EXPECT_FALSE(sound->click()) << "the first click is still latched";
    EXPECT_FALSE(sound->isChecked());
    menu.drain();
    EXPECT_EQ(menu.recorder->senders(CEventValueChanged::TypeId), std::vector<BaseNode*>{sound});
    menu.settle();
    EXPECT_EQ(menu.recorder->senders(CEventClicked::TypeId), std::vector<BaseNode*>{sound});
    EXPECT_EQ(menu.recorder->senders(CEventValueChanged::TypeId).size(), 1u);

    // Setting the flag in code shows it but posts nothing.
    sound->setChecked(true);
    menu.settle();
    EXPECT_EQ(menu.recorder->senders(CEventValueChanged::TypeId).size(), 1u);
}

TEST(StandardControls, CheckBoxStatesFallBackToTheFewATemplateDefines) {
    // Following the fallbacks from each state a check box applies ends on the
    // only two states of a minimal template.
    const struct {
        const char* requested;
        const char* reached;
    } cases[] = {
        {"FocusCheckHover", "NormalCheck"},
        {"FocusCheck", "NormalCheck"},
        {"NormalCheckHover", "NormalCheck"},
        {"NormalCheckDisable", "NormalCheck"},
        {"FocusCheckDisable", "NormalCheck"},
        {"NormalCheckKillHover", "NormalCheck"},
        {"FocusCheckKillHover", "NormalCheck"},
        {"Focus", "Normal"},
        {"NormalDisable", "Normal"},
        {"FocusDisable", "Normal"},
        {"FocusKillHover", "Normal"},
        {"NormalKillHover", "Normal"},
        {"Press", "Normal"},
    };
    const CName normal("Normal");
    const CName normalCheck("NormalCheck");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.requested);
        CName state(c.requested);
        int steps = 0;
        while (state != normal && state != normalCheck && !state.empty() && ++steps < 10)
            state = CheckBoxNode::checkBoxFallback(state);
        EXPECT_EQ(state, CName(c.reached));
    }
    EXPECT_EQ(CheckBoxNode::checkBoxFallback(CName("FocusCheckHover")), CName("NormalCheckHover"));
    EXPECT_EQ(CheckBoxNode::checkBoxFallback(CName("FocusDisable")), CName("NormalDisable"));

    // On the real template: the face shows the check state for each flag.
    Menu menu;
    CheckBoxNode* sound = menu.find<CheckBoxNode>("Sound");
    ASSERT_TRUE(sound);
    const BaseNode* face = templatePart(sound, "Face");
    ASSERT_TRUE(face);
    menu.settle();
    EXPECT_EQ(currentState(face), normalCheck);
    sound->setChecked(false);
    EXPECT_EQ(currentState(face), normal);
    sound->setEnabled(false);
    sound->setChecked(true);
    EXPECT_EQ(currentState(face), normalCheck);
    // Hovering a disabled check box shows nothing of its own.
    sound->setChecked(false);
    sound->setHovered(true);
    EXPECT_EQ(currentState(face), normal);
}

TEST(StandardControls, BackButtonReturnsToTheSceneBelowAndTheClickGoesOn) {
    Menu menu;
    CRefHandle<SceneNode> top(new SceneNode(CObjectName(), nullptr, nullptr));
    top->setBounds(CVector3d(640.0f, 480.0f, 0.0f));
    BackButtonNode* back = new BackButtonNode(CObjectName(), top.get(), nullptr);
    back->release();
    back->setTemplateName(CName("Button"));
    CRefHandle<Recorder> topRecorder(new Recorder);
    top->addPreHandler(topRecorder.get());
    ASSERT_TRUE(menu.scene->navigateTo(top.get(), false));
    for (int i = 0; i < 4; ++i)
        menu.settle();
    ASSERT_EQ(menu.manager->getCurrentScene(), top.get());
    ASSERT_TRUE(back->getTextChild()) << "the template applied on joining the stack";

    menu.click(5, 5);
    for (int i = 0; i < 4; ++i)
        menu.settle();
    EXPECT_EQ(menu.manager->getCurrentScene(), menu.scene);
    EXPECT_EQ(topRecorder->senders(CEventClicked::TypeId), std::vector<BaseNode*>{back});
    top->removePreHandler(topRecorder.get());
}

TEST(StandardControls, SliderTakesClicksInItsAreaDragsKeysAndStepButtons) {
    Menu menu;
    SliderNode* volume = menu.find<SliderNode>("Volume");
    ASSERT_TRUE(volume);
    ASSERT_TRUE(volume->getSlidingArea() && volume->getKnob() && volume->getPrevButton() && volume->getNextButton());
    // The default value centres the knob on the free track: 20 + 90 / 2.
    EXPECT_FLOAT_EQ(volume->getKnob()->getPosition().x, 65.0f);
    auto changes = [&menu] { return menu.recorder->senders(CEventValueChanged::TypeId).size(); };

    // The slider sits at (10, 70); its area spans x 30 to 130, y 70 to 80.
    // Below the area, on the frame: no change.
    static_cast<void>(menu.send<CEventMouseLeftDown>(80, 85));
    static_cast<void>(menu.send<CEventMouseLeftUp>(80, 85));
    menu.settle();
    EXPECT_FLOAT_EQ(volume->getValue(), 50.0f);
    EXPECT_EQ(changes(), 0u);

    // Near the end of the track: the maximum exactly; then dragging back.
    static_cast<void>(menu.send<CEventMouseLeftDown>(127, 75));
    EXPECT_FLOAT_EQ(volume->getValue(), 100.0f);
    EXPECT_FLOAT_EQ(volume->getKnob()->getPosition().x, 110.0f);
    static_cast<void>(menu.send<CEventMouseMove>(35 + 45, 75));
    EXPECT_FLOAT_EQ(volume->getValue(), 50.0f);
    static_cast<void>(menu.send<CEventMouseLeftUp>(80, 75));
    menu.settle();
    EXPECT_EQ(changes(), 2u);

    // Keys reach the focused slider: End, Home, Home again (no change), and
    // the horizontal arrows; Up is not a horizontal key.
    ASSERT_TRUE(volume->isFocused());
    const struct {
        int32_t key;
        bool handled;
        float value;
    } keys[] = {{35, true, 100.0f}, {36, true, 0.0f},  {36, true, 0.0f}, {39, true, 5.0f},
                {37, true, 0.0f},   {37, false, 0.0f}, {38, false, 0.0f}};
    for (const auto& k : keys) {
        SCOPED_TRACE(k.key);
        EXPECT_EQ(menu.key(k.key), k.handled);
        EXPECT_FLOAT_EQ(volume->getValue(), k.value);
    }
    menu.drain();
    EXPECT_EQ(changes(), 6u);

    // PrevButton at the minimum: no change, and the click still reaches the
    // scene; NextButton steps up.
    menu.click(15, 75);
    menu.settle();
    EXPECT_FLOAT_EQ(volume->getValue(), 0.0f);
    EXPECT_EQ(changes(), 6u);
    EXPECT_EQ(menu.recorder->senders(CEventClicked::TypeId).back(), volume->getPrevButton());
    menu.click(135, 75);
    menu.settle();
    EXPECT_FLOAT_EQ(volume->getValue(), 5.0f);
    EXPECT_EQ(changes(), 7u);

    // A disabled slider ignores its area, but its step buttons still work.
    volume->setEnabled(false);
    menu.click(80, 75);
    menu.settle();
    EXPECT_FLOAT_EQ(volume->getValue(), 5.0f);
    menu.click(135, 75);
    menu.settle();
    EXPECT_FLOAT_EQ(volume->getValue(), 10.0f);

    // A hidden slider's step buttons cannot be clicked.
    volume->setEnabled(true);
    volume->setVisible(false);
    menu.click(135, 75);
    menu.settle();
    EXPECT_FLOAT_EQ(volume->getValue(), 10.0f);
}

TEST(StandardControls, SliderKnobLayoutAndBounds) {
    Menu menu;
    SliderNode* volume = menu.find<SliderNode>("Volume");
    ASSERT_TRUE(volume && volume->getKnob());
    const BaseNode* knob = volume->getKnob();

    // Bounds that would cross are refused; a raised minimum lifts the value.
    volume->setMinValue(120.0f);
    EXPECT_FLOAT_EQ(volume->getMinValue(), 0.0f);
    volume->setMaxValue(0.0f);
    EXPECT_FLOAT_EQ(volume->getMaxValue(), 100.0f);
    volume->setMinValue(60.0f);
    EXPECT_FLOAT_EQ(volume->getValue(), 60.0f);
    volume->setMinValue(0.0f);
    volume->setValue(150.0f);
    EXPECT_FLOAT_EQ(volume->getValue(), 100.0f);

    const struct {
        const char* what;
        int32_t knobType;
        float pageSize;
        float value;
        float start;
        float length;
    } cases[] = {
        {"moving knob at a quarter", 0, 0.0f, 25.0f, 43.0f, 10.0f},
        {"page as large as the range", 0, 100.0f, 75.0f, 20.0f, 10.0f},
        {"fill bar", 1, 0.0f, 30.0f, 20.0f, 30.0f},
        {"thumb never shorter than 25", 2, 10.0f, 40.0f, 60.0f, 25.0f},
        {"thumb of a large page", 2, 50.0f, 20.0f, 40.0f, 50.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        volume->setKnobType(c.knobType);
        volume->setPageSize(c.pageSize);
        volume->setValue(c.value);
        EXPECT_FLOAT_EQ(knob->getPosition().x, c.start);
        EXPECT_FLOAT_EQ(knob->getBounds().x, c.length);
        EXPECT_FLOAT_EQ(knob->getPosition().y, 0.0f);
    }
}

TEST(StandardControls, UprightSliderRunsAlongYAndTakesUpAndDown) {
    Menu menu;
    SliderNode* volume = menu.find<SliderNode>("Volume");
    ASSERT_TRUE(volume && volume->getSlidingArea() && volume->getKnob());
    // Stood upright, the area spans x 30 to 40 and y 70 to 170.
    volume->getSlidingArea()->setBounds(CVector3d(10.0f, 100.0f, 0.0f));
    volume->setValue(50.0f);
    EXPECT_FLOAT_EQ(volume->getKnob()->getPosition().y, 45.0f);
    menu.manager->updateAbsoluteTransformation();

    // A press maps the pointer's y: 25 down the area is (25 - 5) / 90 of the range.
    static_cast<void>(menu.send<CEventMouseLeftDown>(35, 95));
    static_cast<void>(menu.send<CEventMouseLeftUp>(35, 95));
    menu.settle();
    EXPECT_NEAR(volume->getValue(), 100.0f * 20.0f / 90.0f, 1e-3f);
    ASSERT_TRUE(volume->isFocused());

    // Up and Down step it; the horizontal arrows are not its keys.
    volume->setValue(50.0f);
    const struct {
        int32_t key;
        bool handled;
        float value;
    } keys[] = {{38, true, 55.0f}, {40, true, 50.0f}, {37, false, 50.0f}, {39, false, 50.0f}};
    for (const auto& k : keys) {
        SCOPED_TRACE(k.key);
        EXPECT_EQ(menu.key(k.key), k.handled);
        EXPECT_FLOAT_EQ(volume->getValue(), k.value);
    }
}

TEST(StandardControls, ProgressBarsClampAndLayOutTheirKnob) {
    Menu menu;
    ProgressBarNode* loading = menu.find<ProgressBarNode>("Loading");
    ProgressBarNode* tall = menu.find<ProgressBarNode>("Tall");
    ASSERT_TRUE(loading && tall);
    // Read from the file as it is; clamped by the next setter.
    EXPECT_FLOAT_EQ(loading->getValue(), 150.0f);
    loading->setValue(50.0f);
    ASSERT_TRUE(loading->getKnob());
    EXPECT_FLOAT_EQ(loading->getKnob()->getBounds().x, 100.0f);
    EXPECT_FLOAT_EQ(loading->getKnob()->getPosition().x, 10.0f);
    loading->setValue(-20.0f);
    EXPECT_FLOAT_EQ(loading->getValue(), 0.0f);
    EXPECT_FLOAT_EQ(loading->getKnob()->getBounds().x, 0.0f);
    loading->setMaxValue(0.0f);
    EXPECT_FLOAT_EQ(loading->getMaxValue(), 100.0f);

    // Parts of its own: a vertical area moves the knob down along y, its far
    // edge on the area's at the maximum.
    ASSERT_TRUE(tall->getKnob());
    EXPECT_EQ(tall->getKnob()->getParent(), tall);
    tall->setValue(100.0f);
    EXPECT_FLOAT_EQ(tall->getKnob()->getPosition().y, 180.0f);
    EXPECT_FLOAT_EQ(tall->getKnob()->getPosition().x, 0.0f);
    tall->setValue(25.0f);
    EXPECT_FLOAT_EQ(tall->getKnob()->getPosition().y, 45.0f);

    // A copy finds its own children; the base class is not copied.
    CRefHandle<BaseNode> copy(tall->clone(nullptr, nullptr));
    ProgressBarNode* copied = nodeCast<ProgressBarNode>(copy.get());
    ASSERT_TRUE(copied && copied->getKnob());
    EXPECT_NE(copied->getKnob(), tall->getKnob());
    CRefHandle<BaseProgressBarNode> base(new BaseProgressBarNode(CObjectName(), nullptr, nullptr));
    EXPECT_EQ(base->clone(nullptr, nullptr), nullptr);

    // Parts that leave the bar are forgotten.
    ASSERT_TRUE(tall->removeChild(tall->findChild(CName("Knob"), 1)));
    EXPECT_EQ(tall->getKnob(), nullptr);
    tall->setValue(10.0f);
}

TEST(StandardControls, ControlsWriteOnlyWhatDiffersAndReadBackTheSame) {
    Menu menu;
    SliderNode* volume = menu.find<SliderNode>("Volume");
    ASSERT_TRUE(volume);
    volume->setMaxValue(10.0f);
    volume->setValue(4.0f);
    volume->setDeltaValue(1.0f);
    volume->setKnobType(2);
    bool writtenWhole = false;
    const std::string written =
        writtenXml([&](CXmlStreamWriter* writer) { writtenWhole = CSceneFileWriter(writer).writeNode(menu.scene); });
    ASSERT_TRUE(writtenWhole);
    CRefHandle<BaseNode> again = readFile(written, u"Again.mscn");
    ASSERT_TRUE(again);
    const SliderNode* slider = nodeCast<SliderNode>(again->findChild(CName("Volume"), 1));
    ASSERT_TRUE(slider);
    EXPECT_FLOAT_EQ(slider->getMaxValue(), 10.0f);
    EXPECT_FLOAT_EQ(slider->getValue(), 4.0f);
    EXPECT_FLOAT_EQ(slider->getDeltaValue(), 1.0f);
    EXPECT_EQ(slider->getKnobType(), 2);
    const CheckBoxNode* box = nodeCast<CheckBoxNode>(again->findChild(CName("Sound"), 1));
    ASSERT_TRUE(box);
    EXPECT_TRUE(box->isChecked());
    const ButtonNode* play = nodeCast<ButtonNode>(again->findChild(CName("Play"), 1));
    ASSERT_TRUE(play);
    EXPECT_TRUE(play->getText() == CStringW(u"Play"));
    const ProgressBarNode* loading = nodeCast<ProgressBarNode>(again->findChild(CName("Loading"), 1));
    ASSERT_TRUE(loading);
    EXPECT_EQ(loading->getKnobType(), 1);
    EXPECT_FLOAT_EQ(loading->getValue(), 150.0f);
    // Defaults are left out.
    EXPECT_EQ(written.find("MinValue"), std::string::npos);
    EXPECT_EQ(written.find("DeltaValue\" Value=\"5"), std::string::npos);
}
