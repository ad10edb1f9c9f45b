#include "engine/device/CSdlCursor.h"

#include "engine/content/CPixelImage.h"
#include "engine/core/CObjectName.h"
#include "engine/core/CRefHandle.h"
#include "engine/platform/CPlatformWindow.h"
#include "engine/platform/PlatformWindow.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class SdlCursorTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(platformEventsInit());
        if (!platformVideoInit(&error))
            GTEST_SKIP() << "no video system: " << error;
        PlatformWindowParams params;
        params.width = 200;
        params.height = 100;
        ASSERT_TRUE(m_window.create(params, &error)) << error;
        m_cursor = CRefHandle<CSdlCursor>(new CSdlCursor(&m_window));
        m_cursor->setFullscreen(false);
    }

    void TearDown() override {
        m_cursor.reset();
        m_window.destroy();
        platformFlushEvents();
    }

    CPlatformWindow m_window;
    CRefHandle<CSdlCursor> m_cursor;
};

TEST_F(SdlCursorTest, SetPositionReadsBackAndRefreshFindsThePointer) {
    m_cursor->setPosition({30, 40});
    EXPECT_EQ(m_cursor->getPosition(), CVector2di(30, 40));
    ASSERT_EQ(m_cursor->positions().size(), 1u);
    EXPECT_EQ(m_cursor->positions()[0], CVector2di(30, 40));
    // The pointer went there: a refresh reads the same client position.
    m_cursor->refreshPosition();
    EXPECT_EQ(m_cursor->getPosition(), CVector2di(30, 40));
    const CArray<CVector2di> copy = m_cursor->copyPositions();
    ASSERT_EQ(copy.size(), 1u);
    EXPECT_EQ(copy[0], CVector2di(30, 40));
}

TEST_F(SdlCursorTest, VisibilityChangesOnlyOnRealChanges) {
    EXPECT_TRUE(m_cursor->isVisible());
    m_cursor->setVisible(false);
    EXPECT_FALSE(m_cursor->isVisible());
    EXPECT_FALSE(platformIsCursorShown());
    m_cursor->setVisible(false);
    EXPECT_FALSE(platformIsCursorShown());
    m_cursor->setVisible(true);
    EXPECT_TRUE(platformIsCursorShown());
}

TEST_F(SdlCursorTest, ImagesMakeShapesOrFailCleanly) {
    CRefHandle<CPixelImage> image(CPixelImage::create(CObjectName(), ColorFormat::A8R8G8B8, 16, 16));
    ASSERT_TRUE(image);
    image->fillColor(CColor(0xFFFF0000));
    m_cursor->setPosition({5, 6});
    {
        LogCapture log;
        m_cursor->setImage(image.get(), 1, 1);
        EXPECT_TRUE(m_cursor->wantsCustomImage());
        // Headless displays have no cursors: a warning, and the arrow stays.
        const bool made = m_cursor->hasCustomImage();
        EXPECT_EQ(made, !log.contains("Can't make the cursor"));
        // Asked again (as each player's settings are applied), a display
        // without cursors is not reported again.
        m_cursor->setImage(image.get(), 15, 0);
        m_cursor->setImage(image.get(), 3, 3);
        EXPECT_EQ(m_cursor->hasCustomImage(), made);
        EXPECT_EQ(log.count("WRN: Can't make the cursor"), made ? 0u : 1u);
    }
    m_cursor->setImage(nullptr, 0, 0);
    EXPECT_FALSE(m_cursor->hasCustomImage());
    EXPECT_FALSE(m_cursor->wantsCustomImage());
    // The pointer stays where it was.
    EXPECT_EQ(m_cursor->getPosition(), CVector2di(5, 6));
}

TEST_F(SdlCursorTest, WithoutItsWindowThePositionIsUnknown) {
    m_cursor->setPosition({7, 8});
    m_cursor->detachWindow();
    m_cursor->refreshPosition();
    EXPECT_EQ(m_cursor->getPosition(), CVector2di(-1, -1));
    m_cursor->setPosition({9, 9});
    EXPECT_EQ(m_cursor->getPosition(), CVector2di(9, 9));
}

} // namespace
