#include "engine/scene/KeyFrame.h"

#include "engine/core/CStringW.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/scene/CEventKeyFinished.h"
#include "engine/scene/CNodeState.h"
#include "engine/scene/CPropertyBag.h"
#include "tests/engine/scene/NodeTestSupport.h"
#include "tests/engine/scene/PropertyTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <set>
#include <string>
#include <vector>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

CRefHandle<KeyFrame> loadKey(const std::string& xml) {
    CRefHandle<KeyFrame> key(new KeyFrame());
    CRefHandle<CXmlStreamReader> reader = readerAtFirstElement(xml);
    key->load(reader.get(), nullptr, CStringW(u"Animator"));
    return key;
}

// Keys over Position (x only) and Visible.
std::string positionKeys(const std::string& attributes, const std::string& keys) {
    return "<Animator Type=\"KeyFrame\"" + attributes +
           "><Properties><vector3d Name=\"Position\" Value=\"0;0;0\" /><bool Name=\"Visible\" Value=\"true\" />"
           "</Properties>" +
           keys + "</Animator>";
}

// A key driving a node inside a scene, held by a state of the node so that
// its reports reach the node's event log.
struct KeyFixture {
    explicit KeyFixture(const CRefHandle<KeyFrame>& animation) : key(animation) {
        scene->setSceneManager(nullptr, scene.get());
        scene->addChild(node.get());
        state->addKey(key.get());
        EXPECT_TRUE(node->addState(state.get()));
    }
    void start() {
        key->apply(0, true);
        static_cast<void>(key->start(scene->scheduler.get()));
    }
    [[nodiscard]] float x() const { return node->getPosition().x; }
    void run(uint32_t elapsed, int steps = 1) { runScheduler(scene->scheduler.get(), elapsed, steps); }
    [[nodiscard]] std::vector<std::string> reports() const {
        std::vector<std::string> out;
        for (const std::string& line : node->events)
            if (line.rfind("74", 0) == 0)
                out.push_back(line);
        return out;
    }

    CRefHandle<KeyFrame> key;
    CRefHandle<TestScene> scene{new TestScene()};
    CRefHandle<RecordingNode> node{new RecordingNode("node")};
    CRefHandle<CNodeState> state{new CNodeState(CName("Run"))};
};

const char* const kThreeKeys = "<KeyFrame t=\"0\" Value0=\"0;0;0\" Value1=\"true\" />"
                               "<KeyFrame t=\"1000\" i=\"0\" Value0=\"100;0;0\" Value1=\"true\" />"
                               "<KeyFrame t=\"1000\" i=\"0\" Value0=\"300;0;0\" Value1=\"false\" />";

} // namespace

TEST(KeyFrame, InterpolatesSegmentsAndReportsAtTheEnd) {
    KeyFixture f(loadKey(positionKeys("", kThreeKeys)));
    EXPECT_EQ(f.key->getDuration(), 2000);
    f.start();
    EXPECT_FLOAT_EQ(f.x(), 0.0f);
    f.run(500);
    EXPECT_FLOAT_EQ(f.x(), 50.0f);
    EXPECT_FLOAT_EQ(f.key->getTime(), 500.0f);
    f.run(1000);
    EXPECT_FLOAT_EQ(f.x(), 200.0f);
    EXPECT_TRUE(f.node->isVisible()) << "a bool switches only at the end of its segment";
    EXPECT_THAT(f.reports(), IsEmpty());
    f.run(500);
    EXPECT_FLOAT_EQ(f.x(), 300.0f);
    EXPECT_FALSE(f.node->isVisible());
    EXPECT_THAT(f.reports(), ElementsAre("74:end"));
    EXPECT_EQ(f.key->getScheduler(), nullptr);
    f.run(500);
    EXPECT_EQ(f.reports().size(), 1u);
}

TEST(KeyFrame, BackwardJumpLoopsAndReportsOnce) {
    const std::string keys = "<KeyFrame t=\"0\" Value0=\"0;0;0\" />"
                             "<KeyFrame t=\"1000\" i=\"0\" Value0=\"100;0;0\" />"
                             "<KeyFrame t=\"1000\" i=\"0\" g=\"0\" Value0=\"300;0;0\" />";
    KeyFixture f(loadKey(positionKeys("", keys)));
    f.start();
    f.run(1900);
    EXPECT_FLOAT_EQ(f.x(), 280.0f);
    f.run(200);
    EXPECT_THAT(f.reports(), ElementsAre("74:looped"));
    EXPECT_FLOAT_EQ(f.x(), 10.0f) << "100 ms into the first segment again";
    EXPECT_EQ(f.key->getScheduler(), f.scene->scheduler.get());
    f.run(150, 40);
    EXPECT_EQ(f.reports().size(), 1u);
    EXPECT_EQ(f.key->getScheduler(), f.scene->scheduler.get());
}

