#include "engine/core/CEngine.h"
#include "engine/core/CEventMouseMove.h"
#include "engine/core/CEventReceiver.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CVector2di.h"
#include "engine/core/ICursorControl.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/scene/CNodeState.h"
#include "engine/scene/KeyFrame.h"
#include "engine/scene/SceneManager.h"
#include "engine/scene/TemplateCollectionNode.h"
#include "game/config/GWorldMessages.h"
#include "game/nodes/GProgressBarWithSignNode.h"
#include "game/world/GDilizhansNode.h"
#include "game/world/GGertrudaNode.h"
#include "game/world/GMajorOfficeNode.h"
#include "game/world/GOnRoadLocationNode.h"
#include "game/world/GWorkerNode.h"
#include "tests/engine/sound/CueTestSupport.h"
#include "tests/game/world/StandInLevel.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

// Every state a node of this class is given, as "State", in order.
std::vector<std::string>& stateLog() {
    static std::vector<std::string> log;
    return log;
}

std::vector<std::string> takeLog() { return std::exchange(stateLog(), {}); }

bool logged(const std::vector<std::string>& log, const std::string& state) {
    for (const std::string& entry : log)
        if (entry == state)
            return true;
    return false;
}

class StateLog : public BaseNode {
public:
    StateLog(const CObjectName& contentName, BaseNode* parent, BaseNode* manager)
        : BaseNode(contentName, parent, manager) {}
    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* manager) const override {
        return cloneAs<StateLog>(parent, manager);
    }
    void setState(CName id, FallbackFunction fallback, CName reportedId) override {
        stateLog().push_back(id.str().c_str());
        BaseNode::setState(id, fallback, reportedId);
    }

protected:
    ~StateLog() override = default;
};


template <class T> T* make(BaseNode* parent, const char* name) {
    auto* node = new T(CObjectName(), parent, nullptr);
    node->release();
    node->setName(CName(name));
    return node;
}

int held(const GObjectNode* object, CName resource) { return object->getResource(resource); }

// A headquarters with its walker templates, and a place by the road of the
// template "Rock" (a hit area and a progress bar) 40 x 40 at (300, 200), on a
// stand-in level whose paths run straight. The walkers run on the level's
// scheduler; the location is updated by `step` every 50 ms. States given
// to the location show in the log through its child "Look".
struct RoadWorkScene {
    RoadWorkScene() {
        takeLog();
        make<GWorkerNode>(templates.get(), "Worker1")->setBounds({10.0f, 20.0f, 0.0f});
        make<GDilizhansNode>(templates.get(), "Dilizhans1")->setBounds({30.0f, 20.0f, 0.0f});
        make<GGertrudaNode>(templates.get(), "Gertruda1")->setBounds({10.0f, 20.0f, 0.0f});
        BaseNode* rock = make<StateLog>(templates.get(), "Rock");
        make<BaseNode>(make<BaseNode>(rock, "Body"), "HitArea");
        make<GProgressBarWithSignNode>(rock, "ProgressBar");
        templates->onLoaded();
        manager->setTemplateCollection(templates.get());

        level.walkerLayer = make<BaseNode>(root.get(), "Walkers");
        hq = make<GMajorOfficeNode>(root.get(), "Headquarters");
        hq->setPosition({100.0f, 100.0f, 0.0f});
        hq->setBounds({60.0f, 40.0f, 0.0f});
        level.headquarters = hq;
        hq->setLevelScene(&level);

        type->Name = CName("Rock");
        type->Kind = GBuildingType::OnRoad;
        type->Level = 1;
        type->Build.Time = 3000;
        type->Build.Workers = 3;
        type->Build.Resources[nameIdMaterials()] = 30;
        location = make<GOnRoadLocationNode>(root.get(), "Rock1");
        location->setPosition({300.0f, 200.0f, 0.0f});
        location->setBounds({40.0f, 40.0f, 0.0f});
        make<StateLog>(location, "Look");
        location->setLevelScene(&level);
        location->setType(type.get(), false, false);
        location->setTemplateName(CName("Rock"));

        root->setSceneManager(manager.get(), nullptr);
        hq->applyTemplate();
        hq->setScheduler(level.scheduler.get());
        location->applyTemplate();
    }

