#include "game/nodes/GConvexHullNode.h"

#include "engine/nodes/SpriteNode.h"
#include "engine/scene/ControlNode.h"
#include "game/app/GGameApplication.h"
#include "game/config/GlobalConfig.h"
#include "game/nodes/GSpline.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float kDegrees = 57.29577951308232f;
constexpr float kEpsilon = 1e-6f;

const CName& templateName() {
    static const CName name("HullElement");
    return name;
}

const CName& holderName() {
    static const CName name("HullElementsHolder");
    return name;
}

// Direction from the pivot with y pointing up, 0 to 360 degrees.
float screenAngle(float dx, float dy) {
    float angle = std::atan2(-dy, dx) * kDegrees;
    if (angle < 0.0f)
        angle += 360.0f;
    return std::clamp(angle, 0.0f, 360.0f);
}

// The size the rectangles of a building are taken from: its template's when
// it has one.
CVector3d footprint(const BaseNode* node) {
    if (const ControlNode* control = nodeCast<ControlNode>(node))
        if (const ControlNode* root = control->getTemplateRoot())
            return root->getBounds();
    return node->getBounds();
}

float distance(const CVector3d& a, const CVector3d& b) {
    const float dx = a.x - b.x;
    const float dy = a.y - b.y;
    return std::sqrt(dx * dx + dy * dy);
}

} // namespace

GConvexHullNode::GConvexHullNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : BaseNode(contentName, parent, sceneManager) {
    const GGameApplication* game = GGameApplication::instance();
    if (const GlobalConfig* config = game ? game->getGlobalConfig() : nullptr)
        m_geometry = {config->DistanceBetweenElementsInServeAreaHull, config->ServeAreaSplineRoundingFactor,
                      config->ServeAreaBuildingsShift};
}

BaseNode* GConvexHullNode::create(const CObjectName& name) { return new GConvexHullNode(name, nullptr, nullptr); }

const CStringW& GConvexHullNode::getTypeName() const {
    static const CStringW name(u"GConvexHullNode");
    return name;
}

const CStringW& GConvexHullNode::getClassName() const { return GConvexHullNode::getTypeName(); }

BaseNode* GConvexHullNode::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<GConvexHullNode>(parent, sceneManager);
}

void GConvexHullNode::registerForRendering(CArray<CRenderItem>& list) {
    if (!isVisible() || getTintColor().alpha() <= 10)
        return;
    BaseNode::registerForRendering(list);
}

void GConvexHullNode::onLoaded() {
    if (BaseNode* element = findChild(templateName(), 1))
        element->setVisible(false);
    // A copy brings the source's holder along; its elements are rebuilt.
    while (BaseNode* old = findChild(holderName(), 1))
        (void)removeChild(old);
    auto* holder = new BaseNode(CObjectName(), this, nullptr);
    holder->setName(holderName());
    holder->setVisible(true);
    holder->setCanBeHit(false);
    // Set after attaching: the holder stays in the children list (drawn and
    // released with the hull) but scene files leave it out.
    holder->setNotSerialised(true);
    m_holder = holder;
    holder->release();
}

void GConvexHullNode::onDescendantRemoved(BaseNode* node) {
    if (node == m_holder)
        m_holder = nullptr;
}

