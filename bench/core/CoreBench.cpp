// The core containers and strings against the standard library on the same
// work, side by side.
//
// Every measurement comes as a pair with the same name and size, one run on
// our type and one on the standard type it stands in for:
//   BM_Map_Insert_Int/ours/1024   ...
//   BM_Map_Insert_Int/std/1024    ...
// Read the pair as a ratio: ours Time / std Time (above 1 means ours is
// slower). The items_per_second column gives the same ratio inverted.
// Run in a release build, for instance:
//   build/release/bench/bench_core --benchmark_min_time=0.2

#include "engine/core/CMap.h"
#include "engine/core/CString.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

// ---- maps -----------------------------------------------------------------

using OurIntMap = CMap<int, int>;
using StdIntMap = std::map<int, int>;
using OurTextMap = CMap<CString, int>;
using StdTextMap = std::map<std::string, int>;

template <class K, class V> bool insertKey(CMap<K, V>& map, const K& key, V value) {
    return map.insert(key, value).second;
}
template <class K, class V> bool insertKey(std::map<K, V>& map, const K& key, V value) {
    return map.emplace(key, value).second;
}
template <class K, class V> bool hasKey(const CMap<K, V>& map, const K& key) { return map.find(key) != map.end(); }
template <class K, class V> bool hasKey(const std::map<K, V>& map, const K& key) { return map.find(key) != map.end(); }
template <class K, class V> void eraseKey(CMap<K, V>& map, const K& key) { benchmark::DoNotOptimize(map.erase(key)); }
template <class K, class V> void eraseKey(std::map<K, V>& map, const K& key) {
    benchmark::DoNotOptimize(map.erase(key));
}

// The same seeded keys for both sides: numbers in [0, 4n), so lookups hit
// about a quarter of the time, and the same numbers as resource-like texts.
std::vector<int> intKeys(int n) {
    std::mt19937 random(42);
    std::vector<int> keys(n);
    for (int& key : keys)
        key = int(random() % uint32_t(4 * n));
    return keys;
}

std::string keyText(int number) { return "textures/objects/item_" + std::to_string(number) + ".png"; }

template <class Map> struct KeysOf;
template <> struct KeysOf<OurIntMap> {
    static std::vector<int> make(int n) { return intKeys(n); }
};
template <> struct KeysOf<StdIntMap> {
    static std::vector<int> make(int n) { return intKeys(n); }
};
template <> struct KeysOf<OurTextMap> {
    static std::vector<CString> make(int n) {
        std::vector<CString> keys;
        for (int number : intKeys(n))
            keys.emplace_back(keyText(number).c_str());
        return keys;
    }
};
template <> struct KeysOf<StdTextMap> {
    static std::vector<std::string> make(int n) {
        std::vector<std::string> keys;
        for (int number : intKeys(n))
            keys.push_back(keyText(number));
        return keys;
    }
};

template <class Map> void mapInsert(benchmark::State& state) {
    const auto keys = KeysOf<Map>::make(int(state.range(0)));
    for (auto _ : state) {
        Map map;
        int value = 0;
        for (const auto& key : keys)
            benchmark::DoNotOptimize(insertKey(map, key, value++));
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(keys.size()));
}

template <class Map> void mapFind(benchmark::State& state) {
    const int n = int(state.range(0));
    const auto keys = KeysOf<Map>::make(n);
    const auto probes = KeysOf<Map>::make(2 * n); // a different seeded spread
    Map map;
    for (const auto& key : keys)
        insertKey(map, key, 1);
    for (auto _ : state) {
        int found = 0;
        for (const auto& key : probes)
            found += hasKey(map, key) ? 1 : 0;
        benchmark::DoNotOptimize(found);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(probes.size()));
}

template <class Map> void mapErase(benchmark::State& state) {
    const auto keys = KeysOf<Map>::make(int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        Map map;
        for (const auto& key : keys)
            insertKey(map, key, 1);
        state.ResumeTiming();
        for (const auto& key : keys)
            eraseKey(map, key);
        benchmark::DoNotOptimize(map);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(keys.size()));
}

