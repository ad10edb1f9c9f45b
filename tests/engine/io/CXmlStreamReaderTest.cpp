#include "engine/io/CXmlStreamReader.h"

#include "engine/core/CRefHandle.h"
#include "engine/io/CBufferFile.h"
#include "engine/io/CVirtualFile.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <pugixml.hpp>
#include <string>
#include <vector>

// Reaches the reader's piece size, so that short texts cross the ends of the
// pieces a file is read in.
class CXmlStreamReaderTestHook {
public:
    static CXmlStreamReader* create(IReadableFile* file, std::size_t pieceSize) {
        return new CXmlStreamReader(file, pieceSize);
    }
};

namespace {

using Bytes = std::vector<uint8_t>;

// Surrogate pairs become the character they stand for; a lone surrogate
// is shown as it is (three bytes).
std::string toUtf8(std::u16string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | (c >> 18));
            out += char(0x80 | ((c >> 12) & 0x3F));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// Code points to text in each of the forms the reader knows, with its mark.
Bytes utf8(std::u32string_view text, bool mark = true) {
    Bytes out;
    if (mark)
        out = {0xEF, 0xBB, 0xBF};
    for (char32_t c : text) {
        if (c < 0x80) {
            out.push_back(uint8_t(c));
        } else if (c < 0x800) {
            out.push_back(uint8_t(0xC0 | (c >> 6)));
            out.push_back(uint8_t(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(uint8_t(0xE0 | (c >> 12)));
            out.push_back(uint8_t(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(uint8_t(0x80 | (c & 0x3F)));
        } else {
            out.push_back(uint8_t(0xF0 | (c >> 18)));
            out.push_back(uint8_t(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(uint8_t(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(uint8_t(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

Bytes utf16(std::u32string_view text, bool bigEndian) {
    Bytes out = bigEndian ? Bytes{0xFE, 0xFF} : Bytes{0xFF, 0xFE};
    auto unit = [&](uint32_t u) {
        out.push_back(uint8_t(bigEndian ? u >> 8 : u & 0xFF));
        out.push_back(uint8_t(bigEndian ? u & 0xFF : u >> 8));
    };
    for (char32_t c : text) {
        if (c >= 0x10000) {
            unit(0xD800 + ((c - 0x10000) >> 10));
            unit(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            unit(c);
        }
    }
    return out;
}

Bytes utf32(std::u32string_view text, bool bigEndian) {
    Bytes out = bigEndian ? Bytes{0x00, 0x00, 0xFE, 0xFF} : Bytes{0xFF, 0xFE, 0x00, 0x00};
    for (char32_t c : text)
        for (int k = 0; k < 4; ++k)
            out.push_back(uint8_t(c >> (bigEndian ? 24 - 8 * k : 8 * k)));
    return out;
}

Bytes latin1(std::u32string_view text) {
    Bytes out;
    for (char32_t c : text)
        out.push_back(uint8_t(c));
    return out;
}

Bytes ascii(std::string_view text) { return Bytes(text.begin(), text.end()); }

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A reader made over a memory file holding `bytes`; the file is released at
// once, as the file system's factory does.
CRefHandle<CXmlStreamReader> readerOver(const Bytes& bytes) {
    uint8_t* copy = new uint8_t[bytes.size()];
    if (!bytes.empty())
        std::memcpy(copy, bytes.data(), bytes.size());
    auto* file = new CBufferFile(copy, int32_t(bytes.size()), CStringW(u"test.xml"), true);
    CRefHandle<CXmlStreamReader> reader(new CXmlStreamReader(file));
    file->release();
    return reader;
}

// A file the reader knows only through `read`, so it converts the bytes
// piece by piece as they come (a memory file is converted straight from its
// block).
class StreamFile : public IReadableFile {
public:
    explicit StreamFile(const Bytes& bytes) : m_bytes(bytes) {}
    int32_t read(void* buffer, int32_t count) override {
        const int32_t n = std::min(count, int32_t(m_bytes.size()) - m_position);
        if (n <= 0)
            return 0;
        std::memcpy(buffer, m_bytes.data() + m_position, size_t(n));
        m_position += n;
        return n;
    }
    bool seek(int32_t, bool) override { return false; }
    int32_t size() const override { return int32_t(m_bytes.size()); }
    int32_t position() const override { return m_position; }
    const CStringW& fileName() const override { return m_name; }

private:
    Bytes m_bytes;
    int32_t m_position = 0;
    CStringW m_name{u"stream.xml"};
};

// One line per node: "<name a=1 b=2>" (with "/>" when self-closing),
// "</name>", "T:text", "C:comment", "D:cdata", "?" for instructions.
std::string describe(const CXmlStreamReader& reader) {
    const std::string text = toUtf8(reader.nodeText().view());
    switch (reader.nodeType()) {
    case CXmlStreamReader::Element: {
        std::string line = "<" + text;
        for (int i = 0; i < reader.attributeCount(); ++i)
            line += " " + toUtf8(reader.attributeName(i).view()) + "=" + toUtf8(reader.attribute(i).view());
        return line + (reader.isSelfClosing() ? "/>" : ">");
    }
    case CXmlStreamReader::ElementEnd:
        return "</" + text + ">";
    case CXmlStreamReader::Text:
        return "T:" + text;
    case CXmlStreamReader::Comment:
        return "C:" + text;
    case CXmlStreamReader::CData:
        return "D:" + text;
    case CXmlStreamReader::Other:
        return "?";
    }
    return "none";
}

// Every node up to the end; checks that the end stays the end.
std::vector<std::string> nodesOf(CXmlStreamReader& reader) {
    std::vector<std::string> nodes;
    while (reader.readNext()) {
        nodes.push_back(describe(reader));
        if (nodes.size() > 10000)
            break;
    }
    EXPECT_FALSE(reader.readNext());
    return nodes;
}

// The nodes of `bytes`, which must be the same whether the reader converts
// them from a memory file's block or piece by piece from another file, in
// pieces of the usual size or in tiny ones.
std::vector<std::string> nodesOf(const Bytes& bytes) {
    std::vector<std::string> nodes = nodesOf(*readerOver(bytes));
    for (std::size_t pieceSize : {std::size_t(0), std::size_t(7), std::size_t(64)}) {
        auto* file = new StreamFile(bytes);
        CRefHandle<CXmlStreamReader> streamed(pieceSize == 0 ? new CXmlStreamReader(file)
                                                             : CXmlStreamReaderTestHook::create(file, pieceSize));
        file->release();
        EXPECT_TRUE(nodesOf(*streamed) == nodes) << "read in pieces of " << pieceSize << " bytes, the nodes differ";
    }
    return nodes;
}
std::vector<std::string> nodesOf(std::string_view text) { return nodesOf(ascii(text)); }

using Nodes = std::vector<std::string>;

} // namespace

TEST(CXmlStreamReader, DecodesEveryByteOrderMark) {
    const std::u32string doc = U"<a b='\u00E9\u20AC'>x\u00FF\u4E2D</a>";
    const Nodes unicode = {"<a b=\u00E9\u20AC>", "T:x\u00FF\u4E2D", "</a>"};
    const struct {
        const char* what;
        Bytes bytes;
        Nodes expected;
    } cases[] = {
        {"UTF-8 with mark", utf8(doc), unicode},
        {"UTF-16 little-endian", utf16(doc, false), unicode},
        {"UTF-16 big-endian", utf16(doc, true), unicode},
        {"UTF-32 little-endian", utf32(doc, false), unicode},
        {"UTF-32 big-endian", utf32(doc, true), unicode},
        {"UTF-16 little-endian, odd trailing byte", utf16(doc, false) + Bytes{'x'}, unicode},
        {"UTF-16 big-endian, odd trailing byte", utf16(doc, true) + Bytes{'x'}, unicode},
        {"UTF-32 little-endian, three trailing bytes", utf32(doc, false) + Bytes{'<', 0, 0}, unicode},
        {"UTF-32 big-endian, one trailing byte", utf32(doc, true) + Bytes{'<'}, unicode},
        // Characters beyond U+FFFF become surrogate pairs; only a unit of 0
        // ends the text.
        {"UTF-32 beyond U+FFFF", utf32(U"<a>x\U0001F600</a>", false), {"<a>", "T:x\U0001F600", "</a>"}},
        {"UTF-32 little-endian, low 16 bits 0",
         utf32(U"<a>x\U00010000\U00020000\U0010FFFF</a><b/>", false),
         {"<a>", "T:x\U00010000\U00020000\U0010FFFF", "</a>", "<b/>"}},
        {"UTF-32 big-endian, low 16 bits 0",
         utf32(U"<a v='\U00100000'>\U00010000</a>", true),
         {"<a v=\U00100000>", "T:\U00010000", "</a>"}},
        {"UTF-32 units that are no character",
         Bytes{0xFF, 0xFE, 0, 0} + Bytes{'<',  0,    0, 0, 'a',  0,    0,    0, '>', 0, 0, 0,
                                         0x00, 0xD8, 0, 0, 0x00, 0x00, 0x11, 0, '<', 0, 0, 0,
                                         '/',  0,    0, 0, 'a',  0,    0,    0, '>', 0, 0, 0},
         {"<a>", "T:\uFFFD\uFFFD", "</a>"}},
        {"UTF-32 zero unit ends the text", utf32(U"<a/>", true) + Bytes{0, 0, 0, 0} + utf32(U"<b/>", true), {"<a/>"}},
        {"UTF-16 surrogates pass as they are",
         utf16(U"<a>\U0001F600</a>", false) + Bytes{0x3D, 0xD8, '<', 0, 'b', 0, '/', 0, '>', 0},
         {"<a>", "T:\U0001F600", "</a>", std::string("T:") + "\xED\xA0\xBD", "<b/>"}},
        {"8-bit text, byte for byte", latin1(U"<a b='\u00E9'>x\u00FF</a>"), {"<a b=\u00E9>", "T:x\u00FF", "</a>"}},
        // Without a mark, valid UTF-8 is UTF-8; anything else 8-bit text.
        {"UTF-8 without a mark",
         utf8(U"<a b='\u00EB'>\u00E9\U0001F600</a>", false),
         {"<a b=\u00EB>", "T:\u00E9\U0001F600", "</a>"}},
        {"not UTF-8 without a mark",
         latin1(U"<a>\u00C3\u00A9 caf\u00E9</a>"),
         {"<a>", "T:\u00C3\u00A9 caf\u00E9", "</a>"}},
        {"not UTF-8 late in the text",
         utf8(U"<a>\u00E9</a>", false) + latin1(U"<b>\u00E9</b>"),
         {"<a>", "T:\u00C3\u00A9", "</a>", "<b>", "T:\u00E9", "</b>"}},
        {"declared UTF-8, bad bytes replaced",
         ascii("<?xml version='1.0' encoding='utf-8'?><a>\xE9\xC3\xA9</a>"),
         {"?", "<a>", "T:\uFFFD\u00E9", "</a>"}},
        {"overlong forms and surrogates are no UTF-8",
         ascii("<a>\xC0\xAF\xED\xA0\x80</a>"),
         {"<a>", "T:\u00C0\u00AF\u00ED\u00A0\u0080", "</a>"}},
        {"mark alone", Bytes{0xFF, 0xFE}, {}},
        {"UTF-16 mark and one byte", Bytes{0xFF, 0xFE, '<'}, {}},
        {"UTF-32 mark and three bytes", Bytes{0x00, 0x00, 0xFE, 0xFF, 0, 0, '<'}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(nodesOf(c.bytes), c.expected);
    }
}

TEST(CXmlStreamReader, DecodesUtf8WithoutVerifyingIt) {
    const struct {
        const char* what;
        Bytes text;
        std::string expected;
    } cases[] = {
        {"four-byte sequence", utf8(U"\U0001F600", false), "\U0001F600"},
        {"lead bytes F8 to FF", Bytes{0xF8, 0xFF}, "??"},
        // Two units come only from a whole four-byte sequence.
        {"four-byte lead before ASCII", Bytes{0xF3, 'i', 'o', 'n'}, "?ion"},
        {"four-byte sequence cut short", Bytes{0xF0, 0x9F, 0x98}, "?"},
        {"stray continuation bytes", Bytes{'a', 0x80, 0xBF, 'b'}, "ab"},
        // The following bytes are not checked: an ASCII byte after a lead
        // byte is part of its character and counts again on its own.
        {"lead byte before ASCII", Bytes{0xC3, 'b'}, "\u00E2b"},
        {"lead byte before \"</\"", Bytes{'a', 0xE2}, "a\u2F2F"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Bytes doc = Bytes{0xEF, 0xBB, 0xBF} + ascii("<a>") + c.text + ascii("</a>");
        const Nodes nodes = nodesOf(doc);
        ASSERT_EQ(nodes.size(), 3u);
        EXPECT_EQ(nodes[1], "T:" + c.expected);
    }
}

TEST(CXmlStreamReader, ReadsTheFileItWasGiven) {
    const Bytes doc = utf16(U"<a b='1'/>", false);
    auto reader = readerOver(doc);
    ASSERT_TRUE(reader->readNext());
    EXPECT_EQ(reader->nodeType(), CXmlStreamReader::Element);
    EXPECT_TRUE(reader->nodeName().equals(u"a"));
    EXPECT_TRUE(reader->isSelfClosing());
    EXPECT_EQ(reader->attributeCount(), 1);
    EXPECT_TRUE(reader->attribute(u"b").equals(u"1"));
    EXPECT_FALSE(reader->readNext());
    EXPECT_FALSE(reader->readNext());

    CRefHandle<CXmlStreamReader> none(new CXmlStreamReader(nullptr));
    EXPECT_FALSE(none->readNext());
    EXPECT_EQ(none->nodeType(), CXmlStreamReader::NoNode);
    EXPECT_FALSE(readerOver({})->readNext());
}

namespace {

// A file whose size promises more than it delivers, or that hands its bytes
// out a few at a time.
class StingyFile : public IReadableFile {
public:
    StingyFile(std::string bytes, int32_t claimedSize, int32_t chunk)
        : m_bytes(std::move(bytes)), m_claimedSize(claimedSize), m_chunk(chunk) {}
    int32_t read(void* buffer, int32_t count) override {
        const int32_t left = int32_t(m_bytes.size()) - m_position;
        const int32_t n = std::min({count, left, m_chunk});
        if (n <= 0)
            return 0;
        // Beyond what it delivers, the caller's buffer gets scribbled on.
        std::memset(buffer, '<', size_t(count));
        std::memcpy(buffer, m_bytes.data() + m_position, size_t(n));
        m_position += n;
        return n;
    }
    bool seek(int32_t, bool) override { return false; }
    int32_t size() const override { return m_claimedSize; }
    int32_t position() const override { return m_position; }
    const CStringW& fileName() const override { return m_name; }

private:
    std::string m_bytes;
    int32_t m_claimedSize;
    int32_t m_chunk;
    int32_t m_position = 0;
    CStringW m_name{u"stingy.xml"};
};

} // namespace

TEST(CXmlStreamReader, UsesTheBytesTheFileDelivered) {
    const struct {
        const char* what;
        int32_t claimedSize;
        int32_t chunk;
    } cases[] = {
        {"size larger than the content", 64, 1000},
        {"content handed out three bytes at a time", 15, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto* file = new StingyFile("<a x='1'></a>\r\n", c.claimedSize, c.chunk);
        CRefHandle<CXmlStreamReader> reader(new CXmlStreamReader(file));
        file->release();
        EXPECT_EQ(nodesOf(*reader), (Nodes{"<a x=1>", "</a>"}));
    }
}

TEST(CXmlStreamReader, ReadsLargeFilesAsWholeTexts) {
    // Files other than memory files are read a piece at a time (nodesOf
    // reads them in pieces of the usual size and in tiny ones): sequences and
    // units cut by a piece's end must come out as if the text had been read
    // whole. The padding moves the six-byte pattern across the piece ends;
    // the runs of ASCII take the block-wise conversions.
    auto bodyOf = [](char32_t wide) {
        std::u32string body;
        for (int i = 0; i < 70000; ++i)
            body += (i % 40 < 20) ? U'a' + char32_t(i % 20) : (i % 3 == 0) ? U'\u00E9' : (i % 3 == 1) ? wide : U'z';
        return body;
    };
    const std::u32string unicodeBody = bodyOf(U'\u20AC');
    const std::u32string byteBody = bodyOf(U'\u00FF');
    for (size_t padding = 0; padding < 6; ++padding) {
        SCOPED_TRACE(padding);
        const std::u32string head = U"<a v='" + std::u32string(padding, U'x') + U"'>";
        const std::u32string text = head + unicodeBody + U"</a>";
        const struct {
            const char* form;
            Bytes bytes;
            const std::u32string& body;
        } forms[] = {
            {"UTF-8", utf8(text), unicodeBody},
            {"UTF-16 little-endian", utf16(text, false), unicodeBody},
            {"UTF-16 big-endian", utf16(text, true), unicodeBody},
            {"UTF-32 little-endian", utf32(text, false), unicodeBody},
            {"8-bit text", latin1(head + byteBody + U"</a>"), byteBody},
        };
        for (const auto& form : forms) {
            SCOPED_TRACE(form.form);
            ASSERT_GT(form.bytes.size(), 65536u);
            const Nodes nodes = nodesOf(form.bytes);
            ASSERT_EQ(nodes.size(), 3u);
            EXPECT_EQ(nodes[0], "<a v=" + std::string(padding, 'x') + ">");
            EXPECT_TRUE(nodes[1] == "T:" + toUtf8(std::u16string(form.body.begin(), form.body.end())));
            EXPECT_EQ(nodes[2], "</a>");
            // The same bytes in memory, converted in one piece.
            CRefHandle<CXmlStreamReader> whole(new CXmlStreamReader(form.bytes.data(), form.bytes.size()));
            EXPECT_TRUE(nodesOf(*whole) == nodes);
        }
    }
}

TEST(CXmlStreamReader, ReadsMemoryFilesFromTheirPosition) {
    // A memory file's block is read in place: from the file's position on,
    // which then moves to the end as reading would move it.
    const std::string bytes = "junk<a x='1'/>";
    auto* file = new CBufferFile(const_cast<char*>(bytes.data()), int32_t(bytes.size()), CStringW(u"m.xml"), false);
    ASSERT_TRUE(file->seek(4, false));
    CRefHandle<CXmlStreamReader> reader(new CXmlStreamReader(file));
    EXPECT_EQ(file->position(), int32_t(bytes.size()));
    CRefHandle<CXmlStreamReader> atEnd(new CXmlStreamReader(file));
    file->release();
    EXPECT_EQ(nodesOf(*reader), (Nodes{"<a x=1/>"}));
    EXPECT_FALSE(atEnd->readNext());
}

namespace {

// A file that can only be reached through its memory block: reading it
// gives nothing.
class BlockOnlyFile : public IReadableFile {
public:
    explicit BlockOnlyFile(std::string bytes) : m_bytes(std::move(bytes)) {}
    int32_t read(void*, int32_t) override { return 0; }
    bool seek(int32_t position, bool relative) override {
        const int64_t target = relative ? int64_t(m_position) + position : position;
        if (target < 0 || target > int64_t(m_bytes.size()))
            return false;
        m_position = int32_t(target);
        return true;
    }
    int32_t size() const override { return int32_t(m_bytes.size()); }
    int32_t position() const override { return m_position; }
    const CStringW& fileName() const override { return m_name; }
    const uint8_t* remainingBlock(int32_t& count) const override {
        count = size() - m_position;
        return reinterpret_cast<const uint8_t*>(m_bytes.data()) + m_position;
    }

private:
    std::string m_bytes;
    int32_t m_position = 0;
    CStringW m_name{u"block.xml"};
};

} // namespace

TEST(CXmlStreamReader, ReadsEveryKindOfMemoryFileFromItsBlock) {
    // Whatever its class, a file that answers its remaining block is read
    // from it, and its position moves to the end.
    const std::string bytes = "junk<a x='1'>t</a>";
    const std::size_t skipped = 4;
    CRefHandle<IReadableFile> blockOnly(new BlockOnlyFile(bytes));
    CRefHandle<CVirtualFile> oneBlock(new CVirtualFile(u"one.xml", 1024));
    // Blocks of 5 bytes: the rest spans several, so it is read in pieces.
    CRefHandle<CVirtualFile> manyBlocks(new CVirtualFile(u"many.xml", 5));
    for (CVirtualFile* file : {oneBlock.get(), manyBlocks.get()})
        ASSERT_EQ(file->write(bytes.data(), int32_t(bytes.size())), int32_t(bytes.size()));
    const struct {
        const char* what;
        IReadableFile* file;
    } cases[] = {
        {"block only", blockOnly.get()},
        {"virtual file in one block", oneBlock.get()},
        {"virtual file over several blocks", manyBlocks.get()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(c.file->seek(int32_t(skipped), false));
        CRefHandle<CXmlStreamReader> reader(new CXmlStreamReader(c.file));
        EXPECT_EQ(c.file->position(), int32_t(bytes.size()));
        EXPECT_EQ(nodesOf(*reader), (Nodes{"<a x=1>", "T:t", "</a>"}));
    }
}

TEST(CXmlStreamReader, DropsOnlyShortWhitespaceBetweenTags) {
    EXPECT_EQ(nodesOf("<a>\r\n</a>"), (Nodes{"<a>", "</a>"}));
    EXPECT_EQ(nodesOf("<a>\r\n\t</a>"), (Nodes{"<a>", "T:\r\n\t", "</a>"}));
    EXPECT_EQ(nodesOf("<a> x</a>"), (Nodes{"<a>", "T: x", "</a>"}));
    EXPECT_EQ(nodesOf("\n<a/>"), (Nodes{"<a/>"}));
}

TEST(CXmlStreamReader, EndsAfterTheLastTag) {
    // The line break after the last element end gives no node, and the end
    // is not reported a second time.
    EXPECT_EQ(nodesOf("<a>x</a>\r\n"), (Nodes{"<a>", "T:x", "</a>"}));
    // Text after the last tag belongs to no node.
    EXPECT_EQ(nodesOf("<a/>trailing text"), (Nodes{"<a/>"}));
}

TEST(CXmlStreamReader, ReplacesTheSevenEntities) {
    const struct {
        const char* what;
        const char* text;
        const char* expected;
    } cases[] = {
        {"all seven", "&amp;&lt;&gt;&quot;&apos;&#xD;&#xA;.", "&<>\"'\r\n."},
        {"no ';' after the name", "5 &gt 3", "5 &gt 3"},
        {"decimal and hexadecimal references", "&#13;&#x41;&#X42;&#0067;", "\rABC"},
        {"references beyond U+FFFF", "&#128512;&#x1F600;", "\U0001F600\U0001F600"},
        {"references to no character", "&#0;&#xD800;&#x110000;&#99999999999;", "\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"no number or no ';'", "&#;&#x;&#12a;&#x4", "&#;&#x;&#12a;&#x4"},
        {"unknown entity", "&bogus;", "&bogus;"},
        {"replacement is not read again", "&amp;lt;", "&lt;"},
        {"'&' among the last two characters", "ab&", "ab&"},
        {"entity cut by the end", "x&lt", "x&lt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(nodesOf(std::string("<a>") + c.text + "</a>"),
                  (Nodes{"<a>", std::string("T:") + c.expected, "</a>"}));
        EXPECT_EQ(nodesOf(std::string("<a v=\"") + c.text + "\"/>"), (Nodes{std::string("<a v=") + c.expected + "/>"}));
    }
    EXPECT_EQ(nodesOf("<a v='&lt;&#xA;&bogus;'/>"), (Nodes{"<a v=<\n&bogus;/>"}));
}

TEST(CXmlStreamReader, SharesAddedEntitiesWithEveryReader) {
    auto open = readerOver(ascii("<a>&nbsp;</a>"));
    auto other = readerOver(ascii("<b/>"));
    const uint32_t before = CXmlStreamReader::entityTable().size();
    EXPECT_GE(before, 7u);
    EXPECT_TRUE(CXmlStreamReader::entityTable()[0].equals(u"&amp;"));
    EXPECT_TRUE(CXmlStreamReader::entityTable()[6].equals(u"\n#xA;"));

    if (!nodesOf("<a>&nbsp;</a>").at(1).ends_with("\u00A0")) {
        ASSERT_TRUE(CXmlStreamReader::addEntity(CStringW(u"\u00A0nbsp;")));
        EXPECT_EQ(CXmlStreamReader::entityTable().size(), before + 1);
    }
    // The reader that was open before the entity came picks it up too.
    EXPECT_EQ(nodesOf(*open), (Nodes{"<a>", "T:\u00A0", "</a>"}));
    EXPECT_EQ(nodesOf("<a x='&nbsp;&amp;'/>"), (Nodes{"<a x=\u00A0&/>"}));

    LogCapture log;
    EXPECT_FALSE(CXmlStreamReader::addEntity(CStringW(u"x")));
    EXPECT_FALSE(CXmlStreamReader::addEntity(CStringW()));
    EXPECT_TRUE(log.contains("WRN: "));
}

TEST(CXmlStreamReader, ReadsEachKindOfNode) {
    const struct {
        const char* what;
        const char* text;
        Nodes expected;
    } cases[] = {
        {"declaration and instruction", "<?xml version=\"1.0\"?><?pi x?><a/>", {"?", "?", "<a/>"}},
        {"comment", "<a><!-- note --></a>", {"<a>", "C: note ", "</a>"}},
        {"comment ends at its \"-->\"", "<a><!-- a < b > c --x--></a>", {"<a>", "C: a < b > c --x", "</a>"}},
        {"comment with an unmatched '<'", "<!-- if a < b --><a x='1'/><b/>", {"C: if a < b ", "<a x=1/>", "<b/>"}},
        {"empty comment", "<!----><a/>", {"C:", "<a/>"}},
        {"declaration with an internal subset",
         "<!DOCTYPE x [<!ENTITY e 'v'>]><x/>",
         {"C:CTYPE x [<!ENTITY e 'v'", "<x/>"}},
        {"CDATA keeps its content raw", "<a><![CDATA[<b>&amp;]]]]></a>", {"<a>", "D:<b>&amp;]]", "</a>"}},
        {"self-closing without a space", "<a/><b x='1'/><c />", {"<a/>", "<b x=1/>", "<c/>"}},
        {"element end keeps what follows the name", "<a></a >", {"<a>", "</a >"}},
        {"either quote, spaces around '='", "<a x = \"1'\" y='2\"' z=\"\"/>", {"<a x=1' y=2\" z=/>"}},
        {"tabs and line breaks between attributes", "<a\tx='1'\r\n\ty='2'>", {"<a x=1 y=2>"}},
        {"text before the first tag", "abc<a/>", {"T:abc", "<a/>"}},
        {"nothing after '/' counts", "<a / x='1'>", {"<a/>"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(nodesOf(c.text), c.expected);
    }
    EXPECT_EQ(nodesOf(ascii(std::string_view("<a/>\0<b/>", 9))), (Nodes{"<a/>"}));
}

TEST(CXmlStreamReader, EndsTheDocumentAtAnythingLeftOpen) {
    const struct {
        const char* what;
        const char* text;
        Nodes before;
    } cases[] = {
        {"comment", "<a/><!-- never closed", {"<a/>"}},
        {"comment with an inner '<'", "<a/><!DOCTYPE x [<!ENTITY e 'v'>", {"<a/>"}},
        {"CDATA", "<a/><![CDATA[never closed]]", {"<a/>"}},
        {"CDATA mark cut short", "<a/><![CDA", {"<a/>"}},
        {"element name", "<a/><bcd", {"<a/>"}},
        {"attribute list", "<a/><b x='1' ", {"<a/>"}},
        {"attribute without a quote", "<a/><b x=1>", {"<a/>"}},
        {"attribute value", "<a/><b x='1>", {"<a/>"}},
        {"self-closing tag", "<a/><b /", {"<a/>"}},
        {"element end", "<a></a", {"<a>"}},
        {"instruction", "<a/><?xml", {"<a/>"}},
        {"lone '<'", "<a/><", {"<a/>"}},
        {"text and '<'", "<a>text<", {"<a>", "T:text"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(nodesOf(c.text), c.before);
        // The same in 16-bit text, where the buffer ends right after the text.
        std::u32string wide;
        for (const char* p = c.text; *p; ++p)
            wide += char32_t(*p);
        EXPECT_EQ(nodesOf(utf16(wide, false)), c.before);
    }
}

TEST(CXmlStreamReader, KeepsElementAttributesUntilTheNextTag) {
    auto reader = readerOver(ascii("<a x='1'>text<!--c--><![CDATA[d]]><?pi?></a><b/>"));
    ASSERT_TRUE(reader->readNext());
    for (int type : {CXmlStreamReader::Text, CXmlStreamReader::Comment, CXmlStreamReader::CData}) {
        SCOPED_TRACE(type);
        ASSERT_TRUE(reader->readNext());
        EXPECT_EQ(reader->nodeType(), type);
        EXPECT_EQ(reader->attributeCount(), 1);
        EXPECT_TRUE(reader->attribute("x").equals(u"1"));
    }
    // An instruction leaves the node text of the node before.
    ASSERT_TRUE(reader->readNext());
    EXPECT_EQ(reader->nodeType(), CXmlStreamReader::Other);
    EXPECT_TRUE(reader->nodeText().equals(u"d"));
    EXPECT_EQ(reader->attributeCount(), 1);

    ASSERT_TRUE(reader->readNext());
    EXPECT_EQ(reader->nodeType(), CXmlStreamReader::ElementEnd);
    EXPECT_EQ(reader->attributeCount(), 0);
    EXPECT_TRUE(reader->attribute("x").empty());
    ASSERT_TRUE(reader->readNext());
    EXPECT_TRUE(reader->isSelfClosing());
}

TEST(CXmlStreamReader, AnswersTypedAttributes) {
    auto reader = readerOver(ascii("<a i='42' n='-7x' f='-1.5e1' abc='abc' big='99999999999' e=''/>"));
    ASSERT_TRUE(reader->readNext());
    EXPECT_EQ(reader->attributeInt("i", 7), 42);
    EXPECT_EQ(reader->attributeInt(u"n", 7), -7);
    EXPECT_EQ(reader->attributeInt(CStringW(u"abc"), 7), 0);
    EXPECT_EQ(reader->attributeInt("big", 7), 2147483647);
    EXPECT_EQ(reader->attributeInt("e", 7), 0);
    EXPECT_EQ(reader->attributeInt("missing", 7), 7);
    EXPECT_EQ(reader->attributeInt("", 7), 7);
    EXPECT_EQ(reader->attributeInt(0, 7), 42);
    EXPECT_EQ(reader->attributeInt(6, 7), 7);
    EXPECT_EQ(reader->attributeInt(-1, 7), 7);

    EXPECT_FLOAT_EQ(reader->attributeFloat("f", 2.5f), -15.0f);
    EXPECT_FLOAT_EQ(reader->attributeFloat(u"i", 2.5f), 42.0f);
    EXPECT_FLOAT_EQ(reader->attributeFloat(CStringW(u"abc"), 2.5f), 0.0f);
    EXPECT_FLOAT_EQ(reader->attributeFloat("missing", 2.5f), 2.5f);
    EXPECT_FLOAT_EQ(reader->attributeFloat(2, 2.5f), -15.0f);
    EXPECT_FLOAT_EQ(reader->attributeFloat(9, 2.5f), 2.5f);

    EXPECT_TRUE(reader->attributeName(1).equals(u"n"));
    EXPECT_TRUE(reader->attributeName(6).empty());
    EXPECT_TRUE(reader->attribute(5).empty());
    EXPECT_TRUE(reader->attribute(0).equals(u"42"));
    EXPECT_TRUE(reader->attribute(-1).empty());
    EXPECT_TRUE(reader->attribute(CStringW()).empty());
    EXPECT_TRUE(reader->attribute("I").empty()); // names are compared exactly
}

TEST(CXmlStreamReader, ParsesTypedAttributesAfterTheirEntities) {
    // Numbers are parsed from the value with its entities replaced, which is
    // shorter than the text it was written as: what follows the shortened
    // value must not count. A replacement that is a digit shows it.
    if (!nodesOf("<a>&seven;</a>").at(1).ends_with("7")) {
        ASSERT_TRUE(CXmlStreamReader::addEntity(CStringW(u"7seven;")));
    }
    auto reader = readerOver(ascii("<a i='&seven;123456' j=\"-&seven;&amp;99\" f='&seven;.5'/><b i='5'/>"));
    ASSERT_TRUE(reader->readNext());
    EXPECT_EQ(reader->attributeInt("i", 0), 7123456);
    EXPECT_EQ(reader->attributeInt("j", 0), -7);
    EXPECT_FLOAT_EQ(reader->attributeFloat("f", 0.0f), 7.5f);
    EXPECT_TRUE(reader->attribute("j").equals(u"-7&99"));
    EXPECT_TRUE(reader->attribute(0).equals(u"7123456"));
    // The next element's attributes take the same places.
    ASSERT_TRUE(reader->readNext());
    EXPECT_TRUE(reader->attribute(0).equals(u"5"));
    EXPECT_TRUE(reader->attributeName(0).equals(u"i"));
    EXPECT_EQ(reader->attributeInt(0, 0), 5);
}

namespace {

// The nodes a reader and pugixml agree on: element starts with their
// attributes, element ends, and texts (CDATA included). Whitespace-only texts,
// comments, the declaration and the document type are left out.
std::vector<std::u16string> eventsOf(CXmlStreamReader& reader) {
    std::vector<std::u16string> events;
    while (reader.readNext()) {
        const std::u16string text(reader.nodeText().view());
        switch (reader.nodeType()) {
        case CXmlStreamReader::Element:
            events.push_back(u"<" + text);
            for (int i = 0; i < reader.attributeCount(); ++i)
                events.push_back(u"@" + std::u16string(reader.attributeName(i).view()) + u"=" +
                                 std::u16string(reader.attribute(i).view()));
            if (reader.isSelfClosing())
                events.push_back(u"</" + text);
            break;
        case CXmlStreamReader::ElementEnd:
            events.push_back(u"</" + text);
            break;
        case CXmlStreamReader::Text:
        case CXmlStreamReader::CData:
            if (text.find_first_not_of(u" \t\r\n") != std::u16string::npos)
                events.push_back(u"#" + text);
            break;
        }
    }
    return events;
}

std::u16string widen(const char* utf8Text) {
    std::u16string out;
    for (wchar_t c : pugi::as_wide(utf8Text))
        out += char16_t(c);
    return out;
}

void pugiEvents(const pugi::xml_node& node, std::vector<std::u16string>& events) {
    for (pugi::xml_node child : node.children()) {
        switch (child.type()) {
        case pugi::node_element:
            events.push_back(u"<" + widen(child.name()));
            for (pugi::xml_attribute attribute : child.attributes())
                events.push_back(u"@" + widen(attribute.name()) + u"=" + widen(attribute.value()));
            pugiEvents(child, events);
            events.push_back(u"</" + widen(child.name()));
            break;
        case pugi::node_pcdata:
        case pugi::node_cdata:
            events.push_back(u"#" + widen(child.value()));
            break;
        default:
            break;
        }
    }
}

} // namespace

TEST(CXmlStreamReader, ReadsRealFilesAsPugixmlDoes) {
    for (const char* name : {"fontconfig-metric-aliases.conf", "wayland.xml", "appstream-cli.metainfo.xml"}) {
        SCOPED_TRACE(name);
        const Bytes bytes = readAllBytes(std::string(BM_SOURCE_DIR) + "/tests/engine/io/data/" + name);
        ASSERT_GT(bytes.size(), 1000u);

        pugi::xml_document document;
        // Texts and attribute values exactly as written, entities replaced.
        const pugi::xml_parse_result parsed = document.load_buffer(
            bytes.data(), bytes.size(), pugi::parse_cdata | pugi::parse_escapes, pugi::encoding_utf8);
        ASSERT_TRUE(parsed) << parsed.description();
        std::vector<std::u16string> expected;
        pugiEvents(document, expected);
        ASSERT_GT(expected.size(), 100u);

        // The files carry no mark; the reader needs one to take them as UTF-8.
        std::u32string text;
        for (wchar_t c : pugi::as_wide(std::string(bytes.begin(), bytes.end())))
            text += char32_t(c);
        const struct {
            const char* form;
            Bytes bytes;
        } forms[] = {
            {"UTF-8", Bytes{0xEF, 0xBB, 0xBF} + bytes}, {"UTF-16 little-endian", utf16(text, false)},
            {"UTF-16 big-endian", utf16(text, true)},   {"UTF-32 little-endian", utf32(text, false)},
            {"UTF-32 big-endian", utf32(text, true)},
        };
        for (const auto& form : forms) {
            SCOPED_TRACE(form.form);
            auto reader = readerOver(form.bytes);
            const std::vector<std::u16string> events = eventsOf(*reader);
            ASSERT_EQ(events.size(), expected.size());
            for (size_t i = 0; i < events.size(); ++i)
                ASSERT_EQ(events[i], expected[i])
                    << "event " << i << ": " << toUtf8(events[i]) << " against " << toUtf8(expected[i]);
        }
    }
}
