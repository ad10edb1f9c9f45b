#pragma once

#include "engine/core/CRefHandle.h"
#include "engine/nodes/TextLayout.h"
#include "engine/video/CImageTexture.h"

#include <map>
#include <utility>

// A font made of a table: every glyph is `glyphWidth` wide (spaces
// `spaceWidth`), `glyphHeight` high, drawn from a 256 x 128 page; glyphs of
// characters in `noPicture` name a missing page.
class FakeTextMetrics : public ITextMetrics {
public:
    FakeTextMetrics();

    [[nodiscard]] float lineHeight() const override { return glyphHeight + bottomSpace; }
    [[nodiscard]] CVector2d globalKerning() const override { return global; }
    [[nodiscard]] const FontGlyph& glyph(char16_t c) const override;
    [[nodiscard]] CVector2d charSize(char16_t c) const override;
    [[nodiscard]] CVector2d textExtent(const CStringW& text, const CVector2d& kerning) const override;
    [[nodiscard]] int32_t pairKerning(char16_t first, char16_t second) const override;
    [[nodiscard]] CImageTexture* page(int32_t index) const override { return index == 0 ? m_page.get() : nullptr; }

    float glyphWidth = 10.0f;
    float spaceWidth = 4.0f;
    float glyphHeight = 16.0f;
    float bottomSpace = 0.0f;
    CVector2d global;
    std::map<std::pair<char16_t, char16_t>, int32_t> pairs;
    CStringW noPicture;

private:
    CRefHandle<CImageTexture> m_page;
    mutable FontGlyph m_glyph;
};
