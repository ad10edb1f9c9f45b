#include "engine/nodes/TextLayout.h"

#include "engine/video/MaterialTypes.h"
#include "tests/engine/nodes/FakeTextMetrics.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::u16string str(const CStringW& s) { return std::u16string(s.view()); }

std::vector<std::u16string> linesOf(const TextLayout& layout) {
    std::vector<std::u16string> out;
    for (const CStringW& line : layout.lines())
        out.push_back(str(line));
    return out;
}

std::vector<int> hardOf(const TextLayout& layout) {
    std::vector<int> out;
    for (uint8_t flag : layout.lineEndsHard())
        out.push_back(flag);
    return out;
}

Material textMaterial() {
    Material material;
    material.materialType = MaterialType::SpriteColorModulate;
    material.layerCount = 1;
    return material;
}

// The right edge of the last glyph quad of `line`, without the half-unit margin.
float lineRight(const TextLayout& layout, int line, const CVector2d& bounds) {
    const int last = layout.charsBefore(line + 1) - 1;
    return layout.glyphRect(last, bounds).right - 0.5f;
}

class TextLayoutTest : public ::testing::Test {
protected:
    void SetUp() override { layout.setMetrics(&metrics); }

    void breakText(const char16_t* text, float width, bool wrap, int hAlign = 1, TextBreakRules rules = {}) {
        bounds = CVector2d(width, 100.0f);
        layout.wordWrap = wrap;
        layout.hAlign = hAlign;
        layout.rebuildLines(CStringW(text), rules, bounds);
        layout.layOut(textMaterial(), CColor(0xFFFFFFFFu), bounds);
    }
    void layOut() { layout.layOut(textMaterial(), CColor(0xFFFFFFFFu), bounds); }

    FakeTextMetrics metrics;
    TextLayout layout;
    CVector2d bounds{100.0f, 100.0f};
};

} // namespace

