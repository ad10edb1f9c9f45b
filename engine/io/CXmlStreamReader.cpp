#include "engine/io/CXmlStreamReader.h"

#include "engine/core/CLog.h"
#include "engine/core/NumberText.h"
#include "engine/io/IReadableFile.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

bool isSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r'; }

// Character classes of the scans. The text always ends with a 0 character
// (kEnd), followed by a few more, so the scans stop there without a separate
// bounds test and may look a few characters ahead.
enum : uint8_t {
    kEnd = 1,
    kSpace = 2,
    kOpen = 4,  // '<'
    kClose = 8, // '>'
    kEquals = 16,
    kDouble = 32, // '"'
    kSingle = 64, // '\''
};

// Every character from 128 up shares the last entry.
constexpr std::array<uint8_t, 129> makeClasses() {
    std::array<uint8_t, 129> classes{};
    classes[0] = kEnd;
    classes[' '] = classes['\t'] = classes['\n'] = classes['\r'] = kSpace;
    classes['<'] = kOpen;
    classes['>'] = kClose;
    classes['='] = kEquals;
    classes['"'] = kDouble;
    classes['\''] = kSingle;
    return classes;
}

constexpr std::array<uint8_t, 129> kClasses = makeClasses();

// Characters past the text's 0 that a scan may read.
constexpr std::size_t kLookAhead = 4;

uint8_t classOf(char16_t c) { return kClasses[c < 128 ? c : 128]; }

// First character at or after `p` whose class is in `stops` (which holds
// kEnd). Names and the gaps inside tags are short: a plain loop over a table
// beats vector compares there.
char16_t* scan(char16_t* p, uint8_t stops) {
    for (;; p += 4) {
        if (classOf(p[0]) & stops)
            return p;
        if (classOf(p[1]) & stops)
            return p + 1;
        if (classOf(p[2]) & stops)
            return p + 2;
        if (classOf(p[3]) & stops)
            return p + 3;
    }
}

// First `a` or `b` in [p, end), or end; eight characters at a time where the
// processor allows. For the longer runs: texts, values, the search for the
// terminator over the whole text.
char16_t* findEither(char16_t* p, char16_t* end, char16_t a, char16_t b) {
#if defined(__SSE2__)
    const __m128i va = _mm_set1_epi16(short(a));
    const __m128i vb = _mm_set1_epi16(short(b));
    while (end - p >= 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const int mask = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi16(v, va), _mm_cmpeq_epi16(v, vb)));
        if (mask)
            return p + std::countr_zero(unsigned(mask)) / 2;
        p += 8;
    }
#endif
    while (p < end && *p != a && *p != b)
        ++p;
    return p;
}

char16_t* findChar(char16_t* p, char16_t* end, char16_t c) { return findEither(p, end, c, c); }

// Stores [begin, end) in `out`. Names and the layout between tags repeat
// from one node to the next, so a string of the same length is overwritten
// in place, which spares the call into the string.
void assignChars(CStringW& out, const char16_t* begin, const char16_t* end) {
    const std::size_t length = std::size_t(end - begin);
    if (out.length() != length) {
        out.assign(begin, int(length));
        return;
    }
    for (std::size_t i = 0; i < length; ++i)
        out[uint32_t(i)] = begin[i];
}

// First occurrence of the three characters "]]>" in [p, end), or end.
char16_t* findCDataEnd(char16_t* p, char16_t* end) {
    while (end - p >= 3) {
        p = findChar(p, end - 2, u']');
        if (end - p < 3)
            break;
        if (p[1] == u']' && p[2] == u'>')
            return p;
        ++p;
    }
    return end;
}

CArray<CStringW> makeDefaultEntities() {
    CArray<CStringW> table;
    const char16_t* const entries[] = {u"&amp;", u"<lt;", u">gt;", u"\"quot;", u"'apos;", u"\r#xD;", u"\n#xA;"};
    for (const char16_t* entry : entries)
        table.push_back(CStringW(entry));
    return table;
}

