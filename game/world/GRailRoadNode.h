#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CStringW.h"
#include "game/world/GElementHolderNode.h"

#include <cstdint>

class CPropertyBag;
class GTrainNode;
class IContentManager;

// A horizontal strip of track drawn from element sprites of `CellSize`
// width: a left end, middle pieces picked at random among
// `RandomElementsCount` variants, and a right end. Where a road row of the
// level's walk grid ("WGrid" beside the strip's parent) meets the strip, the
// middle piece above the road shows a level crossing. The strip also lists
// the trains on it and can hide itself once the last one has gone.
class GRailRoadNode : public GElementHolderNode {
public:
    static constexpr int32_t TypeId = 2025;
    // Trains enter and leave at the left end, the right end, or either.
    static constexpr int32_t EntryLeft = 0;
    static constexpr int32_t EntryRight = 1;
    static constexpr int32_t EntryEither = 2;
    // How far (scene units) a road cell and an element, or a road row and
    // the strip, may lie apart and still meet.
    static constexpr float CrossingTolerance = 3.0f;
    // Strips longer than this many elements keep this many.
    static constexpr int32_t MaxElements = 4096;

    GRailRoadNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    // A new detached node (count 1) for the node factory.
    [[nodiscard]] static BaseNode* create(const CObjectName& name);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || id == 0; }

    [[nodiscard]] const CPropertyTable& getPropertyTable() const override;
    [[nodiscard]] static const CPropertyTable& propertyTable();
    // Every property is written, defaults too.
    void writeProperties(CPropertyBag& bag) const override;
    // PathToRoadElements is taken as written (no slash clean-up).
    void readProperties(const CPropertyBag& bag) override;

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;
    // BaseNode's copy and, from another strip, CellSize, RandomElementsCount,
    // ShowGrid and the element folder name (not the entry side or trains).
    void copyFrom(const BaseNode* source, BaseNode* sceneManager) override;
    // Makes the element holder, remembers the folder being read and builds
    // the elements.
    void onLoaded() override;

    // Sizes the strip to floor(Bounds width / CellSize) elements, at least
    // two; nothing when it has that many already.
    void rebuildElements();
    // Gives each middle element that has none yet a random straight piece.
    void randomizeElements();
    // Shows a level crossing on the middle element above each road cell of
    // the walk grid row that runs along the strip.
    void placeCrossings();

    void addTrain(GTrainNode* train);
    // Removes the first entry of `train`; an emptied strip that is to hide
    // when empty hides (and forgets that it was to).
    void removeTrain(GTrainNode* train);
    [[nodiscard]] const CArray<GTrainNode*>& getTrains() const { return m_trains; }
    void setHideWhenEmpty(bool hide);
    [[nodiscard]] bool getHideWhenEmpty() const { return m_hideWhenEmpty; }

    [[nodiscard]] int32_t getEntrySide() const { return m_entrySide; }
    void setEntrySide(int32_t side) { m_entrySide = side; }
    [[nodiscard]] float getCellSize() const { return m_cellSize; }
    void setCellSize(float size) { m_cellSize = size; }
    [[nodiscard]] int32_t getRandomElementsCount() const { return m_randomElementsCount; }
    void setRandomElementsCount(int32_t count) { m_randomElementsCount = count; }
    [[nodiscard]] const CStringW& getPathToRoadElements() const { return m_pathToRoadElements; }
    // Stores the folder with '\' turned into '/' and trailing '/' removed.
    void setPathToRoadElements(const CStringW& path);
    [[nodiscard]] bool getShowGrid() const { return m_showGrid; }
    void setShowGrid(bool show) { m_showGrid = show; }
    [[nodiscard]] const CStringW& getElementFolder() const { return m_elementFolder; }

protected:
    ~GRailRoadNode() override;

private:
    void setCellSizeProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getCellSizeProperty() const;
    void setRandomElementsCountProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getRandomElementsCountProperty() const;
    void setPathToRoadElementsProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getPathToRoadElementsProperty() const;
    void setShowGridProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getShowGridProperty() const;

    // Loads `image` (after the element folder) and gives it to `element`;
    // false when it does not load.
    bool loadElementImage(BaseNode* element, const CStringW& image) const;

    int32_t m_entrySide = EntryEither;
    CStringW m_pathToRoadElements;
    CStringW m_elementFolder;
    float m_cellSize = 32.0f;
    int32_t m_randomElementsCount = 2;
    bool m_showGrid = false;
    bool m_hideWhenEmpty = false;
    // No references: trains belong to the level.
    CArray<GTrainNode*> m_trains;
};