CArray<CVector3d> GConvexHullNode::convexHull(CArray<CVector3d> points) {
    CArray<CVector3d> hull;
    if (points.size() < 3)
        return hull;
    uint32_t best = 0;
    for (uint32_t i = 1; i < points.size(); ++i) {
        const CVector3d& p = points[i];
        const CVector3d& b = points[best];
        if (p.y > b.y || (std::fabs(p.y - b.y) <= kEpsilon && p.x < b.x))
            best = i;
    }
    const CVector3d pivot = points[best];
    points[best] = points[points.size() - 1];
    points.pop_back();

    struct Keyed {
        CVector3d point;
        float angle;
        float distance;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(points.size());
    for (const CVector3d& p : points) {
        const float dx = p.x - pivot.x;
        const float dy = p.y - pivot.y;
        keyed.push_back({p, screenAngle(dx, dy), dx * dx + dy * dy});
    }
    // Equal angles: the point nearer to the pivot first, so that the scan
    // drops it as collinear.
    std::make_heap(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        if (a.angle != b.angle)
            return a.angle < b.angle;
        if (std::fabs(a.point.x - b.point.x) <= kEpsilon && std::fabs(a.point.y - b.point.y) <= kEpsilon)
            return false;
        return a.distance < b.distance;
    });
    std::sort_heap(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        if (a.angle != b.angle)
            return a.angle < b.angle;
        if (std::fabs(a.point.x - b.point.x) <= kEpsilon && std::fabs(a.point.y - b.point.y) <= kEpsilon)
            return false;
        return a.distance < b.distance;
    });

    CArray<CVector3d> stack;
    stack.push_back(pivot);
    stack.push_back(keyed[0].point);
    for (uint32_t i = 1; i < keyed.size(); ++i) {
        const CVector3d& g = keyed[i].point;
        while (stack.size() >= 2) {
            const CVector3d& t = stack[stack.size() - 1];
            const CVector3d& b = stack[stack.size() - 2];
            const float cross = (g.y - b.y) * (t.x - b.x) - (t.y - b.y) * (g.x - b.x);
            if (cross < -kEpsilon)
                break;
            stack.pop_back();
        }
        stack.push_back(g);
    }
    for (uint32_t i = stack.size(); i-- > 0;)
        hull.push_back(stack[i]);
    return hull;
}

bool GConvexHullNode::contains(const CArray<CVector3d>& outline, float x, float y) {
    const uint32_t n = outline.size();
    if (n < 3)
        return false;
    bool inside = false;
    for (uint32_t k = 0, j = n - 1; k < n; j = k++) {
        const CVector3d& a = outline[k];
        const CVector3d& b = outline[j];
        if ((y < a.y) != (y < b.y) && x < a.x + (y - a.y) * (b.x - a.x) / (b.y - a.y))
            inside = !inside;
    }
    return inside;
}

void GConvexHullNode::addMarginCorners(CArray<CVector3d>& outline, const CVector3d& centre, float d) {
    if (outline.size() < 2)
        return;
    static constexpr float kBounds[] = {10, 80, 100, 170, 190, 260, 280, 350, 360};
    const CArray<CVector3d> edges = outline;
    // Each inserted corner shifts the later points by one.
    uint32_t inserted = 0;
    for (uint32_t e = 0; e < edges.size(); ++e) {
        const CVector3d& r = edges[e];
        const CVector3d& q = edges[(e + 1) % edges.size()];
        const float angle = screenAngle(q.x - r.x, q.y - r.y);
        int sector = -1;
        for (int s = 0; s < int(std::size(kBounds)); ++s)
            if (kBounds[s] > angle) {
                sector = s;
                break;
            }
        CVector3d corner;
        switch (sector) {
        case 1: corner = {q.x - d, r.y - d, 0.0f}; break;
        case 5: corner = {q.x + d, r.y + d, 0.0f}; break;
        case 3: corner = {r.x - d, q.y + d, 0.0f}; break;
        case 7: corner = {r.x + d, q.y - d, 0.0f}; break;
        default: continue;
        }
        const uint32_t at = e + inserted + 1;
        outline.insert(corner, at);
        if (contains(outline, centre.x, centre.y))
            ++inserted;
        else
            outline.erase(at);
    }
}

void GConvexHullNode::simplify(CArray<CVector3d>& outline, float threshold) {
    uint32_t k = 0;
    while (outline.size() >= 4 && k < outline.size()) {
        const uint32_t n = outline.size();
        const CVector3d& a = outline[k];
        const CVector3d& b = outline[(k + 1) % n];
        const CVector3d& c = outline[(k + 2) % n];
        if (distance(a, b) + distance(b, c) - distance(a, c) < threshold) {
            outline.erase((k + 1) % n);
            if (k > 0)
                --k;
        } else {
            ++k;
        }
    }
}

