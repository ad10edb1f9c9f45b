#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CColor.h"
#include "engine/scene/BaseNode.h"
#include "engine/video/BatchVertex.h"
#include "engine/video/Material.h"

class CPropertyBag;

// A filled sector of the ellipse inscribed in the node's Bounds, from Angle1
// to Angle2 degrees (0 at the top, clockwise on the screen), in one colour
// without a texture: the income clock's face.
class GEllipseSectorNode : public BaseNode {
public:
    static constexpr int32_t TypeId = 2026;

    GEllipseSectorNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

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

    [[nodiscard]] CColor getFillColor() const { return m_fillColor; }
    void setFillColor(CColor color) { m_fillColor = color; }
    [[nodiscard]] int getAngle1() const { return m_angle1; }
    void setAngle1(int degrees) { m_angle1 = degrees; }
    [[nodiscard]] int getAngle2() const { return m_angle2; }
    void setAngle2(int degrees) { m_angle2 = degrees; }
    [[nodiscard]] int getMaxVerticesCount() const { return m_maxVerticesCount; }
    void setMaxVerticesCount(int count) { m_maxVerticesCount = count; }
    // The fan built by the last render.
    [[nodiscard]] const CArray<BatchVertex>& getVertices() const { return m_vertices; }

protected:
    ~GEllipseSectorNode() override = default;

private:
    void setFillColorProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getFillColorProperty() const;
    void setAngle1Property(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getAngle1Property() const;
    void setAngle2Property(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getAngle2Property() const;
    void setMaxVerticesCountProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getMaxVerticesCountProperty() const;

    CColor m_fillColor{0xFFFFFFFFu};
    int m_angle1 = 0;
    int m_angle2 = 360;
    int m_maxVerticesCount = 32;
    CArray<BatchVertex> m_vertices;
    Material m_material;
};
