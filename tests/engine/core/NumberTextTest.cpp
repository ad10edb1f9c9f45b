#include "engine/core/NumberText.h"

#include "engine/core/CArray.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <string>
#include <vector>

namespace {

std::u16string widenAscii(const std::string& text) { return std::u16string(text.begin(), text.end()); }

std::vector<int> toVector(const CArray<int>& values) { return std::vector<int>(values.begin(), values.end()); }

} // namespace

TEST(NumberText, ParseIntReadsSignAndDigitsAndSaturates) {
    const struct {
        const char* text;
        int value;
        int consumed;
    } cases[] = {
        {"0", 0, 1},
        {"123", 123, 3},
        {"+7", 7, 2},
        {"-12x", -12, 3},
        {"007", 7, 3},
        {"2147483647", INT_MAX, 10},
        {"99999999999", INT_MAX, 10}, // the overflowing tenth digit is consumed
        {"2147483648", INT_MAX, 10},
        {"-3000000000", -INT_MAX, 11},
        {"-2147483648", -INT_MAX, 11}, // saturates before the sign is applied
        {"-", 0, 0},
        {"+", 0, 0},
        {"x1", 0, 0},
        {" 5", 0, 0},
        {"", 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const char* end = nullptr;
        EXPECT_EQ(parseInt(c.text, &end), c.value);
        EXPECT_EQ(end - c.text, c.consumed);

        const std::u16string wide = widenAscii(c.text);
        const char16_t* wideEnd = nullptr;
        EXPECT_EQ(parseInt(wide.c_str(), &wideEnd), c.value);
        EXPECT_EQ(wideEnd - wide.c_str(), c.consumed);
    }
}

TEST(NumberText, ParsersGiveZeroForNullText) {
    const char* end = "x";
    EXPECT_EQ(parseInt(static_cast<const char*>(nullptr), &end), 0);
    EXPECT_EQ(end, nullptr);
    EXPECT_EQ(parseHex(static_cast<const char16_t*>(nullptr)), 0u);
    EXPECT_EQ(parseDigitsAsFloat(static_cast<const char*>(nullptr)), 0.0f);

    float value = 5.0f;
    EXPECT_EQ(parseFloat(static_cast<const char*>(nullptr), value), nullptr);
    EXPECT_EQ(value, 0.0f);

    float x = 1.0f;
    float y = 1.0f;
    parseFloatPair(static_cast<const char*>(nullptr), x, y);
    EXPECT_EQ(x, 0.0f);
    EXPECT_EQ(y, 0.0f);
    EXPECT_TRUE(parseIntList(static_cast<const char16_t*>(nullptr)).empty());
}

TEST(NumberText, ParseHexSaturatesBeforePassingThirtyTwoBits) {
    const struct {
        const char* text;
        uint32_t value;
        int consumed;
    } cases[] = {
        {"ff", 0xFFu, 2},
        {"aBcDeF", 0xABCDEFu, 6},
        {"FFFFFFFF", 0xFFFFFFFFu, 8},
        {"10000000", 0x10000000u, 8},
        {"123456789", 0xFFFFFFFFu, 8}, // stops before the ninth digit
        {"0FFFFFFFF", 0xFFFFFFFFu, 9}, // a leading zero keeps it in range
        {"0x10", 0u, 1},
        {"g", 0u, 0},
        {"", 0u, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const char* end = nullptr;
        EXPECT_EQ(parseHex(c.text, &end), c.value);
        EXPECT_EQ(end - c.text, c.consumed);

        const std::u16string wide = widenAscii(c.text);
        const char16_t* wideEnd = nullptr;
        EXPECT_EQ(parseHex(wide.c_str(), &wideEnd), c.value);
        EXPECT_EQ(wideEnd - wide.c_str(), c.consumed);
    }
}

TEST(NumberText, ParseDigitsAsFloatSwitchesToFloatAndStopsPastTheLargestFloat) {
    const char* end = nullptr;
    EXPECT_EQ(parseDigitsAsFloat("4294967189x", &end), 4294967189.0f);
    EXPECT_STREQ(end, "x");
    EXPECT_EQ(parseDigitsAsFloat("-1", &end), 0.0f);
    EXPECT_STREQ(end, "-1");

    // 1 and 44 zeros: the step to 1e39 passes FLT_MAX and reading stops there.
    const std::string huge = "1" + std::string(44, '0');
    const float value = parseDigitsAsFloat(huge.c_str(), &end);
    EXPECT_GT(value, FLT_MAX);
    EXPECT_EQ(end - huge.c_str(), 40);
}

TEST(NumberText, ParseFloatReadsSignFractionAndExponent) {
    const struct {
        const char* text;
        float value;
        int consumed;
    } cases[] = {
        {"3", 3.0f, 1},
        {"1.25e2", 125.0f, 6},
        {"-0.5", -0.5f, 4},
        {"0.25", 0.25f, 4},
        {"2E-3", 0.002f, 4},
        {"1.5x", 1.5f, 3},
        {"5.", 5.0f, 2},
        {".5", 0.5f, 2},
        {"-.5", -0.5f, 3},
        {"1e", 1.0f, 2},
        {"+3", 0.0f, 0}, // no '+' for floats
        {"-", 0.0f, 0},
        {"-x", 0.0f, 0},
        {".", 0.0f, 0},
        {"", 0.0f, 0},
        {"0e999", 0.0f, 5}, // zero stays zero, not NaN
        {"0.1234567890123456", 0.12345679f, 18},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        float value = -99.0f;
        const char* end = parseFloat(c.text, value);
        EXPECT_FLOAT_EQ(value, c.value);
        EXPECT_EQ(end - c.text, c.consumed);

        const std::u16string wide = widenAscii(c.text);
        float wideValue = -99.0f;
        const char16_t* wideEnd = parseFloat(wide.c_str(), wideValue);
        EXPECT_FLOAT_EQ(wideValue, c.value);
        EXPECT_EQ(wideEnd - wide.c_str(), c.consumed);
    }
    EXPECT_FLOAT_EQ(parseFloat("-7.75"), -7.75f);
    EXPECT_FLOAT_EQ(parseFloat(u"12.5"), 12.5f);
    EXPECT_TRUE(std::isinf(parseFloat("1e39")));
}

TEST(NumberText, ParseFloatReadsFractionsLongerThanSixteenDigits) {
    const struct {
        const char* text;
        float value;
    } cases[] = {
        {"0.12345678901234567890", 0.12345679f},
        {"1.00000000000000000001", 1.0f},
        {"2.50000000000000000000000000000000000000000000000000", 2.5f},
        {"0.0000000000000000001234", 1.234e-19f},
        {"-0.99999999999999999999", -1.0f},
        {"0.000000000000000000000000000000000000000000000000000000000000", 0.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const size_t length = std::char_traits<char>::length(c.text);
        float value = -99.0f;
        const char* end = parseFloat(c.text, value);
        EXPECT_FLOAT_EQ(value, c.value);
        EXPECT_EQ(size_t(end - c.text), length) << "every fraction digit is consumed";

        const std::u16string wide = widenAscii(c.text);
        EXPECT_FLOAT_EQ(parseFloat(wide.c_str()), c.value);
    }
}

TEST(NumberText, FloatPairsAndListsTakeAnyOtherCharacterAsSeparator) {
    const struct {
        const char* text;
        float x;
        float y;
    } cases[] = {
        {"12,34", 12.0f, 34.0f},
        {"12, 34", 12.0f, 34.0f},
        {"12 34", 12.0f, 34.0f},
        {"x=12 y=34", 12.0f, 34.0f},
        {"10", 10.0f, 0.0f},
        {"a", 0.0f, 0.0f},
        {".5", 5.0f, 0.0f},
        {"+3,+4", 3.0f, 4.0f},
        {"1.5;-2.25", 1.5f, -2.25f},
        {"1,2,3", 1.0f, 2.0f},
        {"-,5", 0.0f, 5.0f}, // a lone '-' reads as 0
        {"", 0.0f, 0.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        float x = -99.0f;
        float y = -99.0f;
        parseFloatPair(c.text, x, y);
        EXPECT_FLOAT_EQ(x, c.x);
        EXPECT_FLOAT_EQ(y, c.y);

        const std::u16string wide = widenAscii(c.text);
        parseFloatPair(wide.c_str(), x, y);
        EXPECT_FLOAT_EQ(x, c.x);
        EXPECT_FLOAT_EQ(y, c.y);
    }

    float v[4] = {-1, -1, -1, -1};
    parseFloat3("1 2.5 -3", v[0], v[1], v[2]);
    EXPECT_EQ(std::vector<float>(v, v + 3), (std::vector<float>{1.0f, 2.5f, -3.0f}));
    parseFloat3(u"7;8", v[0], v[1], v[2]);
    EXPECT_EQ(std::vector<float>(v, v + 3), (std::vector<float>{7.0f, 8.0f, 0.0f}));
    parseFloat4("1;2;3;4;5", v[0], v[1], v[2], v[3]);
    EXPECT_EQ(std::vector<float>(v, v + 4), (std::vector<float>{1.0f, 2.0f, 3.0f, 4.0f}));
    parseFloat4(u"(10, 20, 30)", v[0], v[1], v[2], v[3]);
    EXPECT_EQ(std::vector<float>(v, v + 4), (std::vector<float>{10.0f, 20.0f, 30.0f, 0.0f}));
}

TEST(NumberText, IntegerListsTruncateTowardsZeroAndSaturate) {
    int x = -99;
    int y = -99;
    parseIntPair("1.9,-2.9", x, y);
    EXPECT_EQ(x, 1);
    EXPECT_EQ(y, -2);
    parseIntPair(u"3e10 -3e10", x, y);
    EXPECT_EQ(x, INT_MAX);
    EXPECT_EQ(y, INT_MIN);

    const struct {
        const char* text;
        std::vector<int> values;
    } cases[] = {
        {"1;4;7", {1, 4, 7}}, {"", {}},         {"none", {}},     {" -12 , 5.7 ,x9", {-12, 5, 9}},
        {"-", {0}}, // a lone '-' reads 0 and is stepped over
        {"1 - 2", {1, 0, 2}}, {"a-b-", {0, 0}}, {"--5", {0, -5}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(toVector(parseIntList(c.text)), c.values);
        EXPECT_EQ(toVector(parseIntList(widenAscii(c.text).c_str())), c.values);
    }
}

TEST(NumberText, TruncateToIntSaturatesAndMapsNanToZero) {
    EXPECT_EQ(truncateToInt(2.9f), 2);
    EXPECT_EQ(truncateToInt(-2.9f), -2);
    EXPECT_EQ(truncateToInt(2147483520.0f), 2147483520);
    EXPECT_EQ(truncateToInt(2147483648.0f), INT_MAX);
    EXPECT_EQ(truncateToInt(-2147483648.0f), INT_MIN);
    EXPECT_EQ(truncateToInt(INFINITY), INT_MAX);
    EXPECT_EQ(truncateToInt(-INFINITY), INT_MIN);
    EXPECT_EQ(truncateToInt(NAN), 0);
}

TEST(NumberText, FormatDecimalCoversTheWholeRange) {
    const struct {
        int value;
        const char* text;
    } cases[] = {
        {0, "0"}, {7, "7"}, {-7, "-7"}, {123456, "123456"}, {INT_MAX, "2147483647"}, {INT_MIN, "-2147483648"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const NumberChars out = formatDecimal(c.value);
        EXPECT_STREQ(out.text, c.text);
        EXPECT_EQ(out.length, std::char_traits<char>::length(c.text));
    }
    EXPECT_STREQ(formatDecimal(0u).text, "0");
    EXPECT_STREQ(formatDecimal(4294967295u).text, "4294967295");
}

TEST(NumberText, FormatFloatDropsTrailingZerosAndFitsTheLargestFloats) {
    const struct {
        float value;
        const char* text;
    } cases[] = {
        {1.5f, "1.5"},
        {2.0f, "2"},
        {0.25f, "0.25"},
        {-3.0f, "-3"},
        {100.0f, "100"},
        {0.0f, "0"},
        {0.000001f, "0.000001"},
        {0.0000001f, "0"},
        {FLT_MAX, "340282346638528859811704183484516925440"},
        {-FLT_MAX, "-340282346638528859811704183484516925440"},
        {INFINITY, "inf"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const NumberChars out = formatFloat(c.value);
        EXPECT_STREQ(out.text, c.text);
        EXPECT_EQ(out.length, std::char_traits<char>::length(c.text));
    }
}
