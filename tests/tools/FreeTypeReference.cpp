#include "tests/tools/FreeTypeReference.h"

#include "tools/font/FontBuilder.h"

#include <ft2build.h>
#include FT_FREETYPE_H

namespace {

FT_Face face(void* handle) { return static_cast<FT_Face>(handle); }

} // namespace

FreeTypeReference::FreeTypeReference(const std::string& fontFile, int32_t pixelSize) {
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0)
        return;
    m_library = library;
    FT_Face opened = nullptr;
    if (FT_New_Face(library, fontFile.c_str(), 0, &opened) != 0)
        return;
    m_face = opened;
    (void)FT_Set_Pixel_Sizes(opened, 0, FT_UInt(pixelSize));
}

FreeTypeReference::~FreeTypeReference() {
    if (m_face)
        FT_Done_Face(face(m_face));
    if (m_library)
        FT_Done_FreeType(static_cast<FT_Library>(m_library));
}

FreeTypeReference::Glyph FreeTypeReference::glyph(char16_t c) const {
    Glyph result;
    if (!m_face || FT_Load_Char(face(m_face), c, FontBuilder::freeTypeLoadFlags()) != 0)
        return result;
    const FT_GlyphSlot slot = face(m_face)->glyph;
    result.bitmapLeft = slot->bitmap_left;
    result.bitmapTop = slot->bitmap_top;
    result.width = int32_t(slot->bitmap.width);
    result.rows = int32_t(slot->bitmap.rows);
    result.advance = int32_t((slot->advance.x + 32) >> 6);
    for (int32_t y = 0; y < result.rows; ++y)
        for (int32_t x = 0; x < result.width; ++x)
            result.coverage.push_back(slot->bitmap.buffer[y * slot->bitmap.pitch + x]);
    return result;
}

int32_t FreeTypeReference::kerning(char16_t first, char16_t second) const {
    if (!m_face)
        return 0;
    FT_Vector delta{0, 0};
    const FT_UInt left = FT_Get_Char_Index(face(m_face), first);
    const FT_UInt right = FT_Get_Char_Index(face(m_face), second);
    if (FT_Get_Kerning(face(m_face), left, right, FT_KERNING_DEFAULT, &delta) != 0)
        return 0;
    return int32_t((delta.x + 32) >> 6);
}

int32_t FreeTypeReference::ascender() const {
    return m_face ? int32_t((face(m_face)->size->metrics.ascender + 63) >> 6) : 0;
}

std::string fixtureFontPath() { return std::string(BM_SOURCE_DIR) + "/tests/tools/data/DejaVuSans-subset.ttf"; }
