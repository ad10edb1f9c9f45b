#include "engine/scene/ControlNode.h"

#include "engine/core/CEventKeyDown.h"
#include "engine/core/CEventMouseLeftDown.h"
#include "engine/core/CEventMouseLeftUp.h"
#include "engine/core/CEventMouseMove.h"
#include "engine/core/CUpdateScheduler.h"
#include "engine/scene/CEventClicked.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CPropertyDataInt.h"
#include "engine/scene/CPropertyDataString.h"
#include "engine/scene/CPropertyTable.h"
#include "engine/scene/PropertyValues.h"
#include "engine/scene/SceneManager.h"
#include "engine/scene/TemplateCollectionNode.h"
#include "tests/engine/scene/NodeTestSupport.h"
#include "tests/engine/scene/SceneTestSupport.h"
#include "tests/support/CRecordingGraphicsDriver.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr int kClicked = CEventClicked::TypeId;

// A scene on a live manager, with one control holding a 100 x 50 box at
// (100, 100); the control's "Press" state (on the box) lasts 100 ms.
struct ControlFixture {
    CRefHandle<CEngine> engine = makeFakeEngine();
    CRefHandle<SceneManager> manager{new SceneManager(CObjectName(), nullptr, nullptr)};
    RecordingScene* scene = new RecordingScene("Scene");
    CRefHandle<RecordingScene> keepScene{scene};
    RecordingControl* control = new RecordingControl("Control", scene);
    BoxNode* box = new BoxNode("Box", control);

    explicit ControlFixture(int pressDuration = 100) {
        control->release();
        box->release();
        box->setPosition(CVector3d(100.0f, 100.0f, 0.0f));
        box->setBounds(CVector3d(100.0f, 50.0f, 0.0f));
        if (pressDuration >= 0)
            static_cast<void>(box->addState(makeTimedState("Press", pressDuration).get()));
        manager->setEngine(engine.get());
        EXPECT_TRUE(manager->setScene(scene));
        // Absolute transforms are refreshed by drawing; picking reads them.
        manager->updateAbsoluteTransformation();
        drain();
        EXPECT_FALSE(manager->isInTransition(scene));
    }

    void drain() { static_cast<void>(manager->update(0)); }
    void runStates(uint32_t ms) { manager->getSceneSchedulerOf(scene)->update(ms); }
    template <class E> bool send(int x, int y) {
        E* event = new E(x, y);
        const bool consumed = manager->dispatch(CEventReceiver::HandleThenChildren, event);
        event->release();
        return consumed;
    }
    void down(bool inside) { static_cast<void>(send<CEventMouseLeftDown>(inside ? 120 : 10, inside ? 120 : 10)); }
    void up(bool inside) { static_cast<void>(send<CEventMouseLeftUp>(inside ? 120 : 10, inside ? 120 : 10)); }
    bool key(int32_t code) {
        CEventKeyDown* event = new CEventKeyDown(0, code);
        const bool consumed = manager->dispatch(CEventReceiver::HandleThenChildren, event);
        event->release();
        return consumed;
    }
    // Press states finish and the queue is delivered.
    void settle() {
        runStates(100);
        drain();
    }
    // The control's own clicks (the scene is a control too, and clickable
    // through its children).
    [[nodiscard]] int clicks() const { return control->record.count(kClicked); }
};

} // namespace

