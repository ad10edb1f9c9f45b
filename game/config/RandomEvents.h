#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CRefCounted.h"
#include "engine/core/CRefHandle.h"
#include "game/config/GRandomEventRequest.h"

#include <cstdint>

class CEventReceiver;
class CUpdateScheduler;
class CXmlStreamReader;

// A level's random-event requests in file order. A request that has finished
// stays in the list, off its scheduler.
class RandomEvents : public CRefCounted {
public:
    // The direct update each request gets at level start, before the level
    // pauses them: a request due at once fires here.
    static constexpr uint32_t StartUpdateMs = 300;

    RandomEvents() = default;

    // Reader on the "RandomEvents" start element: stops and replaces every
    // request with the "Event" children, up to the element's end; a Type
    // that names no request class is skipped.
    void readFromXml(CXmlStreamReader& reader);

    // Level start: starts every request in list order with `receiver` and
    // `scheduler`, updates it once by StartUpdateMs and pauses it. A request
    // that finishes in that update leaves the scheduler.
    void startAll(CEventReceiver* receiver, CUpdateScheduler* scheduler);
    void stopAll();
    void setAllPaused(bool paused);

    // Appends `request`, taking a reference of its own; null is ignored.
    void add(GRandomEventRequest* request);
    [[nodiscard]] uint32_t size() const { return m_requests.size(); }
    [[nodiscard]] GRandomEventRequest* get(uint32_t index) const {
        return index < m_requests.size() ? m_requests[index].get() : nullptr;
    }

protected:
    ~RandomEvents() override;

private:
    CArray<CRefHandle<GRandomEventRequest>> m_requests;
};