    // Runs the level for `ms` in 10 ms steps and the location every 50 ms;
    // stops early once `until` holds.
    void step(int ms, const std::function<bool()>& until = nullptr) {
        for (int t = 10; t <= ms; t += 10) {
            level.scheduler->update(10);
            if (t % 50 == 0)
                static_cast<void>(location->update(50));
            if (until && until())
                return;
        }
    }

    [[nodiscard]] const GOnRoadLocationDoneMessage* doneMessage() const {
        for (const auto& message : level.receiver->messages)
            if (message->getType() == GOnRoadLocationDoneMessage::TypeId)
                return static_cast<const GOnRoadLocationDoneMessage*>(message.get());
        return nullptr;
    }

    StandInLevel level;
    CRefHandle<SceneManager> manager{new SceneManager(CObjectName(), nullptr, nullptr)};
    CRefHandle<TemplateCollectionNode> templates{new TemplateCollectionNode(CObjectName(), nullptr, nullptr)};
    CRefHandle<BaseNode> root{new BaseNode(CObjectName(), nullptr, nullptr)};
    CRefHandle<GBuildingConfig> type{new GBuildingConfig};
    GMajorOfficeNode* hq = nullptr;
    GOnRoadLocationNode* location = nullptr;
};

class RoadWork : public ::testing::Test, public RoadWorkScene {};

} // namespace

TEST_F(RoadWork, WorkersArriveClearThePlaceOverItsWorkTimeAndGoHome) {
    hq->spawnWorkers(3);
    hq->addResource(nameIdMaterials(), 30);
    location->addResource(nameIdGold(), 5);
    location->addResource(nameIdMaterials(), 7);
    ASSERT_TRUE(location->isReachable());

    location->startWork();
    ASSERT_EQ(location->getWorkState(), GOnRoadLocationNode::WaitingWorkers);
    EXPECT_EQ(location->getWorkersNeeded(), 3);
    EXPECT_EQ(held(hq, nameIdMaterials()), 0) << "the cost went with the workers";
    EXPECT_EQ(location->getIncomingWorkersCount(), 3);
    EXPECT_TRUE(logged(takeLog(), "Selected"));

    // They arrive one by one: the first takes everything the place held, and
    // only the last one to complete the team shows.
    std::vector<BaseNode*> arrived;
    for (int count = 1; count <= 3; ++count) {
        SCOPED_TRACE(count);
        step(10000, [&] { return location->getWorkersCount() == count; });
        ASSERT_EQ(location->getWorkersCount(), count);
        BaseNode* worker = location->getWorkers()[uint32_t(count - 1)];
        arrived.push_back(worker);
        EXPECT_EQ(worker->isVisible(), count == 3);
        EXPECT_EQ(location->getWorkState(), GOnRoadLocationNode::WaitingWorkers);
    }
    auto* first = nodeCast<GWorkerNode>(arrived[0]);
    EXPECT_EQ(held(first, nameIdGold()), 5);
    EXPECT_EQ(held(first, nameIdMaterials()), 7) << "its share of the cost is spent";
    EXPECT_FALSE(first->isLoadSettled()) << "what it carries home is income";
    EXPECT_EQ(held(nodeCast<GWorkerNode>(arrived[1]), nameIdMaterials()), 0);
    EXPECT_TRUE(location->isEmpty());

    // The work: the "Building" state, then the bar fills over Build Time.
    step(50);
    ASSERT_EQ(location->getWorkState(), GOnRoadLocationNode::Working);
    EXPECT_TRUE(logged(takeLog(), "Building"));
    int elapsed = 0;
    float lastValue = 0.0f;
    while (location->getWorkState() == GOnRoadLocationNode::Working && elapsed < 10000) {
        step(50);
        elapsed += 50;
        ASSERT_NE(location->getProgressBar(), nullptr);
        EXPECT_LE(location->getProgressBar()->getValue(), 1.0f);
        EXPECT_GE(location->getProgressBar()->getValue(), lastValue);
        lastValue = location->getProgressBar()->getValue();
    }
    EXPECT_EQ(elapsed, 3050) << "done on the update past the Build Time";
    EXPECT_EQ(location->getWorkState(), GOnRoadLocationNode::Finishing);
    EXPECT_FALSE(location->getProgressBar()->isVisible());
    EXPECT_EQ(doneMessage(), nullptr) << "the end steps run on the next update";

    step(50);
    EXPECT_EQ(location->getWorkState(), GOnRoadLocationNode::Done);
    EXPECT_FALSE(location->isEnabled());
    EXPECT_FALSE(location->canBeHit());
    EXPECT_EQ(location->getTaskKind(), GBuildingNode::TaskNone);
    EXPECT_TRUE(logged(takeLog(), "Built"));
    const GOnRoadLocationDoneMessage* done = doneMessage();
    ASSERT_NE(done, nullptr);
    EXPECT_EQ(done->getLocation(), location);
    EXPECT_EQ(done->getLocationType(), type.get());
    EXPECT_EQ(done->getTaken().size(), 2u);
    EXPECT_EQ(done->getTaken().find(nameIdGold())->value, 5);
    EXPECT_EQ(location->getWorkersCount(), 0) << "everybody was sent home";

    step(10000, [&] { return hq->getWorkersCount() == 3; });
    EXPECT_EQ(hq->getWorkersCount(), 3);
    EXPECT_EQ(held(hq, nameIdGold()), 5);
    EXPECT_EQ(held(hq, nameIdMaterials()), 7);
}

