#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CColor.h"
#include "engine/nodes/ProgressBarNode.h"
#include "engine/video/BatchVertex.h"
#include "engine/video/Material.h"

class CPropertyBag;

// A progress bar drawn as a pie in the ellipse inscribed in its Bounds: it
// fills clockwise from twelve o'clock as Value grows, in one colour without
// a texture. A bar whose MaxValue is not above MinValue draws nothing.
class GEllipseProgressBarNode : public BaseProgressBarNode {
public:
    static constexpr int32_t TypeId = 2032;

    GEllipseProgressBarNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    // A new detached node (count 1) for the node factory.
    [[nodiscard]] static BaseNode* create(const CObjectName& name);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || BaseProgressBarNode::isKindOf(id); }

    // The bar's table and FillColor; MaxVerticesCount lives in scene files only.
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
    [[nodiscard]] int getMaxVerticesCount() const { return m_maxVerticesCount; }
    void setMaxVerticesCount(int count) { m_maxVerticesCount = count; }
    // The fan built by the last render.
    [[nodiscard]] const CArray<BatchVertex>& getVertices() const { return m_vertices; }

protected:
    ~GEllipseProgressBarNode() override = default;

private:
    void setFillColorProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getFillColorProperty() const;

    CColor m_fillColor{0xFFFFFFFFu};
    int m_maxVerticesCount = 32;
    CArray<BatchVertex> m_vertices;
    Material m_material;
};
