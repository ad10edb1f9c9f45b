#include "game/world/GCharacterNode.h"

#include "engine/core/CStringW.h"
#include "engine/core/CUpdateScheduler.h"
#include "game/config/IGameLevel.h"

#include <cmath>

namespace {

constexpr float kDepthPerX = 0.0001f;
constexpr float kDegreesPerRadian = 57.29578f;
// Upper bounds of the sectors, in degrees.
constexpr float kSectorBounds[GCharacterNode::SectorCount] = {22.5f,  67.5f,  112.5f, 157.5f, 202.5f,
                                                              247.5f, 292.5f, 337.5f, 360.0f};

} // namespace

GCharacterNode::GCharacterNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : GObjectNode(contentName, parent, sceneManager) {}

GCharacterNode::~GCharacterNode() { m_path.clear(); }

BaseNode* GCharacterNode::create(const CObjectName& name) { return new GCharacterNode(name, nullptr, nullptr); }

const CStringW& GCharacterNode::getTypeName() const {
    static const CStringW name(u"GCharacterNode");
    return name;
}

const CStringW& GCharacterNode::getClassName() const { return GCharacterNode::getTypeName(); }

BaseNode* GCharacterNode::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<GCharacterNode>(parent, sceneManager);
}

void GCharacterNode::copyFrom(const BaseNode* source, BaseNode* sceneManager) {
    GObjectNode::copyFrom(source, sceneManager);
    const GCharacterNode* character = nodeCast<GCharacterNode>(source);
    if (character && character != this)
        m_speed = character->m_speed;
}

void GCharacterNode::setLevelScene(IGameLevel* level) {
    GObjectNode::setLevelScene(level);
    CUpdateScheduler* scheduler = level ? level->getUpdateScheduler() : nullptr;
    if (scheduler && getScheduler() != scheduler)
        setScheduler(scheduler);
}

bool GCharacterNode::update(uint32_t elapsed) {
    walk(elapsed);
    return true;
}

CRect GCharacterNode::getRect() const {
    const CVector3d& position = getPosition();
    return CRect(position.x, position.y, position.x + getBounds().x, position.y + getBounds().y);
}

const CName* GCharacterNode::standardWalkAnimations() {
    static const CName table[SectorCount] = {
        CName("MoveRight"),    CName("MoveRightUp"), CName("MoveUp"),        CName("MoveLeftUp"), CName("MoveLeft"),
        CName("MoveLeftDown"), CName("MoveDown"),    CName("MoveRightDown"), CName("MoveRight"),
    };
    return table;
}

CName GCharacterNode::standAnimation() {
    static const CName stand("Stand");
    return stand;
}

void GCharacterNode::selectWalkAnimations() { m_walkAnimations = standardWalkAnimations(); }

int32_t GCharacterNode::directionSector(const CVector2d& vector) {
    float angle = std::atan2(-vector.y, vector.x);
    if (angle < 0.0f)
        angle += float(kTwoPi);
    float degrees = angle * kDegreesPerRadian;
    if (degrees < 0.0f)
        degrees = 0.0f;
    if (degrees > 360.0f)
        degrees = 360.0f;
    for (int32_t i = 0; i < SectorCount; ++i) {
        if (kSectorBounds[i] > degrees)
            return i;
    }
    return -1;
}

void GCharacterNode::faceDirection(const CVector2d& vector) {
    if (!m_walkAnimations)
        return;
    m_currentDirection = directionSector(vector);
    if (m_currentDirection < 0 || m_currentDirection >= SectorCount)
        return;
    const CName animation = m_walkAnimations[m_currentDirection];
    if (animation == m_currentAnimation)
        return;
    m_currentAnimation = animation;
    applyStateRecursive(animation, nullptr);
}

void GCharacterNode::placeAt(const CVector2d& point) {
    setPosition({point.x, point.y, point.y + point.x * kDepthPerX + getBounds().y});
}

bool GCharacterNode::setPath(const CArray<CVector2d>& points, bool keepOrder) {
    // The next turn applies its animation again.
    m_currentAnimation = CName();
    if (points.size() < 2) {
        onPathStarted();
        onPathFinished();
        return false;
    }
    m_path.clear();
    m_path.reserve(points.size());
    if (keepOrder) {
        for (const CVector2d& point : points)
            m_path.push_back(point);
    } else {
        for (uint32_t i = points.size(); i > 0; --i)
            m_path.push_back(points[i - 1]);
    }
    m_travelled = 0.0f;
    const uint32_t last = m_path.size() - 1;
    placeAt(m_path[last]);
    faceDirection(m_path[last - 1] - m_path[last]);
    onPathStarted();
    return true;
}

bool GCharacterNode::moveTo(const CVector2d& from, const CVector2d& to, bool straighten) {
    selectWalkAnimations();
    CArray<CVector2d> points;
    if (IGameLevel* level = getLevelScene())
        (void)level->findPath(from, to, points, straighten);
    return setPath(points, true);
}

void GCharacterNode::walk(uint32_t elapsed) {
    if (m_path.size() < 2)
        return;
    m_travelled += float(elapsed) * 0.001f * float(m_speed);
    for (;;) {
        const CVector2d& from = m_path[m_path.size() - 1];
        const CVector2d& to = m_path[m_path.size() - 2];
        const float length = (to - from).length();
        if (m_travelled < length) {
            CVector2d direction = to - from;
            direction.normalize();
            placeAt(from + direction * m_travelled);
            return;
        }
        m_travelled -= length;
        m_path.erase(m_path.size() - 1);
        if (m_path.size() < 2) {
            placeAt(m_path[0]);
            stop();
            return;
        }
        faceDirection(m_path[m_path.size() - 2] - m_path[m_path.size() - 1]);
    }
}

void GCharacterNode::stop() {
    m_path.clear();
    m_currentAnimation = standAnimation();
    applyStateRecursive(m_currentAnimation, nullptr);
    onPathFinished();
}
