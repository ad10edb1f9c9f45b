#include "tools/font/FontBuilder.h"

#include "engine/core/CString.h"
#include "engine/core/NumberText.h"
#include "engine/io/CDiskWriteFile.h"
#include "engine/io/CXmlStreamWriter.h"
#include "engine/io/FilePaths.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

namespace {

struct LibraryCloser {
    void operator()(FT_Library library) const { FT_Done_FreeType(library); }
};
struct FaceCloser {
    void operator()(FT_Face face) const { FT_Done_Face(face); }
};
using LibraryHandle = std::unique_ptr<std::remove_pointer_t<FT_Library>, LibraryCloser>;
using FaceHandle = std::unique_ptr<std::remove_pointer_t<FT_Face>, FaceCloser>;

int32_t roundPixels(FT_Pos value) { return int32_t((value + 32) >> 6); }

// The glyph bitmap as white pixels with the coverage as alpha.
CRefHandle<CPixelImage> coverageImage(const FT_Bitmap& bitmap) {
    if (bitmap.width == 0 || bitmap.rows == 0 || bitmap.pixel_mode != FT_PIXEL_MODE_GRAY)
        return nullptr;
    CRefHandle<CPixelImage> image(CPixelImage::create(CObjectName(), ColorFormat::A8R8G8B8, bitmap.width, bitmap.rows));
    if (!image)
        return nullptr;
    const int levels = bitmap.num_grays > 1 ? bitmap.num_grays - 1 : 255;
    for (uint32_t y = 0; y < bitmap.rows; ++y) {
        const uint8_t* row = bitmap.buffer + std::ptrdiff_t(y) * bitmap.pitch;
        auto* out = reinterpret_cast<uint32_t*>(image->data() + std::size_t(y) * image->pitch());
        for (uint32_t x = 0; x < bitmap.width; ++x) {
            const uint32_t alpha = uint32_t(row[x]) * 255u / uint32_t(levels);
            out[x] = alpha << 24 | 0x00FFFFFFu;
        }
    }
    return image;
}

CStringW numberPair(float x, float y) { return CStringW(formatFloat(x).text) + u"," + CStringW(formatFloat(y).text); }

CStringW character(char16_t c) { return CStringW(std::u16string_view(&c, 1)); }

// The file name of page `page` of `count` for the font file `fontPath`.
std::string pageFileName(const std::string& fontPath, uint32_t page, uint32_t count) {
    const std::string stem = std::filesystem::path(fontPath).stem().string();
    return count == 1 ? stem + ".png" : stem + "-" + std::to_string(page) + ".png";
}

void addRange(std::vector<char16_t>& characters, uint32_t first, uint32_t last) {
    for (uint32_t c = first; c <= last; ++c)
        characters.push_back(char16_t(c));
}

bool parseCodePoint(const std::string& text, uint32_t& value) {
    if (text.empty())
        return false;
    char* end = nullptr;
    const unsigned long parsed = std::strtoul(text.c_str(), &end, 0);
    if (*end != '\0' || parsed > 0xFFFF || parsed == 0)
        return false;
    value = uint32_t(parsed);
    return true;
}

} // namespace

int32_t FontBuilder::freeTypeLoadFlags() { return FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL; }

