#include "engine/platform/CPlatformThread.h"

#include "engine/platform/CPlatformProcess.h"

#include <errno.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

// A thread body that records its priority when it starts, then waits until
// released and records it again.
struct Probe {
    std::mutex lock;
    std::condition_variable changed;
    bool release = false;
    bool checkedIn = false;
    int runs = 0;
    PlatformThreadPriority atStart = PlatformThreadPriority::Normal;
    PlatformThreadPriority atEnd = PlatformThreadPriority::Normal;

    static void body(void* raw) {
        auto* probe = static_cast<Probe*>(raw);
        std::unique_lock<std::mutex> guard(probe->lock);
        ++probe->runs;
        probe->atStart = CPlatformThread::currentThreadPriority();
        probe->checkedIn = true;
        probe->changed.notify_all();
        probe->changed.wait(guard, [probe] { return probe->release; });
        probe->atEnd = CPlatformThread::currentThreadPriority();
    }

    void waitUntilCheckedIn() {
        std::unique_lock<std::mutex> guard(lock);
        changed.wait(guard, [this] { return checkedIn; });
    }
    void letGo() {
        std::lock_guard<std::mutex> guard(lock);
        release = true;
        changed.notify_all();
    }
};

// The nice value this test process was started with: priorities are
// relative to it (the suite must pass under `nice -n 15` too).
int processNice() {
    errno = 0;
    int nice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(::getpid()));
    return errno == 0 ? nice : 0;
}

int lowestNice() { return processNice() + 10 > 19 ? 19 : processNice() + 10; }

// At a base of 19 there is nothing lower, and Lowest reads as Normal.
PlatformThreadPriority lowestAsSeen() {
    return lowestNice() > processNice() ? PlatformThreadPriority::Lowest : PlatformThreadPriority::Normal;
}

// Set by a thread-local object's destructor, which runs after everything
// else the thread does, to tell that the thread has really ended. Static, so
// the ending thread never touches a destroyed object.
struct EndSignal {
    std::mutex lock;
    std::condition_variable changed;
    bool ended = false;

    void set() {
        std::lock_guard<std::mutex> guard(lock);
        ended = true;
        changed.notify_all();
    }
    void reset() {
        std::lock_guard<std::mutex> guard(lock);
        ended = false;
    }
    bool waitForEnd() {
        std::unique_lock<std::mutex> guard(lock);
        return changed.wait_for(guard, std::chrono::seconds(30), [this] { return ended; });
    }
};

EndSignal& endSignal() {
    static EndSignal signal;
    return signal;
}

struct EndMark {
    bool armed = false;
    ~EndMark() {
        if (armed)
            endSignal().set();
    }
};
thread_local EndMark t_endMark;

} // namespace

TEST(CPlatformThread, RunsTheEntryOnceAndJoins) {
    Probe probe;
    probe.release = true;
    CPlatformThread thread;
    EXPECT_FALSE(thread.isStarted());
    ASSERT_TRUE(thread.start(&Probe::body, &probe, PlatformThreadPriority::Normal));
    EXPECT_TRUE(thread.isStarted());
    thread.join();
    EXPECT_FALSE(thread.isStarted());
    EXPECT_EQ(probe.runs, 1);
    EXPECT_EQ(probe.atStart, PlatformThreadPriority::Normal);
    thread.join(); // nothing left to join
}

TEST(CPlatformThread, StartsOnlyOneThreadAtATime) {
    Probe probe;
    CPlatformThread thread;
    ASSERT_TRUE(thread.start(&Probe::body, &probe, PlatformThreadPriority::Normal));
    EXPECT_FALSE(thread.start(&Probe::body, &probe, PlatformThreadPriority::Normal));
    probe.letGo();
    thread.join();
    EXPECT_EQ(probe.runs, 1);

    // Once joined, the object can run another thread.
    probe.checkedIn = false;
    ASSERT_TRUE(thread.start(&Probe::body, &probe, PlatformThreadPriority::Normal));
    thread.join();
    EXPECT_EQ(probe.runs, 2);
}

TEST(CPlatformThread, TakesTheLowestPriorityBeforeItsEntryRuns) {
    Probe probe;
    probe.release = true;
    CPlatformThread thread;
    ASSERT_TRUE(thread.start(&Probe::body, &probe, PlatformThreadPriority::Lowest));
    thread.join();
    EXPECT_EQ(probe.atStart, lowestAsSeen());
}

// The lowest priority must not starve: a time-shared thread with a high nice
// value, not SCHED_IDLE, which runs only while a processor has nothing else.
TEST(CPlatformThread, LowestIsATimeSharedThreadWithAHighNiceValue) {
    struct Seen {
        int policy = -1;
        int nice = 0;
        int error = 0;
    } seen;
    CPlatformThread thread;
    ASSERT_TRUE(thread.start(
        [](void* raw) {
            auto* out = static_cast<Seen*>(raw);
            sched_param param{};
            (void)::pthread_getschedparam(::pthread_self(), &out->policy, &param);
            errno = 0;
            out->nice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()));
            out->error = errno;
        },
        &seen, PlatformThreadPriority::Lowest));
    thread.join();
    EXPECT_EQ(seen.policy, SCHED_OTHER);
    EXPECT_EQ(seen.error, 0);
    EXPECT_EQ(seen.nice, lowestNice());
}

