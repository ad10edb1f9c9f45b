// The XML pull reader against pugixml's DOM parse, over the same generated
// documents of a few megabytes: a scene-like document in UTF-8 with a
// byte-order mark and in UTF-16 little-endian (the form the engine writes),
// and a dictionary of CJK texts in UTF-16 little-endian. Each is read two
// ways: pulling the nodes only, and as callers read files, taking every
// attribute of every element and the typed values they need.
//
// The side-by-side cases run both in every iteration and report
// "speed_vs_pugixml": pugixml's time divided by the reader's, so above 1
// means the reader is faster.

#include "engine/core/CRefHandle.h"
#include "engine/core/Utf8.h"
#include "engine/io/CBufferFile.h"
#include "engine/io/CXmlStreamReader.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <pugixml.hpp>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kDocumentSize = 4 * 1024 * 1024;

// The next value of a small fixed random sequence.
uint32_t nextValue(uint32_t& state) {
    state = state * 1103515245u + 12345u;
    return (state >> 8) & 0xFFFF;
}

// A scene-like document: nested nodes with numeric and text attributes,
// texts with the occasional entity, comments and self-closing elements.
const std::string& sceneUtf8() {
    static const std::string text = [] {
        std::string out = "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Scene Name=\"Generated\">\n";
        uint32_t state = 12345;
        auto next = [&state] { return nextValue(state); };
        int node = 0;
        while (out.size() < kDocumentSize) {
            ++node;
            out += "  <!-- node " + std::to_string(node) + " -->\n";
            out += "  <Node Class=\"SpriteNode\" Name=\"sprite" + std::to_string(node) + "\" Position=\"" +
                   std::to_string(next() % 1024) + "," + std::to_string(next() % 768) + "\" Depth=\"" +
                   std::to_string(next() % 100) + "\" Visible=\"true\">\n";
            out += "    <Property Name=\"Texture\" Value=\"atlases/Common.xml#button_" + std::to_string(next() % 50) +
                   "\"/>\n";
            out += "    <Property Name=\"Color\" Value=\"ff" + std::to_string(100000 + next() % 800000) + "\" />\n";
            out += "    <Text Key=\"%Label" + std::to_string(node) + "%\">Press &quot;Start&quot; to begin level " +
                   std::to_string(next() % 48) + " &amp; collect the gold</Text>\n";
            out += "    <State Name=\"Press\">\n";
            for (int k = 0; k < 3; ++k)
                out += "      <Key Time=\"" + std::to_string(k * 100) + "\" Scale=\"1." + std::to_string(next() % 10) +
                       "\" Alpha=\"" + std::to_string(next() % 256) + "\"/>\n";
            out += "    </State>\n  </Node>\n";
        }
        out += "</Scene>\n";
        return out;
    }();
    return text;
}

// A dictionary: one "s" element per key, holding a text of CJK characters
// with some ASCII punctuation and placeholders.
const std::string& dictionaryUtf8() {
    static const std::string text = [] {
        std::string out = "\xEF\xBB\xBF<?xml version=\"1.0\"?>\r\n<Dictionary>\r\n";
        uint32_t state = 777;
        int key = 0;
        while (out.size() < kDocumentSize) {
            ++key;
            out += "\t<s n=\"Text" + std::to_string(key) + "\">";
            const uint32_t length = 8 + nextValue(state) % 40;
            for (uint32_t i = 0; i < length; ++i) {
                const uint32_t pick = nextValue(state);
                if (pick % 17 == 0)
                    out += pick % 2 ? " #p1 " : ", ";
                else
                    appendUtf8(out, char32_t(0x4E00 + pick % 0x5000));
            }
            out += "</s>\r\n";
        }
        out += "</Dictionary>\r\n";
        return out;
    }();
    return text;
}

// The same document in UTF-16 little-endian with its mark.
std::string toUtf16LittleEndian(const std::string& utf8) {
    const std::u16string units = utf8ToUtf16(std::string_view(utf8).substr(3)); // without the UTF-8 mark
    std::string out = "\xFF\xFE";
    for (char16_t unit : units) {
        out += char(unit & 0xFF);
        out += char(unit >> 8);
    }
    return out;
}

const std::string& sceneUtf16() {
    static const std::string text = toUtf16LittleEndian(sceneUtf8());
    return text;
}

const std::string& dictionaryUtf16() {
    static const std::string text = toUtf16LittleEndian(dictionaryUtf8());
    return text;
}

enum class Reading { Nodes, Attributes };

