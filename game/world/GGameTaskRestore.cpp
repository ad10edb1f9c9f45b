#include "game/world/GGameTaskRestore.h"

#include "engine/nodes/ProgressBarNode.h"
#include "engine/nodes/SpriteNode.h"
#include "engine/scene/CNodeState.h"
#include "engine/scene/KeyFrame.h"
#include "game/config/GBuildingConfig.h"
#include "game/config/GWorldMessages.h"
#include "game/config/IGameLevel.h"
#include "game/world/GBuildingNode.h"

#include <cmath>

namespace {

CName restoringState() {
    static const CName id("Restoring");
    return id;
}

// Runs `action` on every key-frame animation of the "Restoring" state of
// each direct child of `place`.
template <class Action> void forEachRestoringKey(GBuildingNode* place, Action action) {
    if (!place)
        return;
    for (BaseNode* child : place->getChildren()) {
        const CNodeState* state = child->findState(restoringState());
        if (!state)
            continue;
        for (Animator* key : state->getKeys()) {
            if (key->isKindOf(KeyFrame::TypeId))
                action(static_cast<KeyFrame*>(key));
        }
    }
}

} // namespace

GGameTaskRestore::GGameTaskRestore(IGameLevel* level, GBuildingNode* place, GBuildingConfig* currentType)
    : GGameTask(level, place, currentType) {
    setMask(getMask() | CEvent::MaskNode);
    if (!place)
        return;
    place->saveCancelState();
    place->clearUniqueUpgrades();
    makeProgressBar(true);
    m_remaining = currentType ? float(currentType->Build.Time) : 0.0f;
    m_workersNeeded = place->getBuildWorkers(nullptr);
    GResourceMap cost;
    place->getBuildCost(cost, nullptr);
    dispatchWorkers(cost, m_workersNeeded);
    m_phase = PhaseWaiting;
    m_rate = buildTimeFactor();
    // A rate of 0 or below plays the animations at their own length.
    const float rate = m_rate > 0.0f ? m_rate : 1.0f;
    setRestoringDuration(int(std::floor(m_remaining / rate + 0.5f)));
}

GGameTaskRestore::~GGameTaskRestore() { setRestoringRate(1.0f); }

void GGameTaskRestore::setRestoringDuration(int ms) {
    forEachRestoringKey(getPlace(), [ms](KeyFrame* key) {
        if (key->getKeys().size() >= 2)
            key->setKeyTime(1, ms);
    });
}

void GGameTaskRestore::setRestoringRate(float rate) {
    forEachRestoringKey(getPlace(), [rate](KeyFrame* key) { key->setSpeed(rate); });
}

bool GGameTaskRestore::update(uint32_t elapsed) {
    GBuildingNode* place = getPlace();
    if (!place)
        return false;
    const CRefHandle<GGameTaskRestore> keepAlive = CRefHandle<GGameTaskRestore>::share(this);
    switch (m_phase) {
    case PhaseWaiting:
        if (place->getWorkersCount() >= m_workersNeeded)
            m_phase = PhaseStarting;
        break;
    case PhaseStarting: {
        m_phase = PhaseWorking;
        place->applyStateRecursive(restoringState(), nullptr);
        static const CName selectorName("Selector");
        static const CName normal("Normal");
        if (!place->isFocused()) {
            if (auto* selector = nodeCast<SpriteNode>(place->findChild(selectorName, 1)))
                selector->setState(normal, nullptr, CName());
        }
        place->setWorkersText(m_workersNeeded);
        break;
    }
    case PhaseWorking: {
        const float factor = buildTimeFactor();
        if (m_rate != factor) {
            m_rate = factor;
            setRestoringRate(m_rate);
        }
        m_remaining -= buildTimeStep(elapsed);
        if (m_remaining < 0.0f) {
            m_remaining = 0.0f;
            dropProgressBar();
            setRestoringRate(1.0f);
            place->stopSound();
            const CRefHandle<GBuildingRepairedMessage> message(new GBuildingRepairedMessage(place));
            postToLevel(message.get());
            place->setWorkersText(0);
            place->releaseWorkers(true);
            m_phase = PhaseDone;
        } else {
            updateProgressBar();
        }
        break;
    }
    case PhaseDone:
        return false;
    default:
        break;
    }
    return true;
}

int GGameTaskRestore::cancel() {
    GBuildingNode* place = getPlace();
    if (!place || m_phase == PhaseDone)
        return 0;
    const CRefHandle<GGameTaskRestore> keepAlive = CRefHandle<GGameTaskRestore>::share(this);
    m_phase = PhaseDone;
    setRestoringRate(1.0f);
    place->releaseWorkers(false);
    place->setTask(GBuildingNode::TaskNone, nullptr);
    // The upgrades the start cleared come back.
    place->restoreSavedUniqueUpgrades();
    place->setDamageState(GBuildingNode::DamageRestore, false);
    static const CName cancelRestoring("CancelRestoring");
    place->applyStateRecursive(cancelRestoring, nullptr);
    place->setWorkersText(0);
    if (getLevel())
        getLevel()->recalculate();
    return 0;
}

float GGameTaskRestore::getProgress() const {
    const GBuildingConfig* type = getTaskType();
    if (!type || type->Build.Time <= 0)
        return 1.0f;
    return (float(type->Build.Time) - m_remaining) / float(type->Build.Time);
}

const CStringW& GGameTaskRestore::getClassName() const {
    static const CStringW name(u"GGameTaskRestore");
    return name;
}

CStringW GGameTaskRestore::getDisplayText() const { return CStringW(); }
