#include "engine/platform/CPlatformInstanceLock.h"

#include "engine/platform/CPlatformProcess.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <thread>

namespace fs = std::filesystem;

namespace {

const std::string kName = "Test Instance";

bool waitForFile(const fs::path& path) {
    for (int i = 0; i < 3000 && !fs::exists(path); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return fs::exists(path);
}

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

TEST(CPlatformInstanceLock, WithoutAFolderTheLockGoesToTheDefaultFolder) {
    fs::path folder = CPlatformInstanceLock::defaultFolder();
    ASSERT_TRUE(fs::is_directory(folder)) << folder;
    // A name no one else uses; release() removes the files again.
    std::string name = "bm-test-lock-" + std::to_string(std::random_device()());
    auto lockFiles = [&] {
        int count = 0;
        for (const auto& entry : fs::directory_iterator(folder)) {
            std::string file = entry.path().filename().string();
            count += file.rfind(name, 0) == 0 && entry.path().extension() == ".lock";
        }
        return count;
    };

    CPlatformInstanceLock lock;
    CPlatformInstanceLock second;
    ASSERT_EQ(lock.acquire(name, "", nullptr), PlatformLockResult::Acquired);
    EXPECT_EQ(lockFiles(), 1);
    EXPECT_EQ(second.acquire(name, "", nullptr), PlatformLockResult::HeldElsewhere);
    EXPECT_TRUE(CPlatformInstanceLock::sendRaiseRequest(name, ""));
    EXPECT_TRUE(lock.takeRaiseRequests());
    lock.release();
    EXPECT_EQ(lockFiles(), 0);
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
