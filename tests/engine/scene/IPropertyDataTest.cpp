#include "engine/scene/IPropertyData.h"

#include "engine/content/ContentType.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CPropertyDataAtlasTexture.h"
#include "engine/scene/CPropertyDataBool.h"
#include "engine/scene/CPropertyDataColor.h"
#include "engine/scene/CPropertyDataColorf.h"
#include "engine/scene/CPropertyDataFactory.h"
#include "engine/scene/CPropertyDataFloat.h"
#include "engine/scene/CPropertyDataFont.h"
#include "engine/scene/CPropertyDataInt.h"
#include "engine/scene/CPropertyDataProperties.h"
#include "engine/scene/CPropertyDataRect.h"
#include "engine/scene/CPropertyDataSound.h"
#include "engine/scene/CPropertyDataString.h"
#include "engine/scene/CPropertyDataStringW.h"
#include "engine/scene/CPropertyDataStringWArray.h"
#include "engine/scene/CPropertyDataVector2d.h"
#include "engine/scene/CPropertyDataVector3d.h"
#include "engine/scene/PropertyValues.h"
#include "tests/engine/scene/PropertyTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

CRefHandle<IPropertyData> make(const char16_t* typeName, IContentManager* manager = nullptr) {
    return CPropertyDataFactory::getShared()->create(CStringW(typeName), manager);
}

std::string text(const CRefHandle<IPropertyData>& value) { return std::string(getPropertyString(value).view()); }

// A value of `typeName` read from `source`.
CRefHandle<IPropertyData> parsed(const char16_t* typeName, const char* source) {
    CRefHandle<IPropertyData> value = make(typeName);
    value->fromString(CString(source));
    return value;
}

CArray<CStringW> texts(std::initializer_list<const char16_t*> items) {
    CArray<CStringW> out;
    for (const char16_t* item : items)
        out.push_back(CStringW(item));
    return out;
}

// Three kinds of content a manager can load, under a scene file's folder.
struct ContentFixture {
    ContentFixture() : manager(new FakeContentManager) {
        manager->addAvailable(ContentTypeAtlasTexture, u"scenes/ui/Button0002.png");
        manager->addAvailable(ContentTypeFont, u"scenes/fonts/Caption.mfnt");
        manager->addAvailable(ContentTypeSound, u"scenes/sounds/Click.ogg");
        manager->pushFolder(CStringW(u"scenes/Level.mscn"));
        texture = manager->object(ContentTypeAtlasTexture, u"scenes/ui/Button0002.png");
        font = manager->object(ContentTypeFont, u"scenes/fonts/Caption.mfnt");
        sound = manager->object(ContentTypeSound, u"scenes/sounds/Click.ogg");
    }
    ~ContentFixture() {
        texture->release();
        font->release();
        sound->release();
    }

    CRefHandle<FakeContentManager> manager;
    IContent* texture;
    IContent* font;
    IContent* sound;
};

// One value of every kind, with contents other than the kind's zero.
struct Sample {
    const char* what;
    CRefHandle<IPropertyData> value;
    bool hasText; // "stringwArray" and "properties" exist only in XML
};

std::vector<Sample> everyKind(const ContentFixture& content) {
    CRefHandle<CPropertyBag> nested = CPropertyBag::create(content.manager.get());
    nested->setInt("Inner", 5);
    return {
        {"int", CPropertyDataInt::create(-123456), true},
        {"bool", CPropertyDataBool::create(true), true},
        {"float", CPropertyDataFloat::create(-2.625f), true},
        {"color", CPropertyDataColor::create(CColor(0x0A0B0C0Du)), true},
        {"colorf", CPropertyDataColorf::create(CColorf(0.25f, 0.5f, 0.75f, 1.0f)), true},
        {"vector2d", CPropertyDataVector2d::create(CVector2d(-1.5f, 1024.0f)), true},
        {"vector3d", CPropertyDataVector3d::create(CVector3d(1.0f, -0.001f, 300000.0f)), true},
        {"rect", CPropertyDataRect::create(CRect(1.0f, 2.5f, 1228.0f, 768.0f)), true},
        {"string", CPropertyDataString::create("Hello; <world> & \"all\""), true},
        {"stringw", CPropertyDataStringW::create(CStringW(u"Gr\u00FC\u00DFe \u20AC")), true},
        {"stringwArray", CPropertyDataStringWArray::create(texts({u"one", u"", u"th\u00F6ree"})), false},
        {"properties", CPropertyDataProperties::create(nested.get()), false},
        {"atlasTexture", CPropertyDataAtlasTexture::create(content.texture), true},
        {"font", CPropertyDataFont::create(content.font), true},
        {"sound", CPropertyDataSound::create(content.sound), true},
    };
}

} // namespace

