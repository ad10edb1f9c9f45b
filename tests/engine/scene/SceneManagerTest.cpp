#include "engine/scene/SceneManager.h"

#include "engine/core/CEngineManagers.h"
#include "engine/core/CEventKeyDown.h"
#include "engine/core/CEventMouseLeftDown.h"
#include "engine/core/CEventMouseMove.h"
#include "engine/core/CUpdateScheduler.h"
#include "engine/scene/CEventMessageBoxClosed.h"
#include "engine/scene/CEventSceneChange.h"
#include "engine/scene/CEventSceneChangeFinished.h"
#include "engine/scene/CEventSceneChangeStarted.h"
#include "engine/scene/CNodeFactory.h"
#include "engine/scene/SceneNode.h"
#include "engine/scene/TemplateCollectionNode.h"
#include "tests/engine/scene/NodeTestSupport.h"
#include "tests/engine/scene/SceneTestSupport.h"
#include "tests/support/CRecordingGraphicsDriver.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kChange = CEventSceneChange::TypeId;
constexpr int kChangeFinished = CEventSceneChangeFinished::TypeId;
constexpr int kChangeStarted = CEventSceneChangeStarted::TypeId;
constexpr int kMouseMove = CEventMouseMove::TypeId;
constexpr int kMouseDown = CEventMouseLeftDown::TypeId;

// A scene whose only child plays each transition state for `duration` ms
// (negative: until stopped).
RecordingScene* makeScene(const char* name, int32_t duration = 100) {
    RecordingScene* scene = new RecordingScene(name);
    BoxNode* body = new BoxNode("Body", scene);
    body->release();
    for (const char* state : {"NavTo", "NavFrom", "NavBackTo", "NavBackFrom"})
        static_cast<void>(body->addState(makeTimedState(state, duration).get()));
    return scene;
}

struct ManagerFixture {
    FakeCursor* cursor = nullptr;
    CRefHandle<CEngine> engine = makeFakeEngine(&cursor);
    CRefHandle<SceneManager> manager{new SceneManager(CObjectName(), nullptr, nullptr)};

    ManagerFixture() { manager->setEngine(engine.get()); }

    void drain() { static_cast<void>(manager->update(0)); }
    void run(SceneNode* scene, uint32_t ms) {
        if (CUpdateScheduler* scheduler = manager->getSceneSchedulerOf(scene))
            scheduler->update(ms);
    }
    bool post(CEvent* event) {
        const bool consumed = manager->dispatch(CEventReceiver::HandleThenChildren, event);
        event->release();
        return consumed;
    }
    [[nodiscard]] bool isListening(CUpdateScheduler* scheduler) const {
        for (const CEngine::Listener& listener : engine->getListeners())
            if (listener.receiver == scheduler)
                return listener.priority == SceneManager::SceneSchedulerPriority;
        return false;
    }
};

// An event that only carries a tag for the queue tests.
class TaggedEvent : public CEvent {
public:
    explicit TaggedEvent(std::string text) : CEvent(MaskNode), tag(std::move(text)) {}
    [[nodiscard]] int32_t getType() const override { return 4000; }
    std::string tag;

protected:
    ~TaggedEvent() override = default;
};

// A receiver that writes the tags it is handed into a shared log and runs a
// hook for each.
class TagReceiver : public CEventReceiver {
public:
    explicit TagReceiver(std::vector<std::string>* log) : m_log(log) {}
    bool handleEvent(CEvent* event) override {
        const std::string tag = static_cast<TaggedEvent*>(event)->tag;
        m_log->push_back(tag);
        if (onTag)
            onTag(tag);
        return true;
    }
    std::function<void(const std::string&)> onTag;

private:
    std::vector<std::string>* m_log;
};

void queueTag(SceneManager* manager, CEventReceiver* receiver, const char* tag) {
    TaggedEvent* event = new TaggedEvent(tag);
    manager->queueEvent(receiver, CEventReceiver::HandleOnly, event);
    event->release();
}

} // namespace

TEST(SceneManager, QueueDeliversInPostingOrderButPostsMadeDuringDeliveryGoFirst) {
    ManagerFixture f;
    std::vector<std::string> log;
    CRefHandle<TagReceiver> receiver(new TagReceiver(&log));
    receiver->onTag = [&](const std::string& tag) {
        if (tag == "first") {
            queueTag(f.manager.get(), receiver.get(), "inner-a");
            queueTag(f.manager.get(), receiver.get(), "inner-b");
        }
    };
    queueTag(f.manager.get(), receiver.get(), "first");
    queueTag(f.manager.get(), receiver.get(), "second");
    EXPECT_TRUE(log.empty()) << "nothing is delivered before the drain";
    EXPECT_EQ(f.manager->getQueuedEventCount(), 2u);
    f.drain();
    EXPECT_EQ(log, (std::vector<std::string>{"first", "inner-b", "inner-a", "second"}));
    EXPECT_EQ(f.manager->getQueuedEventCount(), 0u);

    // The manager drains from its scheduler and stays registered.
    CRefHandle<CUpdateScheduler> scheduler(new CUpdateScheduler);
    f.manager->setScheduler(scheduler.get());
    queueTag(f.manager.get(), receiver.get(), "scheduled");
    scheduler->update(10);
    scheduler->update(10);
    EXPECT_EQ(log.back(), "scheduled");
    EXPECT_EQ(scheduler->entryCount(), 1u);
    f.manager->setScheduler(nullptr);
}

