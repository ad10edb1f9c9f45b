// The crash tests run the helper program, which installs the handler and then
// fails on purpose. The test build's AddressSanitizer catches fatal signals
// itself; the child's ASAN_OPTIONS turn that off so our handler sees them.

#include "engine/platform/PlatformCrash.h"

#include "engine/platform/CPlatformProcess.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kSanitizerOff =
    "ASAN_OPTIONS=handle_segv=0:handle_sigbus=0:handle_sigill=0:handle_sigfpe=0:handle_abort=0:detect_leaks=0";

struct CrashRun {
    PlatformExitStatus status;
    std::string output;
    std::string report;
};

// Runs the helper's crash `kind` in `dir`, the report going to `reportPath`.
CrashRun crash(const TempDir& dir, const std::string& kind, const std::string& reportPath, const std::string& ending) {
    CrashRun run;
    CPlatformProcess process;
    CPlatformProcess::Options options;
    options.environment = {kSanitizerOff};
    options.workingFolder = dir.path().string(); // a core file, if the system writes one, lands here
    options.outputFile = (dir.path() / "output.txt").string();
    EXPECT_TRUE(process.start(BM_PLATFORM_TEST_HELPER, {"crash", kind, reportPath, ending}, options));
    EXPECT_TRUE(process.waitForExit(60000, &run.status));
    std::vector<uint8_t> output = readAllBytes(options.outputFile);
    run.output.assign(output.begin(), output.end());
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
