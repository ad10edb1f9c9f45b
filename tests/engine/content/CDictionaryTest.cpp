#include "engine/content/CDictionary.h"

#include "engine/core/CEngineManagers.h"
#include "engine/core/CRefHandle.h"
#include "engine/io/CXmlStreamReader.h"

#include <gtest/gtest.h>

#include <string>

namespace {

CRefHandle<CDictionary> sampleDictionary() {
    CRefHandle<CDictionary> dictionary(new CDictionary);
    dictionary->set("OkBtn", u"OK");
    dictionary->set("Gold", u"You have #p gold and #P gems");
    dictionary->set("Five", u"#p#p#p#p#p");
    dictionary->set("Tail", u"end #");
    dictionary->set("Ref", u"%OkBtn%");
    dictionary->set("Name", u"Zo\u00eb");
    return dictionary;
}

bool loadText(CDictionary& dictionary, const std::string& xml) {
    CRefHandle<CXmlStreamReader> reader(new CXmlStreamReader(xml.data(), xml.size()));
    return dictionary.load(reader.get());
}

} // namespace

TEST(CDictionary, TranslateExpandsReferences) {
    const CRefHandle<CDictionary> dictionary = sampleDictionary();
    const struct {
        const char16_t* text;
        const char16_t* expected;
    } cases[] = {
        {u"", u""},
        {u"%", u"%"},
        {u"%%", u"%"},
        {u"[%OkBtn%]", u"[OK]"},
        {u"%OkBtn%%OkBtn%", u"OKOK"},
        {u"100%% done", u"100% done"},
        {u"50%", u"50%"},
        {u"Score: %Missing%", u"Score: %Missing%"},
        {u"%%OkBtn%", u"%OkBtn%"},
        // Substituted texts are not expanded again.
        {u"%Ref%", u"%OkBtn%"},
        {u"Hi %Name%!", u"Hi Zo\u00eb!"},
        {u"Gr\u00f6\u00dfe %OkBtn%", u"Gr\u00f6\u00dfe OK"},
        // An unmatched '%' keeps the rest of the text.
        {u"a%b", u"a%b"},
        {u"%OkBtn% 10% off", u"OK 10% off"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(CString(c.text).c_str());
        EXPECT_EQ(dictionary->translate(c.text), CStringW(c.expected));
    }
}

TEST(CDictionary, GetShowsMissingKeyAsReference) {
    const CRefHandle<CDictionary> dictionary = sampleDictionary();
    EXPECT_EQ(dictionary->get("OkBtn"), CStringW(u"OK"));
    EXPECT_EQ(dictionary->get("Missing"), CStringW(u"%Missing%"));
    // Keys are exact and case-sensitive.
    EXPECT_EQ(dictionary->get("okbtn"), CStringW(u"%okbtn%"));
}

TEST(CDictionary, FormatFillsTheFirstFourMarkers) {
    const CRefHandle<CDictionary> dictionary = sampleDictionary();
    const struct {
        const char* key;
        const char16_t* args[4];
        const char16_t* expected;
    } cases[] = {
        {"Gold", {u"5", u"2", u"", u""}, u"You have 5 gold and 2 gems"},
        {"Five", {u"a", u"b", u"c", u"d"}, u"abcd#p"},
        {"Tail", {u"x", u"", u"", u""}, u"end #"},
        {"Missing", {u"x", u"", u"", u""}, u"%Missing%"},
        // Arguments are taken as they are, not translated.
        {"Gold", {u"%OkBtn%", u"#p", u"", u""}, u"You have %OkBtn% gold and #p gems"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(dictionary->format(c.key, c.args[0], c.args[1], c.args[2], c.args[3]), CStringW(c.expected));
    }
}

TEST(CDictionary, LoadsBothLayouts) {
    CRefHandle<CDictionary> dictionary(new CDictionary);
    dictionary->set("Kept", u"old");
    ASSERT_TRUE(loadText(*dictionary, "<?xml version=\"1.0\"?>\n"
                                      "<root>\n"
                                      "  <Dictionary>\n"
                                      "    <s n=\"A\">x</s>\n"
                                      "    <s n=\"B\"></s>\n"
                                      "    <s n=\"C\"/>\n"
                                      "    <s n=\"D\">  d &amp; e  </s>\n"
                                      "    <s n=\"E\"><![CDATA[cdata]]></s>\n"
                                      "    <s n=\"\">no key</s>\n"
                                      "  </Dictionary>\n"
                                      "  <group><texts>\n"
                                      "    <phrase tag=\"T\" text=\"a &amp; b\"/>\n"
                                      "    <phrase tag=\"\" text=\"empty tag\"/>\n"
                                      "  </texts></group>\n"
                                      "  <Dictionary><s n=\"A\">replaced</s></Dictionary>\n"
                                      "</root>\n"));
    const struct {
        const char* key;
        const char16_t* text;
    } expected[] = {
        {"A", u"replaced"}, {"B", u""},      {"C", u""},         {"D", u"  d & e  "},
        {"E", u""},         {"T", u"a & b"}, {"", u"empty tag"}, {"Kept", u"old"},
    };
    for (const auto& e : expected) {
        SCOPED_TRACE(e.key);
        EXPECT_TRUE(dictionary->contains(e.key));
        EXPECT_EQ(dictionary->get(e.key), CStringW(e.text));
    }
    EXPECT_EQ(dictionary->size(), std::size(expected));
}

TEST(CDictionary, SelfClosingEntryDoesNotTakeTheNextText) {
    CRefHandle<CDictionary> dictionary(new CDictionary);
    ASSERT_TRUE(loadText(*dictionary, "<Dictionary>\n\t\t<s n=\"Empty\"/>\n\t\t<s n=\"Next\">next</s>\n</Dictionary>"));
    EXPECT_EQ(dictionary->get("Empty"), CStringW());
    EXPECT_EQ(dictionary->get("Next"), CStringW(u"next"));
}

TEST(CDictionary, SelfClosingSectionDoesNotSwallowTheNextOne) {
    CRefHandle<CDictionary> dictionary(new CDictionary);
    ASSERT_TRUE(loadText(*dictionary, "<root><Dictionary/><texts><phrase tag=\"T\" text=\"t\"/></texts></root>"));
    EXPECT_EQ(dictionary->get("T"), CStringW(u"t"));
}

TEST(CDictionary, LoadFailsOnlyWithoutReaderAndClearEmpties) {
    CRefHandle<CDictionary> dictionary = sampleDictionary();
    EXPECT_FALSE(dictionary->load(nullptr));
    EXPECT_TRUE(loadText(*dictionary, ""));
    EXPECT_TRUE(loadText(*dictionary, "not xml at all <s n=\"X\">"));
    EXPECT_EQ(dictionary->get("OkBtn"), CStringW(u"OK"));
    dictionary->clear();
    EXPECT_EQ(dictionary->size(), 0u);
    EXPECT_EQ(dictionary->get("OkBtn"), CStringW(u"%OkBtn%"));
}

TEST(CDictionary, TheEngineManagersAlwaysHoldOne) {
    CEngineManagers& managers = CEngineManagers::instance();
    // The managers make one on the first ask; texts set through it are seen
    // by every later ask.
    CDictionary* shared = managers.getDictionary();
    ASSERT_NE(shared, nullptr);
    shared->set("SharedKey", u"shared");
    EXPECT_EQ(managers.getDictionary()->get("SharedKey"), CStringW(u"shared"));

    // An installed dictionary replaces it; after a null install a fresh one
    // is made rather than null handed out.
    shared->addRef();
    auto* dictionary = new CDictionary;
    managers.setDictionary(dictionary);
    EXPECT_EQ(managers.getDictionary(), dictionary);
    managers.setDictionary<CDictionary>(nullptr);
    CDictionary* fresh = managers.getDictionary();
    ASSERT_NE(fresh, nullptr);
    EXPECT_FALSE(fresh->contains("SharedKey"));
    managers.setDictionary(shared);
}
