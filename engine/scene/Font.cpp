#include "engine/scene/Font.h"

#include "engine/content/ContentType.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CPropertyDataVector2d.h"
#include "engine/video/CAtlasTexture.h"

#include <algorithm>
#include <iterator>

namespace {

const CString& globalKerningName() {
    static const CString name("GlobalKerning");
    return name;
}

} // namespace

Font::Font(const CObjectName& name) : IContent(name, FlagShared) { clearFont(); }

Font::~Font() { clearFont(); }

uint32_t Font::getContentType() const { return ContentTypeFont; }

void Font::writeProperties(CPropertyBag& bag) const {
    if (m_globalKerning.x != 0.0f || m_globalKerning.y != 0.0f)
        bag.set(globalKerningName(), CPropertyDataVector2d::create(m_globalKerning));
}

void Font::readProperties(const CPropertyBag& bag) {
    if (bag.indexOf(globalKerningName()) < 0)
        return;
    const CRefHandle<IPropertyData> value = bag.get(globalKerningName());
    const auto* vector = value && value->getTypeId() == IPropertyData::TypeVector2d
                             ? static_cast<const CPropertyDataVector2d*>(value.get())
                             : nullptr;
    m_globalKerning = vector ? vector->getValue() : CVector2d();
}

int32_t Font::findGlyph(char16_t c) const {
    if (c < DirectRange)
        return m_directGlyphs[c];
    const auto found = m_characterMap.find(uint32_t(c));
    return found == m_characterMap.end() ? -1 : found->value;
}

const FontGlyph& Font::getGlyph(char16_t c) const {
    static const FontGlyph none;
    if (m_glyphs.empty())
        return none;
    const int32_t index = findGlyph(c);
    return m_glyphs[uint32_t(index >= 0 ? index : m_defaultGlyph)];
}

int32_t Font::getKerning(char16_t first, char16_t second) const {
    if (m_kerningPairs.empty() || (first < DirectRange && !(m_kernedFirst[first / 64] >> (first % 64) & 1)))
        return 0;
    const auto found = m_kerningPairs.find(KerningPair{first, second});
    return found == m_kerningPairs.end() ? 0 : found->value;
}

CAtlasTexture* Font::getTexture(int32_t index) const {
    return index >= 0 && uint32_t(index) < m_textures.size() ? m_textures[uint32_t(index)] : nullptr;
}

CVector2d Font::charSize(char16_t c, bool sizeOnly) const {
    if (m_glyphs.empty())
        return {};
    const FontGlyph& glyph = getGlyph(c);
    if (sizeOnly)
        return {glyph.width, glyph.height};
    return {glyph.width + ((glyph.a.x + glyph.b.x) + m_globalKerning.x), glyph.height};
}

CVector2d Font::textExtent(const CStringW& text, const CVector2d& extra) const {
    return textExtent(text.view(), extra);
}

CVector2d Font::textExtent(std::u16string_view text, const CVector2d& extra) const {
    if (m_glyphs.empty())
        return {};
    const float kx = m_globalKerning.x + extra.x;
    const float ky = m_globalKerning.y + extra.y;
    CVector2d result(0.0f, m_lineHeight);
    float lineWidth = 0.0f;
    bool lineHasCharacters = false;
    // The text ends at its end or at the first 0 unit.
    const std::size_t length = std::min(text.size(), text.find(u'\0'));
    for (std::size_t i = 0; i < length; ++i) {
        const char16_t c = text[i];
        if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < length && text[i + 1] == u'\n')
                ++i;
            result.y += ky + m_lineHeight;
            if (lineHasCharacters)
                lineWidth -= kx;
            result.x = std::max(result.x, lineWidth);
            lineWidth = 0.0f;
            lineHasCharacters = false;
            continue;
        }
        const FontGlyph& glyph = getGlyph(c);
        lineWidth = (((lineWidth + glyph.b.x) + glyph.width) + glyph.a.x) + kx;
        if (i + 1 < length)
            lineWidth += float(getKerning(c, text[i + 1]));
        lineHasCharacters = true;
    }
    // The last character's extra spacing is not part of the line.
    if (lineHasCharacters)
        lineWidth -= kx;
    result.x = std::max(result.x, lineWidth);
    return result;
}

void Font::clearFont() {
    for (CAtlasTexture* texture : m_textures)
        if (texture)
            texture->release();
    m_textures.clear();
    m_glyphs.clear();
    m_characterMap.clear();
    m_kerningPairs.clear();
    m_defaultGlyph = 0;
    m_lineHeight = 0.0f;
    std::fill(std::begin(m_directGlyphs), std::end(m_directGlyphs), -1);
    std::fill(std::begin(m_kernedFirst), std::end(m_kernedFirst), 0);
}

void Font::addTexture(CAtlasTexture* texture) {
    if (texture)
        texture->addRef();
    m_textures.push_back(texture);
}

void Font::addGlyph(char16_t c, const FontGlyph& glyph) {
    // The first glyph of a character keeps the character.
    if (m_characterMap.insert(uint32_t(c), int32_t(m_glyphs.size())).second && c < DirectRange)
        m_directGlyphs[c] = int32_t(m_glyphs.size());
    m_glyphs.push_back(glyph);
}

void Font::setKerning(char16_t first, char16_t second, int32_t amount) {
    m_kerningPairs[KerningPair{first, second}] = amount;
    if (first < DirectRange)
        m_kernedFirst[first / 64] |= uint64_t(1) << (first % 64);
}

void Font::finishLoading() {
    const int32_t space = findGlyph(u' ');
    m_defaultGlyph = space >= 0 ? space : 0;
    m_lineHeight = 0.0f;
    for (const FontGlyph& glyph : m_glyphs) {
        const float height = (glyph.bottom - glyph.top) + glyph.b.y + glyph.a.y;
        if (height > m_lineHeight)
            m_lineHeight = height;
    }
}
