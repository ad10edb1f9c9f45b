#include "engine/nodes/TextLayout.h"

#include "engine/video/CImageTexture.h"
#include "engine/video/IDriverTexture.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>

namespace {

constexpr char16_t kCR = u'\r';
constexpr char16_t kLF = u'\n';

[[nodiscard]] bool isBlank(char16_t c) { return c == u' ' || c == u'\t' || c == kCR || c == kLF; }

[[nodiscard]] bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

[[nodiscard]] float roundHalfUp(float v) { return std::floor(v + 0.5f); }

[[nodiscard]] bool contains(const CStringW& set, char16_t c) {
    for (char16_t member : set)
        if (member == c)
            return true;
    return false;
}

} // namespace

TextLayout::TextLayout() {
    m_lines.push_back(CStringW());
    m_lineEndsHard.push_back(0);
}

void TextLayout::setMetrics(const ITextMetrics* metrics) {
    m_metrics = metrics;
    clearPageMaterials();
}

void TextLayout::clearPageMaterials() {
    // The quads point into the materials: they go first.
    m_drawOrder.clear();
    m_glyphQuads.clear();
    m_pageMaterials.clear();
}

// ---------------------------------------------------------------------------
// Line breaking

void TextLayout::rebuildLines(const CStringW& text, const TextBreakRules& rules, const CVector2d& bounds) {
    m_lines.clear();
    m_lineEndsHard.clear();
    const bool wrap = wordWrap && m_metrics;
    const int32_t length = int32_t(text.length());

    // Every line is a run of the text: it starts at lineStart and holds
    // lineLength characters, until wrapping cuts it shorter.
    int32_t lineStart = 0;
    int32_t lineLength = 0;
    float width = 0.0f;
    // The break point: the index of the break character and how many
    // characters of the line stay before the break, minus one (0: none).
    int32_t breakIndex = 0;
    int32_t keep = 0;
    auto endLine = [&](int32_t nextStart, bool hard) {
        m_lines.push_back(text.subString(lineStart, lineLength));
        m_lineEndsHard.push_back(hard ? 1 : 0);
        lineStart = nextStart;
        lineLength = 0;
        width = 0.0f;
        keep = 0;
    };

    for (int32_t i = 0; i < length; ++i) {
        const char16_t c = text[uint32_t(i)];
        int32_t breakEnd = i + 1;
        const bool lineBreak = c == kCR || c == kLF;
        if (c == kCR && i + 1 < length && text[uint32_t(i + 1)] == kLF)
            breakEnd = i + 2;
        if (wrap) {
            width += (kerning.x + m_metrics->charSize(c).x) * fontScale;
            if (width > bounds.x && keep != 0) {
                // Wrap at the break point; what followed it is placed again
                // on the new line. The line is not flagged hard even when
                // the character that overflowed was a line break.
                lineLength = keep + 1;
                endLine(breakIndex + 1, false);
                i = breakIndex;
                continue;
            }
            if (!lineBreak) {
                // A mark between two digits ("$5,000", "2.5") belongs to
                // its number, which is never split.
                const bool inNumber = i > 0 && i + 1 < length && isDigit(text[uint32_t(i - 1)]) &&
                                      isDigit(text[uint32_t(i + 1)]);
                const bool breaksAfter = rules.charWrap || (contains(rules.punctuation, c) && !inNumber);
                if (c == u' ')
                    keep = lineLength - 1;
                else if (breaksAfter)
                    keep = lineLength;
                if (c == u' ' || breaksAfter)
                    breakIndex = i;
            }
        }
        if (lineBreak) {
            endLine(breakEnd, true);
            i = breakEnd - 1;
        } else {
            ++lineLength;
        }
    }
    endLine(length, false);

    if (hAlign == AlignCenter || hAlign == AlignJustify)
        trimLines();
}

void TextLayout::trimLines() {
    for (CStringW& line : m_lines) {
        int32_t first = 0;
        int32_t last = int32_t(line.length());
        while (first < last && isBlank(line[uint32_t(first)]))
            ++first;
        while (last > first && isBlank(line[uint32_t(last - 1)]))
            --last;
        if (first > 0 || last < int32_t(line.length()))
            line = line.subString(first, last - first);
    }
}

// ---------------------------------------------------------------------------
// Placement

float TextLayout::lineHeight() const { return m_metrics ? fontScale * m_metrics->lineHeight() : 0.0f; }

float TextLayout::lineStep() const {
    if (!m_metrics)
        return kerning.y;
    return fontScale * (m_metrics->lineHeight() + m_metrics->globalKerning().y + kerning.y);
}