TEST(SceneManager, QueuedEventKeepsItsReceiverAlive) {
    ManagerFixture f;
    std::vector<std::string> log;
    TagReceiver* receiver = new TagReceiver(&log);
    queueTag(f.manager.get(), receiver, "late");
    receiver->release(); // the queue's reference is the last one
    f.drain();
    EXPECT_EQ(log, std::vector<std::string>{"late"});
}

TEST(SceneManager, SetSceneRunsTheEnterStateWithoutInputUntilItCompletes) {
    ManagerFixture f;
    f.cursor->setPosition(CVector2di(7, 9));
    RecordingScene* scene = makeScene("Menu");
    CRefHandle<RecordingScene> keep(scene);
    RecordingControl* button = new RecordingControl("Button", scene);
    button->release();

    ASSERT_TRUE(f.manager->setScene(scene));
    EXPECT_EQ(f.manager->getCurrentScene(), scene);
    EXPECT_TRUE(f.manager->isInTransition(scene));
    EXPECT_EQ(scene->getSceneManager<BaseNode>(), f.manager.get());
    EXPECT_EQ(button->getOwnerScene<BaseNode>(), scene);
    CUpdateScheduler* scheduler = f.manager->getSceneSchedulerOf(scene);
    ASSERT_NE(scheduler, nullptr);
    EXPECT_EQ(scene->getSceneScheduler(), scheduler);
    EXPECT_TRUE(f.isListening(scheduler));
    EXPECT_EQ(scene->record.count(kChange), 1);
    EXPECT_EQ(scene->record.count(kChangeStarted), 1);
    EXPECT_FALSE(f.manager->setScene(scene)) << "a scene in a transition is refused";

    // Input during the transition reaches no scene.
    EXPECT_FALSE(f.post(new CEventMouseMove(1, 1)));
    EXPECT_FALSE(f.post(new CEventKeyDown(0, 13)));
    EXPECT_EQ(scene->record.count(kMouseMove), 0);
    EXPECT_EQ(button->record.count(kMouseMove), 0);

    f.run(scene, 100);
    EXPECT_FALSE(f.manager->isInTransition(scene));
    EXPECT_TRUE(scene->isFocused());
    f.drain();
    EXPECT_EQ(scene->record.count(kChangeFinished), 1);
    EXPECT_EQ(scene->record.count(kMouseMove), 1) << "a synthetic move at the cursor";

    static_cast<void>(f.post(new CEventMouseMove(1, 1)));
    EXPECT_EQ(scene->record.count(kMouseMove), 2);
    EXPECT_GT(button->record.count(kMouseMove), 0) << "children first";
}

TEST(SceneManager, SceneWithoutAnEnterStateCompletesAtOnce) {
    ManagerFixture f;
    f.cursor->setPosition(CVector2di(3, 4));
    RecordingScene* scene = new RecordingScene("Bare");
    CRefHandle<RecordingScene> keep(scene);
    ASSERT_TRUE(f.manager->setScene(scene));
    EXPECT_FALSE(f.manager->isInTransition(scene));
    EXPECT_TRUE(scene->isFocused());
    f.drain();
    EXPECT_EQ(scene->record.count(kChangeFinished), 1);
    EXPECT_EQ(scene->record.count(kMouseMove), 1);
}

TEST(SceneManager, NavigateToHidesTheSceneBelowAndPausesItsScheduler) {
    ManagerFixture f;
    RecordingScene* menu = makeScene("Menu");
    RecordingScene* options = makeScene("Options");
    CRefHandle<RecordingScene> keepMenu(menu), keepOptions(options);
    ASSERT_TRUE(f.manager->setScene(menu));
    f.run(menu, 100);
    f.drain();
    menu->record.types.clear();

    ASSERT_TRUE(menu->navigateTo(options, false));
    EXPECT_EQ(f.manager->getCurrentScene(), options);
    EXPECT_EQ(options->getSceneBelow(), menu);
    EXPECT_EQ(childNames(f.manager.get()), (std::vector<std::string>{"Menu", "Options"}));
    EXPECT_FALSE(menu->isFocused());
    EXPECT_EQ(f.manager->getPendingTransitionCount(), 2u);
    EXPECT_EQ(options->record.count(41), 1);

    EXPECT_TRUE(menu->isVisible()) << "hidden only once its leave state ends";
    f.run(menu, 100);
    EXPECT_FALSE(menu->isVisible());
    EXPECT_FALSE(f.manager->getSceneSchedulerOf(menu)->isEnabled());
    f.run(options, 100);
    EXPECT_EQ(f.manager->getPendingTransitionCount(), 0u);
    EXPECT_TRUE(f.manager->getSceneSchedulerOf(options)->isEnabled());
    EXPECT_TRUE(options->isFocused());
    f.drain();
    EXPECT_EQ(menu->record.count(kChangeFinished), 1);
    EXPECT_EQ(options->record.count(kChangeFinished), 1);

    // Going back shows the menu again and closes the options after the drain.
    ASSERT_TRUE(options->navigateBack(0));
    EXPECT_TRUE(menu->isVisible());
    EXPECT_TRUE(f.manager->getSceneSchedulerOf(menu)->isEnabled());
    CUpdateScheduler* optionsScheduler = f.manager->getSceneSchedulerOf(options);
    f.run(options, 100);
    f.run(menu, 100);
    EXPECT_EQ(f.manager->getCurrentScene(), menu);
    EXPECT_EQ(childNames(f.manager.get()), (std::vector<std::string>{"Menu", "Options"}));
    f.drain();
    EXPECT_EQ(childNames(f.manager.get()), std::vector<std::string>{"Menu"});
    EXPECT_FALSE(f.isListening(optionsScheduler));
    EXPECT_EQ(options->getSceneManager<BaseNode>(), nullptr);
    EXPECT_EQ(options->getSceneScheduler(), nullptr);
}

