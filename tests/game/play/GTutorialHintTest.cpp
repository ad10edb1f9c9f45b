#include "game/play/GTutorialHint.h"

#include "engine/core/CRefHandle.h"
#include "engine/io/CXmlStreamReader.h"
#include "game/play/GTutorialActions.h"
#include "game/play/GTutorialHintList.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

CRefHandle<GTutorialHintList> readTutorial(const std::string& text) {
    CRefHandle<CXmlStreamReader> reader(new CXmlStreamReader(text.data(), text.size()));
    CRefHandle<GTutorialHintList> hints(new GTutorialHintList);
    hints->read(*reader);
    return hints;
}

CRefHandle<GTutorialHint> readHint(const std::string& body, const std::string& attributes = "") {
    CRefHandle<GTutorialHintList> hints =
        readTutorial("<Tutorial><Hint " + attributes + ">" + body + "</Hint></Tutorial>");
    EXPECT_EQ(hints->size(), 1u);
    return CRefHandle<GTutorialHint>::share(hints->size() ? hints->get(0) : nullptr);
}

std::vector<int> toVector(const CArray<int>& values) { return {values.begin(), values.end()}; }

std::vector<std::string> toStrings(const CArray<CName>& names) {
    std::vector<std::string> out;
    for (CName name : names)
        out.emplace_back(name.str().c_str());
    return out;
}

void expectVector(const CVector3d& v, float x, float y, float z) {
    EXPECT_FLOAT_EQ(v.x, x);
    EXPECT_FLOAT_EQ(v.y, y);
    EXPECT_FLOAT_EQ(v.z, z);
}

} // namespace

TEST(GTutorialHint, AFileWithEveryActionKindLoadsEachWithItsValues) {
    const std::vector<uint8_t> bytes =
        readAllBytes(std::filesystem::path(BM_SOURCE_DIR) / "tests/game/play/data/EveryAction.xml");
    ASSERT_FALSE(bytes.empty());
    CRefHandle<GTutorialHintList> hints =
        readTutorial(std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    ASSERT_EQ(hints->size(), 2u);
    const GTutorialHint& hint = *hints->get(0);
    EXPECT_TRUE(hint.Tip && hint.MessageBox && hint.Gertruda && hint.Quest && hint.Darkening);
    EXPECT_EQ(hint.Text, CStringW(u"%Tut_Welcome%"));
    EXPECT_EQ(hint.TextQuest, CStringW(u"%Tut_Quest%"));
    EXPECT_EQ(hint.ImageFilename, CString("images/Hint.png"));
    expectVector(hint.Position, 100, 200, 0);
    expectVector(hint.PositionQuest, 300, 400, 5);
    EXPECT_EQ(hint.TextBgType, 2);
    expectVector(hint.TextPosition, 10, 20, 5);
    expectVector(hint.TextPositionQuest, -5, 0, 0);
    EXPECT_EQ(hint.GertrudaState, CStringW(u"Happy"));
    EXPECT_EQ(hint.GertrudaAlign, CStringW(u"Left"));

    // Every kind of the format, in the file's order, each of its own class.
    const CArray<const char*>& kinds = tutorialActionTypes();
    ASSERT_EQ(hint.Actions.size(), kinds.size());
    for (uint32_t i = 0; i < kinds.size(); ++i)
        EXPECT_STREQ(hint.Actions[i]->typeName(), kinds[i]);

    auto* timed = dynamic_cast<GTutorialActionTimed*>(hint.Actions[0].get());
    ASSERT_NE(timed, nullptr);
    EXPECT_EQ(timed->getRemaining(), 3000);
    auto* press = dynamic_cast<GTutorialActionBuildingPress*>(hint.Actions[2].get());
    ASSERT_NE(press, nullptr);
    EXPECT_EQ(toStrings(press->getBuildingTypes()), (std::vector<std::string>{"Cottage1", "Mill1"}));
    EXPECT_EQ(toStrings(press->getPlaces()), (std::vector<std::string>{"Place3"}));
    auto* controls = dynamic_cast<GTutorialActionControlPress*>(hint.Actions[3].get());
    ASSERT_NE(controls, nullptr);
    EXPECT_EQ(toStrings(controls->getControls()), (std::vector<std::string>{"BuildButton", "HireButton"}));
    EXPECT_EQ(controls->kind(), GTutorialAction::KindControlPress);
    auto* list = dynamic_cast<GTutorialActionListItemPress*>(hint.Actions[4].get());
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->getList(), CName("BuildList"));
    EXPECT_EQ(toVector(list->getIndices()), (std::vector<int>{1, 3, -2}));
    EXPECT_EQ(list->kind(), GTutorialAction::KindListItemPress);
    auto* hovered = dynamic_cast<GTutorialActionListItemHovered*>(hint.Actions[5].get());
    ASSERT_NE(hovered, nullptr);
    EXPECT_EQ(toVector(hovered->getIndices()), (std::vector<int>{2}));
    EXPECT_EQ(hovered->kind(), 0);
    auto* group = dynamic_cast<GTutorialActionObjectivesGroupCompleted*>(hint.Actions[21].get());
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->getGroupIndex(), 1);

    // Arrows: angles brought into 0 to 360, 360 kept.
    ASSERT_EQ(hint.Arrows.size(), 4u);
    expectVector(hint.Arrows[0].Position, 10, 20, 0);
    expectVector(hint.Arrows[0].Rotation, 0, 0, 270);
    expectVector(hint.Arrows[1].Position, 30, 40, 7);
    expectVector(hint.Arrows[1].Rotation, 0, 0, 5);
    expectVector(hint.Arrows[2].Position, 0, 0, 0);
    expectVector(hint.Arrows[2].Rotation, 0, 0, 360);
    expectVector(hint.Arrows[3].Rotation, 0, 0, 0);

    // Flags are true only for the exact text "true".
    const GTutorialHint& second = *hints->get(1);
    EXPECT_FALSE(second.Tip);
    EXPECT_FALSE(second.MessageBox);
    EXPECT_EQ(second.Text, CStringW(u"Second"));
    EXPECT_TRUE(second.Actions.empty());
}