CArray<CStringW>& sharedEntities() {
    static CArray<CStringW> table = makeDefaultEntities();
    return table;
}

uint8_t byteAt(const uint8_t* bytes, std::size_t count, std::size_t index) { return index < count ? bytes[index] : 0; }

// The forms of text the reader knows, told by their byte-order marks.
enum class TextForm { Utf32BigEndian, Utf32LittleEndian, Utf16BigEndian, Utf16LittleEndian, Utf8, Bytes };

// The form of a text that starts with `bytes` and holds `count` bytes in
// all; `markLength` gets the length of its mark.
TextForm detectForm(const uint8_t* b, std::size_t count, std::size_t& markLength) {
    if (count >= 4 && b[0] == 0x00 && b[1] == 0x00 && b[2] == 0xFE && b[3] == 0xFF) {
        markLength = 4;
        return TextForm::Utf32BigEndian;
    }
    if (count >= 4 && b[0] == 0xFF && b[1] == 0xFE && b[2] == 0x00 && b[3] == 0x00) {
        markLength = 4;
        return TextForm::Utf32LittleEndian;
    }
    if (count >= 2 && b[0] == 0xFE && b[1] == 0xFF) {
        markLength = 2;
        return TextForm::Utf16BigEndian;
    }
    if (count >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
        markLength = 2;
        return TextForm::Utf16LittleEndian;
    }
    if (count >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
        markLength = 3;
        return TextForm::Utf8;
    }
    markLength = 0;
    return TextForm::Bytes;
}

// The most characters `count` bytes of text (after the mark) can give.
std::size_t characterBound(TextForm form, std::size_t count) {
    switch (form) {
    case TextForm::Utf32BigEndian:
    case TextForm::Utf32LittleEndian:
        return count / 4;
    case TextForm::Utf16BigEndian:
    case TextForm::Utf16LittleEndian:
        return count / 2;
    default:
        return count;
    }
}

// What one conversion step did: characters written, bytes used, and whether
// it met a 0 character, where the text ends.
struct Converted {
    std::size_t characters = 0;
    std::size_t consumed = 0;
    bool ended = false;
};

// UTF-8 without verification: every byte that is not a continuation byte
// gives one character, built from the bytes that follow it (missing bytes at
// the end of the text count as 0). Sequences of four bytes or more, which do
// not fit one 16-bit unit, give '?'. Decodes bytes [0, usable); a lead byte
// may look at the bytes after it up to `available`.
Converted decodeUtf8(const uint8_t* bytes, std::size_t usable, std::size_t available, char16_t* out) {
    char16_t* const start = out;
    std::size_t i = 0;
    bool ended = false;
    while (i < usable) {
#if defined(__SSE2__)
        // Runs of ASCII without a 0 byte go sixteen bytes at a time.
        if (usable - i >= 16) {
            const __m128i zero = _mm_setzero_si128();
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
            if (_mm_movemask_epi8(_mm_or_si128(v, _mm_cmpeq_epi8(v, zero))) == 0) {
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi8(v, zero));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 8), _mm_unpackhi_epi8(v, zero));
                out += 16;
                i += 16;
                continue;
            }
        }
#endif
        const uint8_t b = bytes[i];
        char16_t c;
        if (b < 0x80) {
            c = b;
        } else if (b < 0xC0) {
            ++i; // continuation byte
            continue;
        } else if (b < 0xE0) {
            c = char16_t(((b & 0x1F) << 6) | (byteAt(bytes, available, i + 1) & 0x3F));
        } else if (b < 0xF0) {
            c = char16_t(((b & 0x0F) << 12) | ((byteAt(bytes, available, i + 1) & 0x3F) << 6) |
                         (byteAt(bytes, available, i + 2) & 0x3F));
        } else {
            c = u'?';
        }
        if (c == 0) {
            ended = true;
            break;
        }
        *out++ = c;
        ++i;
    }
    return {std::size_t(out - start), i, ended};
}