TEST(CPlatformThread, ChangesTheRunningThreadsPriority) {
    Probe probe;
    CPlatformThread thread;
    ASSERT_TRUE(thread.start(&Probe::body, &probe, PlatformThreadPriority::Normal));
    probe.waitUntilCheckedIn();
    EXPECT_TRUE(thread.setPriority(PlatformThreadPriority::Lowest));
    probe.letGo();
    thread.join();
    EXPECT_EQ(probe.atStart, PlatformThreadPriority::Normal);
    EXPECT_EQ(probe.atEnd, lowestAsSeen());
}

TEST(CPlatformThread, RaisingReportsWhetherTheSystemAllowedIt) {
    // Raising needs a privilege the test may not have: either outcome is
    // fine, as long as the answer matches what the thread then has.
    Probe probe;
    CPlatformThread thread;
    ASSERT_TRUE(thread.start(&Probe::body, &probe, PlatformThreadPriority::Normal));
    probe.waitUntilCheckedIn();
    bool raised = thread.setPriority(PlatformThreadPriority::Highest);
    probe.letGo();
    thread.join();
    EXPECT_EQ(probe.atEnd, raised ? PlatformThreadPriority::Highest : PlatformThreadPriority::Normal);
}

TEST(CPlatformThread, SetPriorityNeedsARunningThread) {
    CPlatformThread thread;
    EXPECT_FALSE(thread.setPriority(PlatformThreadPriority::Lowest));

    Probe probe;
    probe.release = true;
    ASSERT_TRUE(thread.start(&Probe::body, &probe, PlatformThreadPriority::Normal));
    thread.join();
    EXPECT_FALSE(thread.setPriority(PlatformThreadPriority::Lowest));
}

TEST(CPlatformThread, DestructionWaitsForTheThread) {
    std::atomic<int> finished{0};
    {
        CPlatformThread thread;
        ASSERT_TRUE(thread.start(
            [](void* raw) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                static_cast<std::atomic<int>*>(raw)->store(1);
            },
            &finished, PlatformThreadPriority::Normal));
    }
    EXPECT_EQ(finished.load(), 1);
}

TEST(CPlatformThread, NormalIsTheProcessesOwnNiceValue) {
    int nice = 1000;
    CPlatformThread thread;
    ASSERT_TRUE(thread.start(
        [](void* out) { *static_cast<int*>(out) = ::getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid())); }, &nice,
        PlatformThreadPriority::Normal));
    thread.join();
    EXPECT_EQ(nice, processNice());
}

TEST(CPlatformThread, PrioritiesFollowTheNiceValueTheProcessStartedWith) {
    // A child that makes itself 3 nicer before its first thread, as `nice`
    // would have started it.
    CPlatformProcess child;
    CPlatformProcess::Options options;
    PlatformExitStatus status;
    ASSERT_TRUE(child.start(BM_PLATFORM_TEST_HELPER, {"nice", "3"}, options));
    ASSERT_TRUE(child.waitForExit(30000, &status));
    EXPECT_TRUE(status.exited);
    EXPECT_EQ(status.code, 0);
}

TEST(CPlatformThread, AThreadMayDropItsOwnObject) {
    // The entry destroys the object that started it: the thread must detach
    // itself instead of waiting for itself, and end without touching freed
    // memory (the sanitizer build catches that). It may do so at once, while
    // start() is still waiting for it to run, or later.
    for (bool waitForStartToReturn : {false, true}) {
        SCOPED_TRACE(waitForStartToReturn ? "after start returned" : "while start waits");
        endSignal().reset();
        struct Start {
            CPlatformThread* thread;
            std::mutex gate;
        } start{new CPlatformThread(), {}};
        if (waitForStartToReturn)
            start.gate.lock();
        ASSERT_TRUE(start.thread->start(
            [](void* raw) {
                auto* start = static_cast<Start*>(raw);
                t_endMark.armed = true;
                start->gate.lock(); // held by the test until start() has returned
                CPlatformThread* self = start->thread;
                start->gate.unlock();
                delete self;
            },
            &start, PlatformThreadPriority::Normal));
        if (waitForStartToReturn)
            start.gate.unlock();
        // `start` outlives the thread's use of it: the end signal comes after.
        EXPECT_TRUE(endSignal().waitForEnd());
    }
}

TEST(CPlatformThread, RefusesAMissingEntry) {
    CPlatformThread thread;
    EXPECT_FALSE(thread.start(nullptr, nullptr, PlatformThreadPriority::Normal));
    EXPECT_FALSE(thread.isStarted());
}
