#include "game/nodes/GCircularBirdNode.h"

#include "engine/core/CEngineManagers.h"
#include "engine/core/CRandom.h"
#include "engine/core/CString.h"
#include "engine/core/CStringW.h"
#include "engine/core/MathUtils.h"
#include "engine/scene/Animator.h"
#include "engine/scene/CEventManagerAttached.h"
#include "engine/scene/CEventTemplatesChanged.h"
#include "engine/scene/CNodeState.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CPropertyDataFloat.h"
#include "engine/scene/CPropertyDataString.h"
#include "engine/scene/CPropertyDataVector2d.h"
#include "engine/scene/CPropertyTable.h"
#include "engine/scene/PropertyValues.h"
#include "engine/scene/SceneManager.h"
#include "engine/scene/TemplateCollectionNode.h"
#include "game/nodes/GNodeHelpers.h"

#include <cmath>

namespace {

const CName& bodyName() {
    static const CName name("Body");
    return name;
}

CName flapState(CName heading) { return CName(heading.str() + "_Flap"); }

} // namespace

GCircularBirdNode::GCircularBirdNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : BaseNode(contentName, parent, sceneManager) {
    setUpdateInterval(UpdateInterval);
}

GCircularBirdNode::~GCircularBirdNode() { setScheduler(nullptr); }

BaseNode* GCircularBirdNode::create(const CObjectName& name) { return new GCircularBirdNode(name, nullptr, nullptr); }

const CStringW& GCircularBirdNode::getTypeName() const {
    static const CStringW name(u"GCircularBirdNode");
    return name;
}

const CStringW& GCircularBirdNode::getClassName() const { return GCircularBirdNode::getTypeName(); }

const CPropertyTable& GCircularBirdNode::getPropertyTable() const { return propertyTable(); }

const CPropertyTable& GCircularBirdNode::propertyTable() {
    static const CPropertyTable table = [] {
        using N = GCircularBirdNode;
        CPropertyTable t(BaseNode::propertyTable());
        t.add<&N::setBirdTemplateProperty, &N::getBirdTemplateProperty>("BirdTemplateID");
        t.add<&N::setSizeProperty<&N::ellipse1Size>, &N::getSizeProperty<&N::ellipse1Size>>("Ellipse1Size");
        t.add<&N::setSizeProperty<&N::ellipse2Size>, &N::getSizeProperty<&N::ellipse2Size>>("Ellipse2Size");
        t.add<&N::setFloatProperty<&N::angularVelocity1>, &N::getFloatProperty<&N::angularVelocity1>>(
            "AngularVelocity1");
        t.add<&N::setFloatProperty<&N::angularVelocity2>, &N::getFloatProperty<&N::angularVelocity2>>(
            "AngularVelocity2");
        return t;
    }();
    return table;
}

void GCircularBirdNode::setBirdTemplateProperty(const CRefHandle<IPropertyData>& value) {
    setBirdTemplate(getPropertyNameId(value));
}
CRefHandle<IPropertyData> GCircularBirdNode::getBirdTemplateProperty() const {
    return CPropertyDataString::createFromNameId(m_birdTemplateId);
}
template <CVector2d GCircularBirdNode::*Field>
void GCircularBirdNode::setSizeProperty(const CRefHandle<IPropertyData>& value) {
    this->*Field = getPropertyVector2d(value);
}
template <CVector2d GCircularBirdNode::*Field> CRefHandle<IPropertyData> GCircularBirdNode::getSizeProperty() const {
    return CPropertyDataVector2d::create(this->*Field);
}
template <float GCircularBirdNode::*Field>
void GCircularBirdNode::setFloatProperty(const CRefHandle<IPropertyData>& value) {
    this->*Field = getPropertyFloat(value);
}
template <float GCircularBirdNode::*Field> CRefHandle<IPropertyData> GCircularBirdNode::getFloatProperty() const {
    return CPropertyDataFloat::create(this->*Field);
}