bool FontBuilder::build(const FontBuildOptions& options, std::string* error) {
    m_options = options;
    m_glyphs.clear();
    m_kerning.clear();
    m_missing.clear();
    if (options.pixelSize < 1 || options.pixelSize > 1024) {
        *error = "pixel size must be 1 to 1024";
        return false;
    }
    FT_Library rawLibrary = nullptr;
    if (FT_Init_FreeType(&rawLibrary) != 0) {
        *error = "FreeType does not start";
        return false;
    }
    LibraryHandle library(rawLibrary);
    FT_Face rawFace = nullptr;
    if (FT_New_Face(library.get(), options.fontFile.c_str(), 0, &rawFace) != 0) {
        *error = "cannot read the font " + options.fontFile;
        return false;
    }
    FaceHandle face(rawFace);
    if (FT_Set_Pixel_Sizes(face.get(), 0, FT_UInt(options.pixelSize)) != 0) {
        *error = "the font has no size " + std::to_string(options.pixelSize);
        return false;
    }
    const FT_Size_Metrics& metrics = face->size->metrics;
    const int32_t ascender = int32_t((metrics.ascender + 63) >> 6);
    const int32_t descender = int32_t(metrics.descender >> 6);
    m_lineHeight = std::max(roundPixels(metrics.height), ascender - descender);

    std::vector<char16_t> characters = options.characters;
    std::sort(characters.begin(), characters.end());
    characters.erase(std::unique(characters.begin(), characters.end()), characters.end());
    // Blank glyphs (the space) are not drawn: their rectangle stays empty.
    std::vector<AtlasInput> drawn;
    std::vector<uint32_t> drawnGlyph;
    std::vector<FT_UInt> glyphIndices;
    for (char16_t c : characters) {
        const FT_UInt index = FT_Get_Char_Index(face.get(), c);
        if (index == 0 || FT_Load_Glyph(face.get(), index, freeTypeLoadFlags()) != 0) {
            m_missing.push_back(c);
            continue;
        }
        const FT_GlyphSlot slot = face->glyph;
        BuiltGlyph glyph;
        glyph.character = c;
        CRefHandle<CPixelImage> image = coverageImage(slot->bitmap);
        const int32_t width = image ? int32_t(slot->bitmap.width) : 0;
        const int32_t height = image ? int32_t(slot->bitmap.rows) : 0;
        const int32_t advance = roundPixels(slot->advance.x);
        const int32_t bearing = image ? slot->bitmap_left : 0;
        glyph.b = CVector2d(float(bearing), image ? float(ascender - slot->bitmap_top) : 0.0f);
        glyph.a = CVector2d(float(advance - bearing - width), float(m_lineHeight) - glyph.b.y - float(height));
        if (image) {
            drawn.push_back({character(c), image});
            drawnGlyph.push_back(uint32_t(m_glyphs.size()));
        }
        m_glyphs.push_back(glyph);
        glyphIndices.push_back(index);
    }

    AtlasPackOptions atlas = options.atlas;
    atlas.trim = false;
    if (!m_packer.pack(drawn, atlas, error))
        return false;
    for (uint32_t i = 0; i < drawn.size(); ++i) {
        const AtlasPlacement& placement = m_packer.placements()[i];
        BuiltGlyph& glyph = m_glyphs[drawnGlyph[i]];
        glyph.page = placement.page;
        glyph.left = placement.left;
        glyph.top = placement.top;
        glyph.right = placement.right;
        glyph.bottom = placement.bottom;
    }

    if (FT_HAS_KERNING(face.get())) {
        for (uint32_t i = 0; i < m_glyphs.size(); ++i) {
            for (uint32_t j = 0; j < m_glyphs.size(); ++j) {
                FT_Vector delta{0, 0};
                if (FT_Get_Kerning(face.get(), glyphIndices[i], glyphIndices[j], FT_KERNING_DEFAULT, &delta) != 0)
                    continue;
                const int32_t amount = roundPixels(delta.x);
                if (amount != 0)
                    m_kerning.push_back({m_glyphs[i].character, m_glyphs[j].character, amount});
            }
        }
    }
    return true;
}

