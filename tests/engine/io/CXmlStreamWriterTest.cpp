#include "engine/io/CXmlStreamWriter.h"

#include "engine/core/CRefHandle.h"
#include "engine/io/CBufferFile.h"
#include "engine/io/CVirtualFile.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/io/IReadableFile.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A memory file and a writer over it.
struct Output {
    Output() : file(new CVirtualFile(CStringW(u"out.xml"), 16)), writer(new CXmlStreamWriter(file.get())) {}

    // What was written, as 16-bit text (the mark included when written).
    std::u16string text() const {
        std::vector<uint8_t> bytes(size_t(file->size()));
        EXPECT_TRUE(file->seek(0, false));
        EXPECT_EQ(file->read(bytes.data(), int32_t(bytes.size())), int32_t(bytes.size()));
        EXPECT_TRUE(file->seek(file->size(), false));
        EXPECT_EQ(bytes.size() % 2, 0u);
        std::u16string out;
        for (size_t i = 0; i + 1 < bytes.size(); i += 2)
            out += char16_t(bytes[i] | bytes[i + 1] << 8);
        return out;
    }

    CRefHandle<CVirtualFile> file;
    CRefHandle<CXmlStreamWriter> writer;
};

} // namespace

TEST(CXmlStreamWriter, WritesTheMarkAndTheDeclaration) {
    Output out;
    out.writer->startDocument();
    out.writer->openElement(u"a", true);
    EXPECT_EQ(out.text(), u"\uFEFF<?xml version=\"1.0\"?>\r\n<a />");
    EXPECT_EQ(out.writer->depth(), 0);
    EXPECT_FALSE(out.writer->hasError());
    EXPECT_EQ(out.file->size(), 2 + 2 * 28);
}

TEST(CXmlStreamWriter, IndentsByDepthAndKeepsTextOnItsLine) {
    Output out;
    out.writer->openElement(u"a", false);
    out.writer->addText(u"x<y");
    out.writer->closeElement(u"a");
    EXPECT_EQ(out.text(), u"<a>x&lt;y</a>");

    Output nested;
    CXmlStreamWriter& w = *nested.writer;
    w.openElement(u"Profiles", false);
    w.newLine();
    w.openElement(u"CommonProfile", false);
    w.newLine();
    w.openElement(u"p", false, u"Name", u"Volume", u"Value", u"7");
    w.addText(u"t");
    w.closeElement(u"p");
    w.newLine();
    w.openElement(u"q", false);
    w.newLine();
    EXPECT_EQ(w.depth(), 3);
    w.closeElement(u"q");
    w.newLine();
    w.closeElement(u"CommonProfile");
    w.newLine();
    w.closeElement(u"Profiles");
    EXPECT_EQ(nested.text(), u"<Profiles>\r\n"
                             u"\t<CommonProfile>\r\n"
                             u"\t\t<p Name=\"Volume\" Value=\"7\">t</p>\r\n"
                             u"\t\t<q>\r\n"
                             u"\t\t</q>\r\n"
                             u"\t</CommonProfile>\r\n"
                             u"</Profiles>");
}

TEST(CXmlStreamWriter, EscapesTextsValuesAndComments) {
    Output out;
    out.writer->openElement(u"a", true, u"v", u"&<>\"'\r\n.");
    out.writer->addText(u"&<>\"'\r\n.");
    out.writer->addComment(u"a > b");
    EXPECT_EQ(out.text(), u"<a v=\"&amp;&lt;&gt;&quot;&apos;&#xD;&#xA;.\" />"
                          u"&amp;&lt;&gt;&quot;&apos;&#xD;&#xA;."
                          u"<!--a &gt; b-->");

    // Only those seven: characters whose low byte is one of them stay.
    Output other;
    other.writer->addText(u"\u0126\u013C\u010A\u0122\uFF3E");
    EXPECT_EQ(other.text(), u"\u0126\u013C\u010A\u0122\uFF3E");
}

