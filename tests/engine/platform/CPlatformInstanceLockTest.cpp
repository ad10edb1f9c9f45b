#include "engine/platform/CPlatformInstanceLock.h"

#include "engine/platform/CPlatformProcess.h"
#include "tests/support/TestSupport.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <random>
#include <thread>

namespace fs = std::filesystem;

namespace {

const std::string kName = "Test Instance";

// Sets an environment variable for the life of the object.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::string& value) : m_name(name) {
        if (const char* old = std::getenv(name))
            m_old = old;
        m_had = std::getenv(name) != nullptr;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedVariable() {
        if (m_had)
            ::setenv(m_name, m_old.c_str(), 1);
        else
            ::unsetenv(m_name);
    }

private:
    const char* m_name;
    std::string m_old;
    bool m_had = false;
};

// What waitForRaiseRequests answered on another thread.
struct Waiter {
    std::mutex lock;
    std::condition_variable changed;
    bool done = false;
    bool answer = false;
    std::thread thread;

    explicit Waiter(CPlatformInstanceLock& instanceLock) {
        thread = std::thread([this, &instanceLock] {
            bool result = instanceLock.waitForRaiseRequests();
            std::lock_guard<std::mutex> guard(lock);
            answer = result;
            done = true;
            changed.notify_all();
        });
    }
    ~Waiter() {
        if (thread.joinable())
            thread.join();
    }
    // Waits up to 30 s for the answer; false when there is none by then.
    bool finished() {
        std::unique_lock<std::mutex> guard(lock);
        return changed.wait_for(guard, std::chrono::seconds(30), [this] { return done; });
    }
    bool stillWaiting() {
        std::lock_guard<std::mutex> guard(lock);
        return !done;
    }
};

} // namespace

TEST(CPlatformInstanceLock, OneHolderAtATime) {
    TempDir dir;
    CPlatformInstanceLock first;
    CPlatformInstanceLock second;
    CPlatformInstanceLock other;
    ASSERT_EQ(first.acquire(kName, dir.path(), nullptr), PlatformLockResult::Acquired);
    EXPECT_TRUE(first.isHeld());
    EXPECT_EQ(second.acquire(kName, dir.path(), nullptr), PlatformLockResult::HeldElsewhere);
    EXPECT_FALSE(second.isHeld());
    EXPECT_EQ(other.acquire("Other Instance", dir.path(), nullptr), PlatformLockResult::Acquired);
    EXPECT_TRUE(fs::exists(dir.path() / "Test Instance.lock"));
    EXPECT_TRUE(fs::exists(dir.path() / "Test Instance.raise"));

    first.release();
    EXPECT_FALSE(first.isHeld());
    EXPECT_FALSE(fs::exists(dir.path() / "Test Instance.lock"));
    EXPECT_FALSE(fs::exists(dir.path() / "Test Instance.raise"));
    EXPECT_EQ(second.acquire(kName, dir.path(), nullptr), PlatformLockResult::Acquired);
}

TEST(CPlatformInstanceLock, ASlashInTheNameStaysInTheFolder) {
    TempDir dir;
    CPlatformInstanceLock lock;
    ASSERT_EQ(lock.acquire("a/b", dir.path(), nullptr), PlatformLockResult::Acquired);
    EXPECT_TRUE(fs::exists(dir.path() / "a_b.lock"));
}

TEST(CPlatformInstanceLock, RaiseRequestsReachTheHolder) {
    TempDir dir;
    EXPECT_FALSE(CPlatformInstanceLock::sendRaiseRequest(kName, dir.path())); // no holder

    CPlatformInstanceLock lock;
    ASSERT_EQ(lock.acquire(kName, dir.path(), nullptr), PlatformLockResult::Acquired);
    EXPECT_FALSE(lock.takeRaiseRequests());
    EXPECT_TRUE(CPlatformInstanceLock::sendRaiseRequest(kName, dir.path()));
    EXPECT_TRUE(CPlatformInstanceLock::sendRaiseRequest(kName, dir.path()));
    EXPECT_TRUE(lock.takeRaiseRequests()); // both taken at once
    EXPECT_FALSE(lock.takeRaiseRequests());

    lock.release();
    EXPECT_FALSE(CPlatformInstanceLock::sendRaiseRequest(kName, dir.path()));
    EXPECT_FALSE(lock.takeRaiseRequests());
}

