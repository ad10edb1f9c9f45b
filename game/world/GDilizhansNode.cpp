#include "game/world/GDilizhansNode.h"

#include "engine/core/CStringW.h"
#include "engine/scene/SceneManager.h"
#include "engine/scene/TemplateCollectionNode.h"
#include "game/config/GlobalConfig.h"
#include "game/config/IGameLevel.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

constexpr float kRightAngle = 1.570796f;
// Milliseconds per second, for the head start's step.
constexpr int32_t kMillisecondsPerSecond = 1000;

CName partBodyName() {
    static const CName name("Body");
    return name;
}

// Adds `body`'s rectangle (its part's Position plus its own, extended by its
// Bounds) to `rect`.
void addBodyRect(const BaseNode* part, const BaseNode* body, CRect& rect, bool& any) {
    if (!part || !body)
        return;
    const float left = part->getPosition().x + body->getPosition().x;
    const float top = part->getPosition().y + body->getPosition().y;
    const CRect bodyRect(left, top, left + body->getBounds().x, top + body->getBounds().y);
    if (!any) {
        rect = bodyRect;
        any = true;
        return;
    }
    rect.left = std::min(rect.left, bodyRect.left);
    rect.top = std::min(rect.top, bodyRect.top);
    rect.right = std::max(rect.right, bodyRect.right);
    rect.bottom = std::max(rect.bottom, bodyRect.bottom);
}

} // namespace

GDilizhansNode::GDilizhansNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : GWorkerNode(contentName, parent, sceneManager) {}

GDilizhansNode::~GDilizhansNode() {
    m_horseBody = nullptr;
    m_cartBody = nullptr;
    m_passengers.clear();
}

BaseNode* GDilizhansNode::create(const CObjectName& name) { return new GDilizhansNode(name, nullptr, nullptr); }

const CStringW& GDilizhansNode::getTypeName() const {
    static const CStringW name(u"GDilizhansNode");
    return name;
}

const CStringW& GDilizhansNode::getClassName() const { return GDilizhansNode::getTypeName(); }

BaseNode* GDilizhansNode::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<GDilizhansNode>(parent, sceneManager);
}

void GDilizhansNode::setLevelScene(IGameLevel* level) {
    GWorkerNode::setLevelScene(level);
    if (!m_horse && !m_cart)
        buildParts();
}

void GDilizhansNode::applyTemplate() {
    GWorkerNode::applyTemplate();
    buildParts();
}

void GDilizhansNode::releaseParts() {
    for (CRefHandle<GCharacterNode>* part : {&m_horse, &m_cart}) {
        if (*part) {
            if (BaseNode* parent = (*part)->getParent())
                (void)parent->removeChild(part->get());
            part->reset();
        }
    }
    m_horseBody = nullptr;
    m_cartBody = nullptr;
}

void GDilizhansNode::buildParts() {
    releaseParts();
    IGameLevel* level = getLevelScene();
    BaseNode* layer = level ? level->getWalkerLayer() : nullptr;
    SceneManager* manager = getSceneManager<SceneManager>();
    if (!layer || !manager)
        return;
    const TemplateCollectionNode* templates = manager->getTemplateCollection();
    static const CName coachName("DilizhansNew");
    const BaseNode* coach = templates ? templates->findChild(coachName, 1) : nullptr;
    if (!coach)
        return;
    static const CName horseName("Horse");
    static const CName cartName("Telega");
    const struct {
        CName name;
        CRefHandle<GCharacterNode>* part;
        BaseNode** body;
    } parts[] = {{horseName, &m_horse, &m_horseBody}, {cartName, &m_cart, &m_cartBody}};
    for (const auto& entry : parts) {
        const BaseNode* source = coach->findChild(entry.name, 1);
        if (!source)
            continue;
        BaseNode* copy = source->clone(layer, manager);
        GCharacterNode* part = nodeCast<GCharacterNode>(copy);
        if (!part) {
            if (copy)
                (void)layer->removeChild(copy);
            continue;
        }
        *entry.part = CRefHandle<GCharacterNode>::share(part);
        *entry.body = part->findChild(partBodyName(), 1);
        part->setVisible(isWalking());
    }
}

void GDilizhansNode::setPartsVisible(bool visible) {
    if (m_horse)
        m_horse->setVisible(visible);
    if (m_cart)
        m_cart->setVisible(visible);
}

CRect GDilizhansNode::getRect() const {
    CRect rect;
    bool any = false;
    addBodyRect(m_horse.get(), m_horseBody, rect, any);
    addBodyRect(m_cart.get(), m_cartBody, rect, any);
    return any ? rect : GWorkerNode::getRect();
}

void GDilizhansNode::smoothCorners(const CArray<CVector2d>& points, CArray<CVector2d>& smoothed) {
    smoothed.clear();
    if (points.empty())
        return;
    smoothed.push_back(points[0]);
    for (uint32_t i = 1; i + 1 < points.size(); ++i) {
        const CVector2d toPrevious = points[i - 1] - points[i];
        const CVector2d toNext = points[i + 1] - points[i];
        const float lengths = toPrevious.length() * toNext.length();
        if (lengths > 0.0f) {
            const float cosine = std::clamp((toPrevious.x * toNext.x + toPrevious.y * toNext.y) / lengths, -1.0f, 1.0f);
            if (std::fabs(std::acos(cosine) - kRightAngle) <= CornerTolerance)
                continue;
        }
        smoothed.push_back(points[i]);
    }
    if (points.size() > 1)
        smoothed.push_back(points[points.size() - 1]);
}

