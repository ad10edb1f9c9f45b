#include "engine/content/CProfileParameters.h"

#include "engine/core/CRefHandle.h"
#include "engine/io/CVirtualFile.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/io/CXmlStreamWriter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Kind = CProfileParameters::Kind;

CRefHandle<CProfileParameters> newSet() {
    return CRefHandle<CProfileParameters>(new CProfileParameters(nullptr, CStringW()));
}

// The set's "Parameters" element as the writer lays it out, at depth 0.
std::u16string writtenText(const CProfileParameters& set) {
    CRefHandle<CVirtualFile> file(new CVirtualFile(CStringW(u"out.xml"), 0));
    {
        CRefHandle<CXmlStreamWriter> writer(new CXmlStreamWriter(file.get()));
        EXPECT_TRUE(set.writeTo(writer.get()));
    }
    std::vector<char16_t> units(size_t(file->size()) / 2);
    EXPECT_TRUE(file->seek(0, false));
    EXPECT_EQ(file->read(units.data(), file->size()), file->size());
    return std::u16string(units.begin(), units.end());
}

// Reads `inner` as the content of a "Holder" element, the way a profile
// holds its parameters; `selfClosing` makes the holder "<Holder />".
CRefHandle<CProfileParameters> readSet(const std::string& inner, bool selfClosing = false) {
    const std::string xml = (selfClosing ? "<Holder />" : "<Holder>" + inner + "</Holder>") + "<After Name=\"X\" />";
    CRefHandle<CXmlStreamReader> reader(new CXmlStreamReader(xml.data(), xml.size()));
    EXPECT_TRUE(reader->readNext());
    CRefHandle<CProfileParameters> set = newSet();
    set->setInt("Stale", 1);
    EXPECT_TRUE(set->readFrom(reader.get()));
    return set;
}

} // namespace

TEST(CProfileParameters, TypedValuesAndKinds) {
    CRefHandle<CProfileParameters> set = newSet();
    set->setInt("Level", -3);
    set->setBool("Sound", true);
    set->setFloat("Volume", 0.5f);
    set->setString("Ranks", "0120");
    set->setStringW("Picture", u"B\u00e4r");

    EXPECT_EQ(set->getInt("Level"), -3);
    EXPECT_TRUE(set->getBool("Sound"));
    EXPECT_EQ(set->getFloat("Volume"), 0.5f);
    EXPECT_EQ(set->getString("Ranks"), CString("0120"));
    EXPECT_EQ(set->getStringW("Picture"), CStringW(u"B\u00e4r"));

    // Getters of another kind give that kind's zero; text works for any kind.
    EXPECT_EQ(set->getInt("Volume"), 0);
    EXPECT_FALSE(set->getBool("Level"));
    EXPECT_EQ(set->getFloat("Level"), 0.0f);
    EXPECT_EQ(set->getString("Volume"), CString("0.5"));
    EXPECT_EQ(set->getString("Level"), CString("-3"));
    EXPECT_EQ(set->getString("Sound"), CString("true"));
    EXPECT_EQ(set->getString("Absent"), CString());
    EXPECT_EQ(set->getInt("Absent"), 0);
}

TEST(CProfileParameters, SetKeepsPositionAndReplacesKind) {
    CRefHandle<CProfileParameters> set = newSet();
    set->setInt("A", 1);
    set->setInt("B", 2);
    set->setBool("A", true);
    ASSERT_EQ(set->getCount(), 2u);
    EXPECT_EQ(set->getNameAt(0), CString("A"));
    EXPECT_EQ(set->getKindAt(0), Kind::Bool);
    EXPECT_EQ(set->getInt("A"), 0);

    set->remove("A");
    EXPECT_EQ(set->getCount(), 1u);
    EXPECT_EQ(set->indexOf("B"), 0);
    set->remove("A");
    set->removeAt(5);
    EXPECT_EQ(set->getCount(), 1u);
    EXPECT_EQ(set->getNameAt(7), CString());
}

TEST(CProfileParameters, ApplyDefaultsAddsOnlyMissingNames) {
    CRefHandle<CProfileParameters> defaults = newSet();
    defaults->setBool("FullScreen", true);
    defaults->setInt("AntiAlias", 0);
    CRefHandle<CProfileParameters> set = newSet();
    set->setBool("FullScreen", false);
    set->applyDefaults(*defaults);
    EXPECT_FALSE(set->getBool("FullScreen"));
    EXPECT_EQ(set->indexOf("AntiAlias"), 1);

    // The copies are independent of the defaults.
    set->setInt("AntiAlias", 4);
    EXPECT_EQ(defaults->getInt("AntiAlias"), 0);
}

