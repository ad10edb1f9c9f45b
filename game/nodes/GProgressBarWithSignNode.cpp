#include "game/nodes/GProgressBarWithSignNode.h"

#include "engine/core/CName.h"

#include <cmath>

namespace {

constexpr float kSharedEdge = 0.00001f;

float clampUnit(float t) { return t < 0.0f ? 0.0f : (t > 1.0f ? 1.0f : t); }

} // namespace

GProgressBarWithSignNode::GProgressBarWithSignNode(const CObjectName& contentName, BaseNode* parent,
                                                   BaseNode* sceneManager)
    : ProgressBarNode(contentName, parent, sceneManager) {}

BaseNode* GProgressBarWithSignNode::create(const CObjectName& name) {
    return new GProgressBarWithSignNode(name, nullptr, nullptr);
}

const CStringW& GProgressBarWithSignNode::getTypeName() const {
    static const CStringW name(u"GProgressBarWithSignNode");
    return name;
}

const CStringW& GProgressBarWithSignNode::getClassName() const { return GProgressBarWithSignNode::getTypeName(); }

BaseNode* GProgressBarWithSignNode::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<GProgressBarWithSignNode>(parent, sceneManager);
}

void GProgressBarWithSignNode::onDescendantRemoved(BaseNode* node) {
    ProgressBarNode::onDescendantRemoved(node);
    for (BaseNode** part : {&m_slidingSignArea, &m_scalingSignArea, &m_sign}) {
        if (*part && (*part == node || node->isAncestorOf(*part)))
            *part = nullptr;
    }
}

void GProgressBarWithSignNode::findParts(bool inTemplate) {
    static const CName scalingName("ScalingSignArea");
    static const CName slidingName("SlidingSignArea");
    static const CName signName("Sign");
    const BaseNode* root = inTemplate ? getTemplateRoot() : nullptr;
    auto find = [&](CName name) {
        BaseNode* found = findChild(name, 1);
        return !found && root ? root->findChild(name, 1) : found;
    };
    m_scalingSignArea = find(scalingName);
    m_slidingSignArea = find(slidingName);
    m_sign = find(signName);
}

void GProgressBarWithSignNode::onLoaded() {
    ProgressBarNode::onLoaded();
    findParts(false);
}

void GProgressBarWithSignNode::applyTemplate() {
    if (!getSceneManager<BaseNode>())
        return;
    ProgressBarNode::applyTemplate();
    findParts(true);
    if (m_scalingSignArea) {
        m_scaleRight = m_scalingSignArea->getPosition().x + m_scalingSignArea->getBounds().x;
        m_scaleLeft = m_scalingSignArea->getPosition().x;
    }
    if (m_slidingSignArea) {
        m_slideLeft = m_slidingSignArea->getPosition().x;
        m_slideRight = m_slidingSignArea->getPosition().x + m_slidingSignArea->getBounds().x;
    }
    if (m_sign && m_sign != m_signBaseOf) {
        m_signBaseY = m_sign->getPosition().y;
        m_signBaseOf = m_sign;
    }
    // A zone edge shared with the travel's edge leaves no stretch to shrink
    // over on that side; without both areas there is no zone at all.
    const bool zone = m_scalingSignArea && m_slidingSignArea;
    m_leftStretch = zone && std::fabs(m_scaleLeft - m_slideLeft) >= kSharedEdge;
    m_rightStretch = zone && std::fabs(m_slideRight - m_scaleRight) >= kSharedEdge;
    if (!m_leftStretch) {
        m_scaleLeft = 1.0f;
        m_slideLeft = 0.0f;
    }
    if (!m_rightStretch) {
        m_slideRight = 1.0f;
        m_scaleRight = 0.0f;
    }
    onValueChanged();
}

float GProgressBarWithSignNode::signFactor(float x) const {
    if (m_leftStretch && x < m_scaleLeft)
        return clampUnit((x - m_slideLeft) / (m_scaleLeft - m_slideLeft));
    if (m_rightStretch && x > m_scaleRight)
        return clampUnit(1.0f - (x - m_scaleRight) / (m_slideRight - m_scaleRight));
    return 1.0f;
}

void GProgressBarWithSignNode::onValueChanged() {
    ProgressBarNode::onValueChanged();
    BaseNode* knob = getKnob();
    if (!m_sign || !knob)
        return;
    const float x = knob->getPosition().x + knob->getBounds().x;
    const float t = signFactor(x);
    m_sign->setScale(CVector3d(t < 0.5f ? t : 1.0f, t, 1.0f));
    m_sign->setPosition(CVector3d(x, m_signBaseY + 0.5f * (1.0f - t) * m_sign->getBounds().y, m_sign->getPosition().z));
}