const CArray<int>* GDilizhansNode::partDistances() const {
    const IGameLevel* level = getLevelScene();
    const GlobalConfig* global = level ? level->getGlobalConfig() : nullptr;
    return global ? &global->PartDistance : nullptr;
}

bool GDilizhansNode::setPath(const CArray<CVector2d>& points, bool keepOrder) {
    if (points.size() < 2)
        return GWorkerNode::setPath(points, keepOrder);
    smoothCorners(points, m_smoothed);
    const CArray<int>* distances = partDistances();
    const int64_t headStart = distances && !distances->empty() ? (*distances)[0] : DefaultPartDistance;
    const int32_t velocity = getVelocity();
    const uint32_t step =
        uint32_t(std::clamp<int64_t>(headStart * kMillisecondsPerSecond / velocity / HeadStartSteps, 1, INT_MAX));
    if (m_horse) {
        m_horse->setSpeed(velocity);
        (void)m_horse->setPath(m_smoothed, keepOrder);
        for (int32_t i = 0; i < HeadStartSteps; ++i)
            (void)m_horse->update(step);
    }
    if (m_cart) {
        m_cart->setSpeed(velocity);
        (void)m_cart->setPath(m_smoothed, keepOrder);
    }
    GCharacterNode::setSpeed(velocity);
    const bool started = GCharacterNode::setPath(m_smoothed, keepOrder);
    for (int32_t i = 0; i < HeadStartSteps; ++i)
        (void)update(step);
    return started;
}

void GDilizhansNode::selectWalkAnimations() {
    setWalkAnimations(standardWalkAnimations());
    if (m_horse)
        m_horse->selectWalkAnimations();
    if (m_cart)
        m_cart->selectWalkAnimations();
}

void GDilizhansNode::setSpeed(int32_t speed) {
    GWorkerNode::setSpeed(speed);
    if (m_horse)
        m_horse->setSpeed(speed);
    if (m_cart)
        m_cart->setSpeed(speed);
}

void GDilizhansNode::settlePassengers() {
    for (GWorkerNode* passenger : m_passengers) {
        passenger->clearPath();
        passenger->setJobState(JobIdle);
        passenger->setSource(getSource());
        passenger->setTarget(getTarget());
    }
}

void GDilizhansNode::onPathStarted() {
    settlePassengers();
    GWorkerNode::onPathStarted();
    setPartsVisible(true);
}

void GDilizhansNode::onPathFinished() {
    settlePassengers();
    GWorkerNode::onPathFinished();
    setPartsVisible(false);
}

uint32_t GDilizhansNode::horseStep(uint32_t elapsed, float wanted, float distance, int32_t tolerance) {
    const float gap = wanted - distance;
    if (gap > float(tolerance))
        return elapsed + elapsed / 3; // too close: catch up the distance
    if (gap < -float(tolerance))
        return elapsed - elapsed / 3; // too far ahead
    return elapsed;
}

bool GDilizhansNode::update(uint32_t elapsed) {
    (void)GWorkerNode::update(elapsed);
    if (m_cart)
        (void)m_cart->update(elapsed);
    const CArray<int>* distances = partDistances();
    const int32_t sector = getCurrentDirection();
    if (distances && sector >= 0 && uint32_t(sector) < distances->size() && m_horse && m_cart) {
        const IGameLevel* level = getLevelScene();
        const int32_t tolerance = level->getGlobalConfig()->DilizhansHorseDistanceTolerance;
        const float distance = (m_horse->getPosition() - m_cart->getPosition()).length();
        (void)m_horse->update(horseStep(elapsed, float((*distances)[uint32_t(sector)]), distance, tolerance));
    }
    const int64_t time = int64_t(m_timeSincePassengerLeft) + int64_t(elapsed);
    m_timeSincePassengerLeft = int32_t(std::min<int64_t>(time, INT_MAX));
    return true;
}

void GDilizhansNode::resetSpacing(GWorkerNode* worker) {
    m_timeSincePassengerLeft = 0;
    if (worker && worker->getWorkerConfig())
        m_lastPassengerSpeed = worker->getVelocity();
}

void GDilizhansNode::addPassenger(BaseNode* node) {
    GWorkerNode* worker = nodeCast<GWorkerNode>(node);
    if (worker && worker != this && m_passengers.indexOf(worker) < 0)
        m_passengers.push_back(worker);
}

BaseNode* GDilizhansNode::getPassenger(int index) const {
    return index >= 0 && uint32_t(index) < m_passengers.size() ? m_passengers[uint32_t(index)] : nullptr;
}

void GDilizhansNode::removePassenger(GWorkerNode* worker) {
    const int64_t index = m_passengers.indexOf(worker);
    if (index >= 0)
        m_passengers.erase(uint32_t(index));
}