// ---- strings --------------------------------------------------------------

// Short names and paths such as the engine handles all the time.
std::vector<std::string> sampleTexts() {
    std::mt19937 random(7);
    std::vector<std::string> texts;
    for (int i = 0; i < 512; ++i) {
        std::string text = i % 2 ? "scenes/level" : "Button";
        const int extra = int(random() % 24);
        for (int c = 0; c < extra; ++c)
            text += char('a' + random() % 26);
        texts.push_back(text);
    }
    return texts;
}

template <class S> S makeString(const std::string& text);
template <> CString makeString<CString>(const std::string& text) { return CString(text.c_str()); }
template <> std::string makeString<std::string>(const std::string& text) { return text; }

template <class S> void stringConstruct(benchmark::State& state) {
    const auto texts = sampleTexts();
    std::vector<const char*> sources;
    for (const auto& text : texts)
        sources.push_back(text.c_str());
    for (auto _ : state) {
        for (const char* source : sources) {
            S s(source);
            benchmark::DoNotOptimize(s);
        }
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(sources.size()));
}

// Builds paths of 16 pieces, the way folders and names are joined.
template <class S> void stringAppend(benchmark::State& state) {
    const char* pieces[] = {"assets/", "scenes/", "Menu", "_", "background", ".xml", "/", "x"};
    for (auto _ : state) {
        S path;
        for (int i = 0; i < 16; ++i)
            path += pieces[i % 8];
        benchmark::DoNotOptimize(path);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * 16);
}

template <class S> void stringCompare(benchmark::State& state) {
    const auto texts = sampleTexts();
    std::vector<S> strings;
    for (const auto& text : texts)
        strings.push_back(makeString<S>(text));
    for (auto _ : state) {
        int less = 0;
        int equal = 0;
        for (size_t i = 1; i < strings.size(); ++i) {
            less += strings[i - 1] < strings[i] ? 1 : 0;
            equal += strings[i - 1] == strings[i] ? 1 : 0;
        }
        benchmark::DoNotOptimize(less);
        benchmark::DoNotOptimize(equal);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(strings.size() - 1) * 2);
}

// ---- registration ---------------------------------------------------------

using Function = void (*)(benchmark::State&);

void registerPair(const std::string& name, Function ours, Function standard, std::initializer_list<int> sizes) {
    if (sizes.size() == 0) {
        benchmark::RegisterBenchmark(("BM_" + name + "/ours").c_str(), ours);
        benchmark::RegisterBenchmark(("BM_" + name + "/std").c_str(), standard);
        return;
    }
    for (int size : sizes) {
        benchmark::RegisterBenchmark(("BM_" + name + "/ours").c_str(), ours)->Arg(size);
        benchmark::RegisterBenchmark(("BM_" + name + "/std").c_str(), standard)->Arg(size);
    }
}

int registerAll() {
    registerPair("Map_Insert_Int", mapInsert<OurIntMap>, mapInsert<StdIntMap>, {1024, 16384});
    registerPair("Map_Find_Int", mapFind<OurIntMap>, mapFind<StdIntMap>, {1024, 16384});
    registerPair("Map_Erase_Int", mapErase<OurIntMap>, mapErase<StdIntMap>, {1024, 16384});
    registerPair("Map_Insert_Text", mapInsert<OurTextMap>, mapInsert<StdTextMap>, {1024, 16384});
    registerPair("Map_Find_Text", mapFind<OurTextMap>, mapFind<StdTextMap>, {1024, 16384});
    registerPair("Map_Erase_Text", mapErase<OurTextMap>, mapErase<StdTextMap>, {1024, 16384});
    registerPair("String_Construct", stringConstruct<CString>, stringConstruct<std::string>, {});
    registerPair("String_Append", stringAppend<CString>, stringAppend<std::string>, {});
    registerPair("String_Compare", stringCompare<CString>, stringCompare<std::string>, {});
    return 0;
}

[[maybe_unused]] const int registered = registerAll();

} // namespace