void GCircularBirdNode::writeProperties(CPropertyBag& bag) const {
    BaseNode::writeProperties(bag);
    if (!m_birdTemplateId.empty())
        bag.setString("BirdTemplateID", m_birdTemplateId.str());
    if (ellipse1Size.x != 0.0f || ellipse1Size.y != 0.0f)
        bag.setVector2d("Ellipse1Size", ellipse1Size);
    if (ellipse2Size.x != 0.0f || ellipse2Size.y != 0.0f)
        bag.setVector2d("Ellipse2Size", ellipse2Size);
    if (angularVelocity1 != 5.0f)
        bag.setFloat("AngularVelocity1", angularVelocity1);
    if (angularVelocity2 != 5.0f)
        bag.setFloat("AngularVelocity2", angularVelocity2);
}

void GCircularBirdNode::readProperties(const CPropertyBag& bag) {
    BaseNode::readProperties(bag);
    if (bag.indexOf("BirdTemplateID") >= 0)
        setBirdTemplateProperty(bag.get("BirdTemplateID"));
    if (bag.indexOf("Ellipse1Size") >= 0)
        ellipse1Size = getPropertyVector2d(bag.get("Ellipse1Size"));
    if (bag.indexOf("Ellipse2Size") >= 0)
        ellipse2Size = getPropertyVector2d(bag.get("Ellipse2Size"));
    if (bag.indexOf("AngularVelocity1") >= 0)
        angularVelocity1 = getPropertyFloat(bag.get("AngularVelocity1"));
    if (bag.indexOf("AngularVelocity2") >= 0)
        angularVelocity2 = getPropertyFloat(bag.get("AngularVelocity2"));
}

BaseNode* GCircularBirdNode::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<GCircularBirdNode>(parent, sceneManager);
}

void GCircularBirdNode::copyFrom(const BaseNode* source, BaseNode* sceneManager) {
    const uint32_t before = getChildren().size();
    BaseNode::copyFrom(source, sceneManager);
    const GCircularBirdNode* other = nodeCast<GCircularBirdNode>(source);
    if (!other || other == this)
        return;
    dropCopiesOfUnsavedChildren(source, this, before);
    ellipse1Size = other->ellipse1Size;
    ellipse2Size = other->ellipse2Size;
    angle1 = other->angle1;
    angle2 = other->angle2;
    angularVelocity1 = other->angularVelocity1;
    angularVelocity2 = other->angularVelocity2;
    setBirdTemplate(other->m_birdTemplateId);
}

void GCircularBirdNode::resolveBody(TemplateCollectionNode* templates) {
    m_body = CRefHandle<BaseNode>();
    BaseNode* found = templates && !m_birdTemplateId.empty() ? templates->findTemplate(m_birdTemplateId) : nullptr;
    if (BaseNode* body = found ? found->findChild(bodyName(), 1) : nullptr)
        m_body = CRefHandle<BaseNode>::share(body);
    setScheduler(nullptr);
}

void GCircularBirdNode::setBirdTemplate(CName name) {
    m_birdTemplateId = name;
    const SceneManager* manager = getSceneManager();
    resolveBody(manager ? manager->getTemplateCollection() : nullptr);
}

bool GCircularBirdNode::onManagerAttached(CEventManagerAttached* event) {
    const SceneManager* manager = event && event->getManager() ? event->getManager() : getSceneManager();
    resolveBody(manager ? manager->getTemplateCollection() : nullptr);
    return false;
}

bool GCircularBirdNode::onTemplatesChanged(CEventTemplatesChanged* event) {
    if (event && event->getCollection()) {
        resolveBody(event->getCollection());
    } else {
        const SceneManager* manager = getSceneManager();
        resolveBody(manager ? manager->getTemplateCollection() : nullptr);
    }
    return false;
}

void GCircularBirdNode::onDescendantRemoved(BaseNode* node) {
    if (node == m_bird)
        m_bird = nullptr;
}