TEST(CPlatformInstanceLock, FilesLeftByAHolderThatDiedDoNotBlock) {
    TempDir dir;
    dir.write("Test Instance.lock", std::string("old"));
    dir.write("Test Instance.raise", std::string("not a pipe"));
    EXPECT_FALSE(CPlatformInstanceLock::sendRaiseRequest(kName, dir.path()));

    CPlatformInstanceLock lock;
    ASSERT_EQ(lock.acquire(kName, dir.path(), nullptr), PlatformLockResult::Acquired);
    EXPECT_TRUE(CPlatformInstanceLock::sendRaiseRequest(kName, dir.path()));
    EXPECT_TRUE(lock.takeRaiseRequests());
}

TEST(CPlatformInstanceLock, AMissingFolderFailsWithAReason) {
    TempDir dir;
    std::string missing = (dir.path() / "missing").string();
    CPlatformInstanceLock lock;
    std::string error;
    EXPECT_EQ(lock.acquire(kName, missing, &error), PlatformLockResult::Failed);
    EXPECT_FALSE(lock.isHeld());
    EXPECT_NE(error.find(missing + "/Test Instance.lock: "), std::string::npos) << error;
    EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
}

TEST(CPlatformInstanceLock, TheDefaultFolderIsTheUsersRuntimeFolder) {
    const std::string runtime = "/run/user/" + std::to_string(::getuid());
    struct stat info {};
    const bool ownRuntime = ::lstat(runtime.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid();
    const std::string fallback = ownRuntime ? runtime : "/tmp";

    TempDir session;
    const struct {
        const char* what;
        std::string value; // empty: not set
        std::string expected;
    } rows[] = {
        {"the session's folder", session.path().string(), session.path().string()},
        {"not set", "", fallback},
        {"a folder that is not there", (session.path() / "gone").string(), fallback},
        {"a relative path", "runtime", fallback},
        {"a file", (session.path() / "file").string(), fallback},
    };
    session.write("file", std::string("x"));
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        ScopedVariable variable("XDG_RUNTIME_DIR", row.value);
        if (row.value.empty())
            ::unsetenv("XDG_RUNTIME_DIR");
        EXPECT_EQ(CPlatformInstanceLock::defaultFolder(), row.expected);
    }
}

TEST(CPlatformInstanceLock, ProgramsWithDifferentRuntimeFoldersDoNotBlockEachOther) {
    TempDir first;
    TempDir second;
    const std::string name = "bm-test-lock-" + std::to_string(std::random_device()());
    CPlatformInstanceLock held;
    {
        ScopedVariable variable("XDG_RUNTIME_DIR", first.path().string());
        ASSERT_EQ(held.acquire(name, "", nullptr), PlatformLockResult::Acquired);
        EXPECT_TRUE(fs::exists(first.path() / (name + ".lock")));
    }
    ScopedVariable variable("XDG_RUNTIME_DIR", second.path().string());
    CPlatformInstanceLock other;
    EXPECT_EQ(other.acquire(name, "", nullptr), PlatformLockResult::Acquired);
}

TEST(CPlatformInstanceLock, WithoutAFolderTheLockGoesToTheDefaultFolder) {
    fs::path folder = CPlatformInstanceLock::defaultFolder();
    ASSERT_TRUE(fs::is_directory(folder)) << folder;
    // A name no one else uses; release() removes the files again. In the
    // shared temporary folder the names carry the user id.
    std::string name = "bm-test-lock-" + std::to_string(std::random_device()());
    std::string fileBase = folder == "/tmp" ? name + "-" + std::to_string(::getuid()) : name;

    CPlatformInstanceLock lock;
    CPlatformInstanceLock second;
    ASSERT_EQ(lock.acquire(name, "", nullptr), PlatformLockResult::Acquired);
    EXPECT_TRUE(fs::exists(folder / (fileBase + ".lock")));
    EXPECT_TRUE(fs::exists(folder / (fileBase + ".raise")));
    EXPECT_EQ(second.acquire(name, "", nullptr), PlatformLockResult::HeldElsewhere);
    EXPECT_TRUE(CPlatformInstanceLock::sendRaiseRequest(name, ""));
    EXPECT_TRUE(lock.takeRaiseRequests());
    lock.release();
    EXPECT_FALSE(fs::exists(folder / (fileBase + ".lock")));
    EXPECT_FALSE(fs::exists(folder / (fileBase + ".raise")));
}

