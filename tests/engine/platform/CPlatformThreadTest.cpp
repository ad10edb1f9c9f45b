#include "engine/platform/CPlatformThread.h"

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
    EXPECT_EQ(probe.atStart, PlatformThreadPriority::Lowest);
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
    EXPECT_EQ(seen.nice, 10);
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
    EXPECT_EQ(probe.atEnd, PlatformThreadPriority::Lowest);
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

TEST(CPlatformThread, RefusesAMissingEntry) {
    CPlatformThread thread;
    EXPECT_FALSE(thread.start(nullptr, nullptr, PlatformThreadPriority::Normal));
    EXPECT_FALSE(thread.isStarted());
}
