#pragma once

#include "engine/core/CRefHandle.h"
#include "game/world/GGameTask.h"

class SoundCue;

// Pulls the building on a place down (task kind 4). The place becomes an
// empty place at once, so the level's economy stops counting the building;
// when the workers have come its template gives way to the empty place's
// with a "Destroy" animation while a bar fills for the Destroy Time, and
// 4122 goes to the level.
class GGameTaskDestroy : public GGameTask {
public:
    enum Phase : int { PhaseNone = 0, PhaseWaiting = 1, PhaseStarting = 2, PhaseWorking = 3, PhaseDone = 4 };

    // `emptyType`: the "BuildingPlace" record the place becomes.
    GGameTaskDestroy(IGameLevel* level, GBuildingNode* place, GBuildingConfig* emptyType);

    [[nodiscard]] bool update(uint32_t elapsed) override;
    // Puts the building back (nothing without a previous type or once done).
    int cancel() override;
    [[nodiscard]] float getProgress() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] CStringW getDisplayText() const override;

    [[nodiscard]] int getPhase() const { return m_phase; }
    [[nodiscard]] float getElapsed() const { return m_elapsed; }
    [[nodiscard]] float getTotal() const { return m_total; }

protected:
    ~GGameTaskDestroy() override;

private:
    void finish();

    int m_phase = PhaseNone;
    uint32_t m_workersNeeded = 0;
    float m_elapsed = 0.0f;
    float m_total = 0.0f;
    CRefHandle<SoundCue> m_cue;
};