TEST(GTutorialHint, AHintWithoutValuesKeepsTheDefaults) {
    CRefHandle<GTutorialHint> hint = readHint("");
    ASSERT_TRUE(hint);
    EXPECT_FALSE(hint->Tip || hint->MessageBox || hint->Gertruda || hint->Quest || hint->Darkening);
    expectVector(hint->Position, 570, 516, 0);
    expectVector(hint->PositionQuest, 0, 0, 0);
    expectVector(hint->TextPosition, 0, 0, 0);
    EXPECT_EQ(hint->TextBgType, 0);
    EXPECT_TRUE(hint->Text.empty());
    EXPECT_TRUE(hint->GertrudaAlign.empty());
    EXPECT_TRUE(hint->Actions.empty());
    EXPECT_TRUE(hint->Arrows.empty());
}

TEST(GTutorialHint, VectorsReadTwoOrThreeNumbersWithAnySeparator) {
    const struct {
        const char16_t* text;
        float x, y, z;
    } cases[] = {
        {u"100;200", 100, 200, 0},
        {u"-5", -5, 0, 0},
        {u"", 0, 0, 0},
        {u"1.5;-2.25;3", 1.5f, -2.25f, 3},
        {u"x=4, y=5", 4, 5, 0},
        {u"1e2 2E-1", 100, 0.2f, 0},
        {u"1;2;3;4", 1, 2, 3},
        {u"- 7", 0, 7, 0},
        {u"3e;4", 3, 4, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(CString(CStringW(c.text)).c_str()));
        expectVector(parseTutorialVector(CStringW(c.text)), c.x, c.y, c.z);
    }
}

