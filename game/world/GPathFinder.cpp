#include "game/world/GPathFinder.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

// ---------------------------------------------------------------------------
// GPathCellList

void GPathCellList::clear() {
    m_free.clear();
    for (int32_t i = int32_t(m_nodes.size()) - 1; i >= 0; --i)
        m_free.push_back(i);
    m_head = None;
    m_tail = None;
    m_count = 0;
}

void GPathCellList::pushFront(int32_t column, int32_t row) {
    int32_t index;
    if (m_free.empty()) {
        index = int32_t(m_nodes.size());
        m_nodes.emplace_back();
    } else {
        index = m_free.back();
        m_free.pop_back();
    }
    Node& node = m_nodes[uint32_t(index)];
    node.column = column;
    node.row = row;
    node.previous = None;
    node.next = m_head;
    if (m_head != None)
        m_nodes[uint32_t(m_head)].previous = index;
    else
        m_tail = index;
    m_head = index;
    ++m_count;
}

void GPathCellList::remove(int32_t index) {
    Node& node = m_nodes[uint32_t(index)];
    if (node.previous != None)
        m_nodes[uint32_t(node.previous)].next = node.next;
    else
        m_head = node.next;
    if (node.next != None)
        m_nodes[uint32_t(node.next)].previous = node.previous;
    else
        m_tail = node.previous;
    node.next = None;
    node.previous = None;
    m_free.push_back(index);
    --m_count;
}

// ---------------------------------------------------------------------------
// GPathFinder

void GPathFinder::allocate(int32_t columns, int32_t rows) {
    freeArrays();
    if (columns <= 0 || rows <= 0)
        return;
    m_columns = columns;
    m_rows = rows;
    const size_t cells = size_t(columns) * size_t(rows);
    m_cost.assign(cells, 0);
    m_cells.assign(cells, CellState());
    m_heapPositions.assign(cells, 0);
    m_heap.assign(cells + 2, OpenEntry());
}

void GPathFinder::freeArrays() {
    m_columns = 0;
    m_rows = 0;
    std::vector<uint8_t>().swap(m_cost);
    std::vector<CellState>().swap(m_cells);
    std::vector<uint32_t>().swap(m_heapPositions);
    std::vector<OpenEntry>().swap(m_heap);
    m_openCount = 0;
    m_searchNumber = 0;
}

void GPathFinder::fillCost(uint8_t value) { std::fill(m_cost.begin(), m_cost.end(), value); }

void GPathFinder::setCost(int32_t column, int32_t row, uint8_t value) {
    if (column >= 0 && row >= 0 && column < m_columns && row < m_rows)
        m_cost[cellIndex(column, row)] = value;
}

uint8_t GPathFinder::getCost(int32_t column, int32_t row) const {
    if (column < 0 || row < 0 || column >= m_columns || row >= m_rows)
        return Blocked;
    return m_cost[cellIndex(column, row)];
}

void GPathFinder::place(uint32_t position, const OpenEntry& entry) {
    m_heap[position] = entry;
    m_heapPositions[uint32_t(entry.cell)] = position;
}

void GPathFinder::siftDown(uint32_t position) {
    // The left child is taken when its f is at most the parent's, the right
    // one when its f is at most the one taken so far.
    uint32_t t = position;
    const OpenEntry entry = m_heap[t];
    for (;;) {
        uint32_t chosen = t;
        float chosenF = entry.f;
        const uint32_t left = t * 2;
        if (left <= m_openCount && m_heap[left].f <= chosenF) {
            chosen = left;
            chosenF = m_heap[left].f;
        }
        if (left + 1 <= m_openCount && m_heap[left + 1].f <= chosenF)
            chosen = left + 1;
        if (chosen == t)
            break;
        place(t, m_heap[chosen]);
        t = chosen;
    }
    place(t, entry);
}

void GPathFinder::siftUp(uint32_t position, bool stopAtEqual) {
    // A newly opened cell climbs past parents of equal f; a cell whose f
    // went down stops below them.
    uint32_t t = position;
    const OpenEntry entry = m_heap[t];
    while (t != 1) {
        const float parentF = m_heap[t / 2].f;
        if (stopAtEqual ? !(parentF > entry.f) : !(parentF >= entry.f))
            break;
        place(t, m_heap[t / 2]);
        t /= 2;
    }
    place(t, entry);
}

