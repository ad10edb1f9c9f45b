#include "engine/core/CSingleInstanceGuard.h"

#include "engine/core/CString.h"
#include "engine/platform/CPlatformProcess.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>

namespace fs = std::filesystem;

namespace {

// Counts the wake callback's calls, from the watcher thread.
struct WakeCounter {
    std::mutex lock;
    std::condition_variable changed;
    int calls = 0;

    void wake() {
        std::lock_guard<std::mutex> guard(lock);
        ++calls;
        changed.notify_all();
    }
    // Waits up to 30 s for `count` calls in all.
    bool waitFor(int count) {
        std::unique_lock<std::mutex> guard(lock);
        return changed.wait_for(guard, std::chrono::seconds(30), [&] { return calls >= count; });
    }
    int seen() {
        std::lock_guard<std::mutex> guard(lock);
        return calls;
    }
};

// Starts the helper as a game instance using the lock folder `dir`.
bool startInstance(CPlatformProcess& process, const TempDir& dir) {
    return process.start(BM_CORE_TEST_HELPER, {"guard", dir.path().string()}, {});
}

// Runs a second instance to its end and answers its exit status.
PlatformExitStatus runSecondInstance(const TempDir& dir) {
    CPlatformProcess second;
    PlatformExitStatus status;
    status.code = -1;
    EXPECT_TRUE(startInstance(second, dir));
    EXPECT_TRUE(second.waitForExit(30000, &status));
    return status;
}

} // namespace

TEST(CSingleInstanceGuard, ASecondStartEndsAndRaisesTheFirstWindow) {
    TempDir dir;
    CSingleInstanceGuard guard(kGameInstanceName, dir.path());
    ASSERT_FALSE(guard.isOtherInstanceRunning());
    int raised = 0;
    guard.storeWindow([&raised] { ++raised; });
    EXPECT_FALSE(guard.processRaiseRequests());

    PlatformExitStatus status = runSecondInstance(dir);
    EXPECT_TRUE(status.exited);
    EXPECT_EQ(status.code, 0);
    EXPECT_TRUE(guard.processRaiseRequests());
    EXPECT_EQ(raised, 1);
    EXPECT_FALSE(guard.processRaiseRequests());
    EXPECT_EQ(raised, 1);
}

TEST(CSingleInstanceGuard, ASecondStartBeforeTheWindowExistsOnlyEnds) {
    TempDir dir;
    CSingleInstanceGuard guard(kGameInstanceName, dir.path());
    ASSERT_FALSE(guard.isOtherInstanceRunning());

    EXPECT_EQ(runSecondInstance(dir).code, 0);
    int raised = 0;
    guard.storeWindow([&raised] { ++raised; });
    EXPECT_FALSE(guard.processRaiseRequests());
    EXPECT_EQ(raised, 0);

    // Later starts do raise it.
    EXPECT_EQ(runSecondInstance(dir).code, 0);
    EXPECT_TRUE(guard.processRaiseRequests());
    EXPECT_EQ(raised, 1);
}

TEST(CSingleInstanceGuard, AnotherProcessHoldingTheGuardIsSeenAndRaised) {
    TempDir dir;
    CPlatformProcess first;
    ASSERT_TRUE(startInstance(first, dir));
    ASSERT_TRUE(waitForFile(dir.path() / "ready"));

    {
        CSingleInstanceGuard guard(kGameInstanceName, dir.path());
        EXPECT_TRUE(guard.isOtherInstanceRunning());
    }
    EXPECT_TRUE(waitForFile(dir.path() / "raised"));
}