TEST(SceneManager, NavigateBackAcrossScenesClosesTheOnesBetween) {
    ManagerFixture f;
    RecordingScene* a = makeScene("A", 0);
    RecordingScene* b = makeScene("B", 0);
    RecordingScene* c = makeScene("C", 0);
    CRefHandle<RecordingScene> keepA(a), keepB(b), keepC(c);
    ASSERT_TRUE(f.manager->setScene(a));
    f.run(a, 1);
    ASSERT_TRUE(f.manager->navigateTo(a, b));
    f.run(a, 1);
    f.run(b, 1);
    ASSERT_TRUE(f.manager->navigateTo(b, c));
    f.run(b, 1);
    f.run(c, 1);
    EXPECT_FALSE(a->isVisible());
    EXPECT_FALSE(b->isVisible());

    EXPECT_FALSE(f.manager->navigateBack(a, c)) << "C is not below A";
    ASSERT_TRUE(c->navigateBack(5)) << "more levels than the stack stops at the bottom";
    EXPECT_EQ(c->getSceneBelow(), a);
    EXPECT_TRUE(a->isVisible());
    EXPECT_EQ(f.manager->getCurrentScene(), a);
    EXPECT_EQ(a->record.count(kChange), 3) << "entered, left for B, and now the way back";
    f.drain();
    EXPECT_EQ(childNames(f.manager.get()), (std::vector<std::string>{"A", "C"})) << "B closed; C still leaving";
    f.run(c, 1);
    f.run(a, 1);
    f.drain();
    EXPECT_EQ(childNames(f.manager.get()), std::vector<std::string>{"A"});
}

TEST(SceneManager, ASceneLeftBackwardsClosesWhenItsLeaveStateEndsBeforeTheOtherEnters) {
    ManagerFixture f;
    RecordingScene* menu = makeScene("Menu", 0);
    RecordingScene* credits = makeScene("Credits", 0);
    CRefHandle<RecordingScene> keepMenu(menu), keepCredits(credits);
    ASSERT_TRUE(f.manager->setScene(menu));
    f.run(menu, 1);
    ASSERT_TRUE(f.manager->navigateTo(menu, credits, CName(), CName(), true));
    f.run(menu, 1);
    f.run(credits, 1);
    f.drain();

    ASSERT_TRUE(credits->navigateBack(0));
    f.run(credits, 1); // the credits are gone from view; the menu still comes back
    f.drain();
    EXPECT_EQ(childNames(f.manager.get()), (std::vector<std::string>{"Menu", "Credits"}))
        << "closed once the change is over, not while the menu's half still names it";
    f.run(menu, 1);
    f.drain();
    EXPECT_EQ(childNames(f.manager.get()), std::vector<std::string>{"Menu"});
    EXPECT_EQ(credits->getSceneManager<BaseNode>(), nullptr);
    EXPECT_EQ(menu->record.count(kChangeFinished), 3) << "entered, covered, and back";
}

TEST(SceneManager, NavigatingAwayDuringAnEnterStateCompletesItAtOnce) {
    ManagerFixture f;
    RecordingScene* a = makeScene("A", -1);
    RecordingScene* b = makeScene("B", -1);
    CRefHandle<RecordingScene> keepA(a), keepB(b);
    ASSERT_TRUE(f.manager->setScene(a));
    EXPECT_TRUE(f.manager->isInTransition(a));
    ASSERT_TRUE(f.manager->navigateTo(a, b)) << "from may itself be entering";
    EXPECT_EQ(a->record.count(kChangeFinished), 0);
    f.drain();
    EXPECT_EQ(a->record.count(kChangeFinished), 1) << "A's enter half ended by the stop";
    EXPECT_EQ(f.manager->getPendingTransitionCount(), 2u) << "the new change's two halves";
    EXPECT_FALSE(f.manager->navigateTo(b, a)) << "A is still leaving";
}

TEST(SceneManager, AClosedSceneThatIsCurrentAgainStays) {
    ManagerFixture f;
    RecordingScene* a = new RecordingScene("A");
    RecordingScene* b = new RecordingScene("B");
    CRefHandle<RecordingScene> keepA(a), keepB(b);
    ASSERT_TRUE(f.manager->setScene(a));
    ASSERT_TRUE(f.manager->setScene(b)); // A listed for closing
    ASSERT_TRUE(f.manager->setScene(a)); // B listed, A current again
    f.drain();
    EXPECT_EQ(childNames(f.manager.get()), std::vector<std::string>{"A"});
    EXPECT_EQ(a->getSceneManager<BaseNode>(), f.manager.get());
    EXPECT_NE(f.manager->getSceneSchedulerOf(a), nullptr);

    // A listed scene that everything else dropped is still closed safely.
    RecordingScene* c = new RecordingScene("C");
    ASSERT_TRUE(f.manager->setScene(c)); // A listed
    c->release();
    static_cast<void>(f.manager->removeChild(a));
    keepA.reset();
    f.drain();
    EXPECT_EQ(childNames(f.manager.get()), std::vector<std::string>{"C"});
}

