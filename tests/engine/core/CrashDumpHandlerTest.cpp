// These tests run a copy of the helper program placed in a temporary folder,
// so the reports it writes next to itself are removed with the folder. The
// copy also serves as its own crash prompt program.

#include "engine/core/CrashDumpHandler.h"

#include "engine/platform/CPlatformProcess.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The program's name, extension included, starts the report's name.
const std::string kProgram = "brindlemoor.bin";

struct CrashRun {
    PlatformExitStatus status;
    long long started = 0;
    long long ended = 0;
    std::string output;
    std::vector<fs::path> reports;
};

CrashRun crash(const TempDir& dir, const std::string& answer, const std::string& kind) {
    fs::path program = dir.path() / kProgram;
    if (!fs::exists(program))
        fs::copy_file(BM_CORE_TEST_HELPER, program);
    CrashRun run;
    CPlatformProcess process;
    CPlatformProcess::Options options;
    options.environment = {kSanitizerOffEnvironment};
    options.workingFolder = dir.path().string();
    options.outputFile = (dir.path() / "output.txt").string();
    run.started = std::time(nullptr);
    EXPECT_TRUE(process.start(program.string(), {"crash", answer, kind}, options));
    EXPECT_TRUE(process.waitForExit(60000, &run.status));
    run.ended = std::time(nullptr);
    std::vector<uint8_t> output = readAllBytes(options.outputFile);
    // Line ends as written in text mode on Windows ("\r\n") read as "\n".
    for (uint8_t byte : output)
        if (byte != '\r')
            run.output.push_back(char(byte));
    for (const auto& entry : fs::directory_iterator(dir.path()))
        if (entry.path().extension() == ".dmp")
            run.reports.push_back(entry.path());
    return run;
}

std::string question(const fs::path& report) {
    return "There was an unexpected error:\n\nWould you like to create a mini-dump file?\n\n" + report.string() + " \n";
}

} // namespace

TEST(CrashDumpHandler, AnsweringYesWritesTheReportNextToTheProgram) {
    TempDir dir;
    CrashRun run = crash(dir, "yes", "segv");
    EXPECT_TRUE(run.status.exited);
    EXPECT_EQ(run.status.code, 128 + 11);

    ASSERT_EQ(run.reports.size(), 1u) << run.output;
    const fs::path& report = run.reports[0];
    std::smatch parts;
    std::string name = report.filename().string();
    ASSERT_TRUE(std::regex_match(name, parts, std::regex(R"(brindlemoor\.bin\.(\d+)\.dmp)"))) << name;
    long long seconds = std::stoll(parts[1].str());
    EXPECT_GE(seconds, run.started);
    EXPECT_LE(seconds, run.ended);

    EXPECT_NE(run.output.find("ASKED: " + question(report)), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("Crash report written to '" + report.string() + "'"), std::string::npos);
    EXPECT_EQ(run.output.find("TOLD: "), std::string::npos);
    std::vector<uint8_t> bytes = readAllBytes(report);
    std::string text(bytes.begin(), bytes.end());
#ifdef _WIN32
    // A minidump, for the debugger.
    EXPECT_EQ(text.substr(0, 4), "MDMP");
#else
    EXPECT_NE(text.find("Signal: 11 SIGSEGV"), std::string::npos);
    EXPECT_NE(text.find("Address: 0x0000000000000010"), std::string::npos);
    EXPECT_NE(text.find("Backtrace:\n"), std::string::npos);
#endif
}

TEST(CrashDumpHandler, AnsweringNoWritesNothing) {
    TempDir dir;
    CrashRun run = crash(dir, "no", "segv");
    EXPECT_TRUE(run.status.exited);
    EXPECT_EQ(run.status.code, 128 + 11);
    EXPECT_TRUE(run.reports.empty());
    EXPECT_NE(run.output.find("ASKED: There was an unexpected error:"), std::string::npos) << run.output;
}

TEST(CrashDumpHandler, WithoutAPromptProgramTheQuestionIsPrintedAndAnsweredYes) {
    for (const char* answer : {"unset", "missing"}) {
        SCOPED_TRACE(answer);
        TempDir dir;
        CrashRun run = crash(dir, answer, "segv");
        EXPECT_EQ(run.status.code, 128 + 11);
        ASSERT_EQ(run.reports.size(), 1u) << run.output;
        EXPECT_NE(run.output.find(question(run.reports[0])), std::string::npos) << run.output;
        EXPECT_EQ(run.output.find("ASKED: "), std::string::npos) << run.output;
    }
}

TEST(CrashDumpHandler, WithoutAskingTheReportIsWrittenAtOnce) {
    TempDir dir;
    CrashRun run = crash(dir, "silent", "abort");
    EXPECT_TRUE(run.status.exited);
    EXPECT_EQ(run.status.code, 128 + 6);
    ASSERT_EQ(run.reports.size(), 1u) << run.output;
    EXPECT_EQ(run.output.find("There was an unexpected error"), std::string::npos) << run.output;
    std::vector<uint8_t> bytes = readAllBytes(run.reports[0]);
#ifdef _WIN32
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()).substr(0, 4), "MDMP");
#else
    EXPECT_NE(std::string(bytes.begin(), bytes.end()).find("Signal: 6 SIGABRT"), std::string::npos);
#endif
}

TEST(CrashDumpHandler, AReportThatCannotBeCreatedIsShown) {
    // Folders where the reports would go, for every second the run may take:
    // a file cannot be created in their place.
    TempDir dir;
    long long now = std::time(nullptr);
    for (long long second = now - 1; second <= now + 60; ++second)
        fs::create_directory(dir.path() / (kProgram + "." + std::to_string(second) + ".dmp"));

    CrashRun run = crash(dir, "yes", "segv");
    EXPECT_EQ(run.status.code, 128 + 11);
#ifdef _WIN32
    // Windows refuses a file in a folder's place as access denied.
    std::regex told(R"(TOLD: Failed to create the mini-dump file '.*[/\\]brindlemoor\.bin\.\d+\.dmp' \(error 5\)\n)");
#else
    std::regex told(R"(TOLD: Failed to create the mini-dump file '.*/brindlemoor\.bin\.\d+\.dmp' \(error 21\)\n)");
#endif
    EXPECT_TRUE(std::regex_search(run.output, told)) << run.output;
    for (const fs::path& report : run.reports)
        EXPECT_TRUE(fs::is_directory(report));
}

TEST(CrashDumpHandler, APromptThatDoesNotFitIsRefused) {
    const struct {
        const char* what;
        std::string program;
        std::vector<std::string> arguments;
    } cases[] = {
        {"too many arguments", "/bin/prompt", std::vector<std::string>(17, "x")},
        {"program path too long", "/" + std::string(5000, 'p'), {}},
        {"arguments too long together", "/bin/prompt", {std::string(5000, 'a'), std::string(5000, 'b')}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LogCapture log;
        EXPECT_FALSE(setCrashDumpPrompt(c.program, c.arguments));
        EXPECT_EQ(log.count("ERR: "), 1u);
    }
    EXPECT_TRUE(setCrashDumpPrompt("/bin/prompt", std::vector<std::string>(16, "x")));
    EXPECT_TRUE(setCrashDumpPrompt("", {})); // clears it again
}
