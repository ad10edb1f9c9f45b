#include "game/config/RandomEvents.h"

#include "engine/core/CEngineManagers.h"
#include "engine/core/CEvent.h"
#include "engine/core/CEventReceiver.h"
#include "engine/core/CRandom.h"
#include "engine/core/CStringW.h"
#include "engine/core/CUpdateScheduler.h"
#include "game/config/GRandomEventMessages.h"
#include "tests/game/config/ConfigTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A level stand-in that keeps every event handed to it with the scheduler
// time it arrived at.
class EventLog : public CEventReceiver {
public:
    explicit EventLog(const CUpdateScheduler* clock) : m_clock(clock) {}
    bool handleEvent(CEvent* event) override {
        events.push_back(CRefHandle<CEvent>::share(event));
        times.push_back(m_clock->getTime());
        return true;
    }
    std::vector<CRefHandle<CEvent>> events;
    std::vector<uint32_t> times;

private:
    const CUpdateScheduler* m_clock;
};

CRefHandle<GRandomEventRequest> readRequest(const std::string& attributes) {
    CRefHandle<CXmlStreamReader> reader = xmlReaderAt("<Event " + attributes + "/>", u"Event");
    CRefHandle<GRandomEventRequest> request(GRandomEventRequest::create(reader->attribute("Type")));
    if (request)
        request->readFromXml(*reader);
    return request;
}

class RandomEventRequests : public ::testing::Test {
protected:
    // Runs the scheduler on in steps of 100 ms up to `until` (scheduler time).
    void runUntil(uint32_t until) {
        while (scheduler->getTime() < until)
            scheduler->update(100);
    }

    CRefHandle<CUpdateScheduler> scheduler{new CUpdateScheduler};
    CRefHandle<EventLog> level{new EventLog(scheduler.get())};
};

} // namespace

TEST_F(RandomEventRequests, RegularLetterFiresAfterItsFirstDelayThenEveryPeriod) {
    CRefHandle<GRandomEventRequest> letters = readRequest(
        "Type=\"RegularLetterRequest\" FirstTimeRange=\"60000,60000\" PeriodRange=\"30000,30000\" MoneyRange=\"1,2\"");
    letters->start(level.get(), scheduler.get());
    runUntil(160000);
    // A countdown that reaches exactly 0 waits for the next update.
    EXPECT_EQ(level->times, (std::vector<uint32_t>{60500, 91000, 121500, 152000}));
    for (const CRefHandle<CEvent>& event : level->events)
        EXPECT_EQ(event->getType(), GLetterEvent::TypeId);
    EXPECT_TRUE(letters->isRunning());
}

TEST_F(RandomEventRequests, RegularRequestEndsAtItsLastTime) {
    CRefHandle<GRandomEventRequest> letters =
        readRequest("Type=\"RegularLetterRequest\" FirstTimeRange=\"60000,60000\" PeriodRange=\"30000,30000\" "
                    "LastTimeRange=\"120000,120000\"");
    letters->start(level.get(), scheduler.get());
    runUntil(125000);
    EXPECT_EQ(level->times, (std::vector<uint32_t>{60500, 91000}));
    EXPECT_FALSE(letters->isRunning());
    EXPECT_EQ(scheduler->entryCount(), 0u);
    runUntil(200000);
    EXPECT_EQ(level->times.size(), 2u) << "an ended request is not restarted";
}

TEST_F(RandomEventRequests, PausedCountdownsStandStill) {
    CRefHandle<GRandomEventRequest> weather =
        readRequest("Type=\"RegularWeatherEffectRequest\" FirstTimeRange=\"2000,2000\" PeriodRange=\"0,0\" "
                    "LastTimeRange=\"5000,5000\" DurationTimeRange=\"20000,40000\"");
    weather->start(level.get(), scheduler.get());
    weather->setPaused(true);
    runUntil(10000);
    EXPECT_TRUE(level->times.empty());
    EXPECT_EQ(weather->getCountdown(), 2000);
    EXPECT_EQ(weather->getEndCountdown(), 5000);
    EXPECT_TRUE(weather->isRunning());

    weather->setPaused(false);
    runUntil(20000);
    // First after 2.5 s, then with no period at every update until the end.
    EXPECT_EQ(level->times, (std::vector<uint32_t>{12500, 13000, 13500, 14000, 14500}));
    EXPECT_FALSE(weather->isRunning());
    auto* event = dynamic_cast<GWeatherEffectEvent*>(level->events.front().get());
    ASSERT_TRUE(event);
    EXPECT_EQ(event->getDurationTimeRange(), (GIntRange{20000, 40000}));
    EXPECT_FALSE(event->isKindOf(GRandomEvent::TypeId));
}

