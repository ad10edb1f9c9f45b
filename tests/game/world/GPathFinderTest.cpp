#include "game/world/GPathFinder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <limits>
#include <queue>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

// A grid drawn as text, one string per row: '.' road (0), '#' blocked (255),
// a digit d cost d, 'a'..'z' cost 10 + (letter - 'a'); 'S' and 'G' are road
// cells that mark the start and the goal (without a 'G' the goal is the
// last cell of the last row).
struct Drawing {
    std::vector<std::string> rows;
};

struct Marks {
    GGridCell start;
    GGridCell goal;
};

uint8_t costOf(char c) {
    if (c == '#')
        return GPathFinder::Blocked;
    if (c >= '0' && c <= '9')
        return uint8_t(c - '0');
    if (c >= 'a' && c <= 'z')
        return uint8_t(10 + (c - 'a'));
    return 0;
}

Marks load(GPathFinder& finder, const std::vector<std::string>& rows) {
    Marks marks;
    finder.allocate(int32_t(rows[0].size()), int32_t(rows.size()));
    marks.goal = {int32_t(rows[0].size()) - 1, int32_t(rows.size()) - 1};
    for (int32_t r = 0; r < int32_t(rows.size()); ++r) {
        for (int32_t c = 0; c < int32_t(rows[uint32_t(r)].size()); ++c) {
            const char ch = rows[uint32_t(r)][uint32_t(c)];
            finder.setCost(c, r, costOf(ch));
            if (ch == 'S')
                marks.start = {c, r};
            if (ch == 'G')
                marks.goal = {c, r};
        }
    }
    return marks;
}

std::vector<std::pair<int32_t, int32_t>> cells(const GPathCellList& path) {
    std::vector<std::pair<int32_t, int32_t>> out;
    for (int32_t i = path.head(); i != GPathCellList::None; i = path.node(i).next)
        out.emplace_back(path.node(i).column, path.node(i).row);
    return out;
}

// The path drawn over its grid: '*' for each path cell.
std::vector<std::string> drawn(const std::vector<std::string>& rows, const GPathCellList& path) {
    std::vector<std::string> out = rows;
    for (const auto& [c, r] : cells(path))
        out[uint32_t(r)][uint32_t(c)] = '*';
    return out;
}

float stepCost(const GPathFinder& finder, int32_t fromC, int32_t fromR, int32_t c, int32_t r, float diagonal) {
    float step = float(finder.getCost(c, r)) + 1.0f;
    return (fromC != c && fromR != r) ? step * diagonal : step;
}

// Independent reference: Dijkstra over the same moves (the same corner rule
// without corner cutting). Answers the cheapest cost, or infinity.
float cheapest(const GPathFinder& finder, GGridCell start, GGridCell goal, float diagonal) {
    const int32_t columns = finder.getColumns();
    const int32_t rows = finder.getRows();
    std::vector<float> best(size_t(columns * rows), std::numeric_limits<float>::infinity());
    using Entry = std::pair<float, int32_t>;
    std::priority_queue<Entry, std::vector<Entry>, std::greater<>> open;
    best[size_t(start.row * columns + start.column)] = 0.0f;
    open.push({0.0f, start.row * columns + start.column});
    while (!open.empty()) {
        const auto [g, index] = open.top();
        open.pop();
        if (g > best[size_t(index)])
            continue;
        const int32_t x = index % columns;
        const int32_t y = index / columns;
        for (int32_t dy = -1; dy <= 1; ++dy) {
            for (int32_t dx = -1; dx <= 1; ++dx) {
                const int32_t k = x + dx;
                const int32_t j = y + dy;
                if ((dx == 0 && dy == 0) || k < 0 || j < 0 || k >= columns || j >= rows)
                    continue;
                if (finder.getCost(k, j) == GPathFinder::Blocked)
                    continue;
                if (dx != 0 && dy != 0 &&
                    (finder.getCost(x, j) == GPathFinder::Blocked || finder.getCost(k, y) == GPathFinder::Blocked))
                    continue;
                const float next = g + stepCost(finder, x, y, k, j, diagonal);
                if (next < best[size_t(j * columns + k)]) {
                    best[size_t(j * columns + k)] = next;
                    open.push({next, j * columns + k});
                }
            }
        }
    }
    return best[size_t(goal.row * columns + goal.column)];
}

