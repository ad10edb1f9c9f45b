#include "engine/scene/ProfileBag.h"

#include "engine/content/CProfileParameters.h"
#include "engine/content/ContentType.h"
#include "engine/core/CColor.h"
#include "engine/core/CVector2d.h"
#include "engine/core/CVector3d.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CPropertyDataAtlasTexture.h"
#include "engine/scene/CPropertyDataColor.h"
#include "engine/scene/CPropertyDataProperties.h"
#include "engine/scene/CPropertyDataVector2d.h"
#include "engine/scene/CPropertyDataVector3d.h"
#include "engine/scene/PropertyValues.h"
#include "tests/engine/scene/PropertyTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A profile set read from `xml`, as the profile store reads its files.
CRefHandle<CProfileParameters> readProfile(const std::string& xml) {
    CRefHandle<CProfileParameters> profile(new CProfileParameters(nullptr, CStringW(u"Ann")));
    CRefHandle<CXmlStreamReader> reader(new CXmlStreamReader(xml.data(), xml.size()));
    while (reader->readNext() && reader->nodeType() != CXmlStreamReader::Element) {
    }
    EXPECT_TRUE(profile->readFrom(reader.get()));
    return profile;
}

std::vector<std::string> namesOf(const CProfileParameters& profile) {
    std::vector<std::string> names;
    for (uint32_t i = 0; i < profile.getCount(); ++i)
        names.push_back(profile.getNameAt(i).c_str());
    return names;
}

} // namespace

TEST(ProfileBag, EveryKindAProfileFileHoldsReadsAsItsPropertyValue) {
    CRefHandle<FakeContentManager> manager(new FakeContentManager);
    manager->addAvailable(ContentTypeAtlasTexture, u"atlases/Common.xml#Star");
    CRefHandle<CProfileParameters> profile =
        readProfile("<Parameters>"
                    "<int Name=\"LevelIndex\" Value=\"3\"/>"
                    "<color Name=\"Tint\" Value=\"80ff0000\"/>"
                    "<vector2d Name=\"Offset\" Value=\"1.5;-2\"/>"
                    "<atlasTexture Name=\"Badge\" Value=\"atlases/Common.xml#Star\"/>"
                    "<properties Name=\"Window\">"
                    "<bool Name=\"Wide\" Value=\"true\"/>"
                    "</properties>"
                    "<mystery Name=\"Unknown\" Value=\"?\"/>"
                    "<stringw Name=\"Title\" Value=\"Mayor\"/>"
                    "</Parameters>");
    CRefHandle<CPropertyBag> bag = readProfileBag(*profile, manager.get());
    std::vector<std::string> names;
    for (int i = 0; i < bag->getCount(); ++i)
        names.push_back(bag->getNameAt(i).c_str());
    EXPECT_EQ(names, (std::vector<std::string>{"LevelIndex", "Tint", "Offset", "Badge", "Window", "Title"}))
        << "in the profile's order; a kind no one knows is left out";
    EXPECT_EQ(bag->getInt("LevelIndex"), 3);
    EXPECT_EQ(getPropertyColor(bag->get("Tint")).value, 0x80ff0000u);
    const CVector2d offset = getPropertyVector2d(bag->get("Offset"));
    EXPECT_FLOAT_EQ(offset.x, 1.5f);
    EXPECT_FLOAT_EQ(offset.y, -2.0f);
    auto* badge = dynamic_cast<CPropertyDataAtlasTexture*>(bag->get("Badge").get());
    ASSERT_NE(badge, nullptr);
    const CRefHandle<IContent> star(manager->object(ContentTypeAtlasTexture, u"atlases/Common.xml#Star"));
    EXPECT_EQ(badge->getContent(), star.get()) << "content references load through the given manager";
    auto* window = dynamic_cast<CPropertyDataProperties*>(bag->get("Window").get());
    ASSERT_TRUE(window && window->getBag());
    EXPECT_TRUE(window->getBag()->getBool("Wide"));
    EXPECT_EQ(getProfileValue(*profile, "Title")->getTypeId(), IPropertyData::TypeStringW);
    EXPECT_FALSE(getProfileValue(*profile, "Missing"));
}

