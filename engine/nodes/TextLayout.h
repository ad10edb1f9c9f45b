#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CColor.h"
#include "engine/core/CMap.h"
#include "engine/core/CRect.h"
#include "engine/core/CStringW.h"
#include "engine/core/CVector2d.h"
#include "engine/scene/Font.h"
#include "engine/video/CQuadBatch.h"
#include "engine/video/Material.h"

#include <cstdint>

class CImageTexture;

// What the text layout asks of a font. The text node answers it from its
// font; tests answer it from a table.
class ITextMetrics {
public:
    virtual ~ITextMetrics() = default;

    [[nodiscard]] virtual float lineHeight() const = 0;
    [[nodiscard]] virtual CVector2d globalKerning() const = 0;
    // The glyph of `c`, or the font's default glyph when `c` has none.
    [[nodiscard]] virtual const FontGlyph& glyph(char16_t c) const = 0;
    // (b.x + width + a.x + global kerning x, height) of `c`'s glyph.
    [[nodiscard]] virtual CVector2d charSize(char16_t c) const = 0;
    // Width and height of `text` with pair kerning, `kerning` and the global kerning.
    [[nodiscard]] virtual CVector2d textExtent(const CStringW& text, const CVector2d& kerning) const = 0;
    // The amount of the kerning pair (first, second), 0 when not listed.
    [[nodiscard]] virtual int32_t pairKerning(char16_t first, char16_t second) const = 0;
    // The image texture of page `index` when it exists and holds a driver
    // texture; null otherwise (glyphs of such pages are not drawn).
    [[nodiscard]] virtual CImageTexture* page(int32_t index) const = 0;
};

// How lines break besides explicit line breaks: from the dictionary's
// "IsCharWrapOn" and "PunctuationMarks".
struct TextBreakRules {
    bool charWrap = false;
    // Characters after which a word may wrap; they stay on their line.
    CStringW punctuation;
};

// Breaks a text into lines and turns the lines into one batch quad per
// glyph, aligned inside a bounds box. All geometry is made by rebuildLines
// and layOut and kept until the next call; drawing only reads it.
class TextLayout {
public:
    static constexpr int32_t AlignLeft = 1;
    static constexpr int32_t AlignCenter = 2;
    static constexpr int32_t AlignRight = 3;
    static constexpr int32_t AlignJustify = 4;
    static constexpr int32_t AlignTop = 1;
    static constexpr int32_t AlignMiddle = 2;
    static constexpr int32_t AlignBottom = 3;

    TextLayout();
    TextLayout(const TextLayout&) = delete;
    TextLayout& operator=(const TextLayout&) = delete;

    // The font's metrics (borrowed; null: no font). Changing it forgets the
    // page materials.
    void setMetrics(const ITextMetrics* metrics);
    [[nodiscard]] const ITextMetrics* metrics() const { return m_metrics; }

    // Settings; none of them lays out by itself.
    CVector2d kerning;
    float fontScale = 1.0f;
    int32_t hAlign = AlignLeft;
    int32_t vAlign = AlignTop;
    bool wordWrap = false;

    // `bounds` below is the width and height of the box the text is placed in.

    // Splits `text` at CR, LF and CR LF and, with wordWrap and metrics, at
    // the bounds width. Centred and justified lines lose their blanks at
    // both ends.
    void rebuildLines(const CStringW& text, const TextBreakRules& rules, const CVector2d& bounds);
    // Makes the glyph quads of the lines with `material` (its first layer
    // takes each page's texture) and `color`. Without metrics there are none.
    void layOut(const Material& material, CColor color, const CVector2d& bounds);
    // Writes `color` into every glyph vertex.
    void setColor(CColor color);
    // Forgets the per-page materials (their base material changed).
    void clearPageMaterials();

    [[nodiscard]] const CArray<CStringW>& lines() const { return m_lines; }
    // One entry per line: 1 when CR, LF or CR LF ended it.
    [[nodiscard]] const CArray<uint8_t>& lineEndsHard() const { return m_lineEndsHard; }
    [[nodiscard]] const CArray<CBatchQuad>& glyphQuads() const { return m_glyphQuads; }
    // The glyph quads ordered by material.
    [[nodiscard]] const CArray<const CBatchQuad*>& drawOrder() const { return m_drawOrder; }
    // Advance of the widest line of the last layout.
    [[nodiscard]] float textWidth() const { return m_textWidth; }

    // Line height and distance between line tops, font scale applied.
    [[nodiscard]] float lineHeight() const;
    [[nodiscard]] float lineStep() const;
    // The lines' count times the line step (without metrics, times the
    // scaled vertical kerning).
    [[nodiscard]] float textHeight() const;
    // The rounded y of a line's top and x of its start.
    [[nodiscard]] float lineTop(int32_t line, const CVector2d& bounds) const;
    [[nodiscard]] float lineOffsetX(int32_t line, const CVector2d& bounds) const;
    // The rectangle of the glyph quad at `index`, or an empty one at the
    // start of the first line when there is no such quad.
    [[nodiscard]] CRect glyphRect(int32_t index, const CVector2d& bounds) const;
    // glyphRect of the character at `column` of `line`.
    [[nodiscard]] CRect charRect(int32_t line, int32_t column, const CVector2d& bounds) const;
    // The glyph index under a point of the box (-1 when none) with the line
    // and the column the cursor stands after (-1: before the first
    // character). Without metrics or with a line height of 0 the outputs
    // are left alone.
    [[nodiscard]] int32_t charAtPoint(const CVector2d& point, const CVector2d& bounds, int32_t& line,
                                      int32_t& column) const;
    // The position in `source` (the text the lines came from, before any
    // expansion) of `column` of `line`, counting the line breaks of the
    // source between lines; -1 for a negative result.
    [[nodiscard]] int32_t sourcePosition(const CStringW& source, int32_t line, int32_t column) const;
    // The number of characters in the lines before `line`.
    [[nodiscard]] int32_t charsBefore(int32_t line) const;

private:
    const Material* pageMaterial(CImageTexture* page, const Material& material);
    void trimLines();

    const ITextMetrics* m_metrics = nullptr;
    CArray<CStringW> m_lines;
    CArray<uint8_t> m_lineEndsHard;
    CArray<CBatchQuad> m_glyphQuads;
    CArray<const CBatchQuad*> m_drawOrder;
    CMap<CImageTexture*, Material> m_pageMaterials;
    CArray<float> m_extras;
    float m_textWidth = 0.0f;
};