TEST(ControlNode, PressModesClickOnTheirEdgesAndTheLatchRefusesOverlappingClicks) {
    enum Step { DownIn, DownOut, UpIn, UpOut, Finish };
    const struct {
        const char* what;
        int mode;
        std::vector<Step> steps;
        int clicks;
        bool pressedAtEnd;
    } cases[] = {
        {"0: down and up inside", 0, {DownIn, UpIn, Finish}, 1, false},
        {"0: up outside releases", 0, {DownIn, UpOut, Finish}, 0, false},
        {"0: up inside without a down", 0, {DownOut, UpIn, Finish}, 0, false},
        {"1: the down clicks, the up is ignored", 1, {DownIn, Finish, UpIn, Finish}, 1, false},
        {"1: up outside is ignored", 1, {DownIn, Finish, UpOut}, 1, false},
        {"2: the down does nothing", 2, {DownIn, Finish}, 0, false},
        {"2: the up clicks", 2, {DownIn, UpIn, Finish}, 1, false},
        {"2: up outside releases", 2, {DownIn, UpOut, Finish}, 0, false},
        {"3: the up during the press is refused", 3, {DownIn, UpIn, Finish}, 1, false},
        {"3: down and up both click once the press ended", 3, {DownIn, Finish, UpIn, Finish}, 2, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ControlFixture f;
        f.control->setPressMode(c.mode);
        for (Step step : c.steps) {
            switch (step) {
            case DownIn:
                f.down(true);
                break;
            case DownOut:
                f.down(false);
                break;
            case UpIn:
                f.up(true);
                break;
            case UpOut:
                f.up(false);
                break;
            case Finish:
                f.settle();
                break;
            }
        }
        f.settle();
        EXPECT_EQ(f.clicks(), c.clicks);
        EXPECT_EQ(f.control->isPressed(), c.pressedAtEnd);
        EXPECT_FALSE(f.control->isClickLatched());
    }
}

TEST(ControlNode, ClickIsDeliveredOnlyAfterThePressStateCompleted) {
    ControlFixture f;
    f.down(true);
    EXPECT_TRUE(f.control->isPressed());
    EXPECT_TRUE(f.control->isFocused());
    f.up(true);
    EXPECT_TRUE(f.control->isClickLatched());
    EXPECT_FALSE(f.control->isPressed()) << "a click clears the pressed flag";
    EXPECT_FALSE(f.control->click()) << "refused while latched";
    f.drain();
    EXPECT_EQ(f.clicks(), 0) << "'Press' still runs";
    f.runStates(100);
    EXPECT_FALSE(f.control->isClickLatched());
    EXPECT_EQ(f.clicks(), 0) << "66 goes through the queue";
    f.drain();
    EXPECT_EQ(f.clicks(), 1);
    EXPECT_EQ(f.scene->record.count(kClicked), 1) << "posted to the control, climbing to the scene";
}

TEST(ControlNode, ClickWithoutAnyPressStateStillPosts66) {
    // No "Press", "Focus" or "Normal" anywhere: the state reports as missing
    // and the click completes at once, with children and without.
    for (bool withChild : {true, false}) {
        SCOPED_TRACE(withChild ? "children lack the state" : "no children at all");
        ControlFixture f(-1);
        if (!withChild)
            static_cast<void>(f.control->removeChild(f.box));
        EXPECT_TRUE(f.control->click());
        EXPECT_FALSE(f.control->isClickLatched());
        f.drain();
        EXPECT_EQ(f.clicks(), 1);
    }
}

TEST(ControlNode, DisabledControlIgnoresInputAndKeepsItFromItsChildren) {
    ControlFixture f;
    RecordingControl* inner = new RecordingControl("Inner", f.control);
    inner->release();
    f.control->setEnabled(false);
    f.down(true);
    f.up(true);
    f.settle();
    EXPECT_FALSE(f.control->isPressed());
    EXPECT_EQ(f.clicks(), 0);
    EXPECT_EQ(inner->record.count(CEventMouseLeftDown::TypeId), 0);
    EXPECT_EQ(inner->record.count(CEventMouseLeftUp::TypeId), 0);

    // Hover still follows the mouse.
    EXPECT_TRUE(f.send<CEventMouseMove>(120, 120));
    EXPECT_TRUE(f.control->isHovered());
    EXPECT_FALSE(f.send<CEventMouseMove>(10, 10));
    EXPECT_FALSE(f.control->isHovered());

    f.control->setEnabled(true);
    f.down(true);
    f.up(true);
    f.settle();
    EXPECT_EQ(f.clicks(), 1);
    EXPECT_GT(inner->record.count(CEventMouseLeftDown::TypeId), 0);
}

TEST(ControlNode, FocusClimbsToAncestorsAndUnfocusesTheOtherChildren) {
    ControlFixture f;
    RecordingControl* panel = new RecordingControl("Panel", f.scene);
    RecordingControl* a = new RecordingControl("A", panel);
    RecordingControl* b = new RecordingControl("B", panel);
    for (RecordingControl* node : {panel, a, b})
        node->release();

    a->setFocused(true);
    EXPECT_TRUE(a->isFocused());
    EXPECT_TRUE(panel->isFocused());
    EXPECT_EQ(panel->getFocusedChild(), a);
    EXPECT_TRUE(f.scene->isFocused());
    EXPECT_EQ(f.scene->getFocusedChild(), panel);
    EXPECT_FALSE(f.control->isFocused()) << "the scene's other child lost the focus";
    EXPECT_TRUE(a->getMask() & CEvent::MaskKeyboard) << "focused controls take key events";

    b->setFocused(true);
    EXPECT_TRUE(b->isFocused());
    EXPECT_FALSE(a->isFocused());
    EXPECT_FALSE(a->getMask() & CEvent::MaskKeyboard);
    EXPECT_EQ(panel->getFocusedChild(), b);

    // A control that does not want focus never takes it.
    RecordingControl* c = new RecordingControl("C", panel);
    c->release();
    c->setWantFocus(false);
    c->setFocused(true);
    EXPECT_FALSE(c->isFocused());
    EXPECT_TRUE(b->isFocused());
}

TEST(ControlNode, FocusingAControlFocusesItsDefaultChild) {
    ControlFixture f;
    RecordingControl* panel = new RecordingControl("Panel", f.scene);
    RecordingControl* first = new RecordingControl("First", panel);
    RecordingControl* second = new RecordingControl("Second", panel);
    RecordingControl* last = new RecordingControl("Last", panel);
    for (RecordingControl* node : {panel, first, second, last})
        node->release();

    panel->setDefaultFocusObjectName(CName("Second"));
    panel->setFocused(true);
    EXPECT_TRUE(second->isFocused());
    EXPECT_FALSE(first->isFocused());
    EXPECT_FALSE(last->isFocused());

    // Without a default, the children are offered focus last first.
    panel->setFocused(false);
    panel->setDefaultFocusObjectName(CName("Missing"));
    CRefHandle<RecordingControl> other(new RecordingControl("Other", nullptr));
    f.scene->addChild(other.get());
    other->setFocused(true);
    EXPECT_FALSE(panel->isFocused());
    static_cast<void>(panel->removeChild(second));
    panel->setFocused(true);
    EXPECT_TRUE(last->isFocused()) << "the remembered child left: the default search runs";
}

TEST(ControlNode, ArrowKeysMoveFocusAmongSiblingsThatWantIt) {
    ControlFixture f;
    RecordingControl* panel = new RecordingControl("Panel", f.scene);
    RecordingControl* a = new RecordingControl("A", panel);
    RecordingControl* b = new RecordingControl("B", panel);
    RecordingControl* shy = new RecordingControl("Shy", panel);
    for (RecordingControl* node : {panel, a, b, shy})
        node->release();
    shy->setWantFocus(false);
    a->setNavRightObjectName(CName("B"));
    a->setNavDownObjectName(CName("Shy"));
    a->setNavUpObjectName(CName("Nobody"));
    b->setNavLeftObjectName(CName("A"));
    a->setFocused(true);

    const struct {
        const char* what;
        int32_t key;
        bool consumed;
        RecordingControl* focusedAfter;
    } cases[] = {
        {"down names a sibling that does not want focus", CEventKey::KeyDown, false, a},
        {"up names no child", CEventKey::KeyUp, false, a},
        {"left has no name", CEventKey::KeyLeft, false, a},
        {"another key", 'X', false, a},
        {"right moves to B", CEventKey::KeyRight, true, b},
        {"left from B moves back", CEventKey::KeyLeft, true, a},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(f.key(c.key), c.consumed);
        EXPECT_TRUE(c.focusedAfter->isFocused());
        for (RecordingControl* node : {a, b, shy})
            EXPECT_EQ(node->isFocused(), node == c.focusedAfter);
    }

    // A focused child that leaves the panel is forgotten at once: there is
    // nothing left to navigate from.
    b->setFocused(true);
    EXPECT_EQ(panel->getFocusedChild(), b);
    static_cast<void>(panel->removeChild(b));
    EXPECT_EQ(panel->getFocusedChild(), nullptr);
    EXPECT_FALSE(f.key(CEventKey::KeyLeft));
}

TEST(ControlNode, VisualStatesFollowHoverFocusPressAndEnabled) {
    ControlFixture f;
    for (const char* name : {"Normal", "Focus", "KillFocus", "Pressed", "KillPressed", "NormalHover", "NormalKillHover",
                             "FocusHover", "FocusKillHover", "NormalDisable", "FocusDisable"})
        static_cast<void>(f.box->addState(makeTimedState(name, -1).get()));
    auto shown = [&f] { return std::string(f.box->getCurrentState()->getName().str().c_str()); };

    f.control->setFocused(false);
    f.control->setHovered(true);
    EXPECT_EQ(shown(), "NormalHover");
    f.control->setFocused(true);
    EXPECT_EQ(shown(), "FocusHover");
    f.control->setHovered(false);
    EXPECT_EQ(shown(), "FocusKillHover");
    f.control->setPressed(true);
    EXPECT_EQ(shown(), "Pressed");
    f.control->setHovered(true);
    EXPECT_EQ(shown(), "Pressed");
    f.control->setHovered(false);
    EXPECT_EQ(shown(), "KillPressed");
    f.control->setPressed(false);
    f.control->setEnabled(false);
    EXPECT_EQ(shown(), "FocusDisable");
    f.control->setHovered(true);
    EXPECT_EQ(shown(), "FocusDisable") << "no hover states while disabled";
    f.control->setFocused(false);
    EXPECT_EQ(shown(), "NormalDisable");
    f.control->setEnabled(true);
    EXPECT_EQ(shown(), "NormalHover");
    f.control->setHovered(false);
    EXPECT_EQ(shown(), "NormalKillHover");

    // Missing states fall back: "Focus" stands in for "Press".
    EXPECT_EQ(ControlNode::getFallbackState(CName("Press")), CName("Focus"));
    EXPECT_EQ(ControlNode::getFallbackState(CName("FocusDisable")), CName("NormalDisable"));
    EXPECT_TRUE(ControlNode::getFallbackState(CName("Normal")).empty());
    EXPECT_TRUE(ControlNode::getFallbackState(CName("Unknown")).empty());
}

TEST(ControlNode, PropertiesReadWriteAndReflect) {
    CRefHandle<ControlNode> control(new ControlNode(CObjectName(), nullptr, nullptr));
    CRefHandle<CPropertyBag> empty = CPropertyBag::create();
    control->writeProperties(*empty);
    EXPECT_EQ(empty->getCount(), 0) << "a default control writes nothing";

    CRefHandle<CPropertyBag> bag = CPropertyBag::create();
    bag->setString("DefaultFocusObjectName", "Ok");
    bag->setString("NavRightObjectName", "Next");
    bag->setBool("Enabled", false);
    bag->setInt("PressMode", 3);
    bag->setBool("WantFocus", false);
    bag->setBool("IsFocusOnHover", true);
    bag->setBool("HoverTrack", false);
    bag->setString("TemplateName", "Button");
    control->readProperties(*bag);
    EXPECT_EQ(control->getDefaultFocusObjectName(), CName("Ok"));
    EXPECT_EQ(control->getNavRightObjectName(), CName("Next"));
    EXPECT_FALSE(control->isEnabled());
    EXPECT_EQ(control->getPressMode(), 3);
    EXPECT_FALSE(control->getWantFocus());
    EXPECT_TRUE(control->isFocusOnHover());
    EXPECT_FALSE(control->getHoverTrack());
    EXPECT_EQ(control->getTemplateName(), CName("Button"));
    EXPECT_EQ(control->getTemplateRoot(), nullptr) << "no manager yet: nothing applied";

    CRefHandle<CPropertyBag> written = CPropertyBag::create();
    control->writeProperties(*written);
    EXPECT_EQ(written->getString("DefaultFocusObjectName"), CString("Ok"));
    EXPECT_EQ(written->getString("TemplateName"), CString("Button"));
    EXPECT_EQ(written->getInt("PressMode"), 3);
    EXPECT_GE(written->indexOf("Enabled"), 0);
    EXPECT_LT(written->indexOf("NavLeftObjectName"), 0);

    // Press modes outside 0 to 3 are ignored; a value of another kind is 0.
    control->setProperty("PressMode", CPropertyDataInt::create(7));
    EXPECT_EQ(control->getPressMode(), 3);
    control->setProperty("PressMode", CPropertyDataString::create("2"));
    EXPECT_EQ(control->getPressMode(), 0);
    control->setPressMode(-1);
    EXPECT_EQ(control->getPressMode(), 0);
    EXPECT_EQ(getPropertyString(control->getProperty("DefaultFocusObject")), CString("Ok"));
    EXPECT_EQ(control->getPropertyTable().getCount(), BaseNode::propertyTable().getCount() + 11);
}

TEST(ControlNode, CopyKeepsSettingsAndTemplateButNotTheLiveFlags) {
    ControlFixture f;
    f.control->setPressMode(2);
    f.control->setNavLeftObjectName(CName("Left"));
    f.control->setFocused(true);
    f.control->setHovered(true);
    CRefHandle<BaseNode> copy(f.control->clone(nullptr, nullptr));
    ControlNode* control = nodeCast<ControlNode>(copy.get());
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->getPressMode(), 2);
    EXPECT_EQ(control->getNavLeftObjectName(), CName("Left"));
    EXPECT_FALSE(control->isFocused());
    EXPECT_FALSE(control->isHovered());
    EXPECT_EQ(control->getChildren().size(), 1u);
}