TEST(CProfileParameters, DefaultsLeaveAValueOfAnUnknownKindInPlace) {
    CRefHandle<CProfileParameters> defaults = newSet();
    defaults->setBool("FullScreen", true);
    defaults->setInt("Other", 5);
    CRefHandle<CProfileParameters> set =
        readSet("<Parameters><widget Name=\"FullScreen\" Value=\"1\" /><int Name=\"B\" Value=\"2\" /></Parameters>");
    ASSERT_EQ(set->getKindAt(0), Kind::Other);
    set->applyDefaults(*defaults);
    ASSERT_EQ(set->getCount(), 3u);
    EXPECT_EQ(set->getKindAt(0), Kind::Other);
    EXPECT_FALSE(set->getBool("FullScreen"));
    EXPECT_EQ(set->getString("FullScreen"), CString("1"));
    EXPECT_EQ(set->getInt("Other"), 5);
    EXPECT_EQ(writtenText(*set), u"<Parameters>\r\n"
                                 u"\t<widget Name=\"FullScreen\" Value=\"1\" />\r\n"
                                 u"\t<int Name=\"B\" Value=\"2\" />\r\n"
                                 u"\t<int Name=\"Other\" Value=\"5\" />\r\n"
                                 u"</Parameters>\r\n");
}

TEST(CProfileParameters, WritesOneElementPerValue) {
    CRefHandle<CProfileParameters> set = newSet();
    set->setInt("LevelIndex", 3);
    set->setBool("SoundOn", false);
    set->setFloat("Volume", 100.0f);
    set->setString("Ranks", "a<b");
    set->setStringW("Player", u"\"Zo\u00eb\"\r\n");
    EXPECT_EQ(writtenText(*set), u"<Parameters>\r\n"
                                 u"\t<int Name=\"LevelIndex\" Value=\"3\" />\r\n"
                                 u"\t<bool Name=\"SoundOn\" Value=\"false\" />\r\n"
                                 u"\t<float Name=\"Volume\" Value=\"100\" />\r\n"
                                 u"\t<string Name=\"Ranks\" Value=\"a&lt;b\" />\r\n"
                                 u"\t<stringw Name=\"Player\" Value=\"&quot;Zo\u00eb&quot;&#xD;&#xA;\" />\r\n"
                                 u"</Parameters>\r\n");
    EXPECT_EQ(writtenText(*newSet()), u"<Parameters>\r\n</Parameters>\r\n");
    EXPECT_FALSE(set->writeTo(nullptr));
}

TEST(CProfileParameters, ReadsValuesOfEveryKind) {
    const CRefHandle<CProfileParameters> set = readSet("<Parameters>"
                                                       "<int Name=\"Spaced\" Value=\"  42\" />"
                                                       "<int Name=\"Plus\" Value=\"+7x\" />"
                                                       "<int Name=\"Text\" Value=\"abc\" />"
                                                       "<int Name=\"NoValue\" />"
                                                       "<bool Name=\"Exact\" Value=\"true\" />"
                                                       "<bool Name=\"Capital\" Value=\"True\" />"
                                                       "<float Name=\"Exp\" Value=\"1.5e2\" />"
                                                       "<string Name=\"S\" Value=\"a &amp; b\" />"
                                                       "<stringw Name=\"W\" Value=\"line&#xA;two\" />"
                                                       "<color Name=\"Tint\" Value=\"FF00ff00\" />"
                                                       "</Parameters>");
    EXPECT_EQ(set->indexOf("Stale"), -1);
    EXPECT_EQ(set->getInt("Spaced"), 42);
    EXPECT_EQ(set->getInt("Plus"), 7);
    EXPECT_EQ(set->getInt("Text"), 0);
    EXPECT_EQ(set->getKindAt(uint32_t(set->indexOf("NoValue"))), Kind::Int);
    EXPECT_TRUE(set->getBool("Exact"));
    EXPECT_FALSE(set->getBool("Capital"));
    EXPECT_EQ(set->getFloat("Exp"), 150.0f);
    EXPECT_EQ(set->getString("S"), CString("a & b"));
    EXPECT_EQ(set->getStringW("W"), CStringW(u"line\ntwo"));
    // Other simple kinds are kept as written and written back unchanged.
    EXPECT_EQ(set->getKindAt(uint32_t(set->indexOf("Tint"))), Kind::Other);
    EXPECT_NE(writtenText(*set).find(u"<color Name=\"Tint\" Value=\"FF00ff00\" />"), std::u16string::npos);
}

