#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CMap.h"
#include "engine/core/CName.h"
#include "engine/core/CScheduledObject.h"
#include "game/config/ConfigXml.h"

#include <cstdint>

class CEvent;
class CEventReceiver;
class CStringW;
class CUpdateScheduler;
class CXmlStreamReader;

// A source of random events, read from an "Event" element of a level: a timer
// on the play screen's update scheduler that at random moments sends one game
// event to the level scene, which decides what it does.
//
// A one-time request sends its event once, TimeRange after its start. A
// regular one sends it again and again, PeriodRange apart, optionally first
// after FirstTimeRange and never after LastTimeRange. All ranges are ms.
class GRandomEventRequest : public CScheduledObject {
public:
    // What the request sends.
    enum class Event : uint8_t {
        BrokenBuilding, // GBrokenBuildingEvent (4124)
        DirtyBuilding,  // GDirtyBuildingEvent (4125)
        Letter,         // GLetterEvent (4126)
        Resources,      // GResourcesEvent (4127)
        WeatherEffect,  // GWeatherEffectEvent (4131)
    };

    static constexpr uint32_t UpdateIntervalMs = 500;

    GRandomEventRequest(Event event, bool regular);

    // A new request (count 1, not started, not paused, all ranges 0) of the
    // class `typeName` names: "OneTime" or "Regular" followed by
    // "BrokenBuildingRequest", "DirtyBuildingRequest", "LetterRequest" or
    // "ResourcesRequest", or "RegularWeatherEffectRequest". Null for any
    // other name.
    [[nodiscard]] static GRandomEventRequest* create(const CStringW& typeName);

    // Arms the timers, keeps `receiver` (not counted: the level stops its
    // requests before it goes) and moves to `scheduler`.
    void start(CEventReceiver* receiver, CUpdateScheduler* scheduler);
    // Forgets the receiver and leaves the scheduler.
    void stop();
    // Counts `elapsed` ms down and sends the event when due. False when the
    // request is done: a one-time request once it has fired, a regular one
    // once its end time has run out. While paused, nothing moves.
    [[nodiscard]] bool update(uint32_t elapsed) override;
    // Moves the timers on by `ms` without sending. A request whose next
    // event (one-time) or end (regular) falls within `ms` pauses and leaves
    // its scheduler; a regular request with a first delay skips its pending
    // event and draws a new period.
    void advance(uint32_t ms);
    // Reader on the "Event" element: takes the attributes of its kind.
    void readFromXml(const CXmlStreamReader& reader);

    // A new event (count 1) carrying the request's fields, as `update` sends it.
    [[nodiscard]] CEvent* createEvent() const;

    void setPaused(bool paused) { m_paused = paused; }
    [[nodiscard]] bool isPaused() const { return m_paused; }
    // True while registered with a scheduler.
    [[nodiscard]] bool isRunning() const { return getScheduler() != nullptr; }
    [[nodiscard]] bool isRegular() const { return m_regular; }
    [[nodiscard]] Event getEvent() const { return m_event; }
    // Ms to the next event; ms to the end (regular; 0: no end).
    [[nodiscard]] int getCountdown() const { return m_countdown; }
    [[nodiscard]] int getEndCountdown() const { return m_endCountdown; }

    // One-time requests.
    GIntRange TimeRange;
    // Regular requests.
    GIntRange FirstTimeRange;
    GIntRange LastTimeRange;
    GIntRange PeriodRange;
    // Filters of the building and place events (empty: any).
    CArray<CName> BuildingTypes;
    CArray<CName> PlaceNames;
    // Letters: a factor range on the building's income. Letters and resource
    // piles: how long they wait, in ms.
    GFloatRange MoneyRange;
    GFloatRange WaitTimeRange;
    // Resource piles: the pile's template and the amount ranges of
    // "Materials", "Gold" and "Money".
    CName Template;
    CMap<CName, GIntRange> ResourceRanges;
    // Weather: how long it lasts, in ms (drawn by the level).
    GIntRange DurationTimeRange;

protected:
    ~GRandomEventRequest() override;

private:
    void send();

    Event m_event;
    bool m_regular;
    bool m_paused = false;
    // Set when `update` has answered false; `start` clears it.
    bool m_done = false;
    CEventReceiver* m_receiver = nullptr;
    int m_countdown = 0;
    int m_endCountdown = 0;
};