TEST(CXmlStreamWriter, TakesAttributePairsWhileComplete) {
    Output out;
    out.writer->openElement(u"a", true, u"n1", u"1", nullptr, u"2", u"n3", nullptr, u"n4", u"4", u"n5", u"5");
    CArray<CStringW> names;
    CArray<CStringW> values;
    names.push_back(CStringW(u"x"));
    names.push_back(CStringW(u"y"));
    values.push_back(CStringW(u"1"));
    out.writer->openElement(u"b", true, names, values);
    out.writer->openElement(nullptr, false);
    out.writer->addText(nullptr);
    out.writer->addComment(nullptr);
    out.writer->closeElement(nullptr);
    EXPECT_EQ(out.text(), u"<a n1=\"1\" n4=\"4\" n5=\"5\" /><b x=\"1\" />");
}

TEST(CXmlStreamWriter, ClosingWithNothingOpenWritesNothing) {
    Output out;
    out.writer->openElement(u"a", false);
    out.writer->closeElement(u"a");
    out.writer->closeElement(u"a");
    out.writer->openElement(u"b", true);
    EXPECT_EQ(out.writer->depth(), 0);
    // Without the guard the depth would go below zero and the next open
    // element would lose its indentation for good.
    EXPECT_EQ(out.text(), u"<a></a><b />");
}

TEST(CXmlStreamWriter, ReportsAWriteThatFellShort) {
    // A 60-byte file fills up in the middle of the second element.
    auto* file = new CBufferFile(new uint8_t[60], 60, CStringW(u"full.xml"), true);
    CRefHandle<CXmlStreamWriter> writer(new CXmlStreamWriter(file));
    file->release();
    EXPECT_EQ(file->referenceCount(), 1); // the writer's own reference

    LogCapture log;
    writer->startDocument();
    EXPECT_FALSE(writer->hasError());
    writer->openElement(u"abcdefghij", false);
    EXPECT_TRUE(writer->hasError());
    EXPECT_TRUE(log.contains("ERR: "));
    EXPECT_TRUE(log.contains("full.xml"));
    const int32_t position = file->position();
    writer->closeElement(u"abcdefghij");
    writer->newLine();
    EXPECT_EQ(file->position(), position);
    EXPECT_TRUE(writer->hasError());
    EXPECT_EQ(log.count("ERR: "), 1u);

    CRefHandle<CXmlStreamWriter> none(new CXmlStreamWriter(nullptr));
    none->startDocument();
    none->openElement(u"a", false);
    EXPECT_TRUE(none->hasError());
    EXPECT_EQ(none->depth(), 0);
}

