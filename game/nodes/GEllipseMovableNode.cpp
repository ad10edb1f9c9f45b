#include "game/nodes/GEllipseMovableNode.h"

#include "engine/core/CEngineManagers.h"
#include "engine/core/CRandom.h"
#include "engine/core/CStringW.h"
#include "engine/core/MathUtils.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CPropertyDataInt.h"
#include "engine/scene/CPropertyTable.h"
#include "engine/scene/PropertyValues.h"
#include "game/nodes/GNodeHelpers.h"

#include <cmath>

namespace {

bool writtenAngle(int32_t value) { return value > 0 && value <= 360; }

} // namespace

GEllipseMovableNode::GEllipseMovableNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : BaseNode(contentName, parent, sceneManager) {
    setUpdateInterval(UpdateInterval);
    // It schedules itself each time the walk reaches it, hidden or not.
    setRegistersWhileHidden(true);
}

GEllipseMovableNode::~GEllipseMovableNode() { setScheduler(nullptr); }

BaseNode* GEllipseMovableNode::create(const CObjectName& name) {
    return new GEllipseMovableNode(name, nullptr, nullptr);
}

const CStringW& GEllipseMovableNode::getTypeName() const {
    static const CStringW name(u"GEllipseMovableNode");
    return name;
}

const CStringW& GEllipseMovableNode::getClassName() const { return GEllipseMovableNode::getTypeName(); }

const CPropertyTable& GEllipseMovableNode::getPropertyTable() const { return propertyTable(); }

const CPropertyTable& GEllipseMovableNode::propertyTable() {
    static const CPropertyTable table = [] {
        using N = GEllipseMovableNode;
        CPropertyTable t(BaseNode::propertyTable());
        t.add<&N::setIntProperty<&N::m_ellipseSizeX>, &N::getIntProperty<&N::m_ellipseSizeX>>("EllipseSizeX");
        t.add<&N::setIntProperty<&N::m_ellipseSizeY>, &N::getIntProperty<&N::m_ellipseSizeY>>("EllipseSizeY");
        t.add<&N::setIntProperty<&N::m_angularVelocity>, &N::getIntProperty<&N::m_angularVelocity>>("AngularVelocity");
        t.add<&N::setIntProperty<&N::m_initialAngleMin>, &N::getIntProperty<&N::m_initialAngleMin>>("InitialAngleMin");
        t.add<&N::setIntProperty<&N::m_initialAngleMax>, &N::getIntProperty<&N::m_initialAngleMax>>("InitialAngleMax");
        return t;
    }();
    return table;
}

template <int32_t GEllipseMovableNode::*Field>
void GEllipseMovableNode::setIntProperty(const CRefHandle<IPropertyData>& value) {
    this->*Field = getPropertyInt(value);
}

template <int32_t GEllipseMovableNode::*Field> CRefHandle<IPropertyData> GEllipseMovableNode::getIntProperty() const {
    return CPropertyDataInt::create(this->*Field);
}

void GEllipseMovableNode::writeProperties(CPropertyBag& bag) const {
    BaseNode::writeProperties(bag);
    if (m_ellipseSizeX != 100)
        bag.setInt("EllipseSizeX", m_ellipseSizeX);
    if (m_ellipseSizeY != 100)
        bag.setInt("EllipseSizeY", m_ellipseSizeY);
    if (m_angularVelocity != 10)
        bag.setInt("AngularVelocity", m_angularVelocity);
    if (writtenAngle(m_initialAngleMin) && m_initialAngleMin <= m_initialAngleMax)
        bag.setInt("InitialAngleMin", m_initialAngleMin);
    if (writtenAngle(m_initialAngleMax) && m_initialAngleMax >= m_initialAngleMin)
        bag.setInt("InitialAngleMax", m_initialAngleMax);
}

void GEllipseMovableNode::readProperties(const CPropertyBag& bag) {
    BaseNode::readProperties(bag);
    const struct {
        const char* key;
        int32_t GEllipseMovableNode::*field;
    } keys[] = {{"EllipseSizeX", &GEllipseMovableNode::m_ellipseSizeX},
                {"EllipseSizeY", &GEllipseMovableNode::m_ellipseSizeY},
                {"AngularVelocity", &GEllipseMovableNode::m_angularVelocity},
                {"InitialAngleMin", &GEllipseMovableNode::m_initialAngleMin},
                {"InitialAngleMax", &GEllipseMovableNode::m_initialAngleMax}};
    for (const auto& key : keys)
        if (bag.indexOf(key.key) >= 0)
            this->*key.field = getPropertyInt(bag.get(key.key));
    const int32_t low = m_initialAngleMin < m_initialAngleMax ? m_initialAngleMin : m_initialAngleMax;
    const int32_t high = m_initialAngleMin < m_initialAngleMax ? m_initialAngleMax : m_initialAngleMin;
    m_angle = float(CEngineManagers::instance().getRandom()->nextInRange(low, high));
}

BaseNode* GEllipseMovableNode::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<GEllipseMovableNode>(parent, sceneManager);
}

void GEllipseMovableNode::copyFrom(const BaseNode* source, BaseNode* sceneManager) {
    BaseNode::copyFrom(source, sceneManager);
    const GEllipseMovableNode* other = nodeCast<GEllipseMovableNode>(source);
    if (!other || other == this)
        return;
    m_angle = other->m_angle;
    m_ellipseSizeX = other->m_ellipseSizeX;
    m_ellipseSizeY = other->m_ellipseSizeY;
    m_angularVelocity = other->m_angularVelocity;
    m_initialAngleMin = other->m_initialAngleMin;
    m_initialAngleMax = other->m_initialAngleMax;
}

void GEllipseMovableNode::registerForRendering(CArray<CRenderItem>& list) {
    BaseNode::registerForRendering(list);
    if (!getScheduler())
        scheduleWithOwnerScene(*this, this);
}

bool GEllipseMovableNode::update(uint32_t elapsed) {
    m_angle += float(elapsed) * 0.001f * float(m_angularVelocity);
    // One step at a time also copes with a long pause; fmod keeps a huge
    // angle from looping for long.
    if (std::fabs(m_angle) > 3600.0f)
        m_angle = std::fmod(m_angle, 360.0f);
    while (m_angle > 360.0f)
        m_angle -= 360.0f;
    while (m_angle < 0.0f)
        m_angle += 360.0f;
    const float radians = m_angle * kDegToRad;
    const float x = std::cos(radians) * float(m_ellipseSizeX);
    const float y = std::sin(radians) * float(m_ellipseSizeY);
    for (BaseNode* child : getChildren())
        child->setPosition(CVector3d(x, y, child->getPosition().z));
    return true;
}
