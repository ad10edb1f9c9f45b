#pragma once

#include "engine/core/CRefHandle.h"
#include "game/world/GGameTask.h"

class BaseNode;
class GActiveFeature;

// Switches one of a place's active features on (task kind 3): the workers
// bring the feature's RequiredResources while a "Marker" over the place shows
// the set-up; once they are there the feature starts and the workers carry
// the place's stored resources home. Posts nothing: it clears the place's
// task itself.
class GGameTaskActiveFeature : public GGameTask {
public:
    enum Phase : int {
        PhaseNone = 0,
        PhaseWaiting = 1,
        PhaseStarting = 2,
        PhaseSwitching = 3,
        PhaseDone = 4,
        PhaseCancelled = 5,
    };

    GGameTaskActiveFeature(IGameLevel* level, GBuildingNode* place, GBuildingConfig* currentType, int featureIndex);

    [[nodiscard]] bool update(uint32_t elapsed) override;
    // The workers go home; the task ends without touching the place again.
    int cancel() override;
    // Always 0.
    [[nodiscard]] float getProgress() const override { return 0.0f; }
    [[nodiscard]] const CStringW& getClassName() const override;
    // The workers needed.
    [[nodiscard]] CStringW getDisplayText() const override;

    [[nodiscard]] int getPhase() const { return m_phase; }
    [[nodiscard]] int getWorkersNeeded() const { return m_workersNeeded; }
    [[nodiscard]] GActiveFeature* getFeature() const { return m_feature.get(); }
    [[nodiscard]] BaseNode* getMarker() const { return m_marker.get(); }

protected:
    ~GGameTaskActiveFeature() override;

private:
    void hideMarker();

    int m_index;
    CRefHandle<GActiveFeature> m_feature;
    CRefHandle<BaseNode> m_marker;
    int m_phase = PhaseNone;
    int m_workersNeeded = 1;
};