TEST(ProfileBag, ValuesOfAnyKindAreStoredInPlaceAndComeBackAsTheSameKind) {
    CRefHandle<CProfileParameters> profile = readProfile("<Parameters>"
                                                         "<int Name=\"A\" Value=\"1\"/>"
                                                         "<int Name=\"Tint\" Value=\"7\"/>"
                                                         "<int Name=\"B\" Value=\"2\"/>"
                                                         "</Parameters>");
    CRefHandle<CPropertyBag> nested = CPropertyBag::create();
    nested->setInt("Depth", 4);
    nested->setVector3d("Where", CVector3d(1, 2, 3));
    const struct {
        const char* name;
        CRefHandle<IPropertyData> value;
    } values[] = {
        {"Tint", CPropertyDataColor::create(CColor(0x11223344u))},
        {"Offset", CPropertyDataVector2d::create(CVector2d(0.25f, 8.0f))},
        {"Nested", CPropertyDataProperties::create(nested.get())},
    };
    for (const auto& v : values) {
        SCOPED_TRACE(v.name);
        ASSERT_TRUE(setProfileValue(*profile, v.name, v.value.get()));
        const CRefHandle<IPropertyData> back = getProfileValue(*profile, v.name);
        ASSERT_TRUE(back);
        EXPECT_EQ(back->getTypeId(), v.value->getTypeId());
        CString written, read;
        v.value->toString(written);
        back->toString(read);
        EXPECT_EQ(read, written);
    }
    EXPECT_EQ(namesOf(*profile), (std::vector<std::string>{"A", "Tint", "B", "Offset", "Nested"}))
        << "a name already there keeps its place";
    EXPECT_EQ(profile->getInt("A"), 1) << "the other values are untouched";
    const CRefHandle<IPropertyData> nestedValue = getProfileValue(*profile, "Nested");
    auto* nestedBack = dynamic_cast<CPropertyDataProperties*>(nestedValue.get());
    ASSERT_TRUE(nestedBack && nestedBack->getBag());
    EXPECT_EQ(nestedBack->getBag()->getInt("Depth"), 4);
    const CVector3d where = getPropertyVector3d(nestedBack->getBag()->get("Where"));
    EXPECT_FLOAT_EQ(where.z, 3.0f);

    // The plain kinds stay values the profile reads itself.
    const CRefHandle<CPropertyBag> plain = CPropertyBag::create();
    plain->setBool("Sound", true);
    ASSERT_TRUE(setProfileValue(*profile, "Sound", plain->get("Sound").get()));
    EXPECT_EQ(profile->getKindAt(uint32_t(profile->indexOf("Sound"))), CProfileParameters::Kind::Bool);
    EXPECT_TRUE(profile->getBool("Sound"));

    EXPECT_TRUE(setProfileValue(*profile, "Offset", nullptr)) << "null removes";
    EXPECT_FALSE(profile->has("Offset"));
    EXPECT_FALSE(setProfileValue(*profile, "", values[0].value.get()));
}

TEST(ProfileBag, ABagReplacesTheProfilesValuesInItsOrder) {
    CRefHandle<CProfileParameters> profile = readProfile("<Parameters>"
                                                         "<int Name=\"Old\" Value=\"1\"/>"
                                                         "</Parameters>");
    CRefHandle<CPropertyBag> bag = CPropertyBag::create();
    bag->setColor("Tint", CColor(0xff00ff00u));
    bag->setInt("LevelIndex", 5);
    writeProfileBag(*bag, *profile);
    EXPECT_EQ(namesOf(*profile), (std::vector<std::string>{"Tint", "LevelIndex"}));
    EXPECT_EQ(profile->getInt("LevelIndex"), 5);
    EXPECT_EQ(profile->getName(), CStringW(u"Ann"));
    EXPECT_EQ(getPropertyColor(getProfileValue(*profile, "Tint")).value, 0xff00ff00u);
}