TEST(KeyFrame, HoldSegmentKeepsTheValueThenJumps) {
    const std::string keys = "<KeyFrame t=\"0\" Value0=\"0;0;0\" />"
                             "<KeyFrame t=\"1000\" Value0=\"100;0;0\" />"
                             "<KeyFrame t=\"1000\" i=\"0\" Value0=\"300;0;0\" />";
    KeyFixture f(loadKey(positionKeys(" Period=\"1\"", keys)));
    f.start();
    f.run(999);
    EXPECT_FLOAT_EQ(f.x(), 0.0f);
    f.run(1);
    EXPECT_FLOAT_EQ(f.x(), 100.0f);
    f.run(500);
    EXPECT_FLOAT_EQ(f.x(), 200.0f);
}

TEST(KeyFrame, LongUpdateLandsInTheRightSegment) {
    const std::string keys = "<KeyFrame t=\"0\" Value0=\"0;0;0\" />"
                             "<KeyFrame t=\"100\" i=\"0\" Value0=\"10;0;0\" />"
                             "<KeyFrame t=\"100\" i=\"0\" Value0=\"20;0;0\" />"
                             "<KeyFrame t=\"100\" i=\"0\" Value0=\"30;0;0\" />"
                             "<KeyFrame t=\"100\" i=\"0\" Value0=\"40;0;0\" />";
    KeyFixture f(loadKey(positionKeys("", keys)));
    f.start();
    f.run(250);
    EXPECT_FLOAT_EQ(f.x(), 25.0f);
    EXPECT_EQ(f.key->getCurrentIndex(), 2u);
    EXPECT_FLOAT_EQ(f.key->getTime(), 250.0f);
}

TEST(KeyFrame, EasedSegmentFollowsItsCurve) {
    // Curve 1 (quadratic in) at a quarter of the way: a sixteenth of the change.
    const std::string keys = "<KeyFrame t=\"0\" Value0=\"0;0;0\" />"
                             "<KeyFrame t=\"400\" i=\"1\" Value0=\"160;0;0\" />";
    KeyFixture f(loadKey(positionKeys("", keys)));
    f.start();
    f.run(100);
    EXPECT_FLOAT_EQ(f.x(), 10.0f);
}

TEST(KeyFrame, TimeShiftStartsPartWayOrAtARandomTime) {
    KeyFixture shifted(loadKey(positionKeys(" TimeShift=\"500\"", kThreeKeys)));
    shifted.start();
    EXPECT_FLOAT_EQ(shifted.x(), 50.0f);
    shifted.key->apply(1500, true);
    EXPECT_FLOAT_EQ(shifted.x(), 200.0f) << "an explicit time is taken as it is";

    KeyFixture randomised(loadKey(positionKeys(" TimeShift=\"-1\"", kThreeKeys)));
    std::set<float> starts;
    for (int i = 0; i < 200; ++i) {
        randomised.key->apply(0, false);
        const float start = randomised.key->getTime();
        EXPECT_GE(start, 1.0f);
        EXPECT_LE(start, 2000.0f);
        EXPECT_EQ(start, float(int(start))) << "whole milliseconds";
        starts.insert(start);
    }
    EXPECT_GT(starts.size(), 100u);
}

TEST(KeyFrame, LoadReadsTimingAndValuesAndChecksThem) {
    const std::string keys = "<KeyFrame t=\"0\" i=\"31\" Value0=\"1;2;3\" />"
                             "<KeyFrame t=\"-50\" i=\"30\" g=\"7\" Value1=\"false\" />"
                             "<KeyFrame t=\"20\" i=\"-2\" g=\"0\" Value0=\"4;5;6\" Value1=\"true\" />";
    CRefHandle<KeyFrame> key = loadKey(positionKeys(" Period=\"40\" TimeShift=\"-5\"", keys));
    EXPECT_EQ(key->getPeriod(), 40);
    EXPECT_EQ(key->getUpdateInterval(), 40u);
    EXPECT_EQ(key->getTimeShift(), -5);
    const CArray<KeyFrame::Key>& records = key->getKeys();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].i, -1) << "easing 31 does not exist";
    EXPECT_EQ(records[1].t, 0) << "a negative length reads as 0";
    EXPECT_EQ(records[1].i, 30);
    EXPECT_EQ(records[1].g, -1) << "a jump to a missing key is dropped";
    EXPECT_EQ(records[2].i, -1);
    EXPECT_EQ(records[2].g, 0);
    ASSERT_EQ(records[1].values.size(), 2u);
    CString text;
    records[1].values[0]->toString(text);
    EXPECT_EQ(text, CString("0;0;0")) << "a missing value reads as the kind's zero";
}

