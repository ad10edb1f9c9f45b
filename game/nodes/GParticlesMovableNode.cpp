#include "game/nodes/GParticlesMovableNode.h"

#include "engine/core/CMat4.h"
#include "game/nodes/GSelfRemoval.h"

#include <array>
#include <cmath>

GParticlesMovableNode::GParticlesMovableNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : BaseNode(contentName, parent, sceneManager) {
    setUpdateInterval(UpdateInterval);
}

GParticlesMovableNode::~GParticlesMovableNode() { setScheduler(nullptr); }

BaseNode* GParticlesMovableNode::create(const CObjectName& name) {
    return new GParticlesMovableNode(name, nullptr, nullptr);
}

const CStringW& GParticlesMovableNode::getTypeName() const {
    static const CStringW name(u"GParticlesMovableNode");
    return name;
}

const CStringW& GParticlesMovableNode::getClassName() const { return GParticlesMovableNode::getTypeName(); }

BaseNode* GParticlesMovableNode::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<GParticlesMovableNode>(parent, sceneManager);
}

bool GParticlesMovableNode::start(BaseNode* mover, BaseNode* target, int velocity, CName startState,
                                  CName arrivalState, CName targetState) {
    if (!mover || !target)
        return false;
    m_mover = CRefHandle<BaseNode>::share(mover);
    m_target = CRefHandle<BaseNode>::share(target);
    mover->updateAbsoluteTransformation();
    target->updateAbsoluteTransformation();
    m_startPoint = mover->getAbsoluteTransformation().translation();
    const CVector3d& bounds = target->getBounds();
    m_targetPoint = target->getAbsoluteTransformation().translation() + bounds * 0.5f;

    CMat4 toParent(std::array<float, 16>{});
    const CMat4& parentMatrix = mover->getParent() ? mover->getParent()->getAbsoluteTransformation() : CMat4::identity();
    if (!parentMatrix.computeInverse(toParent))
        toParent = CMat4(std::array<float, 16>{});
    toParent.transformPoint(m_startPoint);
    toParent.transformPoint(m_targetPoint);

    m_startStateName = startState;
    m_arrivalStateName = arrivalState;
    m_targetStateName = targetState;
    m_velocityPerMs = float(velocity) * 0.001f;
    m_startPending = true;
    const BaseNode* scene = getOwnerScene<BaseNode>();
    setScheduler(scene ? scene->getSceneScheduler() : nullptr);
    return true;
}

bool GParticlesMovableNode::update(uint32_t elapsed) {
    if (!getParent()) {
        m_mover.reset();
        m_target.reset();
        return false;
    }
    if (m_startPending) {
        m_startPending = false;
        m_moving = true;
        if (m_mover)
            m_mover->setState(m_startStateName, nullptr, CName());
    }
    if (m_moving) {
        m_travelled += m_velocityPerMs * float(elapsed);
        const float dx = m_targetPoint.x - m_startPoint.x;
        const float dy = m_targetPoint.y - m_startPoint.y;
        const float length = std::sqrt(dx * dx + dy * dy);
        if (length <= m_travelled) {
            m_arrived = true;
            m_moving = false;
        } else if (m_mover) {
            m_mover->setPosition({m_startPoint.x + dx / length * m_travelled,
                                  m_startPoint.y + dy / length * m_travelled, m_startPoint.z});
        }
    }
    if (m_arrived) {
        m_arrived = false;
        if (m_mover)
            m_mover->setState(m_arrivalStateName, nullptr, CName());
        if (m_target)
            m_target->setState(m_targetStateName, nullptr, CName());
        m_mover.reset();
        m_target.reset();
        // Out of the tree, the scheduler's reference is the last one: let it go.
        removeNodeFromParent(this);
        return false;
    }
    return true;
}
