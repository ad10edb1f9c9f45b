#pragma once

#include "engine/core/CRefHandle.h"
#include "game/world/GGameTask.h"

// Restores a unique building that stands in damage state 3 (task kind 5):
// once the workers are there the place plays its "Restoring" animations,
// stretched to the restore time and run at the level's BuildTimeM, while the
// type's Build Time counts down; then 4114 goes to the level.
class GGameTaskRestore : public GGameTask {
public:
    enum Phase : int { PhaseNone = 0, PhaseWaiting = 1, PhaseStarting = 2, PhaseWorking = 3, PhaseDone = 4 };

    GGameTaskRestore(IGameLevel* level, GBuildingNode* place, GBuildingConfig* currentType);

    [[nodiscard]] bool update(uint32_t elapsed) override;
    // The place needs restoring again and gets back the upgrades the start
    // cleared; the workers bring the cost back.
    int cancel() override;
    // (Build Time - remaining) / Build Time; 1 without a type.
    [[nodiscard]] float getProgress() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    // Empty.
    [[nodiscard]] CStringW getDisplayText() const override;

    // The second key frame of every "Restoring" animation of the place's
    // children takes the time `ms`.
    void setRestoringDuration(int ms);
    // Every "Restoring" animation of the place's children plays at `rate`.
    void setRestoringRate(float rate);

    [[nodiscard]] int getPhase() const { return m_phase; }
    [[nodiscard]] float getRemaining() const { return m_remaining; }
    [[nodiscard]] float getRate() const { return m_rate; }
    [[nodiscard]] int getWorkersNeeded() const { return m_workersNeeded; }

protected:
    ~GGameTaskRestore() override;

private:
    float m_rate = 0.0f;
    int m_phase = PhaseNone;
    int m_workersNeeded = 0;
    float m_remaining = 0.0f;
};
