// The XML pull reader against pugixml's DOM parse, over the same generated
// document of a few megabytes (UTF-8 with a byte-order mark). The side-by-side
// case runs both in every iteration and reports "speed_vs_pugixml": pugixml's
// time divided by the reader's, so above 1 means the reader is faster.

#include "engine/core/CRefHandle.h"
#include "engine/io/CBufferFile.h"
#include "engine/io/CXmlStreamReader.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <pugixml.hpp>
#include <string>
#include <vector>

namespace {

// A scene-like document: nested nodes with numeric and text attributes,
// texts with the occasional entity, comments and self-closing elements.
const std::string& document() {
    static const std::string text = [] {
        std::string out = "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Scene Name=\"Generated\">\n";
        uint32_t state = 12345;
        auto next = [&state] {
            state = state * 1103515245u + 12345u;
            return (state >> 8) & 0xFFFF;
        };
        int node = 0;
        while (out.size() < 4 * 1024 * 1024) {
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

// Pulls every node of the document; counting nodes and attributes keeps the
// work from being optimised away (readNext itself copies element names and
// texts out, as pugixml's parse builds its tree; attribute names and values
// stay in the text until asked for, and this loop asks for none).
std::size_t readWithStreamReader(const std::string& text) {
    auto* file = new CBufferFile(const_cast<char*>(text.data()), int32_t(text.size()), CStringW(u"bench.xml"), false);
    CRefHandle<CXmlStreamReader> reader(new CXmlStreamReader(file));
    file->release();
    std::size_t seen = 0;
    while (reader->readNext())
        seen += 1 + std::size_t(reader->attributeCount());
    return seen;
}

bool parseWithPugixml(const std::string& text, pugi::xml_document& document) {
    return bool(document.load_buffer(text.data(), text.size()));
}

void BM_XmlStreamReader(benchmark::State& state) {
    const std::string& text = document();
    for (auto _ : state)
        benchmark::DoNotOptimize(readWithStreamReader(text));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_XmlStreamReader)->Unit(benchmark::kMillisecond);

void BM_PugixmlDom(benchmark::State& state) {
    const std::string& text = document();
    for (auto _ : state) {
        pugi::xml_document parsed;
        benchmark::DoNotOptimize(parseWithPugixml(text, parsed));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_PugixmlDom)->Unit(benchmark::kMillisecond);

void BM_XmlStreamReaderVsPugixml(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    const std::string& text = document();
    double readerSeconds = 0;
    double pugixmlSeconds = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        benchmark::DoNotOptimize(readWithStreamReader(text));
        const auto middle = Clock::now();
        {
            pugi::xml_document parsed;
            benchmark::DoNotOptimize(parseWithPugixml(text, parsed));
        }
        const auto end = Clock::now();
        readerSeconds += std::chrono::duration<double>(middle - start).count();
        pugixmlSeconds += std::chrono::duration<double>(end - middle).count();
    }
    state.counters["reader_ms"] = benchmark::Counter(readerSeconds * 1000.0 / double(state.iterations()));
    state.counters["pugixml_ms"] = benchmark::Counter(pugixmlSeconds * 1000.0 / double(state.iterations()));
    state.counters["speed_vs_pugixml"] = benchmark::Counter(readerSeconds > 0 ? pugixmlSeconds / readerSeconds : 0);
    state.counters["MB"] = benchmark::Counter(double(text.size()) / (1024.0 * 1024.0));
}
BENCHMARK(BM_XmlStreamReaderVsPugixml)->Unit(benchmark::kMillisecond);

} // namespace
