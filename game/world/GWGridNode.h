#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CStringW.h"
#include "engine/core/CVector2d.h"
#include "engine/video/Material.h"
#include "game/world/GElementHolderNode.h"
#include "game/world/GPathFinder.h"

#include <cstdint>
#include <vector>

class CPropertyBag;
class IContentManager;
class IReadableFile;
class IWritableFile;
class SpriteNode;

// The road map of a level: a grid of cells over the node's Bounds, one byte
// per cell (0 road, anything else no road, 255 as read when no record names
// the cell), kept row by row. Every road cell carries a road tile sprite
// chosen by which of its four neighbours are road too. The cells come from
// "wgrid.bin" beside the scene file when the node is loaded, and go back
// there (with the picture "road.png") when the node is written.
//
// Each further row lies `Skew` / rows units further right than the one
// above it; cell (c, r) spans x from w * c + rowShift * r and y from h * r
// relative to the node's Position.
class GWGridNode : public GElementHolderNode {
public:
    static constexpr int32_t TypeId = 2024;
    static constexpr uint8_t RoadCell = 0;
    static constexpr uint8_t NoRoadCell = 255;
    static constexpr int32_t MaxSkew = 500;
    // Grids larger than this (a tiny CellSize over large Bounds) are refused
    // whole: no level comes near it, and the path search keeps several
    // arrays per cell.
    static constexpr int32_t MaxCells = 1 << 20;
    // Largest side of the road picture, in pixels.
    static constexpr int32_t MaxPictureSide = 16384;
    // The file names a cell by one byte of row and one of column.
    static constexpr int32_t MaxFileCoordinate = 255;

    GWGridNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    // A new detached node (count 1) for the node factory.
    [[nodiscard]] static BaseNode* create(const CObjectName& name);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || id == 0; }

    [[nodiscard]] const CPropertyTable& getPropertyTable() const override;
    [[nodiscard]] static const CPropertyTable& propertyTable();
    // Every property is written, defaults too; then "wgrid.bin" and
    // "road.png" are saved beside the scene file.
    void writeProperties(CPropertyBag& bag) const override;
    // Skew and PathToRoadElements are taken as written (no clamping, no
    // slash clean-up).
    void readProperties(const CPropertyBag& bag) override;

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;
    // BaseNode's copy and, from another grid, CellSize, Skew, ShowGrid, the
    // tile folder and the cells. The tiles are not copied: onLoaded lays them.
    void copyFrom(const BaseNode* source, BaseNode* sceneManager) override;
    // Builds the cells (from "wgrid.bin" when there is one) and lays the tiles.
    void onLoaded() override;

    // The grid lines, only while the overlay is switched on.
    void render(IGraphicsDriver* driver, const CRect* clip) override;

    [[nodiscard]] const CVector2d& getCellSize() const { return m_cellSize; }
    void setCellSize(const CVector2d& size) { m_cellSize = size; }
    [[nodiscard]] int32_t getSkew() const { return m_skew; }
    // Clamps to -MaxSkew..MaxSkew, recomputes the row shift and lays the
    // tiles again.
    void setSkew(int32_t skew);
    [[nodiscard]] float getRowShift() const { return m_rowShift; }
    [[nodiscard]] const CStringW& getPathToRoadElements() const { return m_pathToRoadElements; }
    // Stores the folder with '\' turned into '/' and trailing '/' removed.
    void setPathToRoadElements(const CStringW& path);
    [[nodiscard]] bool getShowGrid() const { return m_showGrid; }
    void setShowGrid(bool show) { m_showGrid = show; }
    [[nodiscard]] int32_t getOverlayFlag() const { return m_overlayFlag; }
    void setOverlayFlag(int32_t flag) { m_overlayFlag = flag; }

    [[nodiscard]] int32_t getColumns() const { return m_columns; }
    [[nodiscard]] int32_t getRows() const { return m_rows; }
    [[nodiscard]] const CArray<CArray<uint8_t>>& getCells() const { return m_cells; }
    // The stored byte, or NoRoadCell outside the grid.
    [[nodiscard]] uint8_t getCell(int32_t column, int32_t row) const;
    // Inside the grid only; for the level editing set-up and tests.
    void setCell(int32_t column, int32_t row, uint8_t value);
    [[nodiscard]] bool isRoadCell(int32_t column, int32_t row) const;
    // Position, cell size and row shift, for the point/cell mapping.
    [[nodiscard]] GGridPlacement getPlacement() const;

    // The tile on a cell, or null. The holder owns the tiles.
    [[nodiscard]] SpriteNode* getTile(int32_t column, int32_t row) const;
    // The node that holds the tiles. Null before onLoaded.
    [[nodiscard]] BaseNode* getTileHolder() const { return getElementHolder(); }
    // The image of each neighbour pattern 0..15 as built by onLoaded.
    [[nodiscard]] const CArray<CStringW>& getTileImages() const { return m_tileImages; }

    // Reads "wgrid.bin" records from `file` into `cells` (rows x columns,
    // row by row). A negative count reads as 0; a count the file cannot
    // hold is refused before anything is read; the first short read ends
    // the reading; records naming a cell outside the grid are passed over
    // (one log line). False, with one log line, when the file is refused.
    [[nodiscard]] static bool readWGrid(IReadableFile& file, CArray<CArray<uint8_t>>& cells, int32_t columns,
                                        int32_t rows);
    // Writes every road cell of `cells` as a record; cells whose row or
    // column does not fit a byte are left out (one log line). False when a
    // write fails.
    [[nodiscard]] static bool writeWGrid(IWritableFile& file, const CArray<CArray<uint8_t>>& cells);
    // Writes "wgrid.bin" in the folder of the scene file being written
    // (the top of the content manager's folder stack).
    void saveWGridToFile() const;
    // Writes "road.png" there: the tiles over a picture the size of the "Bg"
    // sprite beside the grid. Nothing without a content manager, a parent
    // or that sprite.
    void saveRoadPicture() const;

protected:
    ~GWGridNode() override;

private:
    void setCellSizeProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getCellSizeProperty() const;
    void setSkewProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getSkewProperty() const;
    void setPathToRoadElementsProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getPathToRoadElementsProperty() const;
    void setShowGridProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getShowGridProperty() const;

    // The folder of the file being read or written (its directory part,
    // ending in a separator), or empty.
    [[nodiscard]] CStringW sceneFolder() const;
    void readWGridFile();
    void layTiles();
    void removeAllTiles();
    void placeTile(int32_t column, int32_t row);
    [[nodiscard]] CStringW tileImage(int32_t pattern) const;
    void loadTileImage(SpriteNode* tile, int32_t pattern) const;

    CVector2d m_cellSize{20.0f, 20.0f};
    CArray<CArray<uint8_t>> m_cells;
    int32_t m_overlayFlag = 0;
    Material m_overlayMaterial;
    bool m_showGrid = true;
    CStringW m_pathToRoadElements;
    // The scene file the grid was read from (a copy keeps its source's): the
    // tile pictures' names are relative to it.
    CStringW m_elementFolder;
    CArray<CStringW> m_tileImages;
    // rows x columns, row by row; no references (the holder owns the tiles).
    std::vector<SpriteNode*> m_tiles;
    int32_t m_columns = 0;
    int32_t m_rows = 0;
    int32_t m_skew = 0;
    float m_rowShift = 0.0f;
};
