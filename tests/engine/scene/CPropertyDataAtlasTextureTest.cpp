#include "engine/scene/CPropertyDataAtlasTexture.h"

#include "engine/content/ContentType.h"
#include "engine/core/CString.h"
#include "tests/engine/scene/PropertyTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// Frames img/Walk0000.png to img/Walk0009.png, except those in `missing`.
struct Walk {
    explicit Walk(std::vector<int> missing = {}) : manager(new FakeContentManager) {
        for (int frame = 0; frame < 10; ++frame)
            if (std::find(missing.begin(), missing.end(), frame) == missing.end())
                manager->addAvailable(ContentTypeAtlasTexture, name(frame));
    }

    static std::u16string name(int frame) {
        return u"img/Walk000" + std::u16string(1, char16_t(u'0' + frame)) + u".png";
    }
    CRefHandle<CPropertyDataAtlasTexture> value(int frame) {
        CRefHandle<IContent> texture(manager->object(ContentTypeAtlasTexture, name(frame)));
        return CPropertyDataAtlasTexture::create(texture.get());
    }
    IContent* texture(int frame) {
        CRefHandle<IContent> texture(manager->object(ContentTypeAtlasTexture, name(frame)));
        return texture.get(); // the manager keeps it
    }

    CRefHandle<FakeContentManager> manager;
};

} // namespace

TEST(CPropertyDataAtlasTexture, SplitsNamesIntoBaseFrameAndExtension) {
    const struct {
        const char16_t* name;
        const char16_t* base;
        int frame;
        const char16_t* extension;
    } cases[] = {
        {u"img/Walk0012.png", u"img/Walk", 12, u".png"},
        {u"a.png", u"a", -1, u".png"},
        {u"Idle", u"", -1, u""},
        {u".png", u"", -1, u""},
        {u"x7.tar.gz", u"x7.tar", -1, u".gz"},
        {u"9999.png", u"", 9999, u".png"},
        {u"Fire12345.png", u"Fire", -1, u".png"},          // beyond four digits: no frame
        {u"f99999999999999999999.png", u"f", -1, u".png"}, // would overflow an int
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(CString(CStringW(c.name)).view()));
        CStringW base;
        CStringW extension;
        int frame = 0;
        CPropertyDataAtlasTexture::splitFrameName(CStringW(c.name), base, frame, extension);
        EXPECT_TRUE(base == c.base);
        EXPECT_EQ(frame, c.frame);
        EXPECT_TRUE(extension == c.extension);
    }
}

TEST(CPropertyDataAtlasTexture, PreparedFramesAreLoadedInOrderOfDistance) {
    Walk walk({5});
    CRefHandle<CPropertyDataAtlasTexture> from = walk.value(7);
    CRefHandle<CPropertyDataAtlasTexture> to = walk.value(3);
    walk.manager->loads.clear();

    from->prepareInterpolation(to.get());
    EXPECT_EQ(walk.manager->loads,
              (std::vector<std::u16string>{u"img/Walk0007.png", u"img/Walk0006.png", u"img/Walk0005.png",
                                           u"img/Walk0004.png", u"img/Walk0003.png"}));
    ASSERT_EQ(from->getFrames().size(), 5u);
    EXPECT_EQ(from->getFrames()[1].get(), walk.texture(6));
    EXPECT_FALSE(from->getFrames()[2]); // frame 5 does not load

    // The same frame, or no sequence, loads nothing.
    CRefHandle<CPropertyDataAtlasTexture> same = walk.value(7);
    same->prepareInterpolation(walk.value(7).get());
    EXPECT_EQ(same->getFrames().size(), 0u);
}

TEST(CPropertyDataAtlasTexture, InterpolationStepsThroughTheFrames) {
    const struct {
        int from;
        int to;
        float ratio;
        bool prepared;
        int expected; // frame `out` holds afterwards; -1 none
    } cases[] = {
        {3, 7, 0.6f, true, 5},                          // d = trunc(2.4)
        {7, 3, 0.6f, true, 5},                          // d = -2
        {3, 7, 0.0f, true, 3}, {3, 7, 0.99f, false, 6}, // not prepared: the frame is loaded by name
        {3, 7, 1.0f, true, 7}, {2, 8, 0.5f, false, -1}, // frame 5 does not exist
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.from) + " to " + std::to_string(c.to) + " at " + std::to_string(c.ratio));
        Walk walk({5});
        CRefHandle<CPropertyDataAtlasTexture> from = walk.value(c.from);
        CRefHandle<CPropertyDataAtlasTexture> to = walk.value(c.to);
        if (c.prepared)
            from->prepareInterpolation(to.get());
        CRefHandle<CPropertyDataAtlasTexture> out = walk.value(0);
        EXPECT_TRUE(from->interpolate(to.get(), out.get(), c.ratio));
        EXPECT_EQ(out->getContent(), c.expected < 0 ? nullptr : walk.texture(c.expected));
        // A second call with the same result changes nothing.
        EXPECT_FALSE(from->interpolate(to.get(), out.get(), c.ratio));
    }
}

TEST(CPropertyDataAtlasTexture, TexturesOutsideASequenceSwitchAtTheEnd) {
    CRefHandle<FakeContentManager> manager(new FakeContentManager);
    manager->addAvailable(ContentTypeAtlasTexture, u"ui/Ok.png");
    manager->addAvailable(ContentTypeAtlasTexture, u"ui/Cancel.png");
    CRefHandle<IContent> ok(manager->object(ContentTypeAtlasTexture, u"ui/Ok.png"));
    CRefHandle<IContent> cancel(manager->object(ContentTypeAtlasTexture, u"ui/Cancel.png"));
    CRefHandle<CPropertyDataAtlasTexture> from = CPropertyDataAtlasTexture::create(ok.get());
    CRefHandle<CPropertyDataAtlasTexture> to = CPropertyDataAtlasTexture::create(cancel.get());
    CRefHandle<CPropertyDataAtlasTexture> out(new CPropertyDataAtlasTexture(nullptr));
    from->prepareInterpolation(to.get());
    const size_t loads = manager->loads.size();

    EXPECT_TRUE(from->interpolate(to.get(), out.get(), 0.5f));
    EXPECT_EQ(out->getContent(), ok.get());
    EXPECT_TRUE(from->interpolate(to.get(), out.get(), 1.0f));
    EXPECT_EQ(out->getContent(), cancel.get());
    EXPECT_EQ(manager->loads.size(), loads);

    // An empty text keeps the texture.
    from->fromString("");
    EXPECT_EQ(from->getContent(), ok.get());
}

TEST(CPropertyDataAtlasTexture, CloneTakesOverTheFrames) {
    Walk walk;
    CRefHandle<CPropertyDataAtlasTexture> from = walk.value(1);
    from->prepareInterpolation(walk.value(4).get());
    CRefHandle<IPropertyData> copy = from->clone();
    const auto* cloned = static_cast<const CPropertyDataAtlasTexture*>(copy.get());
    ASSERT_EQ(cloned->getFrames().size(), 4u);
    EXPECT_EQ(cloned->getFrames()[3].get(), walk.texture(4));
    EXPECT_EQ(cloned->getContent(), walk.texture(1));
}