CVector2d GCircularBirdNode::ellipsePoint(float a1, float a2) const {
    const float r1 = a1 * 0.0174533f;
    const float r2 = a2 * 0.0174533f;
    return CVector2d(ellipse1Size.x * std::cos(r1) + ellipse2Size.x * std::cos(r2),
                     ellipse1Size.y * std::sin(r1) + ellipse2Size.y * std::sin(r2));
}

CRandom& GCircularBirdNode::random() const { return m_random ? *m_random : *CEngineManagers::instance().getRandom(); }

int32_t GCircularBirdNode::nextFlapDelay() const { return int32_t(random().nextFastFloat() * 3000.0f + 4000.0f); }

CName GCircularBirdNode::headingOf(float degrees) {
    static const struct {
        float below;
        CName heading;
    } sectors[] = {
        {15.0f, CName("Right")},   {75.0f, CName("RightUp")},    {105.0f, CName("Up")},
        {165.0f, CName("LeftUp")}, {195.0f, CName("Left")},      {255.0f, CName("LeftDown")},
        {285.0f, CName("Down")},   {345.0f, CName("RightDown")}, {360.0f, CName("Right")},
    };
    if (!(degrees >= 0.0f))
        return CName();
    for (const auto& sector : sectors)
        if (degrees < sector.below)
            return sector.heading;
    return CName();
}

void GCircularBirdNode::registerForRendering(CArray<CRenderItem>& list) {
    BaseNode::registerForRendering(list);
    if (!isVisible() || getScheduler() || !m_body)
        return;
    CUpdateScheduler* scheduler = ownerSceneScheduler(this);
    if (!scheduler)
        return;
    if (m_bird) {
        BaseNode* old = m_bird;
        m_bird = nullptr;
        (void)removeChild(old);
    }
    m_bird = m_body->clone(this, m_body->getSceneManager<BaseNode>());
    if (!m_bird)
        return;
    m_bird->setNotSerialised(true);
    angle1 = random().nextFastFloat() * 360.0f;
    angle2 = random().nextFastFloat() * 360.0f;
    const CVector2d start = ellipsePoint(angle1, angle2);
    m_bird->setPosition(CVector3d(start.x, start.y, 0.0f));
    m_heading = CName();
    m_flapCountdown = nextFlapDelay();
    setScheduler(scheduler);
}

bool GCircularBirdNode::update(uint32_t elapsed) {
    if (!m_bird)
        return false;
    angle1 += float(elapsed) * 0.001f * angularVelocity1;
    angle2 += float(elapsed) * 0.001f * angularVelocity2;
    const CVector2d next = ellipsePoint(angle1, angle2);
    const CVector3d& current = m_bird->getPosition();
    const float mx = next.x - current.x;
    const float my = next.y - current.y;
    // No move at all heads right (a zero of either sign).
    float degrees = mx == 0.0f && my == 0.0f ? 0.0f : std::atan2(-my, mx) * kRadToDeg;
    if (degrees < 0.0f)
        degrees += 360.0f;
    const CName heading = headingOf(degrees < 360.0f ? degrees : 0.0f);
    if (!heading.empty() && heading != m_heading) {
        m_heading = heading;
        const CNodeState* state = m_bird->getCurrentState();
        Animator* key = state ? state->getKey(0) : nullptr;
        if (key && key->getScheduler()) {
            // A flap in progress goes on in the new heading.
            const float time = key->getTime();
            m_bird->setState(flapState(heading), nullptr, CName());
            const CNodeState* flap = m_bird->getCurrentState();
            if (Animator* flapKey = flap ? flap->getKey(0) : nullptr)
                flapKey->apply(int32_t(time), true);
        } else {
            m_bird->setState(heading, nullptr, CName());
        }
    }
    m_bird->setPosition(CVector3d(next.x, next.y, 0.0f));
    if (m_flapCountdown > int64_t(elapsed)) {
        m_flapCountdown -= int32_t(elapsed);
    } else {
        if (!m_heading.empty())
            m_bird->setState(flapState(m_heading), nullptr, CName());
        m_flapCountdown += nextFlapDelay();
    }
    return true;
}