bool FontBuilder::write(const std::string& fontPath, std::string* error) const {
    const std::filesystem::path folder = std::filesystem::path(fontPath).parent_path();
    const auto pageCount = uint32_t(m_packer.pages().size());
    for (uint32_t page = 0; page < pageCount; ++page) {
        const std::string name = pageFileName(fontPath, page, pageCount);
        if (!writePngFile(*m_packer.pages()[page], (folder / name).string())) {
            *error = "cannot write " + name;
            return false;
        }
    }
    CRefHandle<CDiskWriteFile> file(CDiskWriteFile::create(fromNativePath(fontPath), false));
    if (!file) {
        *error = "cannot write " + fontPath;
        return false;
    }
    {
        CRefHandle<CXmlStreamWriter> xml(new CXmlStreamWriter(file.get()));
        xml->startDocument();
        xml->openElement(u"Font", false, u"Type", u"Bitmap");
        xml->newLine();
        const CVector2d& kerning = m_options.globalKerning;
        if (kerning.x != 0.0f || kerning.y != 0.0f) {
            const CStringW value = CStringW(formatFloat(kerning.x).text) + u";" + CStringW(formatFloat(kerning.y).text);
            xml->openElement(u"Properties", false);
            xml->newLine();
            xml->openElement(u"vector2d", true, u"Name", u"GlobalKerning", u"Value", value.c_str());
            xml->newLine();
            xml->closeElement(u"Properties");
            xml->newLine();
        }
        for (uint32_t page = 0; page < pageCount; ++page) {
            const CStringW name(pageFileName(fontPath, page, pageCount).c_str());
            xml->openElement(u"Texture", true, u"Filename", name.c_str());
            xml->newLine();
        }
        for (const BuiltGlyph& glyph : m_glyphs) {
            const CStringW c = character(glyph.character);
            const CStringW rect = numberPair(float(glyph.left), float(glyph.top)) + u"," +
                                  numberPair(float(glyph.right), float(glyph.bottom));
            const CStringW b = numberPair(glyph.b.x, glyph.b.y);
            const CStringW a = numberPair(glyph.a.x, glyph.a.y);
            const CStringW page(formatDecimal(unsigned(glyph.page)).text);
            xml->openElement(u"c", true, u"c", c.c_str(), u"r", rect.c_str(), u"b", b.c_str(), u"a", a.c_str(), u"i",
                             page.c_str());
            xml->newLine();
        }
        for (const BuiltKerningPair& pair : m_kerning) {
            const CStringW c = character(pair.first) + character(pair.second);
            const CStringW amount(formatDecimal(int(pair.amount)).text);
            xml->openElement(u"k", true, u"c", c.c_str(), u"k", amount.c_str());
            xml->newLine();
        }
        xml->closeElement(u"Font");
        xml->newLine();
        if (xml->hasError()) {
            *error = "cannot write " + fontPath;
            return false;
        }
    }
    if (!file->close(true)) {
        *error = "cannot write " + fontPath;
        return false;
    }
    return true;
}

bool parseCharacterSet(const std::string& text, std::vector<char16_t>& characters, std::string* error) {
    characters.clear();
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        const std::string item = text.substr(start, comma - start);
        start = comma + 1;
        if (item == "ascii") {
            addRange(characters, 0x20, 0x7E);
        } else if (item == "latin1") {
            addRange(characters, 0x20, 0x7E);
            addRange(characters, 0xA0, 0xFF);
        } else if (item == "cyrillic") {
            addRange(characters, 0x400, 0x45F);
            addRange(characters, 0x490, 0x491);
        } else if (item == "punctuation") {
            for (uint32_t c : {0x2013u, 0x2014u, 0x2018u, 0x2019u, 0x201Au, 0x201Cu, 0x201Du, 0x201Eu, 0x2022u, 0x2026u,
                               0x20ACu, 0x2116u})
                characters.push_back(char16_t(c));
        } else {
            const std::size_t dash = item.find('-');
            uint32_t first = 0;
            uint32_t last = 0;
            const bool ok = dash == std::string::npos
                                ? parseCodePoint(item, first) && parseCodePoint(item, last)
                                : parseCodePoint(item.substr(0, dash), first) &&
                                      parseCodePoint(item.substr(dash + 1), last) && first <= last;
            if (!ok) {
                *error = "unknown characters: \"" + item + "\"";
                return false;
            }
            addRange(characters, first, last);
        }
    }
    std::sort(characters.begin(), characters.end());
    characters.erase(std::unique(characters.begin(), characters.end()), characters.end());
    return true;
}
