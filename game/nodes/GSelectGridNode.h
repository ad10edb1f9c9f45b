#pragma once

#include "engine/core/CColor.h"
#include "engine/core/CVector2d.h"
#include "engine/scene/BaseNode.h"
#include "engine/video/Material.h"

class CPropertyBag;

// Fills its Bounds with one colour. Its grid colour and cell size are kept
// in the scene file for the editors that lay out selection grids; they do
// not change the drawing.
class GSelectGridNode : public BaseNode {
public:
    static constexpr int32_t TypeId = 2037;

    GSelectGridNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    // A new detached node (count 1) for the node factory.
    [[nodiscard]] static BaseNode* create(const CObjectName& name);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || id == 0; }

    [[nodiscard]] const CPropertyTable& getPropertyTable() const override;
    [[nodiscard]] static const CPropertyTable& propertyTable();
    void writeProperties(CPropertyBag& bag) const override;
    void readProperties(const CPropertyBag& bag) override;

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;
    void copyFrom(const BaseNode* source, BaseNode* sceneManager) override;

    void registerForRendering(CArray<CRenderItem>& list) override;
    void render(IGraphicsDriver* driver, const CRect* clip) override;

    [[nodiscard]] CColor getGridColor() const { return m_gridColor; }
    // The colour setters mark the node's colour for update.
    void setGridColor(CColor color);
    [[nodiscard]] CColor getFillColor() const { return m_fillColor; }
    void setFillColor(CColor color);
    [[nodiscard]] const CVector2d& getCellSize() const { return m_cellSize; }
    void setCellSize(const CVector2d& size) { m_cellSize = size; }

protected:
    ~GSelectGridNode() override = default;

private:
    void setGridColorProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getGridColorProperty() const;
    void setFillColorProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getFillColorProperty() const;
    void setCellSizeProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getCellSizeProperty() const;

    CColor m_gridColor{0u};
    CColor m_fillColor{0u};
    CVector2d m_cellSize{40.0f, 40.0f};
    Material m_material;
};