TEST_F(RandomEventRequests, LevelStartUpdatesOncePausesAndFiresDueRequestsOnce) {
    CRefHandle<RandomEvents> events(new RandomEvents);
    CRefHandle<CXmlStreamReader> reader = xmlReaderAt(
        "<RandomEvents>"
        "<Event Type=\"OneTimeBrokenBuildingRequest\" TimeRange=\"0,0\" BuildingTypes=\"Mill1\" PlaceNames=\"P1;P2\"/>"
        "<Event Type=\"OneTimeDirtyBuildingRequest\" TimeRange=\"3000,3000\"/>"
        "<Event Type=\"OneTimeWeatherEffectRequest\" TimeRange=\"0,0\"/>"
        "<Event Type=\"RegularBrokenBuildingRequest\" PeriodRange=\"1000,1000\" BuildingTypes=\"Inn1\"/>"
        "</RandomEvents>",
        u"RandomEvents");
    events->readFromXml(*reader);
    ASSERT_EQ(events->size(), 3u);

    events->startAll(level.get(), scheduler.get());
    ASSERT_EQ(level->events.size(), 1u) << "due at once: fires in the start update, before the level runs";
    auto* broken = dynamic_cast<GBrokenBuildingEvent*>(level->events[0].get());
    ASSERT_TRUE(broken);
    EXPECT_TRUE(broken->isOneTime());
    EXPECT_TRUE(broken->isKindOf(GRandomEvent::TypeId));
    ASSERT_EQ(broken->getPlaceNames().size(), 2u);
    EXPECT_EQ(broken->getPlaceNames()[1], CName("P2"));
    EXPECT_FALSE(events->get(0)->isRunning());
    for (uint32_t i = 0; i < events->size(); ++i)
        EXPECT_TRUE(events->get(i)->isPaused());

    runUntil(5000);
    EXPECT_EQ(level->events.size(), 1u) << "nothing moves while paused";
    events->setAllPaused(false);
    runUntil(8000);
    // The dirty building had 2700 ms left; the regular breakdown 700 ms.
    std::vector<std::pair<int32_t, uint32_t>> seen;
    for (size_t i = 1; i < level->events.size(); ++i)
        seen.emplace_back(level->events[i]->getType(), level->times[i]);
    EXPECT_EQ(seen, (std::vector<std::pair<int32_t, uint32_t>>{{4124, 6000}, {4124, 7500}, {4125, 8000}}));
    auto* regular = dynamic_cast<GBrokenBuildingEvent*>(level->events[1].get());
    ASSERT_TRUE(regular);
    EXPECT_FALSE(regular->isOneTime());
    EXPECT_FALSE(events->get(1)->isRunning());

    events->stopAll();
    EXPECT_EQ(scheduler->entryCount(), 0u);
}

TEST_F(RandomEventRequests, EventsCarryTheRequestFields) {
    const struct {
        const char* attributes;
        int32_t type;
    } cases[] = {
        {"Type=\"OneTimeDirtyBuildingRequest\" BuildingTypes=\"A;B\"", GDirtyBuildingEvent::TypeId},
        {"Type=\"OneTimeLetterRequest\" BuildingTypes=\"A;B\" MoneyRange=\"0.5,1.5\" WaitTimeRange=\"100,200\"",
         GLetterEvent::TypeId},
        {"Type=\"RegularResourcesRequest\" BuildingTypes=\"A;B\" Template=\"Pile\" GoldRange=\"3,4\" "
         "WaitTimeRange=\"100,200\"",
         GResourcesEvent::TypeId},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.attributes);
        CRefHandle<GRandomEventRequest> request = readRequest(c.attributes);
        ASSERT_TRUE(request);
        CRefHandle<CEvent> made(request->createEvent());
        ASSERT_EQ(made->getType(), c.type);
        auto* event = dynamic_cast<GRandomEvent*>(made.get());
        ASSERT_TRUE(event);
        EXPECT_FALSE(event->isOneTime()) << "only the one-time breakdown is marked";
        EXPECT_EQ(event->getBuildingTypes().size(), 2u);
        EXPECT_TRUE(event->isKindOf(GRandomEvent::TypeId) && event->isKindOf(4096) && event->isKindOf(0));
        if (auto* letter = dynamic_cast<GLetterEvent*>(event)) {
            EXPECT_EQ(letter->getMoneyRange(), (GFloatRange{0.5f, 1.5f}));
            EXPECT_EQ(letter->getWaitTimeRange(), (GFloatRange{100.0f, 200.0f}));
        }
        if (auto* pile = dynamic_cast<GResourcesEvent*>(event)) {
            EXPECT_EQ(pile->getTemplate(), CName("Pile"));
            EXPECT_EQ(pile->getResourceRanges().size(), 3u);
            EXPECT_EQ(pile->getResourceRanges().find(CName("Gold"))->value, (GIntRange{3, 4}));
            EXPECT_EQ(pile->getWaitTimeRange(), (GFloatRange{100.0f, 200.0f}));
        }
    }
}

