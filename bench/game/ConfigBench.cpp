// Reading the objects catalogue, as every level load does, against the least
// any reader of the same document does: pulling every node and taking each
// element's "Value". The document is a generated catalogue of the size the
// game ships (150 building records with serve areas, features, production
// and modifiers; unique upgrades, workers, trains and station offers).
//
// Both run in every iteration; "cost_vs_pull" is the catalogue's time over
// the pull's, so it shows what building the records adds to the parse.

#include "engine/core/CRefHandle.h"
#include "engine/io/CXmlStreamReader.h"
#include "game/config/ObjectsConfiguration.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstddef>
#include <string>

namespace {

std::string value(const char* element, const std::string& text) {
    return std::string("    <") + element + " Value=\"" + text + "\"/>\n";
}

const std::string& catalogue() {
    static const std::string text = [] {
        std::string out = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<ObjectsConfiguration>\n";
        const char* types[] = {"Apartment", "Commercial", "Service", "Produce", "OnRoad"};
        for (int i = 0; i < 150; ++i) {
            const std::string n = std::to_string(i);
            out += "  <Building>\n";
            out += value("Type", types[i % 5]) + value("Name", "Building" + n) + value("Level", std::to_string(i % 3));
            out += value("AllowedFromLevel", std::to_string(i % 48)) + value("DisplayName", "Building" + n + "_Name");
            out += value("Description", "Building" + n + "_Desc") + value("FullDescription", "Building" + n + "_Full");
            out += value("ButtonTemplate", "Button" + n) + value("BuiltSoundCueName", "Built");
            out += value("ServeName", "Serve" + std::to_string(i % 7));
            out +=
                "    <Upgrades>\n  " + value("NextLevelName", "Building" + std::to_string(i + 1)) + "    </Upgrades>\n";
            out += "    <Build>\n  " + value("Time", "12000") + "  " + value("Workers", "3") + "  " +
                   value("Money", "150000") + "  " + value("Materials", "20") + "    </Build>\n";
            out += "    <Repair>\n  " + value("Time", "6000") + "  " + value("Money", "20000") + "    </Repair>\n";
            out += "    <Destroy>\n  " + value("Time", "4000") + "    </Destroy>\n";
            out += value("Income", "1250.5") + value("IncomeGold", "2") + value("Happiness", "5") +
                   value("GuestsCount", "12") + value("WorkerWorkStates", "WorkLeft;WorkRight;WorkUp;WorkDown");
            out += value("OccupiedPlaces", "1;0,0;1") + value("RequiredServeAreas", "Water;Roads");
            out += "    <ServeArea Name=\"Serve" + std::to_string(i % 7) +
                   "\" Color=\"Green\" IncomeBonus=\"10\" BrokenIncomeBonus=\"5\" HappinessBonus=\"2\">\n";
            for (const char* area : {"1,0", "-1,0", "0,1", "0,-1", "1,1", "-1,-1"})
                out += "      <Area Value=\"" + std::string(area) + "\"/>\n";
            out += "    </ServeArea>\n";
            if (i % 3 == 0) {
                out += "    <ActiveFeature Type=\"GoldPercent\">\n  " + value("FeatureName", "Rush" + n) + "  " +
                       value("DurationTime", "20000") + "  " + value("RechargeTime", "60000") +
                       "      <ProducedResources><GoldPercent Value=\"0.1,0.3\"/></ProducedResources>\n"
                       "    </ActiveFeature>\n";
                out += "    <LevelModifiers>\n      <Modifier Type=\"WorkerPriceM\" Value=\"0.9\"/>\n"
                       "      <Modifier Type=\"BuildTimeM\" Value=\"0.8\"/>\n    </LevelModifiers>\n";
            }
            if (i % 5 == 3) {
                out += "    <ProduceItems>\n";
                for (int item = 0; item < 3; ++item)
                    out += "      <Item><Workers Value=\"2\"/><Time Value=\"8000\"/>"
                           "<RequiredResource Name=\"Money\" Value=\"5000\"/>"
                           "<ProducedResource Name=\"Materials\" Value=\"10\"/></Item>\n";
                out += "    </ProduceItems>\n";
            }
            out += "    <RandomResource>\n  " + value("TimeRange", "20000,40000") + "  " + value("Template", "Pile") +
                   "  " + value("MoneyRange", "100,500") + "    </RandomResource>\n";
            out += "  </Building>\n";
        }
        for (int i = 0; i < 20; ++i)
            out += "  <UniqUpgrade>\n" + value("Name", "Unique" + std::to_string(i)) + value("Type", "Up1") +
                   value("BuildingTypes", "Building1;Building2;Building3") + "  </UniqUpgrade>\n";
        for (int i = 0; i < 5; ++i)
            out += "  <Worker>\n" + value("Name", "Worker" + std::to_string(i)) + value("Velocity", "260") +
                   "  </Worker>\n  <Train>\n" + value("Name", "Train" + std::to_string(i)) +
                   value("ReleaseTimeoutRange", "15000,30000") + "  </Train>\n";
        out += "  <RRStationItems>\n";
        for (int i = 0; i < 24; ++i)
            out += "    <Item Materials=\"" + std::to_string((i * 37) % 100) +
                   "\" MoneyRange=\"1000,2000\" Template=\"Offer" + std::to_string(i) + "\"/>\n";
        out += "  </RRStationItems>\n</ObjectsConfiguration>\n";
        return out;
    }();
    return text;
}

[[gnu::noinline]] std::size_t pullValues(const std::string& text) {
    CRefHandle<CXmlStreamReader> reader(new CXmlStreamReader(text.data(), text.size()));
    std::size_t seen = 0;
    while (reader->readNext()) {
        if (reader->nodeType() == CXmlStreamReader::Element)
            seen += reader->attribute("Value").length();
    }
    return seen;
}

[[gnu::noinline]] std::size_t readCatalogue(const std::string& text) {
    CRefHandle<CXmlStreamReader> reader(new CXmlStreamReader(text.data(), text.size()));
    CRefHandle<ObjectsConfiguration> objects(new ObjectsConfiguration);
    (void)objects->readFromXml(*reader);
    return objects->getBuildings().size();
}

void BM_ObjectsCatalogueVsPull(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    const std::string& text = catalogue();
    double pullSeconds = 0;
    double catalogueSeconds = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        benchmark::DoNotOptimize(pullValues(text));
        const auto middle = Clock::now();
        benchmark::DoNotOptimize(readCatalogue(text));
        const auto end = Clock::now();
        pullSeconds += std::chrono::duration<double>(middle - start).count();
        catalogueSeconds += std::chrono::duration<double>(end - middle).count();
    }
    state.counters["pull_ms"] = benchmark::Counter(pullSeconds * 1000.0 / double(state.iterations()));
    state.counters["catalogue_ms"] = benchmark::Counter(catalogueSeconds * 1000.0 / double(state.iterations()));
    state.counters["cost_vs_pull"] = benchmark::Counter(pullSeconds > 0 ? catalogueSeconds / pullSeconds : 0);
    state.counters["KB"] = benchmark::Counter(double(text.size()) / 1024.0);
}
BENCHMARK(BM_ObjectsCatalogueVsPull)->Unit(benchmark::kMillisecond);

} // namespace