float TextLayout::textHeight() const {
    const float count = float(m_lines.size());
    return m_metrics ? count * lineStep() : count * fontScale * kerning.y;
}

float TextLayout::lineTop(int32_t line, const CVector2d& bounds) const {
    const uint32_t count = m_lines.size();
    const float step = lineStep();
    float top = 0.0f;
    if (vAlign == AlignMiddle || vAlign == AlignBottom) {
        const float height = count <= 1 ? lineHeight() : lineHeight() + float(count - 1) * step;
        top = vAlign == AlignMiddle ? (bounds.y - height) / 2.0f : bounds.y - height;
    }
    if (line >= 0 && uint32_t(line) < count)
        return roundHalfUp(top + float(line) * step);
    return roundHalfUp(top);
}

float TextLayout::lineOffsetX(int32_t line, const CVector2d& bounds) const {
    if (hAlign != AlignCenter && hAlign != AlignRight)
        return 0.0f;
    float width = 0.0f;
    if (m_metrics && line >= 0 && uint32_t(line) < m_lines.size())
        width = fontScale * m_metrics->textExtent(m_lines[uint32_t(line)], kerning).x;
    const float offset = hAlign == AlignCenter ? (bounds.x - width) / 2.0f : bounds.x - width;
    return roundHalfUp(offset);
}

const Material* TextLayout::pageMaterial(CImageTexture* page, const Material& material) {
    auto found = m_pageMaterials.find(page);
    if (found != m_pageMaterials.end())
        return &found->value;
    Material& made = m_pageMaterials[page];
    made = material;
    made.layers[0].texture = page;
    return &made;
}

void TextLayout::layOut(const Material& material, CColor color, const CVector2d& bounds) {
    m_drawOrder.clear();
    m_glyphQuads.clear();
    m_textWidth = 0.0f;
    if (!m_metrics)
        return;
    const float scale = fontScale;
    const CVector2d global = m_metrics->globalKerning();
    const uint32_t lineCount = m_lines.size();
    float y = lineTop(0, bounds);
    for (uint32_t lineIndex = 0; lineIndex < lineCount; ++lineIndex) {
        const CStringW& line = m_lines[lineIndex];
        float x = lineOffsetX(int32_t(lineIndex), bounds);
        float lineWidth = 0.0f;

        // Justified lines share the free width among their spaces; the
        // shares never add up to more than the free width, and a line that
        // is already too wide gets none.
        m_extras.clear();
        if (hAlign == AlignJustify && lineIndex + 1 < lineCount && m_lineEndsHard[lineIndex] == 0) {
            uint32_t spaces = 0;
            for (char16_t c : line)
                spaces += c == u' ' ? 1 : 0;
            float remaining = bounds.x - scale * m_metrics->textExtent(line, kerning).x;
            if (spaces > 0 && remaining > 0.0f) {
                const float share = roundHalfUp(remaining / float(spaces));
                for (uint32_t s = 0; s < spaces; ++s) {
                    m_extras.push_back(share);
                    remaining -= share;
                    if (remaining <= 0.0f) {
                        m_extras.back() += remaining;
                        break;
                    }
                }
            }
        }

        uint32_t nextExtra = 0;
        const uint32_t length = line.length();
        for (uint32_t k = 0; k < length; ++k) {
            const char16_t c = line[k];
            const FontGlyph& glyph = m_metrics->glyph(c);
            CImageTexture* page = m_metrics->page(glyph.textureIndex);
            IDriverTexture* texture = page ? page->getTexture() : nullptr;
            if (!texture)
                continue;
            const float tw = float(texture->size().width);
            const float th = float(texture->size().height);
            const float s0 = (glyph.left - 0.5f) / tw;
            const float t0 = (glyph.top - 0.5f) / th;
            const float s1 = (glyph.right + 0.5f) / tw;
            const float t1 = (glyph.bottom + 0.5f) / th;
            const float x0 = x + scale * glyph.b.x;
            const float y0 = y + scale * glyph.b.y;
            const float x1 = x0 + scale * glyph.width;
            const float y1 = y0 + scale * glyph.height;

            CBatchQuad quad;
            quad.material = pageMaterial(page, material);
            quad.vertices[0] = {x0 - 0.5f, y0 - 0.5f, 0.0f, color, s0, t0};
            quad.vertices[1] = {x1 + 0.5f, y0 - 0.5f, 0.0f, color, s1, t0};
            quad.vertices[2] = {x1 + 0.5f, y1 + 0.5f, 0.0f, color, s1, t1};
            quad.vertices[3] = {x0 - 0.5f, y1 + 0.5f, 0.0f, color, s0, t1};

            const float pair = k + 1 < length ? float(m_metrics->pairKerning(c, line[k + 1])) : 0.0f;
            const float before = x;
            x = x0 + scale * (glyph.a.x + glyph.width + global.x + kerning.x + pair);
            if (c == u' ' && hAlign == AlignJustify && nextExtra < m_extras.size())
                x += m_extras[nextExtra++];
            lineWidth += x - before;
            m_glyphQuads.push_back(quad);
        }
        m_textWidth = std::max(m_textWidth, lineWidth);
        y += lineStep();
    }

    for (const CBatchQuad& quad : m_glyphQuads)
        m_drawOrder.push_back(&quad);
    m_drawOrder.sort([](const CBatchQuad* a, const CBatchQuad* b) {
        return std::less<const Material*>()(a->material, b->material);
    });
}

