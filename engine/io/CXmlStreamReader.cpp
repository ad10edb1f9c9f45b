#include "engine/io/CXmlStreamReader.h"

#include "engine/core/CLog.h"
#include "engine/core/NumberText.h"
#include "engine/core/Utf8.h"
#include "engine/io/IReadableFile.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

bool isSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r'; }

// Stores `c` (at most U+10FFFF, no surrogate) as one or two units.
char16_t* putCodePoint(char16_t* out, char32_t c) {
    if (c < 0x10000) {
        *out++ = char16_t(c);
        return out;
    }
    c -= 0x10000;
    *out++ = char16_t(0xD800 + (c >> 10));
    *out++ = char16_t(0xDC00 + (c & 0x3FF));
    return out;
}

constexpr char16_t kReplacement = 0xFFFD;

// Character classes of the scans. The text always ends with a 0 character
// (kEnd), followed by kLookAhead more, so the scans stop there without a
// separate bounds test and may read a block of characters past their stop.
enum : uint16_t {
    kEnd = 1,
    kSpace = 2,
    kOpen = 4,  // '<'
    kClose = 8, // '>'
    kEquals = 16,
    kDouble = 32, // '"'
    kSingle = 64, // '\''
    kAmp = 128,   // '&'
    // ']', which only the search for the end of a CDATA section stops at:
    // compared directly, so that a class still fits one byte.
    kBracket = 256,
};

// One entry per 16-bit character: a lookup is a single load, with no clamp
// of the character first. Only the entries of the characters a text holds
// are ever read, mostly those below 128. (A 128-entry table behind a range
// test costs the scans more than the cache lines of CJK characters do.)
constexpr std::array<uint8_t, 65536> makeClasses() {
    std::array<uint8_t, 65536> classes{};
    classes[0] = kEnd;
    classes[' '] = classes['\t'] = classes['\n'] = classes['\r'] = kSpace;
    classes['<'] = kOpen;
    classes['>'] = kClose;
    classes['='] = kEquals;
    classes['"'] = kDouble;
    classes['\''] = kSingle;
    classes['&'] = kAmp;
    return classes;
}

constexpr std::array<uint8_t, 65536> kClasses = makeClasses();

// Characters past the text's 0 that a scan may read: one block less one.
constexpr std::size_t kLookAhead = 15;

uint8_t classOf(char16_t c) { return kClasses[c]; }

// Whether a scan for `Stops` stops at `c`.
template <uint16_t Stops> bool isStop(char16_t c) {
    if constexpr ((Stops & kBracket) != 0) {
        if (c == u']')
            return true;
    }
    return (classOf(c) & Stops) != 0;
}

// First character at or after `p` whose class is in `Stops`, which holds
// kEnd: the text's 0 ends every scan. Only the cursor's side of the text is
// scanned, where the first 0 is the text's end. Names and the gaps inside
// tags are short: a loop of well predicted branches over a table beats
// vector compares there.
template <uint16_t Stops> char16_t* scan(char16_t* p) {
    static_assert(Stops & kEnd);
    for (;; p += 4) {
        if (isStop<Stops>(p[0]))
            return p;
        if (isStop<Stops>(p[1]))
            return p + 1;
        if (isStop<Stops>(p[2]))
            return p + 2;
        if (isStop<Stops>(p[3]))
            return p + 3;
    }
}

