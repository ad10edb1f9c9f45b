#include "game/world/GGameTaskServe.h"

#include "engine/nodes/ProgressBarNode.h"
#include "game/config/GBuildingConfig.h"
#include "game/config/GWorldMessages.h"
#include "game/config/IGameLevel.h"
#include "game/world/GBuildingNode.h"

GGameTaskServe::GGameTaskServe(IGameLevel* level, GBuildingNode* place, GBuildingConfig* type)
    : GGameTask(level, place, type) {
    setMask(getMask() | CEvent::MaskNode);
    if (!place)
        return;
    if (place->isFocused())
        static_cast<void>(place->playSound());
    makeProgressBar(false);
}

GGameTaskServe::~GGameTaskServe() = default;

bool GGameTaskServe::update(uint32_t elapsed) {
    GBuildingNode* place = getPlace();
    if (!place)
        return false;
    const CRefHandle<GGameTaskServe> keepAlive = CRefHandle<GGameTaskServe>::share(this);
    switch (m_phase) {
    case PhaseWaiting:
        if (place->getWorkersCount() >= m_workersNeeded)
            m_phase = PhaseStarting;
        break;
    case PhaseStarting:
        m_phase = PhaseWorking;
        place->setWorkersText(m_workersNeeded);
        showProgressBar();
        static_cast<void>(place->playSound());
        break;
    case PhaseWorking: {
        m_elapsed += buildTimeStep(elapsed);
        if (m_total <= m_elapsed) {
            m_elapsed = 0.0f;
            dropProgressBar();
            onServeDone();
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

int GGameTaskServe::cancel() {
    GBuildingNode* place = getPlace();
    if (!place || m_phase == PhaseDone)
        return 0;
    const CRefHandle<GGameTaskServe> keepAlive = CRefHandle<GGameTaskServe>::share(this);
    m_phase = PhaseDone;
    place->setTask(GBuildingNode::TaskNone, nullptr);
    place->setWorkersText(0);
    place->releaseWorkers(false);
    onServeCancelled();
    return 0;
}

float GGameTaskServe::getProgress() const { return m_total > 0.0f ? m_elapsed / m_total : 0.0f; }

const CStringW& GGameTaskServe::getClassName() const {
    static const CStringW name(u"GGameTaskServe");
    return name;
}

CStringW GGameTaskServe::getDisplayText() const { return taskDisplayText(m_workersNeeded, m_elapsed); }

void GGameTaskServe::onServeStart() {
    if (getPlace() && getPlace()->isFocused())
        static_cast<void>(getPlace()->playSound());
}

void GGameTaskServe::onServeDone() {
    if (getPlace())
        getPlace()->stopSound();
}

void GGameTaskServe::onServeCancelled() {
    if (getPlace())
        getPlace()->stopSound();
    if (getLevel())
        getLevel()->recalculate();
}

GGameTaskRepair::GGameTaskRepair(IGameLevel* level, GBuildingNode* place, GBuildingConfig* currentType)
    : GGameTaskServe(level, place, currentType) {
    if (!place)
        return;
    setTotal(currentType ? float(currentType->Repair.Time) : 0.0f);
    setWorkersNeeded(place->getRepairWorkers(nullptr));
    GResourceMap cost;
    place->getRepairCost(cost, nullptr);
    dispatchWorkers(cost, getWorkersNeeded());
}

const CStringW& GGameTaskRepair::getClassName() const {
    static const CStringW name(u"GGameTaskRepair");
    return name;
}

void GGameTaskRepair::onServeDone() {
    GGameTaskServe::onServeDone();
    const CRefHandle<GBuildingRepairedMessage> message(new GBuildingRepairedMessage(getPlace()));
    postToLevel(message.get());
}

void GGameTaskRepair::onServeCancelled() {
    // The place is broken again, even while it cannot be reached (the start
    // cleared the state at once), before the level counts it anew.
    if (getPlace())
        getPlace()->setDamageState(GBuildingNode::DamageBroken, true);
    GGameTaskServe::onServeCancelled();
}
