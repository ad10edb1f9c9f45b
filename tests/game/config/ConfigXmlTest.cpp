#include "game/config/ConfigXml.h"

#include "tests/game/config/ConfigTestSupport.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The names of the elements readChildElements offers for the element `at`.
std::vector<std::string> childNames(const char* text, const char16_t* at, bool* reachedEnd = nullptr) {
    CRefHandle<CXmlStreamReader> reader = xmlReaderAt(text, at);
    std::vector<std::string> names;
    const bool ended =
        readChildElements(*reader, at, [&](CXmlStreamReader& r) { names.push_back(elementName(r).str().c_str()); });
    if (reachedEnd)
        *reachedEnd = ended;
    return names;
}

} // namespace

TEST(ConfigXml, ChildrenStopAtTheOwnEndElement) {
    bool ended = false;
    EXPECT_EQ(childNames("<R><G><A/><B><C/></B></G><D/></R>", u"G", &ended), (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_TRUE(ended);
}

TEST(ConfigXml, SelfClosingElementHasNoChildrenAndLeavesItsSiblings) {
    CRefHandle<CXmlStreamReader> reader = xmlReaderAt("<R><G/><A/><B/></R>", u"G");
    int offered = 0;
    EXPECT_TRUE(readChildElements(*reader, u"G", [&](CXmlStreamReader&) { ++offered; }));
    EXPECT_EQ(offered, 0);
    // The sibling after the empty element is still there for the caller.
    ASSERT_TRUE(reader->readNext());
    EXPECT_TRUE(isStartElement(*reader, u"A"));
}

TEST(ConfigXml, DocumentCutShortIsReportedOnceAndKeepsWhatWasRead) {
    LogCapture log;
    CRefHandle<CXmlStreamReader> reader = xmlReader("<Root><A/><B/>");
    int offered = 0;
    EXPECT_FALSE(readConfigDocument(*reader, u"Root", [&](CXmlStreamReader&) { ++offered; }));
    EXPECT_EQ(offered, 3); // Root, A, B
    EXPECT_EQ(log.count("Configuration cut short"), 1u);
    EXPECT_TRUE(log.contains("Root"));
}

TEST(ConfigXml, SelfClosingRootIsAWholeEmptyDocument) {
    LogCapture log;
    CRefHandle<CXmlStreamReader> reader = xmlReader("<?xml version=\"1.0\"?><Root/>");
    int offered = 0;
    EXPECT_TRUE(readConfigDocument(*reader, u"Root", [&](CXmlStreamReader&) { ++offered; }));
    EXPECT_EQ(offered, 1);
    EXPECT_TRUE(log.lines().empty());
    // An empty element of another name is no root of ours: the document
    // still ends without the root's end element.
    reader = xmlReader("<Other/>");
    EXPECT_FALSE(readConfigDocument(*reader, u"Root", [](CXmlStreamReader&) {}));
    EXPECT_EQ(log.count("Configuration cut short"), 1u);
}

TEST(ConfigXml, ValuesOfTheValueAttribute) {
    CRefHandle<CXmlStreamReader> reader = xmlReaderAt(R"(<X Value="15000,30000" Other=" a; ;b ;"/>)", u"X");
    EXPECT_EQ(valueInt(*reader), 15000); // the integer prefix
    EXPECT_EQ(valueIntRange(*reader), (GIntRange{15000, 30000}));
    EXPECT_EQ(attributeNames(*reader, "Other").size(), 2u);
    EXPECT_EQ(attributeNames(*reader, "Other")[1], CName("b"));

    CRefHandle<CXmlStreamReader> missing = xmlReaderAt("<X/>", u"X");
    EXPECT_EQ(valueInt(*missing), 0);
    EXPECT_EQ(valueFloat(*missing), 0.0f);
    EXPECT_TRUE(valueName(*missing).empty());
    EXPECT_FALSE(valueIsTrue(*missing));
    EXPECT_EQ(valueIntRange(*missing), (GIntRange{0, 0}));
    EXPECT_EQ(valueNames(*missing).size(), 0u);
}

TEST(ConfigXml, TruthIsTheExactTextTrue) {
    const struct {
        const char* text;
        bool expected;
    } cases[] = {{R"(<X Value="true"/>)", true},
                 {R"(<X Value="True"/>)", false},
                 {R"(<X Value="1"/>)", false},
                 {R"(<X Value="true "/>)", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(valueIsTrue(*xmlReaderAt(c.text, u"X")), c.expected);
    }
}

TEST(ConfigXml, SplitTextKeepsEmptyPieces) {
    const struct {
        const char16_t* text;
        std::vector<std::u16string> pieces;
    } cases[] = {
        {u"a;b", {u"a", u"b"}},
        {u"a;b;", {u"a", u"b", u""}},
        {u"", {u""}},
        {u";;", {u"", u"", u""}},
    };
    for (const auto& c : cases) {
        const CArray<CStringW> pieces = splitText(CStringW(c.text), u';');
        std::vector<std::u16string> got;
        for (const CStringW& piece : pieces)
            got.emplace_back(piece.view());
        EXPECT_EQ(got, c.pieces);
    }
}

TEST(ConfigXml, RangesWrittenTheWrongWayRoundGiveTheirMinimum) {
    EXPECT_EQ(drawFromRange(GIntRange{9, 3}), 9);
    EXPECT_EQ(drawFromRange(GIntRange{5, 5}), 5);
    EXPECT_EQ(drawFromRange(GFloatRange{0.5f, 0.2f}), 0.5f);
    bool sawLow = false, sawHigh = false;
    for (int draw = 0; draw < 200; ++draw) {
        const int value = drawFromRange(GIntRange{1, 3});
        EXPECT_GE(value, 1);
        EXPECT_LE(value, 3);
        sawLow |= value == 1;
        sawHigh |= value == 3;
        const float share = drawFromRange(GFloatRange{0.1f, 0.3f});
        EXPECT_GE(share, 0.1f);
        EXPECT_LT(share, 0.3f);
    }
    EXPECT_TRUE(sawLow && sawHigh);
}