// The same for runs that may be long (texts between tags, attribute
// values, CDATA sections), whose stops are single characters: `Prefix` blocks
// of four one at a time, then eight at a time. A vector compare answers late,
// which costs more than a predicted branch on the short runs between tags.
template <uint16_t Stops, int Prefix> char16_t* scanRun(char16_t* p) {
    static_assert((Stops & kEnd) && !(Stops & kSpace));
    for (int i = 0; i < Prefix; ++i, p += 4) {
        if (isStop<Stops>(p[0]))
            return p;
        if (isStop<Stops>(p[1]))
            return p + 1;
        if (isStop<Stops>(p[2]))
            return p + 2;
        if (isStop<Stops>(p[3]))
            return p + 3;
    }
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (;; p += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        __m128i hits = _mm_cmpeq_epi16(v, zero);
        if constexpr ((Stops & kOpen) != 0)
            hits = _mm_or_si128(hits, _mm_cmpeq_epi16(v, _mm_set1_epi16('<')));
        if constexpr ((Stops & kClose) != 0)
            hits = _mm_or_si128(hits, _mm_cmpeq_epi16(v, _mm_set1_epi16('>')));
        if constexpr ((Stops & kEquals) != 0)
            hits = _mm_or_si128(hits, _mm_cmpeq_epi16(v, _mm_set1_epi16('=')));
        if constexpr ((Stops & kDouble) != 0)
            hits = _mm_or_si128(hits, _mm_cmpeq_epi16(v, _mm_set1_epi16('"')));
        if constexpr ((Stops & kSingle) != 0)
            hits = _mm_or_si128(hits, _mm_cmpeq_epi16(v, _mm_set1_epi16('\'')));
        if constexpr ((Stops & kAmp) != 0)
            hits = _mm_or_si128(hits, _mm_cmpeq_epi16(v, _mm_set1_epi16('&')));
        if constexpr ((Stops & kBracket) != 0)
            hits = _mm_or_si128(hits, _mm_cmpeq_epi16(v, _mm_set1_epi16(']')));
        const unsigned mask = unsigned(_mm_movemask_epi8(hits));
        if (mask != 0)
            return p + std::countr_zero(mask) / 2;
    }
#else
    return scan<Stops>(p);
#endif
}

// The end of an attribute value opened by `quote` at or after `p`: the
// closing quote or the text's 0, or with `Amp` also the first '&'.
template <bool Amp> char16_t* findQuote(char16_t* p, char16_t quote) {
    constexpr uint16_t amp = Amp ? kAmp : 0;
    return quote == u'"' ? scanRun<kEnd | kDouble | amp, 0>(p) : scanRun<kEnd | kSingle | amp, 0>(p);
}

// Stores [begin, end) in `out`, whose buffer is reused.
void assignChars(CStringW& out, const char16_t* begin, const char16_t* end) { out.assign(begin, int(end - begin)); }

// First "]]>" at or after `p`, or `end` (the text's 0) when there is none.
char16_t* findCDataEnd(char16_t* p, char16_t* end) {
    for (;; ++p) {
        p = scanRun<kEnd | kBracket, 0>(p);
        if (p == end || (p[1] == u']' && p[2] == u'>'))
            return p;
    }
}

// The character reference "&#N;" (decimal) or "&#xN;" (hexadecimal) at
// `amp`, ending before `end`: answers its length with `c` set, or 0 when
// there is none. A number that names no character (0, a surrogate, past
// U+10FFFF) gives U+FFFD.
std::size_t characterReference(const char16_t* amp, const char16_t* end, char32_t& c) {
    const char16_t* p = amp + 2;
    const bool hex = p < end && (*p == u'x' || *p == u'X');
    if (hex)
        ++p;
    const char16_t* const digits = p;
    uint32_t value = 0;
    bool tooLarge = false;
    for (; p < end; ++p) {
        uint32_t digit;
        if (*p >= u'0' && *p <= u'9')
            digit = uint32_t(*p - u'0');
        else if (hex && *p >= u'a' && *p <= u'f')
            digit = uint32_t(*p - u'a' + 10);
        else if (hex && *p >= u'A' && *p <= u'F')
            digit = uint32_t(*p - u'A' + 10);
        else
            break;
        value = value * (hex ? 16 : 10) + digit;
        tooLarge = tooLarge || value > 0x10FFFF;
        if (tooLarge)
            value = 0x110000;
    }
    if (p == digits || p >= end || *p != u';')
        return 0;
    const bool valid = !tooLarge && value != 0 && !(value >= 0xD800 && value <= 0xDFFF);
    c = valid ? value : kReplacement;
    return std::size_t(p + 1 - amp);
}

CArray<CStringW> makeDefaultEntities() {
    CArray<CStringW> table;
    for (const char16_t* entry : CXmlStreamReader::kDefaultEntities)
        table.push_back(CStringW(entry));
    return table;
}

CArray<CStringW>& sharedEntities() {
    static CArray<CStringW> table = makeDefaultEntities();
    return table;
}