TEST_F(RoadWork, APlaceThatYieldsWorkersClonesTheFirstOneIntoTheHeadquarters) {
    hq->spawnWorkers(3);
    hq->addResource(nameIdMaterials(), 30);
    location->setYieldedWorkers(2);
    location->addResource(nameIdWorkers(), 2);
    location->startWork();
    step(20000, [&] { return location->getWorkState() == GOnRoadLocationNode::Done; });
    ASSERT_EQ(location->getWorkState(), GOnRoadLocationNode::Done);
    EXPECT_EQ(hq->getAllWorkers().size(), 5u);
    for (const auto& worker : hq->getAllWorkers()) {
        EXPECT_EQ(worker->getHome(), hq);
        EXPECT_EQ(worker->getTarget(), hq) << "five walk home";
    }
    step(10000, [&] { return hq->getWorkersCount() == 5; });
    EXPECT_EQ(hq->getWorkersCount(), 5);
}

TEST_F(RoadWork, OnlyTheFirstRiderOfAStagecoachShowsAndCarriesThePlacesResources) {
    type->Build.Workers = 5;
    hq->spawnWorkers(5);
    hq->spawnStagecoaches(1);
    hq->addResource(nameIdMaterials(), 30);
    location->addResource(nameIdGold(), 4);
    location->startWork();
    GDilizhansNode* coach = hq->getAllStagecoaches()[0].get();
    ASSERT_EQ(location->getIncomingWorkers().size(), 1u);
    ASSERT_EQ(location->getIncomingWorkers()[0], coach);
    const CArray<GWorkerNode*> riders = coach->getPassengers();
    ASSERT_EQ(riders.size(), 5u);

    step(10000, [&] { return location->getWorkersCount() == 5; });
    ASSERT_EQ(location->getWorkersCount(), 5);
    for (uint32_t i = 0; i < riders.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(riders[i]->isVisible(), i == 0);
        EXPECT_EQ(held(riders[i], nameIdMaterials()), 0) << "the cost is spent";
        EXPECT_FALSE(riders[i]->isLoadSettled());
    }
    EXPECT_EQ(held(riders[0], nameIdGold()), 4);
    EXPECT_FLOAT_EQ(riders[0]->getPosition().x, coach->getPosition().x);
    EXPECT_FLOAT_EQ(riders[0]->getPosition().y, coach->getPosition().y);
    EXPECT_TRUE(location->isEmpty());
}