TEST(CPlatformInstanceLock, AWaitEndsWhenARequestArrives) {
    TempDir dir;
    CPlatformInstanceLock lock;
    ASSERT_EQ(lock.acquire(kName, dir.path(), nullptr), PlatformLockResult::Acquired);
    Waiter waiter(lock);

    // A sender that opens the pipe and goes without writing must not end the
    // wait: the holder keeps a writer of its own, so there is no hang-up.
    int fd = ::open((dir.path() / "Test Instance.raise").c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ::close(fd);
    std::this_thread::sleep_for(std::chrono::milliseconds(50)); // time for a wrong wake-up to show
    EXPECT_TRUE(waiter.stillWaiting());

    EXPECT_TRUE(CPlatformInstanceLock::sendRaiseRequest(kName, dir.path()));
    ASSERT_TRUE(waiter.finished());
    EXPECT_TRUE(waiter.answer);
    EXPECT_FALSE(lock.takeRaiseRequests()); // the wait took the request
}

TEST(CPlatformInstanceLock, StopWaitingWakesTheWaiterForGood) {
    TempDir dir;
    CPlatformInstanceLock lock;
    EXPECT_FALSE(lock.waitForRaiseRequests()); // not held: returns at once
    ASSERT_EQ(lock.acquire(kName, dir.path(), nullptr), PlatformLockResult::Acquired);
    {
        Waiter waiter(lock);
        lock.stopWaiting();
        ASSERT_TRUE(waiter.finished());
        EXPECT_FALSE(waiter.answer);
    }
    // Later waits return at once, even with a request pending.
    EXPECT_TRUE(CPlatformInstanceLock::sendRaiseRequest(kName, dir.path()));
    EXPECT_FALSE(lock.waitForRaiseRequests());
    EXPECT_TRUE(lock.takeRaiseRequests());
    lock.release();
    lock.stopWaiting(); // not held: nothing to wake
}

TEST(CPlatformInstanceLock, AHolderBlockedWaitingIsReachedFromAnotherProcess) {
    TempDir dir;
    CPlatformProcess holder;
    ASSERT_TRUE(holder.start(BM_PLATFORM_TEST_HELPER, {"wait-lock", dir.path().string(), kName}, {}));
    ASSERT_TRUE(waitForFile(dir.path() / "ready"));

    CPlatformProcess second;
    ASSERT_TRUE(second.start(BM_PLATFORM_TEST_HELPER, {"hold-lock", dir.path().string(), kName}, {}));
    PlatformExitStatus status;
    ASSERT_TRUE(second.waitForExit(30000, &status));
    EXPECT_EQ(status.code, 3); // held elsewhere, raise request delivered
    ASSERT_TRUE(holder.waitForExit(30000, &status));
    EXPECT_TRUE(status.exited);
    EXPECT_EQ(status.code, 0);
    EXPECT_TRUE(fs::exists(dir.path() / "raised"));
}

TEST(CPlatformInstanceLock, AKilledHolderLeavesNothingThatBlocks) {
    TempDir dir;
    CPlatformProcess holder;
    ASSERT_TRUE(holder.start(BM_PLATFORM_TEST_HELPER, {"hold-lock", dir.path().string(), kName}, {}));
    ASSERT_TRUE(waitForFile(dir.path() / "ready"));

    // Another process asks the holder to come to the front and ends.
    CPlatformProcess second;
    ASSERT_TRUE(second.start(BM_PLATFORM_TEST_HELPER, {"hold-lock", dir.path().string(), kName}, {}));
    PlatformExitStatus status;
    ASSERT_TRUE(second.waitForExit(30000, &status));
    EXPECT_TRUE(status.exited);
    EXPECT_EQ(status.code, 3); // held elsewhere, raise request delivered
    EXPECT_TRUE(waitForFile(dir.path() / "raised"));

    CPlatformInstanceLock lock;
    EXPECT_EQ(lock.acquire(kName, dir.path(), nullptr), PlatformLockResult::HeldElsewhere);
    ASSERT_TRUE(holder.kill());
    ASSERT_TRUE(holder.waitForExit(30000, &status));
    EXPECT_EQ(status.signal, 9);
    EXPECT_TRUE(fs::exists(dir.path() / "Test Instance.lock")); // left behind, but harmless
    EXPECT_EQ(lock.acquire(kName, dir.path(), nullptr), PlatformLockResult::Acquired);
}
