#pragma once

#include "engine/core/CColor.h"
#include "engine/scene/BaseNode.h"
#include "engine/video/Material.h"

class CPropertyBag;

// Draws its Bounds as a filled rectangle with a one-pixel border, each in its
// own colour (highlights, shaded panels, frames). A colour with alpha 0 is
// not drawn; the node still takes part in the render list while its tint is
// visible.
class GRectangleNode : public BaseNode {
public:
    static constexpr int32_t TypeId = 2038;

    GRectangleNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

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

    [[nodiscard]] CColor getBorderColor() const { return m_borderColor; }
    void setBorderColor(CColor color) { m_borderColor = color; }
    [[nodiscard]] CColor getFillColor() const { return m_fillColor; }
    void setFillColor(CColor color) { m_fillColor = color; }

protected:
    ~GRectangleNode() override = default;

private:
    void setBorderColorProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getBorderColorProperty() const;
    void setFillColorProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getFillColorProperty() const;

    CColor m_borderColor{0u};
    CColor m_fillColor{0u};
    Material m_material;
};