uint8_t byteAt(const uint8_t* bytes, std::size_t count, std::size_t index) { return index < count ? bytes[index] : 0; }

// The forms of text the reader knows: told by their byte-order marks, and
// for a text without one, by its declaration and its bytes.
enum class TextForm {
    Utf32BigEndian,
    Utf32LittleEndian,
    Utf16BigEndian,
    Utf16LittleEndian,
    Utf8,         // marked: decoded without verification
    Utf8Declared, // no mark, declared UTF-8: bad bytes become U+FFFD
    Utf8Unmarked, // no mark: UTF-8 while it is valid, else 8-bit text
    Bytes,        // 8-bit text: every byte is the character of its value
};

// How far into a text without a mark its declaration is looked for; a
// reader of pieces gathers this much before deciding.
constexpr std::size_t kDeclarationWindow = 256;

bool equalsIgnoringAsciiCase(const uint8_t* text, std::size_t length, const char* lower) {
    if (std::strlen(lower) != length)
        return false;
    for (std::size_t i = 0; i < length; ++i) {
        const uint8_t c = text[i] >= 'A' && text[i] <= 'Z' ? uint8_t(text[i] + 32) : text[i];
        if (c != uint8_t(lower[i]))
            return false;
    }
    return true;
}

// Whether the XML declaration at the start of `b` names UTF-8 as the
// encoding ('<?xml ... encoding="UTF-8" ...?>', any case).
bool declaresUtf8(const uint8_t* b, std::size_t count) {
    count = std::min(count, kDeclarationWindow);
    if (count < 6 || std::memcmp(b, "<?xml", 5) != 0)
        return false;
    std::size_t end = 5;
    while (end + 1 < count && !(b[end] == '?' && b[end + 1] == '>'))
        ++end;
    for (std::size_t i = 5; i + 8 <= end; ++i) {
        if (std::memcmp(b + i, "encoding", 8) != 0)
            continue;
        std::size_t at = i + 8;
        while (at < end && isSpace(char16_t(b[at])))
            ++at;
        if (at >= end || b[at] != '=')
            return false;
        ++at;
        while (at < end && isSpace(char16_t(b[at])))
            ++at;
        if (at >= end || (b[at] != '"' && b[at] != '\''))
            return false;
        const uint8_t quote = b[at++];
        std::size_t close = at;
        while (close < end && b[close] != quote)
            ++close;
        return close < end && (equalsIgnoringAsciiCase(b + at, close - at, "utf-8") ||
                               equalsIgnoringAsciiCase(b + at, close - at, "utf8"));
    }
    return false;
}

// The form of a text that starts with `bytes` and holds `count` bytes in
// all (or, read in pieces, at least kDeclarationWindow of them); `markLength`
// gets the length of its mark.
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
    return declaresUtf8(b, count) ? TextForm::Utf8Declared : TextForm::Utf8Unmarked;
}

// The most characters `count` bytes of text (after the mark) can give. A
// character beyond U+FFFF takes two (a surrogate pair): from four bytes of
// UTF-8 or one unit of UTF-32.
std::size_t characterBound(TextForm form, std::size_t count) {
    switch (form) {
    case TextForm::Utf32BigEndian:
    case TextForm::Utf32LittleEndian:
        return count / 4 * 2;
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
    // Unmarked UTF-8 met a byte that is no UTF-8: the step stopped before it.
    bool invalid = false;
};

// Texts whose blocks of sixteen bytes convert without looking at each
// character: ASCII (bytes below 0x80, widened), 8-bit text (any byte,
// widened) and UTF-16 little-endian (copied: processors with SSE2 are
// little-endian).
enum class Block { Ascii, Bytes, Utf16LittleEndian };

// Converts whole blocks of sixteen bytes from `in` into `out` while they
// hold no 0 character (and, for ASCII, no byte of 0x80 or more); answers
// the bytes used, a multiple of sixteen. The caller converts the rest.
template <Block Kind> std::size_t convertBlocks(const uint8_t* in, std::size_t count, char16_t* out) {
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (; count - i >= 16; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        if constexpr (Kind == Block::Utf16LittleEndian) {
            if (_mm_movemask_epi8(_mm_cmpeq_epi16(v, zero)) != 0)
                break;
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i / 2), v);
        } else {
            __m128i stops = _mm_cmpeq_epi8(v, zero);
            if constexpr (Kind == Block::Ascii)
                stops = _mm_or_si128(stops, v); // the high bit of every byte
            if (_mm_movemask_epi8(stops) != 0)
                break;
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi8(v, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 8), _mm_unpackhi_epi8(v, zero));
        }
    }