TEST(SceneManager, InputGoesOnlyToTheCurrentIdleScene) {
    ManagerFixture f;
    RecordingScene* a = new RecordingScene("A");
    RecordingScene* b = makeScene("B", 100);
    CRefHandle<RecordingScene> keepA(a), keepB(b);
    ASSERT_TRUE(f.manager->setScene(a));
    EXPECT_FALSE(f.manager->navigateTo(a, a));
    ASSERT_TRUE(f.manager->navigateTo(nullptr, b)) << "without a from scene the current one stays";
    EXPECT_EQ(f.manager->getCurrentScene(), a);
    static_cast<void>(f.post(new CEventMouseMove(1, 1)));
    EXPECT_EQ(a->record.count(kMouseMove), 1);
    EXPECT_EQ(b->record.count(kMouseMove), 0);

    // Other events reach every scene, first to last, until one takes it.
    static_cast<void>(f.post(new TaggedEvent("x")));
    EXPECT_EQ(a->record.count(4000), 1);
    EXPECT_EQ(b->record.count(4000), 1);
    a->record.consume.push_back(4000);
    static_cast<void>(f.post(new TaggedEvent("y")));
    EXPECT_EQ(b->record.count(4000), 1);
}

TEST(SceneManager, MessageBoxOverASceneReportsItsResultWhenClosed) {
    ManagerFixture f;
    CEngineManagers::instance().setNodeFactory(new CNodeFactory);
    static_cast<void>(
        CNodeFactory::getShared()->registerNodeClass(u"MessageBoxNode", [](const CObjectName& name) -> BaseNode* {
            return new FakeMessageBox(name, nullptr, nullptr);
        }));
    CRefHandle<TemplateCollectionNode> collection(new TemplateCollectionNode(CObjectName(), nullptr, nullptr));
    BaseNode* boxTemplate = new BaseNode(CObjectName(), collection.get(), nullptr);
    boxTemplate->release();
    boxTemplate->setName(CName("Question"));
    boxTemplate->setBounds(CVector3d(200.0f, 100.0f, 0.0f));
    collection->onLoaded();
    f.manager->setTemplateCollection(collection.get());

    RecordingScene* scene = new RecordingScene("Level");
    CRefHandle<RecordingScene> keep(scene);
    scene->setPosition(CVector3d(10.0f, 20.0f, 5.0f));
    scene->setBounds(CVector3d(1000.0f, 700.0f, 0.0f));
    ASSERT_TRUE(f.manager->setScene(scene));
    f.drain();
    scene->record.types.clear();

    EXPECT_EQ(scene->showMessageBox(CName("Missing"), {}, u"", u""), nullptr) << "no such template";
    CArray<CStringW> buttons;
    buttons.push_back(u"Yes");
    buttons.push_back(u"No");
    SceneNode* shown = scene->showMessageBox(CName("Question"), buttons, u"Title", u"Body");
    FakeMessageBox* box = static_cast<FakeMessageBox*>(shown);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->title, CStringW(u"Title"));
    EXPECT_EQ(box->buttonTexts.size(), 2u);
    EXPECT_TRUE(box->getPosition().equals(CVector3d(410.0f, 320.0f, 5.0f), 1e-6f)) << "centred over the scene";
    EXPECT_EQ(box->getSceneBelow(), scene);
    EXPECT_EQ(f.manager->getCurrentScene(), box);
    EXPECT_EQ(childNames(f.manager.get()), (std::vector<std::string>{"Level", ""}));
    EXPECT_FALSE(scene->isFocused());
    EXPECT_TRUE(box->isFocused()) << "its enter state completed at once";
    EXPECT_EQ(scene->record.count(kChange), 0);

    box->result = 1;
    ASSERT_TRUE(box->navigateBack(0));
    f.drain();
    EXPECT_EQ(scene->messageBoxResults, std::vector<int>{1});
    EXPECT_EQ(scene->record.count(kChange), 0) << "closing a box changes no scene";
    EXPECT_EQ(scene->record.count(kChangeFinished), 0);
    EXPECT_FALSE(scene->isFocused());
    EXPECT_EQ(childNames(f.manager.get()), std::vector<std::string>{"Level"});
    EXPECT_EQ(f.manager->getCurrentScene(), scene);
}

