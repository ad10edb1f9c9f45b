#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CEventReceiver.h"

#include <cstdint>

class CEvent;
class CEventUpdate;
class CScheduledObject;

// Turns the engine's update events into `update` calls on the registered
// objects, each at its own interval, in a scheduler time that can be scaled
// and stopped. An engine listener (mask: system flow) that never consumes the
// update event, so listeners after it still get it.
//
// Registrations and removals made while the scheduler updates (from inside
// an object's update) take effect at the end of that update: an object added
// then is first called by the next update; one removed is not called again.
// An object that only the scheduler still holds is dropped at the end of an
// update.
class CUpdateScheduler : public CEventReceiver {
public:
    CUpdateScheduler();

    bool handleEvent(CEvent* event) override;
    [[nodiscard]] static const CEventHandlerTable& handlerTable();

    // Takes a reference; null is ignored. Registering an object twice gives it
    // two entries. An object unregistered earlier in the current update keeps
    // its entry instead.
    virtual void registerObject(CScheduledObject* object);
    // Drops the object's entry and reference (at the end of the current
    // update while updating).
    virtual void unregisterObject(CScheduledObject* object);

    // While disabled, time stands still and nobody is called.
    virtual void setEnabled(bool enabled) { m_enabled = enabled; }
    [[nodiscard]] virtual bool isEnabled() const { return m_enabled; }
    // Multiplies the elapsed time of each update; negative counts as 0.
    virtual void setTimeScale(float scale) { m_timeScale = scale; }
    [[nodiscard]] virtual float getTimeScale() const { return m_timeScale; }

    // Advances scheduler time by `elapsed` ms (scaled) and calls the objects
    // that are due.
    virtual void update(uint32_t elapsed);
    // Runs `update` with the event's time; never consumes the event.
    virtual bool onUpdateEvent(CEventUpdate* event);

    // Scheduler time in ms, truncated, modulo 2^32.
    [[nodiscard]] uint32_t getTime() const;
    [[nodiscard]] bool isUpdating() const { return m_updating; }
    // Registered entries, not counting registrations waiting for the end of
    // the current update.
    [[nodiscard]] uint32_t entryCount() const { return m_entries.size(); }

protected:
    ~CUpdateScheduler() override;

private:
    struct Entry {
        CScheduledObject* object;
        uint32_t lastTime;
    };

    void sweep();
    // True when an entry, registered or waiting, names `object`.
    [[nodiscard]] bool holds(const CScheduledObject* object) const;

    bool m_enabled = true;
    float m_timeScale = 1.0f;
    bool m_updating = false;
    CArray<Entry> m_entries;
    CArray<Entry> m_pendingAdds;
    CArray<CScheduledObject*> m_pendingRemovals;
    // Kept in double: in single precision, after a day or two of play a 10 ms
    // step would round to 0 or 16 ms.
    double m_time = 0.0;
};
