#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CRefCounted.h"

#include <cstdint>

class GWorkerNode;

// Keeps the headquarters' walkers from bunching up: about every `Period` ms
// the walkers that go the same way and overlap are given speeds spread
// evenly from the fastest (nearest its goal) to the slowest, and every other
// walker its own speed again. The headquarters fills the list and calls
// update from its own update.
class GWorkerSpacing : public CRefCounted {
public:
    static constexpr int32_t DefaultPeriod = 200;

    GWorkerSpacing() = default;

    // Listed once; the list holds no references.
    void addWorker(GWorkerNode* worker);
    void removeWorker(GWorkerNode* worker);
    [[nodiscard]] const CArray<GWorkerNode*>& getWorkers() const { return m_workers; }

    void update(uint32_t elapsed);

    [[nodiscard]] int32_t getPeriod() const { return m_period; }
    void setPeriod(int32_t period) { m_period = period; }
    [[nodiscard]] int32_t getCountdown() const { return m_countdown; }

protected:
    ~GWorkerSpacing() override;

private:
    CArray<GWorkerNode*> m_workers;
    int32_t m_period = DefaultPeriod;
    int32_t m_countdown = 0;
    // Reused between spreads.
    CArray<GWorkerNode*> m_walking;
    CArray<GWorkerNode*> m_group;
};