// 8-bit text: every byte is the character of the same value.
Converted widenBytes(const uint8_t* bytes, std::size_t count, char16_t* out) {
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (; count - i >= 16; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(v, zero)) != 0)
            break;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi8(v, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 8), _mm_unpackhi_epi8(v, zero));
    }
#endif
    for (; i < count; ++i) {
        if (bytes[i] == 0)
            return {i, i, true};
        out[i] = bytes[i];
    }
    return {count, count, false};
}

// UTF-16 and UTF-32 in either byte order: every unit gives one character
// (the low 16 bits of a 32-bit unit). A unit cut by the end of `count` is
// left for the next step.
Converted convertUnits(TextForm form, const uint8_t* b, std::size_t count, char16_t* out) {
    const bool wide = form == TextForm::Utf32BigEndian || form == TextForm::Utf32LittleEndian;
    const std::size_t unit = wide ? 4 : 2;
    const std::size_t units = count / unit;
    std::size_t i = 0;
    if (form == TextForm::Utf16LittleEndian) {
#if defined(__SSE2__)
        // The engine's own files: copied sixteen bytes at a time (processors
        // with SSE2 are little-endian).
        const __m128i zero = _mm_setzero_si128();
        for (; units - i >= 8; i += 8) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i * 2));
            if (_mm_movemask_epi8(_mm_cmpeq_epi16(v, zero)) != 0)
                break;
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), v);
        }
#endif
    }
    for (; i < units; ++i) {
        const uint8_t* u = b + i * unit;
        char16_t c;
        switch (form) {
        case TextForm::Utf32BigEndian:
            c = char16_t((u[2] << 8) | u[3]);
            break;
        case TextForm::Utf32LittleEndian:
        case TextForm::Utf16LittleEndian:
            c = char16_t(u[0] | (u[1] << 8));
            break;
        default:
            c = char16_t((u[0] << 8) | u[1]);
            break;
        }
        if (c == 0)
            return {i, i * unit, true};
        out[i] = c;
    }
    return {units, units * unit, false};
}

// Converts the next piece of text. Unless `last`, bytes that may belong to a
// unit or sequence continued by the next piece are left unused.
Converted convert(TextForm form, const uint8_t* bytes, std::size_t count, bool last, char16_t* out) {
    switch (form) {
    case TextForm::Utf8:
        // A lead byte looks at most two bytes ahead.
        return decodeUtf8(bytes, last ? count : (count > 2 ? count - 2 : 0), count, out);
    case TextForm::Bytes:
        return widenBytes(bytes, count, out);
    default:
        return convertUnits(form, bytes, count, out);
    }
}

// Bytes read from a file at a time.
constexpr std::size_t kChunkSize = 64 * 1024;

} // namespace

CXmlStreamReader::CXmlStreamReader(IReadableFile* file) {
    if (!file)
        return;
    const int32_t size = file->size();
    if (size <= 0)
        return;
    // The file is read a piece at a time and converted as it comes, so its
    // bytes are never held whole. What it really delivers counts, not the
    // size it announced.
    std::unique_ptr<uint8_t[]> chunk(new (std::nothrow) uint8_t[kChunkSize]);
    if (!chunk) {
        CLog::instance()->log(CStringW(u"Not enough memory to read XML file: ") + file->fileName(), CLog::Error);
        return;
    }
    std::size_t left = std::size_t(size);
    std::size_t held = 0;
    auto fill = [&] {
        while (held < kChunkSize && left > 0) {
            const int32_t got = file->read(chunk.get() + held, int32_t(std::min(kChunkSize - held, left)));
            if (got <= 0) {
                left = 0;
                break;
            }
            held += std::size_t(got);
            left -= std::size_t(got);
        }
    };
    fill();
    if (held == 0)
        return;

    // The first piece is either full or the whole file, so the mark test
    // sees every byte it needs.
    std::size_t markLength = 0;
    const TextForm form = detectForm(chunk.get(), held, markLength);
    char16_t* out = allocateText(characterBound(form, held + left - markLength));
    if (!out)
        return;
    char16_t* const text = out;
    std::size_t offset = markLength;
    for (;;) {
        const bool last = left == 0;
        const Converted step = convert(form, chunk.get() + offset, held - offset, last, out);
        out += step.characters;
        offset += step.consumed;
        if (step.ended || last)
            break;
        // Keep what the step left for the next piece.
        std::memmove(chunk.get(), chunk.get() + offset, held - offset);
        held -= offset;
        offset = 0;
        fill();
    }
    finishText(std::size_t(out - text));
}

