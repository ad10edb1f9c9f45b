#include "engine/scene/CNodeState.h"

#include "engine/core/CStringW.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/KeyFrame.h"
#include "engine/scene/SetProps.h"
#include "engine/scene/SetStates.h"
#include "tests/engine/scene/NodeTestSupport.h"
#include "tests/engine/scene/PropertyTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

// A state as the writer lays it out: one tab per level, "\r\n" after each
// element line.
const std::string kShowState = "<State Name=\"Show\" NextState=\"Idle\">\r\n"
                               "\t<Animator Type=\"KeyFrame\" Name=\"Fade\" Period=\"10\">\r\n"
                               "\t\t<Properties>\r\n"
                               "\t\t\t<color Name=\"TintColor\" Value=\"00ffffff\" />\r\n"
                               "\t\t</Properties>\r\n"
                               "\t\t<KeyFrame t=\"0\" Value0=\"00ffffff\" />\r\n"
                               "\t\t<KeyFrame t=\"100\" i=\"0\" Value0=\"ffffffff\" />\r\n"
                               "\t</Animator>\r\n"
                               "\t<StartAnimator Type=\"SetProps\">\r\n"
                               "\t\t<bool Name=\"Visible\" Value=\"true\" />\r\n"
                               "\t</StartAnimator>\r\n"
                               "\t<EndAnimator Type=\"SetStates\">\r\n"
                               "\t\t<State Name=\"Glow\" Children=\"Arrow\" />\r\n"
                               "\t</EndAnimator>\r\n"
                               "</State>\r\n";

CRefHandle<CNodeState> readState(const std::string& xml) {
    CRefHandle<CXmlStreamReader> reader = readerAtFirstElement(xml);
    CRefHandle<CNodeState> state(new CNodeState(CName(CString(reader->attribute("Name")))));
    state->setNextState(CName(CString(reader->attribute("NextState"))));
    state->readXml(reader.get(), nullptr, &createTestKey);
    return state;
}

std::string writeState(const CNodeState* state) {
    return writtenXml([state](CXmlStreamWriter* writer) { state->writeXml(writer); });
}

// A KeyFrame of one key of `length` ms on the Position property.
CRefHandle<KeyFrame> timedKey(int length, bool loops = false) {
    std::string xml = "<Animator Type=\"KeyFrame\"><Properties><vector3d Name=\"Position\" Value=\"0;0;0\" />"
                      "</Properties><KeyFrame t=\"0\" Value0=\"0;0;0\" /><KeyFrame t=\"" +
                      std::to_string(length) + "\" i=\"0\" Value0=\"10;0;0\"" + (loops ? " g=\"0\"" : "") +
                      " /></Animator>";
    CRefHandle<KeyFrame> key(new KeyFrame());
    CRefHandle<CXmlStreamReader> reader = readerAtFirstElement(xml);
    key->load(reader.get(), nullptr, CStringW(u"Animator"));
    return key;
}

CRefHandle<SetProps> tintKey(uint32_t color) {
    CRefHandle<SetProps> key(new SetProps());
    key->getProperties()->setColor("TintColor", CColor(color));
    return key;
}

struct StateFixture {
    StateFixture() {
        scene->setSceneManager(nullptr, scene.get());
        scene->addChild(node.get());
    }
    CRefHandle<TestScene> scene{new TestScene()};
    CRefHandle<RecordingNode> node{new RecordingNode("node")};
};

} // namespace