TEST(IPropertyData, EveryKindRoundTripsThroughText) {
    ContentFixture content;
    for (const Sample& sample : everyKind(content)) {
        SCOPED_TRACE(sample.what);
        if (!sample.hasText)
            continue;
        CRefHandle<IPropertyData> narrow = make(sample.value->getTypeName().c_str(), content.manager.get());
        CString narrowText;
        sample.value->toString(narrowText);
        narrow->fromString(narrowText);
        // The 8-bit form of a wide text keeps only the low byte of each unit.
        if (sample.value->getTypeId() != IPropertyData::TypeStringW) {
            EXPECT_TRUE(narrow->equals(sample.value.get())) << narrowText.c_str();
        }

        CRefHandle<IPropertyData> wide = make(sample.value->getTypeName().c_str(), content.manager.get());
        CStringW wideText;
        sample.value->toStringW(wideText);
        wide->fromStringW(wideText);
        EXPECT_TRUE(wide->equals(sample.value.get()));
    }
}

TEST(IPropertyData, EveryKindRoundTripsThroughXml) {
    ContentFixture content;
    const std::vector<Sample> samples = everyKind(content);
    CRefHandle<CPropertyBag> bag = CPropertyBag::create(content.manager.get());
    for (const Sample& sample : samples)
        bag->add(sample.what, sample.value);

    CRefHandle<CPropertyBag> read = roundTrip(*bag, content.manager.get());
    ASSERT_EQ(read->getCount(), int(samples.size()));
    for (int i = 0; i < read->getCount(); ++i) {
        const Sample& sample = samples[size_t(i)];
        SCOPED_TRACE(sample.what);
        EXPECT_EQ(read->getNameAt(i), CString(sample.what));
        CRefHandle<IPropertyData> value = read->getValueAt(i);
        ASSERT_TRUE(value);
        EXPECT_EQ(value->getTypeId(), sample.value->getTypeId());
        if (sample.value->getTypeId() == IPropertyData::TypeProperties) {
            // Bags compare by identity: compare what the read one holds.
            CPropertyBag* nested = static_cast<CPropertyDataProperties*>(value.get())->getBag();
            ASSERT_NE(nested, nullptr);
            EXPECT_EQ(nested->getInt("Inner"), 5);
        } else {
            EXPECT_TRUE(value->equals(sample.value.get()));
        }
    }
}

TEST(IPropertyData, ContentReferencesAreWrittenRelativeToTheCurrentFile) {
    ContentFixture content;
    CRefHandle<CPropertyBag> bag = CPropertyBag::create(content.manager.get());
    bag->setAtlasTexture("Texture", content.texture);
    const std::string xml = writtenXml([&](CXmlStreamWriter* writer) { EXPECT_TRUE(bag->writeXml(writer, false)); });
    EXPECT_NE(xml.find("<atlasTexture Name=\"Texture\" Value=\"ui/Button0002.png\" />"), std::string::npos) << xml;
}