CXmlStreamReader::CXmlStreamReader(const void* bytes, std::size_t count) {
    if (!bytes || count == 0)
        return;
    if (count > std::size_t(INT32_MAX)) {
        CLog::instance()->log("XML text too large to read", CLog::Error);
        return;
    }
    const uint8_t* b = static_cast<const uint8_t*>(bytes);
    std::size_t markLength = 0;
    const TextForm form = detectForm(b, count, markLength);
    char16_t* out = allocateText(characterBound(form, count - markLength));
    if (!out)
        return;
    finishText(convert(form, b + markLength, count - markLength, true, out).characters);
}

CXmlStreamReader::~CXmlStreamReader() = default;

char16_t* CXmlStreamReader::allocateText(std::size_t characters) {
    m_text.reset(new (std::nothrow) char16_t[characters + 1 + kLookAhead]);
    if (!m_text) {
        CLog::instance()->log("Not enough memory to read an XML text", CLog::Error);
        return nullptr;
    }
    return m_text.get();
}

void CXmlStreamReader::finishText(std::size_t length) {
    // The text ends at its first 0 character; the conversion stopped there.
    char16_t* text = m_text.get();
    std::fill(text + length, text + length + 1 + kLookAhead, char16_t(0));
    m_textStart = text;
    m_textEnd = text + length;
    m_cursor = text;
}

bool CXmlStreamReader::endOfText() {
    m_cursor = m_textEnd;
    return false;
}

bool CXmlStreamReader::readNext() {
    if (!m_text || m_cursor >= m_textEnd)
        return false;
    char16_t* const end = m_textEnd;
    char16_t* start = m_cursor;
    // The first '&' is noted on the way, so texts without entities are not
    // scanned twice.
    char16_t* open = findEither(start, end, u'<', u'&');
    char16_t* amp = nullptr;
    if (*open == u'&') {
        amp = open;
        open = findChar(open + 1, end, u'<');
    }
    if (open == end) {
        // Text after the last tag belongs to no node.
        return endOfText();
    }
    if (open > start) {
        bool dropped = open - start < 3;
        for (char16_t* p = start; dropped && p < open; ++p)
            dropped = isSpace(*p);
        if (!dropped) {
            m_nodeType = Text;
            assignDecoded(m_nodeText, start, open, amp ? amp : open);
            m_cursor = open;
            return true;
        }
    }

    char16_t* p = open + 1;
    switch (*p) {
    case 0:
        return endOfText();
    case u'!':
        return p[1] == u'[' ? parseCData(open) : parseComment(p);
    case u'/': {
        char16_t* close = scan(p + 1, kEnd | kClose);
        if (close == end)
            return endOfText();
        m_nodeType = ElementEnd;
        assignChars(m_nodeText, p + 1, close);
        m_selfClosing = false;
        m_attributeCount = 0;
        m_cursor = close + 1;
        return true;
    }
    case u'?': {
        char16_t* close = scan(p + 1, kEnd | kClose);
        if (close == end)
            return endOfText();
        m_nodeType = Other;
        m_cursor = close + 1;
        return true;
    }
    default:
        return parseElement(p);
    }
}

