#include "engine/scene/CPropertyDataFactory.h"

#include "engine/core/CEngineManagers.h"
#include "engine/core/CString.h"
#include "engine/scene/CPropertyDataContent.h"
#include "engine/scene/CPropertyDataInt.h"
#include "engine/scene/CPropertyDataProperties.h"
#include "engine/scene/PropertyValues.h"
#include "tests/engine/scene/PropertyTestSupport.h"

#include <gtest/gtest.h>

#include <string>

TEST(CPropertyDataFactory, MakesEveryKindHoldingItsZero) {
    CRefHandle<FakeContentManager> manager(new FakeContentManager);
    CRefHandle<CPropertyDataFactory> factory(new CPropertyDataFactory);
    const struct {
        const char16_t* type;
        int id;
        const char16_t* className;
        const char* zeroText;
    } kinds[] = {
        {u"int", 1, u"CPropertyDataInt", "0"},
        {u"bool", 2, u"CPropertyDataBool", "false"},
        {u"float", 3, u"CPropertyDataFloat", "0"},
        {u"color", 4, u"CPropertyDataColor", "00000000"},
        {u"colorf", 5, u"CPropertyDataColorf", "0;0;0;0"},
        {u"vector2d", 6, u"CPropertyDataVector2d", "0;0"},
        {u"vector3d", 7, u"CPropertyDataVector3d", "0;0;0"},
        {u"rect", 8, u"CPropertyDataRect", "0;0;0;0"},
        {u"string", 9, u"CPropertyDataString", ""},
        {u"stringw", 10, u"CPropertyDataStringW", ""},
        {u"stringwArray", 11, u"CPropertyDataStringWArray", ""},
        {u"properties", 12, u"CPropertyDataProperties", ""},
        {u"atlasTexture", 13, u"CPropertyDataAtlasTexture", ""},
        {u"font", 14, u"CPropertyDataFont", ""},
        {u"sound", 15, u"CPropertyDataSound", ""},
    };
    for (const auto& kind : kinds) {
        SCOPED_TRACE(std::string(CString(CStringW(kind.type)).view()));
        CRefHandle<IPropertyData> value = factory->create(CStringW(kind.type), manager.get());
        ASSERT_TRUE(value);
        EXPECT_EQ(value->referenceCount(), 1);
        EXPECT_EQ(value->getTypeId(), kind.id);
        EXPECT_TRUE(value->getTypeName() == kind.type);
        EXPECT_TRUE(value->getClassName() == kind.className);
        EXPECT_TRUE(value->isType(kind.id));
        EXPECT_TRUE(value->isType(0));
        EXPECT_FALSE(value->isType(kind.id % 15 + 1));
        EXPECT_EQ(std::string(getPropertyString(value).view()), kind.zeroText);
        // The content kinds and nested bags keep the manager.
        if (auto* content = dynamic_cast<CPropertyDataContent*>(value.get())) {
            EXPECT_EQ(content->getContentManager(), manager.get());
            EXPECT_EQ(content->getContent(), nullptr);
        }
        if (auto* properties = dynamic_cast<CPropertyDataProperties*>(value.get())) {
            EXPECT_EQ(properties->getContentManager(), manager.get());
            EXPECT_EQ(properties->getBag(), nullptr);
        }
    }
}

TEST(CPropertyDataFactory, NamesAreExactAndTheFirstRegistrationStays) {
    CRefHandle<CPropertyDataFactory> factory(new CPropertyDataFactory);
    EXPECT_FALSE(factory->create(CStringW(u"Int"), nullptr));
    EXPECT_FALSE(factory->create(CStringW(u""), nullptr));
    EXPECT_FALSE(factory->create(CStringW(u"int "), nullptr));

    auto fortyTwo = [](IContentManager*) -> CRefHandle<IPropertyData> { return CPropertyDataInt::create(42); };
    EXPECT_FALSE(factory->registerType(CStringW(u"int"), fortyTwo));
    EXPECT_EQ(getPropertyInt(factory->create(CStringW(u"int"), nullptr)), 0);
    EXPECT_TRUE(factory->registerType(CStringW(u"answer"), fortyTwo));
    EXPECT_EQ(getPropertyInt(factory->create(CStringW(u"answer"), nullptr)), 42);
    EXPECT_FALSE(factory->registerType(CStringW(u"nothing"), nullptr));
    EXPECT_FALSE(factory->isRegistered(CStringW(u"nothing")));
}

TEST(CPropertyDataFactory, TheSharedFactoryIsTheEngineManagersOne) {
    CPropertyDataFactory* shared = CPropertyDataFactory::getShared();
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(CEngineManagers::instance().getPropertyDataFactory(), shared);
    EXPECT_EQ(CPropertyDataFactory::getShared(), shared);
    EXPECT_TRUE(shared->isRegistered(CStringW(u"sound")));
}