TEST(SceneManager, MessageBoxWithoutItsClassIsRefusedWithALogLine) {
    ManagerFixture f;
    CEngineManagers::instance().setNodeFactory(new CNodeFactory);
    CRefHandle<TemplateCollectionNode> collection(new TemplateCollectionNode(CObjectName(), nullptr, nullptr));
    BaseNode* boxTemplate = new BaseNode(CObjectName(), collection.get(), nullptr);
    boxTemplate->release();
    boxTemplate->setName(CName("Question"));
    collection->onLoaded();
    f.manager->setTemplateCollection(collection.get());
    RecordingScene* scene = new RecordingScene("Level");
    CRefHandle<RecordingScene> keep(scene);
    ASSERT_TRUE(f.manager->setScene(scene));
    LogCapture log;
    EXPECT_EQ(f.manager->showMessageBox(scene, CName("Question"), {}, u"", u""), nullptr);
    EXPECT_TRUE(log.contains("MessageBoxNode"));
    EXPECT_EQ(f.manager->getCurrentScene(), scene);
}

TEST(SceneManager, DrawsVisibleNodesSortedByDepthThroughTheQuadBatch) {
    ManagerFixture f;
    f.manager->setDepthSorting(true);
    std::vector<std::string> drawn;
    RecordingScene* scene = new RecordingScene("Scene");
    CRefHandle<RecordingScene> keep(scene);
    const struct {
        const char* name;
        float z;
        bool visible;
    } boxes[] = {{"far", 30.0f, true}, {"near", 10.0f, true}, {"hidden", 0.0f, false}, {"middle", 20.0f, true}};
    for (const auto& b : boxes) {
        BoxNode* box = new BoxNode(b.name, scene);
        box->release();
        box->setPosition(CVector3d(0.0f, 0.0f, b.z));
        box->setVisible(b.visible);
        box->drawLog = &drawn;
    }
    ASSERT_TRUE(f.manager->setScene(scene));
    CRefHandle<CRecordingGraphicsDriver> driver(CRecordingGraphicsDriver::create());
    f.manager->renderScenes(driver.get());
    EXPECT_EQ(drawn, (std::vector<std::string>{"near", "middle", "far"}));
    EXPECT_EQ(driver->count(CRecordingGraphicsDriver::Call::Apply2DStates), 1u) << "one batch begin";

    // Without sorting, list order.
    drawn.clear();
    f.manager->setDepthSorting(false);
    f.manager->renderScenes(driver.get());
    EXPECT_EQ(drawn, (std::vector<std::string>{"far", "near", "middle"}));
    f.manager->renderScenes(nullptr);
}

TEST(SceneManager, NestedManagerDrawsAsOneItemAndKeepsItsScenes) {
    ManagerFixture f;
    f.manager->setDepthSorting(true);
    std::vector<std::string> drawn;
    RecordingScene* outer = new RecordingScene("Outer");
    CRefHandle<RecordingScene> keepOuter(outer);
    BoxNode* front = new BoxNode("front", outer);
    front->release();
    front->setPosition(CVector3d(0.0f, 0.0f, 5.0f));
    front->drawLog = &drawn;
    SceneManager* nested = new SceneManager(CObjectName(), outer, nullptr);
    nested->release();
    nested->setEngine(f.engine.get());
    nested->setDepthSorting(true);
    nested->setPosition(CVector3d(0.0f, 0.0f, 1.0f));
    RecordingScene* inner = new RecordingScene("Inner");
    CRefHandle<RecordingScene> keepInner(inner);
    for (const char* name : {"inner-b", "inner-a"}) {
        BoxNode* box = new BoxNode(name, inner);
        box->release();
        box->setPosition(CVector3d(0.0f, 0.0f, name[6] == 'a' ? 2.0f : 3.0f));
        box->drawLog = &drawn;
    }
    ASSERT_TRUE(nested->setScene(inner));
    ASSERT_TRUE(f.manager->setScene(outer));
    EXPECT_EQ(nested->getSceneManager<BaseNode>(), f.manager.get());
    EXPECT_EQ(inner->getSceneManager<BaseNode>(), nested) << "the outer scene joining keeps the nested stack";
    EXPECT_EQ(inner->getOwnerScene<BaseNode>(), inner);

    CRefHandle<CRecordingGraphicsDriver> driver(CRecordingGraphicsDriver::create());
    f.manager->renderScenes(driver.get());
    EXPECT_EQ(drawn, (std::vector<std::string>{"inner-a", "inner-b", "front"}))
        << "the nested manager sorts among the outer items at its depth";

    // Input reaches the nested manager's current scene through the outer one.
    f.drain();
    static_cast<void>(nested->update(0));
    inner->record.types.clear();
    static_cast<void>(f.post(new CEventMouseMove(1, 1)));
    EXPECT_EQ(inner->record.count(kMouseMove), 1);
}