TEST(CSingleInstanceGuard, ARequestWakesTheMainLoopThroughTheWakeCallback) {
    TempDir dir;
    WakeCounter counter;
    int raised = 0;
    {
        CSingleInstanceGuard guard(kGameInstanceName, dir.path());
        ASSERT_FALSE(guard.isOtherInstanceRunning());
        guard.storeWindow([&raised] { ++raised; });
        guard.setWakeCallback([&counter] { counter.wake(); });

        for (int start = 1; start <= 2; ++start) {
            SCOPED_TRACE(start);
            EXPECT_EQ(runSecondInstance(dir).code, 0);
            ASSERT_TRUE(counter.waitFor(start));
            // The raise itself happens on the main thread.
            EXPECT_EQ(raised, start - 1);
            EXPECT_TRUE(guard.processRaiseRequests());
            EXPECT_EQ(raised, start);
            EXPECT_FALSE(guard.processRaiseRequests());
        }

        // Once cleared, the callback is not called again; requests still
        // reach the main thread when it looks.
        guard.setWakeCallback(nullptr);
        EXPECT_EQ(runSecondInstance(dir).code, 0);
        for (int i = 0; i < 3000 && !guard.processRaiseRequests(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_EQ(raised, 3);
        // Destruction stops the watcher, blocked waiting, and joins it.
    }
    EXPECT_EQ(counter.seen(), 2);
}

TEST(CSingleInstanceGuard, AFirstInstanceAsleepIsWokenAndRaised) {
    // The first instance's main loop sleeps until the guard wakes it, as
    // while its window is minimised; a second start must still raise it.
    TempDir dir;
    CPlatformProcess first;
    ASSERT_TRUE(first.start(BM_CORE_TEST_HELPER, {"guard-asleep", dir.path().string()}, {}));
    ASSERT_TRUE(waitForFile(dir.path() / "ready"));

    PlatformExitStatus status = runSecondInstance(dir);
    EXPECT_TRUE(status.exited);
    EXPECT_EQ(status.code, 0);
    ASSERT_TRUE(first.waitForExit(30000, &status));
    EXPECT_TRUE(status.exited);
    EXPECT_EQ(status.code, 0);
    EXPECT_TRUE(fs::exists(dir.path() / "raised"));
}

TEST(CSingleInstanceGuard, AKilledFirstInstanceDoesNotBlockTheNextStart) {
    TempDir dir;
    CPlatformProcess first;
    ASSERT_TRUE(startInstance(first, dir));
    ASSERT_TRUE(waitForFile(dir.path() / "ready"));
    ASSERT_TRUE(first.kill());
    PlatformExitStatus status;
    ASSERT_TRUE(first.waitForExit(30000, &status));
#ifndef _WIN32
    EXPECT_EQ(status.signal, 9);
#endif

    CSingleInstanceGuard guard(kGameInstanceName, dir.path());
    EXPECT_FALSE(guard.isOtherInstanceRunning());
}

TEST(CSingleInstanceGuard, CloseLetsTheNextInstanceRun) {
    TempDir dir;
    CSingleInstanceGuard first(kGameInstanceName, dir.path());
    ASSERT_FALSE(first.isOtherInstanceRunning());
    {
        CSingleInstanceGuard second(kGameInstanceName, dir.path());
        EXPECT_TRUE(second.isOtherInstanceRunning());
    }
    first.close();
    CSingleInstanceGuard third(kGameInstanceName, dir.path());
    EXPECT_FALSE(third.isOtherInstanceRunning());
    EXPECT_FALSE(first.processRaiseRequests());
}

TEST(CSingleInstanceGuard, AGuardThatCannotBeMadeWarnsAndLetsTheGameRun) {
    TempDir dir;
    LogCapture log;
    CSingleInstanceGuard guard(kGameInstanceName, dir.path() / "missing");
    EXPECT_FALSE(guard.isOtherInstanceRunning());
    EXPECT_EQ(log.count("WRN: Could not create the single-instance lock: "), 1u);
    EXPECT_TRUE(log.contains("missing/Brindlemoor Game Instance.lock"));
    guard.storeWindow([] {});
    EXPECT_FALSE(guard.processRaiseRequests());
}
