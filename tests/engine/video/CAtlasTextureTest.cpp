#include "engine/video/CAtlasTexture.h"

#include "engine/content/ContentType.h"
#include "engine/core/CString.h"
#include "engine/video/CImageTexture.h"
#include "engine/video/IDriverTexture.h"
#include "tests/support/TextureTestSupport.h"

#include <gtest/gtest.h>

#include <string>

TEST(CAtlasTexture, SplitsItsNameIntoBaseFrameAndExtension) {
    const struct {
        const char16_t* name;
        const char16_t* base;
        int frame;
        const char16_t* extension;
    } cases[] = {
        {u"img/Walk0012.png", u"img/Walk", 12, u".png"},
        {u"a.png", u"a", -1, u".png"},
        {u"Idle", u"", -1, u""},
        {u"Idle42", u"", -1, u""}, // no '.': no digits are read
        {u".png", u"", -1, u""},
        {u"7.png", u"", 7, u".png"},
        {u"ui.v2/run03.anim.png", u"ui.v2/run03.anim", -1, u".png"},
        {u"frame.0003.png", u"frame.", 3, u".png"},
        {u"Fire12345.png", u"Fire", -1, u".png"},
        {u"f99999999999999999999.png", u"f", -1, u".png"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(CString(CStringW(c.name)).view()));
        CRefHandle<CAtlasTexture> texture(
            new CAtlasTexture(CObjectName(nullptr, CStringW(c.name)), nullptr, CRect(), CVector2d(), CVector2d()));
        EXPECT_TRUE(texture->getBaseName() == CStringW(c.base));
        EXPECT_EQ(texture->getFrameNumber(), c.frame);
        EXPECT_TRUE(texture->getExtension() == CStringW(c.extension));
    }
}

TEST(CAtlasTexture, PixelSizeIsTheRectangleOnTheDriverTexturePlusBothOffsets) {
    CRefHandle<CTextureTestDriver> driver(CTextureTestDriver::create(2, true));
    CRefHandle<CPixelImage> image(CPixelImage::create(CObjectName(), ColorFormat::A8R8G8B8, 40, 20));
    CRefHandle<IDriverTexture> driverTexture(driver->makeDriverTexture(image.get()));
    ASSERT_EQ(driverTexture->size(), CSizeI(64, 32));
    CRefHandle<CImageTexture> imageTexture(new CImageTexture(CObjectName(), u"sheet.png", driverTexture.get()));

    CRefHandle<CAtlasTexture> part(new CAtlasTexture(CObjectName(nullptr, u"part.png"), imageTexture.get(),
                                                     CRect(0.25f, 0.25f, 0.5f, 0.75f), {1, 2}, {3, 4}));
    EXPECT_EQ(part->getPixelSize(), CVector2d(16 + 1 + 3, 16 + 2 + 4));
    EXPECT_EQ(part->getDriverTexture(), driverTexture.get());

    // While the driver is away the size stays what it was.
    imageTexture->setTexture(nullptr);
    EXPECT_EQ(part->getDriverTexture(), nullptr);
    EXPECT_EQ(part->getPixelSize(), CVector2d(20, 22));

    CRefHandle<CAtlasTexture> none(new CAtlasTexture(CObjectName(), nullptr, CRect(0, 0, 1, 1), {1, 1}, {1, 1}));
    EXPECT_EQ(none->getPixelSize(), CVector2d(0, 0));
    EXPECT_EQ(none->getDriverTexture(), nullptr);
}
