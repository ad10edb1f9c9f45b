// Path search over a level's walk grid against Boost Graph's astar_search
// over the same cells, moves and costs: 8 neighbours, a diagonal step ten
// times a straight one, no diagonal past a blocked corner, the Manhattan
// distance as heuristic, stopping at the goal. The grids are towns of roads
// (a street every few cells, some short lanes) with obstacles standing on
// them, at 128 x 128 and 256 x 256 cells; the same seeded start and goal
// pairs run through both in every iteration.
//
// "vs_boost" is our time over Boost's (the goal is at most 0.5);
// "allocs_per_search" counts the heap allocations of our searches once the
// arrays and the path list are made (the goal is 0).

#include "bench/support/AllocationCount.h"
#include "game/world/GPathFinder.h"

#include <benchmark/benchmark.h>

#include <boost/graph/adjacency_list.hpp>
#include <boost/graph/astar_search.hpp>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <random>
#include <utility>
#include <vector>

namespace {

constexpr uint8_t kBlocked = GPathFinder::Blocked;

struct Town {
    int32_t size = 0;
    // [column][row], as the path finder keeps it.
    std::vector<uint8_t> cost;
    std::vector<std::pair<GGridCell, GGridCell>> trips;

    [[nodiscard]] uint8_t at(int32_t c, int32_t r) const { return cost[size_t(c) * size_t(size) + size_t(r)]; }
};

Town makeTown(int32_t size) {
    Town town;
    town.size = size;
    town.cost.assign(size_t(size) * size_t(size), kBlocked);
    std::mt19937 random(uint32_t(size) * 7919u);
    auto set = [&](int32_t c, int32_t r, uint8_t v) { town.cost[size_t(c) * size_t(size) + size_t(r)] = v; };
    // Streets every 6 cells, lanes of random length between them.
    for (int32_t i = 0; i < size; i += 6) {
        for (int32_t j = 0; j < size; ++j) {
            set(i, j, 0);
            set(j, i, 0);
        }
    }
    for (int lane = 0; lane < size * 2; ++lane) {
        const int32_t c = int32_t(random() % uint32_t(size));
        const int32_t r = int32_t(random() % uint32_t(size));
        const bool horizontal = random() % 2 == 0;
        for (int32_t k = 0; k < 2 + int32_t(random() % 5); ++k) {
            const int32_t x = horizontal ? c + k : c;
            const int32_t y = horizontal ? r : r + k;
            if (x < size && y < size)
                set(x, y, 0);
        }
    }
    // Piles and wrecks standing on the roads.
    std::vector<std::pair<int32_t, int32_t>> roads;
    for (int32_t c = 0; c < size; ++c)
        for (int32_t r = 0; r < size; ++r)
            if (town.at(c, r) == 0)
                roads.emplace_back(c, r);
    for (size_t i = 0; i < roads.size() / 25; ++i) {
        const auto [c, r] = roads[random() % roads.size()];
        set(c, r, kBlocked);
    }
    roads.clear();
    for (int32_t c = 0; c < size; ++c)
        for (int32_t r = 0; r < size; ++r)
            if (town.at(c, r) == 0)
                roads.emplace_back(c, r);
    for (int trip = 0; trip < 32; ++trip) {
        const auto [sc, sr] = roads[random() % roads.size()];
        const auto [gc, gr] = roads[random() % roads.size()];
        town.trips.push_back({{sc, sr}, {gc, gr}});
    }
    return town;
}

using Graph = boost::adjacency_list<boost::vecS, boost::vecS, boost::directedS, boost::no_property,
                                    boost::property<boost::edge_weight_t, float>>;
using Vertex = boost::graph_traits<Graph>::vertex_descriptor;

Graph makeGraph(const Town& town) {
    const int32_t n = town.size;
    Graph graph(size_t(n) * size_t(n));
    auto vertex = [n](int32_t c, int32_t r) { return Vertex(size_t(c) * size_t(n) + size_t(r)); };
    for (int32_t x = 0; x < n; ++x) {
        for (int32_t y = 0; y < n; ++y) {
            if (town.at(x, y) == kBlocked)
                continue;
            for (int32_t j = y - 1; j <= y + 1; ++j) {
                for (int32_t k = x - 1; k <= x + 1; ++k) {
                    if ((k == x && j == y) || k < 0 || j < 0 || k >= n || j >= n || town.at(k, j) == kBlocked)
                        continue;
                    const bool diagonal = k != x && j != y;
                    if (diagonal && (town.at(x, j) == kBlocked || town.at(k, y) == kBlocked))
                        continue;
                    float step = float(town.at(k, j)) + 1.0f;
                    if (diagonal)
                        step *= 10.0f;
                    boost::add_edge(vertex(x, y), vertex(k, j), step, graph);
                }
            }
        }
    }
    return graph;
}

struct FoundGoal {};

class GoalVisitor : public boost::default_astar_visitor {
public:
    explicit GoalVisitor(Vertex goal) : m_goal(goal) {}
    void examine_vertex(Vertex v, const Graph&) const {
        if (v == m_goal)
            throw FoundGoal();
    }

private:
    Vertex m_goal;
};

class Manhattan : public boost::astar_heuristic<Graph, float> {
public:
    Manhattan(int32_t size, Vertex goal) : m_size(size), m_goal(goal) {}
    float operator()(Vertex v) const {
        const int32_t c = int32_t(v / size_t(m_size));
        const int32_t r = int32_t(v % size_t(m_size));
        const int32_t gc = int32_t(m_goal / size_t(m_size));
        const int32_t gr = int32_t(m_goal % size_t(m_size));
        return float(std::abs(c - gc) + std::abs(r - gr));
    }

private:
    int32_t m_size;
    Vertex m_goal;
};

void BM_PathSearchVsBoostAstar(benchmark::State& state) {
    const Town town = makeTown(int32_t(state.range(0)));
    const Graph graph = makeGraph(town);
    const size_t vertices = boost::num_vertices(graph);
    std::vector<Vertex> predecessors(vertices);
    std::vector<float> distances(vertices);
    std::vector<float> ranks(vertices);
    std::vector<boost::default_color_type> colors(vertices);

    GPathFinder finder;
    finder.allocate(town.size, town.size);
    for (int32_t c = 0; c < town.size; ++c)
        for (int32_t r = 0; r < town.size; ++r)
            finder.setCost(c, r, town.at(c, r));
    GPathCellList path;
    // One search to size the path list's pool.
    for (const auto& [start, goal] : town.trips)
        (void)finder.search(start.column, start.row, goal.column, goal.row, path, false, false);

    double oursSeconds = 0.0;
    double boostSeconds = 0.0;
    uint64_t allocations = 0;
    uint64_t searches = 0;
    int64_t found = 0;
    for (auto _ : state) {
        const uint64_t before = allocationCount();
        const auto t0 = std::chrono::steady_clock::now();
        for (const auto& [start, goal] : town.trips) {
            found += finder.search(start.column, start.row, goal.column, goal.row, path, false, false) ? 1 : 0;
            benchmark::DoNotOptimize(path.count());
        }
        const auto t1 = std::chrono::steady_clock::now();
        allocations += allocationCount() - before;
        searches += town.trips.size();
        for (const auto& [start, goal] : town.trips) {
            const Vertex s = Vertex(size_t(start.column) * size_t(town.size) + size_t(start.row));
            const Vertex g = Vertex(size_t(goal.column) * size_t(town.size) + size_t(goal.row));
            if (s == g)
                continue;
            try {
                boost::astar_search(
                    graph, s, Manhattan(town.size, g),
                    boost::visitor(GoalVisitor(g))
                        .predecessor_map(boost::make_iterator_property_map(predecessors.begin(),
                                                                           boost::get(boost::vertex_index, graph)))
                        .distance_map(boost::make_iterator_property_map(distances.begin(),
                                                                        boost::get(boost::vertex_index, graph)))
                        .rank_map(
                            boost::make_iterator_property_map(ranks.begin(), boost::get(boost::vertex_index, graph)))
                        .color_map(
                            boost::make_iterator_property_map(colors.begin(), boost::get(boost::vertex_index, graph))));
            } catch (const FoundGoal&) {
            }
            benchmark::DoNotOptimize(distances[g]);
        }
        const auto t2 = std::chrono::steady_clock::now();
        oursSeconds += std::chrono::duration<double>(t1 - t0).count();
        boostSeconds += std::chrono::duration<double>(t2 - t1).count();
    }
    const double n = double(state.iterations()) * double(town.trips.size());
    state.counters["ours_us"] = benchmark::Counter(oursSeconds * 1e6 / n);
    state.counters["boost_us"] = benchmark::Counter(boostSeconds * 1e6 / n);
    state.counters["vs_boost"] = benchmark::Counter(boostSeconds > 0 ? oursSeconds / boostSeconds : 0);
    state.counters["allocs_per_search"] = benchmark::Counter(searches ? double(allocations) / double(searches) : 0);
    state.counters["found"] = benchmark::Counter(double(found) / double(state.iterations()));
}

BENCHMARK(BM_PathSearchVsBoostAstar)->Arg(128)->Arg(256)->Unit(benchmark::kMillisecond);

} // namespace