// Glyphs are 10 wide and spaces 4, so "aaa" takes 30 and "aaa bbb" 64.
TEST_F(TextLayoutTest, LinesBreak) {
    TextBreakRules punctuation{false, CStringW(u"-.,;:!?")};
    TextBreakRules charWrap{true, CStringW()};
    const struct {
        const char* what;
        const char16_t* text;
        float width;
        bool wrap;
        TextBreakRules rules;
        std::vector<std::u16string> lines;
        std::vector<int> hard;
    } cases[] = {
        {"empty text", u"", 100, true, {}, {u""}, {0}},
        {"CR LF counts once", u"A\r\nB", 100, false, {}, {u"A", u"B"}, {1, 0}},
        {"CR and LF alone", u"A\rB\nC", 100, false, {}, {u"A", u"B", u"C"}, {1, 1, 0}},
        {"LF CR is two breaks", u"A\n\rB", 100, false, {}, {u"A", u"", u"B"}, {1, 1, 0}},
        {"trailing break leaves an empty line", u"A\n", 100, false, {}, {u"A", u""}, {1, 0}},
        {"no wrap without WordWrap", u"aaa bbb", 35, false, {}, {u"aaa bbb"}, {0}},
        {"wrap at a space drops it", u"aaa bbb", 35, true, {}, {u"aaa", u"bbb"}, {0, 0}},
        {"wrap keeps what fits", u"aa bb cc", 60, true, {}, {u"aa bb", u"cc"}, {0, 0}},
        {"after punctuation", u"aaa-bbb", 45, true, punctuation, {u"aaa-", u"bbb"}, {0, 0}},
        {"punctuation ignored without the set", u"aaa-bbb", 45, true, {}, {u"aaa-bbb"}, {0}},
        {"a number keeps its separators", u"aa $5,000/$7,000", 60, true, punctuation, {u"aa", u"$5,000/$7,000"}, {0, 0}},
        {"a decimal point stays in its number", u"aa 2.5", 45, true, punctuation, {u"aa", u"2.5"}, {0, 0}},
        {"a mark after a number still breaks", u"aa 5,bb", 55, true, punctuation, {u"aa 5,", u"bb"}, {0, 0}},
        {"a long word overflows", u"aaaaaa", 35, true, punctuation, {u"aaaaaa"}, {0}},
        {"character wrap", u"aaaaaaa", 35, true, charWrap, {u"aaa", u"aaa", u"a"}, {0, 0, 0}},
        {"a break right after the first character is ignored", u"a bbbbbb", 35, true, {}, {u"a bbbbbb"}, {0}},
        {"hard break inside wrapped text", u"aaa bbb\nc", 35, true, {}, {u"aaa", u"bbb", u"c"}, {0, 1, 0}},
        {"overflow at a line break wraps softly", u"aa bb\ncc", 45, true, {}, {u"aa", u"bb", u"cc"}, {0, 1, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        breakText(c.text, c.width, c.wrap, 1, c.rules);
        EXPECT_EQ(linesOf(layout), c.lines);
        EXPECT_EQ(hardOf(layout), c.hard);
    }
}

TEST_F(TextLayoutTest, CentredAndJustifiedLinesLoseTheirBlanks) {
    const struct {
        int hAlign;
        std::vector<std::u16string> lines;
    } cases[] = {
        {1, {u"  ab \t", u" "}},
        {2, {u"ab", u""}},
        {3, {u"  ab \t", u" "}},
        {4, {u"ab", u""}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.hAlign);
        breakText(u"  ab \t\n ", 200, false, c.hAlign);
        EXPECT_EQ(linesOf(layout), c.lines);
    }
}

TEST_F(TextLayoutTest, LinesArePlacedByTheirAlignment) {
    // One line "ab" (20 wide, 16 high) in a 101 x 51 box.
    bounds = CVector2d(101.0f, 51.0f);
    const struct {
        int hAlign;
        int vAlign;
        float x;
        float y;
    } cases[] = {
        {1, 1, 0, 0},   {2, 2, 41, 18},               // floor(81 / 2 + 0.5), floor(35 / 2 + 0.5)
        {3, 3, 81, 35}, {4, 1, 0, 0},   {7, 9, 0, 0}, // unknown values act as left and top
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.hAlign << "/" << c.vAlign);
        layout.hAlign = c.hAlign;
        layout.vAlign = c.vAlign;
        layout.rebuildLines(CStringW(u"ab"), {}, bounds);
        layOut();
        EXPECT_EQ(layout.lineOffsetX(0, bounds), c.x);
        EXPECT_EQ(layout.lineTop(0, bounds), c.y);
        EXPECT_EQ(layout.glyphRect(0, bounds).left, c.x - 0.5f);
        EXPECT_EQ(layout.glyphRect(0, bounds).top, c.y - 0.5f);
    }
}

TEST_F(TextLayoutTest, LineStepAndHeightFollowScaleAndKerning) {
    metrics.global = CVector2d(1.0f, 2.0f);
    layout.kerning = CVector2d(0.0f, 3.0f);
    layout.fontScale = 2.0f;
    layout.vAlign = TextLayout::AlignBottom;
    bounds = CVector2d(500.0f, 200.0f);
    layout.rebuildLines(CStringW(u"a\nb\nc"), {}, bounds);
    layOut();
    EXPECT_EQ(layout.lineHeight(), 32.0f);
    EXPECT_EQ(layout.lineStep(), 42.0f);
    EXPECT_EQ(layout.textHeight(), 126.0f);
    // Bottom: 200 - (32 + 2 * 42) = 84; the lines follow one step apart.
    EXPECT_EQ(layout.lineTop(0, bounds), 84.0f);
    EXPECT_EQ(layout.lineTop(2, bounds), 168.0f);
    EXPECT_EQ(layout.glyphRect(2, bounds).top, 168.0f - 0.5f);

    layout.setMetrics(nullptr);
    layout.rebuildLines(CStringW(u"a\nb"), {}, bounds);
    EXPECT_EQ(layout.lineStep(), 3.0f);
    EXPECT_EQ(layout.textHeight(), 12.0f);
}

TEST_F(TextLayoutTest, GlyphQuadsCarryPageCoordinatesAndAdvances) {
    metrics.pairs[{u'a', u'b'}] = -2;
    metrics.global = CVector2d(1.0f, 0.0f);
    layout.kerning = CVector2d(3.0f, 0.0f);
    breakText(u"ab", 200, false);
    ASSERT_EQ(layout.glyphQuads().size(), 2u);
    const CBatchQuad& a = layout.glyphQuads()[0];
    const CBatchQuad& b = layout.glyphQuads()[1];
    // 'a' (97) sits at column 1 of the page: pixels 16 to 26, 0 to 16.
    EXPECT_FLOAT_EQ(a.vertices[0].u, 15.5f / 256.0f);
    EXPECT_FLOAT_EQ(a.vertices[0].v, -0.5f / 128.0f);
    EXPECT_FLOAT_EQ(a.vertices[2].u, 26.5f / 256.0f);
    EXPECT_FLOAT_EQ(a.vertices[2].v, 16.5f / 128.0f);
    EXPECT_EQ(a.vertices[0].x, -0.5f);
    EXPECT_EQ(a.vertices[2].x, 10.5f);
    // Advance: 10 + global 1 + kerning 3 - pair 2.
    EXPECT_EQ(b.vertices[0].x, 11.5f);
    EXPECT_EQ(layout.textWidth(), 12.0f + 14.0f);
    EXPECT_EQ(a.material, b.material);
    EXPECT_EQ(a.material->layers[0].texture, metrics.page(0));
    EXPECT_EQ(a.material->materialType, MaterialType::SpriteColorModulate);
}

TEST_F(TextLayoutTest, ColourChangesRewriteTheVerticesOnly) {
    breakText(u"ab", 200, false);
    const float x = layout.glyphQuads()[1].vertices[0].x;
    layout.setColor(CColor(0x80102030u));
    for (const CBatchQuad& quad : layout.glyphQuads())
        for (const BatchVertex& vertex : quad.vertices)
            EXPECT_EQ(vertex.color.value, 0x80102030u);
    EXPECT_EQ(layout.glyphQuads()[1].vertices[0].x, x);
}

TEST_F(TextLayoutTest, JustifiedLinesFillTheWidthAndNeverExceedIt) {
    // "aa bb cc" is 68 wide; in 90 the free 22 goes to the two spaces.
    const struct {
        const char* what;
        const char16_t* text;
        float width;
        std::vector<float> rights; // per line
    } cases[] = {
        {"two spaces share the rest", u"aa bb cc dd", 90, {90, 20}},
        {"rounded shares add up to the width", u"a a a a aaaaaaa", 50, {50, 84}},
        {"the last line stays", u"aa bb", 200, {44}},
        {"a hard-ended line stays", u"aa bb\ncc", 200, {44, 20}},
        {"a wrapped line without spaces stays", u"aaaaaaaa-bb", 50, {90, 20}},
    };
    TextBreakRules rules{false, CStringW(u"-")};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        breakText(c.text, c.width, true, TextLayout::AlignJustify, rules);
        ASSERT_EQ(layout.lines().size(), c.rights.size());
        for (uint32_t line = 0; line < c.rights.size(); ++line)
            EXPECT_EQ(lineRight(layout, int(line), bounds), c.rights[line]) << "line " << line;
    }
}

