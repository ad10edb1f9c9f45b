#pragma once

#include <cstdint>
#include <string>
#include <vector>

// FreeType's own rendering of a font, as the reference the tools' output is
// checked against: glyph bitmaps with the builder's load flags, advances,
// kerning and the ascender, straight from the library.
class FreeTypeReference {
public:
    struct Glyph {
        int32_t bitmapLeft = 0;
        int32_t bitmapTop = 0;
        int32_t width = 0;
        int32_t rows = 0;
        int32_t advance = 0;
        // rows x width coverage values, 0 to 255.
        std::vector<uint8_t> coverage;
    };

    FreeTypeReference(const std::string& fontFile, int32_t pixelSize);
    ~FreeTypeReference();
    FreeTypeReference(const FreeTypeReference&) = delete;
    FreeTypeReference& operator=(const FreeTypeReference&) = delete;

    [[nodiscard]] bool isOpen() const { return m_face != nullptr; }
    [[nodiscard]] Glyph glyph(char16_t c) const;
    // Kerning of the pair in whole pixels.
    [[nodiscard]] int32_t kerning(char16_t first, char16_t second) const;
    // Pixels from the top of a line to the baseline.
    [[nodiscard]] int32_t ascender() const;

private:
    void* m_library = nullptr;
    void* m_face = nullptr;
};

// The font fixture: DejaVu Sans cut down to ASCII, a few Latin-1 letters and
// the Cyrillic alphabet (tests/tools/data/make_fixtures.sh).
[[nodiscard]] std::string fixtureFontPath();
