#include "game/world/GGameTaskActiveFeature.h"

#include "game/config/GActiveFeature.h"
#include "game/config/GActiveFeatureList.h"
#include "game/world/GBuildingNode.h"

namespace {

constexpr uint32_t kFeatureStartStep = 100;

} // namespace

GGameTaskActiveFeature::GGameTaskActiveFeature(IGameLevel* level, GBuildingNode* place, GBuildingConfig* currentType,
                                               int featureIndex)
    : GGameTask(level, place, currentType), m_index(featureIndex) {
    setMask(getMask() | CEvent::MaskNode);
    if (!place)
        return;
    if (featureIndex >= 0)
        m_feature = CRefHandle<GActiveFeature>::share(place->getFeatures()->get(uint32_t(featureIndex)));
    if (m_feature) {
        m_workersNeeded = m_feature->Workers;
        dispatchWorkers(m_feature->RequiredResources, m_workersNeeded);
    } else {
        m_workersNeeded = 1;
        dispatchWorkers(GResourceMap(), 1);
    }
    static const CName markerName("Marker");
    static const CName appear("Appear");
    if (ControlNode* root = place->getTemplateRoot()) {
        m_marker = CRefHandle<BaseNode>::share(root->findChild(markerName, 2));
        if (m_marker)
            m_marker->setState(appear, nullptr, CName());
    }
    m_phase = PhaseWaiting;
    static const CName buttonClick("ButtonClick");
    static_cast<void>(playCue(buttonClick));
}

GGameTaskActiveFeature::~GGameTaskActiveFeature() { hideMarker(); }

void GGameTaskActiveFeature::hideMarker() {
    if (!m_marker)
        return;
    static const CName hide("Hide");
    const CRefHandle<BaseNode> marker = std::move(m_marker);
    m_marker.reset();
    marker->setState(hide, nullptr, CName());
}

bool GGameTaskActiveFeature::update(uint32_t) {
    GBuildingNode* place = getPlace();
    if (!place)
        return false;
    const CRefHandle<GGameTaskActiveFeature> keepAlive = CRefHandle<GGameTaskActiveFeature>::share(this);
    switch (m_phase) {
    case PhaseWaiting:
        if (place->getWorkersCount() >= m_workersNeeded)
            m_phase = PhaseStarting;
        break;
    case PhaseStarting:
        m_phase = PhaseSwitching;
        break;
    case PhaseSwitching: {
        if (m_feature) {
            GResourceMap taken;
            place->takeResources(taken);
            place->releaseWorkersWithResources(taken);
        } else {
            place->releaseWorkers(true);
        }
        hideMarker();
        // The feature the task was started for; without one (an index out of
        // range) the first.
        GActiveFeatureList* features = place->getFeatures();
        features->activate(m_feature ? uint32_t(m_index) : 0u);
        features->updateAll(kFeatureStartStep, true);
        m_phase = PhaseDone;
        break;
    }
    case PhaseDone:
        m_phase = PhaseCancelled;
        // Only this task's own place entry is cleared: never a task started
        // after it.
        if (place->getTask() == this)
            place->setTask(GBuildingNode::TaskNone, nullptr);
        return false;
    case PhaseCancelled:
        return false;
    default:
        break;
    }
    return true;
}

int GGameTaskActiveFeature::cancel() {
    GBuildingNode* place = getPlace();
    if (!place || m_phase == PhaseCancelled)
        return 0;
    const CRefHandle<GGameTaskActiveFeature> keepAlive = CRefHandle<GGameTaskActiveFeature>::share(this);
    m_phase = PhaseCancelled;
    place->releaseWorkers(false);
    if (place->getTask() == this)
        place->setTask(GBuildingNode::TaskNone, nullptr);
    return 0;
}

const CStringW& GGameTaskActiveFeature::getClassName() const {
    static const CStringW name(u"GGameTaskActiveFeature");
    return name;
}

CStringW GGameTaskActiveFeature::getDisplayText() const { return CStringW(m_workersNeeded); }