TEST(GOnRoadLocationWork, TheGuideWithTheCostStartsTheWorkAtOnceAndWithoutItOnlyVisits) {
    const struct {
        const char* what;
        int hqMaterials;
        int yielded;
        bool brought;
    } cases[] = {
        {"the cost held, no workers yielded", 30, 0, true},
        {"the cost not held", 29, 0, false},
        {"the place yields workers", 30, 1, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RoadWorkScene s;
        s.type->Build.Workers = 1;
        s.location->setYieldedWorkers(c.yielded);
        s.location->addResource(nameIdGold(), 3);
        s.hq->spawnGuides(1);
        s.hq->addResource(nameIdMaterials(), c.hqMaterials);
        GGertrudaNode* guide = s.hq->getAllGuides()[0].get();

        s.location->startTakeMaterials();
        ASSERT_EQ(s.location->getWorkState(), GOnRoadLocationNode::WaitingGuide);
        EXPECT_TRUE(s.location->isGuideSent());
        s.step(10000, [&] { return !s.location->getGuides().empty(); });
        ASSERT_EQ(s.location->getGuides().size(), 1u);
        EXPECT_EQ(s.location->getMaterialsBrought(), c.brought);
        EXPECT_TRUE(guide->isVisible());
        takeLog();
        s.step(50);
        if (c.brought) {
            EXPECT_EQ(s.location->getWorkState(), GOnRoadLocationNode::Working);
            EXPECT_TRUE(logged(takeLog(), "Building"));
            EXPECT_EQ(held(guide, nameIdMaterials()), 0) << "the cost is spent";
            EXPECT_EQ(held(guide, nameIdGold()), 3) << "she takes what the place held";
            s.step(10000, [&] { return s.location->getWorkState() == GOnRoadLocationNode::Done; });
            EXPECT_EQ(s.location->getWorkState(), GOnRoadLocationNode::Done);
            EXPECT_NE(s.doneMessage(), nullptr);
        } else {
            EXPECT_EQ(s.location->getWorkState(), GOnRoadLocationNode::GuideVisit);
            EXPECT_EQ(held(s.location, nameIdGold()), 3) << "the place keeps what it holds";
            s.step(10000, [&] { return s.location->getWorkState() == GOnRoadLocationNode::Available; });
            EXPECT_EQ(s.location->getWorkState(), GOnRoadLocationNode::Available);
            EXPECT_EQ(guide->getTarget(), s.hq) << "she walks home";
            EXPECT_EQ(s.doneMessage(), nullptr);
            s.location->startTakeMaterials();
            EXPECT_EQ(s.location->getWorkState(), GOnRoadLocationNode::Available) << "she is not home yet";
        }
    }
}

TEST_F(RoadWork, NothingStartsWhileAppearingUnreachableOrRefused) {
    hq->spawnWorkers(3);
    hq->addResource(nameIdMaterials(), 30);
    location->startAppear();
    EXPECT_EQ(location->getWorkState(), GOnRoadLocationNode::Appearing);
    location->startWork();
    location->startTakeMaterials();
    EXPECT_EQ(location->getWorkState(), GOnRoadLocationNode::Appearing);
    takeLog();
    location->setHovered(true);
    EXPECT_TRUE(takeLog().empty()) << "hovering shows nothing";

    step(600);
    ASSERT_EQ(location->getWorkState(), GOnRoadLocationNode::Available);
    hq->addResource(nameIdMaterials(), -1);
    location->startWork();
    EXPECT_EQ(location->getWorkState(), GOnRoadLocationNode::Available) << "the headquarters refused";
    EXPECT_EQ(hq->getWorkersCount(), 3);
    location->startTakeMaterials();
    EXPECT_EQ(location->getWorkState(), GOnRoadLocationNode::Available) << "no guide at home";
    location->setReachable(false);
    hq->addResource(nameIdMaterials(), 1);
    location->startWork();
    EXPECT_EQ(location->getWorkState(), GOnRoadLocationNode::Available) << "not reachable";
}

TEST(GOnRoadLocationNode, TheAppearingLockEndsOnTheUpdatePastIt) {
    const struct {
        int lock;
        int updates; // of 50 ms until available
        bool reachable;
    } cases[] = {{500, 11, true}, {0, 1, false}, {120, 3, true}, {100, 3, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lock);
        StandInLevel level;
        level.unreachable = !c.reachable;
        CRefHandle<GBuildingNode> hq(new GBuildingNode(CObjectName(), nullptr, nullptr));
        level.headquarters = hq.get();
        CRefHandle<SceneManager> manager(new SceneManager(CObjectName(), nullptr, nullptr));
        CRefHandle<GOnRoadLocationNode> location(new GOnRoadLocationNode(CObjectName(), nullptr, manager.get()));
        StateLog* look = make<StateLog>(location.get(), "Look");
        static_cast<void>(look);
        location->setLevelScene(&level);
        location->applyTemplate();
        location->setLockTimeOnAppear(c.lock);
        location->setCanBeHit(false);
        takeLog();
        location->startAppear();
        const std::vector<std::string> appeared = takeLog();
        ASSERT_FALSE(appeared.empty());
        EXPECT_EQ(appeared[0], "Appear");
        EXPECT_EQ(location->getWorkState(), GOnRoadLocationNode::Appearing);
        int updates = 0;
        while (location->getWorkState() == GOnRoadLocationNode::Appearing && updates < 100) {
            static_cast<void>(location->update(50));
            ++updates;
        }
        EXPECT_EQ(updates, c.updates);
        EXPECT_TRUE(location->canBeHit());
        EXPECT_EQ(location->isFirstOnRoad(), c.reachable);
        EXPECT_EQ(logged(takeLog(), "FirstOnRoad"), c.reachable);

        location->setImpending(true);
        location->setImpending(true);
        EXPECT_EQ(takeLog(), std::vector<std::string>{"Impending"}) << "only on a change";
    }
}

namespace {

// A cursor standing where the test puts it.
class StillCursor : public ICursorControl {
public:
    void setVisible(bool) override {}
    [[nodiscard]] bool isVisible() const override { return true; }
    void setPosition(const CVector2di& position) override { m_position = position; }
    [[nodiscard]] CVector2di getPosition() const override { return m_position; }
    void refreshPosition() override {}
    [[nodiscard]] CArray<CVector2di> copyPositions() const override { return positions(); }
    [[nodiscard]] const CArray<CVector2di>& positions() const override {
        static const CArray<CVector2di> none;
        return none;
    }
    void setImage(const CPixelImage*, int, int) override {}

private:
    CVector2di m_position;
};

// Keeps the pointer moves the engine passes on, leaving them unhandled.
class MoveLog : public CEventReceiver {
public:
    MoveLog() { setMask(CEvent::MaskAll); }
    bool handleEvent(CEvent* event) override {
        if (event->getType() == CEventMouseMove::TypeId) {
            const auto* move = static_cast<const CEventMouseMove*>(event);
            moves.emplace_back(move->getX(), move->getY());
        }
        return false;
    }
    std::vector<std::pair<int, int>> moves;

protected:
    ~MoveLog() override = default;
};

} // namespace

TEST(GOnRoadLocationWork, OnceAvailableItMakesThePointerTakeItsHoverAfresh) {
    CRefHandle<CEngine> engine(new CEngine(CEngineCreationParams()));
    auto* cursor = new StillCursor;
    cursor->setPosition(CVector2di(400, 300));
    engine->setCursorControl(cursor);
    CRefHandle<MoveLog> log(new MoveLog);
    ASSERT_TRUE(engine->addListener(log.get(), 0));
    setEngineInstance(engine.get());

    CRefHandle<GOnRoadLocationNode> location(new GOnRoadLocationNode(CObjectName(), nullptr, nullptr));
    location->startAppear();
    for (int i = 0; i < 10; ++i)
        static_cast<void>(location->update(50));
    EXPECT_TRUE(log->moves.empty()) << "still appearing";
    static_cast<void>(location->update(50));
    const std::vector<std::pair<int, int>> moves = {{300, 200}, {400, 300}};
    EXPECT_EQ(log->moves, moves);
    static_cast<void>(location->update(50));
    EXPECT_EQ(log->moves.size(), 2u) << "once";
    engine->removeListener(log.get());
    setEngineInstance(nullptr);
}

TEST(GOnRoadLocationWork, TheWorkDurationStretchesOnlyTwoKeyAnimations) {
    const auto keyFrames = [](int count) {
        std::string xml = "<Animator Type=\"KeyFrame\"><Properties><vector3d Name=\"Position\" Value=\"0;0;0\" />"
                          "</Properties>";
        for (int i = 0; i < count; ++i)
            xml +=
                "<KeyFrame t=\"" + std::to_string(i * 100) + "\" i=\"0\" Value0=\"" + std::to_string(i) + ";0;0\" />";
        xml += "</Animator>";
        CRefHandle<CXmlStreamReader> reader(
            new CXmlStreamReader(reinterpret_cast<const uint8_t*>(xml.data()), uint32_t(xml.size())));
        while (reader->readNext() && reader->nodeType() != CXmlStreamReader::Element) {
        }
        CRefHandle<KeyFrame> key(new KeyFrame());
        key->load(reader.get(), nullptr, CStringW(u"Animator"));
        return key;
    };
    CRefHandle<SceneManager> manager(new SceneManager(CObjectName(), nullptr, nullptr));
    CRefHandle<TemplateCollectionNode> templates(new TemplateCollectionNode(CObjectName(), nullptr, nullptr));
    BaseNode* rock = make<BaseNode>(templates.get(), "Rock");
    BaseNode* dust = make<BaseNode>(rock, "Dust");
    for (const char* name : {"Smash", "Idle"}) {
        CRefHandle<CNodeState> state(new CNodeState(CName(name)));
        for (int count : {1, 2, 3})
            state->addKey(keyFrames(count).get());
        ASSERT_TRUE(dust->addState(state.get()));
    }
    templates->onLoaded();
    manager->setTemplateCollection(templates.get());
    CRefHandle<GOnRoadLocationNode> location(new GOnRoadLocationNode(CObjectName(), nullptr, manager.get()));
    location->setBuildingStateName(CName("Smash"));
    location->setTemplateName(CName("Rock"));
    ASSERT_NE(location->getTemplateRoot(), nullptr);

    location->setWorkDuration(2400);
    const BaseNode* copy = location->getTemplateRoot()->findChild(CName("Dust"), 1);
    ASSERT_NE(copy, nullptr);
    const struct {
        const char* state;
        std::vector<std::vector<int>> times;
    } cases[] = {
        {"Smash", {{0}, {0, 2400}, {0, 100, 200}}},
        {"Idle", {{0}, {0, 100}, {0, 100, 200}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.state);
        const CNodeState* state = copy->findState(CName(c.state));
        ASSERT_NE(state, nullptr);
        std::vector<std::vector<int>> times;
        for (const Animator* key : state->getKeys()) {
            std::vector<int> frames;
            for (const KeyFrame::Key& frame : static_cast<const KeyFrame*>(key)->getKeys())
                frames.push_back(frame.t);
            times.push_back(frames);
        }
        EXPECT_EQ(times, c.times);
    }
}

TEST(GOnRoadLocationWork, TheWorkSoundOutlastsTheWorkOnlyWithTheTypesSelectedCue) {
    for (const bool selected : {true, false}) {
        SCOPED_TRACE(selected);
        CueFixture cues;
        cues.define("RockSelected", 1, 1, true);
        cues.define("RockBuilt", 1, 1, true);
        cues.manager->addRef();
        CRefHandle<CEngine> engine(new CEngine(CEngineCreationParams()));
        engine->setSoundCueManager(cues.manager.get());
        setEngineInstance(engine.get());
        {
            RoadWorkScene s;
            s.type->SelectedSoundCueName = selected ? CName("RockSelected") : CName();
            s.type->BuiltSoundCueName = CName("RockBuilt");
            s.hq->spawnWorkers(3);
            s.hq->addResource(nameIdMaterials(), 30);
            s.location->startWork();
            s.step(10000, [&] { return s.location->getWorkState() == GOnRoadLocationNode::Working; });
            ASSERT_NE(s.location->getSound(), nullptr);
            SoundCue* work = s.location->getSound();
            EXPECT_EQ(work->getName(), CName(selected ? "RockSelected" : "RockBuilt"));
            s.step(10000, [&] { return s.location->getWorkState() == GOnRoadLocationNode::Done; });
            ASSERT_EQ(s.location->getWorkState(), GOnRoadLocationNode::Done);
            EXPECT_EQ(s.location->getSound(), selected ? work : nullptr);
            EXPECT_TRUE(cues.isPlaying(work)) << "stopped with a fade-out, or not at all";
        }
        setEngineInstance(nullptr);
    }
}
