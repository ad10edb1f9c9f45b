#include "engine/core/Utf8.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <string_view>

namespace {

// Shows bytes and units in hexadecimal for failure messages.
std::string hex(std::string_view bytes) {
    std::string out;
    for (unsigned char b : bytes) {
        char digits[4];
        std::snprintf(digits, sizeof digits, "%02X ", b);
        out += digits;
    }
    return out;
}

} // namespace

TEST(Utf8, EncodesUnitsWithLoneSurrogatesAsReplacement) {
    const struct {
        const char* what;
        std::u16string text;
        std::string replaced;
        std::string preserved;
    } cases[] = {
        {"empty", u"", "", ""},
        {"ASCII", u"a/b", "a/b", "a/b"},
        {"two and three bytes", u"\u00e9\u20ac", "\xC3\xA9\xE2\x82\xAC", "\xC3\xA9\xE2\x82\xAC"},
        {"surrogate pair", u"\U0001F600", "\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
        {"lone high surrogate", std::u16string{0xD800, u'x'}, "\xEF\xBF\xBDx", "\xEF\xBF\xBDx"},
        {"lone low surrogate", std::u16string{0xDC00}, "\xEF\xBF\xBD", "\xEF\xBF\xBD"},
        {"high surrogate at the end", std::u16string{u'x', 0xDBFF}, "x\xEF\xBF\xBD", "x\xEF\xBF\xBD"},
        {"reversed pair", std::u16string{0xDC00, 0xD800}, "\xEF\xBF\xBD\xEF\xBF\xBD", "\xEF\xBF\xBD\xEF\xBF\xBD"},
        // Sign-extended bytes: text in Replace mode, the bytes themselves in Preserve.
        {"units FF80 to FFFF", std::u16string{0xFFC3, 0xFFA9}, "\xEF\xBF\x83\xEF\xBE\xA9", "\xC3\xA9"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(hex(utf16ToUtf8(c.text)), hex(c.replaced));
        EXPECT_EQ(hex(utf16ToUtf8(c.text, Utf8Bytes::Preserve)), hex(c.preserved));
    }
}

TEST(Utf8, DecodesEachBadByteAsOneReplacement) {
    const struct {
        const char* what;
        std::string bytes;
        std::u16string replaced;
        std::u16string preserved;
    } cases[] = {
        {"empty", "", u"", u""},
        {"ASCII", "abc", u"abc", u"abc"},
        {"two, three and four bytes", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", u"\u00e9\u20ac\U0001F600",
         u"\u00e9\u20ac\U0001F600"},
        {"lone continuation byte",
         "a\x80"
         "b",
         u"a\uFFFDb", std::u16string{u'a', 0xFF80, u'b'}},
        {"cut sequence at the end", "a\xE2\x82", u"a\uFFFD\uFFFD", std::u16string{u'a', 0xFFE2, 0xFF82}},
        {"lead byte before ASCII", "\xC3(", u"\uFFFD(", std::u16string{0xFFC3, u'('}},
        {"overlong slash", "\xC0\xAF", u"\uFFFD\uFFFD", std::u16string{0xFFC0, 0xFFAF}},
        {"overlong three bytes", "\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD", std::u16string{0xFFE0, 0xFF80, 0xFFAF}},
        {"encoded surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD", std::u16string{0xFFED, 0xFFA0, 0xFF80}},
        {"past U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD",
         std::u16string{0xFFF4, 0xFF90, 0xFF80, 0xFF80}},
        {"byte FF", "\xFF", u"\uFFFD", std::u16string{0xFFFF}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(utf8ToUtf16(c.bytes), c.replaced);
        const std::u16string preserved = utf8ToUtf16(c.bytes, Utf8Bytes::Preserve);
        EXPECT_EQ(preserved, c.preserved);
        // Preserve gives the same bytes back.
        EXPECT_EQ(hex(utf16ToUtf8(preserved, Utf8Bytes::Preserve)), hex(c.bytes));
    }
}