TEST(KeyFrame, JumpBackOverZeroTimeEnds) {
    const std::string keys = "<KeyFrame t=\"0\" Value0=\"1;0;0\" />"
                             "<KeyFrame t=\"0\" i=\"0\" Value0=\"2;0;0\" />"
                             "<KeyFrame t=\"0\" i=\"0\" g=\"0\" Value0=\"3;0;0\" />";
    KeyFixture f(loadKey(positionKeys("", keys)));
    f.start();
    f.run(20);
    EXPECT_THAT(f.reports(), ElementsAre("74:looped"));

    // A cycle that does take time drops whole cycles at once.
    const std::string timed = "<KeyFrame t=\"0\" Value0=\"0;0;0\" />"
                              "<KeyFrame t=\"1\" i=\"0\" Value0=\"10;0;0\" />"
                              "<KeyFrame t=\"1\" i=\"0\" g=\"1\" Value0=\"20;0;0\" />";
    KeyFixture fast(loadKey(positionKeys("", timed)));
    fast.start();
    fast.key->setSpeed(1e6f);
    fast.run(200000);
    EXPECT_THAT(fast.reports(), ElementsAre("74:looped"));
    EXPECT_LT(fast.key->getCurrentTime(), 1.0f);
}

TEST(KeyFrame, SaveWritesEveryKeyAndOnlyNonDefaultTiming) {
    const std::string timingOnly = "<Animator Type=\"KeyFrame\" Name=\"Wait\">\r\n"
                                   "\t<KeyFrame t=\"0\" />\r\n"
                                   "\t<KeyFrame t=\"750\" />\r\n"
                                   "</Animator>\r\n";
    CRefHandle<KeyFrame> wait = loadKey(timingOnly);
    wait->setName(CName("Wait"));
    const std::string written =
        writtenXml([&wait](CXmlStreamWriter* writer) { wait->save(writer, CStringW(u"Animator")); });
    EXPECT_EQ(written, timingOnly);
    EXPECT_EQ(loadKey(written)->getDuration(), 750) << "a key that only times keeps its length";

    const std::string full = "<EndAnimator Type=\"KeyFrame\" Period=\"40\" TimeShift=\"-1\">\r\n"
                             "\t<Properties>\r\n"
                             "\t\t<vector3d Name=\"Position\" Value=\"0;0;0\" />\r\n"
                             "\t\t<bool Name=\"Visible\" Value=\"true\" />\r\n"
                             "\t</Properties>\r\n"
                             "\t<KeyFrame t=\"0\" Value0=\"1;2;3\" Value1=\"true\" />\r\n"
                             "\t<KeyFrame t=\"20\" g=\"0\" i=\"5\" Value0=\"4;5;6\" Value1=\"false\" />\r\n"
                             "</EndAnimator>\r\n";
    CRefHandle<KeyFrame> key(new KeyFrame());
    CRefHandle<CXmlStreamReader> reader = readerAtFirstElement(full);
    key->load(reader.get(), nullptr, CStringW(u"EndAnimator"));
    EXPECT_EQ(writtenXml([&key](CXmlStreamWriter* writer) { key->save(writer, CStringW(u"EndAnimator")); }), full);
    CRefHandle<Animator> copy = key->clone();
    EXPECT_EQ(writtenXml([&copy](CXmlStreamWriter* writer) { copy->save(writer, CStringW(u"EndAnimator")); }), full);
}

TEST(KeyFrame, NamesTheTargetLacksAreSkipped) {
    const std::string xml = "<Animator Type=\"KeyFrame\"><Properties><float Name=\"Wobble\" Value=\"0\" />"
                            "<vector3d Name=\"Position\" Value=\"0;0;0\" /></Properties>"
                            "<KeyFrame t=\"0\" Value0=\"1\" Value1=\"0;0;0\" />"
                            "<KeyFrame t=\"100\" i=\"0\" Value0=\"2\" Value1=\"8;0;0\" /></Animator>";
    KeyFixture f(loadKey(xml));
    f.start();
    f.run(50);
    EXPECT_FLOAT_EQ(f.x(), 4.0f);
    EXPECT_EQ(f.key->getTarget(), f.node.get());
}

