#include "engine/scene/CPropertyBag.h"

#include "engine/content/ContentType.h"
#include "engine/io/CBufferFile.h"
#include "engine/scene/CPropertyDataFloat.h"
#include "engine/scene/CPropertyDataFont.h"
#include "engine/scene/CPropertyDataInt.h"
#include "engine/scene/CPropertyDataProperties.h"
#include "engine/scene/PropertyValues.h"
#include "tests/engine/scene/PropertyTestSupport.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> names(const CPropertyBag& bag) {
    std::vector<std::string> out;
    for (int i = 0; i < bag.getCount(); ++i)
        out.emplace_back(bag.getNameAt(i).view());
    return out;
}

CRefHandle<CPropertyBag> readBag(const std::string& xml, bool checkName = true, IContentManager* manager = nullptr) {
    CRefHandle<CXmlStreamReader> reader = readerAtFirstElement(xml);
    CRefHandle<CPropertyBag> bag = CPropertyBag::create(manager);
    EXPECT_TRUE(bag->readXml(reader.get(), checkName));
    return bag;
}

std::string writeBag(const CPropertyBag& bag, bool withTags = true) {
    return writtenXml([&](CXmlStreamWriter* w) { EXPECT_TRUE(bag.writeXml(w, false, CStringW(), withTags)); });
}

} // namespace