#else
    static_cast<void>(in);
    static_cast<void>(count);
    static_cast<void>(out);
#endif
    return i;
}

// UTF-8 without verification: every byte that is not a continuation byte
// gives one character, built from the bytes that follow it (missing bytes at
// the end of the text count as 0); a whole sequence of four bytes gives a
// surrogate pair, any other lead byte of 0xF0 and above '?'. Decodes bytes [0, usable); a lead
// byte may look at the bytes after it up to `available`.
// Not engine/core/Utf8.h, which verifies and replaces bad bytes: files marked
// as UTF-8 keep these lenient rules on purpose.
Converted decodeUtf8(const uint8_t* bytes, std::size_t usable, std::size_t available, char16_t* out) {
    char16_t* const start = out;
    std::size_t i = 0;
    bool ended = false;
    while (i < usable) {
        if (usable - i >= 16) {
            // Runs of ASCII without a 0 byte go a block at a time.
            const std::size_t done = convertBlocks<Block::Ascii>(bytes + i, usable - i, out);
            if (done != 0) {
                out += done;
                i += done;
                continue;
            }
        }
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
        } else if (b < 0xF8) {
            // Two units for one lead byte: only with its three continuation
            // bytes there, so that no text gives more units than bytes.
            const uint8_t b1 = byteAt(bytes, available, i + 1);
            const uint8_t b2 = byteAt(bytes, available, i + 2);
            const uint8_t b3 = byteAt(bytes, available, i + 3);
            const char32_t wide =
                char32_t(b & 0x07) << 18 | char32_t(b1 & 0x3F) << 12 | char32_t(b2 & 0x3F) << 6 | char32_t(b3 & 0x3F);
            if ((b1 & 0xC0) == 0x80 && (b2 & 0xC0) == 0x80 && (b3 & 0xC0) == 0x80 && wide >= 0x10000 &&
                wide <= 0x10FFFF) {
                out = putCodePoint(out, wide);
                i += 4;
                continue;
            }
            c = u'?';
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
    return {std::size_t(out - start), i, ended, false};
}

// The length of the valid UTF-8 sequence at `b` (of `available` bytes), or
// 0 when it is none: no overlong forms, surrogates or values past U+10FFFF.
std::size_t validSequence(const uint8_t* b, std::size_t available, char32_t& c) {
    const uint8_t lead = b[0];
    std::size_t length;
    uint8_t low = 0x80;
    uint8_t high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        c = lead & 0x0F;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        c = lead & 0x07;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (available < length)
        return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const uint8_t next = b[k];
        if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF))
            return 0;
        c = (c << 6) | (next & 0x3F);
    }
    return length;
}

// Verified UTF-8, for texts without a mark. A byte that starts no valid
// sequence becomes U+FFFD when `Replace`; otherwise the step stops before it
// and says so. Bytes [0, usable) are decoded; a sequence may run on up to
// `available`.
template <bool Replace>
Converted decodeVerifiedUtf8(const uint8_t* bytes, std::size_t usable, std::size_t available, char16_t* out) {
    char16_t* const start = out;
    std::size_t i = 0;
    while (i < usable) {
        if (usable - i >= 16) {
            const std::size_t done = convertBlocks<Block::Ascii>(bytes + i, usable - i, out);
            if (done != 0) {
                out += done;
                i += done;
                continue;
            }
        }
        const uint8_t b = bytes[i];
        if (b < 0x80) {
            if (b == 0)
                return {std::size_t(out - start), i, true, false};
            *out++ = b;
            ++i;
            continue;
        }
        char32_t c = 0;
        const std::size_t length = validSequence(bytes + i, available - i, c);
        if (length == 0) {
            if (!Replace)
                return {std::size_t(out - start), i, false, true};
            *out++ = kReplacement;
            ++i;
            continue;
        }
        out = putCodePoint(out, c);
        i += length;
    }
    return {std::size_t(out - start), i, false, false};
}