bool CXmlStreamReader::parseCData(char16_t* open) {
    // The eight characters after '<' ("![CDATA[") are not compared.
    char16_t* const end = m_textEnd;
    if (end - open <= 9)
        return endOfText();
    char16_t* content = open + 9;
    char16_t* close = findCDataEnd(content, end);
    if (close == end)
        return endOfText();
    m_nodeType = CData;
    assignChars(m_nodeText, content, close);
    m_cursor = close + 3;
    return true;
}

bool CXmlStreamReader::parseComment(char16_t* bang) {
    // Comments and declarations such as <!DOCTYPE ...>: nested '<' and '>'
    // are counted, so a declaration's internal subset stays inside.
    char16_t* const end = m_textEnd;
    int depth = 1;
    char16_t* q = bang + 1;
    for (;; ++q) {
        q = scan(q, kEnd | kOpen | kClose);
        if (q == end)
            return endOfText();
        if (*q == u'<')
            ++depth;
        else if (--depth == 0)
            break;
    }
    // Without the two characters after '!' ("--") and the two before '>'.
    m_nodeType = Comment;
    if (q - bang > 5)
        m_nodeText.assign(bang + 3, int(q - 2 - (bang + 3)));
    else
        m_nodeText.assign(u"", 0);
    m_cursor = q + 1;
    return true;
}

bool CXmlStreamReader::parseElement(char16_t* nameStart) {
    char16_t* const end = m_textEnd;
    m_selfClosing = false;
    m_attributeCount = 0;
    char16_t* p = scan(nameStart, kEnd | kSpace | kClose);
    if (p == end)
        return endOfText();
    char16_t* nameEnd = p;

    for (;;) {
        while (classOf(*p) & kSpace)
            ++p;
        if (*p == u'>')
            break;
        if (*p == 0)
            return endOfText();
        if (*p == u'/') {
            m_selfClosing = true;
            p = scan(p, kEnd | kClose);
            if (p == end)
                return endOfText();
            break;
        }
        char16_t* attributeName = p;
        p = scan(p, kEnd | kSpace | kEquals);
        char16_t* attributeNameEnd = p;
        p = scan(p, kEnd | kDouble | kSingle);
        if (p == end)
            return endOfText();
        const char16_t quote = *p;
        char16_t* value = p + 1;
        char16_t* valueEnd = findEither(value, end, quote, u'&');
        char16_t* amp = nullptr;
        if (*valueEnd == u'&') {
            amp = valueEnd;
            valueEnd = findChar(valueEnd + 1, end, quote);
        }
        if (valueEnd == end)
            return endOfText();
        if (m_attributeCount == m_attributes.size())
            m_attributes.push_back(Attribute());
        Attribute& attribute = m_attributes[m_attributeCount++];
        assignChars(attribute.name, attributeName, attributeNameEnd);
        assignDecoded(attribute.value, value, valueEnd, amp ? amp : valueEnd);
        p = valueEnd + 1;
    }

    // "<a/>": the '/' ended up in the name.
    if (nameEnd > nameStart && nameEnd[-1] == u'/') {
        --nameEnd;
        m_selfClosing = true;
    }
    m_nodeType = Element;
    assignChars(m_nodeText, nameStart, nameEnd);
    m_cursor = p + 1;
    return true;
}

void CXmlStreamReader::assignDecoded(CStringW& out, char16_t* begin, char16_t* end, char16_t* amp) {
    if (amp == end) {
        assignChars(out, begin, end);
        return;
    }
    // Replacements are never longer than their entity (entries have a name),
    // so the text is rewritten in place behind the read position.
    const CArray<CStringW>& table = sharedEntities();
    char16_t* write = amp;
    char16_t* read = amp;
    while (read < end) {
        const char16_t c = *read;
        if (c == u'&' && end - read > 2) {
            const std::size_t available = std::size_t(end - read - 1);
            bool replaced = false;
            for (const CStringW& entry : table) {
                const std::size_t nameLength = entry.length() - 1;
                if (nameLength <= available && read[1] == entry[1] &&
                    std::memcmp(read + 1, entry.data() + 1, nameLength * sizeof(char16_t)) == 0) {
                    *write++ = entry[0];
                    read += 1 + nameLength;
                    replaced = true;
                    break;
                }
            }
            if (replaced)
                continue;
        }
        *write++ = c;
        ++read;
    }
    assignChars(out, begin, write);
}