TEST_F(RandomEventRequests, DrawnTimesStayInTheirRanges) {
    CEngineManagers::instance().getRandom()->seed(77);
    const struct {
        const char* attributes;
        int min;
        int max;
    } cases[] = {
        {"Type=\"OneTimeLetterRequest\" TimeRange=\"3000,6000\"", 3000, 6000},
        {"Type=\"OneTimeLetterRequest\" TimeRange=\"6000,3000\"", 6000, 6000},
        {"Type=\"OneTimeLetterRequest\" TimeRange=\"7000\"", 7000, 7000}, // the missing max reads 0
        {"Type=\"RegularLetterRequest\" PeriodRange=\"-500,500\"", -500, 500},
        {"Type=\"RegularLetterRequest\" FirstTimeRange=\"9000,8000\" PeriodRange=\"1,2\"", 9000, 9000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.attributes);
        CRefHandle<GRandomEventRequest> request = readRequest(c.attributes);
        for (int round = 0; round < 20; ++round) {
            request->start(nullptr, nullptr);
            EXPECT_GE(request->getCountdown(), c.min);
            EXPECT_LE(request->getCountdown(), c.max);
        }
    }
}

TEST_F(RandomEventRequests, WithoutAReceiverNothingIsSent) {
    CRefHandle<GRandomEventRequest> once = readRequest("Type=\"OneTimeLetterRequest\" TimeRange=\"1000,1000\"");
    CRefHandle<GRandomEventRequest> regular = readRequest("Type=\"RegularLetterRequest\" PeriodRange=\"0,0\"");
    once->start(level.get(), scheduler.get());
    regular->start(level.get(), scheduler.get());
    once->stop();
    once->setScheduler(scheduler.get());
    regular->stop();
    runUntil(3000);
    EXPECT_TRUE(level->events.empty());
    EXPECT_FALSE(once->isRunning()) << "dropped when due";
    EXPECT_FALSE(regular->isRunning());
}

TEST_F(RandomEventRequests, AdvanceMovesTimersWithoutSending) {
    CRefHandle<GRandomEventRequest> once = readRequest("Type=\"OneTimeLetterRequest\" TimeRange=\"5000,5000\"");
    once->start(level.get(), scheduler.get());
    once->advance(2000);
    EXPECT_EQ(once->getCountdown(), 3000);
    once->advance(3001);
    EXPECT_TRUE(once->isPaused());
    EXPECT_FALSE(once->isRunning());

    CRefHandle<GRandomEventRequest> regular = readRequest("Type=\"RegularLetterRequest\" FirstTimeRange=\"4000,4000\" "
                                                          "PeriodRange=\"9000,9000\" LastTimeRange=\"20000,20000\"");
    regular->start(level.get(), scheduler.get());
    regular->advance(5000);
    EXPECT_EQ(regular->getCountdown(), 9000) << "the pending event is skipped";
    regular->advance(1000);
    EXPECT_EQ(regular->getCountdown(), 8000);
    regular->advance(20001);
    EXPECT_TRUE(regular->isPaused());
    EXPECT_FALSE(regular->isRunning());
    EXPECT_TRUE(level->events.empty());
}

TEST_F(RandomEventRequests, OnlyTheNineClassNamesMakeRequests) {
    for (const char16_t* name :
         {u"OneTimeBrokenBuildingRequest", u"RegularBrokenBuildingRequest", u"OneTimeDirtyBuildingRequest",
          u"RegularDirtyBuildingRequest", u"OneTimeLetterRequest", u"RegularLetterRequest", u"OneTimeResourcesRequest",
          u"RegularResourcesRequest", u"RegularWeatherEffectRequest"}) {
        CRefHandle<GRandomEventRequest> request(GRandomEventRequest::create(CStringW(name)));
        ASSERT_TRUE(request);
        EXPECT_EQ(request->getUpdateInterval(), 500u);
        EXPECT_TRUE(request->Template.empty());
    }
    for (const char16_t* name : {u"OneTimeWeatherEffectRequest", u"regularLetterRequest", u""})
        EXPECT_FALSE(CRefHandle<GRandomEventRequest>(GRandomEventRequest::create(CStringW(name))));
}