TEST(ControlNode, ClippedGroupDrawsItsBatchedQuadsInsideTheScissor) {
    CRefHandle<RecordingControl> panel(new RecordingControl("Panel"));
    panel->setChildrenClipped(true);
    panel->setPosition(CVector3d(10.0f, 20.0f, 0.0f));
    panel->setBounds(CVector3d(50.0f, 40.0f, 0.0f));
    for (const char* name : {"a", "b"}) {
        RecordingNode* sprite = new RecordingNode(name, panel.get());
        sprite->release();
        sprite->drawable = true;
    }
    panel->updateAbsoluteTransformation();
    CRefHandle<CRecordingGraphicsDriver> driver(CRecordingGraphicsDriver::create());
    panel->render(driver.get(), 0);
    using Call = CRecordingGraphicsDriver::Call;
    EXPECT_EQ(driver->calls(), (std::vector<Call>{Call::SetScissorRect, Call::EnableScissor, Call::ApplyMaterial,
                                                  Call::DrawPrimitives, Call::EnableScissor}))
        << "the group's quads are flushed before the scissor goes off";
    const auto scissors = driver->recordsOf(Call::SetScissorRect);
    ASSERT_EQ(scissors.size(), 1u);
    EXPECT_EQ(scissors[0]->rect, CRectI(10, 20, 60, 60));
    EXPECT_EQ(driver->recordsOf(Call::DrawPrimitives)[0]->primitiveCount, 4u);
}

