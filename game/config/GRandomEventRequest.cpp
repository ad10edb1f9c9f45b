#include "game/config/GRandomEventRequest.h"

#include "engine/core/CEventReceiver.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CStringW.h"
#include "engine/io/CXmlStreamReader.h"
#include "game/config/GRandomEventMessages.h"

namespace {

struct RequestClass {
    const char16_t* name;
    GRandomEventRequest::Event event;
    bool regular;
};

using E = GRandomEventRequest::Event;
constexpr RequestClass kClasses[] = {
    {u"OneTimeBrokenBuildingRequest", E::BrokenBuilding, false},
    {u"RegularBrokenBuildingRequest", E::BrokenBuilding, true},
    {u"OneTimeDirtyBuildingRequest", E::DirtyBuilding, false},
    {u"RegularDirtyBuildingRequest", E::DirtyBuilding, true},
    {u"OneTimeLetterRequest", E::Letter, false},
    {u"RegularLetterRequest", E::Letter, true},
    {u"OneTimeResourcesRequest", E::Resources, false},
    {u"RegularResourcesRequest", E::Resources, true},
    {u"RegularWeatherEffectRequest", E::WeatherEffect, true},
};

// countdown - elapsed, kept within the int range.
int countDown(int countdown, uint32_t elapsed) {
    const int64_t left = int64_t(countdown) - int64_t(elapsed);
    return left < INT32_MIN ? INT32_MIN : int(left);
}

bool isZero(GIntRange range) { return range.min == 0 && range.max == 0; }

} // namespace

GRandomEventRequest::GRandomEventRequest(Event event, bool regular) : m_event(event), m_regular(regular) {
    setUpdateInterval(UpdateIntervalMs);
}

GRandomEventRequest::~GRandomEventRequest() = default;

GRandomEventRequest* GRandomEventRequest::create(const CStringW& typeName) {
    for (const RequestClass& c : kClasses) {
        if (typeName == c.name)
            return new GRandomEventRequest(c.event, c.regular);
    }
    return nullptr;
}

void GRandomEventRequest::start(CEventReceiver* receiver, CUpdateScheduler* scheduler) {
    m_done = false;
    if (m_regular) {
        m_countdown = drawFromRange(isZero(FirstTimeRange) ? PeriodRange : FirstTimeRange);
        if (!isZero(LastTimeRange))
            m_endCountdown = drawFromRange(LastTimeRange);
    } else {
        m_countdown = drawFromRange(TimeRange);
    }
    m_receiver = receiver;
    setScheduler(scheduler);
}

void GRandomEventRequest::stop() {
    m_receiver = nullptr;
    setScheduler(nullptr);
}

bool GRandomEventRequest::update(uint32_t elapsed) {
    if (m_paused)
        return true;
    // A request whose last answer was false and that was called directly
    // (not by its scheduler) is still registered: it must not fire again.
    if (m_done)
        return false;
    if (!m_regular) {
        m_countdown = countDown(m_countdown, elapsed);
        if (m_countdown > 0)
            return true;
        m_done = true;
        send();
        return false;
    }
    if (m_endCountdown > 0) {
        m_endCountdown = countDown(m_endCountdown, elapsed);
        if (m_endCountdown <= 0) {
            m_endCountdown = 1;
            m_done = true;
            return false;
        }
    }
    m_countdown = countDown(m_countdown, elapsed);
    if (m_countdown >= 0)
        return true;
    send();
    m_countdown = drawFromRange(PeriodRange);
    return true;
}

void GRandomEventRequest::advance(uint32_t ms) {
    const int64_t step = ms;
    if (!m_regular) {
        if (step > m_countdown) {
            m_paused = true;
            setScheduler(nullptr);
        } else {
            m_countdown = countDown(m_countdown, ms);
        }
        return;
    }
    if (m_endCountdown > 0 && step > m_endCountdown) {
        m_paused = true;
        setScheduler(nullptr);
    } else if (FirstTimeRange.max > 0 && step > m_countdown) {
        m_countdown = drawFromRange(PeriodRange);
    } else {
        m_countdown = countDown(m_countdown, ms);
    }
}

void GRandomEventRequest::readFromXml(const CXmlStreamReader& reader) {
    if (m_regular) {
        FirstTimeRange = attributeIntRange(reader, "FirstTimeRange");
        LastTimeRange = attributeIntRange(reader, "LastTimeRange");
        PeriodRange = attributeIntRange(reader, "PeriodRange");
    } else {
        TimeRange = attributeIntRange(reader, "TimeRange");
    }
    if (m_event == Event::WeatherEffect) {
        DurationTimeRange = attributeIntRange(reader, "DurationTimeRange");
        return;
    }
    BuildingTypes = attributeNames(reader, "BuildingTypes");
    PlaceNames = attributeNames(reader, "PlaceNames");
    if (m_event == Event::Letter) {
        MoneyRange = attributeFloatRange(reader, "MoneyRange");
        WaitTimeRange = attributeFloatRange(reader, "WaitTimeRange");
    } else if (m_event == Event::Resources) {
        WaitTimeRange = attributeFloatRange(reader, "WaitTimeRange");
        Template = attributeName(reader, "Template");
        ResourceRanges.clear();
        ResourceRanges[CName("Materials")] = attributeIntRange(reader, "MaterialsRange");
        ResourceRanges[CName("Gold")] = attributeIntRange(reader, "GoldRange");
        ResourceRanges[CName("Money")] = attributeIntRange(reader, "MoneyRange");
    }
}

CEvent* GRandomEventRequest::createEvent() const {
    switch (m_event) {
    case Event::BrokenBuilding:
        // Only the one-time breakdown is marked as such.
        return new GBrokenBuildingEvent(BuildingTypes, PlaceNames, !m_regular);
    case Event::DirtyBuilding:
        return new GDirtyBuildingEvent(BuildingTypes, PlaceNames, false);
    case Event::Letter:
        return new GLetterEvent(BuildingTypes, PlaceNames, false, MoneyRange, WaitTimeRange);
    case Event::Resources:
        return new GResourcesEvent(BuildingTypes, PlaceNames, false, Template, ResourceRanges, WaitTimeRange);
    case Event::WeatherEffect:
        return new GWeatherEffectEvent(DurationTimeRange);
    }
    return nullptr;
}

void GRandomEventRequest::send() {
    if (!m_receiver)
        return;
    const CRefHandle<CEvent> event(createEvent());
    sendToLevel(m_receiver, event.get());
}