TEST(IPropertyData, TextFormsOfTheKinds) {
    const struct {
        const char16_t* type;
        const char* source;
        const char* written;
    } cases[] = {
        {u"float", "2.0", "2"},
        {u"float", "0.1", "0.1"},
        {u"float", "-3.5", "-3.5"},
        {u"float", "1e-7", "0"},
        {u"float", "100", "100"},
        {u"float", "1.5E2", "150"},
        {u"float", "+1", "0"}, // no '+' in front of a float
        {u"int", "  -42abc", "-42"},
        {u"int", "+7", "7"},
        {u"int", "x1", "0"},
        {u"bool", "true", "true"},
        {u"bool", "True", "false"},
        {u"bool", "1", "false"},
        {u"color", "ff00ff00", "ff00ff00"},
        {u"color", "FF00FF00", "ff00ff00"},
        {u"color", "1", "00000001"},
        {u"colorf", "(0.5 1 0 0.25)", "0.5;1;0;0.25"},
        {u"vector2d", ".5;1", "5;1"},
        {u"vector2d", "-.5;1", "-0.5;1"},
        {u"vector2d", "1, 2", "1;2"},
        {u"vector3d", "1;;2", "1;2;0"},
        {u"vector3d", "none", "0;0;0"},
        {u"rect", "1 2 3", "1;2;3;0"},
        {u"stringwArray", "a;b", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(CString(c.type).view()) + " from \"" + c.source + "\"");
        EXPECT_EQ(text(parsed(c.type, c.source)), c.written);
    }

    // Channels of the colour text, alpha first.
    CColor color = getPropertyColor(parsed(u"color", "ff00ff00"));
    EXPECT_EQ(color.alpha(), 255u);
    EXPECT_EQ(color.red(), 0u);
    EXPECT_EQ(color.green(), 255u);
    EXPECT_EQ(color.blue(), 0u);

    // Wide text is read as wide text: a unit whose low byte is a digit is
    // not a digit.
    CRefHandle<IPropertyData> wide = make(u"int");
    wide->fromStringW(CStringW(u"\u0131\u0132"));
    EXPECT_EQ(getPropertyInt(wide), 0);
}

TEST(IPropertyData, EqualityRules) {
    const struct {
        const char* what;
        CRefHandle<IPropertyData> a;
        CRefHandle<IPropertyData> b;
        bool equal;
    } cases[] = {
        {"vector3d within 1e-6", CPropertyDataVector3d::create({1.0f, 0.0f, 0.0f}),
         CPropertyDataVector3d::create({1.0000001f, 0.0f, 0.0f}), true},
        {"vector3d beyond 1e-6", CPropertyDataVector3d::create({1.0f, 0.0f, 0.0f}),
         CPropertyDataVector3d::create({1.00001f, 0.0f, 0.0f}), false},
        {"vector2d exact only", CPropertyDataVector2d::create({1.0f, 0.0f}),
         CPropertyDataVector2d::create({1.0000001f, 0.0f}), false},
        {"stringwArray same texts", CPropertyDataStringWArray::create(texts({u"a", u"b"})),
         CPropertyDataStringWArray::create(texts({u"a", u"b"})), true},
        {"stringwArray other count", CPropertyDataStringWArray::create(texts({u"a", u"b"})),
         CPropertyDataStringWArray::create(texts({u"a"})), false},
        {"properties both none", make(u"properties"), make(u"properties"), true},
        {"properties equal content, other bag", CPropertyDataProperties::create(CPropertyBag::create().get()),
         CPropertyDataProperties::create(CPropertyBag::create().get()), false},
        {"string same bytes", CPropertyDataString::create("ab"), CPropertyDataString::create("ab"), true},
        {"other kinds", CPropertyDataInt::create(0), CPropertyDataFloat::create(0.0f), false},
        {"null", CPropertyDataInt::create(0), nullptr, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.a->equals(c.b.get()), c.equal);
    }
}