TEST(ControlNode, StopChildStatesStopsAndClearsTheTemplateRootsState) {
    ControlFixture f;
    CRefHandle<TemplateCollectionNode> collection(new TemplateCollectionNode(CObjectName(), nullptr, nullptr));
    BaseNode* buttonTemplate = new BaseNode(CObjectName(), collection.get(), nullptr);
    buttonTemplate->release();
    buttonTemplate->setName(CName("Button"));
    ASSERT_TRUE(buttonTemplate->addState(makeTimedState("Glow", -1).get()));
    BoxNode* face = new BoxNode("Face", buttonTemplate);
    face->release();
    collection->onLoaded();
    f.manager->setTemplateCollection(collection.get());
    f.control->setTemplateName(CName("Button"));
    ControlNode* root = f.control->getTemplateRoot();
    ASSERT_NE(root, nullptr);
    root->setState(CName("Glow"), nullptr, CName());
    CNodeState* glow = root->getCurrentState();
    ASSERT_NE(glow, nullptr);
    ASSERT_EQ(glow->getPending(), 1);

    f.control->stopChildStates(false);
    EXPECT_EQ(root->getCurrentState(), nullptr);
    EXPECT_EQ(glow->getPending(), 0);
}

namespace {

// A control that counts its live instances, to show when a subtree is freed.
class CountedControl : public ControlNode {
public:
    CountedControl(const CObjectName& contentName, BaseNode* parent, BaseNode* manager)
        : ControlNode(contentName, parent, manager) {
        ++alive;
    }
    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* manager) const override {
        return cloneAs<CountedControl>(parent, manager);
    }
    static inline int alive = 0;

protected:
    ~CountedControl() override { --alive; }
};

} // namespace

