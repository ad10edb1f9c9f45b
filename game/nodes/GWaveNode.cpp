#include "game/nodes/GWaveNode.h"

#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CPropertyDataInt.h"
#include "engine/scene/CPropertyDataVector3d.h"
#include "engine/scene/CPropertyTable.h"
#include "engine/scene/PropertyValues.h"
#include "game/nodes/GSelfRemoval.h"

#include <cmath>

namespace {

constexpr CColor kOpaque{0xFFFFFFFFu};
constexpr CColor kClear{0x00FFFFFFu};

bool isZero(const CVector3d& v) {
    return std::fabs(v.x) <= 1e-6f && std::fabs(v.y) <= 1e-6f && std::fabs(v.z) <= 1e-6f;
}

} // namespace

GWaveNode::GWaveNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : BaseNode(contentName, parent, sceneManager) {
    setUpdateInterval(UpdateInterval);
    // The walk starts the wave, hidden or not.
    setRegistersWhileHidden(true);
}

GWaveNode::~GWaveNode() { setScheduler(nullptr); }

BaseNode* GWaveNode::create(const CObjectName& name) { return new GWaveNode(name, nullptr, nullptr); }

const CStringW& GWaveNode::getTypeName() const {
    static const CStringW name(u"GWaveNode");
    return name;
}

const CStringW& GWaveNode::getClassName() const { return GWaveNode::getTypeName(); }

const CPropertyTable& GWaveNode::getPropertyTable() const { return propertyTable(); }

const CPropertyTable& GWaveNode::propertyTable() {
    static const CPropertyTable table = [] {
        CPropertyTable t(BaseNode::propertyTable());
        t.add<&GWaveNode::setVelocityProperty, &GWaveNode::getVelocityProperty>("Velocity");
        t.add<&GWaveNode::setLifeTimeProperty, &GWaveNode::getLifeTimeProperty>("LifeTime");
        return t;
    }();
    return table;
}

void GWaveNode::setVelocityProperty(const CRefHandle<IPropertyData>& value) {
    m_velocity = getPropertyVector3d(value);
}
CRefHandle<IPropertyData> GWaveNode::getVelocityProperty() const { return CPropertyDataVector3d::create(m_velocity); }
void GWaveNode::setLifeTimeProperty(const CRefHandle<IPropertyData>& value) { m_lifeTime = getPropertyInt(value); }
CRefHandle<IPropertyData> GWaveNode::getLifeTimeProperty() const { return CPropertyDataInt::create(m_lifeTime); }

void GWaveNode::writeProperties(CPropertyBag& bag) const {
    BaseNode::writeProperties(bag);
    if (!isZero(m_velocity))
        bag.setVector3d("Velocity", m_velocity);
    if (m_lifeTime != -1)
        bag.setInt("LifeTime", m_lifeTime);
}

void GWaveNode::readProperties(const CPropertyBag& bag) {
    BaseNode::readProperties(bag);
    if (bag.indexOf("Velocity") >= 0)
        m_velocity = getPropertyVector3d(bag.get("Velocity"));
    if (bag.indexOf("LifeTime") >= 0)
        m_lifeTime = getPropertyInt(bag.get("LifeTime"));
}

BaseNode* GWaveNode::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<GWaveNode>(parent, sceneManager);
}

void GWaveNode::copyFrom(const BaseNode* source, BaseNode* sceneManager) {
    BaseNode::copyFrom(source, sceneManager);
    const GWaveNode* wave = nodeCast<GWaveNode>(source);
    if (!wave || wave == this)
        return;
    m_velocity = wave->m_velocity;
    m_lifeTime = wave->m_lifeTime;
}

void GWaveNode::onLoaded() {
    static const CName waveName("Wave");
    m_waveChild = findChild(waveName, 1);
}

void GWaveNode::onDescendantRemoved(BaseNode* node) {
    if (node == m_waveChild)
        m_waveChild = nullptr;
}

void GWaveNode::registerForRendering(CArray<CRenderItem>& list) {
    if (!getScheduler()) {
        static const CName normal("Normal");
        if (m_waveChild)
            m_waveChild->setState(normal, nullptr, CName());
        m_remainingTime = m_lifeTime;
        setTintColor(kClear);
        markColorDirty();
        const BaseNode* scene = getOwnerScene<BaseNode>();
        if (CUpdateScheduler* scheduler = scene ? scene->getSceneScheduler() : nullptr)
            setScheduler(scheduler);
    }
    BaseNode::registerForRendering(list);
}

bool GWaveNode::update(uint32_t elapsed) {
    const float dt = float(elapsed) * 0.001f;
    const CVector3d& position = getPosition();
    setPosition({position.x + m_velocity.x * dt, position.y + m_velocity.y * dt, position.z + m_velocity.z * dt});
    markTransformDirty();
    if (m_remainingTime <= 0)
        return true;
    if (m_remainingTime <= int32_t(elapsed)) {
        // Out of the tree, the scheduler's reference is the last one: let it go.
        removeNodeFromParent(this);
        return false;
    }
    m_remainingTime -= int32_t(elapsed);
    const int32_t shown = m_lifeTime - m_remainingTime;
    if (shown < FadeTime)
        setTintColor(kOpaque.lerp(kClear, float(shown) / float(FadeTime)));
    else if (m_remainingTime < FadeTime)
        setTintColor(kClear.lerp(kOpaque, float(FadeTime - m_remainingTime) / float(FadeTime)));
    markColorDirty();
    return true;
}
