#include "tools/font/FontBuilder.h"

#include "engine/content/ContentType.h"
#include "engine/core/CString.h"
#include "engine/scene/CFontProcessor.h"
#include "engine/scene/Font.h"
#include "engine/video/CAtlasTexture.h"
#include "tests/support/TextureTestSupport.h"
#include "tests/tools/FreeTypeReference.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::vector<char16_t> charactersOf(const std::string& set) {
    std::vector<char16_t> characters;
    std::string error;
    EXPECT_TRUE(parseCharacterSet(set, characters, &error)) << error;
    return characters;
}

const BuiltGlyph* findGlyph(const FontBuilder& builder, char16_t c) {
    for (const BuiltGlyph& glyph : builder.glyphs())
        if (glyph.character == c)
            return &glyph;
    return nullptr;
}

} // namespace

TEST(FontBuilder, ParsesCharacterSets) {
    EXPECT_EQ(charactersOf("ascii").size(), 95u);
    EXPECT_EQ(charactersOf("latin1").size(), 95u + 96u);
    EXPECT_EQ(charactersOf("cyrillic").size(), 96u + 2u);
    EXPECT_EQ(charactersOf("0x43,0x41-0x42,ascii").size(), 95u); // merged, no duplicates
    EXPECT_EQ(charactersOf("0x41-0x43"), (std::vector<char16_t>{u'A', u'B', u'C'}));
    EXPECT_EQ(charactersOf("punctuation,0x2116").size(), 12u);
    for (const char* bad : {"", "bogus", "0x5A-0x41", "0x10000", "0", "latin1,,ascii", "0x41-"}) {
        SCOPED_TRACE(bad);
        std::vector<char16_t> characters;
        std::string error;
        EXPECT_FALSE(parseCharacterSet(bad, characters, &error));
        EXPECT_FALSE(error.empty());
    }
}

TEST(FontBuilder, GlyphsAndKerningAreFreeTypes) {
    FontBuildOptions options;
    options.fontFile = fixtureFontPath();
    options.pixelSize = 20;
    options.characters = charactersOf("ascii,cyrillic,0xE9,0x4E00");
    FontBuilder builder;
    std::string error;
    ASSERT_TRUE(builder.build(options, &error)) << error;
    FreeTypeReference reference(options.fontFile, options.pixelSize);
    ASSERT_TRUE(reference.isOpen());

    // What the cut-down font lacks is reported, not invented.
    const std::vector<char16_t>& missing = builder.missing();
    for (char16_t lacking : {u'\u4E00', u'\u0400', u'\u0452', u'\u0491'})
        EXPECT_NE(std::find(missing.begin(), missing.end(), lacking), missing.end());
    EXPECT_EQ(builder.glyphs().size(), 95u + 66u + 1u);

    const int32_t ascender = reference.ascender();
    for (char16_t c : {u'A', u'g', u'j', u'W', u'.', u'\u0416', u'\u044F', u'\u00E9', u' '}) {
        SCOPED_TRACE(int(c));
        const BuiltGlyph* glyph = findGlyph(builder, c);
        ASSERT_NE(glyph, nullptr);
        const FreeTypeReference::Glyph expected = reference.glyph(c);
        const int32_t width = glyph->right - glyph->left;
        const int32_t height = glyph->bottom - glyph->top;
        ASSERT_EQ(width, expected.width);
        ASSERT_EQ(height, expected.rows);
        EXPECT_FLOAT_EQ(glyph->b.x + float(width) + glyph->a.x, float(expected.advance));
        EXPECT_FLOAT_EQ(glyph->b.y + float(height) + glyph->a.y, float(builder.lineHeight()));
        if (width > 0) {
            EXPECT_FLOAT_EQ(glyph->b.x, float(expected.bitmapLeft));
            EXPECT_FLOAT_EQ(glyph->b.y, float(ascender - expected.bitmapTop));
        }
        const CPixelImage& page = *builder.packer().pages()[glyph->page];
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x)
                ASSERT_EQ(page.pixelAt(uint32_t(glyph->left + x), uint32_t(glyph->top + y)),
                          CColor(expected.coverage[std::size_t(y * width + x)], 255, 255, 255));
    }

    // Every pair FreeType kerns, and only those.
    ASSERT_FALSE(builder.kerningPairs().empty());
    bool sawAV = false;
    for (const BuiltKerningPair& pair : builder.kerningPairs()) {
        EXPECT_EQ(pair.amount, reference.kerning(pair.first, pair.second));
        EXPECT_NE(pair.amount, 0);
        sawAV = sawAV || (pair.first == u'A' && pair.second == u'V');
    }
    EXPECT_TRUE(sawAV);
    EXPECT_LT(reference.kerning(u'A', u'V'), 0);
}