TEST(SceneManager, InputReachesAManagerNestedUnderPlainNodes) {
    ManagerFixture f;
    RecordingScene* outer = new RecordingScene("Outer");
    CRefHandle<RecordingScene> keepOuter(outer);
    outer->record.consume.push_back(kMouseDown);
    // Plain nodes have no input bits in their masks.
    BaseNode* holder = new BaseNode(CObjectName(), outer, nullptr);
    holder->release();
    BaseNode* deeper = new BaseNode(CObjectName(), holder, nullptr);
    deeper->release();
    SceneManager* nested = new SceneManager(CObjectName(), deeper, nullptr);
    nested->release();
    nested->setEngine(f.engine.get());
    RecordingScene* inner = new RecordingScene("Inner");
    CRefHandle<RecordingScene> keepInner(inner);
    ASSERT_TRUE(nested->setScene(inner));
    ASSERT_TRUE(f.manager->setScene(outer));
    f.drain();
    static_cast<void>(nested->update(0));
    EXPECT_EQ(outer->getNestedManagerCount(), 1u);

    inner->record.consume.push_back(kMouseDown);
    EXPECT_TRUE(f.post(new CEventMouseLeftDown(5, 5)));
    EXPECT_EQ(inner->record.count(kMouseDown), 1) << "the nested scene sees the click before the outer scene";
    EXPECT_EQ(outer->record.count(kMouseDown), 0) << "and takes it";
    inner->record.consume.clear();
    EXPECT_TRUE(f.post(new CEventMouseLeftDown(5, 5)));
    EXPECT_EQ(inner->record.count(kMouseDown), 2);
    EXPECT_EQ(outer->record.count(kMouseDown), 1) << "what the nested scene leaves goes on to the outer one";

    // Taken out of the tree, the manager no longer opens the way.
    const CRefHandle<BaseNode> keepDeeper = CRefHandle<BaseNode>::share(deeper);
    deeper->setParent(nullptr);
    EXPECT_EQ(outer->getNestedManagerCount(), 0u);
    EXPECT_EQ(holder->getNestedManagerCount(), 0u);
    EXPECT_EQ(deeper->getNestedManagerCount(), 1u);
    EXPECT_TRUE(f.post(new CEventMouseLeftDown(5, 5)));
    EXPECT_EQ(inner->record.count(kMouseDown), 2);
    deeper->setParent(outer);
    EXPECT_EQ(outer->getNestedManagerCount(), 1u);
}

TEST(SceneManager, NestedManagersOwnTemplateCollectionReachesItsScenes) {
    ManagerFixture f;
    RecordingScene* outer = new RecordingScene("Outer");
    CRefHandle<RecordingScene> keepOuter(outer);
    SceneManager* nested = new SceneManager(CObjectName(), outer, nullptr);
    nested->release();
    nested->setEngine(f.engine.get());
    ASSERT_TRUE(f.manager->setScene(outer));
    RecordingScene* inner = new RecordingScene("Inner");
    CRefHandle<RecordingScene> keepInner(inner);
    ControlNode* button = new ControlNode(CObjectName(), inner, nullptr);
    button->release();
    button->setTemplateName(CName("Button"));
    ASSERT_TRUE(nested->setScene(inner));
    EXPECT_EQ(button->getTemplateRoot(), nullptr) << "no collection yet";

    CRefHandle<TemplateCollectionNode> collection(new TemplateCollectionNode(CObjectName(), nullptr, nullptr));
    BaseNode* buttonTemplate = new BaseNode(CObjectName(), collection.get(), nullptr);
    buttonTemplate->release();
    buttonTemplate->setName(CName("Button"));
    BoxNode* face = new BoxNode("Face", buttonTemplate);
    face->release();
    collection->onLoaded();
    nested->setTemplateCollection(collection.get());
    ASSERT_NE(button->getTemplateRoot(), nullptr);
    EXPECT_EQ(childNames(button->getTemplateRoot()), std::vector<std::string>{"Face"});
}

TEST(SceneManager, MovingANestedManagerLeavesItsScenesAndTheirStates) {
    ManagerFixture f;
    RecordingScene* outer = new RecordingScene("Outer");
    CRefHandle<RecordingScene> keepOuter(outer);
    SceneManager* nested = new SceneManager(CObjectName(), outer, nullptr);
    nested->release();
    nested->setEngine(f.engine.get());
    BoxNode* aside = new BoxNode("aside", nested);
    aside->release();
    RecordingScene* inner = new RecordingScene("Inner");
    CRefHandle<RecordingScene> keepInner(inner);
    CRefHandle<RecordingNode> lamp(new RecordingNode("lamp", inner));
    ASSERT_TRUE(lamp->addState(makeTimedState("Glow", -1).get()));
    lamp->setDefaultState(CName("Glow"));
    // The lamp's state starts and stops (75, 76).
    const auto stateEvents = [&lamp] {
        std::vector<std::string> out;
        for (const std::string& line : lamp->events)
            if (line.rfind("75", 0) == 0 || line.rfind("76", 0) == 0)
                out.push_back(line);
        return out;
    };
    ASSERT_TRUE(nested->setScene(inner));
    EXPECT_EQ(stateEvents(), std::vector<std::string>{"75:Glow"}) << "entering its scene applies the default";
    CNodeState* glow = lamp->getCurrentState();
    ASSERT_NE(glow, nullptr);
    CUpdateScheduler* innerScheduler = nested->getSceneSchedulerOf(inner);

    // The outer scene joins the main manager: the nested manager and its other
    // children take the outer links; its scenes keep theirs, and their
    // states go on undisturbed.
    lamp->events.clear();
    ASSERT_TRUE(f.manager->setScene(outer));
    EXPECT_EQ(nested->getSceneManager<BaseNode>(), f.manager.get());
    EXPECT_EQ(nested->getOwnerScene<BaseNode>(), outer);
    EXPECT_EQ(aside->getSceneManager<BaseNode>(), f.manager.get());
    EXPECT_EQ(aside->getOwnerScene<BaseNode>(), outer);
    EXPECT_EQ(inner->getSceneManager<BaseNode>(), nested);
    EXPECT_EQ(lamp->getOwnerScene<BaseNode>(), inner);
    EXPECT_TRUE(stateEvents().empty()) << "the default state is not applied again";
    EXPECT_EQ(lamp->getCurrentState(), glow);
    EXPECT_EQ(glow->getPending(), 1);
    EXPECT_EQ(nested->getSceneSchedulerOf(inner), innerScheduler);

    // Taken out of the tree, it still manages its scenes.
    const CRefHandle<SceneManager> keepNested = CRefHandle<SceneManager>::share(nested);
    nested->setParent(nullptr);
    EXPECT_EQ(nested->getSceneManager<BaseNode>(), nullptr);
    EXPECT_EQ(aside->getSceneManager<BaseNode>(), nullptr);
    EXPECT_EQ(inner->getSceneManager<BaseNode>(), nested);
    EXPECT_TRUE(stateEvents().empty());
}

