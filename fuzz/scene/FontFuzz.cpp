// Reads arbitrary bytes as a font file through the content manager and the
// font processor, with every texture a small picture on a memory driver, then
// measures texts over every character the font maps and some it does not.

#include "engine/content/ContentType.h"
#include "engine/scene/CFontProcessor.h"
#include "engine/scene/Font.h"
#include "fuzz/video/FuzzTextures.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {

struct Setup {
    Setup() {
        CRefHandle<CFontProcessor> fonts(new CFontProcessor(stack.fileSystem.get(), stack.driver.get()));
        if (!stack.processors->registerProcessor(fonts.get()))
            std::abort();
    }
    FuzzTextureStack stack{u"f.mfnt"};
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 16))
        return 0;
    static Setup setup;
    setup.stack.fileSystem->setInput(data, size);
    IContent* content = setup.stack.manager->load(ContentTypeFont, CStringW(u"f.mfnt"), false);
    CRefHandle<Font> font(dynamic_cast<Font*>(content));
    if (!font && content)
        std::abort();
    if (setup.stack.manager->folderDepth() != 1)
        std::abort();
    if (font) {
        if (!(font->getLineHeight() >= 0.0f) && !std::isnan(font->getLineHeight()))
            std::abort();
        // Every glyph's texture lookup stays inside the list.
        for (uint32_t i = 0; i < font->getGlyphCount(); ++i)
            (void)font->getGlyphTexture(font->getGlyphAt(i));
        char16_t text[64];
        uint32_t length = 0;
        for (uint32_t i = 0; i < font->getGlyphCount() && length + 3 < 64; ++i) {
            const char16_t c = char16_t(i * 37 + 1);
            text[length++] = font->findGlyph(c) >= 0 ? c : char16_t(u'A' + i % 26);
            if (i % 7 == 6)
                text[length++] = u'\n';
        }
        text[length++] = u'\r';
        text[length++] = u'\u4E00';
        (void)font->textExtent(std::u16string_view(text, length), CVector2d(1.0f, 2.0f));
        (void)font->charSize(u'A', false);
        if (font->getGlyphCount() == 0 && !(font->textExtent(CStringW(u"AB"), {}) == CVector2d()))
            std::abort();
    }
    setup.stack.manager->clear();
    return 0;
}
