#include "engine/scene/SetStates.h"

#include "engine/core/CStringW.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/scene/CNodeState.h"
#include "tests/engine/scene/NodeTestSupport.h"
#include "tests/engine/scene/PropertyTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

using ::testing::ElementsAre;

namespace {

CRefHandle<SetStates> loadKey(const std::string& xml) {
    CRefHandle<SetStates> key(new SetStates());
    CRefHandle<CXmlStreamReader> reader = readerAtFirstElement(xml);
    key->load(reader.get(), nullptr, CStringW(u"Animator"));
    return key;
}

std::vector<std::string> names(const CArray<CName>& list) {
    std::vector<std::string> out;
    for (CName name : list)
        out.push_back(name.str().c_str());
    return out;
}

} // namespace

TEST(SetStates, ReadsRecordsWithTrimmedChildNames) {
    CRefHandle<SetStates> key = loadKey("<Animator Type=\"SetStates\">"
                                        "<State Name=\"Hide\" Children=\" Arrow ;; Glow;\" />"
                                        "<State Name=\"\" Children=\"Lost\" />"
                                        "<State Children=\"Lost\" />"
                                        "<State Name=\"Show\" />"
                                        "</Animator>");
    const CArray<SetStates::Record>& records = key->getRecords();
    ASSERT_EQ(records.size(), 2u) << "records without a state are dropped";
    EXPECT_EQ(records[0].state, CName("Hide"));
    EXPECT_THAT(names(records[0].children), ElementsAre("Arrow", "Glow"));
    EXPECT_EQ(records[1].state, CName("Show"));
    EXPECT_TRUE(records[1].children.empty());

    const std::string written =
        writtenXml([&key](CXmlStreamWriter* writer) { key->save(writer, CStringW(u"Animator")); });
    EXPECT_EQ(written, "<Animator Type=\"SetStates\">\r\n"
                       "\t<State Name=\"Hide\" Children=\"Arrow;Glow\" />\r\n"
                       "\t<State Name=\"Show\" Children=\"\" />\r\n"
                       "</Animator>\r\n");
    CRefHandle<SetStates> again = loadKey(written);
    ASSERT_EQ(again->getRecords().size(), 2u);
    EXPECT_TRUE(again->getRecords()[1].children.empty());
    CRefHandle<Animator> copy = key->clone();
    EXPECT_EQ(writtenXml([&copy](CXmlStreamWriter* writer) { copy->save(writer, CStringW(u"Animator")); }), written);
}

TEST(SetStates, SetsNamedDescendantsOrAppliesToTheChildren) {
    CRefHandle<RecordingNode> root(new RecordingNode("root"));
    CRefHandle<RecordingNode> panel(new RecordingNode("Panel", root.get()));
    CRefHandle<RecordingNode> arrow(new RecordingNode("Arrow", panel.get()));
    CRefHandle<RecordingNode> other(new RecordingNode("Other", root.get()));
    for (RecordingNode* node : {panel.get(), arrow.get(), other.get()})
        ASSERT_TRUE(node->addState(CRefHandle<CNodeState>(new CNodeState(CName("Hide"))).get()));

    CRefHandle<SetStates> named = loadKey("<Animator Type=\"SetStates\">"
                                          "<State Name=\"Hide\" Children=\"Missing;Arrow\" /></Animator>");
    named->setTarget(root.get());
    named->apply(0, true);
    EXPECT_EQ(arrow->getCurrentState(), arrow->findState(CName("Hide")));
    EXPECT_EQ(panel->getCurrentState(), nullptr);
    EXPECT_EQ(other->getCurrentState(), nullptr);

    CRefHandle<SetStates> all = loadKey("<Animator Type=\"SetStates\"><State Name=\"Hide\" /></Animator>");
    all->setTarget(root.get());
    all->apply(0, true);
    EXPECT_EQ(panel->getCurrentState(), panel->findState(CName("Hide")));
    EXPECT_EQ(other->getCurrentState(), other->findState(CName("Hide")));
    EXPECT_EQ(root->events.front(), "81:root:Hide");

    // On a node without children the state is reported applied and completed at once.
    all->setTarget(arrow.get());
    arrow->events.clear();
    all->apply(0, true);
    EXPECT_THAT(arrow->events, ElementsAre("81:Arrow:Hide", "83:Arrow:Hide"));
}