// 8-bit text: every byte is the character of the same value.
Converted widenBytes(const uint8_t* bytes, std::size_t count, char16_t* out) {
    for (std::size_t i = convertBlocks<Block::Bytes>(bytes, count, out); i < count; ++i) {
        if (bytes[i] == 0)
            return {i, i, true, false};
        out[i] = bytes[i];
    }
    return {count, count, false, false};
}

// UTF-16 and UTF-32 in either byte order: every 16-bit unit gives one
// character; a 32-bit unit beyond U+FFFF gives a surrogate pair, and one that
// is no character (a surrogate, past U+10FFFF) U+FFFD. Only a unit of 0 ends
// the text. A unit cut by the end of `count` is left for the next step.
Converted convertUnits(TextForm form, const uint8_t* b, std::size_t count, char16_t* out) {
    const bool wide = form == TextForm::Utf32BigEndian || form == TextForm::Utf32LittleEndian;
    const std::size_t unit = wide ? 4 : 2;
    const std::size_t units = count / unit;
    if (!wide) {
        // The engine's own files are UTF-16 little-endian.
        std::size_t i =
            form == TextForm::Utf16LittleEndian ? convertBlocks<Block::Utf16LittleEndian>(b, count, out) / 2 : 0;
        for (; i < units; ++i) {
            const uint8_t* u = b + i * unit;
            const char16_t c =
                form == TextForm::Utf16LittleEndian ? char16_t(u[0] | (u[1] << 8)) : char16_t((u[0] << 8) | u[1]);
            if (c == 0)
                return {i, i * unit, true, false};
            out[i] = c;
        }
        return {units, units * unit, false, false};
    }
    char16_t* const start = out;
    for (std::size_t i = 0; i < units; ++i) {
        const uint8_t* u = b + i * unit;
        const char32_t c = form == TextForm::Utf32BigEndian
                               ? char32_t(u[0]) << 24 | char32_t(u[1]) << 16 | char32_t(u[2]) << 8 | u[3]
                               : char32_t(u[3]) << 24 | char32_t(u[2]) << 16 | char32_t(u[1]) << 8 | u[0];
        if (c == 0)
            return {std::size_t(out - start), i * unit, true, false};
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            *out++ = kReplacement;
        else
            out = putCodePoint(out, c);
    }
    return {std::size_t(out - start), units * unit, false, false};
}

// Converts the next piece of text. Unless `last`, bytes that may belong to a
// unit or sequence continued by the next piece are left unused.
Converted convert(TextForm form, const uint8_t* bytes, std::size_t count, bool last, char16_t* out) {
    // A UTF-8 lead byte looks at most three bytes ahead.
    const std::size_t usable = last ? count : (count > 3 ? count - 3 : 0);
    switch (form) {
    case TextForm::Utf8:
        return decodeUtf8(bytes, usable, count, out);
    case TextForm::Utf8Declared:
        return decodeVerifiedUtf8<true>(bytes, usable, count, out);
    case TextForm::Utf8Unmarked:
        return decodeVerifiedUtf8<false>(bytes, usable, count, out);
    case TextForm::Bytes:
        return widenBytes(bytes, count, out);
    default:
        return convertUnits(form, bytes, count, out);
    }
}

// Unmarked text found not to be UTF-8 after `length` characters: they are
// turned back into the bytes they came from (valid UTF-8, so exactly those),
// which are taken as 8-bit text. Answers the new length.
std::size_t rereadAsBytes(char16_t* text, std::size_t length) {
    const std::string bytes = utf16ToUtf8(std::u16string_view(text, length));
    for (std::size_t i = 0; i < bytes.size(); ++i)
        text[i] = char16_t(uint8_t(bytes[i]));
    return bytes.size();
}

} // namespace