// The search written out plainly, step by step: separate item
// arrays, marks cleared every search, and a linear scan of the open list to
// find an item whose g improves. The path finder must find the very same
// paths.
std::vector<std::pair<int32_t, int32_t>> plainSearch(const GPathFinder& finder, GGridCell start, GGridCell goal,
                                                     bool straighten, bool cutCorners) {
    const int32_t columns = finder.getColumns();
    const int32_t rows = finder.getRows();
    const size_t cells = size_t(columns * rows);
    std::vector<int32_t> heap(cells + 2), itemColumn(cells + 2), itemRow(cells + 2);
    std::vector<float> itemF(cells + 2), itemH(cells + 2);
    std::vector<int32_t> marks(cells, 0), parentColumn(cells), parentRow(cells);
    std::vector<float> g(cells);
    auto at = [rows](int32_t c, int32_t r) { return size_t(c * rows + r); };
    g[at(start.column, start.row)] = 0.0f;
    heap[1] = 1;
    itemColumn[1] = start.column;
    itemRow[1] = start.row;
    int32_t count = 1;
    int32_t counter = 0;
    for (;;) {
        const int32_t x = itemColumn[size_t(heap[1])];
        const int32_t y = itemRow[size_t(heap[1])];
        marks[at(x, y)] = 12;
        heap[1] = heap[size_t(count)];
        --count;
        for (int32_t t = 1;;) {
            int32_t chosen = t;
            if (2 * t <= count && itemF[size_t(heap[size_t(2 * t)])] <= itemF[size_t(heap[size_t(t)])])
                chosen = 2 * t;
            if (2 * t + 1 <= count && itemF[size_t(heap[size_t(2 * t + 1)])] <= itemF[size_t(heap[size_t(chosen)])])
                chosen = 2 * t + 1;
            if (chosen == t)
                break;
            std::swap(heap[size_t(t)], heap[size_t(chosen)]);
            t = chosen;
        }
        for (int32_t j = y - 1; j <= y + 1; ++j) {
            for (int32_t k = x - 1; k <= x + 1; ++k) {
                if (k < 0 || j < 0 || k >= columns || j >= rows || marks[at(k, j)] == 12)
                    continue;
                const uint8_t cost = finder.getCost(k, j);
                if (cost == GPathFinder::Blocked)
                    continue;
                const bool diagonal = k != x && j != y;
                if (diagonal &&
                    (finder.getCost(x, j) == GPathFinder::Blocked || finder.getCost(k, y) == GPathFinder::Blocked) &&
                    !(cutCorners && cost == 1))
                    continue;
                float step = float(cost) + 1.0f;
                if (diagonal)
                    step *= straighten ? 1.4f : 10.0f;
                const float newG = g[at(x, y)] + step;
                if (marks[at(k, j)] == 11) {
                    if (g[at(k, j)] > newG) {
                        parentColumn[at(k, j)] = x;
                        parentRow[at(k, j)] = y;
                        g[at(k, j)] = newG;
                        int32_t position = 1;
                        while (itemColumn[size_t(heap[size_t(position)])] != k ||
                               itemRow[size_t(heap[size_t(position)])] != j)
                            ++position;
                        const int32_t item = heap[size_t(position)];
                        itemF[size_t(item)] = newG + itemH[size_t(item)];
                        while (position != 1 &&
                               itemF[size_t(heap[size_t(position / 2)])] > itemF[size_t(heap[size_t(position)])]) {
                            std::swap(heap[size_t(position)], heap[size_t(position / 2)]);
                            position /= 2;
                        }
                    }
                    continue;
                }
                const int32_t item = ++counter;
                int32_t position = count + 1;
                heap[size_t(position)] = item;
                itemColumn[size_t(item)] = k;
                itemRow[size_t(item)] = j;
                g[at(k, j)] = newG;
                itemH[size_t(item)] = float(std::abs(k - goal.column) + std::abs(j - goal.row));
                itemF[size_t(item)] = newG + itemH[size_t(item)];
                parentColumn[at(k, j)] = x;
                parentRow[at(k, j)] = y;
                if (count >= 1) {
                    while (position != 1 && itemF[size_t(heap[size_t(position / 2)])] >= itemF[size_t(item)]) {
                        std::swap(heap[size_t(position)], heap[size_t(position / 2)]);
                        position /= 2;
                    }
                }
                ++count;
                marks[at(k, j)] = 11;
            }
        }
        if (marks[at(goal.column, goal.row)] == 11)
            break;
        if (count == 0)
            return {};
    }
    std::vector<std::pair<int32_t, int32_t>> path;
    int32_t c = goal.column;
    int32_t r = goal.row;
    do {
        path.insert(path.begin(), {c, r});
        const int32_t pc = parentColumn[at(c, r)];
        r = parentRow[at(c, r)];
        c = pc;
    } while (c != start.column || r != start.row);
    path.insert(path.begin(), {start.column, start.row});
    return path;
}

} // namespace

