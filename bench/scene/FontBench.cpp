// Measuring text with a texture font, against the least any measuring can
// do, side by side; and the allocations it makes (none).
//
// The font holds Latin-1 and Cyrillic (289 glyphs) and 600 kerning pairs
// starting with 40 characters, as the game's fonts do; the texts are interface lines of 20 to 120
// characters, some of several lines.
//   BM_TextExtent/font       Font::textExtent over the texts
//   BM_TextExtent/baseline   the same sums from a flat advance table, no
//                            kerning and no character map: what no font
//                            lookup can beat
// Read the pair as a ratio: font Time / baseline Time. The "allocations"
// counter is the number of allocations per measured text; a run that
// allocates stops with an error.
// Run in a release build, for instance:
//   build/release/bench/bench_scene --benchmark_min_time=0.5

#include "engine/core/CRefHandle.h"
#include "engine/core/CStringW.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/scene/BitmapFont.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

namespace {

std::atomic<uint64_t> g_allocations{0};

} // namespace

// Every allocation of the process is counted. The replacements stay out of
// line, so the compiler sees no new paired with free.
[[gnu::noinline]] void* operator new(std::size_t size) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* block = std::malloc(size ? size : 1))
        return block;
    throw std::bad_alloc();
}
[[gnu::noinline]] void* operator new[](std::size_t size) { return operator new(size); }
[[gnu::noinline]] void operator delete(void* block) noexcept { std::free(block); }
[[gnu::noinline]] void operator delete[](void* block) noexcept { std::free(block); }
[[gnu::noinline]] void operator delete(void* block, std::size_t) noexcept { std::free(block); }
[[gnu::noinline]] void operator delete[](void* block, std::size_t) noexcept { std::free(block); }

namespace {

std::vector<char16_t> fontCharacters() {
    std::vector<char16_t> characters;
    for (char16_t c = 0x20; c <= 0x7E; ++c)
        characters.push_back(c);
    for (char16_t c = 0xA0; c <= 0xFF; ++c)
        characters.push_back(c);
    for (char16_t c = 0x400; c <= 0x45F; ++c)
        characters.push_back(c);
    return characters;
}

// Advance of `c` in the made-up font: 5 to 12 pixels.
float advanceOf(char16_t c) { return float(5 + (c * 7) % 8); }

std::string fontDocument() {
    std::string text = "<Font Type=\"Bitmap\">\n";
    const std::vector<char16_t> characters = fontCharacters();
    for (char16_t c : characters) {
        const int width = int(advanceOf(c)) - 1;
        text += "<c c=\"&#" + std::to_string(int(c)) + ";\" r=\"0,0," + std::to_string(width) +
                ",14\" b=\"1,3\" a=\"0,2\" />\n";
    }
    // Pairs start with one of 40 characters (capitals, quotes, punctuation),
    // as in real fonts.
    for (int i = 0; i < 600; ++i) {
        const char16_t first = characters[((i % 40) * 7) % characters.size()];
        const char16_t second = characters[(i * 29 + 7) % characters.size()];
        text += "<k c=\"&#" + std::to_string(int(first)) + ";&#" + std::to_string(int(second)) + ";\" k=\"" +
                std::to_string(-1 - i % 3) + "\" />\n";
    }
    return text + "</Font>\n";
}

CRefHandle<Font> makeFont() {
    const std::string document = fontDocument();
    CRefHandle<CXmlStreamReader> reader(new CXmlStreamReader(document.data(), document.size()));
    CRefHandle<BitmapFont> font(new BitmapFont(CObjectName()));
    (void)reader->readNext();
    font->load(reader.get(), 0);
    return font;
}

const std::vector<CStringW>& texts() {
    static const std::vector<CStringW> list = {
        CStringW(u"New game"),
        CStringW(u"Continue the story from the last station you built"),
        CStringW(u"Продолжить игру"),
        CStringW(u"Goal: connect Brindlemoor to the coast line before the winter timetable starts.\n"
                 u"Reward: 2,500 coins and the Harbour Master's trust."),
        CStringW(u"Настройки звука и изображения"),
        CStringW(u"Time left: 02:45"),
        CStringW(u"AVAWAY To Tea, \u00C4rger \u00FCber V\u00F6gel; Ä Ö Ü ß « » — “quotes”"),
        CStringW(u"Line one\r\nLine two\r\nLine three with a longer text than the others"),
    };
    return list;
}

void BM_TextExtent(benchmark::State& state, bool baseline) {
    CRefHandle<Font> font = makeFont();
    std::vector<float> advances(0x460, 0.0f);
    for (char16_t c : fontCharacters())
        advances[c] = advanceOf(c);
    const std::vector<CStringW>& list = texts();
    const CVector2d extra(1.0f, 2.0f);

    uint64_t measured = 0;
    const uint64_t before = g_allocations.load();
    for (auto _ : state) {
        for (const CStringW& text : list) {
            if (baseline) {
                float width = 0.0f;
                float widest = 0.0f;
                float height = 14.0f;
                for (char16_t c : text.view()) {
                    if (c == u'\n') {
                        widest = width > widest ? width : widest;
                        width = 0.0f;
                        height += 16.0f;
                    } else if (c != u'\r') {
                        width += (c < advances.size() ? advances[c] : advances[0x20]) + extra.x;
                    }
                }
                benchmark::DoNotOptimize(widest > width ? widest : width);
                benchmark::DoNotOptimize(height);
            } else {
                benchmark::DoNotOptimize(font->textExtent(text, extra));
            }
        }
        measured += list.size();
    }
    const uint64_t allocations = g_allocations.load() - before;
    state.counters["allocations"] = benchmark::Counter(double(allocations) / double(measured ? measured : 1));
    state.SetItemsProcessed(int64_t(measured));
    if (allocations != 0)
        state.SkipWithError("measuring allocated memory");
}
BENCHMARK_CAPTURE(BM_TextExtent, font, false);
BENCHMARK_CAPTURE(BM_TextExtent, baseline, true);

} // namespace
