// Reads arbitrary bytes as an XML file, writes what it read through the XML
// writer and reads that again: the second reading must give back the same
// elements, attributes and texts. The bytes are also read from a file that is
// not in memory, in pieces of the usual size and in tiny ones (so that inputs
// cross piece ends), which must all give the same nodes.

#include "engine/core/CRefHandle.h"
#include "engine/io/CBufferFile.h"
#include "engine/io/CVirtualFile.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/io/CXmlStreamWriter.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

// Reaches the reader's piece size.
class CXmlStreamReaderTestHook {
public:
    static CXmlStreamReader* create(IReadableFile* file, std::size_t pieceSize) {
        return new CXmlStreamReader(file, pieceSize);
    }
};

namespace {

// A file the reader can only read, not take as a block of memory.
class StreamFile : public IReadableFile {
public:
    StreamFile(const uint8_t* data, size_t size) : m_bytes(data, data + size) {}
    int32_t read(void* buffer, int32_t count) override {
        const int32_t n = std::min(count, int32_t(m_bytes.size()) - m_position);
        if (n <= 0)
            return 0;
        std::memcpy(buffer, m_bytes.data() + m_position, size_t(n));
        m_position += n;
        return n;
    }
    bool seek(int32_t, bool) override { return false; }
    int32_t size() const override { return int32_t(m_bytes.size()); }
    int32_t position() const override { return m_position; }
    const CStringW& fileName() const override { return m_name; }

private:
    std::vector<uint8_t> m_bytes;
    int32_t m_position = 0;
    CStringW m_name{u"stream.xml"};
};

// Names the writer copies without escaping and the reader reads back whole.
bool isPlainName(const CStringW& name) {
    if (name.empty())
        return false;
    for (char16_t c : name.view()) {
        const bool plain = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
                           c == u'_' || c == u':' || c == u'.' || c == u'-';
        if (!plain)
            return false;
    }
    return true;
}

bool isWhitespace(std::u16string_view text) { return text.find_first_not_of(u" \t\r\n") == std::u16string_view::npos; }

// Element starts with their attributes, ends and texts.
struct Events {
    std::vector<std::u16string> items;
    std::u16string pendingText;

    void text(std::u16string_view text) {
        if (!isWhitespace(text))
            pendingText += text;
    }
    void add(std::u16string item) {
        flushText();
        items.push_back(std::move(item));
    }
    void flushText() {
        // The writer's own layout (line breaks, tabs before tags) may stick to
        // a text's ends.
        const size_t first = pendingText.find_first_not_of(u" \t\r\n");
        if (first != std::u16string::npos) {
            const size_t last = pendingText.find_last_not_of(u" \t\r\n");
            items.push_back(u"#" + pendingText.substr(first, last - first + 1));
        }
        pendingText.clear();
    }
};

void addElement(Events& events, const CXmlStreamReader& reader) {
    events.add(u"<" + std::u16string(reader.nodeName().view()));
    for (int i = 0; i < reader.attributeCount(); ++i)
        events.add(u"@" + std::u16string(reader.attributeName(i).view()) + u"=" +
                   std::u16string(reader.attribute(i).view()));
    if (reader.isSelfClosing())
        events.add(u"/>");
}

// Every node with its type, text and attributes, for comparing two readings.
std::vector<std::u16string> nodeList(CXmlStreamReader& reader) {
    std::vector<std::u16string> nodes;
    while (reader.readNext() && nodes.size() < 100000) {
        std::u16string line(1, char16_t(u'0' + reader.nodeType()));
        line += reader.nodeText().view();
        for (int i = 0; i < reader.attributeCount(); ++i)
            line += u"\x01" + std::u16string(reader.attributeName(i).view()) + u"=" +
                    std::u16string(reader.attribute(i).view());
        nodes.push_back(line);
    }
    return nodes;
}

// A memory file is converted straight from its block, any other file piece
// by piece as it is read: every piece size must give the same nodes.
void compareReadings(const uint8_t* data, size_t size) {
    uint8_t* copy = new uint8_t[size];
    if (size)
        std::memcpy(copy, data, size);
    auto* memory = new CBufferFile(copy, int32_t(size), CStringW(u"memory.xml"), true);
    CRefHandle<CXmlStreamReader> fromMemory(new CXmlStreamReader(memory));
    memory->release();
    const std::vector<std::u16string> nodes = nodeList(*fromMemory);

    for (std::size_t pieceSize : {std::size_t(0), std::size_t(7), std::size_t(64)}) {
        auto* stream = new StreamFile(data, size);
        CRefHandle<CXmlStreamReader> fromPieces(pieceSize == 0 ? new CXmlStreamReader(stream)
                                                               : CXmlStreamReaderTestHook::create(stream, pieceSize));
        stream->release();
        if (nodeList(*fromPieces) != nodes)
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20))
        return 0;
    compareReadings(data, size);
    uint8_t* copy = new uint8_t[size];
    if (size)
        std::memcpy(copy, data, size);
    auto* input = new CBufferFile(copy, int32_t(size), CStringW(u"fuzz.xml"), true);
    CRefHandle<CXmlStreamReader> reader(new CXmlStreamReader(input));
    input->release();

