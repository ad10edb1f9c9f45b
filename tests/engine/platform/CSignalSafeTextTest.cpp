#include "engine/platform/CSignalSafeText.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

// A spill function that collects the text, refusing once `refuseAfter`
// calls were taken (never when negative).
struct Collector {
    std::string text;
    int calls = 0;
    int refuseAfter = -1;

    static bool spill(void* raw, const char* data, std::size_t size) {
        auto* collector = static_cast<Collector*>(raw);
        if (collector->refuseAfter >= 0 && collector->calls >= collector->refuseAfter)
            return false;
        ++collector->calls;
        collector->text.append(data, size);
        return true;
    }
};

} // namespace

TEST(CSignalSafeText, FormatsNumbers) {
    const struct {
        const char* what;
        long long value;
        const char* expected;
    } decimals[] = {
        {"zero", 0, "0"},
        {"negative", -42, "-42"},
        {"largest", LLONG_MAX, "9223372036854775807"},
        {"smallest, whose magnitude has no signed form", LLONG_MIN, "-9223372036854775808"},
    };
    for (const auto& c : decimals) {
        SCOPED_TRACE(c.what);
        char buffer[64];
        CSignalSafeText text(buffer, sizeof buffer);
        text.decimal(c.value);
        EXPECT_STREQ(text.c_str(), c.expected);
        EXPECT_FALSE(text.overflowed());
    }

    const struct {
        const char* what;
        uint64_t value;
        int digits;
        const char* expected;
    } hexes[] = {
        {"full width", 0x10, 16, "0x0000000000000010"},
        {"narrow keeps the low digits", 0xABCD, 2, "0xcd"},
        {"widths past 16 are 16", ~0ull, 40, "0xffffffffffffffff"},
        {"widths below 1 are 1", 0x7, 0, "0x7"},
    };
    for (const auto& c : hexes) {
        SCOPED_TRACE(c.what);
        char buffer[64];
        CSignalSafeText text(buffer, sizeof buffer);
        text.hex(c.value, c.digits);
        EXPECT_STREQ(text.c_str(), c.expected);
    }
}

TEST(CSignalSafeText, DropsWhatDoesNotFitAndSaysSo) {
    char buffer[8];
    CSignalSafeText text(buffer, sizeof buffer);
    EXPECT_STREQ(text.c_str(), "");
    text.text("abc").character('-').decimal(123);
    EXPECT_STREQ(text.c_str(), "abc-123");
    EXPECT_FALSE(text.overflowed());
    text.text("x");
    EXPECT_STREQ(text.c_str(), "abc-123"); // still terminated inside the buffer
    EXPECT_EQ(text.length(), 7u);
    EXPECT_TRUE(text.overflowed());

    text.clear();
    EXPECT_FALSE(text.overflowed());
    text.bytes("a\0b", 3);
    EXPECT_EQ(text.length(), 3u);
    EXPECT_EQ(std::string(text.c_str(), 3), std::string("a\0b", 3));
}

TEST(CSignalSafeText, SpillsAFullBufferAndKeepsGoing) {
    Collector collector;
    char buffer[5]; // four characters at a time
    {
        CSignalSafeText text(buffer, sizeof buffer, &Collector::spill, &collector);
        text.text("Signal: ").decimal(11).text(" at ").hex(0x10, 4);
        text.flush();
        EXPECT_FALSE(text.overflowed());
        EXPECT_EQ(text.length(), 0u);
        text.flush(); // nothing buffered: no call
    }
    EXPECT_EQ(collector.text, "Signal: 11 at 0x0010");
    EXPECT_EQ(collector.calls, 5);
}

TEST(CSignalSafeText, ARefusingSpillStopsTheOutput) {
    Collector collector;
    collector.refuseAfter = 1;
    char buffer[4];
    CSignalSafeText text(buffer, sizeof buffer, &Collector::spill, &collector);
    text.text("abcdefghijkl");
    text.flush();
    EXPECT_TRUE(text.overflowed());
    EXPECT_EQ(collector.text, "abc");
    collector.refuseAfter = -1;
    text.text("more");
    text.flush();
    EXPECT_EQ(collector.text, "abc"); // nothing after the first refusal
}