TEST_F(TextLayoutTest, JustifyAddsNoNegativeSpaceToAnOverlongLine) {
    // Wrapping measures characters alone; the pair (a, space) then makes the
    // first line "a a" 44 wide in a 30-wide box. No share may pull its
    // glyphs together.
    metrics.pairs[{u'a', u' '}] = 20;
    breakText(u"a a b", 30, true, TextLayout::AlignJustify);
    ASSERT_EQ(linesOf(layout), (std::vector<std::u16string>{u"a a", u"b"}));
    EXPECT_EQ(layout.glyphRect(2, bounds).left, 34.0f - 0.5f);
}

TEST_F(TextLayoutTest, CharAtPointMapsPointsToCursorPositions) {
    // Two lines "ab" and "cde", 16 high, centred vertically in 100: tops 34 and 50.
    breakText(u"ab\ncde", 100, false);
    bounds = CVector2d(100.0f, 100.0f);
    const struct {
        const char* what;
        float x;
        float y;
        int index;
        int line;
        int column;
    } cases[] = {
        {"a line above the text", 5, 10, -1, 0, -1},
        {"less than a line above counts as the first", 5, 20, 0, 0, -1},
        {"before the first character", 2, 40, 0, 0, -1},
        {"right of a middle", 6, 40, 1, 0, 0},
        {"past the line end", 60, 40, 2, 0, 1},
        {"second line", 16, 55, 4, 1, 1},
        {"below the last line", 5, 90, 5, 1, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        int line = 99;
        int column = 99;
        EXPECT_EQ(layout.charAtPoint(CVector2d(c.x, c.y), bounds, line, column), c.index);
        EXPECT_EQ(line, c.line);
        EXPECT_EQ(column, c.column);
    }
}

TEST_F(TextLayoutTest, CharAtPointWithoutLineHeightOrPicturesStaysInBounds) {
    metrics.glyphHeight = 0.0f;
    breakText(u"ab", 100, false);
    int line = 7;
    int column = 7;
    EXPECT_EQ(layout.charAtPoint(CVector2d(5.0f, 5.0f), bounds, line, column), -1);
    EXPECT_EQ(line, 7);
    EXPECT_EQ(column, 7);

    // Glyphs without a picture make no quad and no advance; the walk stops
    // at the last quad there is.
    metrics.glyphHeight = 16.0f;
    metrics.noPicture = CStringW(u"b");
    breakText(u"abb\nbb", 100, false);
    EXPECT_EQ(layout.glyphQuads().size(), 1u);
    EXPECT_EQ(layout.charAtPoint(CVector2d(50.0f, 45.0f), bounds, line, column), 3);
    EXPECT_EQ(column, 2);
    EXPECT_EQ(layout.charAtPoint(CVector2d(50.0f, 55.0f), bounds, line, column), 5);
    // A character without a quad has the empty rectangle at the text start.
    const CRect missing = layout.charRect(1, 1, bounds);
    EXPECT_EQ(missing.left, 0.0f);
    EXPECT_EQ(missing.width(), 0.0f);

    layout.setMetrics(nullptr);
    EXPECT_EQ(layout.charAtPoint(CVector2d(5.0f, 45.0f), bounds, line, column), -1);
}

TEST_F(TextLayoutTest, SourcePositionsCountTheSourceBreaks) {
    const CStringW source(u"ab\r\ncd\ref\ng");
    breakText(source.c_str(), 200, false);
    const struct {
        int line;
        int column;
        int position;
    } cases[] = {
        {0, 0, 0}, {0, 2, 2}, {1, 0, 4}, {1, 1, 5}, {2, 0, 7}, {3, 1, 11}, {0, -1, -1}, {9, 0, 11},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.line << ":" << c.column);
        EXPECT_EQ(layout.sourcePosition(source, c.line, c.column), c.position);
    }
}

TEST_F(TextLayoutTest, DrawOrderGroupsQuadsByMaterial) {
    breakText(u"abc", 200, false);
    ASSERT_EQ(layout.drawOrder().size(), 3u);
    for (const CBatchQuad* quad : layout.drawOrder())
        EXPECT_EQ(quad->material, layout.glyphQuads()[0].material);
    layout.setMetrics(nullptr);
    layout.layOut(textMaterial(), CColor(), bounds);
    EXPECT_TRUE(layout.glyphQuads().empty());
    EXPECT_TRUE(layout.drawOrder().empty());
}