TEST(CProfileParameters, ReadsAsAPropertyBagDoes) {
    const struct {
        const char* what;
        std::string inner;
        std::vector<std::string> names;
        std::u16string written;
    } cases[] = {
        {"self-closing holder", "", {}, u""},
        {"self-closing Parameters", "<Parameters />", {}, u""},
        {"damaged end tag ends at the holder's end",
         "<Parameters><int Name=\"A\" Value=\"1\" /></Paxameters>",
         {"A"},
         u"\t<int Name=\"A\" Value=\"1\" />\r\n"},
        {"missing Name dropped",
         "<Parameters><int Value=\"1\" /><int Name=\"A\" Value=\"2\" /></Parameters>",
         {"A"},
         u"\t<int Name=\"A\" Value=\"2\" />\r\n"},
        {"duplicate names both kept, later wins",
         "<Parameters><int Name=\"A\" Value=\"1\" /><int Name=\"A\" Value=\"2\" /></Parameters>",
         {"A", "A"},
         u"\t<int Name=\"A\" Value=\"1\" />\r\n\t<int Name=\"A\" Value=\"2\" />\r\n"},
        {"unknown type kept as written",
         "<Parameters><widget Name=\"W\" Value=\"1\" Extra=\"e\" /><int Name=\"B\" Value=\"2\" /></Parameters>",
         {"W", "B"},
         u"\t<widget Name=\"W\" Value=\"1\" Extra=\"e\" />\r\n\t<int Name=\"B\" Value=\"2\" />\r\n"},
        {"nested values kept as written",
         "<Parameters><properties Name=\"P\"><int Name=\"Inner\" Value=\"1\" /><properties Name=\"Q\">"
         "<int Name=\"Deep\" Value=\"2\" /></properties></properties>"
         "<stringwArray Name=\"L\"><stringw Value=\"x\" /></stringwArray><int Name=\"B\" Value=\"3\" /></Parameters>",
         {"P", "L", "B"},
         u"\t<properties Name=\"P\">\r\n\t\t<int Name=\"Inner\" Value=\"1\" />\r\n\t\t<properties Name=\"Q\">\r\n"
         u"\t\t\t<int Name=\"Deep\" Value=\"2\" />\r\n\t\t</properties>\r\n\t</properties>\r\n"
         u"\t<stringwArray Name=\"L\">\r\n\t\t<stringw Value=\"x\" />\r\n\t</stringwArray>\r\n"
         u"\t<int Name=\"B\" Value=\"3\" />\r\n"},
        {"nameless kept value dropped with all inside it",
         "<Parameters><properties><int Name=\"Inner\" Value=\"1\" /></properties><int Name=\"B\" Value=\"3\" />"
         "</Parameters>",
         {"B"},
         u"\t<int Name=\"B\" Value=\"3\" />\r\n"},
        {"kept value left open ends at the set's end",
         "<Parameters><properties Name=\"P\"><int Name=\"Inner\" Value=\"1\" /></Parameters>",
         {"P"},
         u"\t<properties Name=\"P\">\r\n\t\t<int Name=\"Inner\" Value=\"1\" />\r\n\t</properties>\r\n"},
        {"kept value left open ends at the holder's end",
         "<Parameters><gadget Name=\"G\"><part>text</Holder>",
         {"G"},
         u"\t<gadget Name=\"G\">\r\n\t\t<part>text</part>\r\n\t</gadget>\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const CRefHandle<CProfileParameters> set = readSet(c.inner, c.inner.empty());
        ASSERT_EQ(set->getCount(), c.names.size());
        for (size_t i = 0; i < c.names.size(); ++i)
            EXPECT_EQ(set->getNameAt(uint32_t(i)), CString(c.names[i].c_str()));
        EXPECT_EQ(writtenText(*set), u"<Parameters>\r\n" + c.written + u"</Parameters>\r\n");
    }
    EXPECT_EQ(
        readSet("<Parameters><int Name=\"A\" Value=\"1\" /><int Name=\"A\" Value=\"2\" /></Parameters>")->getInt("A"),
        2);
}

TEST(CProfileParameters, ReadFromNeedsAReaderAndSaveAnOwner) {
    CRefHandle<CProfileParameters> set = newSet();
    EXPECT_FALSE(set->readFrom(nullptr));
    EXPECT_FALSE(set->save());
}

TEST(CProfileParameters, ListsOfTextsReadAndSet) {
    const CRefHandle<CProfileParameters> set =
        readSet("<Parameters><stringwArray Name=\"Trophies\"><stringw Value=\"Gold\" />"
                "<stringw Value=\"Zo&#xA;&amp;\" /><stringw /></stringwArray><int Name=\"N\" Value=\"1\" />"
                "<stringwArray Name=\"Empty\" /></Parameters>");
    ASSERT_EQ(set->getKindAt(0), Kind::StringWArray);
    const CArray<CStringW> trophies = set->getStringWArray("Trophies");
    ASSERT_EQ(trophies.size(), 3u);
    EXPECT_EQ(trophies[0], CStringW(u"Gold"));
    EXPECT_EQ(trophies[1], CStringW(u"Zo\n&"));
    EXPECT_EQ(trophies[2], CStringW());
    EXPECT_EQ(set->getStringWArray("Empty").size(), 0u);
    EXPECT_EQ(set->getStringWArray("N").size(), 0u);
    EXPECT_EQ(set->getStringWArray("Absent").size(), 0u);
    EXPECT_EQ(set->getString("Trophies"), CString());

    // Set in place of a value of another kind, and written as a property
    // bag writes its lists.
    CArray<CStringW> names;
    names.push_back(CStringW(u"Ann"));
    names.push_back(CStringW(u"B\u00e4r <2>"));
    set->setStringWArray("N", names);
    EXPECT_EQ(set->indexOf("N"), 1);
    EXPECT_EQ(set->getKindAt(1), Kind::StringWArray);
    const CArray<CStringW> back = set->getStringWArray("N");
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[1], CStringW(u"B\u00e4r <2>"));
    const std::u16string written = writtenText(*set);
    EXPECT_NE(written.find(u"\t<stringwArray Name=\"N\">\r\n\t\t<stringw Value=\"Ann\" />\r\n"
                           u"\t\t<stringw Value=\"B\u00e4r &lt;2&gt;\" />\r\n\t</stringwArray>\r\n"),
              std::u16string::npos);

    // What was written reads back equal (every character is below 256, so
    // the 8-bit text the reader gets stands for it).
    std::string bytes;
    for (char16_t c : written)
        bytes += char(c);
    EXPECT_TRUE(readSet(bytes)->equals(*set));
}

