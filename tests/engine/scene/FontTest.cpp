#include "engine/content/ContentType.h"
#include "engine/scene/BitmapFont.h"
#include "engine/scene/CFontProcessor.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CPropertyDataInt.h"
#include "engine/scene/CPropertyDataVector2d.h"
#include "engine/video/CAtlasTexture.h"
#include "engine/video/CImageTexture.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TextureTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Glyphs: A (b.x 1, width 10, a.x 2: 13 wide), B (9 wide), space (4 wide), a
// second A that only counts in the line height (20 + 3 = 23), and a glyph
// without a character. Pair AB is -2 (the later element wins).
const char* const kFont = R"(<?xml version="1.0"?>
<Font Type="Bitmap">
  <c c="A" r="0,0,10,12" b="1,2" a="2,1" i="0" />
  <c c="B" r="10,0,18,12" a="1,0" />
  <c c=" " r="18,0,22,12" />
  <group><c c="A" r="0,0,5,20" b="0,3" /></group>
  <c r="0,0,1,1" i="1" />
  <c c="W" r="0.5,0,6.25,8" i="7" />
  <k c="AB" k="-3" />
  <k c="AB" k="-2" />
  <k c="ABC" k="5" />
  <k c="B" k="5" />
  <Texture Filename="glyphs.png" />
  <Texture Filename="missing.png" />
</Font>
)";

class FontTest : public ::testing::Test {
protected:
    void SetUp() override {
        CRefHandle<CFontProcessor> processor(new CFontProcessor(stack.fileSystem.get(), stack.driver.get()));
        ASSERT_TRUE(stack.processors->registerProcessor(processor.get()));
        stack.writePng("fonts/glyphs.png", 32, 16, [](uint32_t x, uint32_t) { return CColor(x * 8, 255, 255, 255); });
    }

    CRefHandle<Font> loadFont(const std::string& text, const char* name = "fonts/test.mfnt") {
        stack.writeText(name, text);
        return stack.load<Font>(ContentTypeFont, CStringW(name));
    }

    TextureTestStack stack;
};

} // namespace

TEST_F(FontTest, ReadsGlyphsKerningPairsAndTextures) {
    CRefHandle<Font> font = loadFont(kFont);
    ASSERT_TRUE(font);
    EXPECT_EQ(font->getContentType(), ContentTypeFont);
    EXPECT_EQ(stack.load<Font>(ContentTypeFont, u"fonts/test.mfnt").get(), font.get());

    ASSERT_EQ(font->getGlyphCount(), 6u);
    const FontGlyph& a = font->getGlyph(u'A');
    EXPECT_EQ(&a, &font->getGlyphAt(0)); // the first glyph of a character is the one used
    EXPECT_FLOAT_EQ(a.width, 10);
    EXPECT_FLOAT_EQ(a.height, 12);
    EXPECT_EQ(a.b, CVector2d(1, 2));
    EXPECT_EQ(a.a, CVector2d(2, 1));
    EXPECT_FLOAT_EQ(font->getGlyph(u'W').width, 5.75f); // fractional edges stay
    EXPECT_EQ(font->findGlyph(u'\0'), 4);
    EXPECT_EQ(font->findGlyph(u'a'), -1); // no case folding
    EXPECT_EQ(&font->getGlyph(u'a'), &font->getGlyph(u' '));
    EXPECT_EQ(font->getDefaultGlyph(), 2);
    EXPECT_FLOAT_EQ(font->getLineHeight(), 23);

    EXPECT_EQ(font->getKerning(u'A', u'B'), -2);
    EXPECT_EQ(font->getKerning(u'B', u'A'), 0);
    EXPECT_EQ(font->getKerning(u'A', u'C'), 0);

    // Textures keep their file positions; glyphs name them by position.
    ASSERT_EQ(font->getTextureCount(), 2u);
    CAtlasTexture* texture = font->getTexture(0);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->getPixelSize(), CVector2d(32, 16));
    EXPECT_EQ(font->getGlyphTexture(a), texture);
    EXPECT_EQ(texture->getImageTexture()->getImage(), nullptr); // glyph pictures live on the driver only
    EXPECT_EQ(font->getTexture(1), nullptr);
    EXPECT_EQ(font->getGlyphTexture(font->getGlyphAt(4)), nullptr);
    EXPECT_EQ(font->getGlyphTexture(font->getGlyph(u'W')), nullptr);
    EXPECT_EQ(font->getTexture(-1), nullptr);
}

TEST_F(FontTest, MeasuresTextInLines) {
    CRefHandle<Font> font = loadFont(kFont);
    ASSERT_TRUE(font);
    const float h = 23;
    const struct {
        const char16_t* text;
        CVector2d extra;
        CVector2d size;
    } cases[] = {
        {u"", {}, {0, h}},
        {u"", {3, 4}, {0, h}},
        {u"A", {3, 0}, {13, h}},
        {u"AB", {0, 0}, {13 - 2 + 9, h}},
        {u"AB", {1, 0}, {13 + 1 - 2 + 9, h}},
        {u"BA", {1, 0}, {9 + 1 + 13, h}},
        {u"A B", {0, 0}, {13 + 4 + 9, h}},
        {u"Q", {0, 0}, {4, h}}, // unmapped: the space's glyph
        {u"\r\n", {0, 0.5f}, {0, 2 * h + 0.5f}},
        {u"\n\r", {0, 0.5f}, {0, 3 * h + 2 * 0.5f}},
        {u"\r\r", {0, 0}, {0, 3 * h}},
        {u"A\nBB", {1, 0}, {9 + 1 + 9, 2 * h}},
        {u"AB\r\nA", {0, 2}, {20, 2 * h + 2}},
        {u"A\n", {5, 0}, {13, 2 * h}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(CString(CStringW(c.text)).view()));
        const CVector2d size = font->textExtent(CStringW(c.text), c.extra);
        EXPECT_FLOAT_EQ(size.x, c.size.x);
        EXPECT_FLOAT_EQ(size.y, c.size.y);
    }
    // Part of a text, ending at its end or at a 0 unit.
    EXPECT_EQ(font->textExtent(std::u16string_view(u"ABBA", 2), {}), CVector2d(20, h));
    EXPECT_EQ(font->textExtent(std::u16string_view(u"A\0B", 3), {}), CVector2d(13, h));
}

