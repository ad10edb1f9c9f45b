#include "engine/core/CUpdateScheduler.h"

#include "engine/core/CEngine.h"
#include "engine/core/CEventUpdate.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CScheduledObject.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

// Records the elapsed times it is called with and runs an optional action
// from inside its update.
class Ticker : public CScheduledObject {
public:
    explicit Ticker(uint32_t interval = 0, std::string name = "", std::string* trace = nullptr)
        : m_name(std::move(name)), m_trace(trace) {
        setUpdateInterval(interval);
    }

    bool update(uint32_t elapsed) override {
        calls.push_back(elapsed);
        if (m_trace)
            *m_trace += m_name + " ";
        if (onUpdate)
            onUpdate();
        return keep;
    }

    std::vector<uint32_t> calls;
    std::function<void()> onUpdate;
    bool keep = true;

    static int deaths;

protected:
    ~Ticker() override { ++deaths; }

private:
    std::string m_name;
    std::string* m_trace;
};

int Ticker::deaths = 0;

// Ticks `scheduler` `count` times with `elapsed` each.
void run(CUpdateScheduler& scheduler, int count, uint32_t elapsed) {
    for (int i = 0; i < count; ++i)
        scheduler.update(elapsed);
}

} // namespace

TEST(CUpdateScheduler, ObjectsAreCalledOnceTheirIntervalHasPassed) {
    const struct {
        const char* what;
        uint32_t interval, step;
        int updates;
        std::vector<uint32_t> calls;
    } cases[] = {
        {"interval 30 on 10 ms updates", 30, 10, 7, {30, 30}},
        {"interval 30 on 25 ms updates", 30, 25, 4, {50, 50}},
        {"interval 0 on every update", 0, 16, 3, {16, 16, 16}},
        {"lateness is not made up", 20, 15, 6, {30, 30, 30}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CRefHandle<CUpdateScheduler> scheduler(new CUpdateScheduler);
        CRefHandle<Ticker> ticker(new Ticker(c.interval));
        ticker->setScheduler(scheduler.get());
        run(*scheduler, c.updates, c.step);
        EXPECT_EQ(ticker->calls, c.calls);
    }
}

TEST(CUpdateScheduler, TimeScaleAndDisablingShapeSchedulerTime) {
    CRefHandle<CUpdateScheduler> scheduler(new CUpdateScheduler);
    CRefHandle<Ticker> ticker(new Ticker);
    scheduler->registerObject(ticker.get());
    scheduler->setTimeScale(0.5f);
    run(*scheduler, 2, 10);
    EXPECT_EQ(scheduler->getTime(), 10u);
    EXPECT_EQ(ticker->calls, (std::vector<uint32_t>{5, 5}));

    scheduler->setEnabled(false);
    run(*scheduler, 3, 10);
    EXPECT_EQ(scheduler->getTime(), 10u);
    EXPECT_EQ(ticker->calls.size(), 2u);

    scheduler->setEnabled(true);
    scheduler->setTimeScale(-1.0f); // time never runs backwards
    run(*scheduler, 1, 10);
    EXPECT_EQ(scheduler->getTime(), 10u);
    EXPECT_EQ(ticker->calls.back(), 0u);
}

TEST(CUpdateScheduler, SchedulerTimeKeepsSmallStepsAfterDaysOfPlay) {
    CRefHandle<CUpdateScheduler> scheduler(new CUpdateScheduler);
    scheduler->update(2u * 24 * 60 * 60 * 1000); // two days
    CRefHandle<Ticker> ticker(new Ticker);
    scheduler->registerObject(ticker.get());
    run(*scheduler, 5, 10);
    EXPECT_EQ(ticker->calls, (std::vector<uint32_t>{10, 10, 10, 10, 10}));
}

TEST(CUpdateScheduler, DropsObjectsThatOnlyItHoldsOrThatAskToGo) {
    Ticker::deaths = 0;
    CRefHandle<CUpdateScheduler> scheduler(new CUpdateScheduler);
    auto* orphan = new Ticker;
    scheduler->registerObject(orphan);
    orphan->release(); // the scheduler holds the last reference
    scheduler->setEnabled(false);
    scheduler->update(10); // even a disabled scheduler lets it go
    EXPECT_EQ(Ticker::deaths, 1);
    EXPECT_EQ(scheduler->entryCount(), 0u);

    scheduler->setEnabled(true);
    CRefHandle<Ticker> quitter(new Ticker);
    quitter->keep = false;
    quitter->setScheduler(scheduler.get());
    run(*scheduler, 2, 10);
    EXPECT_EQ(quitter->calls.size(), 1u);
    EXPECT_EQ(quitter->getScheduler(), nullptr);
    EXPECT_EQ(quitter->referenceCount(), 1);
}

TEST(CUpdateScheduler, ObjectsMayChangeRegistrationsFromInsideTheirUpdate) {
    std::string trace;
    CRefHandle<CUpdateScheduler> scheduler(new CUpdateScheduler);
    CRefHandle<Ticker> a(new Ticker(0, "a", &trace));
    CRefHandle<Ticker> b(new Ticker(0, "b", &trace));
    CRefHandle<Ticker> c(new Ticker(0, "c", &trace));
    CRefHandle<Ticker> added(new Ticker(0, "added", &trace));
    for (Ticker* t : {a.get(), b.get(), c.get()})
        t->setScheduler(scheduler.get());

    // a removes the later b and registers a newcomer: b is not called, the
    // newcomer first runs in the next update.
    a->onUpdate = [&] {
        b->setScheduler(nullptr);
        added->setScheduler(scheduler.get());
    };
    scheduler->update(10);
    EXPECT_EQ(trace, "a c ");
    EXPECT_EQ(b->referenceCount(), 1);
    EXPECT_EQ(added->referenceCount(), 2);
    a->onUpdate = nullptr;

    // Removal moved the last entry into the gap: the newcomer came after c.
    trace.clear();
    scheduler->update(10);
    EXPECT_EQ(trace, "a c added ");

    // Unregistering a (the first entry) moves the last one into its place.
    trace.clear();
    scheduler->unregisterObject(a.get());
    scheduler->update(10);
    EXPECT_EQ(trace, "added c ");
}

TEST(CUpdateScheduler, SelfUnregisteringObjectIsReleasedUnlessItRegistersAgain) {
    CRefHandle<CUpdateScheduler> scheduler(new CUpdateScheduler);
    CRefHandle<Ticker> leaver(new Ticker);
    CRefHandle<Ticker> returner(new Ticker);
    leaver->setScheduler(scheduler.get());
    returner->setScheduler(scheduler.get());
    leaver->onUpdate = [&] { leaver->setScheduler(nullptr); };
    returner->onUpdate = [&] {
        scheduler->unregisterObject(returner.get());
        scheduler->registerObject(returner.get());
    };
    run(*scheduler, 3, 10);
    EXPECT_EQ(leaver->calls.size(), 1u);
    EXPECT_EQ(leaver->referenceCount(), 1);
    // One entry, one reference, called every time with its own elapsed time.
    EXPECT_EQ(returner->calls, (std::vector<uint32_t>{10, 10, 10}));
    EXPECT_EQ(returner->referenceCount(), 2);
    EXPECT_EQ(scheduler->entryCount(), 1u);

    // Registered and unregistered within one update: nothing stays.
    CRefHandle<Ticker> passing(new Ticker);
    returner->onUpdate = [&] {
        scheduler->registerObject(passing.get());
        scheduler->unregisterObject(passing.get());
    };
    scheduler->update(10);
    EXPECT_EQ(passing->referenceCount(), 1);
    EXPECT_EQ(scheduler->entryCount(), 1u);
}

TEST(CUpdateScheduler, UnregisteringAnObjectItDoesNotHoldLeavesALaterRegistrationWhole) {
    CRefHandle<CUpdateScheduler> scheduler(new CUpdateScheduler);
    CRefHandle<Ticker> caller(new Ticker);
    CRefHandle<Ticker> stranger(new Ticker);
    caller->setScheduler(scheduler.get());
    caller->onUpdate = [&] {
        scheduler->unregisterObject(stranger.get()); // never registered here
        scheduler->registerObject(stranger.get());
    };
    scheduler->update(10);
    caller->onUpdate = nullptr;
    EXPECT_EQ(scheduler->entryCount(), 2u);
    EXPECT_EQ(stranger->referenceCount(), 2);
    EXPECT_EQ(stranger->getScheduler(), scheduler.get());
    scheduler->update(10);
    EXPECT_EQ(stranger->calls, std::vector<uint32_t>{10});
}

TEST(CUpdateScheduler, ObjectMovedToAnotherSchedulerIsNotCalledByTheOldOne) {
    CRefHandle<CUpdateScheduler> oldScheduler(new CUpdateScheduler);
    CRefHandle<CUpdateScheduler> newScheduler(new CUpdateScheduler);
    CRefHandle<Ticker> mover(new Ticker);
    CRefHandle<Ticker> moved(new Ticker);
    mover->setScheduler(oldScheduler.get());
    moved->setScheduler(oldScheduler.get());
    mover->onUpdate = [&] { moved->setScheduler(newScheduler.get()); };

    oldScheduler->update(10);
    EXPECT_TRUE(moved->calls.empty());
    EXPECT_EQ(moved->getScheduler(), newScheduler.get());
    EXPECT_EQ(oldScheduler->entryCount(), 1u);
    EXPECT_EQ(moved->referenceCount(), 2); // the new scheduler's reference only

    newScheduler->update(10);
    oldScheduler->update(10);
    EXPECT_EQ(moved->calls.size(), 1u);
}

TEST(CUpdateScheduler, DestructionReleasesObjectsAndClearsTheirLinks) {
    CRefHandle<Ticker> ticker(new Ticker);
    CRefHandle<Ticker> pending(new Ticker);
    {
        CRefHandle<CUpdateScheduler> scheduler(new CUpdateScheduler);
        ticker->setScheduler(scheduler.get());
        scheduler->registerObject(nullptr); // ignored
        EXPECT_EQ(ticker->referenceCount(), 2);
        // Dropping the last outside reference during an update is safe.
        CUpdateScheduler* raw = scheduler.detach();
        ticker->onUpdate = [&] {
            pending->setScheduler(raw);
            raw->release();
        };
        raw->update(10);
    }
    EXPECT_EQ(ticker->getScheduler(), nullptr);
    EXPECT_EQ(ticker->referenceCount(), 1);
    EXPECT_EQ(pending->getScheduler(), nullptr);
    EXPECT_EQ(pending->referenceCount(), 1);
}

TEST(CUpdateScheduler, NeverConsumesTheUpdateEvent) {
    CRefHandle<CEngine> engine(new CEngine(CEngineCreationParams()));
    CRefHandle<CUpdateScheduler> first(engine->createScheduler());
    CRefHandle<CUpdateScheduler> second(engine->createScheduler());
    ASSERT_TRUE(engine->addListener(first.get(), 2));
    ASSERT_TRUE(engine->addListener(second.get(), 3));
    CRefHandle<CEventUpdate> update(new CEventUpdate(25));
    EXPECT_FALSE(engine->postEvent(update.get()));
    EXPECT_EQ(first->getTime(), 25u);
    EXPECT_EQ(second->getTime(), 25u);
}