const CStringW& CXmlStreamReader::attributeName(int index) const {
    if (index < 0 || uint32_t(index) >= m_attributeCount)
        return CStringW::emptyString();
    return m_attributes[uint32_t(index)].name;
}

const CStringW& CXmlStreamReader::attribute(int index) const {
    if (index < 0 || uint32_t(index) >= m_attributeCount)
        return CStringW::emptyString();
    return m_attributes[uint32_t(index)].value;
}

int CXmlStreamReader::findAttribute(const char16_t* name) const {
    if (!name || !*name)
        return -1;
    for (uint32_t i = 0; i < m_attributeCount; ++i)
        if (m_attributes[i].name.equals(name))
            return int(i);
    return -1;
}

int CXmlStreamReader::findAttribute(const char* name) const {
    if (!name || !*name)
        return -1;
    const std::size_t length = std::strlen(name);
    for (uint32_t i = 0; i < m_attributeCount; ++i) {
        const CStringW& candidate = m_attributes[i].name;
        if (candidate.length() != length)
            continue;
        std::size_t k = 0;
        while (k < length && candidate[uint32_t(k)] == char16_t(int16_t(static_cast<signed char>(name[k]))))
            ++k;
        if (k == length)
            return int(i);
    }
    return -1;
}

const CStringW& CXmlStreamReader::attribute(const CStringW& name) const { return attribute(name.c_str()); }

const CStringW& CXmlStreamReader::attribute(const char16_t* name) const {
    const int index = findAttribute(name);
    return index < 0 ? CStringW::emptyString() : m_attributes[uint32_t(index)].value;
}

const CStringW& CXmlStreamReader::attribute(const char* name) const {
    const int index = findAttribute(name);
    return index < 0 ? CStringW::emptyString() : m_attributes[uint32_t(index)].value;
}

int CXmlStreamReader::attributeInt(int index, int fallback) const {
    if (index < 0 || uint32_t(index) >= m_attributeCount)
        return fallback;
    return parseInt(m_attributes[uint32_t(index)].value.c_str());
}

int CXmlStreamReader::attributeInt(const CStringW& name, int fallback) const {
    return attributeInt(findAttribute(name.c_str()), fallback);
}

int CXmlStreamReader::attributeInt(const char16_t* name, int fallback) const {
    return attributeInt(findAttribute(name), fallback);
}

int CXmlStreamReader::attributeInt(const char* name, int fallback) const {
    return attributeInt(findAttribute(name), fallback);
}

float CXmlStreamReader::attributeFloat(int index, float fallback) const {
    if (index < 0 || uint32_t(index) >= m_attributeCount)
        return fallback;
    return parseFloat(m_attributes[uint32_t(index)].value.c_str());
}

float CXmlStreamReader::attributeFloat(const CStringW& name, float fallback) const {
    return attributeFloat(findAttribute(name.c_str()), fallback);
}

float CXmlStreamReader::attributeFloat(const char16_t* name, float fallback) const {
    return attributeFloat(findAttribute(name), fallback);
}

float CXmlStreamReader::attributeFloat(const char* name, float fallback) const {
    return attributeFloat(findAttribute(name), fallback);
}

const CArray<CStringW>& CXmlStreamReader::entityTable() { return sharedEntities(); }

bool CXmlStreamReader::addEntity(const CStringW& entry) {
    if (entry.length() < 2) {
        CLog::instance()->log(CStringW(u"XML entity without a name refused: ") + entry, CLog::Warning);
        return false;
    }
    sharedEntities().push_back(entry);
    return true;
}
