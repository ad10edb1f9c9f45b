#include "engine/core/Utf8.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool isHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// The code point of the sequence starting at `text[at]`, setting `length` to
// its size in bytes; `length` 0 when the byte there starts no valid sequence.
char32_t decodeSequence(std::string_view text, size_t at, size_t& length) {
    const auto lead = static_cast<unsigned char>(text[at]);
    length = 0;
    if (lead < 0x80) {
        length = 1;
        return lead;
    }
    // C0 and C1 could only start overlong forms, F5 to FF only values past
    // U+10FFFF.
    const size_t extra = lead >= 0xC2 && lead < 0xE0   ? 1
                         : lead >= 0xE0 && lead < 0xF0 ? 2
                         : lead >= 0xF0 && lead < 0xF5 ? 3
                                                       : 0;
    if (extra == 0 || extra >= text.size() - at)
        return 0;
    char32_t value = lead & (0x3Fu >> extra);
    for (size_t k = 1; k <= extra; ++k) {
        const auto next = static_cast<unsigned char>(text[at + k]);
        if ((next & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (next & 0x3Fu);
    }
    static constexpr char32_t smallest[] = {0, 0x80, 0x800, 0x10000};
    if (value < smallest[extra] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    length = extra + 1;
    return value;
}

void appendUtf16(std::u16string& out, char32_t c) {
    if (c >= 0x10000) {
        c -= 0x10000;
        out += char16_t(0xD800 + (c >> 10));
        out += char16_t(0xDC00 + (c & 0x3FF));
    } else {
        out += char16_t(c);
    }
}

} // namespace

void appendUtf8(std::string& out, char32_t c) {
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

std::string utf16ToUtf8(std::u16string_view text, Utf8Bytes mode) {
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (mode == Utf8Bytes::Preserve && c >= 0xFF80) {
            out += char(c & 0xFF);
            continue;
        }
        if (isHighSurrogate(c) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
            c = 0x10000 + ((c - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00);
            ++i;
        } else if (isHighSurrogate(c) || isLowSurrogate(c)) {
            c = kReplacement;
        }
        appendUtf8(out, c);
    }
    return out;
}

std::u16string utf8ToUtf16(std::string_view text, Utf8Bytes mode) {
    std::u16string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        size_t length = 0;
        const char32_t c = decodeSequence(text, i, length);
        if (length == 0) {
            const auto bad = static_cast<unsigned char>(text[i]);
            out += mode == Utf8Bytes::Preserve ? char16_t(0xFF00u | bad) : char16_t(kReplacement);
            ++i;
            continue;
        }
        appendUtf16(out, c);
        i += length;
    }
    return out;
}