TEST(FontBuilder, TheWrittenFontLoadsThroughTheContentManager) {
    TextureTestStack stack;
    CRefHandle<CFontProcessor> processor(new CFontProcessor(stack.fileSystem.get(), stack.driver.get()));
    ASSERT_TRUE(stack.processors->registerProcessor(processor.get()));
    std::filesystem::create_directories(stack.dir.path() / "fonts");
    const std::string fontPath = (stack.dir.path() / "fonts" / "Sans14.mfnt").string();
    const std::string command = std::string(BM_FONTBUILD) + " --font " + fixtureFontPath() +
                                " --size 14 --kerning 1,2 --max-size 128 " + fontPath + " > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;

    FontBuildOptions options;
    options.fontFile = fixtureFontPath();
    options.pixelSize = 14;
    options.characters = charactersOf("latin1,cyrillic,punctuation");
    options.atlas.maxSize = 128;
    FontBuilder builder;
    std::string error;
    ASSERT_TRUE(builder.build(options, &error)) << error;
    ASSERT_GT(builder.packer().pages().size(), 1u); // small pages: several of them

    CRefHandle<Font> font = stack.load<Font>(ContentTypeFont, u"fonts/Sans14.mfnt");
    ASSERT_TRUE(font);
    EXPECT_EQ(font->getGlobalKerning(), CVector2d(1, 2));
    EXPECT_FLOAT_EQ(font->getLineHeight(), float(builder.lineHeight()));
    ASSERT_EQ(font->getGlyphCount(), builder.glyphs().size());
    ASSERT_EQ(font->getTextureCount(), builder.packer().pages().size());
    for (const BuiltGlyph& built : builder.glyphs()) {
        SCOPED_TRACE(int(built.character));
        ASSERT_GE(font->findGlyph(built.character), 0);
        const FontGlyph& glyph = font->getGlyph(built.character);
        EXPECT_EQ(glyph.textureIndex, int32_t(built.page));
        EXPECT_FLOAT_EQ(glyph.left, float(built.left));
        EXPECT_FLOAT_EQ(glyph.bottom, float(built.bottom));
        EXPECT_EQ(glyph.b, built.b);
        EXPECT_EQ(glyph.a, built.a);
        ASSERT_NE(font->getGlyphTexture(glyph), nullptr);
    }
    for (const BuiltKerningPair& pair : builder.kerningPairs())
        EXPECT_EQ(font->getKerning(pair.first, pair.second), pair.amount);

    // Measured as FreeType lays it out: advances, kerning, and the global
    // kerning between the characters.
    FreeTypeReference reference(fixtureFontPath(), 14);
    const std::u16string text = u"AV \"&<Жя>";
    float width = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        width += float(reference.glyph(text[i]).advance);
        if (i + 1 < text.size())
            width += float(reference.kerning(text[i], text[i + 1])) + 1.0f;
    }
    EXPECT_EQ(font->textExtent(CStringW(text.c_str()), {}), CVector2d(width, float(builder.lineHeight())));
}

TEST(FontBuilder, ReportsWhatItCannotDo) {
    FontBuilder builder;
    std::string error;
    FontBuildOptions options;
    options.fontFile = "/nonexistent/font.ttf";
    options.characters = {u'A'};
    EXPECT_FALSE(builder.build(options, &error));
    EXPECT_NE(error.find("/nonexistent/font.ttf"), std::string::npos);

    options.fontFile = fixtureFontPath();
    options.pixelSize = 0;
    EXPECT_FALSE(builder.build(options, &error));

    options.pixelSize = 200;
    options.atlas.maxSize = 64; // a glyph larger than a page
    EXPECT_FALSE(builder.build(options, &error));

    const std::string command = std::string(BM_FONTBUILD) + " --size 12 out.mfnt 2> /dev/null";
    EXPECT_NE(std::system(command.c_str()), 0);
}