TEST(IPropertyData, InterpolationOfTheKinds) {
    const struct {
        const char16_t* type;
        const char* from;
        const char* to;
        float ratio;
        const char* expected; // text of `out`, which starts as the kind's zero
        bool result;
    } cases[] = {
        {u"int", "0", "10", 0.35f, "3", true},
        {u"int", "10", "0", 0.35f, "7", true},                           // 10 + trunc(-3.5)
        {u"int", "-2147483647", "2147483647", 1.0f, "2147483647", true}, // no wrap-around
        {u"float", "1", "2", 0.25f, "1.25", true},
        {u"color", "ff000000", "ffffffff", 0.5f, "ff7f7f7f", true},
        {u"color", "00000000", "ff204060", 1.0f, "ff204060", true},
        {u"color", "00ffffff", "ffffffff", 1.0f / 3.0f, "55ffffff", true}, // equal channels stay
        {u"color", "ff102030", "00102030", 0.0f, "ff102030", true},
        {u"colorf", "0;0;0;0", "1;1;1;1", 0.5f, "0.5;0.5;0.5;0.5", true},
        {u"vector2d", "0;0", "10;-20", 0.5f, "5;-10", true},
        {u"vector3d", "1;1;1", "3;5;9", 0.25f, "1.5;2;3", true},
        {u"rect", "0;0;0;0", "4;8;12;16", 0.25f, "1;2;3;4", true},
        {u"bool", "false", "true", 0.999f, "false", false},
        {u"bool", "false", "true", 1.0f, "true", true},
        {u"string", "a", "b", 0.5f, "", false},
        {u"string", "a", "b", 1.0f, "b", true},
        {u"stringw", "a", "b", 0.99f, "", false},
        {u"stringw", "a", "b", 1.0f, "b", true},
        {u"properties", "", "", 1.0f, "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(CString(c.type).view()) + " at " + std::to_string(c.ratio));
        CRefHandle<IPropertyData> from = parsed(c.type, c.from);
        CRefHandle<IPropertyData> to = parsed(c.type, c.to);
        CRefHandle<IPropertyData> out = make(c.type);
        EXPECT_EQ(from->interpolate(to.get(), out.get(), c.ratio), c.result);
        EXPECT_EQ(text(out), c.expected);
    }

    CRefHandle<CPropertyDataStringWArray> words = CPropertyDataStringWArray::create(texts({u"x", u"y"}));
    CRefHandle<IPropertyData> wordsOut = make(u"stringwArray");
    EXPECT_FALSE(make(u"stringwArray")->interpolate(words.get(), wordsOut.get(), 0.5f));
    EXPECT_TRUE(make(u"stringwArray")->interpolate(words.get(), wordsOut.get(), 1.0f));
    EXPECT_TRUE(wordsOut->equals(words.get()));
}

TEST(IPropertyData, EasedInterpolation) {
    constexpr unsigned linear = 0;
    constexpr unsigned quadraticIn = 1;
    constexpr unsigned noCurve = 1000;
    const struct {
        const char16_t* type;
        const char* from;
        const char* to;
        float ratio;
        unsigned easing;
        const char* expected;
        bool result;
    } cases[] = {
        {u"int", "0", "100", 0.5f, quadraticIn, "25", true},
        {u"int", "0", "10", 0.35f, linear, "3", true},
        {u"float", "0", "100", 0.5f, quadraticIn, "25", true},
        {u"vector2d", "0;100", "100;0", 0.5f, quadraticIn, "25;75", true},
        {u"vector3d", "0;0;0", "4;8;12", 0.5f, quadraticIn, "1;2;3", true},
        {u"vector2d", "0;0", "10;10", 0.5f, noCurve, "7;7", false}, // `out` untouched
        {u"vector3d", "0;0;0", "10;10;10", 0.5f, noCurve, "7;7;7", false},
        {u"int", "4", "10", 0.5f, noCurve, "4", true},                           // no curve: the start
        {u"color", "ff000000", "ffffffff", 0.5f, quadraticIn, "ff7f7f7f", true}, // curve ignored
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(CString(c.type).view()) + " easing " + std::to_string(c.easing));
        CRefHandle<IPropertyData> from = parsed(c.type, c.from);
        CRefHandle<IPropertyData> to = parsed(c.type, c.to);
        CRefHandle<IPropertyData> out = parsed(c.type, "7;7;7");
        EXPECT_EQ(from->interpolateEased(to.get(), out.get(), c.ratio, c.easing), c.result);
        EXPECT_EQ(text(out), c.expected);
    }
}

TEST(IPropertyData, InterpolationRefusesAnotherKind) {
    CRefHandle<IPropertyData> from = CPropertyDataInt::create(0);
    CRefHandle<IPropertyData> to = CPropertyDataInt::create(10);
    CRefHandle<IPropertyData> wrongOut = CPropertyDataFloat::create(1.5f);
    CRefHandle<IPropertyData> wrongTo = CPropertyDataString::create("10");
    CRefHandle<IPropertyData> out = CPropertyDataInt::create(-1);

    EXPECT_FALSE(from->interpolate(to.get(), wrongOut.get(), 0.5f));
    EXPECT_FALSE(from->interpolate(wrongTo.get(), out.get(), 0.5f));
    EXPECT_FALSE(from->interpolateEased(to.get(), wrongOut.get(), 0.5f, 1));
    EXPECT_FALSE(from->interpolate(nullptr, out.get(), 0.5f));
    EXPECT_FALSE(from->interpolate(to.get(), nullptr, 0.5f));
    EXPECT_EQ(getPropertyFloat(wrongOut), 1.5f);
    EXPECT_EQ(getPropertyInt(out), -1);
}

