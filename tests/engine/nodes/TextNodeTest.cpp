#include "engine/nodes/TextNode.h"

#include "engine/content/CDictionary.h"
#include "engine/core/CEngineManagers.h"
#include "engine/scene/CEventDictionaryChanged.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CPropertyDataInt.h"
#include "engine/scene/CPropertyTable.h"
#include "engine/video/MaterialTypes.h"
#include "tests/engine/nodes/NodesTestSupport.h"
#include "tests/support/CRecordingGraphicsDriver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using Call = CRecordingGraphicsDriver::Call;

std::u16string str(const CStringW& s) { return std::u16string(s.view()); }

class TextNodeTest : public ::testing::Test {
protected:
    void TearDown() override { CEngineManagers::instance().getDictionary()->clear(); }

    [[nodiscard]] CRefHandle<TextNode> text(const char16_t* value, float width = 200.0f) {
        CRefHandle<TextNode> node(new TextNode(CObjectName(), nullptr, nullptr));
        node->setBounds(CVector3d(width, 100.0f, 0.0f));
        node->setFont(font.get());
        node->setText(CStringW(value));
        return node;
    }

    // Glyphs 10 wide, spaces 4, 16 high.
    CRefHandle<TestFont> font{new TestFont(u"abcdefghX -", 10.0f, 16.0f, 4.0f)};
    CRefHandle<CRecordingGraphicsDriver> driver{CRecordingGraphicsDriver::create()};
};

} // namespace

TEST_F(TextNodeTest, DrawsInWholeUnitsInsideClipPlanes) {
    // A clipped group (5, 5)-(55, 35) around a text at (15.4, 25.6).
    CRefHandle<BaseNode> group(new BaseNode(CObjectName(), nullptr, nullptr));
    group->setPosition(CVector3d(5.0f, 5.0f, 0.0f));
    group->setBounds(CVector3d(50.0f, 30.0f, 0.0f));
    group->setChildrenClipped(true);
    CRefHandle<TextNode> node = text(u"ab");
    node->setPosition(CVector3d(10.4f, 20.6f, 0.0f));
    group->addChild(node.get());
    drawTree(group.get(), driver.get());

    std::vector<Call> calls;
    for (Call call : driver->calls())
        if (call == Call::SetMatrix || call == Call::DefineClipPlane || call == Call::DrawPrimitives ||
            call == Call::ToggleClipPlane)
            calls.push_back(call);
    const std::vector<Call> expected = {Call::SetMatrix,       Call::DefineClipPlane, Call::DefineClipPlane,
                                        Call::DefineClipPlane, Call::DefineClipPlane, Call::DrawPrimitives,
                                        Call::SetMatrix,       Call::ToggleClipPlane, Call::ToggleClipPlane,
                                        Call::ToggleClipPlane, Call::ToggleClipPlane};
    EXPECT_EQ(calls, expected);

    const auto matrices = driver->recordsOf(Call::SetMatrix);
    ASSERT_EQ(matrices.size(), 2u);
    EXPECT_EQ(matrices[0]->matrix[12], 15.0f);
    EXPECT_EQ(matrices[0]->matrix[13], 26.0f);
    EXPECT_EQ(matrices[0]->matrix[14], 0.0f);
    EXPECT_TRUE(matrices[1]->matrix.isIdentity());

    // y >= top, y <= bottom, x >= left, x <= right in the node's space.
    const float planes[4][4] = {{0, 1, 0, 20.6f}, {0, -1, 0, 9.4f}, {1, 0, 0, 10.4f}, {-1, 0, 0, 39.6f}};
    const auto defined = driver->recordsOf(Call::DefineClipPlane);
    for (uint32_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(defined[i]->planeIndex, i);
        EXPECT_TRUE(defined[i]->flag);
        for (int k = 0; k < 4; ++k)
            EXPECT_NEAR(defined[i]->plane[k], planes[i][k], 1e-4f);
    }
    for (const auto* toggle : driver->recordsOf(Call::ToggleClipPlane))
        EXPECT_FALSE(toggle->flag);

    // A scale written as "x;y" leaves z at 0: the planes still follow x and y.
    node->setScale(CVector3d(1.0f, 1.0f, 0.0f));
    driver->clearRecords();
    drawTree(group.get(), driver.get());
    const auto flat = driver->recordsOf(Call::DefineClipPlane);
    ASSERT_EQ(flat.size(), 4u);
    EXPECT_NEAR(flat[3]->plane[3], 39.6f, 1e-4f);

    // The glyphs stay in the node's space; the material is the text's.
    const auto draws = driver->recordsOf(Call::DrawPrimitives);
    ASSERT_EQ(draws[0]->vertexCount, 8u);
    EXPECT_EQ(std::min(draws[0]->vertices[0].x, draws[0]->vertices[4].x), -0.5f);
    const auto materials = driver->recordsOf(Call::ApplyMaterial);
    ASSERT_FALSE(materials.empty());
    EXPECT_EQ(materials.back()->material.materialType, MaterialType::SpriteColorModulate);
    EXPECT_EQ(materials.back()->material.layers[0].wrap, 3);
    EXPECT_EQ(materials.back()->material.layers[0].texture, font->page.get());
}