CXmlStreamReader::CXmlStreamReader(IReadableFile* file, std::size_t pieceSize) {
    if (!file)
        return;
    const int32_t size = file->size();
    if (size <= 0)
        return;
    int32_t count = 0;
    if (const uint8_t* block = file->remainingBlock(count)) {
        // A file in memory (archive members are) is converted straight from
        // its block, which spares copying its bytes; its position moves on
        // as reading would move it.
        if (count <= 0)
            return;
        convertText(block, std::size_t(count), &file->fileName());
        static_cast<void>(file->seek(count, true));
        return;
    }
    readPieces(file, std::max<std::size_t>(pieceSize, 4));
}

void CXmlStreamReader::readPieces(IReadableFile* file, std::size_t pieceSize) {
    // The file is read a piece at a time and converted as it comes, so its
    // bytes are never held whole. What it really delivers counts, not the
    // size it announced. The first piece is at least large enough for a
    // declaration to be seen whole.
    const std::size_t capacity = std::max(pieceSize, kDeclarationWindow);
    std::unique_ptr<uint8_t[]> piece(new (std::nothrow) uint8_t[capacity]);
    if (!piece) {
        CLog::instance()->log(CStringW(u"Not enough memory to read XML file: ") + file->fileName(), CLog::Error);
        return;
    }
    std::size_t left = std::size_t(file->size());
    std::size_t held = 0;
    auto fill = [&](std::size_t target) {
        while (held < target && left > 0) {
            const int32_t got = file->read(piece.get() + held, int32_t(std::min(target - held, left)));
            if (got <= 0) {
                left = 0;
                break;
            }
            held += std::size_t(got);
            left -= std::size_t(got);
        }
    };
    fill(capacity);
    if (held == 0)
        return;

    // The first piece is either full or the whole file, so the form test
    // sees every byte it needs.
    std::size_t markLength = 0;
    TextForm form = detectForm(piece.get(), held, markLength);
    char16_t* out = allocateText(characterBound(form, held + left - markLength), &file->fileName());
    if (!out)
        return;
    char16_t* const text = out;
    std::size_t offset = markLength;
    for (;;) {
        const bool last = left == 0;
        const Converted step = convert(form, piece.get() + offset, held - offset, last, out);
        out += step.characters;
        offset += step.consumed;
        if (step.invalid) {
            out = text + rereadAsBytes(text, std::size_t(out - text));
            form = TextForm::Bytes;
            continue;
        }
        if (step.ended || last)
            break;
        // Keep what the step left for the next piece (fewer bytes than a
        // piece holds, so every step moves on).
        std::memmove(piece.get(), piece.get() + offset, held - offset);
        held -= offset;
        offset = 0;
        fill(pieceSize);
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
    convertText(static_cast<const uint8_t*>(bytes), count, nullptr);
}

void CXmlStreamReader::convertText(const uint8_t* b, std::size_t count, const CStringW* fileName) {
    std::size_t markLength = 0;
    const TextForm form = detectForm(b, count, markLength);
    char16_t* out = allocateText(characterBound(form, count - markLength), fileName);
    if (!out)
        return;
    Converted step = convert(form, b + markLength, count - markLength, true, out);
    if (step.invalid) {
        // Not UTF-8 after all: the whole text is 8-bit.
        step = convert(TextForm::Bytes, b, count, true, out);
    }
    finishText(step.characters);
}

CXmlStreamReader::~CXmlStreamReader() = default;

char16_t* CXmlStreamReader::allocateText(std::size_t characters, const CStringW* fileName) {
    m_text.reset(new (std::nothrow) char16_t[characters + 1 + kLookAhead]);
    if (!m_text) {
        CLog::instance()->log(fileName ? CStringW(u"Not enough memory to read XML file: ") + *fileName
                                       : CStringW(u"Not enough memory to read an XML text in memory"),
                              CLog::Error);
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
    // Both are null when there is no text.
    if (m_cursor >= m_textEnd)
        return false;
    char16_t* const end = m_textEnd;
    char16_t* open = m_cursor;
    if (*open != u'<') {
        // Text up to the next tag. The first '&' is noted on the way, so
        // texts without entities are not scanned twice.
        char16_t* const start = open;
        open = scanRun<kEnd | kOpen | kAmp, 4>(start);
        char16_t* amp = end;
        if (*open == u'&') {
            amp = open;
            open = scanRun<kEnd | kOpen, 4>(open + 1);
        }
        if (open == end) {
            // Text after the last tag belongs to no node.
            return endOfText();
        }
        bool dropped = open - start < 3;
        for (char16_t* p = start; dropped && p < open; ++p)
            dropped = isSpace(*p);
        if (!dropped) {
            m_nodeType = Text;
            assignDecoded(m_nodeText, start, open, amp == end ? open : amp);
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
        char16_t* close = scan<kEnd | kClose>(p + 1);
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
        char16_t* close = scan<kEnd | kClose>(p + 1);
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
    char16_t* const end = m_textEnd;
    if (bang[1] == u'-' && bang[2] == u'-') {
        // A comment ends at the first "-->", whatever it holds.
        char16_t* content = bang + 3;
        char16_t* q = content;
        for (;; ++q) {
            q = scan<kEnd | kClose>(q);
            if (q == end)
                return endOfText();
            if (q - content >= 2 && q[-1] == u'-' && q[-2] == u'-')
                break;
        }
        m_nodeType = Comment;
        m_nodeText.assign(content, int(q - 2 - content));
        m_cursor = q + 1;
        return true;
    }
    // Declarations such as <!DOCTYPE ...>: nested '<' and '>' are counted,
    // so an internal subset stays inside.
    int depth = 1;
    char16_t* q = bang + 1;
    for (;; ++q) {
        q = scan<kEnd | kOpen | kClose>(q);
        if (q == end)
            return endOfText();
        if (*q == u'<')
            ++depth;
        else if (--depth == 0)
            break;
    }
    // Without the two characters after '!' and the two before '>'.
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
    char16_t* p = scan<kEnd | kSpace | kClose>(nameStart);
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
            p = scan<kEnd | kClose>(p);
            if (p == end)
                return endOfText();
            break;
        }
        char16_t* attributeName = p;
        p = scan<kEnd | kSpace | kEquals>(p);
        char16_t* attributeNameEnd = p;
        p = scan<kEnd | kDouble | kSingle>(p);
        if (p == end)
            return endOfText();
        const char16_t quote = *p;
        char16_t* value = p + 1;
        char16_t* valueEnd = findQuote<true>(value, quote);
        char16_t* amp = nullptr;
        if (*valueEnd == u'&') {
            amp = valueEnd;
            valueEnd = findQuote<false>(valueEnd + 1, quote);
        }
        if (valueEnd == end)
            return endOfText();
        if (m_attributeCount == m_attributes.size())
            addAttributeSlot();
        Attribute& attribute = m_attributes[m_attributeCount++];
        attribute.nameBegin = attributeName;
        attribute.nameLength = uint32_t(attributeNameEnd - attributeName);
        attribute.nameMade = false;
        // The closing quote is behind the cursor from now on; a 0 in its
        // place (or where a shortened value ends) lets the number parsers
        // read the value in place.
        char16_t* valueStop = amp ? decodeEntities(amp, valueEnd) : valueEnd;
        *valueStop = 0;
        attribute.valueBegin = value;
        attribute.valueLength = uint32_t(valueStop - value);
        attribute.valueMade = false;
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

void CXmlStreamReader::addAttributeSlot() { m_attributes.push_back(Attribute()); }

char16_t* CXmlStreamReader::decodeEntities(char16_t* amp, char16_t* end) {
    // Replacements are never longer than their entity (entries have a name),
    // so the text is rewritten in place behind the read position.
    const CArray<CStringW>& table = sharedEntities();
    char16_t* write = amp;
    char16_t* read = amp;
    while (read < end) {
        // `read` is on a '&'. One among the last two characters stays.
        const std::size_t available = std::size_t(end - read - 1);
        const CStringW* match = nullptr;
        if (available > 1) {
            for (const CStringW& entry : table) {
                const std::size_t nameLength = entry.length() - 1;
                if (nameLength > available || read[1] != entry[1])
                    continue;
                std::size_t k = 2;
                while (k <= nameLength && read[k] == entry[uint32_t(k)])
                    ++k;
                if (k > nameLength) {
                    match = &entry;
                    break;
                }
            }
        }
        std::size_t referenceLength = 0;
        char32_t reference = 0;
        if (match) {
            *write++ = (*match)[0];
            read += match->length();
        } else if (read[1] == u'#' && (referenceLength = characterReference(read, end, reference)) != 0) {
            // "&#N;" and "&#xN;" are at least four characters, and give at
            // most two: the rewrite stays behind the read position.
            write = putCodePoint(write, reference);
            read += referenceLength;
        } else {
            *write++ = *read++;
        }
        // Up to the next '&', eight characters at a time where they hold
        // none: the store then only covers characters already read.
#if defined(__SSE2__)
        const __m128i ampersand = _mm_set1_epi16(short(u'&'));
        while (end - read >= 8) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(read));
            if (_mm_movemask_epi8(_mm_cmpeq_epi16(v, ampersand)) != 0)
                break;
            _mm_storeu_si128(reinterpret_cast<__m128i*>(write), v);
            read += 8;
            write += 8;
        }
#endif
        while (read < end && *read != u'&')
            *write++ = *read++;
    }
    return write;
}

void CXmlStreamReader::assignDecoded(CStringW& out, char16_t* begin, char16_t* end, char16_t* amp) {
    assignChars(out, begin, amp == end ? end : decodeEntities(amp, end));
}

const CStringW& CXmlStreamReader::valueAt(uint32_t index) const {
    Attribute& attribute = m_attributes[index];
    if (!attribute.valueMade) {
        assignChars(attribute.value, attribute.valueBegin, attribute.valueBegin + attribute.valueLength);
        attribute.valueMade = true;
    }
    return attribute.value;
}

const CStringW& CXmlStreamReader::attributeName(int index) const {
    if (index < 0 || uint32_t(index) >= m_attributeCount)
        return CStringW::emptyString();
    Attribute& attribute = m_attributes[uint32_t(index)];
    if (!attribute.nameMade) {
        assignChars(attribute.name, attribute.nameBegin, attribute.nameBegin + attribute.nameLength);
        attribute.nameMade = true;
    }
    return attribute.name;
}

const CStringW& CXmlStreamReader::attribute(int index) const {
    if (index < 0 || uint32_t(index) >= m_attributeCount)
        return CStringW::emptyString();
    return valueAt(uint32_t(index));
}

int CXmlStreamReader::findAttribute(const char16_t* name) const {
    if (!name || !*name)
        return -1;
    for (uint32_t i = 0; i < m_attributeCount; ++i) {
        const Attribute& candidate = m_attributes[i];
        const uint32_t length = candidate.nameLength;
        uint32_t k = 0;
        // `name` ends with a 0, which no character of a name in the text is.
        while (k < length && candidate.nameBegin[k] == name[k])
            ++k;
        if (k == length && name[k] == 0)
            return int(i);
    }
    return -1;
}

int CXmlStreamReader::findAttribute(const char* name) const {
    if (!name || !*name)
        return -1;
    const std::size_t length = std::strlen(name);
    for (uint32_t i = 0; i < m_attributeCount; ++i) {
        const Attribute& candidate = m_attributes[i];
        if (candidate.nameLength != length)
            continue;
        std::size_t k = 0;
        while (k < length && candidate.nameBegin[k] == char16_t(int16_t(static_cast<signed char>(name[k]))))
            ++k;
        if (k == length)
            return int(i);
    }
    return -1;
}

const CStringW& CXmlStreamReader::attribute(const CStringW& name) const { return attribute(name.c_str()); }

const CStringW& CXmlStreamReader::attribute(const char16_t* name) const {
    const int index = findAttribute(name);
    return index < 0 ? CStringW::emptyString() : valueAt(uint32_t(index));
}

const CStringW& CXmlStreamReader::attribute(const char* name) const {
    const int index = findAttribute(name);
    return index < 0 ? CStringW::emptyString() : valueAt(uint32_t(index));
}

int CXmlStreamReader::attributeInt(int index, int fallback) const {
    if (index < 0 || uint32_t(index) >= m_attributeCount)
        return fallback;
    return parseInt(m_attributes[uint32_t(index)].valueBegin);
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
    return parseFloat(m_attributes[uint32_t(index)].valueBegin);
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
