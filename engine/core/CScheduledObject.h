#pragma once

#include "engine/core/CRefCounted.h"

#include <cstdint>

class CUpdateScheduler;

// Something an update scheduler calls as time passes: `update` runs when at
// least the object's interval of scheduler time has passed since its previous
// call. The scheduler holds a reference while the object is registered.
class CScheduledObject : public virtual CRefCounted {
public:
    // `elapsed` is the scheduler time since the previous call, in ms. Answer
    // false to be dropped from the scheduler.
    [[nodiscard]] virtual bool update(uint32_t elapsed) = 0;

    // Moves the object to `scheduler` (null: none), unregistering it from the
    // current one first; nothing when it is already there.
    void setScheduler(CUpdateScheduler* scheduler);
    [[nodiscard]] CUpdateScheduler* getScheduler() const { return m_scheduler; }

    // Least scheduler time between two calls, in ms; 0: every scheduler update.
    [[nodiscard]] uint32_t getUpdateInterval() const { return m_interval; }

protected:
    CScheduledObject() = default;
    ~CScheduledObject() override;

    void setUpdateInterval(uint32_t ms) { m_interval = ms; }

private:
    friend class CUpdateScheduler;

    uint32_t m_interval = 0;
    CUpdateScheduler* m_scheduler = nullptr;
};
