#include "engine/core/CColor.h"

#include "engine/core/CColorf.h"

#include <gtest/gtest.h>

TEST(CColor, PacksChannelsAsArgb) {
    const CColor c(0x12, 0x34, 0x56, 0x78);
    EXPECT_EQ(c.value, 0x12345678u);
    EXPECT_EQ(c.alpha(), 0x12u);
    EXPECT_EQ(c.red(), 0x34u);
    EXPECT_EQ(c.green(), 0x56u);
    EXPECT_EQ(c.blue(), 0x78u);
    EXPECT_EQ(CColor(0x1FF, 0, 0, 0x100).value, 0xFF000000u);
}

TEST(CColor, LerpTruncatesEachChannel) {
    const struct {
        uint32_t self;
        uint32_t other;
        float t;
        uint32_t expected;
    } cases[] = {
        {0xFF000000, 0x00000000, 0.5f, 0x7F000000},
        {0x80FF4020, 0x10203040, 1.0f, 0x80FF4020},
        {0x80FF4020, 0x10203040, 0.0f, 0x10203040},
        // 0.25 * this + 0.75 * other per channel: 32+12=44, 63.75+24=87.75, 16+36=52, 8+48=56.
        {0x80FF4020, 0x10203040, 0.25f, 0x2C573438},
        // A t outside [0, 1] saturates rather than wrapping a channel.
        {0xFF808080, 0x00FF0000, 2.0f, 0xFF01FFFF},
        {0xFF808080, 0x00FF0000, -1.0f, 0x00FF0000},
        // Channels equal in both colours never move, whatever t.
        {0xFFFFFFFF, 0x00FFFFFF, 1.0f / 3.0f, 0x55FFFFFF},
        {0x7FC8C8C8, 0x7F0000C8, 0.7f, 0x7F8C8CC8},
        {0x11FFFFFF, 0x11FFFFFF, 0.123f, 0x11FFFFFF},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.t);
        EXPECT_EQ(CColor(c.self).lerp(CColor(c.other), c.t).value, c.expected);
    }
}

TEST(CColor, ModulateMultipliesChannels) {
    const CColor white(0xFFFFFFFF);
    for (uint32_t sample : {0x00000000u, 0x12345678u, 0xFF808080u, 0x01FE7F80u}) {
        SCOPED_TRACE(sample);
        EXPECT_EQ(white.modulate(CColor(sample)).value, sample);
        EXPECT_EQ(CColor(sample).modulate(white).value, sample);
    }
    // Every byte survives a white modulation.
    for (uint32_t k = 0; k < 256; ++k)
        ASSERT_EQ(white.modulate(CColor(k, k, k, k)), CColor(k, k, k, k)) << k;

    EXPECT_EQ(CColor(0x80808080).modulate(CColor(0x80808080)).value, 0x40404040u);
    // 200 * 100 / 255 = 78.43; 10 * 250 / 255 = 9.8
    EXPECT_EQ(CColor(200, 10, 0, 255).modulate(CColor(100, 250, 255, 0)).value, CColor(78, 9, 0, 0).value);
}

TEST(CColorf, ConvertsFromAndToPackedColours) {
    const CColorf f(CColor(0xFF, 0x00, 0x80, 0x33));
    EXPECT_FLOAT_EQ(f.a, 1.0f);
    EXPECT_FLOAT_EQ(f.r, 0.0f);
    EXPECT_FLOAT_EQ(f.g, 128.0f / 255.0f);
    EXPECT_FLOAT_EQ(f.b, 0.2f);

    for (uint32_t k = 0; k < 256; ++k) {
        const CColor c(k, 255 - k, k / 2, 7);
        ASSERT_EQ(CColorf(c).toColor(), c) << k;
    }

    // 0.5 * 255 = 127.5 truncates.
    EXPECT_EQ(CColorf(0.5f, 0.0f, 1.0f, 0.5f).toColor().value, 0x7F7F00FFu);
}

TEST(CColorf, OutOfRangeChannelsSaturate) {
    EXPECT_EQ(CColorf(1.01f, -0.5f, 2.0f, 1.5f).toColor().value, 0xFFFF00FFu);
    EXPECT_EQ(CColorf(-1e30f, 1e30f, 0.0f, -0.0f).toColor().value, 0x0000FF00u);
}
