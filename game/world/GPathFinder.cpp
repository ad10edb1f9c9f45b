#include "game/world/GPathFinder.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <limits>

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
    m_stride = uint32_t(rows) + 2;
    const size_t bordered = (size_t(columns) + 2) * size_t(m_stride);
    m_cost.assign(bordered, Blocked);
    m_marks.assign(bordered, BlockedMark);
    m_cells.assign(bordered, CellState());
    fillCost(0);
    m_heap.assign(size_t(columns) * size_t(rows) + 2, OpenEntry());
}

void GPathFinder::freeArrays() {
    m_columns = 0;
    m_rows = 0;
    m_stride = 0;
    std::vector<uint8_t>().swap(m_cost);
    std::vector<uint16_t>().swap(m_marks);
    std::vector<CellState>().swap(m_cells);
    std::vector<OpenEntry>().swap(m_heap);
    m_openCount = 0;
    m_searchNumber = 0;
}

void GPathFinder::fillCost(uint8_t value) {
    // The border stays blocked.
    for (int32_t column = 0; column < m_columns; ++column)
        for (int32_t row = 0; row < m_rows; ++row)
            storeCost(cellIndex(column, row), value);
}

void GPathFinder::setCost(int32_t column, int32_t row, uint8_t value) {
    if (column >= 0 && row >= 0 && column < m_columns && row < m_rows)
        storeCost(cellIndex(column, row), value);
}

void GPathFinder::storeCost(uint32_t cell, uint8_t value) {
    m_cost[cell] = value;
    uint16_t& mark = m_marks[cell];
    if (value == Blocked)
        mark = BlockedMark;
    else if (mark == BlockedMark)
        mark = 0;
}

uint8_t GPathFinder::getCost(int32_t column, int32_t row) const {
    if (column < 0 || row < 0 || column >= m_columns || row >= m_rows)
        return Blocked;
    return m_cost[cellIndex(column, row)];
}

inline void GPathFinder::place(uint32_t position, const OpenEntry& entry) {
    m_heap[position] = entry;
    m_cells[entry.cell].heapPosition = position;
}

void GPathFinder::siftDown(uint32_t position) {
    // The left child is taken when its f is at most the parent's, the right
    // one when its f is at most the one taken so far: the smaller child (the
    // right one on a tie) moves up while its f is at most the sinking one's.
    // An entry of infinite f past the end stands in for a missing right
    // child, so the choice needs no branch.
    OpenEntry* const heap = m_heap.data();
    const uint32_t count = m_openCount;
    heap[count + 1].f = std::numeric_limits<float>::infinity();
    uint32_t t = position;
    const OpenEntry entry = heap[t];
    for (;;) {
        const uint32_t left = t * 2;
        if (left > count)
            break;
        const uint32_t chosen = left + uint32_t(heap[left + 1].f <= heap[left].f);
        if (!(heap[chosen].f <= entry.f))
            break;
        place(t, heap[chosen]);
        t = chosen;
    }
    place(t, entry);
}

inline void GPathFinder::siftUp(uint32_t position, bool stopAtEqual) {
    // A newly opened cell climbs past parents of equal f; a cell whose f
    // went down stops below them.
    OpenEntry* const heap = m_heap.data();
    uint32_t t = position;
    const OpenEntry entry = heap[t];
    while (t != 1) {
        const float parentF = heap[t / 2].f;
        if (stopAtEqual ? !(parentF > entry.f) : !(parentF >= entry.f))
            break;
        place(t, heap[t / 2]);
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
    // out the marks are cleared once.
    if (++m_searchNumber > LastSearchNumber) {
        for (uint16_t& mark : m_marks)
            if (mark != BlockedMark)
                mark = 0;
        m_searchNumber = 1;
    }
    const uint16_t open = uint16_t(m_searchNumber << 1);
    const uint16_t closed = uint16_t(open | 1u);
    const uint8_t* const costs = m_cost.data();
    uint16_t* const marks = m_marks.data();
    CellState* const cells = m_cells.data();
    OpenEntry* const heap = m_heap.data();
    cells[start].g = 0.0f;
    marks[start] = open;
    m_openCount = 1;
    place(1, OpenEntry{0.0f, start});
    const float diagonalFactor = straighten ? 1.4f : 10.0f;
    const uint32_t stride = m_stride;
    // Coordinates with the border counted, as the cell numbers have them;
    // the distances to the goal are the same.
    const int32_t goalX = goalColumn + 1;
    const int32_t goalY = goalRow + 1;

    for (;;) {
        const uint32_t current = heap[1].cell;
        const int32_t x = int32_t(current / stride);
        const int32_t y = int32_t(current - uint32_t(x) * stride);
        marks[current] = closed;
        if (--m_openCount > 0) {
            place(1, heap[m_openCount + 1]);
            siftDown(1);
        }
        const float currentG = cells[current].g;

        // Neighbour (x + dx, y + dy); the border keeps every one of them
        // inside the arrays, and a border cell is Blocked.
        auto visit = [&](int32_t dx, int32_t dy) {
            const uint32_t neighbour = current + uint32_t(dx * int32_t(stride) + dy);
            uint16_t& mark = marks[neighbour];
            if (mark >= closed)
                return;
            const uint8_t cost = costs[neighbour];
            const bool diagonal = dx != 0 && dy != 0;
            if (diagonal &&
                (costs[current + uint32_t(dy)] == Blocked ||
                 costs[current + uint32_t(dx * int32_t(stride))] == Blocked) &&
                !(cutCorners && cost == 1))
                return;
            float step = float(cost) + 1.0f;
            if (diagonal)
                step *= diagonalFactor;
            const float newG = currentG + step;
            const float h = float(std::abs(x + dx - goalX) + std::abs(y + dy - goalY));

            CellState& state = cells[neighbour];
            if (mark == open) {
                if (state.g > newG) {
                    state.parent = current;
                    state.g = newG;
                    const uint32_t position = state.heapPosition;
                    heap[position].f = newG + h;
                    siftUp(position, true);
                }
                return;
            }

            mark = open;
            state.g = newG;
            state.parent = current;
            const uint32_t position = m_openCount + 1;
            place(position, OpenEntry{newG + h, neighbour});
            if (m_openCount >= 1)
                siftUp(position, false);
            ++m_openCount;
        };
        // Rows y - 1, y, y + 1; in each, columns x - 1, x, x + 1.
        visit(-1, -1);
        visit(0, -1);
        visit(1, -1);
        visit(-1, 0);
        visit(1, 0);
        visit(-1, 1);
        visit(0, 1);
        visit(1, 1);

        if (marks[goal] == open)
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
    auto push = [&](uint32_t cell) {
        const uint32_t x = cell / m_stride;
        path.pushFront(int32_t(x) - 1, int32_t(cell - x * m_stride) - 1);
    };
    uint32_t cell = goal;
    do {
        push(cell);
        cell = m_cells[cell].parent;
    } while (cell != start);
    push(start);
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
