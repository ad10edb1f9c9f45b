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
    // The open list holds every cell plus two entries, so no search overflows it.
    const size_t items = cells + 2;
    m_cost.assign(cells, 0);
    m_marks.assign(cells, 0);
    m_parent.assign(cells, 0);
    m_g.assign(cells, 0.0f);
    m_cellItem.assign(cells, 0);
    m_heap.assign(items, 0);
    m_itemCell.assign(items, 0);
    m_itemF.assign(items, 0.0f);
    m_itemH.assign(items, 0.0f);
    m_itemPosition.assign(items, 0);
}

void GPathFinder::freeArrays() {
    m_columns = 0;
    m_rows = 0;
    for (auto* bytes : {&m_cost})
        std::vector<uint8_t>().swap(*bytes);
    for (auto* ints : {&m_marks, &m_parent, &m_cellItem, &m_heap, &m_itemCell})
        std::vector<int32_t>().swap(*ints);
    for (auto* floats : {&m_g, &m_itemF, &m_itemH})
        std::vector<float>().swap(*floats);
    std::vector<uint32_t>().swap(m_itemPosition);
    m_openCount = 0;
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

void GPathFinder::swapPositions(uint32_t a, uint32_t b) {
    std::swap(m_heap[a], m_heap[b]);
    m_itemPosition[uint32_t(m_heap[a])] = a;
    m_itemPosition[uint32_t(m_heap[b])] = b;
}

void GPathFinder::siftDown(uint32_t position) {
    uint32_t t = position;
    for (;;) {
        uint32_t chosen = t;
        const uint32_t left = t * 2;
        const uint32_t right = left + 1;
        if (left <= m_openCount && m_itemF[uint32_t(m_heap[left])] <= m_itemF[uint32_t(m_heap[chosen])])
            chosen = left;
        if (right <= m_openCount && m_itemF[uint32_t(m_heap[right])] <= m_itemF[uint32_t(m_heap[chosen])])
            chosen = right;
        if (chosen == t)
            return;
        swapPositions(t, chosen);
        t = chosen;
    }
}

void GPathFinder::siftUp(uint32_t position, bool stopAtEqual) {
    // A newly opened item climbs past parents of equal f; an item whose f
    // went down stops below them.
    uint32_t t = position;
    while (t != 1) {
        const float parentF = m_itemF[uint32_t(m_heap[t / 2])];
        const float itemF = m_itemF[uint32_t(m_heap[t])];
        if (stopAtEqual ? !(parentF > itemF) : !(parentF >= itemF))
            return;
        swapPositions(t, t / 2);
        t /= 2;
    }
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

    std::fill(m_marks.begin(), m_marks.end(), 0);
    m_g[start] = 0.0f;
    m_heap[1] = 1;
    m_itemCell[1] = int32_t(start);
    m_itemPosition[1] = 1;
    m_itemF[1] = 0.0f;
    m_itemH[1] = 0.0f;
    m_openCount = 1;
    int32_t itemCounter = 0;
    const float diagonalFactor = straighten ? 1.4f : 10.0f;

    for (;;) {
        const uint32_t current = uint32_t(m_itemCell[uint32_t(m_heap[1])]);
        const int32_t x = int32_t(current / uint32_t(m_rows));
        const int32_t y = int32_t(current % uint32_t(m_rows));
        m_marks[current] = MarkClosed;
        m_heap[1] = m_heap[m_openCount];
        m_itemPosition[uint32_t(m_heap[1])] = 1;
        --m_openCount;
        siftDown(1);

        const float currentG = m_g[current];
        for (int32_t j = y - 1; j <= y + 1; ++j) {
            if (j < 0 || j >= m_rows)
                continue;
            for (int32_t k = x - 1; k <= x + 1; ++k) {
                if (k < 0 || k >= m_columns)
                    continue;
                const uint32_t neighbour = cellIndex(k, j);
                if (m_marks[neighbour] == MarkClosed)
                    continue;
                const uint8_t cost = m_cost[neighbour];
                if (cost == Blocked)
                    continue;
                const bool diagonal = k != x && j != y;
                if (diagonal && (m_cost[cellIndex(x, j)] == Blocked || m_cost[cellIndex(k, y)] == Blocked) &&
                    !(cutCorners && cost == 1))
                    continue;
                float step = float(cost) + 1.0f;
                if (diagonal)
                    step *= diagonalFactor;
                const float newG = currentG + step;

                if (m_marks[neighbour] == MarkOpen) {
                    if (m_g[neighbour] > newG) {
                        m_parent[neighbour] = int32_t(current);
                        m_g[neighbour] = newG;
                        const uint32_t item = uint32_t(m_cellItem[neighbour]);
                        m_itemF[item] = newG + m_itemH[item];
                        siftUp(m_itemPosition[item], true);
                    }
                    continue;
                }

                const uint32_t item = uint32_t(++itemCounter);
                const uint32_t position = m_openCount + 1;
                m_heap[position] = int32_t(item);
                m_itemPosition[item] = position;
                m_itemCell[item] = int32_t(neighbour);
                m_cellItem[neighbour] = int32_t(item);
                m_g[neighbour] = newG;
                m_itemH[item] = float(std::abs(k - goalColumn) + std::abs(j - goalRow));
                m_itemF[item] = newG + m_itemH[item];
                m_parent[neighbour] = int32_t(current);
                if (m_openCount >= 1)
                    siftUp(position, false);
                ++m_openCount;
                m_marks[neighbour] = MarkOpen;
            }
        }
        if (m_marks[goal] == MarkOpen)
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
        cell = uint32_t(m_parent[cell]);
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
