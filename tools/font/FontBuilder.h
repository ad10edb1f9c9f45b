#pragma once

#include "engine/core/CVector2d.h"
#include "tools/atlas/AtlasPacker.h"

#include <cstdint>
#include <string>
#include <vector>

// What a texture font is made from.
struct FontBuildOptions {
    // A TrueType or OpenType file FreeType reads.
    std::string fontFile;
    // The em size in pixels.
    int32_t pixelSize = 16;
    // The characters to include (16-bit units); those the font lacks are
    // left out.
    std::vector<char16_t> characters;
    // Added to every advance (x) and between lines (y) by the engine.
    CVector2d globalKerning;
    AtlasPackOptions atlas;
};

// One rendered character and its metrics in the engine's terms: b.x is the
// bearing, b.y the distance from the top of the line to the glyph, a.x what
// the advance leaves after the glyph and a.y the room below it down to the
// next line.
struct BuiltGlyph {
    char16_t character = 0;
    uint32_t page = 0;
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    CVector2d b;
    CVector2d a;
};

struct BuiltKerningPair {
    char16_t first = 0;
    char16_t second = 0;
    int32_t amount = 0;
};

// Renders characters of a font with FreeType (hinted, 8-bit coverage), packs
// them into atlas pages (white, coverage as alpha) and writes the engine's
// font file with glyph rectangles, offsets, advances and the font's kerning
// pairs.
class FontBuilder {
public:
    // The FreeType load flags the glyphs are rendered with (FT_LOAD_RENDER
    // with the normal hinting target), for anyone who must compare.
    static int32_t freeTypeLoadFlags();

    // False with the reason in `error` when the font cannot be read or the
    // glyphs do not fit the pages.
    [[nodiscard]] bool build(const FontBuildOptions& options, std::string* error);

    // Writes `fontPath` (the font file) and its atlas pages beside it, named
    // after it: "Name.png", or "Name-0.png", "Name-1.png" ... for several.
    [[nodiscard]] bool write(const std::string& fontPath, std::string* error) const;

    // In character order.
    [[nodiscard]] const std::vector<BuiltGlyph>& glyphs() const { return m_glyphs; }
    [[nodiscard]] const std::vector<BuiltKerningPair>& kerningPairs() const { return m_kerning; }
    [[nodiscard]] const AtlasPacker& packer() const { return m_packer; }
    // Distance between the tops of two lines, in pixels.
    [[nodiscard]] int32_t lineHeight() const { return m_lineHeight; }
    // Characters asked for that the font has no glyph for.
    [[nodiscard]] const std::vector<char16_t>& missing() const { return m_missing; }

private:
    FontBuildOptions m_options;
    std::vector<BuiltGlyph> m_glyphs;
    std::vector<BuiltKerningPair> m_kerning;
    std::vector<char16_t> m_missing;
    AtlasPacker m_packer;
    int32_t m_lineHeight = 0;
};

// A character set from a list of names and ranges separated by commas:
// "ascii" (U+0020-007E), "latin1" (ascii and U+00A0-00FF), "cyrillic"
// (U+0400-045F, U+0490-0491), "punctuation" (dashes, quotes, ellipsis,
// euro, numero sign), single code points "0x2116" and ranges "0x41-0x5A".
// Sorted, without duplicates; false with the reason for anything else.
[[nodiscard]] bool parseCharacterSet(const std::string& text, std::vector<char16_t>& characters, std::string* error);