TEST(SceneManager, ASceneTheApplicationRemovesIsForgottenAtOnce) {
    // The current scene taken off and freed: input, drawing and the next
    // scene change must not reach it.
    {
        ManagerFixture f;
        RecordingScene* a = makeScene("A");
        ASSERT_TRUE(f.manager->setScene(a));
        CUpdateScheduler* scheduler = f.manager->getSceneSchedulerOf(a);
        ASSERT_TRUE(f.isListening(scheduler));
        ASSERT_TRUE(f.manager->removeChild(a));
        EXPECT_EQ(f.manager->getCurrentScene(), nullptr);
        EXPECT_EQ(f.manager->getPendingTransitionCount(), 0u);
        EXPECT_EQ(f.manager->getSceneSchedulerOf(a), nullptr);
        EXPECT_EQ(a->getSceneScheduler(), nullptr);
        EXPECT_FALSE(f.isListening(scheduler)) << "unregistered, not left until the manager dies";
        a->release();
        EXPECT_FALSE(f.post(new CEventMouseMove(1, 1)));
        EXPECT_FALSE(f.post(new CEventKeyDown(0, 13)));
        f.drain();
        CRefHandle<RecordingScene> b(new RecordingScene("B"));
        EXPECT_TRUE(f.manager->setScene(b.get()));
    }
    // The scene being left during a change: the entering scene's half still
    // ends as usual, and the scene-below link that named it is mended.
    {
        ManagerFixture f;
        RecordingScene* a = makeScene("A");
        RecordingScene* b = makeScene("B");
        CRefHandle<RecordingScene> keepB(b);
        ASSERT_TRUE(f.manager->setScene(a));
        f.run(a, 100);
        ASSERT_TRUE(f.manager->navigateTo(a, b));
        EXPECT_EQ(f.manager->getPendingTransitionCount(), 2u);
        ASSERT_TRUE(f.manager->removeChild(a));
        a->release();
        EXPECT_EQ(b->getSceneBelow(), nullptr);
        EXPECT_EQ(f.manager->getPendingTransitionCount(), 1u) << "only B's half is left";
        EXPECT_TRUE(f.manager->isInTransition(b));
        f.run(b, 100);
        EXPECT_FALSE(f.manager->isInTransition(b));
        EXPECT_TRUE(b->isFocused());
        f.drain();
        EXPECT_EQ(b->record.count(kChangeFinished), 1);
        b->record.types.clear();
        static_cast<void>(f.post(new CEventMouseMove(1, 1)));
        EXPECT_EQ(b->record.count(kMouseMove), 1);
        EXPECT_FALSE(b->navigateBack(0)) << "nothing below any more";
    }
    // A scene in the middle of the stack: the one above rests on the one
    // below it.
    {
        ManagerFixture f;
        RecordingScene* a = makeScene("A", 0);
        RecordingScene* b = makeScene("B", 0);
        RecordingScene* c = makeScene("C", 0);
        CRefHandle<RecordingScene> keepA(a), keepC(c);
        ASSERT_TRUE(f.manager->setScene(a));
        f.run(a, 1);
        ASSERT_TRUE(f.manager->navigateTo(a, b));
        f.run(a, 1);
        f.run(b, 1);
        ASSERT_TRUE(f.manager->navigateTo(b, c));
        f.run(b, 1);
        f.run(c, 1);
        b->release();
        ASSERT_TRUE(f.manager->removeChild(b));
        EXPECT_EQ(c->getSceneBelow(), a);
        ASSERT_TRUE(c->navigateBack(0));
        EXPECT_EQ(f.manager->getCurrentScene(), a);
    }
}

TEST(SceneManager, NavigatingToASceneAlreadyBelowIsRefused) {
    ManagerFixture f;
    RecordingScene* a = makeScene("A", 0);
    RecordingScene* b = makeScene("B", 0);
    CRefHandle<RecordingScene> keepA(a), keepB(b);
    ASSERT_TRUE(f.manager->setScene(a));
    f.run(a, 1);
    ASSERT_TRUE(f.manager->navigateTo(a, b));
    f.run(a, 1);
    f.run(b, 1);
    ASSERT_EQ(f.manager->getCurrentScene(), b);

    LogCapture log;
    EXPECT_FALSE(f.manager->navigateTo(b, a));
    EXPECT_FALSE(b->navigateTo(a, false)) << "from inside the scene too";
    EXPECT_EQ(log.count("below the one being left"), 2u);
    EXPECT_EQ(a->getSceneBelow(), nullptr) << "the links stay a chain";
    EXPECT_EQ(b->getSceneBelow(), a);
    EXPECT_EQ(f.manager->getPendingTransitionCount(), 0u);

    // Input still flows, and going back is the way down.
    static_cast<void>(f.post(new CEventMouseMove(1, 1)));
    EXPECT_GT(b->record.count(kMouseMove), 0);
    ASSERT_TRUE(b->navigateBack(10));
    EXPECT_EQ(f.manager->getCurrentScene(), a);
}

