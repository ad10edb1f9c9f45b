// The crash tests run the helper program, which installs the handler and then
// fails on purpose. The test build's AddressSanitizer catches fatal signals
// itself; the child's ASAN_OPTIONS turn that off so our handler sees them.

#include "engine/platform/PlatformCrash.h"

#include "engine/platform/CPlatformProcess.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct CrashRun {
    PlatformExitStatus status;
    std::string output;
    std::string report;
};

// Runs the helper with `arguments` in `dir`, as a program that crashes.
CrashRun runCrashing(const TempDir& dir, const std::vector<std::string>& arguments) {
    CrashRun run;
    CPlatformProcess process;
    CPlatformProcess::Options options;
    options.environment = {kSanitizerOffEnvironment};
    options.workingFolder = dir.path().string(); // a core file, if the system writes one, lands here
    options.outputFile = (dir.path() / "output.txt").string();
    EXPECT_TRUE(process.start(BM_PLATFORM_TEST_HELPER, arguments, options));
    EXPECT_TRUE(process.waitForExit(60000, &run.status));
    std::vector<uint8_t> output = readAllBytes(options.outputFile);
    run.output.assign(output.begin(), output.end());
    return run;
}

// Runs the helper's crash `kind` in `dir`, the report going to `reportPath`.
CrashRun crash(const TempDir& dir, const std::string& kind, const std::string& reportPath, const std::string& ending) {
    CrashRun run = runCrashing(dir, {"crash", kind, reportPath, ending});
    std::vector<uint8_t> report = readAllBytes(reportPath);
    run.report.assign(report.begin(), report.end());
    return run;
}

} // namespace

TEST(PlatformCrash, ReportsABadMemoryAccess) {
    TempDir dir;
    std::string path = (dir.path() / "crash.dmp").string();
    CrashRun run = crash(dir, "segv", path, "exit");

    EXPECT_TRUE(run.status.exited);
    EXPECT_EQ(run.status.code, 128 + 11);
    EXPECT_NE(run.output.find("REPORT written"), std::string::npos) << run.output;
    for (const char* expected :
         {"Crash report\n", "Executable: ", "platform_test_helper\n",
          "Signal: 11 SIGSEGV (invalid memory access), code 1\n", "Address: 0x0000000000000010\n", "Registers:\n",
          " rip 0x", " rsp 0x", "Backtrace:\n", "(platformHelperFaultingFunction+0x", "Memory map:\n", "[stack]"}) {
        EXPECT_NE(run.report.find(expected), std::string::npos) << "missing " << expected << "\n" << run.report;
    }
}

TEST(PlatformCrash, ReturningFromTheCallbackEndsAsTheSystemWould) {
    TempDir dir;
    std::string path = (dir.path() / "crash.dmp").string();
    CrashRun run = crash(dir, "abort", path, "system");

    EXPECT_FALSE(run.status.exited);
    EXPECT_EQ(run.status.signal, 6);
    EXPECT_NE(run.report.find("Signal: 6 SIGABRT (abort)"), std::string::npos) << run.report;
}

TEST(PlatformCrash, AStackOverflowOnAWorkerThreadIsReported) {
    TempDir dir;
    std::string path = (dir.path() / "crash.dmp").string();
    CrashRun run = crash(dir, "overflow", path, "exit");

    EXPECT_TRUE(run.status.exited);
    EXPECT_EQ(run.status.code, 128 + 11);
    EXPECT_NE(run.report.find("Signal: 11 SIGSEGV"), std::string::npos) << run.output;
    EXPECT_NE(run.report.find("platformHelperRecurse"), std::string::npos);
}

TEST(PlatformCrash, AReportThatCannotBeCreatedIsSaid) {
    TempDir dir;
    std::string path = (dir.path() / "missing" / "crash.dmp").string();
    CrashRun run = crash(dir, "segv", path, "exit");

    EXPECT_EQ(run.status.code, 128 + 11);
    EXPECT_NE(run.output.find("REPORT create failed"), std::string::npos) << run.output;
}

TEST(PlatformCrash, RunProgramAndWaitAnswersTheExitStatus) {
    TempDir dir;
    const struct {
        const char* what;
        std::string program;
        std::vector<std::string> arguments;
        int expected;
    } cases[] = {
        {"yes", BM_PLATFORM_TEST_HELPER, {"exit", "0"}, 0},
        {"no", BM_PLATFORM_TEST_HELPER, {"exit", "1"}, 1},
        {"highest status", BM_PLATFORM_TEST_HELPER, {"exit", "255"}, 255},
        {"arguments arrive",
         BM_PLATFORM_TEST_HELPER,
         {"env", "PATH", std::getenv("PATH") ? std::getenv("PATH") : ""},
         0},
        {"the child starts with no signal blocked", BM_PLATFORM_TEST_HELPER, {"blocked"}, 0},
        {"ended by a signal", BM_PLATFORM_TEST_HELPER, {"signal", "9"}, -1},
        {"missing program", (dir.path() / "missing").string(), {}, -1},
        {"not a program", dir.write("text", std::string("just text")).string(), {}, -1},
        {"too many arguments", BM_PLATFORM_TEST_HELPER, std::vector<std::string>(33, "x"), -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<const char*> arguments;
        for (const std::string& argument : c.arguments)
            arguments.push_back(argument.c_str());
        arguments.push_back(nullptr);
        EXPECT_EQ(platformRunProgramAndWait(c.program.c_str(), arguments.data()), c.expected);
    }
}

TEST(PlatformCrash, ThePromptProgramRunsFromInsideTheCrashHandler) {
    // The handler runs with the fatal signals blocked; the child must not
    // inherit that mask. Answers come back as the child's exit status.
    const struct {
        const char* what;
        std::vector<std::string> arguments;
        const char* expected;
    } cases[] = {
        {"signals unblocked in the child", {"ask-in-handler", BM_PLATFORM_TEST_HELPER, "blocked"}, "ANSWER 0\n"},
        {"a program that cannot start", {"ask-in-handler", "/nonexistent/prompt", "blocked"}, "ANSWER -1\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        CrashRun run = runCrashing(dir, c.arguments);
        EXPECT_TRUE(run.status.exited);
        EXPECT_EQ(run.status.code, 128 + 11);
        EXPECT_NE(run.output.find(c.expected), std::string::npos) << run.output;
    }
}
