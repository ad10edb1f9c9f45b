#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CColor.h"
#include "engine/scene/BaseNode.h"
#include "engine/video/BatchVertex.h"
#include "engine/video/Material.h"

class CPropertyBag;
class CString;

// A closed polygon in the node's local space: an area the level tests points
// against, and the node's own hit area. Its outline is drawn only when
// VisibleInGame is on, with a marker at each vertex when ShowVertices is on.
// Scene files hold the vertices as "x;y,x;y,...".
class GPolygonNode : public BaseNode {
public:
    static constexpr int32_t TypeId = 2027;

    GPolygonNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

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
    // BaseNode's copy, then the vertices, their box and the two switches.
    void copyFrom(const BaseNode* source, BaseNode* sceneManager) override;

    void registerForRendering(CArray<CRenderItem>& list) override;
    void render(IGraphicsDriver* driver, const CRect* clip) override;
    // While Visible: the screen point taken into local space (as it is when
    // the matrix has no inverse), then containsPoint. VisibleInGame and
    // CanBeHit play no part.
    [[nodiscard]] bool hitTest(const CVector3d& point) const override;
    // Also gives every vertex the line colour modulated by the new tint.
    void updateAbsoluteColor() override;

    // Even-odd test of a local point; false below three vertices or outside
    // the vertices' box (points on the box's edge go on to the test).
    [[nodiscard]] bool containsPoint(float x, float y) const;
    // Drops, in order, every vertex whose detour between its neighbours is
    // below `tolerance`, re-testing the previous vertex after each removal;
    // the polygon keeps at least three vertices.
    void optimize(float tolerance);

    // Replaces the vertices by those of the text "x;y,x;y,..." (empty pieces
    // add nothing) and takes their box when there are at least three.
    void setVerticesText(const CString& text);
    // "x;y,..." with every coordinate rounded to a whole number; empty
    // without vertices.
    [[nodiscard]] CString getVerticesText() const;
    [[nodiscard]] const CArray<BatchVertex>& getVertices() const { return m_vertices; }

    [[nodiscard]] bool isVisibleInGame() const { return m_visibleInGame; }
    void setVisibleInGame(bool visible) { m_visibleInGame = visible; }
    [[nodiscard]] bool getShowVertices() const { return m_showVertices; }
    void setShowVertices(bool show) { m_showVertices = show; }
    [[nodiscard]] float getOptimizationTolerance() const { return m_optimizationTolerance; }
    void setOptimizationTolerance(float tolerance) { m_optimizationTolerance = tolerance; }

protected:
    ~GPolygonNode() override = default;

private:
    void setVisibleInGameProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getVisibleInGameProperty() const;
    void setShowVerticesProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getShowVerticesProperty() const;
    void setOptimizationToleranceProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getOptimizationToleranceProperty() const;
    void setOptimizePolygonProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getOptimizePolygonProperty() const;

    CArray<BatchVertex> m_vertices;
    bool m_visibleInGame = false;
    bool m_showVertices = false;
    Material m_material;
    // minX, minY, maxX, maxY of the vertices.
    float m_polygonBounds[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    CColor m_markerColor{0xFF00FF00u};
    CColor m_lineColor{0xFFFFFFFFu};
    float m_optimizationTolerance = 1.0f;
};
