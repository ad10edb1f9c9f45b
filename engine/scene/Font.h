#pragma once

#include "engine/content/IContent.h"
#include "engine/core/CArray.h"
#include "engine/core/CMap.h"
#include "engine/core/CStringW.h"
#include "engine/core/CVector2d.h"
#include "engine/scene/IPropertySerializable.h"

#include <cstdint>
#include <string_view>

class CAtlasTexture;
class CXmlStreamReader;
class CXmlStreamWriter;

// One character's picture and metrics, in pixels.
struct FontGlyph {
    // Position in the font's texture list.
    int32_t textureIndex = 0;
    // The rectangle in pixels of that texture.
    float left = 0.0f;
    float top = 0.0f;
    float right = 0.0f;
    float bottom = 0.0f;
    // x is added to the pen before the glyph; y is the distance from the top
    // of the line down to the glyph.
    CVector2d b;
    // x is added to the pen after the glyph; y is space below the glyph,
    // counted into the line height.
    CVector2d a;
    // right - left and bottom - top.
    float width = 0.0f;
    float height = 0.0f;
};

// A texture font, as content 'font' (shared): glyph records cut from atlas
// textures, a character map, kerning pairs and the font-wide GlobalKerning
// (x spaces characters, y spaces lines). It measures text; the text node lays
// it out and draws it from the same data.
//
// Characters are 16-bit code units compared exactly. A character the map
// does not hold measures and draws as the default glyph (the space's, else
// glyph 0); a font without glyphs measures everything as nothing. Measuring
// allocates nothing.
class Font : public IPropertySerializable, public IContent {
public:
    // An empty font; its content manager (the owner of `name`) loads its
    // textures.
    explicit Font(const CObjectName& name);

    [[nodiscard]] uint32_t getContentType() const override;

    // Stores GlobalKerning as a "vector2d" value unless it is (0, 0).
    void writeProperties(CPropertyBag& bag) const override;
    // Takes GlobalKerning from the bag: kept when absent, (0, 0) when the
    // value is not a "vector2d".
    void readProperties(const CPropertyBag& bag) override;

    // The glyph's width and height with `sizeOnly`; otherwise x is the
    // advance: b.x + width + a.x + GlobalKerning.x.
    [[nodiscard]] virtual CVector2d charSize(char16_t c, bool sizeOnly) const;
    // Width and height of `text` laid out in lines (CR, LF or CR LF break a
    // line), with `extra` added to GlobalKerning: the widest line, and n
    // lines are n line heights plus (n - 1) times the vertical kerning. The
    // text ends at its end or at a 0 unit.
    [[nodiscard]] virtual CVector2d textExtent(const CStringW& text, const CVector2d& extra) const;
    // The same over part of a text.
    [[nodiscard]] CVector2d textExtent(std::u16string_view text, const CVector2d& extra) const;

    // Fills the font from a font file's reader standing on its root element.
    virtual void load(CXmlStreamReader* reader, int flag) = 0;
    // Fonts are not written: false.
    [[nodiscard]] virtual bool write(CXmlStreamWriter* writer, int flag) = 0;

    // The character's glyph, else the default glyph; an empty record for a
    // font without glyphs.
    [[nodiscard]] const FontGlyph& getGlyph(char16_t c) const;
    // The glyph index the character map gives, or -1.
    [[nodiscard]] int32_t findGlyph(char16_t c) const;
    // The amount of the pair {first, second}; 0 when the font has none.
    [[nodiscard]] int32_t getKerning(char16_t first, char16_t second) const;

    [[nodiscard]] const CVector2d& getGlobalKerning() const { return m_globalKerning; }
    void setGlobalKerning(const CVector2d& kerning) { m_globalKerning = kerning; }
    [[nodiscard]] float getLineHeight() const { return m_lineHeight; }
    // -1 for a font without glyphs.
    [[nodiscard]] int32_t getDefaultGlyph() const { return m_glyphs.empty() ? -1 : m_defaultGlyph; }

    [[nodiscard]] uint32_t getGlyphCount() const { return m_glyphs.size(); }
    [[nodiscard]] const FontGlyph& getGlyphAt(uint32_t index) const { return m_glyphs[index]; }
    [[nodiscard]] uint32_t getTextureCount() const { return m_textures.size(); }
    // The texture at `index` (no reference handed out); null for an index
    // outside the list or a texture that did not load.
    [[nodiscard]] CAtlasTexture* getTexture(int32_t index) const;
    // The texture `glyph` is cut from, or null.
    [[nodiscard]] CAtlasTexture* getGlyphTexture(const FontGlyph& glyph) const {
        return getTexture(glyph.textureIndex);
    }

protected:
    ~Font() override;

    // For loaders: empties textures, glyphs, the character map and the
    // kerning pairs.
    void clearFont();
    // Appends a texture (one reference taken; null keeps the position).
    void addTexture(CAtlasTexture* texture);
    // Appends a glyph; the first glyph of a character is the one it maps to.
    void addGlyph(char16_t c, const FontGlyph& glyph);
    // Sets the pair's amount (a later one replaces an earlier one).
    void setKerning(char16_t first, char16_t second, int32_t amount);
    // Chooses the default glyph and measures the line height.
    void finishLoading();

private:
    struct KerningPair {
        uint32_t first;
        uint32_t second;
        friend bool operator==(const KerningPair& x, const KerningPair& y) = default;
        friend bool operator<(const KerningPair& x, const KerningPair& y) {
            return x.first != y.first ? x.first < y.first : x.second < y.second;
        }
    };

    // Characters below this are looked up in tables instead of the maps
    // (Latin-1 and Cyrillic, what the game's texts hold).
    static constexpr uint32_t DirectRange = 0x500;

    CVector2d m_globalKerning;
    float m_lineHeight = 0.0f;
    CArray<CAtlasTexture*> m_textures;
    CArray<FontGlyph> m_glyphs;
    CMap<uint32_t, int32_t> m_characterMap;
    CMap<KerningPair, int32_t> m_kerningPairs;
    int32_t m_defaultGlyph = 0;
    // The character map below DirectRange (-1: not mapped), and which of
    // those characters start a kerning pair.
    int32_t m_directGlyphs[DirectRange];
    uint64_t m_kernedFirst[DirectRange / 64];
};
