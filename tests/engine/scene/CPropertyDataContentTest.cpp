#include "engine/scene/CPropertyDataContent.h"

#include "engine/content/ContentType.h"
#include "engine/core/CString.h"
#include "engine/scene/CPropertyDataFont.h"
#include "engine/scene/CPropertyDataSound.h"
#include "engine/scene/PropertyValues.h"
#include "tests/engine/scene/PropertyTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Fonts {
    Fonts() : manager(new FakeContentManager) {
        manager->addAvailable(ContentTypeFont, u"fonts/Caption.mfnt");
        manager->addAvailable(ContentTypeFont, u"fonts/Small.mfnt");
        manager->addAvailable(ContentTypeSound, u"sounds/Click.ogg");
        caption = CRefHandle<IContent>(manager->object(ContentTypeFont, u"fonts/Caption.mfnt"));
        small = CRefHandle<IContent>(manager->object(ContentTypeFont, u"fonts/Small.mfnt"));
    }
    CRefHandle<FakeContentManager> manager;
    CRefHandle<IContent> caption;
    CRefHandle<IContent> small;
};

std::string text(const CRefHandle<IPropertyData>& value) { return std::string(getPropertyString(value).view()); }

} // namespace

TEST(CPropertyDataContent, TextIsTheContentNameRelativeToTheCurrentFolder) {
    Fonts fonts;
    CRefHandle<IPropertyData> value = CPropertyDataFont::create(fonts.caption.get());
    EXPECT_EQ(text(value), "fonts/Caption.mfnt");
    fonts.manager->pushFolder(CStringW(u"fonts/Menu.mscn"));
    EXPECT_EQ(text(value), "Caption.mfnt");
    EXPECT_EQ(getPropertyStringW(value), CStringW(u"Caption.mfnt"));

    // Without a manager the name is written as it is.
    CRefHandle<CPropertyDataFont> detached = CPropertyDataFont::create(fonts.caption.get());
    detached->setContentManager(nullptr);
    EXPECT_EQ(text(detached), "fonts/Caption.mfnt");
    EXPECT_EQ(text(CRefHandle<IPropertyData>(new CPropertyDataFont(fonts.manager.get()))), "");
}

TEST(CPropertyDataContent, ReadingANameLoadsOrDropsTheObject) {
    Fonts fonts;
    fonts.manager->pushFolder(CStringW(u"fonts/Menu.mscn"));
    CRefHandle<CPropertyDataFont> value(new CPropertyDataFont(fonts.manager.get()));

    value->fromString("Small.mfnt");
    EXPECT_EQ(value->getContent(), fonts.small.get());
    EXPECT_EQ(fonts.manager->loads.back(), u"fonts/Small.mfnt");

    value->fromString("Missing.mfnt");
    EXPECT_EQ(value->getContent(), nullptr);
    EXPECT_EQ(value->getContentManager(), fonts.manager.get());

    value->fromStringW(CStringW(u"Caption.mfnt"));
    EXPECT_EQ(value->getContent(), fonts.caption.get());
    value->fromString("");
    EXPECT_EQ(value->getContent(), nullptr);

    // Without a manager a text changes nothing.
    CRefHandle<CPropertyDataSound> sound(new CPropertyDataSound(nullptr));
    const size_t loads = fonts.manager->loads.size();
    sound->fromString("sounds/Click.ogg");
    EXPECT_EQ(sound->getContent(), nullptr);
    EXPECT_EQ(fonts.manager->loads.size(), loads);
    EXPECT_EQ(sound->getContentType(), ContentTypeSound);
}

TEST(CPropertyDataContent, InterpolationSwitchesAtTheEnd) {
    Fonts fonts;
    CRefHandle<IPropertyData> from = CPropertyDataFont::create(fonts.caption.get());
    CRefHandle<IPropertyData> to = CPropertyDataFont::create(fonts.small.get());
    CRefHandle<CPropertyDataFont> out(new CPropertyDataFont(nullptr));

    EXPECT_TRUE(from->interpolate(to.get(), out.get(), 0.5f));
    EXPECT_EQ(out->getContent(), fonts.caption.get());
    EXPECT_EQ(out->getContentManager(), fonts.manager.get());   // taken from the object
    EXPECT_FALSE(from->interpolate(to.get(), out.get(), 0.9f)); // already that font
    EXPECT_TRUE(from->interpolate(to.get(), out.get(), 1.0f));
    EXPECT_EQ(out->getContent(), fonts.small.get());

    EXPECT_TRUE(from->equals(CPropertyDataFont::create(fonts.caption.get()).get()));
    EXPECT_FALSE(from->equals(to.get()));
    // A sound refers to content too, but is another kind.
    EXPECT_FALSE(from->equals(CPropertyDataSound::create(fonts.caption.get()).get()));
}