TEST(GTutorialHint, ArrowAnglesComeWithinAFullTurn) {
    const struct {
        float in, out;
    } cases[] = {{-90, 270}, {725, 5},  {360, 360},      {720, 360},       {1080, 360},
                 {0, 0},     {-720, 0}, {-0.5f, 359.5f}, {359.5f, 359.5f}, {1e30f, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        const float out = normaliseArrowAngle(c.in);
        EXPECT_GE(out, 0.0f);
        EXPECT_LE(out, 360.0f);
        if (c.in != 1e30f) {
            EXPECT_FLOAT_EQ(out, c.out);
        }
    }
}

TEST(GTutorialHint, IndexListsTruncateEveryNumberTheyHold) {
    const struct {
        const char16_t* text;
        std::vector<int> values;
    } cases[] = {
        {u"1, 3;x-2", {1, 3, -2}}, {u"2.7", {2}}, {u"", {}}, {u"-2.9;abc", {-2}}, {u"99999999999", {2147483647}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(CString(CStringW(c.text)).c_str()));
        EXPECT_EQ(toVector(parseTutorialIntList(CStringW(c.text))), c.values);
    }
}

TEST(GTutorialHint, ValuesAreFoundAtAnyDepthAndTheLastOneWins) {
    CRefHandle<GTutorialHint> hint = readHint(R"(<Extra><Deeper><Text Value="Nested"/></Deeper></Extra>
        <Position Value="1;2"/><Position Value="3;4"/>)");
    ASSERT_TRUE(hint);
    EXPECT_EQ(hint->Text, CStringW(u"Nested"));
    expectVector(hint->Position, 3, 4, 0);
}

TEST(GTutorialHint, AnUnknownActionIsSkippedWithOneLogLineAndTheHintReadsOn) {
    LogCapture log;
    CRefHandle<GTutorialHint> hint = readHint(R"(<Actions>
          <Action Type="MouseClick"/>
          <Action Type="mouseclick"><Text Value="Inside"/></Action>
          <Action Type="Timed" Time="5"/>
        </Actions>
        <Text Value="After"/>)");
    ASSERT_TRUE(hint);
    ASSERT_EQ(hint->Actions.size(), 2u);
    EXPECT_STREQ(hint->Actions[0]->typeName(), "MouseClick");
    EXPECT_STREQ(hint->Actions[1]->typeName(), "Timed");
    EXPECT_EQ(log.count("Unknown tutorial action type, skipped: mouseclick"), 1u);
    EXPECT_EQ(hint->Text, CStringW(u"After"));
}

TEST(GTutorialHint, ElementsWrittenWithoutEndTakeNothingFromWhatFollows) {
    CRefHandle<GTutorialHintList> hints = readTutorial(R"(<Tutorial>
        <Hint Tip="true"/>
        <Hint><Actions/><Arrows/><Text Value="Two"/><Actions><Action Type="MouseClick"/></Actions></Hint>
        <Hint><Text Value="Three"/></Hint>
      </Tutorial><Hint><Text Value="After the end"/></Hint>)");
    ASSERT_EQ(hints->size(), 3u);
    EXPECT_TRUE(hints->get(0)->Tip);
    EXPECT_EQ(hints->get(1)->Text, CStringW(u"Two"));
    EXPECT_EQ(hints->get(1)->Actions.size(), 1u);
    EXPECT_EQ(hints->get(2)->Text, CStringW(u"Three"));
}

TEST(GTutorialHint, ReadingAgainReplacesTheHintsAndAFileWithoutHintsGivesNone) {
    CRefHandle<GTutorialHintList> hints = readTutorial("<Tutorial><Hint/><Hint/></Tutorial>");
    EXPECT_EQ(hints->size(), 2u);
    const std::string text = "<Tutorial><Other/></Tutorial>";
    CRefHandle<CXmlStreamReader> reader(new CXmlStreamReader(text.data(), text.size()));
    hints->read(*reader);
    EXPECT_EQ(hints->size(), 0u);
    EXPECT_EQ(readTutorial("")->size(), 0u);
    EXPECT_EQ(readTutorial("<Tutorial><Hint><Text Value=\"cut")->size(), 1u);
}