void TextLayout::setColor(CColor color) {
    for (CBatchQuad& quad : m_glyphQuads)
        for (BatchVertex& vertex : quad.vertices)
            vertex.color = color;
}

// ---------------------------------------------------------------------------
// Characters and positions

int32_t TextLayout::charsBefore(int32_t line) const {
    int32_t count = 0;
    const uint32_t end = line <= 0 ? 0 : std::min(uint32_t(line), m_lines.size());
    for (uint32_t i = 0; i < end; ++i)
        count += int32_t(m_lines[i].length());
    return count;
}

CRect TextLayout::glyphRect(int32_t index, const CVector2d& bounds) const {
    if (index >= 0 && uint32_t(index) < m_glyphQuads.size()) {
        const BatchVertex* v = m_glyphQuads[uint32_t(index)].vertices;
        return CRect(v[0].x, v[0].y, v[2].x, v[2].y);
    }
    const float x = lineOffsetX(0, bounds);
    const float y = lineTop(0, bounds);
    return CRect(x, y, x, y);
}

CRect TextLayout::charRect(int32_t line, int32_t column, const CVector2d& bounds) const {
    return glyphRect(charsBefore(line) + column, bounds);
}

int32_t TextLayout::charAtPoint(const CVector2d& point, const CVector2d& bounds, int32_t& line, int32_t& column) const {
    const float height = lineHeight();
    if (!m_metrics || height == 0.0f)
        return -1;
    const uint32_t count = m_lines.size();
    // Lines are taken as centred vertically, one line height apart.
    const float row = std::trunc((point.y - (bounds.y - float(count) * height) * 0.5f) / height);
    if (!(row >= 0.0f) || count == 0) {
        line = 0;
        column = -1;
        return -1;
    }
    if (row < float(count)) {
        const int32_t base = charsBefore(int32_t(row));
        const CStringW& text = m_lines[uint32_t(row)];
        int32_t k = 0;
        // Glyphs without a picture have no quad: the walk stops at the last quad.
        for (; k < int32_t(text.length()) && uint32_t(base + k) < m_glyphQuads.size(); ++k) {
            const BatchVertex* v = m_glyphQuads[uint32_t(base + k)].vertices;
            if ((v[0].x + v[2].x) / 2.0f >= point.x)
                break;
        }
        if (uint32_t(base + k) >= m_glyphQuads.size() && k < int32_t(text.length()))
            k = int32_t(text.length());
        line = int32_t(row);
        column = k - 1;
        return base + k;
    }
    line = int32_t(count) - 1;
    column = int32_t(m_lines[count - 1].length()) - 1;
    return charsBefore(int32_t(count));
}

int32_t TextLayout::sourcePosition(const CStringW& source, int32_t line, int32_t column) const {
    int64_t lineStart = 0;
    const uint32_t end = line <= 0 ? 0 : std::min(uint32_t(line), m_lines.size());
    const uint32_t sourceLength = source.length();
    for (uint32_t i = 0; i < end; ++i) {
        lineStart += m_lines[i].length();
        if (m_lineEndsHard[i] != 0) {
            const uint32_t at = uint32_t(std::min<int64_t>(lineStart, sourceLength));
            const bool pair = at + 1 < sourceLength && source[at] == kCR && source[at + 1] == kLF;
            lineStart += pair ? 2 : 1;
        }
    }
    const int64_t position = lineStart + column;
    if (position < 0 || position > int64_t(INT32_MAX))
        return -1;
    return int32_t(position);
}