TEST(CPropertyBag, SetKeepsThePositionAndAddAppends) {
    CRefHandle<CPropertyBag> bag = CPropertyBag::create();
    bag->setInt("A", 1);
    bag->setInt("B", 2);
    bag->setFloat("A", 3.5f); // replaced in place, whatever the kind
    EXPECT_EQ(names(*bag), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(bag->getFloat("A"), 3.5f);

    bag->add("B", CPropertyDataInt::create(20));
    EXPECT_EQ(names(*bag), (std::vector<std::string>{"A", "B", "B"}));
    EXPECT_EQ(bag->indexOf("B"), 2);
    EXPECT_EQ(bag->getInt("B"), 20); // the later entry
    bag->setInt("B", 30);            // replaces the entry the name maps to
    EXPECT_EQ(getPropertyInt(bag->getValueAt(1)), 2);
    EXPECT_EQ(getPropertyInt(bag->getValueAt(2)), 30);

    bag->setValueAt(0, CPropertyDataInt::create(9));
    bag->setValueAt(3, CPropertyDataInt::create(9)); // past the end: nothing
    EXPECT_EQ(bag->getInt("A"), 9);
    EXPECT_EQ(bag->getCount(), 3);
    EXPECT_FALSE(bag->getValueAt(3));
    EXPECT_FALSE(bag->getValueAt(-1));
    EXPECT_TRUE(bag->getNameAt(3).empty());
    EXPECT_EQ(bag->indexOf("a"), -1); // names are case-sensitive
}

TEST(CPropertyBag, RemovalRebuildsTheIndex) {
    CRefHandle<CPropertyBag> bag = CPropertyBag::create();
    bag->setInt("A", 1);
    bag->setInt("B", 2);
    bag->setInt("C", 3);
    bag->removeAt(0);
    EXPECT_EQ(names(*bag), (std::vector<std::string>{"B", "C"}));
    EXPECT_EQ(bag->indexOf("B"), 0);
    EXPECT_EQ(bag->indexOf("C"), 1);
    EXPECT_EQ(bag->indexOf("A"), -1);
    EXPECT_EQ(bag->getInt("C"), 3);

    bag->removeAt(2);
    bag->removeAt(-1);
    bag->remove("missing");
    EXPECT_EQ(bag->getCount(), 2);

    // Removing the later of two entries of one name uncovers the earlier.
    bag->add("B", CPropertyDataInt::create(22));
    bag->remove("B");
    EXPECT_EQ(names(*bag), (std::vector<std::string>{"B", "C"}));
    EXPECT_EQ(bag->getInt("B"), 2);
}

TEST(CPropertyBag, TypedGettersGiveZeroForAnotherKind) {
    CRefHandle<CPropertyBag> bag = CPropertyBag::create();
    bag->setFloat("Alpha", 0.5f);
    bag->setBool("On", true);
    bag->setInt("Count", 3);
    EXPECT_EQ(bag->getInt("Alpha"), 0);
    EXPECT_EQ(std::string(bag->getString("Alpha").view()), "0.5");
    EXPECT_EQ(bag->getFloat("Count"), 0.0f);
    EXPECT_FALSE(bag->getBool("Count"));
    EXPECT_TRUE(bag->getBool("On"));
    EXPECT_EQ(bag->getInt("Missing"), 0);
    EXPECT_TRUE(bag->getString("Missing").empty());
}

TEST(CPropertyBag, WritesElementsInEntryOrder) {
    CRefHandle<CPropertyBag> bag = CPropertyBag::create();
    EXPECT_EQ(writeBag(*bag), "<Properties>\r\n</Properties>\r\n");

    bag->setInt("Count", 3);
    bag->add("Missing", nullptr); // null values are not written
    bag->setFloat("Alpha", 0.5f);
    bag->add("Count", CPropertyDataInt::create(4));
    EXPECT_EQ(writeBag(*bag), "<Properties>\r\n"
                              "\t<int Name=\"Count\" Value=\"3\" />\r\n"
                              "\t<float Name=\"Alpha\" Value=\"0.5\" />\r\n"
                              "\t<int Name=\"Count\" Value=\"4\" />\r\n"
                              "</Properties>\r\n");
    EXPECT_EQ(writeBag(*bag, false), "<int Name=\"Count\" Value=\"3\" />\r\n"
                                     "<float Name=\"Alpha\" Value=\"0.5\" />\r\n"
                                     "<int Name=\"Count\" Value=\"4\" />\r\n");
    const std::string named =
        writtenXml([&](CXmlStreamWriter* w) { EXPECT_TRUE(bag->writeXml(w, true, CStringW(u"Settings"), true)); });
    EXPECT_EQ(named.substr(0, 33), "<?xml version=\"1.0\"?>\r\n<Settings>");
}

TEST(CPropertyBag, WriteFailuresAreReported) {
    CRefHandle<CPropertyBag> bag = CPropertyBag::create();
    bag->setStringW("Text", CStringW(u"a text longer than the file"));
    EXPECT_FALSE(bag->writeXml(nullptr, false));

    // A file too small for the output: the writer falls short.
    std::vector<uint8_t> block(32);
    CRefHandle<CBufferFile> file(new CBufferFile(block.data(), int32_t(block.size()), CStringW(u"small"), false));
    CRefHandle<CXmlStreamWriter> writer(new CXmlStreamWriter(file.get()));
    EXPECT_FALSE(bag->writeXml(writer.get(), true));
}

TEST(CPropertyBag, ReadsValuesByTypeAndName) {
    CRefHandle<CPropertyBag> bag = readBag("<Properties>\n"
                                           "  <int Name=\"Count\" Value=\"3\"/>\n"
                                           "  <float Name=\"Alpha\" Value=\"0.5\"></float>\n"
                                           "  <int Value=\"7\"/>\n"
                                           "  <mystery Name=\"Odd\"><bool Name=\"Inside\" Value=\"true\"/></mystery>\n"
                                           "  <int Name=\"Count\" Value=\"4\"/>\n"
                                           "  <string Name=\"Wide\" Value=\"&lt;x&gt;\"/>\n"
                                           "</Properties>\n"
                                           "<int Name=\"After\" Value=\"1\"/>");
    // The nameless value is dropped; the unknown kind stays as a null entry
    // and its child is read as a value of the bag.
    EXPECT_EQ(names(*bag), (std::vector<std::string>{"Count", "Alpha", "Odd", "Inside", "Count", "Wide"}));
    EXPECT_EQ(bag->getInt("Count"), 4);
    EXPECT_EQ(getPropertyInt(bag->getValueAt(0)), 3);
    EXPECT_EQ(bag->getFloat("Alpha"), 0.5f);
    EXPECT_FALSE(bag->get("Odd"));
    EXPECT_EQ(bag->indexOf("Odd"), 2);
    EXPECT_TRUE(bag->getBool("Inside"));
    EXPECT_EQ(std::string(bag->getString("Wide").view()), "<x>");

    // Written back: both Count entries, no entry for the unknown kind.
    CRefHandle<CPropertyBag> again = roundTrip(*bag, nullptr);
    EXPECT_EQ(names(*again), (std::vector<std::string>{"Count", "Alpha", "Inside", "Count", "Wide"}));
}

TEST(CPropertyBag, ReadingChecksTheElementAndEmptiesTheBag) {
    CRefHandle<CPropertyBag> bag = CPropertyBag::create();
    bag->setInt("Old", 1);
    CRefHandle<CXmlStreamReader> other =
        readerAtFirstElement(std::string("<Settings><int Name=\"A\" Value=\"1\"/></Settings>"));
    EXPECT_FALSE(bag->readXml(other.get(), true));
    EXPECT_EQ(bag->getCount(), 0);

    // Without the check any element is read, up to its own end.
    EXPECT_TRUE(bag->readXml(other.get(), false, CStringW(u"Settings")));
    EXPECT_EQ(bag->getInt("A"), 1);

    EXPECT_FALSE(bag->readXml(nullptr, false));
    EXPECT_EQ(bag->getCount(), 1); // a null reader leaves the bag alone

    EXPECT_EQ(readBag("<Properties/>")->getCount(), 0);
    EXPECT_EQ(readBag("<Properties>")->getCount(), 0);
    // Input that ends inside the bag keeps what was read.
    CRefHandle<CPropertyBag> cut = readBag("<Properties><int Name=\"A\" Value=\"1\"/><properties Name=\"N\">"
                                           "<int Name=\"B\" Value=\"2\"/>");
    EXPECT_EQ(names(*cut), (std::vector<std::string>{"A", "N"}));
}

TEST(CPropertyBag, NestedBagsKeepTheirContentReferences) {
    CRefHandle<FakeContentManager> manager(new FakeContentManager);
    manager->addAvailable(ContentTypeFont, u"scenes/fonts/Caption.mfnt");
    manager->pushFolder(CStringW(u"scenes/Menu.mscn"));
    CRefHandle<IContent> font(manager->object(ContentTypeFont, u"scenes/fonts/Caption.mfnt"));

    CRefHandle<CPropertyBag> inner = CPropertyBag::create(manager.get());
    inner->set("Font", CPropertyDataFont::create(font.get()));
    inner->setInt("Size", 12);
    CRefHandle<CPropertyBag> outer = CPropertyBag::create(manager.get());
    outer->setProperties("Style", inner.get());
    outer->setInt("After", 1);
    EXPECT_EQ(writeBag(*outer), "<Properties>\r\n"
                                "\t<properties Name=\"Style\">\r\n"
                                "\t\t<font Name=\"Font\" Value=\"fonts/Caption.mfnt\" />\r\n"
                                "\t\t<int Name=\"Size\" Value=\"12\" />\r\n"
                                "\t</properties>\r\n"
                                "\t<int Name=\"After\" Value=\"1\" />\r\n"
                                "</Properties>\r\n");

    CRefHandle<CPropertyBag> read = roundTrip(*outer, manager.get());
    EXPECT_EQ(names(*read), (std::vector<std::string>{"Style", "After"}));
    auto* style = dynamic_cast<CPropertyDataProperties*>(read->get("Style").get());
    ASSERT_NE(style, nullptr);
    ASSERT_NE(style->getBag(), nullptr);
    EXPECT_EQ(style->getBag()->getContentManager(), manager.get());
    EXPECT_EQ(style->getBag()->getInt("Size"), 12);
    auto* readFont = dynamic_cast<CPropertyDataFont*>(style->getBag()->get("Font").get());
    ASSERT_NE(readFont, nullptr);
    EXPECT_EQ(readFont->getContent(), font.get());
    EXPECT_EQ(read->getInt("After"), 1);
}

TEST(CPropertyBag, DeeplyNestedBagsAreSkipped) {
    const int depth = CPropertyBag::MaxNesting + 40;
    std::string xml = "<Properties>";
    for (int i = 0; i < depth; ++i)
        xml += "<properties Name=\"N\"><int Name=\"Level\" Value=\"" + std::to_string(i) + "\"/>";
    for (int i = 0; i < depth; ++i)
        xml += "</properties>";
    xml += "<int Name=\"After\" Value=\"1\"/></Properties>";

    LogCapture log;
    CRefHandle<CPropertyBag> bag = readBag(xml);
    EXPECT_TRUE(log.contains("ERR: Property bags nested too deeply"));
    EXPECT_EQ(names(*bag), (std::vector<std::string>{"N", "After"}));
    // The levels up to the limit were read; the one past it stays empty.
    CPropertyBag* level = bag.get();
    int levels = 0;
    while (auto* nested = dynamic_cast<CPropertyDataProperties*>(level->get("N").get())) {
        level = nested->getBag();
        ++levels;
    }
    EXPECT_EQ(levels, CPropertyBag::MaxNesting + 1);
    EXPECT_EQ(level->getCount(), 0);
}

TEST(CPropertyBag, CloneIsDeep) {
    CRefHandle<FakeContentManager> manager(new FakeContentManager);
    CRefHandle<CPropertyBag> bag = CPropertyBag::create(manager.get());
    bag->setFloat("F", 1.5f);
    bag->add("Unknown", nullptr);
    bag->add("F", CPropertyDataFloat::create(2.5f));

    CRefHandle<CPropertyBag> copy = bag->clone();
    EXPECT_EQ(copy->referenceCount(), 1);
    EXPECT_EQ(copy->getContentManager(), manager.get());
    EXPECT_EQ(names(*copy), names(*bag));
    EXPECT_EQ(copy->getFloat("F"), 2.5f);
    EXPECT_FALSE(copy->getValueAt(1));
    EXPECT_NE(copy->getValueAt(0).get(), bag->getValueAt(0).get());
    copy->setFloat("F", 9.0f);
    EXPECT_EQ(bag->getFloat("F"), 2.5f);
}