TEST(CProfileParameters, KeptValuesKeepTheirTexts) {
    const CRefHandle<CProfileParameters> set =
        readSet("<Parameters><note Name=\"Memo\">hello &amp; bye</note>"
                "<gadget Name=\"G\" Mode=\"x\"><!--why--><part Value=\"1\">inner</part><![CDATA[a<b]]></gadget>"
                "<mixed Name=\"M\">x \r\n<b /> y</mixed></Parameters>");
    ASSERT_EQ(set->getCount(), 3u);
    const CArray<CProfileParameters::XmlNode>* memo = set->getXmlAt(0);
    ASSERT_NE(memo, nullptr);
    ASSERT_EQ(memo->size(), 3u);
    EXPECT_EQ((*memo)[1].text, CStringW(u"hello & bye"));
    EXPECT_EQ(set->getXmlAt(3), nullptr);
    // Comments are not values: they are left out. A text before an element
    // loses its trailing white space, where the element's indentation goes.
    const std::u16string written = writtenText(*set);
    EXPECT_EQ(written, u"<Parameters>\r\n"
                       u"\t<note Name=\"Memo\">hello &amp; bye</note>\r\n"
                       u"\t<gadget Name=\"G\" Mode=\"x\">\r\n"
                       u"\t\t<part Value=\"1\">inner</part>a&lt;b</gadget>\r\n"
                       u"\t<mixed Name=\"M\">x\t\t<b /> y</mixed>\r\n"
                       u"</Parameters>\r\n");
    // So what was written reads and writes back the same.
    EXPECT_EQ(writtenText(*readSet(std::string(written.begin(), written.end()))), written);
}

TEST(CProfileParameters, DeeplyNestedValuesAreKeptWithoutRecursion) {
    constexpr int depth = 100000;
    std::string inner = "<Parameters><properties Name=\"Deep\">";
    for (int i = 0; i < depth; ++i)
        inner += "<properties Name=\"P\">";
    for (int i = 0; i < depth; ++i)
        inner += "</properties>";
    inner += "</properties><int Name=\"After\" Value=\"7\" /></Parameters>";
    const CRefHandle<CProfileParameters> set = readSet(inner);
    ASSERT_EQ(set->getCount(), 2u);
    EXPECT_EQ(set->getKindAt(0), Kind::Properties);
    EXPECT_EQ(set->getXmlAt(0)->size(), 2u * (depth + 1));
    EXPECT_EQ(set->getInt("After"), 7);
}