bool GPathFinder::search(int32_t startColumn, int32_t startRow, int32_t goalColumn, int32_t goalRow,
                         GPathCellList& path, bool straighten, bool cutCorners) {
    path.clear();
    if (m_cost.empty())
        return false;
    if (startColumn < 0 || startRow < 0 || goalColumn < 0 || goalRow < 0 || startColumn >= m_columns ||
        goalColumn >= m_columns || startRow >= m_rows || goalRow >= m_rows)
        return false;
    if (startColumn == goalColumn && startRow == goalRow)
        return false;
    const uint32_t start = cellIndex(startColumn, startRow);
    const uint32_t goal = cellIndex(goalColumn, goalRow);
    if (m_cost[goal] == Blocked || m_cost[start] == Blocked)
        return false;

    // A new search number marks every cell unseen; when the numbers run
    // out the cells are cleared once.
    if (++m_searchNumber >= 0x7FFFFFFFu) {
        for (CellState& cell : m_cells)
            cell.visit = 0;
        m_searchNumber = 1;
    }
    const uint32_t open = m_searchNumber << 1;
    const uint32_t closed = open | 1u;
    m_cells[start].g = 0.0f;
    m_cells[start].visit = open;
    m_openCount = 1;
    place(1, OpenEntry{0.0f, int32_t(start)});
    const float diagonalFactor = straighten ? 1.4f : 10.0f;
    const uint32_t rows = uint32_t(m_rows);

    for (;;) {
        const uint32_t current = uint32_t(m_heap[1].cell);
        const int32_t x = int32_t(current / rows);
        const int32_t y = int32_t(current - uint32_t(x) * rows);
        m_cells[current].visit = closed;
        if (--m_openCount > 0) {
            place(1, m_heap[m_openCount + 1]);
            siftDown(1);
        }

        const float currentG = m_cells[current].g;
        const int32_t firstRow = std::max(y - 1, 0);
        const int32_t lastRow = std::min(y + 1, m_rows - 1);
        const int32_t firstColumn = std::max(x - 1, 0);
        const int32_t lastColumn = std::min(x + 1, m_columns - 1);
        for (int32_t j = firstRow; j <= lastRow; ++j) {
            for (int32_t k = firstColumn; k <= lastColumn; ++k) {
                const uint32_t neighbour = uint32_t(k) * rows + uint32_t(j);
                const uint8_t cost = m_cost[neighbour];
                if (cost == Blocked)
                    continue;
                CellState& state = m_cells[neighbour];
                if (state.visit == closed)
                    continue;
                const bool diagonal = k != x && j != y;
                if (diagonal &&
                    (m_cost[uint32_t(x) * rows + uint32_t(j)] == Blocked ||
                     m_cost[uint32_t(k) * rows + uint32_t(y)] == Blocked) &&
                    !(cutCorners && cost == 1))
                    continue;
                float step = float(cost) + 1.0f;
                if (diagonal)
                    step *= diagonalFactor;
                const float newG = currentG + step;

                if (state.visit == open) {
                    if (state.g > newG) {
                        state.parent = int32_t(current);
                        state.g = newG;
                        const uint32_t position = m_heapPositions[neighbour];
                        m_heap[position].f = newG + float(std::abs(k - goalColumn) + std::abs(j - goalRow));
                        siftUp(position, true);
                    }
                    continue;
                }

                state.visit = open;
                state.g = newG;
                state.parent = int32_t(current);
                const uint32_t position = m_openCount + 1;
                place(position,
                      OpenEntry{newG + float(std::abs(k - goalColumn) + std::abs(j - goalRow)), int32_t(neighbour)});
                if (m_openCount >= 1)
                    siftUp(position, false);
                ++m_openCount;
            }
        }
        if (m_cells[goal].visit == open)
            break;
        if (m_openCount == 0)
            return false;
    }

    buildPath(start, goal, path);
    if (straighten)
        straightenPath(path);
    return true;
}

void GPathFinder::buildPath(uint32_t start, uint32_t goal, GPathCellList& path) const {
    uint32_t cell = goal;
    do {
        path.pushFront(int32_t(cell / uint32_t(m_rows)), int32_t(cell % uint32_t(m_rows)));
        cell = uint32_t(m_cells[cell].parent);
    } while (cell != start);
    path.pushFront(int32_t(start / uint32_t(m_rows)), int32_t(start % uint32_t(m_rows)));
}

namespace {

// The cell coordinate of a sample: cut toward zero above 0, one less below
// (so -0.5 lands on -1), never below 0.
int32_t sampleCoordinate(float value, int32_t count) {
    int32_t cell = value > 0.0f ? int32_t(value) : int32_t(value - 1.0f);
    return std::clamp(cell, 0, count - 1);
}

// Cut toward zero; values beyond the int range (or NaN) are held to it.
int32_t truncated(float value) {
    constexpr float limit = 1073741824.0f;
    if (!(value > -limit))
        return value < 0.0f ? -int32_t(limit) : 0;
    return value < limit ? int32_t(value) : int32_t(limit);
}

} // namespace

void GPathFinder::straightenPath(GPathCellList& path) const {
    if (m_cost.empty())
        return;
    int32_t p = path.head();
    while (p != GPathCellList::None) {
        const int32_t q = path.node(p).next;
        if (q == GPathCellList::None)
            return;
        const int32_t r = path.node(q).next;
        if (r == GPathCellList::None)
            return;
        const GPathCellList::Node& from = path.node(p);
        const GPathCellList::Node& to = path.node(r);
        const float dx = float(to.column - from.column);
        const float dy = float(to.row - from.row);
        const float d = std::sqrt(dx * dx + dy * dy);
        bool clear = true;
        for (int32_t t = 0; float(t) <= d; ++t) {
            const int32_t column = sampleCoordinate(float(from.column) + float(t) * dx / d, m_columns);
            const int32_t row = sampleCoordinate(float(from.row) + float(t) * dy / d, m_rows);
            if (getCost(column, row) > StraightenWallCost) {
                clear = false;
                break;
            }
        }
        if (clear)
            path.remove(q);
        else
            p = q;
    }
}

GGridCell GPathFinder::cellOfPoint(const GGridPlacement& grid, const CVector2d& point) {
    GGridCell cell;
    cell.row = truncated((point.y - grid.origin.y) / grid.cellSize.y);
    cell.column = truncated((point.x - grid.origin.x - grid.rowShift * float(cell.row)) / grid.cellSize.x);
    return cell;
}

CVector2d GPathFinder::pointOfCell(const GGridPlacement& grid, int32_t column, int32_t row) {
    return {grid.cellSize.x * (float(column) + 0.5f) + grid.origin.x + grid.rowShift * float(row),
            grid.cellSize.y * (float(row) + 0.5f) + grid.origin.y};
}