TEST(KeyFrame, TimeShiftAtTheIntegerLimitSaturatesTheReportedTime) {
    // A node that keeps the time of each report it hears.
    class TimingNode : public RecordingNode {
    public:
        TimingNode() : RecordingNode("node") {}
        bool handleEvent(CEvent* event) override {
            if (event->getType() == CEventKeyFinished::TypeId)
                times.push_back(static_cast<CEventKeyFinished*>(event)->getTime());
            return RecordingNode::handleEvent(event);
        }
        std::vector<int32_t> times;
    };
    const std::string keys = "<KeyFrame t=\"0\" Value0=\"0;0;0\" Value1=\"true\" />"
                             "<KeyFrame t=\"10\" i=\"0\" Value0=\"100;0;0\" Value1=\"true\" />";
    CRefHandle<KeyFrame> key = loadKey(positionKeys(" TimeShift=\"2147483647\"", keys));
    CRefHandle<TestScene> scene(new TestScene());
    scene->setSceneManager(nullptr, scene.get());
    CRefHandle<TimingNode> node(new TimingNode());
    scene->addChild(node.get());
    CRefHandle<CNodeState> state(new CNodeState(CName("Run")));
    state->addKey(key.get());
    ASSERT_TRUE(node->addState(state.get()));

    key->apply(0, true);
    EXPECT_FLOAT_EQ(node->getPosition().x, 100.0f) << "the start lies past the last key";
    ASSERT_TRUE(key->start(scene->scheduler.get()));
    runScheduler(scene->scheduler.get(), 20);
    EXPECT_THAT(node->times, ElementsAre(std::numeric_limits<int32_t>::max()));
    EXPECT_EQ(key->getScheduler(), nullptr);
}

TEST(KeyFrame, PropertiesOfAnUnregisteredTypeAreDroppedSoASaveReadsBackTheSame) {
    const std::string xml = "<Animator Type=\"KeyFrame\"><Properties>"
                            "<vector4d Name=\"Skew\" Value=\"1;2;3;4\" />"
                            "<vector3d Name=\"Position\" Value=\"0;0;0\" /></Properties>"
                            "<KeyFrame t=\"0\" Value0=\"9;9;9;9\" Value1=\"1;2;3\" />"
                            "<KeyFrame t=\"100\" i=\"0\" Value0=\"8;8;8;8\" Value1=\"4;5;6\" /></Animator>";
    const std::string expected = "<Animator Type=\"KeyFrame\">\r\n"
                                 "\t<Properties>\r\n"
                                 "\t\t<vector3d Name=\"Position\" Value=\"0;0;0\" />\r\n"
                                 "\t</Properties>\r\n"
                                 "\t<KeyFrame t=\"0\" Value0=\"1;2;3\" />\r\n"
                                 "\t<KeyFrame t=\"100\" i=\"0\" Value0=\"4;5;6\" />\r\n"
                                 "</Animator>\r\n";
    CRefHandle<KeyFrame> key = loadKey(xml);
    ASSERT_EQ(key->getProperties()->getCount(), 1);
    EXPECT_EQ(key->getProperties()->getNameAt(0), CString("Position"));
    const auto save = [](const CRefHandle<KeyFrame>& k) {
        return writtenXml([&k](CXmlStreamWriter* writer) { k->save(writer, CStringW(u"Animator")); });
    };
    const std::string first = save(key);
    EXPECT_EQ(first, expected) << "each value keeps the number of its property";
    EXPECT_EQ(save(loadKey(first)), first);

    KeyFixture f(key);
    f.start();
    EXPECT_FLOAT_EQ(f.x(), 1.0f);
    f.run(50);
    EXPECT_FLOAT_EQ(f.x(), 2.5f) << "the values drive the property they belong to";
}

TEST(KeyFrame, CloneLoopsLikeItsSource) {
    const std::string keys = "<KeyFrame t=\"0\" Value0=\"0;0;0\" />"
                             "<KeyFrame t=\"10\" i=\"0\" Value0=\"10;0;0\" />"
                             "<KeyFrame t=\"10\" i=\"0\" g=\"1\" Value0=\"20;0;0\" />";
    CRefHandle<Animator> copy = loadKey(positionKeys("", keys))->clone();
    KeyFixture f(CRefHandle<KeyFrame>(static_cast<KeyFrame*>(copy.detach())));
    f.start();
    f.run(10005);
    EXPECT_THAT(f.reports(), ElementsAre("74:looped"));
    EXPECT_LT(f.key->getCurrentTime(), 10.0f);
}
