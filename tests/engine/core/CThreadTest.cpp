#include "engine/core/CThread.h"

#include "engine/core/CRefHandle.h"
#include "engine/platform/CPlatformThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace {

// Counts its runs and records the priority it ran at; waits for `release`
// when `hold` is set.
struct Worker {
    std::mutex lock;
    std::condition_variable changed;
    bool hold = false;
    bool running = false;
    int runs = 0;
    PlatformThreadPriority priority = PlatformThreadPriority::Normal;

    static int body(void* raw) {
        auto* worker = static_cast<Worker*>(raw);
        std::unique_lock<std::mutex> guard(worker->lock);
        ++worker->runs;
        worker->running = true;
        worker->changed.notify_all();
        worker->changed.wait(guard, [worker] { return !worker->hold; });
        worker->priority = CPlatformThread::currentThreadPriority();
        return 7;
    }
    void waitUntilRunning() {
        std::unique_lock<std::mutex> guard(lock);
        changed.wait(guard, [this] { return running; });
    }
    void letGo() {
        std::lock_guard<std::mutex> guard(lock);
        hold = false;
        changed.notify_all();
    }
};

class CountingThread : public CThread {
public:
    explicit CountingThread(std::atomic<int>* runs) : m_runs(runs) {}
    void run() override { ++*m_runs; }

private:
    std::atomic<int>* m_runs;
};

// Set by a thread-local object's destructor, which runs after everything
// else the thread does, to tell that the thread has really ended.
struct EndSignal {
    std::mutex lock;
    std::condition_variable changed;
    bool ended = false;

    void set() {
        std::lock_guard<std::mutex> guard(lock);
        ended = true;
        changed.notify_all();
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

// Drops the last reference to itself at the end of run(), once `gate` opens.
class SelfReleasingThread : public CThread {
public:
    explicit SelfReleasingThread(std::mutex* gate) : m_gate(gate) {}
    void run() override {
        t_endMark.armed = true;
        m_gate->lock();
        m_gate->unlock();
        release(); // this object is gone after this line
    }

private:
    std::mutex* m_gate;
};

} // namespace

TEST(CThread, StartsOnceUntilJoined) {
    Worker worker;
    worker.hold = true;
    CRefHandle<CThread> thread(new CThread(&Worker::body, &worker));
    EXPECT_FALSE(thread->isStarted());
    ASSERT_TRUE(thread->start());
    EXPECT_FALSE(thread->start());
    worker.letGo();
    thread->join();
    EXPECT_FALSE(thread->isStarted());
    EXPECT_EQ(worker.runs, 1);
    thread->join(); // nothing to wait for
}

TEST(CThread, APriorityStoredBeforeStartIsTakenAtStart) {
    Worker worker;
    CRefHandle<CThread> thread(new CThread());
    thread->setFunction(&Worker::body, &worker);
    EXPECT_FALSE(thread->setPriority(CThread::kPriorityLowest));
    EXPECT_EQ(thread->priority(), CThread::kPriorityLowest);
    ASSERT_TRUE(thread->start());
    thread->join();
    EXPECT_EQ(worker.priority, PlatformThreadPriority::Lowest);
}

TEST(CThread, SetPriorityChangesARunningThread) {
    const struct {
        const char* what;
        int code;
        PlatformThreadPriority expected;
    } cases[] = {
        {"lowest", CThread::kPriorityLowest, PlatformThreadPriority::Lowest},
        {"unknown codes mean normal", 5, PlatformThreadPriority::Normal},
        {"normal", CThread::kPriorityNormal, PlatformThreadPriority::Normal},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Worker worker;
        worker.hold = true;
        CRefHandle<CThread> thread(new CThread(&Worker::body, &worker));
        ASSERT_TRUE(thread->start());
        worker.waitUntilRunning();
        EXPECT_TRUE(thread->setPriority(c.code));
        worker.letGo();
        thread->join();
        EXPECT_EQ(worker.priority, c.expected);
    }
}

TEST(CThread, ADerivedClassReplacesRun) {
    std::atomic<int> runs{0};
    CRefHandle<CountingThread> thread(new CountingThread(&runs));
    ASSERT_TRUE(thread->start());
    thread->join();
    EXPECT_EQ(runs.load(), 1);
}

TEST(CThread, WithoutAFunctionTheThreadJustEnds) {
    CRefHandle<CThread> thread(new CThread());
    ASSERT_TRUE(thread->start());
    thread->join();
    EXPECT_FALSE(thread->isStarted());
}

TEST(CThread, ReleasingTheLastReferenceJoins) {
    std::atomic<int> runs{0};
    auto* thread = new CThread(
        [](void* raw) {
            sleepMilliseconds(20);
            ++*static_cast<std::atomic<int>*>(raw);
            return 0;
        },
        &runs);
    ASSERT_TRUE(thread->start());
    thread->release();
    EXPECT_EQ(runs.load(), 1);
}

TEST(CThread, ReleasingTheLastReferenceFromItsOwnThreadIsSafe) {
    // The thread cannot wait for itself: it detaches, and must end without
    // touching the freed object or its state (the sanitizer build checks).
    std::mutex gate;
    gate.lock();
    auto* thread = new SelfReleasingThread(&gate);
    ASSERT_TRUE(thread->start()); // the creator's reference now belongs to the thread
    gate.unlock();
    EXPECT_TRUE(endSignal().waitForEnd());
}

TEST(CThread, SleepWaitsAtLeastTheTimeAsked) {
    auto before = std::chrono::steady_clock::now();
    sleepMilliseconds(15);
    EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(15));
}
