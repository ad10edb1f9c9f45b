#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CVector3d.h"
#include "engine/scene/BaseNode.h"

// The outline around a group of buildings: copies of its template child
// "HullElement", laid along the widened, smoothed convex hull of the
// buildings' rectangles and turned along it. The copies live in the child
// "HullElementsHolder" and are reused from one outline to the next.
class GConvexHullNode : public BaseNode {
public:
    static constexpr int32_t TypeId = 2030;

    // The outline's shape; a new hull reads them from the game's GlobalConfig.
    struct Geometry {
        float elementDistance = 15.0f;
        float roundingFactor = 1.0f;
        float buildingsShift = 20.0f;
    };

    GConvexHullNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    // A new detached node (count 1) for the node factory.
    [[nodiscard]] static BaseNode* create(const CObjectName& name);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || id == 0; }

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;
    // Drawn only while visible and while its tint's alpha is above 10.
    void registerForRendering(CArray<CRenderItem>& list) override;
    // Hides the template and makes the element holder.
    void onLoaded() override;

    // Lays the elements around the rectangles of `objects`, in the coordinates
    // of `owner`'s top-left corner (the hull stands at the origin of the
    // owner). Stops early, keeping the previous elements, without an owner,
    // objects or template, or when the outline degenerates to a line.
    void buildAround(const CArray<BaseNode*>& objects, BaseNode* owner);

    [[nodiscard]] BaseNode* getElementHolder() const { return m_holder; }
    void setGeometry(const Geometry& geometry) { m_geometry = geometry; }
    [[nodiscard]] const Geometry& getGeometry() const { return m_geometry; }

    // The steps of the outline, open for tests and tools.
    // Graham scan of `points`; empty for fewer than 3 points.
    [[nodiscard]] static CArray<CVector3d> convexHull(CArray<CVector3d> points);
    // Adds a corner outside each diagonal edge (d away) while the outline
    // still contains `centre`.
    static void addMarginCorners(CArray<CVector3d>& outline, const CVector3d& centre, float d);
    // Drops points whose detour over their neighbours is below `threshold`
    // while 4 points or more remain.
    static void simplify(CArray<CVector3d>& outline, float threshold);
    // Even-odd test; an outline of fewer than 3 points contains nothing.
    [[nodiscard]] static bool contains(const CArray<CVector3d>& outline, float x, float y);
    // Direction of (x, y) in degrees, 0 up to 360.
    [[nodiscard]] static float tangentAngle(float x, float y);

protected:
    ~GConvexHullNode() override = default;
    void onDescendantRemoved(BaseNode* node) override;

private:
    // Owned by the node tree as our child.
    BaseNode* m_holder = nullptr;
    Geometry m_geometry;
};
