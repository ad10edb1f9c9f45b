#include "tests/engine/nodes/FakeTextMetrics.h"

#include "engine/core/CObjectName.h"
#include "tests/support/CTestDriverTexture.h"

FakeTextMetrics::FakeTextMetrics() {
    CRefHandle<CTestDriverTexture> texture(
        new CTestDriverTexture(CSizeI(256, 128), ColorFormat::A8R8G8B8, ColorFormat::A8R8G8B8));
    m_page.reset(new CImageTexture(CObjectName(), CStringW(u"page.png"), texture.get()));
}

const FontGlyph& FakeTextMetrics::glyph(char16_t c) const {
    FontGlyph& out = m_glyph;
    out = FontGlyph();
    out.width = c == u' ' ? spaceWidth : glyphWidth;
    out.height = glyphHeight;
    out.a = CVector2d(0.0f, bottomSpace);
    // Glyphs sit in a row of the page by character code.
    out.left = float((c % 16) * 16);
    out.top = 0.0f;
    out.right = out.left + out.width;
    out.bottom = out.height;
    for (char16_t missing : noPicture)
        if (missing == c)
            out.textureIndex = 3;
    return out;
}

CVector2d FakeTextMetrics::charSize(char16_t c) const {
    const FontGlyph& g = glyph(c);
    return CVector2d(g.b.x + g.width + g.a.x + global.x, g.height);
}

int32_t FakeTextMetrics::pairKerning(char16_t first, char16_t second) const {
    auto found = pairs.find({first, second});
    return found == pairs.end() ? 0 : found->second;
}

CVector2d FakeTextMetrics::textExtent(const CStringW& text, const CVector2d& kerning) const {
    const float kx = global.x + kerning.x;
    const float ky = global.y + kerning.y;
    CVector2d result(0.0f, lineHeight());
    float width = 0.0f;
    int count = 0;
    auto endLine = [&] {
        if (count > 0)
            width -= kx;
        result.x = std::max(result.x, width);
        width = 0.0f;
        count = 0;
    };
    const uint32_t length = text.length();
    for (uint32_t i = 0; i < length; ++i) {
        const char16_t c = text[i];
        if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < length && text[i + 1] == u'\n')
                ++i;
            result.y += ky + lineHeight();
            endLine();
            continue;
        }
        const FontGlyph& g = glyph(c);
        width = width + g.b.x + g.width + g.a.x + kx;
        if (i + 1 < length)
            width += float(pairKerning(c, text[i + 1]));
        ++count;
    }
    endLine();
    return result;
}