TEST(GPathFinder, RefusedSearchesLeaveAnEmptyList) {
    const std::vector<std::string> grid = {
        "....",
        ".#..",
        "....",
    };
    const struct {
        const char* what;
        GGridCell start;
        GGridCell goal;
    } cases[] = {
        {"same cell", {2, 2}, {2, 2}},          {"blocked goal", {0, 0}, {1, 1}},
        {"blocked start", {1, 1}, {3, 2}},      {"goal column outside", {0, 0}, {4, 0}},
        {"goal row outside", {0, 0}, {0, 3}},   {"negative start", {-1, 0}, {3, 2}},
        {"negative goal row", {0, 0}, {3, -1}},
    };
    GPathFinder finder;
    (void)load(finder, grid);
    GPathCellList path;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        path.pushFront(9, 9);
        EXPECT_FALSE(finder.search(c.start.column, c.start.row, c.goal.column, c.goal.row, path, false, false));
        EXPECT_TRUE(path.empty());
    }

    GPathFinder empty;
    path.pushFront(9, 9);
    EXPECT_FALSE(empty.search(0, 0, 1, 0, path, false, false));
    EXPECT_TRUE(path.empty());
}

TEST(GPathFinder, PathCasesOverDrawnGrids) {
    // Expected: the grid with the found path drawn as '*', or empty when the
    // search fails.
    const struct {
        const char* what;
        std::vector<std::string> grid;
        bool straighten;
        bool cutCorners;
        std::vector<std::string> expected;
    } cases[] = {
        {"straight along a row", {"S...G"}, false, false, {"*****"}},
        {"diagonal steps cost ten times: the path keeps to rows and columns until the goal is opened",
         {
             "S...",
             "....",
             "...G",
         },
         false,
         false,
         {
             "***.",
             "..*.",
             "...*",
         }},
        {"corner rule: two road cells meeting at a corner do not connect",
         {
             "S#",
             "#G",
         },
         false,
         false,
         {}},
        {"corner flag alone does not pass into a road cell",
         {
             "S#",
             "#G",
         },
         false,
         true,
         {}},
        {"corner flag passes into a cell of cost 1",
         {
             "S#",
             "#1",
         },
         false,
         true,
         {
             "*#",
             "#*",
         }},
        {"corner flag without cost 1 keeps the corner rule for a cost-2 cell",
         {
             "S#",
             "#2",
         },
         false,
         true,
         {}},
        {"walled off",
         {
             "S.#..",
             "..#.G",
         },
         false,
         false,
         {}},
        {"detour around a wall",
         {
             "S.#.G",
             "..#..",
             ".....",
         },
         false,
         false,
         {
             "**#.*",
             ".*#*.",
             ".***.",
         }},
        {"cheap cells are preferred over a shorter dear way",
         {
             "SzzG",
             "....",
         },
         false,
         false,
         {
             "*zz*",
             "***.",
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        GPathFinder finder;
        std::vector<std::string> grid = c.grid;
        const Marks marks = load(finder, grid);
        GPathCellList path;
        const bool found = finder.search(marks.start.column, marks.start.row, marks.goal.column, marks.goal.row, path,
                                         c.straighten, c.cutCorners);
        EXPECT_EQ(found, !c.expected.empty());
        if (!found) {
            EXPECT_TRUE(path.empty());
            continue;
        }
        const auto list = cells(path);
        ASSERT_FALSE(list.empty());
        EXPECT_EQ(list.front(), std::make_pair(marks.start.column, marks.start.row));
        EXPECT_EQ(list.back(), std::make_pair(marks.goal.column, marks.goal.row));
        EXPECT_EQ(drawn(grid, path), c.expected);
    }
}

TEST(GPathFinder, StraighteningDropsInnerCellsOnlyWhenTheLineIsClear) {
    // An L-shaped way around a block of cost 10 or 11: at 10 the line from
    // the start to the corner's far side is clear, at 11 it is a wall.
    const struct {
        const char* what;
        char block;
        bool straightened;
    } cases[] = {
        {"cost 10 is walked through", 'a', true},
        {"cost 11 is a wall", 'b', false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string b(1, c.block);
        const std::vector<std::string> grid = {
            "S......",
            "." + b + b + b + b + b + ".",
            "." + b + b + b + b + b + ".",
            "......G",
        };
        GPathFinder finder;
        const Marks marks = load(finder, grid);
        GPathCellList raw;
        ASSERT_TRUE(
            finder.search(marks.start.column, marks.start.row, marks.goal.column, marks.goal.row, raw, false, false));
        const auto before = cells(raw);
        GPathCellList path;
        ASSERT_TRUE(
            finder.search(marks.start.column, marks.start.row, marks.goal.column, marks.goal.row, path, true, false));
        const auto after = cells(path);
        EXPECT_EQ(after.front(), before.front());
        EXPECT_EQ(after.back(), before.back());
        EXPECT_EQ(after.size(), path.count());
        if (c.straightened) {
            EXPECT_EQ(after.size(), 2u);
        } else {
            // Only cells on a straight run disappear: the turn stays.
            EXPECT_GT(after.size(), 2u);
            EXPECT_LT(after.size(), before.size());
            for (const auto& cell : after)
                EXPECT_LE(finder.getCost(cell.first, cell.second), GPathFinder::StraightenWallCost);
        }
    }

    // Straightening an explicit list: the three cells of a straight row keep
    // their ends only.
    GPathFinder finder;
    (void)load(finder, {"....."});
    GPathCellList list;
    for (int32_t c = 4; c >= 0; --c)
        list.pushFront(c, 0);
    finder.straightenPath(list);
    EXPECT_EQ(cells(list), (std::vector<std::pair<int32_t, int32_t>>{{0, 0}, {4, 0}}));
}

TEST(GPathFinder, DiagonalFactorDecidesBetweenStairsAndDiagonal) {
    // On an open field a diagonal goal: without straightening the path walks
    // along rows and columns; with it the field is crossed in one line.
    const std::vector<std::string> grid = {
        "S....",
        ".....",
        ".....",
        "....G",
    };
    GPathFinder finder;
    const Marks marks = load(finder, grid);
    GPathCellList path;
    ASSERT_TRUE(
        finder.search(marks.start.column, marks.start.row, marks.goal.column, marks.goal.row, path, false, false));
    // The search stops when the goal is opened, so only the last step
    // (into the goal) may be diagonal.
    const auto list = cells(path);
    ASSERT_EQ(list.size(), 7u);
    for (size_t i = 1; i + 1 < list.size(); ++i)
        EXPECT_EQ(std::abs(list[i].first - list[i - 1].first) + std::abs(list[i].second - list[i - 1].second), 1);

    ASSERT_TRUE(
        finder.search(marks.start.column, marks.start.row, marks.goal.column, marks.goal.row, path, true, false));
    // The whole field is clear: straightened to its two ends.
    EXPECT_EQ(cells(path), (std::vector<std::pair<int32_t, int32_t>>{{0, 0}, {4, 3}}));
}

TEST(GPathFinder, FoundPathsAreWalkableAndNearlyCheapestOnRandomGrids) {
    std::mt19937 random(40);
    for (int round = 0; round < 300; ++round) {
        SCOPED_TRACE(round);
        const int32_t columns = 2 + int32_t(random() % 24);
        const int32_t rows = 2 + int32_t(random() % 24);
        const uint32_t wallPercent = random() % 45;
        GPathFinder finder;
        finder.allocate(columns, rows);
        for (int32_t c = 0; c < columns; ++c)
            for (int32_t r = 0; r < rows; ++r)
                finder.setCost(c, r, random() % 100 < wallPercent ? GPathFinder::Blocked : 0);
        const GGridCell start{int32_t(random() % uint32_t(columns)), int32_t(random() % uint32_t(rows))};
        const GGridCell goal{int32_t(random() % uint32_t(columns)), int32_t(random() % uint32_t(rows))};
        finder.setCost(start.column, start.row, 0);
        finder.setCost(goal.column, goal.row, 0);
        if (start.column == goal.column && start.row == goal.row)
            continue;

        const float best = cheapest(finder, start, goal, 10.0f);
        GPathCellList path;
        const bool found = finder.search(start.column, start.row, goal.column, goal.row, path, false, false);
        ASSERT_EQ(found, best != std::numeric_limits<float>::infinity());
        if (!found)
            continue;
        const auto list = cells(path);
        ASSERT_EQ(list.size(), path.count());
        EXPECT_EQ(list.front(), std::make_pair(start.column, start.row));
        EXPECT_EQ(list.back(), std::make_pair(goal.column, goal.row));
        float cost = 0.0f;
        for (size_t i = 0; i < list.size(); ++i) {
            const auto [c, r] = list[i];
            ASSERT_NE(finder.getCost(c, r), GPathFinder::Blocked);
            if (i == 0)
                continue;
            const auto [pc, pr] = list[i - 1];
            ASSERT_LE(std::abs(c - pc), 1);
            ASSERT_LE(std::abs(r - pr), 1);
            ASSERT_FALSE(c == pc && r == pr);
            if (c != pc && r != pr) {
                EXPECT_NE(finder.getCost(pc, r), GPathFinder::Blocked) << "cut a blocked corner";
                EXPECT_NE(finder.getCost(c, pr), GPathFinder::Blocked) << "cut a blocked corner";
            }
            cost += stepCost(finder, pc, pr, c, r, 10.0f);
        }
        // The search ends when the goal is first opened: the last step may
        // be a diagonal (10) where two straight steps (2) would do, and
        // nothing else costs more than the cheapest way.
        EXPECT_GE(cost, best);
        EXPECT_LE(cost, best + 8.0f);

        // Straightened, the path keeps its ends and only drops cells.
        GPathCellList straight;
        ASSERT_TRUE(finder.search(start.column, start.row, goal.column, goal.row, straight, true, false));
        const auto shortened = cells(straight);
        EXPECT_EQ(shortened.front(), list.front());
        EXPECT_EQ(shortened.back(), list.back());
    }
}

TEST(GPathFinder, CellListReusesItsNodes) {
    GPathCellList list;
    for (int32_t i = 0; i < 5; ++i)
        list.pushFront(i, i);
    const int32_t second = list.node(list.head()).next;
    list.remove(second);
    EXPECT_EQ(list.count(), 4u);
    EXPECT_EQ(cells(list), (std::vector<std::pair<int32_t, int32_t>>{{4, 4}, {2, 2}, {1, 1}, {0, 0}}));
    list.remove(list.tail());
    list.remove(list.head());
    EXPECT_EQ(cells(list), (std::vector<std::pair<int32_t, int32_t>>{{2, 2}, {1, 1}}));
    list.clear();
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(list.head(), GPathCellList::None);
    list.pushFront(7, 8);
    EXPECT_EQ(list.head(), list.tail());
    EXPECT_EQ(cells(list), (std::vector<std::pair<int32_t, int32_t>>{{7, 8}}));
}

TEST(GPathFinder, PointsAndCellsMapWithTheRowShiftAndCutTowardZero) {
    const GGridPlacement grid{{100.0f, 50.0f}, {20.0f, 10.0f}, 5.0f};
    const struct {
        const char* what;
        CVector2d point;
        GGridCell cell;
    } cases[] = {
        {"first cell", {101.0f, 51.0f}, {0, 0}},
        {"row 2 shifted by 10", {100.0f + 10.0f + 45.0f, 50.0f + 25.0f}, {2, 2}},
        {"left of the grid by less than a cell cuts to column 0", {85.0f, 55.0f}, {0, 0}},
        {"above the grid by less than a row cuts to row 0", {105.0f, 45.0f}, {0, 0}},
        {"further left gives a negative column", {75.0f, 55.0f}, {-1, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const GGridCell cell = GPathFinder::cellOfPoint(grid, c.point);
        EXPECT_EQ(cell.column, c.cell.column);
        EXPECT_EQ(cell.row, c.cell.row);
    }
    const CVector2d centre = GPathFinder::pointOfCell(grid, 3, 2);
    EXPECT_FLOAT_EQ(centre.x, 20.0f * 3.5f + 100.0f + 10.0f);
    EXPECT_FLOAT_EQ(centre.y, 10.0f * 2.5f + 50.0f);
    const GGridCell back = GPathFinder::cellOfPoint(grid, centre);
    EXPECT_EQ(back.column, 3);
    EXPECT_EQ(back.row, 2);
}

TEST(GPathFinder, FindsTheSamePathsAsThePlainSearchOnRandomCostGrids) {
    // Costs of every kind: road, cheap, 1 (corner cutting), 10 and 11
    // (straightening's limit), dear, blocked.
    const uint8_t costs[] = {0, 0, 0, 0, 1, 3, 10, 11, 40, GPathFinder::Blocked, GPathFinder::Blocked};
    std::mt19937 random(4040);
    GPathFinder finder;
    GPathCellList path;
    for (int round = 0; round < 400; ++round) {
        SCOPED_TRACE(round);
        const int32_t columns = 2 + int32_t(random() % 30);
        const int32_t rows = 2 + int32_t(random() % 30);
        // One finder reused across sizes and searches, as the level does.
        if (round % 4 == 0 || finder.getColumns() != columns || finder.getRows() != rows)
            finder.allocate(columns, rows);
        for (int32_t c = 0; c < columns; ++c)
            for (int32_t r = 0; r < rows; ++r)
                finder.setCost(c, r, costs[random() % std::size(costs)]);
        const GGridCell start{int32_t(random() % uint32_t(columns)), int32_t(random() % uint32_t(rows))};
        const GGridCell goal{int32_t(random() % uint32_t(columns)), int32_t(random() % uint32_t(rows))};
        finder.setCost(start.column, start.row, 0);
        finder.setCost(goal.column, goal.row, uint8_t(random() % 2));
        if (start.column == goal.column && start.row == goal.row)
            continue;
        const bool straighten = random() % 2 == 0;
        const bool cutCorners = random() % 2 == 0;
        const auto expected = plainSearch(finder, start, goal, straighten, cutCorners);
        const bool found = finder.search(start.column, start.row, goal.column, goal.row, path, false, cutCorners);
        // Compared before straightening, which only drops cells.
        if (!straighten) {
            ASSERT_EQ(found, !expected.empty());
            EXPECT_EQ(cells(path), expected);
        }
        GPathCellList raw;
        const bool foundAgain =
            finder.search(start.column, start.row, goal.column, goal.row, raw, straighten, cutCorners);
        ASSERT_EQ(foundAgain, !expected.empty());
        if (!foundAgain)
            continue;
        if (straighten) {
            // The plain path, straightened.
            GPathCellList plain;
            for (auto it = expected.rbegin(); it != expected.rend(); ++it)
                plain.pushFront(it->first, it->second);
            finder.straightenPath(plain);
            EXPECT_EQ(cells(raw), cells(plain));
        } else {
            EXPECT_EQ(cells(raw), expected);
        }
    }
}

TEST(GPathFinder, KeepsFindingTheSamePathsAfterManySearches) {
    // The finder marks the cells it has seen per search and clears the marks
    // only when its search numbers run out; far more searches than there are
    // numbers, with cells blocked and opened in between, must keep finding
    // the plain search's paths.
    const std::vector<std::string> grid = {
        "S..#....",
        ".#.#.##.",
        ".#...#..",
        ".####.#.",
        "......#G",
    };
    GPathFinder finder;
    const Marks marks = load(finder, grid);
    GPathCellList path;
    for (int32_t search = 0; search < 70000; ++search) {
        // Every so often a wall appears or goes in the middle of the way.
        if (search % 997 == 0)
            finder.setCost(4, 2, search % 2 == 0 ? GPathFinder::Blocked : 0);
        const bool back = search % 2 == 1;
        const GGridCell from = back ? marks.goal : marks.start;
        const GGridCell to = back ? marks.start : marks.goal;
        const bool found = finder.search(from.column, from.row, to.column, to.row, path, false, false);
        if (search % 997 < 2 || search % 32766 < 4) {
            SCOPED_TRACE(search);
            const auto expected = plainSearch(finder, from, to, false, false);
            ASSERT_EQ(found, !expected.empty());
            ASSERT_EQ(cells(path), expected);
        }
    }
}
