#include "engine/platform/CPlatformProcess.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

PlatformExitStatus run(const std::vector<std::string>& arguments, const CPlatformProcess::Options& options = {}) {
    CPlatformProcess process;
    PlatformExitStatus status;
    status.code = -1;
    EXPECT_TRUE(process.start(BM_PLATFORM_TEST_HELPER, arguments, options));
    EXPECT_TRUE(process.waitForExit(30000, &status));
    return status;
}

} // namespace

TEST(CPlatformProcess, ReportsTheExitCode) {
    for (int code : {0, 7, 255}) {
        SCOPED_TRACE(code);
        PlatformExitStatus status = run({"exit", std::to_string(code)});
        EXPECT_TRUE(status.exited);
        EXPECT_EQ(status.code, code);
        EXPECT_EQ(status.signal, 0);
    }
}

TEST(CPlatformProcess, KillEndsTheChildWithASignal) {
    CPlatformProcess process;
    PlatformExitStatus status;
    EXPECT_FALSE(process.kill());
    ASSERT_TRUE(process.start(BM_PLATFORM_TEST_HELPER, {"sleep"}, {}));
    EXPECT_TRUE(process.isRunning());
    EXPECT_FALSE(process.start(BM_PLATFORM_TEST_HELPER, {"sleep"}, {})); // one child at a time
    EXPECT_FALSE(process.waitForExit(0, &status));
    ASSERT_TRUE(process.kill());
    ASSERT_TRUE(process.waitForExit(30000, &status));
    EXPECT_FALSE(status.exited);
    EXPECT_EQ(status.signal, 9);
    EXPECT_FALSE(process.isRunning());
    EXPECT_FALSE(process.waitForExit(0, &status));
}

TEST(CPlatformProcess, PassesEnvironmentFolderAndOutput) {
    TempDir dir;
    CPlatformProcess::Options options;
    options.environment = {"BM_TEST_VALUE=added", "PATH=/replaced"};
    EXPECT_EQ(run({"env", "BM_TEST_VALUE", "added"}, options).code, 0);
    EXPECT_EQ(run({"env", "PATH", "/replaced"}, options).code, 0);
    EXPECT_EQ(run({"env", "BM_TEST_VALUE", "added"}).code, 1);

    options = {};
    options.workingFolder = dir.path().string();
    options.outputFile = (dir.path() / "out.txt").string();
    EXPECT_EQ(run({"cwd"}, options).code, 0);
    std::vector<uint8_t> bytes = readAllBytes(dir.path() / "out.txt");
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), dir.path().string() + "\n");
}

TEST(CPlatformProcess, AMissingProgramDoesNotStart) {
    TempDir dir;
    CPlatformProcess process;
    EXPECT_FALSE(process.start((dir.path() / "missing").string(), {}, {}));
    EXPECT_FALSE(process.isRunning());
}

TEST(CPlatformProcess, RequestCloseAsksTheChildToEnd) {
    CPlatformProcess process;
    EXPECT_FALSE(process.requestClose());
    ASSERT_TRUE(process.start(BM_PLATFORM_TEST_HELPER, {"sleep"}, {}));
    ASSERT_TRUE(process.requestClose());
    PlatformExitStatus status;
    ASSERT_TRUE(process.waitForExit(30000, &status));
    // The helper leaves SIGTERM to its default action.
    EXPECT_FALSE(status.exited);
    EXPECT_EQ(status.signal, 15);
    EXPECT_FALSE(process.requestClose());
}