float GConvexHullNode::tangentAngle(float x, float y) {
    if (x == 0.0f)
        return y < 0.0f ? 270.0f : 90.0f;
    if (y == 0.0f)
        return x < 0.0f ? 180.0f : 0.0f;
    if (x > 0.0f && y > 0.0f)
        return std::atan(y / x) * kDegrees;
    if (x < 0.0f && y > 0.0f)
        return 180.0f - std::atan(y / -x) * kDegrees;
    if (x < 0.0f)
        return 180.0f + std::atan(y / x) * kDegrees;
    return 360.0f - std::atan(y / -x) * kDegrees;
}

void GConvexHullNode::buildAround(const CArray<BaseNode*>& objects, BaseNode* owner) {
    BaseNode* element = findChild(templateName(), 1);
    if (!owner || objects.empty() || !element || !m_holder)
        return;
    setPosition(CVector3d(0.0f, 0.0f, 0.0f));

    CArray<CVector3d> corners;
    for (const BaseNode* o : objects) {
        if (!o)
            continue;
        const float x0 = o->getPosition().x - o->getPivotPoint().x;
        const float y0 = o->getPosition().y - o->getPivotPoint().y;
        const CVector3d size = footprint(o);
        corners.push_back({x0, y0, 0.0f});
        corners.push_back({x0 + size.x, y0 + size.y, 0.0f});
        corners.push_back({x0 + size.x, y0, 0.0f});
        corners.push_back({x0, y0 + size.y, 0.0f});
    }
    CArray<CVector3d> outline = convexHull(corners);
    if (outline.size() <= 2)
        return;

    const float d = m_geometry.buildingsShift;
    const CVector3d ownerSize = footprint(owner);
    const float ownerX = owner->getPosition().x - owner->getPivotPoint().x;
    const float ownerY = owner->getPosition().y - owner->getPivotPoint().y;
    addMarginCorners(outline, {ownerX + ownerSize.x * 0.5f, ownerY + ownerSize.y * 0.5f, 0.0f}, d);
    simplify(outline, d * 0.5f);
    if (outline.size() <= 2)
        return;

    float left = outline[0].x;
    float right = outline[0].x;
    for (const CVector3d& p : outline) {
        left = std::min(left, p.x);
        right = std::max(right, p.x);
    }
    // A zero-width owner would divide by zero: its outline stays as tight as
    // the rounding factor alone makes it.
    const float spread = ownerSize.x > 0.0f ? (right - left) / (ownerSize.x * 5.0f) : 0.0f;

    GSpline spline;
    for (const CVector3d& p : outline)
        spline.addPoint({p.x, p.y});
    spline.addPoint({outline[0].x, outline[0].y});
    spline.setTightness(m_geometry.roundingFactor + spread);
    spline.smooth(m_geometry.elementDistance);
    if (spline.getPointCount() <= 2)
        return;
    const uint32_t n = spline.getPointCount() - 1;

    while (m_holder->getChildren().size() > n)
        (void)m_holder->removeChild(m_holder->getChildren()[m_holder->getChildren().size() - 1]);
    while (m_holder->getChildren().size() < n) {
        BaseNode* copy = element->clone(m_holder, getSceneManager<BaseNode>());
        copy->setVisible(true);
        copy->setCanBeHit(false);
        if (auto* sprite = nodeCast<SpriteNode>(copy))
            sprite->setBatched(true);
    }

    float z = 800.123f;
    for (uint32_t i = 0; i < n; ++i) {
        BaseNode* child = m_holder->getChildren()[i];
        const CVector2d p = spline.getPoint(i);
        const CVector2d t = spline.getTangent(i);
        child->setPosition({p.x - ownerX, p.y - ownerY, z});
        child->setRotation({0.0f, 0.0f, tangentAngle(t.x, t.y)});
        z += 0.001f;
    }
}