    auto* output = new CVirtualFile(CStringW(u"out.xml"), 4096);
    CRefHandle<CXmlStreamWriter> writer(new CXmlStreamWriter(output));
    writer->startDocument();

    Events written;
    int checksum = 0;
    int nodes = 0;
    while (reader->readNext() && ++nodes < 100000) {
        checksum += reader->attributeInt(0, 1) + int(reader->attributeFloat("x", 0.0f) != 0.0f) +
                    int(reader->attribute(u"y").length());
        switch (reader->nodeType()) {
        case CXmlStreamReader::Element: {
            if (!isPlainName(reader->nodeName()))
                break;
            CArray<CStringW> names;
            CArray<CStringW> values;
            bool plain = true;
            for (int i = 0; i < reader->attributeCount(); ++i) {
                plain = plain && isPlainName(reader->attributeName(i));
                names.push_back(reader->attributeName(i));
                values.push_back(reader->attribute(i));
            }
            if (!plain)
                break;
            writer->openElement(reader->nodeName().c_str(), reader->isSelfClosing(), names, values);
            addElement(written, *reader);
            break;
        }
        case CXmlStreamReader::ElementEnd:
            if (isPlainName(reader->nodeName()) && writer->depth() > 0) {
                writer->closeElement(reader->nodeName().c_str());
                written.add(u"</" + std::u16string(reader->nodeName().view()));
            }
            break;
        case CXmlStreamReader::Text:
        case CXmlStreamReader::CData:
            if (!isWhitespace(reader->nodeText().view())) {
                writer->addText(reader->nodeText().c_str());
                written.text(reader->nodeText().view());
            }
            break;
        case CXmlStreamReader::Comment:
            writer->addComment(reader->nodeText().c_str());
            break;
        default:
            break;
        }
    }
    written.flushText();
    // A text at the very end needs a tag after it to be read.
    writer->addComment(u"");
    if (writer->hasError())
        std::abort();
    writer.reset();

    if (!output->seek(0, false))
        std::abort();
    CRefHandle<CXmlStreamReader> again(new CXmlStreamReader(output));
    output->release();
    Events read;
    while (again->readNext()) {
        switch (again->nodeType()) {
        case CXmlStreamReader::Element:
            addElement(read, *again);
            break;
        case CXmlStreamReader::ElementEnd:
            read.add(u"</" + std::u16string(again->nodeName().view()));
            break;
        case CXmlStreamReader::Text:
            read.text(again->nodeText().view());
            break;
        default:
            // Comments interrupt texts on the way out as well.
            break;
        }
    }
    read.flushText();
    if (read.items != written.items)
        std::abort();
    return checksum == 42424242 ? 1 : 0;
}
