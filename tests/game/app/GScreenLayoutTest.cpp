#include "game/app/GScreenLayout.h"

#include <gtest/gtest.h>

TEST(GScreenLayout, AlignsTheDesignScreenWithItsBars) {
    const struct {
        int32_t width, height;
        bool stretched;
        float x, y, sx, sy;
        CRectI first, second;
    } cases[] = {
        {1024, 768, true, 0, 0, 1, 1, {0, 0, 0, 768}, {1024, 0, 1024, 768}},
        // Within 10 % of 4:3 the picture is stretched.
        {1280, 1024, true, 0, 0, 1.25f, 1024.0f / 768.0f, {0, 0, 0, 1024}, {1280, 0, 1280, 1024}},
        {1920, 1080, false, 240, 0, 1.40625f, 1.40625f, {0, 0, 97, 1080}, {1823, 0, 1920, 1080}},
        // At a ratio of 1.6 and below the side bars shrink to a pixel.
        {1280, 800, false, 107, 0, 800.0f / 768.0f, 800.0f / 768.0f, {0, 0, 1, 800}, {1279, 0, 1280, 800}},
        {1228, 768, false, 102, 0, 1, 1, {0, 0, 1, 768}, {1227, 0, 1228, 768}},
        {1366, 768, false, 171, 0, 1, 1, {0, 0, 70, 768}, {1296, 0, 1366, 768}},
        {1280, 720, false, 160, 0, 0.9375f, 0.9375f, {0, 0, 65, 720}, {1215, 0, 1280, 720}},
        // Narrower than 4:3: bars above and below; the fitted height truncates.
        {1024, 1024, false, 0, 128.5f, 1, 1, {0, 0, 1024, 128}, {0, 895, 1024, 1024}},
        {768, 2048, false, 0, 736.5f, 0.75f, 0.75f, {0, 0, 768, 736}, {0, 1311, 768, 2048}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        const GScreenAlignment a = alignScreen(c.width, c.height);
        EXPECT_TRUE(a.usable);
        EXPECT_EQ(a.stretched, c.stretched);
        EXPECT_FLOAT_EQ(a.position.x, c.x);
        EXPECT_FLOAT_EQ(a.position.y, c.y);
        EXPECT_FLOAT_EQ(a.scale.x, c.sx);
        EXPECT_FLOAT_EQ(a.scale.y, c.sy);
        EXPECT_EQ(a.firstBar, c.first);
        EXPECT_EQ(a.secondBar, c.second);
    }
}

TEST(GScreenLayout, AWindowWithoutAreaGivesNoLayout) {
    const struct { int32_t width, height; } sizes[] = {{0, 768}, {1024, 0}, {0, 0}, {-1, 768}};
    for (const auto& size : sizes) {
        const GScreenAlignment a = alignScreen(size.width, size.height);
        EXPECT_FALSE(a.usable) << size.width << " x " << size.height;
        EXPECT_EQ(a.scale.x, 0.0f);
        EXPECT_EQ(a.firstBar, CRectI());
    }
}

TEST(GScreenLayout, AVeryWideWindowShowsAPictureOfRatioOnePointSixBetweenItsBars) {
    const GScreenAlignment a = alignScreen(3840, 1080);
    EXPECT_FALSE(a.stretched);
    EXPECT_FLOAT_EQ(a.scale.x, 1.40625f);
    EXPECT_FLOAT_EQ(a.position.x, (3840.0f - 1440.0f) / 2.0f);
    // What lies between the bars is 1.6 times the height, give or take the
    // extra pixel each bar takes.
    const int32_t between = a.secondBar.left - a.firstBar.right;
    EXPECT_NEAR(between, 1.6 * 1080, 4.0);
    EXPECT_EQ(a.firstBar.width(), a.secondBar.width());
    EXPECT_EQ(a.secondBar.right, 3840);
}

TEST(GScreenLayout, ChoosesDriverWindowSizeAndWindowedMode) {
    const struct { int32_t stored, driver; } drivers[] = {{0, 2}, {4, 2}, {-1, 2}, {1, 1}, {2, 2}, {3, 3}, {1000, 2}};
    for (const auto& d : drivers)
        EXPECT_EQ(videoDriverFromSetting(d.stored), d.driver) << d.stored;

    EXPECT_EQ(chooseWindowSize(true, 1248), kNormalWindowSize);
    EXPECT_EQ(chooseWindowSize(true, 1249), kWideWindowSize);
    EXPECT_EQ(chooseWindowSize(false, 4000), kNormalWindowSize);

    EXPECT_FALSE(desktopAllowsWindow(768));
    EXPECT_FALSE(desktopAllowsWindow(788));
    EXPECT_TRUE(desktopAllowsWindow(789));
}
