#include "game/world/GGameTaskDestroy.h"

#include "engine/nodes/ProgressBarNode.h"
#include "engine/sound/SoundCue.h"
#include "game/config/GActiveFeatureList.h"
#include "game/config/GBuildingConfig.h"
#include "game/config/GWorldMessages.h"
#include "game/config/IGameLevel.h"
#include "game/world/GBuildingNode.h"

namespace {

constexpr int32_t kCueFadeOutMs = 1000;

CName doneState() {
    static const CName id("Done");
    return id;
}

} // namespace

GGameTaskDestroy::GGameTaskDestroy(IGameLevel* level, GBuildingNode* place, GBuildingConfig* emptyType)
    : GGameTask(level, place, emptyType) {
    setMask(getMask() | CEvent::MaskNode);
    if (!place)
        return;
    place->saveCancelState();
    place->clearUniqueUpgrades();
    place->getFeatures()->stopAll();
    place->releaseWorkers(false);
    place->sendTrainsAway();

    const GBuildingConfig* current = place->getType();
    m_total = current ? float(current->Destroy.Time) : 0.0f;
    const int needed = place->getDestroyWorkers(nullptr);
    m_workersNeeded = needed > 0 ? uint32_t(needed) : 0u;
    GResourceMap cost;
    place->getDestroyCost(cost, nullptr);
    dispatchWorkers(cost, needed);

    place->releaseServedBuildings();
    place->setType(emptyType, false, true);
    if (level) {
        // Other service buildings take over the places this one served.
        for (int i = 0; i < level->getPlaceCount(); ++i) {
            if (auto* other = nodeCast<GBuildingNode>(level->getPlace(i)))
                other->claimServedBuildings();
        }
        level->recalculate();
    }
    m_phase = PhaseWaiting;
    makeProgressBar(false);
    place->applyStateRecursive(doneState(), nullptr);
}

GGameTaskDestroy::~GGameTaskDestroy() = default;

bool GGameTaskDestroy::update(uint32_t elapsed) {
    GBuildingNode* place = getPlace();
    if (!place)
        return false;
    const CRefHandle<GGameTaskDestroy> keepAlive = CRefHandle<GGameTaskDestroy>::share(this);
    switch (m_phase) {
    case PhaseWaiting:
        if (uint32_t(place->getWorkersCount()) >= m_workersNeeded) {
            m_phase = PhaseStarting;
            static const CName destroying("Destroying");
            if (place->isFocused())
                m_cue = CRefHandle<SoundCue>::share(playCue(destroying));
        }
        break;
    case PhaseStarting: {
        static const CName emptyPlace("BuildingPlace");
        static const CName destroyState("Destroy");
        m_phase = PhaseWorking;
        place->removeRandomResources();
        place->setTemplateName(emptyPlace);
        place->applyStateRecursive(destroyState, nullptr);
        place->setWorkersText(int(m_workersNeeded));
        showProgressBar();
        break;
    }
    case PhaseWorking: {
        m_elapsed += buildTimeStep(elapsed);
        if (m_total <= m_elapsed)
            finish();
        else
            updateProgressBar();
        break;
    }
    case PhaseDone:
        return false;
    default:
        break;
    }
    return true;
}

void GGameTaskDestroy::finish() {
    GBuildingNode* place = getPlace();
    m_elapsed = m_total;
    dropProgressBar();
    place->stopSound();
    place->applyStateRecursive(doneState(), nullptr);
    const CRefHandle<GBuildingDestroyedMessage> message(new GBuildingDestroyedMessage(place));
    postToLevel(message.get());
    place->setWorkersText(0);
    place->releaseWorkers(true);
    place->clearResources();
    m_phase = PhaseDone;
}

int GGameTaskDestroy::cancel() {
    GBuildingNode* place = getPlace();
    if (!place || !place->getPreviousType() || m_phase == PhaseDone)
        return 0;
    const CRefHandle<GGameTaskDestroy> keepAlive = CRefHandle<GGameTaskDestroy>::share(this);
    m_phase = PhaseDone;
    const CRefHandle<GBuildingConfig> previous = CRefHandle<GBuildingConfig>::share(place->getPreviousType());
    place->setType(previous.get(), true, true);
    place->setTemplateName(previous->Name);
    place->setWorkersText(0);
    place->releaseWorkers(false);
    place->setTask(GBuildingNode::TaskNone, nullptr);
    place->stopSound();
    if (getLevel())
        getLevel()->recalculate();
    if (m_cue) {
        const CRefHandle<SoundCue> cue = std::move(m_cue);
        m_cue.reset();
        static_cast<void>(cue->stop(kCueFadeOutMs));
    }
    return 0;
}

float GGameTaskDestroy::getProgress() const { return m_total > 0.0f ? m_elapsed / m_total : 0.0f; }

const CStringW& GGameTaskDestroy::getClassName() const {
    static const CStringW name(u"GGameTaskDestroy");
    return name;
}

CStringW GGameTaskDestroy::getDisplayText() const { return CStringW(m_workersNeeded) + u";" + CStringW(m_elapsed); }