TEST(SceneManager, WithoutAnEngineItSaysSoOnceAndBuildsNone) {
    ASSERT_EQ(findEngineInstance(), nullptr) << "the test needs no registered engine";
    LogCapture log;
    CRefHandle<SceneManager> manager(new SceneManager(CObjectName(), nullptr, nullptr));
    CRefHandle<RecordingScene> a(new RecordingScene("A"));
    CRefHandle<RecordingScene> b(new RecordingScene("B"));
    ASSERT_TRUE(manager->setScene(a.get()));
    ASSERT_TRUE(manager->setScene(b.get()));
    EXPECT_EQ(manager->getEngine(), nullptr);
    EXPECT_EQ(findEngineInstance(), nullptr) << "no engine made on the side";
    EXPECT_EQ(log.count("without an engine"), 1u);
    EXPECT_FALSE(log.contains("Can't create the engine"));
    // The scene still has a scheduler its states can use.
    EXPECT_NE(manager->getSceneSchedulerOf(b.get()), nullptr);
}

TEST(SceneManager, AJoiningSceneAppliesItsDefaultStatesOnceOnItsOwnScheduler) {
    ManagerFixture f;
    RecordingScene* outer = new RecordingScene("Outer");
    CRefHandle<RecordingScene> keepOuter(outer);
    SceneManager* nested = new SceneManager(CObjectName(), outer, nullptr);
    nested->release();
    nested->setEngine(f.engine.get());
    ASSERT_TRUE(f.manager->setScene(outer));
    ASSERT_EQ(nested->getOwnerScene<BaseNode>(), outer) << "the nested manager has outer links";

    RecordingScene* inner = new RecordingScene("Inner");
    CRefHandle<RecordingScene> keepInner(inner);
    CRefHandle<RecordingNode> lamp(new RecordingNode("lamp", inner));
    ASSERT_TRUE(lamp->addState(makeTimedState("Glow", -1).get()));
    lamp->setDefaultState(CName("Glow"));
    ASSERT_TRUE(nested->setScene(inner));
    std::vector<std::string> stateEvents;
    for (const std::string& line : lamp->events)
        if (line.rfind("75", 0) == 0 || line.rfind("76", 0) == 0)
            stateEvents.push_back(line);
    EXPECT_EQ(stateEvents, std::vector<std::string>{"75:Glow"}) << "started once, never on the outer scene's links";
    EXPECT_EQ(lamp->getOwnerScene<BaseNode>(), inner);
    EXPECT_EQ(nested->getSceneSchedulerOf(inner)->entryCount(), 1u) << "its key runs on the scene's scheduler";
}

TEST(SceneManager, ACopyOfASceneThatOutlivesItsManagerJoinsAnother) {
    CRefHandle<CEngine> engine = makeFakeEngine();
    CRefHandle<BaseNode> copy;
    {
        CRefHandle<SceneManager> first(new SceneManager(CObjectName(), nullptr, nullptr));
        first->setEngine(engine.get());
        CRefHandle<RecordingScene> a(new RecordingScene("A"));
        ASSERT_TRUE(first->setScene(a.get()));
        copy.reset(a->clone(nullptr, nullptr));
        ASSERT_EQ(copy->getSceneManager<BaseNode>(), first.get()) << "a copy takes the original's manager link";
    }
    CRefHandle<SceneManager> second(new SceneManager(CObjectName(), nullptr, nullptr));
    second->setEngine(engine.get());
    SceneNode* scene = nodeCast<SceneNode>(copy.get());
    ASSERT_NE(scene, nullptr);
    ASSERT_TRUE(second->setScene(scene));
    EXPECT_EQ(scene->getSceneManager<BaseNode>(), second.get());
    EXPECT_EQ(scene->getSceneScheduler(), second->getSceneSchedulerOf(scene));
}

TEST(SceneManager, TheEngineCreatesManagersOverItsServices) {
    CRefHandle<CEngine> engine = makeFakeEngine();
    CRefHandle<SceneManager> manager(engine->createSceneManager());
    ASSERT_TRUE(manager);
    EXPECT_EQ(manager->referenceCount(), 1) << "the caller holds the only reference";
    EXPECT_TRUE(manager->getName().empty());
    EXPECT_EQ(manager->getParent(), nullptr);
    EXPECT_EQ(manager->getEngine(), engine.get());

    // Its scenes get schedulers that the engine drives.
    RecordingScene* scene = new RecordingScene("A");
    CRefHandle<RecordingScene> keep(scene);
    ASSERT_TRUE(manager->setScene(scene));
    EXPECT_TRUE(engine->isListener(manager->getSceneSchedulerOf(scene)));
}
