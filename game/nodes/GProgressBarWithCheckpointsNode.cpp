#include "game/nodes/GProgressBarWithCheckpointsNode.h"

#include "engine/core/CEngine.h"
#include "engine/core/CStringW.h"
#include "engine/nodes/TextNode.h"
#include "engine/sound/CSoundCueManager.h"
#include "game/app/GSoundCues.h"
#include "game/nodes/GNodeHelpers.h"

namespace {

const CName& checkpointName() {
    static const CName name("Checkpoint");
    return name;
}

TextNode* markText(BaseNode* mark, const char* name) {
    return mark ? nodeCast<TextNode>(mark->findChild(CName(name), 1)) : nullptr;
}

} // namespace

GProgressBarWithCheckpointsNode::GProgressBarWithCheckpointsNode(const CObjectName& contentName, BaseNode* parent,
                                                                 BaseNode* sceneManager)
    : ProgressBarNode(contentName, parent, sceneManager) {}

BaseNode* GProgressBarWithCheckpointsNode::create(const CObjectName& name) {
    return new GProgressBarWithCheckpointsNode(name, nullptr, nullptr);
}

const CStringW& GProgressBarWithCheckpointsNode::getTypeName() const {
    static const CStringW name(u"GProgressBarWithCheckpointsNode");
    return name;
}

const CStringW& GProgressBarWithCheckpointsNode::getClassName() const {
    return GProgressBarWithCheckpointsNode::getTypeName();
}

BaseNode* GProgressBarWithCheckpointsNode::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<GProgressBarWithCheckpointsNode>(parent, sceneManager);
}

void GProgressBarWithCheckpointsNode::copyFrom(const BaseNode* source, BaseNode* sceneManager) {
    const uint32_t before = getChildren().size();
    ProgressBarNode::copyFrom(source, sceneManager);
    if (source && source != this)
        dropCopiesOfUnsavedChildren(source, this, before);
}

void GProgressBarWithCheckpointsNode::findMarkTemplate() {
    m_markTemplate = findChild(checkpointName(), 1);
    if (!m_markTemplate)
        if (ControlNode* root = getTemplateRoot())
            m_markTemplate = root->findChild(checkpointName(), 1);
    if (m_markTemplate)
        m_markTemplate->setVisible(false);
}

void GProgressBarWithCheckpointsNode::onLoaded() {
    ProgressBarNode::onLoaded();
    m_markTemplate = findChild(checkpointName(), 1);
    if (m_markTemplate)
        m_markTemplate->setVisible(false);
}

void GProgressBarWithCheckpointsNode::applyTemplate() {
    if (!getSceneManager<BaseNode>())
        return;
    ProgressBarNode::applyTemplate();
    findMarkTemplate();
    onValueChanged();
}

void GProgressBarWithCheckpointsNode::onDescendantRemoved(BaseNode* node) {
    ProgressBarNode::onDescendantRemoved(node);
    if (m_markTemplate && (m_markTemplate == node || node->isAncestorOf(m_markTemplate)))
        m_markTemplate = nullptr;
    for (uint32_t i = 0; i < m_checkpoints.size();) {
        if (m_checkpoints[i].mark == node) {
            m_checkpoints.erase(i);
            continue;
        }
        ++i;
    }
}

void GProgressBarWithCheckpointsNode::onValueChanged() {
    BaseNode* knob = getKnob();
    BaseNode* area = getSlidingArea();
    if (!knob || !area || getMaxValue() <= getMinValue() || m_checkpointTimes.empty())
        return;
    const float f = (getValue() - getMinValue()) / (getMaxValue() - getMinValue());
    if (getKnobType() == KnobFill) {
        const CVector3d& areaBounds = area->getBounds();
        CVector3d bounds = knob->getBounds();
        CVector3d position = knob->getPosition();
        if (areaBounds.y <= areaBounds.x) {
            bounds.x = areaBounds.x * f;
            position.x = area->getPosition().x;
        } else {
            bounds.y = areaBounds.y * f;
            position.y = area->getPosition().y;
        }
        knob->setBounds(bounds);
        knob->setPosition(position);
    }
    knob->markTransformDirty();
}

bool GProgressBarWithCheckpointsNode::isCheckpointPassed(uint32_t index) const {
    if (index >= m_checkpoints.size())
        return false;
    const CheckpointState state = m_checkpoints[index].state;
    return state == CheckpointState::PassedOk || state == CheckpointState::PassedFail;
}

void GProgressBarWithCheckpointsNode::changeState(uint32_t index, CheckpointState state, const char* stateName,
                                                  bool playCue) {
    if (index >= m_checkpoints.size() || m_checkpoints[index].state == state)
        return;
    CheckpointEntry& entry = m_checkpoints[index];
    entry.state = state;
    if (entry.mark)
        entry.mark->applyStateRecursive(CName(stateName), nullptr);
    CEngine* engine = findEngineInstance();
    CSoundCueManager* cues = engine ? engine->getSoundCueManager() : nullptr;
    if (!cues)
        return;
    if (playCue)
        (void)cues->play(soundCueName(GSoundCue::AlmostEnd), false, 0);
    else
        cues->stop(soundCueName(GSoundCue::AlmostEnd), 0);
}

void GProgressBarWithCheckpointsNode::setCheckpointFlashed(uint32_t index) {
    changeState(index, CheckpointState::Flashed, "Flashed", true);
}

void GProgressBarWithCheckpointsNode::setCheckpointPassedOk(uint32_t index) {
    changeState(index, CheckpointState::PassedOk, "PassedOk", false);
}

void GProgressBarWithCheckpointsNode::setCheckpointPassedFail(uint32_t index) {
    changeState(index, CheckpointState::PassedFail, "PassedFail", false);
}

void GProgressBarWithCheckpointsNode::setCheckpointTimeText(uint32_t index, int32_t value) {
    if (index >= m_checkpoints.size())
        return;
    if (TextNode* time = markText(m_checkpoints[index].mark, "Time")) {
        time->setVisible(true);
        time->setText(CStringW(value));
    }
}

void GProgressBarWithCheckpointsNode::clearCheckpoints() { m_checkpointTimes.clear(); }

void GProgressBarWithCheckpointsNode::addCheckpointTime(float fraction) { m_checkpointTimes.push_back(fraction); }

void GProgressBarWithCheckpointsNode::layoutCheckpoints() {
    if (!m_markTemplate || m_checkpointTimes.empty())
        return;
    const uint32_t n = m_checkpointTimes.size();
    while (m_checkpoints.size() < n) {
        BaseNode* mark = m_markTemplate->clone(this, nullptr);
        if (!mark)
            return;
        mark->setNotSerialised(true);
        m_checkpoints.push_back(CheckpointEntry{CheckpointState::NotReached, mark});
    }
    // The marks of the last checkpoints go; the first ones keep their states.
    while (m_checkpoints.size() > n) {
        BaseNode* mark = m_checkpoints[m_checkpoints.size() - 1].mark;
        m_checkpoints.pop_back();
        if (mark)
            (void)removeChild(mark);
    }
    const float width = getBounds().x;
    const float y = m_markTemplate->getPosition().y;
    float total = 0.0f;
    for (uint32_t i = 0; i < n; ++i) {
        total += m_checkpointTimes[i];
        BaseNode* mark = m_checkpoints[i].mark;
        if (!mark)
            continue;
        mark->setVisible(true);
        mark->setPosition(CVector3d(width * total, y, 0.01f));
        if (TextNode* text = markText(mark, "Text"))
            text->setText(CStringW(int(i + 1)));
    }
}