TEST(CXmlStreamWriter, OutputReadsBackUnchanged) {
    // Characters beyond U+FFFF travel as surrogate pairs.
    const std::u16string tricky = u"a < b & \"c\" 'd' >\r\n\ttab \u00E9\u4E2D \U0001F600";
    Output out;
    CXmlStreamWriter& w = *out.writer;
    w.startDocument();
    w.openElement(u"root", false, u"version", u"3", u"text", tricky.c_str());
    w.newLine();
    w.addComment(u"saved settings");
    w.newLine();
    for (int i = 0; i < 3; ++i) {
        const std::u16string index = std::u16string(1, char16_t(u'0' + i));
        w.openElement(u"item", i == 1, u"id", index.c_str(), u"empty", u"");
        if (i != 1) {
            w.addText((u"line " + index + u"\n" + tricky).c_str());
            w.closeElement(u"item");
        }
        w.newLine();
    }
    w.openElement(u"deep", false);
    w.newLine();
    w.openElement(u"deeper", false);
    w.addText(u"&amp;");
    w.closeElement(u"deeper");
    w.newLine();
    w.closeElement(u"deep");
    w.newLine();
    w.closeElement(u"root");
    w.newLine();
    ASSERT_FALSE(w.hasError());

    const std::vector<std::u16string> expected = {
        u"<root",
        u"@version=3",
        u"@text=" + tricky,
        u"<item",
        u"@id=0",
        u"@empty=",
        u"#line 0\n" + tricky,
        u"</item",
        u"<item",
        u"@id=1",
        u"@empty=",
        u"</item",
        u"<item",
        u"@id=2",
        u"@empty=",
        u"#line 2\n" + tricky,
        u"</item",
        u"<deep",
        u"<deeper",
        u"#&amp;",
        u"</deeper",
        u"</deep",
        u"</root",
    };
    ASSERT_TRUE(out.file->seek(0, false));
    CRefHandle<CXmlStreamReader> reader(new CXmlStreamReader(out.file.get()));
    std::vector<std::u16string> events;
    std::u16string comment;
    while (reader->readNext()) {
        const std::u16string text(reader->nodeText().view());
        switch (reader->nodeType()) {
        case CXmlStreamReader::Element:
            events.push_back(u"<" + text);
            for (int i = 0; i < reader->attributeCount(); ++i)
                events.push_back(u"@" + std::u16string(reader->attributeName(i).view()) + u"=" +
                                 std::u16string(reader->attribute(i).view()));
            if (reader->isSelfClosing())
                events.push_back(u"</" + text);
            break;
        case CXmlStreamReader::ElementEnd:
            events.push_back(u"</" + text);
            break;
        case CXmlStreamReader::Text:
            // The writer's own layout (line breaks and tabs) is left out.
            if (text.find_first_not_of(u" \t\r\n") != std::u16string::npos)
                events.push_back(u"#" + text);
            break;
        case CXmlStreamReader::Comment:
            comment = text;
            break;
        }
    }
    EXPECT_EQ(events, expected);
    EXPECT_EQ(comment, u"saved settings");
}

TEST(CVirtualFileSystem, HandsOutXmlReadersAndWriters) {
    TempDir dir;
    CRefHandle<CVirtualFileSystem> files(new CVirtualFileSystem);
    const CStringW path((dir.path() / "saved.xml").u16string());

    CRefHandle<CXmlStreamWriter> writer(files->openXmlWriter(path));
    ASSERT_TRUE(writer);
    writer->startDocument();
    writer->openElement(u"Profiles", true, u"Count", u"2");
    ASSERT_FALSE(writer->hasError());
    writer.reset(); // the writer held the only reference on the file

    CRefHandle<CXmlStreamReader> reader(files->openXmlReader(path));
    ASSERT_TRUE(reader);
    ASSERT_TRUE(reader->readNext());
    EXPECT_EQ(reader->nodeType(), CXmlStreamReader::Other);
    ASSERT_TRUE(reader->readNext());
    EXPECT_TRUE(reader->nodeName().equals(u"Profiles"));
    EXPECT_EQ(reader->attributeInt("Count", 0), 2);
    EXPECT_FALSE(reader->readNext());

    // Over open files: the reader keeps no reference, the writer keeps one.
    CRefHandle<IReadableFile> input(files->openForRead(path));
    ASSERT_TRUE(input);
    CRefHandle<CXmlStreamReader> overFile(files->openXmlReader(input.get()));
    ASSERT_TRUE(overFile);
    EXPECT_EQ(input->referenceCount(), 1);
    CRefHandle<IWritableFile> output(files->createVirtualFile(CStringW(u"memory.xml"), 0));
    CRefHandle<CXmlStreamWriter> overMemory(files->openXmlWriter(output.get()));
    ASSERT_TRUE(overMemory);
    EXPECT_EQ(output->referenceCount(), 2);

    EXPECT_EQ(files->openXmlReader(CStringW((dir.path() / "missing.xml").u16string())), nullptr);
    EXPECT_EQ(files->openXmlWriter(CStringW((dir.path() / "no/such/folder.xml").u16string())), nullptr);
    EXPECT_EQ(files->openXmlReader(static_cast<IReadableFile*>(nullptr)), nullptr);
    EXPECT_EQ(files->openXmlWriter(static_cast<IWritableFile*>(nullptr)), nullptr);
}