// Pulls every node of the document. With Reading::Nodes only the node count
// and attribute counts are taken (readNext itself copies element names and
// texts out, as pugixml's parse builds its tree; attributes stay in the text
// until asked for). With Reading::Attributes every attribute's name and value
// is taken and the numbers callers look up by name are parsed. Kept out of
// line, as the pugixml side, so that profilers see each whole.
[[gnu::noinline]] std::size_t readWithStreamReader(const std::string& text, Reading reading) {
    auto* file = new CBufferFile(const_cast<char*>(text.data()), int32_t(text.size()), CStringW(u"bench.xml"), false);
    CRefHandle<CXmlStreamReader> reader(new CXmlStreamReader(file));
    file->release();
    std::size_t seen = 0;
    while (reader->readNext()) {
        seen += 1 + std::size_t(reader->attributeCount());
        if (reading == Reading::Nodes || reader->nodeType() != CXmlStreamReader::Element)
            continue;
        for (int i = 0; i < reader->attributeCount(); ++i)
            seen += reader->attributeName(i).length() + reader->attribute(i).length();
        seen += std::size_t(reader->attributeInt("Depth", 0) + reader->attributeInt("Time", 0) +
                            reader->attributeInt("Alpha", 0)) +
                std::size_t(reader->attributeFloat("Scale", 0.0f) * 10.0f);
    }
    return seen;
}

std::size_t countLength(const char* text) { return std::char_traits<char>::length(text); }

// The same over pugixml's tree, in document order.
std::size_t readAttributes(const pugi::xml_node& parent) {
    std::size_t seen = 0;
    for (pugi::xml_node node = parent.first_child(); node; node = node.next_sibling()) {
        if (node.type() != pugi::node_element)
            continue;
        for (pugi::xml_attribute attribute : node.attributes())
            seen += countLength(attribute.name()) + countLength(attribute.value());
        seen += std::size_t(node.attribute("Depth").as_int() + node.attribute("Time").as_int() +
                            node.attribute("Alpha").as_int()) +
                std::size_t(node.attribute("Scale").as_float() * 10.0f);
        seen += readAttributes(node);
    }
    return seen;
}

[[gnu::noinline]] std::size_t parseWithPugixml(const std::string& text, Reading reading) {
    pugi::xml_document document;
    if (!document.load_buffer(text.data(), text.size()))
        return 0;
    return reading == Reading::Attributes ? readAttributes(document) : 1;
}

void BM_XmlStreamReader(benchmark::State& state) {
    const std::string& text = sceneUtf8();
    for (auto _ : state)
        benchmark::DoNotOptimize(readWithStreamReader(text, Reading::Nodes));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_XmlStreamReader)->Unit(benchmark::kMillisecond);

void BM_PugixmlDom(benchmark::State& state) {
    const std::string& text = sceneUtf8();
    for (auto _ : state)
        benchmark::DoNotOptimize(parseWithPugixml(text, Reading::Nodes));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_PugixmlDom)->Unit(benchmark::kMillisecond);

void BM_XmlStreamReaderVsPugixml(benchmark::State& state, const std::string& (*document)(), Reading reading) {
    using Clock = std::chrono::steady_clock;
    const std::string& text = document();
    double readerSeconds = 0;
    double pugixmlSeconds = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        benchmark::DoNotOptimize(readWithStreamReader(text, reading));
        const auto middle = Clock::now();
        benchmark::DoNotOptimize(parseWithPugixml(text, reading));
        const auto end = Clock::now();
        readerSeconds += std::chrono::duration<double>(middle - start).count();
        pugixmlSeconds += std::chrono::duration<double>(end - middle).count();
    }
    state.counters["reader_ms"] = benchmark::Counter(readerSeconds * 1000.0 / double(state.iterations()));
    state.counters["pugixml_ms"] = benchmark::Counter(pugixmlSeconds * 1000.0 / double(state.iterations()));
    state.counters["speed_vs_pugixml"] = benchmark::Counter(readerSeconds > 0 ? pugixmlSeconds / readerSeconds : 0);
    state.counters["MB"] = benchmark::Counter(double(text.size()) / (1024.0 * 1024.0));
}
BENCHMARK_CAPTURE(BM_XmlStreamReaderVsPugixml, scene_utf8_nodes, &sceneUtf8, Reading::Nodes)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_XmlStreamReaderVsPugixml, scene_utf8_attributes, &sceneUtf8, Reading::Attributes)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_XmlStreamReaderVsPugixml, scene_utf16le_nodes, &sceneUtf16, Reading::Nodes)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_XmlStreamReaderVsPugixml, scene_utf16le_attributes, &sceneUtf16, Reading::Attributes)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_XmlStreamReaderVsPugixml, dictionary_utf16le_nodes, &dictionaryUtf16, Reading::Nodes)
    ->Unit(benchmark::kMillisecond);

} // namespace
