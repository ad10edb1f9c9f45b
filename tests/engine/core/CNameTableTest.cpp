#include "engine/core/CNameTable.h"

#include "engine/core/CArray.h"
#include "engine/core/CName.h"
#include "engine/core/CObjectName.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> textsOf(const CArray<CName>& names) {
    std::vector<std::string> out;
    for (const CName& name : names)
        out.emplace_back(name.str().c_str());
    return out;
}

} // namespace

TEST(CNameTable, EmptyTextIsMinusOneAndOthersCountFromOne) {
    CNameTable table;
    EXPECT_EQ(table.lastId(), 0);
    EXPECT_EQ(table.getId(""), -1);
    EXPECT_EQ(table.getId("abc"), 1);
    EXPECT_EQ(table.getId("abd"), 2);
    EXPECT_EQ(table.getId("abc"), 1);
    EXPECT_EQ(table.getId(""), -1);
    EXPECT_EQ(table.lastId(), 2);
    EXPECT_TRUE(table.getText(1) == "abc");
    EXPECT_TRUE(table.getText(-1).empty());

    CNameTableW wide;
    EXPECT_EQ(wide.getId(u""), -1);
    EXPECT_EQ(wide.getId(u"abc"), 1);
    EXPECT_EQ(wide.getId(u"ABC"), 2); // exact, case-sensitive
    EXPECT_EQ(wide.getId(u"abc"), 1);
    EXPECT_TRUE(wide.getText(2) == u"ABC");
}

TEST(CNameTable, UnknownIdGivesTheSharedEmptyString) {
    CNameTable table;
    (void)table.getId("one");
    EXPECT_EQ(&table.getText(12345), &CString::emptyString());
    EXPECT_EQ(&table.getText(0), &CString::emptyString());
    EXPECT_EQ(&table.getText(2), &CString::emptyString());

    CNameTableW wide;
    EXPECT_EQ(&wide.getText(-7), &CStringW::emptyString());
}

TEST(CNameTable, ManyTextsKeepTheirIds) {
    // Texts with bytes above 0x7F order as negative characters in the 8-bit
    // table and as large units in the 16-bit one; every lookup must still
    // find its own entry.
    CNameTable table;
    CNameTableW wide;
    std::vector<std::string> texts;
    for (int i = 0; i < 600; ++i) {
        std::string text = "n" + std::to_string(i * 37 % 600);
        if (i % 3 == 0)
            text += char(0x80 + i % 100);
        texts.push_back(text);
    }
    for (size_t i = 0; i < texts.size(); ++i) {
        ASSERT_EQ(table.getId(CString(texts[i].c_str())), int(i + 1));
        std::u16string w(texts[i].begin(), texts[i].end());
        w += char16_t(0xFF00 + i % 200);
        ASSERT_EQ(wide.getId(CStringW(w.c_str())), int(i + 1));
    }
    for (size_t i = 0; i < texts.size(); ++i) {
        ASSERT_EQ(table.getId(CString(texts[i].c_str())), int(i + 1));
        ASSERT_EQ(std::string(table.getText(int(i + 1)).c_str()), texts[i]);
    }
    EXPECT_EQ(table.lastId(), 600);
}

TEST(CNameTable, InstanceHandsOutNewIdsInOrder) {
    CNameTable& table = CNameTable::instance();
    EXPECT_EQ(&table, &CNameTable::instance());
    const int before = table.lastId();
    const int first = table.getId("CNameTableTest.first");
    const int second = table.getId("CNameTableTest.second");
    EXPECT_EQ(first, before + 1);
    EXPECT_EQ(second, before + 2);
    EXPECT_EQ(table.getId("CNameTableTest.first"), first);
    EXPECT_EQ(table.getId(""), -1);
}

TEST(CName, ComparesByIdAndGivesItsTextBack) {
    const CName a("CNameTest.a");
    const CName b(CString("CNameTest.b"));
    EXPECT_EQ(a, CName("CNameTest.a"));
    EXPECT_NE(a, b);
    EXPECT_EQ(a < b, a.id() < b.id());
    EXPECT_TRUE(a.str() == "CNameTest.a");
    EXPECT_EQ(CName::fromId(b.id()), b);

    const CName empty;
    EXPECT_EQ(empty.id(), -1);
    EXPECT_TRUE(empty.empty());
    EXPECT_EQ(CName(""), empty);
    EXPECT_TRUE(empty.str().empty());
}

TEST(CName, SplitNamesTrimsAndOptionallySkipsEmptyParts) {
    const struct {
        const char* what;
        const char* list;
        bool skipEmpty;
        std::vector<std::string> expected;
    } cases[] = {
        {"skip empty", " a ; ;b", true, {"a", "b"}},
        {"keep empty", " a ; ;b", false, {"a", "", "b"}},
        {"all blanks kept", "\t\r\n", false, {""}},
        {"all blanks skipped", "\t\r\n", true, {}},
        {"trailing separator", "x;", false, {"x", ""}},
        {"inner blanks stay", " two words ;z", true, {"two words", "z"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CArray<CName> names;
        names.push_back(CName("stale"));
        splitNames(names, c.list, c.skipEmpty);
        EXPECT_EQ(textsOf(names), c.expected);
    }

    CArray<CName> names;
    splitNames(names, " a ; ;b", false);
    ASSERT_EQ(names.size(), 3u);
    EXPECT_EQ(names[1].id(), -1);
    EXPECT_EQ(names[0], CName("a"));
}

TEST(CObjectName, KeepsTheOwnerAndTheWideText) {
    auto* owner = reinterpret_cast<IContentManager*>(0x1000);
    const CObjectName name(owner, u"scenes/Menu.xml");
    EXPECT_EQ(name.owner(), owner);
    EXPECT_TRUE(name.str() == u"scenes/Menu.xml");
    EXPECT_EQ(name.id(), CObjectName(nullptr, u"scenes/Menu.xml").id());
    EXPECT_FALSE(name == CObjectName(nullptr, u"scenes/Menu.xml")); // owners differ
    EXPECT_TRUE(name == CObjectName(owner, u"scenes/Menu.xml"));

    const CObjectName empty(owner, u"");
    EXPECT_EQ(empty.id(), -1);
    EXPECT_TRUE(empty.str().empty());
    EXPECT_EQ(CObjectName().id(), -1);
    EXPECT_EQ(CObjectName().owner(), nullptr);
}
