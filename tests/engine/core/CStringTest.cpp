#include "engine/core/CString.h"

#include "engine/core/CArray.h"
#include "engine/core/CStringW.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace {

static_assert(std::is_nothrow_move_constructible_v<CString>);
static_assert(std::is_nothrow_move_assignable_v<CString>);
static_assert(!std::is_convertible_v<int, CString>);
static_assert(!std::is_convertible_v<const char16_t*, CString>);

void expectText(const CString& s, std::string_view text) {
    EXPECT_EQ(s.view(), text);
    EXPECT_EQ(s.used(), text.size() + 1);
    EXPECT_LE(s.used(), s.allocated());
    EXPECT_EQ(s.c_str()[s.length()], 0);
}

} // namespace

TEST(CString, DefaultAndNullTextGiveTheEmptyString) {
    const CString defaulted;
    const CString fromNull(static_cast<const char*>(nullptr));
    for (const CString* s : {&defaulted, &fromNull}) {
        EXPECT_EQ(s->length(), 0u);
        EXPECT_EQ(s->used(), 1u);
        EXPECT_EQ(s->allocated(), 1u);
        ASSERT_NE(s->c_str(), nullptr);
        EXPECT_EQ(s->c_str()[0], 0);
        EXPECT_TRUE(s->empty());
    }
    EXPECT_TRUE(CString::emptyString().empty());
    EXPECT_EQ(&CString::emptyString(), &CString::emptyString());
}

TEST(CString, ConstructsFromTextsAndNumbersWithExactSize) {
    const CString text("hello");
    expectText(text, "hello");
    EXPECT_EQ(text.allocated(), 6u);

    expectText(CString("hello", 3), "hel");
    expectText(CString(std::string_view("view")), "view");
    expectText(CString(-42), "-42");
    expectText(CString(INT_MIN), "-2147483648");
    expectText(CString(4000000000u), "4000000000");
    expectText(CString(1.5f), "1.5");
    expectText(CString(-3.0f), "-3");
}

TEST(CString, NarrowingKeepsTheLowByte) {
    const char16_t wide[] = {u'A', 0x0141, 0xFFE9, u'z', 0};
    const CString narrow(wide);
    ASSERT_EQ(narrow.length(), 4u);
    EXPECT_EQ(narrow[0], 'A');
    EXPECT_EQ(static_cast<unsigned char>(narrow[1]), 0x41);
    EXPECT_EQ(static_cast<unsigned char>(narrow[2]), 0xE9);
    EXPECT_EQ(narrow[3], 'z');

    expectText(CString(CStringW(u"path/file")), "path/file");
    CString assigned("old text");
    assigned = u"new";
    expectText(assigned, "new");
    expectText(CString("a") + u"bc", "abc");
}

TEST(CString, AssignReusesTheBufferAndGrowsToExactSize) {
    CString s("abcdef");
    const char* buffer = s.c_str();

    s.assign("xy");
    expectText(s, "xy");
    EXPECT_EQ(s.c_str(), buffer);
    EXPECT_EQ(s.allocated(), 7u);

    s.assign("0123456789", 4);
    expectText(s, "0123");
    EXPECT_EQ(s.allocated(), 7u);

    s.assign(static_cast<const char*>(nullptr));
    expectText(s, "");
    EXPECT_EQ(s.allocated(), 7u);

    s.assign("a longer text");
    expectText(s, "a longer text");
    EXPECT_EQ(s.allocated(), 14u);

    s.assign(s.c_str());
    expectText(s, "a longer text");
    s.assign(s.c_str() + 2, 6);
    expectText(s, "longer");

    CString copy("zz");
    copy = s;
    expectText(copy, "longer");
    EXPECT_EQ(copy.allocated(), 7u);
}

TEST(CString, AppendingGrowsToExactlyTheNewUsed) {
    CString a("abc");
    a += CString("de");
    expectText(a, "abcde");
    EXPECT_EQ(a.allocated(), 6u); // used 4 + used 3 - 1

    // Room left from a longer text is used without reallocating.
    CString roomy("0123456789");
    roomy.assign("ab");
    const char* buffer = roomy.c_str();
    roomy += "cd";
    EXPECT_EQ(roomy.c_str(), buffer);
    expectText(roomy, "abcd");

    CString self("ab");
    self += self;
    expectText(self, "abab");
    self += self.c_str() + 1;
    expectText(self, "ababbab");

    CString mixed("n=");
    mixed += -5;
    mixed += ' ';
    mixed += 7u;
    mixed += ' ';
    mixed += 0.25f;
    mixed += static_cast<const char*>(nullptr);
    expectText(mixed, "n=-5 7 0.25");

    expectText(CString("a") + CString("b"), "ab");
    expectText(CString("a") + "b", "ab");
    expectText("a" + CString("b"), "ab");
    expectText(CString("x") + 12, "x12");
    expectText(CString("x") + 12u, "x12");
    expectText(CString("x") + 2.5f, "x2.5");
}

TEST(CString, MovedFromStringIsEmptyAndUsable) {
    CString source("moved text");
    const char* buffer = source.c_str();
    CString target(std::move(source));
    EXPECT_EQ(target.c_str(), buffer);
    expectText(target, "moved text");
    expectText(source, ""); // NOLINT: checking the moved-from state
    source += "again";
    expectText(source, "again");

    CString other("x");
    other = std::move(target);
    expectText(other, "moved text");
    expectText(target, ""); // NOLINT: checking the moved-from state
}

