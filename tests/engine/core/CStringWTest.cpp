#include "engine/core/CStringW.h"

#include "engine/core/CString.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <type_traits>
#include <utility>

namespace {

static_assert(std::is_nothrow_move_constructible_v<CStringW>);
static_assert(std::is_nothrow_move_assignable_v<CStringW>);
static_assert(!std::is_convertible_v<const char*, CStringW>);
static_assert(!std::is_convertible_v<int, CStringW>);

void expectText(const CStringW& s, std::u16string_view text) {
    EXPECT_TRUE(s.view() == text) << "got " << CString(s).c_str();
    EXPECT_EQ(s.used(), text.size() + 1);
    EXPECT_LE(s.used(), s.allocated());
    EXPECT_EQ(s.c_str()[s.length()], 0);
}

} // namespace

TEST(CStringW, DefaultAndNullTextGiveTheEmptyString) {
    const CStringW defaulted;
    const CStringW fromNull(static_cast<const char16_t*>(nullptr));
    const CStringW fromNullNarrow(static_cast<const char*>(nullptr));
    for (const CStringW* s : {&defaulted, &fromNull, &fromNullNarrow}) {
        EXPECT_EQ(s->length(), 0u);
        EXPECT_EQ(s->used(), 1u);
        EXPECT_EQ(s->allocated(), 1u);
        EXPECT_EQ(s->c_str()[0], 0);
    }
    EXPECT_TRUE(CStringW::emptyString().empty());
}

TEST(CStringW, WideningSignExtendsBytes) {
    const CStringW wide("a\xE9\x7F\x80");
    ASSERT_EQ(wide.length(), 4u);
    EXPECT_EQ(wide[0], u'a');
    EXPECT_EQ(wide[1], 0xFFE9);
    EXPECT_EQ(wide[2], 0x007F);
    EXPECT_EQ(wide[3], 0xFF80);

    // Every path that widens agrees.
    CStringW assigned;
    assigned = "\xE9";
    EXPECT_EQ(assigned[0], 0xFFE9);
    CStringW appended;
    appended += '\xE9';
    appended += CString("\xE9");
    appended += "\xE9";
    EXPECT_EQ(appended.view(), std::u16string(3, char16_t(0xFFE9)));
    EXPECT_EQ(CStringW(CString("\xE9"))[0], 0xFFE9);

    // Narrowing back gives the original bytes.
    EXPECT_EQ(CString(wide).view(), "a\xE9\x7F\x80");
}

TEST(CStringW, ConstructsFromNumbers) {
    expectText(CStringW(-42), u"-42");
    expectText(CStringW(INT_MIN), u"-2147483648");
    expectText(CStringW(4000000000u), u"4000000000");
    expectText(CStringW(1.5f), u"1.5");
    expectText(CStringW(100.0f), u"100");
}

TEST(CStringW, ConcatenatesAcrossWidthsWithExactGrowth) {
    CStringW s(u"ab");
    s += CStringW(u"cd");
    expectText(s, u"abcd");
    EXPECT_EQ(s.allocated(), 5u); // used 3 + used 3 - 1

    s += u'e';
    s += 'f';
    s += u"g";
    s += "h";
    s += 1;
    s += 2u;
    s += 0.5f;
    s += static_cast<const char16_t*>(nullptr);
    expectText(s, u"abcdefgh120.5");
    EXPECT_EQ(s.allocated(), s.used());

    CStringW self(u"xy");
    self += self;
    expectText(self, u"xyxy");

    expectText(CStringW(u"a") + CStringW(u"b"), u"ab");
    expectText(CStringW(u"a") + u"b", u"ab");
    expectText(u"a" + CStringW(u"b"), u"ab");
    expectText(CStringW(u"a") + "b", u"ab");
    expectText("a" + CStringW(u"b"), u"ab");
    expectText(CStringW(u"a") + CString("b"), u"ab");
    expectText(CStringW(u"n") + -3, u"n-3");
    expectText(CStringW(u"n") + 3u, u"n3");
    expectText(CStringW(u"n") + 2.0f, u"n2");
}

TEST(CStringW, AssignKeepsTheBufferWhenItFits) {
    CStringW s(u"abcdef");
    const char16_t* buffer = s.c_str();
    s.assign(u"xyz", 2);
    expectText(s, u"xy");
    EXPECT_EQ(s.c_str(), buffer);
    s.assign(static_cast<const char16_t*>(nullptr));
    expectText(s, u"");
    EXPECT_EQ(s.allocated(), 7u);
    s = u"a much longer text";
    EXPECT_EQ(s.allocated(), s.used());
    s.assign(s.c_str() + 2, 4);
    expectText(s, u"much");
}