TEST(CNodeState, ReadFromXmlRunsReportsFollowsNextStateAndWritesBack) {
    StateFixture f;
    CRefHandle<RecordingNode> arrow(new RecordingNode("Arrow"));
    CRefHandle<RecordingNode> holder(new RecordingNode("Holder", f.node.get()));
    holder->addChild(arrow.get());
    CRefHandle<CNodeState> glow(new CNodeState(CName("Glow")));
    glow->addStartKey(tintKey(0xFF00FF00).get());
    ASSERT_TRUE(arrow->addState(glow.get()));

    CRefHandle<CNodeState> show = readState(kShowState);
    ASSERT_EQ(show->getKeys().size(), 1u);
    ASSERT_EQ(show->getStartKeys().size(), 1u);
    ASSERT_EQ(show->getEndKeys().size(), 1u);
    EXPECT_EQ(show->getKeys()[0]->getName(), CName("Fade"));
    EXPECT_EQ(writeState(show.get()), kShowState);

    ASSERT_TRUE(f.node->addState(show.get()));
    ASSERT_TRUE(f.node->addState(CRefHandle<CNodeState>(new CNodeState(CName("Idle"))).get()));
    f.node->setVisible(false);
    f.node->setState(CName("Show"), nullptr, CName());
    EXPECT_TRUE(f.node->isVisible()) << "start keys applied";
    EXPECT_EQ(f.node->getTintColor().value, 0x00FFFFFFu) << "main key applied at time 0";
    EXPECT_EQ(show->getPending(), 1);

    runScheduler(f.scene->scheduler.get(), 50);
    EXPECT_EQ(f.node->getTintColor().value, 0x7FFFFFFFu);
    EXPECT_THAT(f.scene->events, IsEmpty());
    EXPECT_EQ(arrow->getCurrentState(), nullptr);

    runScheduler(f.scene->scheduler.get(), 50);
    EXPECT_EQ(f.node->getTintColor().value, 0xFFFFFFFFu);
    EXPECT_EQ(arrow->getCurrentState(), glow.get()) << "end keys drive the named descendant";
    EXPECT_EQ(arrow->getTintColor().value, 0xFF00FF00u);
    EXPECT_THAT(f.node->events, ElementsAre("75:Show", "74:end", "76:Show", "75:Idle", "76:Idle"));
    EXPECT_THAT(f.scene->events, ElementsAre("79:node:Show", "79:node:Idle"));
    EXPECT_EQ(f.node->getCurrentState(), f.node->findState(CName("Idle")));
    EXPECT_EQ(f.scene->scheduler->entryCount(), 0u) << "a finished key leaves the scheduler";

    // Read back what was written: the same text again.
    CRefHandle<CNodeState> again = readState(writeState(show.get()));
    EXPECT_EQ(writeState(again.get()), kShowState);
}

TEST(CNodeState, WithoutNextStateWritesNoSuchAttribute) {
    const std::string xml = "<State Name=\"Plain\">\r\n</State>\r\n";
    CRefHandle<CNodeState> state = readState(xml);
    EXPECT_EQ(writeState(state.get()), xml);
}

TEST(CNodeState, ReadingSkipsUnknownKeysAndStopsAtItsEnd) {
    const std::string xml = "<Root><State Name=\"S\">"
                            "<Animator Type=\"Wobble\"><KeyFrame t=\"5\" /></Animator>"
                            "<Other />"
                            "<EndAnimator Type=\"KeyFrame\" Name=\"Empty\" />"
                            "<StartAnimator Type=\"SetProps\" Name=\"Hide\"><bool Name=\"Visible\" Value=\"false\" />"
                            "</StartAnimator>"
                            "</State><State Name=\"T\" /></Root>";
    CRefHandle<CXmlStreamReader> reader = readerAtFirstElement(xml);
    ASSERT_TRUE(reader->readNext());
    CRefHandle<CNodeState> state(new CNodeState(CName("S")));
    state->readXml(reader.get(), nullptr, &createTestKey);
    EXPECT_THAT(state->getKeys(), IsEmpty());
    ASSERT_EQ(state->getEndKeys().size(), 1u) << "a self-closing key reads nothing beyond itself";
    EXPECT_EQ(state->getEndKeys()[0]->getName(), CName("Empty"));
    ASSERT_EQ(state->getStartKeys().size(), 1u);
    EXPECT_EQ(state->getStartKeys()[0]->getName(), CName("Hide"));
    ASSERT_TRUE(reader->readNext());
    EXPECT_EQ(reader->nodeName(), CStringW(u"State"));
    EXPECT_EQ(reader->attribute("Name"), CStringW(u"T"));

    // A self-closing state holds no keys and reads nothing beyond itself.
    CRefHandle<CNodeState> empty(new CNodeState(CName("T")));
    empty->readXml(reader.get(), nullptr, &createTestKey);
    EXPECT_THAT(empty->getStartKeys(), IsEmpty());
    ASSERT_TRUE(reader->readNext());
    EXPECT_EQ(reader->nodeName(), CStringW(u"Root"));
}

TEST(CNodeState, StateWithoutKeysStartsAndFinishesAtOnce) {
    StateFixture f;
    CRefHandle<CNodeState> state(new CNodeState(CName("Empty")));
    ASSERT_TRUE(f.node->addState(state.get()));
    state->start(f.scene->scheduler.get(), CName("Asked"));
    EXPECT_THAT(f.node->events, ElementsAre("75:Asked", "76:Asked"));

    // Without a scheduler the run never finishes by itself.
    f.node->events.clear();
    state->start(nullptr, CName());
    EXPECT_THAT(f.node->events, ElementsAre("75:Empty"));
}

