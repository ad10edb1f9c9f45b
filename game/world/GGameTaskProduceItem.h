#pragma once

#include "engine/core/CRefHandle.h"
#include "game/world/GGameTask.h"

class GProduceItemConfig;

// Makes one item of a workshop's list (task kind 2): the workers bring the
// item's RequiredResource, the place plays its production while a bar counts
// the item's Time down (at the level's delivery factor for gold or
// materials), and the workers carry the ProducedResource home; 4103 goes to
// the level.
class GGameTaskProduceItem : public GGameTask {
public:
    enum Phase : int { PhaseWaiting = 1, PhaseStarting = 2, PhaseWorking = 3, PhaseDone = 4 };

    GGameTaskProduceItem(IGameLevel* level, GBuildingNode* place, GBuildingConfig* currentType,
                         GProduceItemConfig* item);

    [[nodiscard]] bool update(uint32_t elapsed) override;
    int cancel() override;
    // (Time - remaining) / Time; 1 for an item of no time.
    [[nodiscard]] float getProgress() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    // "workers;remaining".
    [[nodiscard]] CStringW getDisplayText() const override;

    [[nodiscard]] int getPhase() const { return m_phase; }
    [[nodiscard]] int getRemaining() const { return m_remaining; }
    [[nodiscard]] int getWorkersNeeded() const { return m_workersNeeded; }

protected:
    ~GGameTaskProduceItem() override;

private:
    // GoldDeliveryTimeM for gold, else MaterialDeliveryTimeM for materials,
    // else 1.
    [[nodiscard]] float deliveryFactor() const;
    void finish();

    CRefHandle<GProduceItemConfig> m_item;
    int m_phase = PhaseWaiting;
    int m_workersNeeded = 0;
    int m_remaining = 0;
};