TEST_F(FontTest, GlobalKerningSpacesCharactersAndLines) {
    std::string text = kFont;
    text.insert(text.find("<c c=\"A\""),
                "<Properties><vector2d Name=\"GlobalKerning\" Value=\"1;0.5\" /></Properties>\n");
    CRefHandle<Font> font = loadFont(text);
    ASSERT_TRUE(font);
    EXPECT_EQ(font->getGlobalKerning(), CVector2d(1, 0.5f));
    EXPECT_EQ(font->charSize(u'A', true), CVector2d(10, 12));
    EXPECT_EQ(font->charSize(u'A', false), CVector2d(10 + 2 + 1 + 1, 12));
    EXPECT_EQ(font->charSize(u'Q', false), CVector2d(4 + 1, 12));
    EXPECT_EQ(font->textExtent(CStringW(u"AB\nA"), {1, 0.25f}), CVector2d(13 + 2 - 2 + 9, 2 * 23 + 0.75f));

    // Written back only when set.
    CRefHandle<CPropertyBag> bag = CPropertyBag::create();
    font->writeProperties(*bag);
    ASSERT_EQ(bag->getCount(), 1);
    CRefHandle<IPropertyData> value = bag->get("GlobalKerning");
    ASSERT_TRUE(value && value->getTypeId() == IPropertyData::TypeVector2d);
    EXPECT_EQ(static_cast<CPropertyDataVector2d*>(value.get())->getValue(), CVector2d(1, 0.5f));

    // Absent: kept; of another kind: (0, 0).
    font->readProperties(*CPropertyBag::create());
    EXPECT_EQ(font->getGlobalKerning(), CVector2d(1, 0.5f));
    CRefHandle<CPropertyBag> wrong = CPropertyBag::create();
    wrong->set("GlobalKerning", CPropertyDataInt::create(3));
    font->readProperties(*wrong);
    EXPECT_EQ(font->getGlobalKerning(), CVector2d(0, 0));
    CRefHandle<CPropertyBag> untouched = CPropertyBag::create();
    font->writeProperties(*untouched);
    EXPECT_EQ(untouched->getCount(), 0);
}

TEST_F(FontTest, FontsWithoutGlyphsOrSpaceStaySafe) {
    // No glyph records: nothing is measured and no lookup leaves the list.
    CRefHandle<Font> empty = loadFont(R"(<Font Type="Bitmap"><k c="AB" k="4"/></Font>)", "fonts/empty.mfnt");
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->getDefaultGlyph(), -1);
    EXPECT_FLOAT_EQ(empty->getGlyph(u'A').width, 0);
    EXPECT_EQ(empty->charSize(u'A', false), CVector2d(0, 0));
    EXPECT_EQ(empty->textExtent(CStringW(u"AB\nAB"), {3, 3}), CVector2d(0, 0));
    EXPECT_FLOAT_EQ(empty->getLineHeight(), 0);

    // No space: glyph 0 stands in.
    CRefHandle<Font> noSpace =
        loadFont(R"(<Font Type="Bitmap"><c c="x" r="0,0,3,5"/><c c="y" r="0,0,7,5"/></Font>)", "fonts/x.mfnt");
    ASSERT_TRUE(noSpace);
    EXPECT_EQ(noSpace->getDefaultGlyph(), 0);
    EXPECT_EQ(noSpace->textExtent(CStringW(u"zy"), {}), CVector2d(3 + 7, 5));

    // A negative glyph never makes the line height negative.
    CRefHandle<Font> upside = loadFont(R"(<Font Type="Bitmap"><c c="x" r="0,9,3,0"/></Font>)", "fonts/u.mfnt");
    ASSERT_TRUE(upside);
    EXPECT_FLOAT_EQ(upside->getLineHeight(), 0);
}

TEST_F(FontTest, OnlyBitmapFontsLoadAndNothingIsLogged) {
    const struct {
        const char* what;
        const char* text;
        bool loads;
    } cases[] = {
        {"bitmap", "<Font Type=\"Bitmap\"/>", true},
        {"another type", "<Font Type=\"Vector\"><c c=\"A\" r=\"0,0,1,1\"/></Font>", false},
        {"no type", "<Font><c c=\"A\"/></Font>", false},
        {"another root", "<Fonts Type=\"Bitmap\"/>", false},
        {"empty file", "", false},
        {"not XML", "\xff\xfe\x00<<", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string name = "fonts/case" + std::to_string(&c - cases) + ".mfnt";
        LogCapture log;
        CRefHandle<Font> font = loadFont(c.text, name.c_str());
        EXPECT_EQ(bool(font), c.loads);
        EXPECT_TRUE(log.lines().empty());
    }
}