TEST(IPropertyData, ClonesCopyValuesAndShareContent) {
    ContentFixture content;
    for (const Sample& sample : everyKind(content)) {
        SCOPED_TRACE(sample.what);
        CRefHandle<IPropertyData> copy = sample.value->clone();
        ASSERT_TRUE(copy);
        EXPECT_NE(copy.get(), sample.value.get());
        EXPECT_EQ(copy->referenceCount(), 1);
        EXPECT_EQ(copy->getTypeId(), sample.value->getTypeId());
        EXPECT_TRUE(copy->getClassName() == sample.value->getClassName());
        if (sample.value->getTypeId() != IPropertyData::TypeProperties) {
            EXPECT_TRUE(copy->equals(sample.value.get()));
        }
    }

    // A nested bag is copied deeply.
    CRefHandle<CPropertyBag> bag = CPropertyBag::create();
    bag->setInt("A", 1);
    CRefHandle<CPropertyDataProperties> original = CPropertyDataProperties::create(bag.get());
    EXPECT_EQ(bag->referenceCount(), 2); // the value refers to the bag itself
    CRefHandle<IPropertyData> copy = original->clone();
    CPropertyBag* copiedBag = static_cast<CPropertyDataProperties*>(copy.get())->getBag();
    ASSERT_NE(copiedBag, bag.get());
    copiedBag->setInt("A", 2);
    EXPECT_EQ(bag->getInt("A"), 1);

    // A content clone holds one more reference to the same object.
    const int before = content.font->referenceCount();
    CRefHandle<IPropertyData> font = CPropertyDataFont::create(content.font);
    CRefHandle<IPropertyData> fontCopy = font->clone();
    EXPECT_EQ(static_cast<CPropertyDataFont*>(fontCopy.get())->getContent(), content.font);
    EXPECT_EQ(content.font->referenceCount(), before + 2);
}

TEST(IPropertyData, XmlFormsOfTheListAndBagKinds) {
    CRefHandle<IPropertyData> words = CPropertyDataStringWArray::create(texts({u"a", u"b<"}));
    EXPECT_EQ(writtenXml([&](CXmlStreamWriter* w) { words->writeXml(w, "Words"); }),
              "<stringwArray Name=\"Words\">\r\n\t<stringw Value=\"a\" />\r\n\t<stringw Value=\"b&lt;\" />\r\n"
              "</stringwArray>");
    EXPECT_EQ(writtenXml([&](CXmlStreamWriter* w) { make(u"stringwArray")->writeXml(w, "None"); }),
              "<stringwArray Name=\"None\">\r\n</stringwArray>");
    EXPECT_EQ(writtenXml([&](CXmlStreamWriter* w) { make(u"properties")->writeXml(w, "Empty"); }), "");
    EXPECT_EQ(writtenXml([&](CXmlStreamWriter* w) { CPropertyDataInt::create(-3)->writeXml(w, "Count"); }),
              "<int Name=\"Count\" Value=\"-3\" />");

    const struct {
        const char* what;
        const char* xml;
        int count;
        const char16_t* last;
    } reads[] = {
        {"self-closing", "<stringwArray Name=\"W\" />", 0, nullptr},
        {"first attribute whatever its name", "<stringwArray><stringw Text=\"x\" Value=\"y\"/><other/></stringwArray>",
         1, u"x"},
        {"stops at its end element", "<stringwArray><stringw Value=\"a\"/></stringwArray><stringw Value=\"after\"/>", 1,
         u"a"},
        {"input ends before the end element", "<stringwArray><stringw Value=\"a\"/><stringw Value=\"b\"/>", 2, u"b"},
    };
    for (const auto& r : reads) {
        SCOPED_TRACE(r.what);
        CRefHandle<CXmlStreamReader> reader = readerAtFirstElement(std::string(r.xml));
        CRefHandle<CPropertyDataStringWArray> value = CPropertyDataStringWArray::create(texts({u"old"}));
        value->readXml(reader.get());
        ASSERT_EQ(value->getValues().size(), uint32_t(r.count));
        if (r.last) {
            EXPECT_TRUE(value->getValues().back() == r.last);
        }
    }
}