TEST(ControlNode, AFocusedChildThatLeavesTheSubtreeIsForgottenAndFreed) {
    CountedControl::alive = 0;
    {
        ControlFixture f;
        // Through the template root: applying the template again empties it.
        CRefHandle<TemplateCollectionNode> collection(new TemplateCollectionNode(CObjectName(), nullptr, nullptr));
        BaseNode* buttonTemplate = new BaseNode(CObjectName(), collection.get(), nullptr);
        buttonTemplate->release();
        buttonTemplate->setName(CName("Button"));
        CountedControl* inner = new CountedControl(CObjectName(), buttonTemplate, nullptr);
        inner->release();
        collection->onLoaded();
        f.manager->setTemplateCollection(collection.get());
        f.control->setTemplateName(CName("Button"));
        ControlNode* root = f.control->getTemplateRoot();
        ASSERT_NE(root, nullptr);
        ASSERT_EQ(root->getChildren().size(), 1u);
        ControlNode* copy = nodeCast<ControlNode>(root->getChildren()[0]);
        ASSERT_NE(copy, nullptr);
        EXPECT_EQ(CountedControl::alive, 2);
        copy->setFocused(true);
        f.drain(); // the focus notifications hold their nodes until delivered
        EXPECT_EQ(root->getFocusedChild(), copy);
        f.control->setTemplateName(CName("Button"));
        EXPECT_EQ(root->getFocusedChild(), nullptr);
        EXPECT_EQ(CountedControl::alive, 2) << "the discarded copy is freed at once";

        // A deeper node behind a plain node, removed with that node.
        BaseNode* group = new BaseNode(CObjectName(), f.control, nullptr);
        CountedControl* deep = new CountedControl(CObjectName(), group, nullptr);
        deep->release();
        deep->setFocused(true);
        f.drain();
        EXPECT_EQ(f.control->getFocusedChild(), deep);
        ASSERT_TRUE(f.control->removeChild(group));
        EXPECT_EQ(f.control->getFocusedChild(), nullptr);
        group->release();
        EXPECT_EQ(CountedControl::alive, 2);
    }
    EXPECT_EQ(CountedControl::alive, 0);
}