TEST(CStringW, AssignCopiesOverlappingTextsOfEveryShortLength) {
    // Texts of up to 32 characters are copied in blocks that may overlap
    // each other; taken from the string's own buffer, source and target
    // overlap too.
    const std::u16string original = u"0123456789abcdefghijklmnopqrstuvwxyzABCD";
    for (std::size_t offset = 1; offset <= 3; ++offset) {
        for (std::size_t count = 1; count <= 32; ++count) {
            SCOPED_TRACE(testing::Message() << "offset " << offset << ", count " << count);
            CStringW s(original.c_str());
            const char16_t* buffer = s.c_str();
            s.assign(s.c_str() + offset, int(count));
            expectText(s, original.substr(offset, count));
            EXPECT_EQ(s.c_str(), buffer);
        }
    }
}

TEST(CStringW, MovedFromStringIsEmptyAndUsable) {
    CStringW source(u"moved");
    CStringW target(std::move(source));
    expectText(target, u"moved");
    expectText(source, u""); // NOLINT: checking the moved-from state
    source = u"again";
    expectText(source, u"again");

    CStringW other(u"x");
    other = std::move(target);
    expectText(other, u"moved");
    expectText(target, u""); // NOLINT: checking the moved-from state
}

TEST(CStringW, ComparesUnitsAsUnsigned) {
    EXPECT_TRUE(CStringW(u"abc") < CStringW(u"abd"));
    EXPECT_TRUE(CStringW(u"ab") < CStringW(u"abc"));
    EXPECT_TRUE(CStringW(u"\u00E9") > CStringW(u"a"));
    EXPECT_TRUE(CStringW(u"\uFFFF") > CStringW(u"\u7FFF"));
    EXPECT_FALSE(CStringW(u"abc") < CStringW(u"abc"));
    EXPECT_TRUE(CStringW(u"abc") == CStringW(u"abc"));
    EXPECT_TRUE(CStringW(u"abc") == u"abc");
    EXPECT_FALSE(CStringW(u"abc").equals(nullptr));
    EXPECT_FALSE(CStringW(u"ab").equals(u"abc"));
}

TEST(CStringW, EqualsIgnoreCaseFoldsOnlyAsciiLetters) {
    const struct {
        const char16_t* a;
        const char16_t* b;
        bool equal;
    } cases[] = {
        {u"Hello.PNG", u"hELLO.png", true},
        {u"", u"", true},
        {u"abc", u"abcd", false},
        {u"\u00C9", u"\u00E9", false}, // no folding outside A-Z
        {u"[", u"{", false},           // '[' + 32 is '{' but neither is a letter
        {u"@", u"`", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(CString(c.a).c_str());
        EXPECT_EQ(CStringW(c.a).equalsIgnoreCase(CStringW(c.b)), c.equal);
        EXPECT_EQ(CStringW(c.b).equalsIgnoreCase(CStringW(c.a)), c.equal);
    }
}

TEST(CStringW, MakeLowerLowersEveryUnit) {
    CStringW s(u"Data/Scenes/MAIN Menu_1.XML");
    s.makeLower();
    expectText(s, u"data/scenes/main menu_1.xml");
}

TEST(CStringW, SubStringAndEraseStayInsideTheText) {
    const CStringW s(u"abcdef");
    expectText(s.subString(2, 10), u"cdef");
    expectText(s.subString(6, 1), u"");
    expectText(s.subString(1, 0), u"");

    CStringW e(u"abcdef");
    e.erase(1, 2);
    expectText(e, u"adef");
    e.erase(2, 100);
    expectText(e, u"ad");
    EXPECT_EQ(e.allocated(), 7u);
    EXPECT_EQ(CStringW(u"a.b.c").findLast(u'.'), 3);
    EXPECT_EQ(CStringW(u"a.b.c").findFirst(u'.'), 1);
}

TEST(CStringW, FormatIntegerWithSeparatorGroupsThousands) {
    const struct {
        int n;
        char16_t separator;
        const char16_t* text;
    } cases[] = {
        {0, u',', u"0"},
        {999, u',', u"999"},
        {-999, u',', u"-999"},
        {1000, u',', u"1,000"},
        {-1000, u'.', u"-1.000"},
        {12345, 0, u"12345"},
        {100000, u',', u"100,000"},
        {1234567, u',', u"1,234,567"},
        {INT_MAX, u' ', u"2 147 483 647"},
        {INT_MIN, u',', u"-2,147,483,648"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.n);
        expectText(CStringW::formatIntegerWithSeparator(c.n, c.separator), c.text);
    }
}

TEST(CStringW, OrderingFindsTheFirstDifferenceInLongTexts) {
    const std::u16string base(21, u'k');
    for (size_t at = 0; at < base.size(); ++at) {
        SCOPED_TRACE(at);
        std::u16string low = base;
        std::u16string high = base;
        low[at] = u'a';
        high[at] = u'\u00E9'; // unsigned: above every ASCII letter
        EXPECT_LT(CStringW(low.c_str()), CStringW(high.c_str()));
        EXPECT_FALSE(CStringW(high.c_str()) < CStringW(low.c_str()));
        EXPECT_EQ(CStringW(low.c_str()).compare(CStringW(low.c_str())), 0);
    }
}
