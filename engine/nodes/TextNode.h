#pragma once

#include "engine/core/CRefHandle.h"
#include "engine/core/CStringW.h"
#include "engine/nodes/TextLayout.h"
#include "engine/scene/BaseNode.h"
#include "engine/video/Material.h"

#include <cstdint>

class Font;

// Draws a text with a texture font inside the node's bounds. The source
// Text is kept as set; what is shown is its expansion by the dictionary
// (%Key% references), broken into lines at CR, LF and CR LF and, with
// WordWrap, at the node's width, aligned horizontally (left, centre, right,
// justified) and vertically, one batched quad per glyph.
//
// All geometry is made by the setters and kept: drawing never lays out, and
// a tint change only rewrites vertex colours. The bounds are read when the
// text is laid out; changing them alone does not lay it out again.
class TextNode : public BaseNode {
public:
    static constexpr int32_t TypeId = 2;

    TextNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || BaseNode::isKindOf(id); }

    [[nodiscard]] const CPropertyTable& getPropertyTable() const override;
    [[nodiscard]] static const CPropertyTable& propertyTable();
    void writeProperties(CPropertyBag& bag) const override;
    void readProperties(const CPropertyBag& bag) override;

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;
    // BaseNode's copy, then the text settings, the material, both texts (not
    // expanded again) and the font; then the lines are laid out.
    void copyFrom(const BaseNode* source, BaseNode* sceneManager) override;

    // One item {node, no texture, depth} with a font, a text and a visible
    // tint; then the children, or with ChildrenClipped one item that also
    // draws them as a clipped group.
    void registerForRendering(CArray<CRenderItem>& list) override;
    // Draws the glyphs with the node's matrix (its translation rounded to
    // whole units), clipped to `clip` by four clip planes when given.
    void render(IGraphicsDriver* driver, const CRect* clip) override;
    // Inside the bounds of a visible node.
    [[nodiscard]] bool hitTest(const CVector3d& point) const override;
    // BaseNode's computation, then the glyphs take the new tint.
    void updateAbsoluteColor() override;
    // Expands the text again and reloads the font (a language may bring its
    // own font file). The event goes on.
    bool onDictionaryChanged(CEventDictionaryChanged* event) override;

    void setText(const CStringW& text);
    [[nodiscard]] const CStringW& getText() const { return m_text; }
    [[nodiscard]] const CStringW& getDisplayText() const { return m_displayText; }
    // Holds `font` (may be null) and lays the text out with it.
    void setFont(Font* font);
    [[nodiscard]] Font* getFont() const { return m_font.get(); }
    void setFontScale(float scale);
    [[nodiscard]] float getFontScale() const { return m_layout.fontScale; }
    // x: extra advance after every character; y: extra space between lines.
    void setKerning(const CVector2d& kerning);
    [[nodiscard]] const CVector2d& getKerning() const { return m_layout.kerning; }
    void setWordWrap(bool wrap);
    [[nodiscard]] bool getWordWrap() const { return m_layout.wordWrap; }
    // 1 left, 2 centre, 3 right, 4 justify (others act as 1). Lays out
    // without breaking the lines again, so the trimming of centred and
    // justified lines waits for the next break.
    void setTextHAlign(int32_t align);
    [[nodiscard]] int32_t getTextHAlign() const { return m_layout.hAlign; }
    // 1 top, 2 centre, 3 bottom (others act as 1).
    void setTextVAlign(int32_t align);
    [[nodiscard]] int32_t getTextVAlign() const { return m_layout.vAlign; }

    // Advance of the widest line.
    [[nodiscard]] float getTextWidth() const { return m_layout.textWidth(); }
    [[nodiscard]] float getTextHeight() const { return m_layout.textHeight(); }
    [[nodiscard]] float getLineTop(int32_t line) const { return m_layout.lineTop(line, boxSize()); }
    [[nodiscard]] float getLineOffsetX(int32_t line) const { return m_layout.lineOffsetX(line, boxSize()); }
    [[nodiscard]] CRect getGlyphRect(int32_t index) const { return m_layout.glyphRect(index, boxSize()); }
    [[nodiscard]] CRect getCharRect(int32_t line, int32_t column) const {
        return m_layout.charRect(line, column, boxSize());
    }
    // The glyph index under `point` (node space) or -1, with the line and the
    // column the cursor stands after.
    [[nodiscard]] int32_t charAtPoint(const CVector2d& point, int32_t& line, int32_t& column) const {
        return m_layout.charAtPoint(point, boxSize(), line, column);
    }
    // Edit the source text at the place a displayed line and column stand
    // for; positions past the end change nothing.
    void insertCharAt(char16_t c, int32_t line, int32_t column);
    void deleteCharAt(int32_t line, int32_t column);
    // The position in the source text that `column` of the displayed `line`
    // stands for (the breaks between lines counted); -1 before the start.
    [[nodiscard]] int32_t sourcePosition(int32_t line, int32_t column) const {
        return m_layout.sourcePosition(m_text, line, column);
    }

    [[nodiscard]] const CArray<CStringW>& getLines() const { return m_layout.lines(); }
    [[nodiscard]] const CArray<uint8_t>& getLineEndsHard() const { return m_layout.lineEndsHard(); }
    [[nodiscard]] const CArray<CBatchQuad>& getGlyphQuads() const { return m_layout.glyphQuads(); }
    [[nodiscard]] const Material& getMaterial() const { return m_material; }

protected:
    ~TextNode() override;

private:
    // The font as the layout sees it.
    class FontMetrics : public ITextMetrics {
    public:
        [[nodiscard]] float lineHeight() const override;
        [[nodiscard]] CVector2d globalKerning() const override;
        [[nodiscard]] const FontGlyph& glyph(char16_t c) const override;
        [[nodiscard]] CVector2d charSize(char16_t c) const override;
        [[nodiscard]] CVector2d textExtent(const CStringW& text, const CVector2d& kerning) const override;
        [[nodiscard]] int32_t pairKerning(char16_t first, char16_t second) const override;
        [[nodiscard]] CImageTexture* page(int32_t index) const override;

        Font* font = nullptr;
    };

    // A font, a text and a tint not fully transparent.
    [[nodiscard]] bool isDrawn() const;
    void drawGlyphs(IGraphicsDriver* driver, const CRect* clip);
    [[nodiscard]] CVector2d boxSize() const { return CVector2d(getBounds().x, getBounds().y); }
    // Breaks the display text into lines, then lays them out.
    void rebuild();
    void layOut();
    void expand();

    void setKerningProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getKerningProperty() const;
    void setFontScaleProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getFontScaleProperty() const;
    void setTextHAlignProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getTextHAlignProperty() const;
    void setTextVAlignProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getTextVAlignProperty() const;
    void setWordWrapProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getWordWrapProperty() const;
    void setTextProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getTextProperty() const;
    void setFontProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getFontProperty() const;

    CRefHandle<Font> m_font;
    FontMetrics m_metrics;
    CStringW m_text;
    CStringW m_displayText;
    Material m_material;
    TextLayout m_layout;
};
