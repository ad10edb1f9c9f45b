#include "engine/nodes/TextFormatting.h"

#include "engine/core/CArray.h"
#include "engine/core/CName.h"
#include "engine/core/CString.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::u16string text(const CStringW& s) { return std::u16string(s.view()); }

} // namespace

TEST(TextFormatting, MinutesAndSecondsWrapAtAnHour) {
    const struct {
        uint32_t ms;
        const char16_t* expected;
    } cases[] = {
        {0, u"00:00"},
        {999, u"00:00"},
        {59'000, u"00:59"},
        {62 * 60'000 + 3'000, u"02:03"},
        {10 * 60'000 + 10'000, u"10:10"},
        {0xFFFFFFFFu, u"02:47"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ms);
        EXPECT_EQ(text(formatMinutesSeconds(c.ms)), c.expected);
    }
}

TEST(TextFormatting, NameIdsJoinWithoutATrailingSeparator) {
    CArray<CName> names;
    EXPECT_EQ(text(joinNameIds(names)), u"");
    names.push_back(CName(CString("Mill")));
    EXPECT_EQ(text(joinNameIds(names)), u"Mill");
    names.push_back(CName(CString("Bakery")));
    names.push_back(CName());
    EXPECT_EQ(text(joinNameIds(names)), u"Mill;Bakery;");
}