TEST(CNodeState, FinishesAfterItsLastMainKeyAndAppliesTheEndKeysOnce) {
    StateFixture f;
    CRefHandle<CNodeState> state(new CNodeState(CName("Run")));
    state->addKey(timedKey(100).get());
    state->addKey(timedKey(300).get());
    state->addEndKey(tintKey(0x11111111).get());
    ASSERT_TRUE(f.node->addState(state.get()));
    state->start(f.scene->scheduler.get(), CName());
    runScheduler(f.scene->scheduler.get(), 100);
    EXPECT_THAT(f.node->events, ElementsAre("75:Run", "74:end"));
    EXPECT_EQ(state->getPending(), 1);
    EXPECT_NE(f.node->getTintColor().value, 0x11111111u);
    runScheduler(f.scene->scheduler.get(), 200);
    EXPECT_THAT(f.node->events, ElementsAre("75:Run", "74:end", "74:end", "76:Run"));
    EXPECT_EQ(f.node->getTintColor().value, 0x11111111u);
    EXPECT_TRUE(state->isEndApplied());

    // Stopping a finished run neither applies the end keys again nor reports.
    f.node->setTintColor(CColor(0));
    state->stop(false);
    EXPECT_EQ(f.node->getTintColor().value, 0u);
    EXPECT_EQ(f.node->events.size(), 4u);

    // A restart resets the run: start keys again, end keys again at its end.
    state->start(f.scene->scheduler.get(), CName());
    EXPECT_FALSE(state->isEndApplied());
    runScheduler(f.scene->scheduler.get(), 300);
    EXPECT_EQ(f.node->getTintColor().value, 0x11111111u);
}

TEST(CNodeState, StoppingARunningStateReportsOnceAndCompletesKeys) {
    StateFixture f;
    CRefHandle<CNodeState> state(new CNodeState(CName("Run")));
    CRefHandle<KeyFrame> key = timedKey(100);
    state->addKey(key.get());
    state->addEndKey(tintKey(0x22222222).get());
    ASSERT_TRUE(f.node->addState(state.get()));
    state->start(f.scene->scheduler.get(), CName());
    runScheduler(f.scene->scheduler.get(), 20);
    state->stop(true);
    EXPECT_TRUE(f.node->getPosition().equals(CVector3d(10, 0, 0))) << "a completed key jumps to its last key";
    EXPECT_EQ(f.node->getTintColor().value, 0x22222222u);
    EXPECT_THAT(f.node->events, ElementsAre("75:Run", "76:Run:stopped"));
    EXPECT_EQ(key->getScheduler(), nullptr);
    f.node->setTintColor(CColor(0));
    state->stop(true);
    EXPECT_EQ(f.node->events.size(), 2u);
    EXPECT_EQ(f.node->getTintColor().value, 0u);

    // A state never started applies its end keys once when stopped, silently.
    CRefHandle<CNodeState> idle(new CNodeState(CName("Idle")));
    idle->addEndKey(tintKey(0x33333333).get());
    ASSERT_TRUE(f.node->addState(idle.get()));
    f.node->stopStates(false);
    EXPECT_EQ(f.node->getTintColor().value, 0x33333333u);
    EXPECT_EQ(f.node->events.size(), 2u);
}

TEST(CNodeState, LoopingKeyFinishesTheRunButKeepsRunning) {
    StateFixture f;
    CRefHandle<CNodeState> state(new CNodeState(CName("Pulse")));
    CRefHandle<KeyFrame> key = timedKey(100, true);
    state->addKey(key.get());
    state->addEndKey(tintKey(0x44444444).get());
    ASSERT_TRUE(f.node->addState(state.get()));
    state->start(f.scene->scheduler.get(), CName());
    runScheduler(f.scene->scheduler.get(), 60, 3);
    EXPECT_THAT(f.node->events, ElementsAre("75:Pulse", "74:looped", "76:Pulse"));
    EXPECT_FALSE(state->isEndApplied());
    EXPECT_EQ(key->getScheduler(), f.scene->scheduler.get());
    runScheduler(f.scene->scheduler.get(), 60, 5);
    EXPECT_EQ(f.node->events.size(), 3u) << "a key reports once per start";
    state->stop(false);
    EXPECT_EQ(f.node->getTintColor().value, 0x44444444u);
    EXPECT_EQ(key->getScheduler(), nullptr);
}

TEST(CNodeState, CloneCopiesTheKeysForAnotherNode) {
    CRefHandle<CNodeState> show = readState(kShowState);
    CRefHandle<CNodeState> copy = show->clone();
    EXPECT_EQ(copy->getName(), CName("Show"));
    EXPECT_EQ(copy->getNextState(), CName("Idle"));
    EXPECT_EQ(copy->getNode(), nullptr);
    ASSERT_EQ(copy->getKeys().size(), 1u);
    EXPECT_NE(copy->getKeys()[0], show->getKeys()[0]);
    EXPECT_EQ(copy->getKeys()[0]->getListener(), copy.get());
    EXPECT_EQ(writeState(copy.get()), kShowState);
    CRefHandle<RecordingNode> node(new RecordingNode("node"));
    copy->setNode(node.get());
    EXPECT_EQ(copy->getEndKeys()[0]->getTarget(), node.get());
}