TEST(CString, EqualityComparesUsedAndCharacters) {
    EXPECT_TRUE(CString("abc") == CString("abc"));
    EXPECT_FALSE(CString("abc") == CString("abd"));
    EXPECT_FALSE(CString("a\0b", 3) == CString("a"));
    EXPECT_TRUE(CString("abc") == "abc");
    EXPECT_TRUE(CString("abc") != "ab");
    EXPECT_TRUE(CString("abc").equals("abc"));
    EXPECT_FALSE(CString("abc").equals("abcd"));
    EXPECT_FALSE(CString().equals(nullptr));
    EXPECT_TRUE(CString().equals(""));
}

TEST(CString, OrdersCharactersAsSignedBytes) {
    const struct {
        const char* a;
        const char* b;
        int order;
    } cases[] = {
        {"abc", "abd", -1}, {"ab", "abc", -1}, {"", "a", -1},
        {"abc", "abc", 0},  {"\xE9", "a", -1}, // signed: 0xE9 is negative
        {"a\xE9", "a", 1},                     // the prefix still orders first
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.a) + " vs " + c.b);
        const CString a(c.a);
        const CString b(c.b);
        EXPECT_EQ(a < b, c.order < 0);
        EXPECT_EQ(b<a, c.order> 0);
        EXPECT_EQ(a.compare(b) < 0, c.order < 0);
        EXPECT_EQ(a.compare(b) == 0, c.order == 0);
    }
}

TEST(CString, EqualsFirstN) {
    const struct {
        const char* s;
        const char* text;
        int n;
        bool equal;
    } cases[] = {
        {"abcdef", "abcxyz", 3, true}, {"abcdef", "abcxyz", 4, false}, {"ab", "ab", 5, true}, {"ab", "abc", 5, false},
        {"abc", "ab", 5, false},       {"abc", "xyz", 0, true},        {"", "", 3, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.s) + " vs " + c.text + " n=" + std::to_string(c.n));
        EXPECT_EQ(CString(c.s).equalsFirstN(c.text, c.n), c.equal);
    }
    EXPECT_FALSE(CString("abc").equalsFirstN(nullptr, 2));
}

TEST(CString, SubStringClampsToTheText) {
    const CString s("abcdef");
    const struct {
        int start;
        int count;
        const char* text;
    } cases[] = {
        {2, 10, "cdef"}, {6, 1, ""}, {0, 6, "abcdef"}, {1, 2, "bc"}, {0, 0, ""}, {1, -1, ""}, {-1, 2, ""}, {7, 1, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.start) + "," + std::to_string(c.count));
        const CString part = s.subString(c.start, c.count);
        expectText(part, c.text);
        EXPECT_EQ(part.allocated(), part.used());
    }
}

TEST(CString, EraseNeverRemovesTheTerminatorAndKeepsTheBuffer) {
    const struct {
        const char* text;
        int start;
        int count;
        const char* result;
    } cases[] = {
        {"abcdef", 1, 2, "adef"}, {"abcdef", 4, 10, "abcd"}, {"abc", 1, 3, "a"},
        {"abc", 0, 3, ""},        {"abc", 1, 0, "abc"},      {"abc", 3, 1, "abc"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " " + std::to_string(c.start) + "," + std::to_string(c.count));
        CString s(c.text);
        const uint32_t allocated = s.allocated();
        s.erase(c.start, c.count);
        expectText(s, c.result);
        EXPECT_EQ(s.allocated(), allocated);
    }
}

TEST(CString, TrimRemovesWhitespaceAtBothEnds) {
    const struct {
        const char* text;
        const char* result;
    } cases[] = {
        {"  a b \t\r\n", "a b"}, {" \t\r\n", ""}, {"", ""}, {"x", "x"}, {"\tx\v", "x\v"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        CString s(c.text);
        const uint32_t allocated = s.allocated();
        s.trim();
        expectText(s, c.result);
        EXPECT_EQ(s.allocated(), allocated);
    }
}

TEST(CString, SplitStringKeepsEmptyParts) {
    const struct {
        const char* text;
        std::vector<std::string> parts;
    } cases[] = {
        {"", {""}},
        {"a", {"a"}},
        {"a;", {"a", ""}},
        {";a", {"", "a"}},
        {"a;;b", {"a", "", "b"}},
        {"one;two;three", {"one", "two", "three"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const CArray<CString> parts = CString(c.text).splitString(';');
        std::vector<std::string> got;
        for (const CString& part : parts) {
            got.emplace_back(part.view());
        }
        EXPECT_EQ(got, c.parts);
    }
}

TEST(CString, FormatHex8PrintsEightLowerCaseDigits) {
    expectText(CString::formatHex8(0), "00000000");
    expectText(CString::formatHex8(255), "000000ff");
    expectText(CString::formatHex8(0x12ABCDEF), "12abcdef");
    expectText(CString::formatHex8(-1), "ffffffff");
}

TEST(CString, FindLocatesFirstAndLastCharacter) {
    const CString s("a/b/c");
    EXPECT_EQ(s.findFirst('/'), 1);
    EXPECT_EQ(s.findLast('/'), 3);
    EXPECT_EQ(s.findFirst('x'), -1);
    EXPECT_EQ(CString().findLast('x'), -1);
}

TEST(CString, OrderingFindsTheFirstDifferenceInLongTexts) {
    // The comparison skips common prefixes a word at a time; a difference at
    // any position, including a signed byte, must still decide the order.
    const std::string base(37, 'k');
    for (size_t at = 0; at < base.size(); ++at) {
        SCOPED_TRACE(at);
        std::string low = base;
        std::string high = base;
        low[at] = static_cast<char>(0xE9); // negative as a signed byte
        high[at] = 'a';
        EXPECT_LT(CString(low.c_str()), CString(high.c_str()));
        EXPECT_FALSE(CString(high.c_str()) < CString(low.c_str()));
        EXPECT_LT(CString(base.substr(0, at).c_str()), CString(base.c_str()));
    }
}
