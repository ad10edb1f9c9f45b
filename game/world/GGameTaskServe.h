#pragma once

#include "engine/core/CRefHandle.h"
#include "game/world/GGameTask.h"

// A timed job at a place (task kind 5): once the workers are there a bar over
// the place fills for the total time; the start, end and cancel effects are
// the three hooks a kind overrides.
class GGameTaskServe : public GGameTask {
public:
    enum Phase : int { PhaseWaiting = 1, PhaseStarting = 2, PhaseWorking = 3, PhaseDone = 4 };

    GGameTaskServe(IGameLevel* level, GBuildingNode* place, GBuildingConfig* type);

    [[nodiscard]] bool update(uint32_t elapsed) override;
    int cancel() override;
    // elapsed / total (0 once done: elapsed is reset at the end).
    [[nodiscard]] float getProgress() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] CStringW getDisplayText() const override;

    // The work sound while the place is focused.
    virtual void onServeStart();
    // Stops the work sound.
    virtual void onServeDone();
    // Stops the work sound; the level recalculates.
    virtual void onServeCancelled();

    [[nodiscard]] int getPhase() const { return m_phase; }
    [[nodiscard]] int getWorkersNeeded() const { return m_workersNeeded; }
    [[nodiscard]] float getElapsed() const { return m_elapsed; }
    [[nodiscard]] float getTotal() const { return m_total; }

protected:
    ~GGameTaskServe() override;

    void setWorkersNeeded(int count) { m_workersNeeded = count; }
    void setTotal(float ms) { m_total = ms; }

private:
    int m_phase = PhaseWaiting;
    int m_workersNeeded = 0;
    float m_total = 0.0f;
    float m_elapsed = 0.0f;
};

// Mends a broken building: workers come, the bar fills for the type's Repair
// Time and 4114 goes to the level. A cancel breaks the building again.
class GGameTaskRepair : public GGameTaskServe {
public:
    GGameTaskRepair(IGameLevel* level, GBuildingNode* place, GBuildingConfig* currentType);

    [[nodiscard]] const CStringW& getClassName() const override;
    void onServeDone() override;
    void onServeCancelled() override;

protected:
    ~GGameTaskRepair() override = default;
};