TEST_F(TextNodeTest, UnclippedTextSetsNoPlanes) {
    CRefHandle<TextNode> node = text(u"ab");
    drawTree(node.get(), driver.get());
    EXPECT_EQ(driver->count(Call::DefineClipPlane), 0u);
    EXPECT_EQ(driver->count(Call::ToggleClipPlane), 0u);
    EXPECT_EQ(driver->count(Call::DrawPrimitives), 1u);
}

TEST_F(TextNodeTest, RenderItemsNeedAFontATextAndVisibleTint) {
    const struct {
        const char* what;
        const char16_t* text;
        bool withFont;
        uint32_t tint;
        uint32_t items;
    } cases[] = {
        {"drawn", u"ab", true, 0xFFFFFFFF, 1},
        {"empty text", u"", true, 0xFFFFFFFF, 0},
        {"no font", u"ab", false, 0xFFFFFFFF, 0},
        {"transparent", u"ab", true, 0x00FFFFFF, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CRefHandle<TextNode> node = text(c.text);
        if (!c.withFont)
            node->setFont(nullptr);
        node->setTintColor(CColor(c.tint));
        CArray<CRenderItem> list;
        node->registerForRendering(list);
        ASSERT_EQ(list.size(), c.items);
        if (c.items) {
            EXPECT_EQ(list[0].textureKey, 0u);
        }
    }
}

TEST_F(TextNodeTest, TintRewritesColoursWithoutLayingOut) {
    CRefHandle<TextNode> node = text(u"ab");
    const BatchVertex before = node->getGlyphQuads()[1].vertices[2];
    node->setTintColor(CColor(0x80336699u));
    CArray<CRenderItem> list;
    node->registerForRendering(list);
    const BatchVertex after = node->getGlyphQuads()[1].vertices[2];
    EXPECT_EQ(after.color.value, 0x80336699u);
    EXPECT_EQ(after.x, before.x);
    EXPECT_EQ(after.y, before.y);
}

TEST_F(TextNodeTest, DictionaryExpandsTheShownTextAndSetsTheBreakRules) {
    CDictionary* dictionary = CEngineManagers::instance().getDictionary();
    dictionary->set("Greeting", CStringW(u"hi"));
    CRefHandle<TextNode> node = text(u"%Greeting% abc-def", 45.0f);
    node->setWordWrap(true);
    EXPECT_EQ(str(node->getText()), u"%Greeting% abc-def");
    EXPECT_EQ(str(node->getDisplayText()), u"hi abc-def");
    // A missing "PunctuationMarks" gives the usual marks: "-" breaks.
    ASSERT_EQ(node->getLines().size(), 3u);
    EXPECT_EQ(str(node->getLines()[1]), u"abc-");

    dictionary->set("PunctuationMarks", CStringW(u"."));
    node->setWordWrap(true);
    EXPECT_EQ(str(node->getLines()[1]), u"abc-def");
    dictionary->set("IsCharWrapOn", CStringW(u"true"));
    node->setWordWrap(true);
    std::vector<std::u16string> lines;
    for (const CStringW& line : node->getLines())
        lines.push_back(str(line));
    EXPECT_EQ(lines, (std::vector<std::u16string>{u"hi ab", u"c-de", u"f"}));

    // The language changes: texts are translated again.
    dictionary->set("Greeting", CStringW(u"hello"));
    CRefHandle<CEventDictionaryChanged> event(new CEventDictionaryChanged());
    EXPECT_FALSE(node->handleEvent(event.get()));
    // Without a content manager the node keeps its text as it was.
    EXPECT_EQ(str(node->getDisplayText()), u"hi abc-def");
}

TEST_F(TextNodeTest, EditsRoundTrip) {
    const struct {
        const char* what;
        const char16_t* source;
        bool insert;
        int line;
        int column;
        const char16_t* result;
    } cases[] = {
        {"insert first", u"ab\r\ncd", true, 0, 0, u"Xab\r\ncd"},
        {"insert after CR LF", u"ab\r\ncd", true, 1, 1, u"ab\r\ncXd"},
        {"insert at the end", u"ab\ncd", true, 1, 2, u"ab\ncdX"},
        {"insert past the end", u"ab\ncd", true, 1, 3, u"ab\ncd"},
        {"insert before the start", u"ab", true, 0, -2, u"ab"},
        {"delete inside", u"ab\ncd", false, 1, 0, u"ab\nd"},
        {"delete a CR LF pair", u"ab\r\ncd", false, 0, 2, u"abcd"},
        {"delete a lone CR", u"ab\rcd", false, 0, 2, u"abcd"},
        {"delete past the end", u"ab", false, 0, 2, u"ab"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CRefHandle<TextNode> node = text(c.source);
        if (c.insert)
            node->insertCharAt(u'X', c.line, c.column);
        else
            node->deleteCharAt(c.line, c.column);
        EXPECT_EQ(str(node->getText()), c.result);
        EXPECT_EQ(str(node->getDisplayText()), c.result);
    }

    // Typing and deleting at the point a click found gives the text back.
    CRefHandle<TextNode> node = text(u"abc\ndef");
    int line = 0;
    int column = 0;
    ASSERT_GE(node->charAtPoint(CVector2d(12.0f, 52.0f), line, column), 0);
    EXPECT_EQ(line, 1);
    EXPECT_EQ(column, 0);
    node->insertCharAt(u'X', line, column + 1);
    EXPECT_EQ(str(node->getText()), u"abc\ndXef");
    node->deleteCharAt(line, column + 1);
    EXPECT_EQ(str(node->getText()), u"abc\ndef");
}

TEST_F(TextNodeTest, AlignmentSettersLayOutWithoutBreakingAgain) {
    CRefHandle<TextNode> node = text(u" ab ");
    node->setTextHAlign(TextLayout::AlignCenter);
    EXPECT_EQ(str(node->getLines()[0]), u" ab ");
    // Centred by the untrimmed width 28 in 200.
    EXPECT_EQ(node->getLineOffsetX(0), 86.0f);
    node->setWordWrap(false);
    EXPECT_EQ(str(node->getLines()[0]), u"ab");
    EXPECT_EQ(node->getLineOffsetX(0), 90.0f);
    node->setTextVAlign(TextLayout::AlignMiddle);
    EXPECT_EQ(node->getLineTop(0), 42.0f);
    EXPECT_EQ(node->getTextHeight(), 16.0f);
}

TEST_F(TextNodeTest, SettingsSurviveFilesAndCopies) {
    CRefHandle<TextNode> node = text(u"ab cd", 25.0f);
    node->setKerning(CVector2d(1.0f, 2.0f));
    node->setFontScale(1.5f);
    node->setTextHAlign(3);
    node->setTextVAlign(2);
    node->setWordWrap(true);

    CRefHandle<CPropertyBag> bag = CPropertyBag::create();
    node->writeProperties(*bag);
    for (const char* key : {"Kerning", "FontScale", "TextHAlign", "TextVAlign", "WordWrap", "Font", "Text"})
        EXPECT_GE(bag->indexOf(key), 0) << key;
    CRefHandle<TextNode> read(new TextNode(CObjectName(), nullptr, nullptr));
    read->readProperties(*bag);
    CRefHandle<BaseNode> cloned(node->clone(nullptr, nullptr));
    for (const TextNode* copy : {read.get(), nodeCast<TextNode>(cloned.get())}) {
        ASSERT_NE(copy, nullptr);
        EXPECT_EQ(copy->getKerning().y, 2.0f);
        EXPECT_EQ(copy->getFontScale(), 1.5f);
        EXPECT_EQ(copy->getTextHAlign(), 3);
        EXPECT_EQ(copy->getTextVAlign(), 2);
        EXPECT_TRUE(copy->getWordWrap());
        EXPECT_EQ(copy->getFont(), font.get());
        EXPECT_EQ(str(copy->getText()), u"ab cd");
        ASSERT_EQ(copy->getLines().size(), 2u);
        ASSERT_EQ(copy->getGlyphQuads().size(), node->getGlyphQuads().size());
        EXPECT_EQ(copy->getGlyphQuads()[3].vertices[2].x, node->getGlyphQuads()[3].vertices[2].x);
    }

    // Values of the wrong kind read as zeros; a fresh node writes nothing.
    CRefHandle<TextNode> fresh(new TextNode(CObjectName(), nullptr, nullptr));
    const CPropertyTable& table = fresh->getPropertyTable();
    table.setAt(fresh.get(), table.indexOf("FontScale"), CPropertyDataInt::create(3));
    EXPECT_EQ(fresh->getFontScale(), 0.0f);
    fresh->setFontScale(1.0f);
    CRefHandle<CPropertyBag> empty = CPropertyBag::create();
    fresh->writeProperties(*empty);
    EXPECT_EQ(empty->getCount(), 0);
}

TEST_F(TextNodeTest, HitsInsideTheBoundsWhenVisible) {
    CRefHandle<TextNode> node = text(u"ab");
    node->setCanBeHit(false);
    CArray<CRenderItem> list;
    node->registerForRendering(list);
    EXPECT_TRUE(node->hitTest(CVector3d(150.0f, 50.0f, 0.0f)));
    EXPECT_FALSE(node->hitTest(CVector3d(250.0f, 50.0f, 0.0f)));
    node->setVisible(false);
    EXPECT_FALSE(node->hitTest(CVector3d(150.0f, 50.0f, 0.0f)));
}
