#pragma once

#include "engine/core/CVector2d.h"

#include <cstdint>
#include <vector>

// The cells of a found path, from the start (head) to the goal (tail). A
// doubly linked list whose nodes live in a pool the list keeps: emptying it
// keeps the pool, so a list reused for every search allocates nothing once
// it has held its longest path.
class GPathCellList {
public:
    static constexpr int32_t None = -1;

    struct Node {
        int32_t next = None;
        int32_t previous = None;
        int32_t column = 0;
        int32_t row = 0;
    };

    void clear();
    // Adds the cell in front of the head.
    void pushFront(int32_t column, int32_t row);
    // Unlinks node `index` (a node of this list).
    void remove(int32_t index);

    [[nodiscard]] int32_t head() const { return m_head; }
    [[nodiscard]] int32_t tail() const { return m_tail; }
    [[nodiscard]] uint32_t count() const { return m_count; }
    [[nodiscard]] bool empty() const { return m_count == 0; }
    [[nodiscard]] const Node& node(int32_t index) const { return m_nodes[uint32_t(index)]; }

private:
    std::vector<Node> m_nodes;
    std::vector<int32_t> m_free;
    int32_t m_head = None;
    int32_t m_tail = None;
    uint32_t m_count = 0;
};

// Where a walk grid lies in its scene: the top-left corner of cell (0, 0),
// the cell width and height, and how far each further row is shifted to the
// right.
struct GGridPlacement {
    CVector2d origin;
    CVector2d cellSize;
    float rowShift = 0.0f;
};

struct GGridCell {
    int32_t column = 0;
    int32_t row = 0;
};

// A* search over a grid of cost bytes, addressed [column][row]: 255 blocks
// a cell, 0 is road, any other v makes entering the cell cost v + 1. The
// open list is a binary heap of item numbers; neighbours are taken row
// y - 1, y, y + 1 and in each row column x - 1, x, x + 1; a diagonal step
// may not cut past a blocked cell. The search ends as soon as the goal is
// opened. Every working array is made once by `allocate` and reused, so a
// search allocates nothing.
class GPathFinder {
public:
    static constexpr uint8_t Blocked = 255;
    // The straightening treats every cost above this as a wall.
    static constexpr uint8_t StraightenWallCost = 10;

    GPathFinder() = default;
    GPathFinder(const GPathFinder&) = delete;
    GPathFinder& operator=(const GPathFinder&) = delete;

    // Frees any previous arrays, keeps the sizes and makes every array anew,
    // zero-filled (every cell costs 0). Sizes of 0 or below leave no grid.
    void allocate(int32_t columns, int32_t rows);
    void freeArrays();
    [[nodiscard]] bool hasGrid() const { return !m_cost.empty(); }
    [[nodiscard]] int32_t getColumns() const { return m_columns; }
    [[nodiscard]] int32_t getRows() const { return m_rows; }

    // Sets every cell's cost; nothing without a grid.
    void fillCost(uint8_t value);
    // The cost of a cell inside the grid; writes outside it are ignored and
    // reads answer Blocked.
    void setCost(int32_t column, int32_t row, uint8_t value);
    [[nodiscard]] uint8_t getCost(int32_t column, int32_t row) const;

    // Searches from the start cell to the goal cell. `path` is emptied first
    // and receives the cells from start to goal on success. `straighten`
    // makes a diagonal step cost 1.4 times a straight one (10 times without)
    // and straightens the found path; `cutCorners` lets a diagonal step pass
    // a blocked corner into a cell of cost 1. False for cells outside the
    // grid, the same cell twice, a blocked start or goal, or no way.
    [[nodiscard]] bool search(int32_t startColumn, int32_t startRow, int32_t goalColumn, int32_t goalRow,
                              GPathCellList& path, bool straighten, bool cutCorners);
    // Drops every inner cell that lies on a straight line, clear of cells
    // costing more than StraightenWallCost, between the cells around it.
    void straightenPath(GPathCellList& path) const;

    // The cell of a scene point and the centre of a cell. Both coordinates of
    // a cell are cut toward zero, not floored: a point up to one cell left of
    // or above the grid lands in column or row 0. Level files are laid out
    // with this mapping, so it stays.
    [[nodiscard]] static GGridCell cellOfPoint(const GGridPlacement& grid, const CVector2d& point);
    [[nodiscard]] static CVector2d pointOfCell(const GGridPlacement& grid, int32_t column, int32_t row);

private:
    // A cell's mark tells whether the running search has seen it: (search
    // number << 1) when open, | 1 when closed; marks of earlier searches
    // are smaller, so a search starts without clearing them. A blocked
    // cell's mark is BlockedMark, above every search's marks, so one test
    // skips closed and blocked cells alike. Marks are 16 bits to keep the
    // cells a search looks at within few cache lines; when the search
    // numbers run out the marks are cleared once.
    static constexpr uint16_t BlockedMark = 0xFFFFu;
    static constexpr uint32_t LastSearchNumber = 0x7FFEu;

    // What a search knows of a cell it opened: the best g so far, the cell
    // it was reached from and its place in the open list while open.
    struct CellState {
        float g = 0.0f;
        uint32_t parent = 0;
        uint32_t heapPosition = 0;
    };
    // An open-list entry: the cell and its f = g + h.
    struct OpenEntry {
        float f = 0.0f;
        uint32_t cell = 0;
    };

    // The cells are kept with a border one cell wide on every side whose
    // cost is Blocked, so a neighbour never needs a bounds check; cell
    // (column, row) is at (column + 1) * m_stride + row + 1.
    [[nodiscard]] uint32_t cellIndex(int32_t column, int32_t row) const {
        return uint32_t(column + 1) * m_stride + uint32_t(row + 1);
    }
    // Writes a cost and keeps the cell's BlockedMark in step with it.
    void storeCost(uint32_t cell, uint8_t value);
    void place(uint32_t position, const OpenEntry& entry);
    void siftDown(uint32_t position);
    void siftUp(uint32_t position, bool stopAtEqual);
    void buildPath(uint32_t start, uint32_t goal, GPathCellList& path) const;

    int32_t m_columns = 0;
    int32_t m_rows = 0;
    // Rows + 2: the distance between two neighbouring columns.
    uint32_t m_stride = 0;
    // Per cell with the border, [column][row] flattened.
    std::vector<uint8_t> m_cost;
    std::vector<uint16_t> m_marks;
    std::vector<CellState> m_cells;
    // The open list as a binary heap from position 1; it holds every cell
    // plus two entries, so no search overflows it.
    std::vector<OpenEntry> m_heap;
    uint32_t m_openCount = 0;
    uint32_t m_searchNumber = 0;
};
