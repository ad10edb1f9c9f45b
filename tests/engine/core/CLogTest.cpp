#include "engine/core/CLog.h"

#include "engine/core/CString.h"
#include "engine/core/CStringW.h"
#include "engine/platform/CPlatformProcess.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

TEST(CLog, EachLevelCarriesItsPrefix) {
    const struct {
        int level;
        const char* line;
    } cases[] = {
        {CLog::Info, "INF: x"}, {CLog::Warning, "WRN: x"}, {CLog::Error, "ERR: x"}, {CLog::User, "USR: x"},
        {9, "USR: x"}, // out of range: the nearest level's prefix
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        LogCapture log;
        CLog::instance()->log("x", c.level);
        ASSERT_EQ(log.lines().size(), 1u);
        EXPECT_EQ(log.lines()[0], c.line);
    }
}

TEST(CLog, DebugLinesAreDroppedUnlessTheThresholdIsLowered) {
    {
        LogCapture log;
        CLog::instance()->log("hidden", CLog::Debug);
        EXPECT_TRUE(log.lines().empty());
    }
    {
        LogCapture log(true);
        CLog::instance()->log("shown", CLog::Debug);
        EXPECT_EQ(log.lines(), std::vector<std::string>{"DBG: shown"});
    }
    EXPECT_EQ(CLog::instance()->threshold(), CLog::Info);
}

TEST(CLog, EveryTextKindReachesTheSameLine) {
    LogCapture log;
    CLog::instance()->log("narrow", CLog::Info);
    CLog::instance()->log(CString("string"), CLog::Info);
    CLog::instance()->log(u"wide", CLog::Info);
    CLog::instance()->log(CStringW(u"stringw"), CLog::Info);
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"INF: narrow", "INF: string", "INF: wide", "INF: stringw"}));
}

TEST(CLog, NarrowTextIsWidenedWithSignExtension) {
    CStringW seen;
    CLog::Sink previous = CLog::instance()->setSink([&seen](int, const CStringW& line) { seen = line; });
    CLog::instance()->log("\xE9", CLog::Info);
    CLog::instance()->setSink(std::move(previous));
    ASSERT_EQ(seen.length(), 6u);
    EXPECT_EQ(seen[5], char16_t(0xFFE9));
}

TEST(CLog, ConsoleLineIsPlainTextEndingInCarriageReturnAndLineFeed) {
    testing::internal::CaptureStdout();
    CLog::instance()->log("100% %s %d %n done", CLog::Info);
    CLog::instance()->log("not shown", CLog::Debug);
    CLog::instance()->log(u"\u00e9t\u00e9", CLog::Warning);
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(printed, "INF: 100% %s %d %n done\r\nWRN: \xC3\xA9t\xC3\xA9\r\n");
}

TEST(CLog, LogFileGetsUtf16LinesWithoutLineFeeds) {
    TempDir dir;
    const auto path = dir.path() / "engine.log";
    ASSERT_TRUE(CLog::instance()->openLogFile(path));
    CLog::instance()->log("a%", CLog::Error);
    CLog::instance()->log("skipped", CLog::Debug);
    CLog::instance()->closeLogFile();
    ASSERT_TRUE(CLog::instance()->openLogFile(path)); // appends, no second mark
    CLog::instance()->log(u"\u20ac", CLog::Info);
    CLog::instance()->closeLogFile();

    const std::vector<uint8_t> expected = {0xFF, 0xFE, 'E', 0, 'R', 0, 'R', 0, ':', 0, ' ', 0, 'a',  0,    '%',  0,
                                           '\r', 0,    'I', 0, 'N', 0, 'F', 0, ':', 0, ' ', 0, 0xAC, 0x20, '\r', 0};
    EXPECT_EQ(readAllBytes(path), expected);
}

TEST(CLog, UnopenableLogFileIsReported) {
    TempDir dir;
    LogCapture log;
    EXPECT_FALSE(CLog::instance()->openLogFile(dir.path() / "missing" / "engine.log"));
    EXPECT_TRUE(log.contains("ERR: Can't open log file: "));
}

TEST(CLog, TwoThreadsAskingAtOnceGetTheSameLogger) {
    for (int round = 0; round < 20; ++round) {
        CLog::disposeInstance();
        std::atomic<bool> go{false};
        CLog* seen[2] = {nullptr, nullptr};
        auto ask = [&go](CLog** out) {
            while (!go.load())
                std::this_thread::yield();
            *out = CLog::instance();
        };
        std::thread first(ask, &seen[0]);
        std::thread second(ask, &seen[1]);
        go = true;
        first.join();
        second.join();
        ASSERT_NE(seen[0], nullptr);
        EXPECT_EQ(seen[0], seen[1]);
        EXPECT_EQ(seen[0], CLog::instance());
    }
}

TEST(CLog, DisposalLetsTheNextCallBuildAFreshLogger) {
    CLog::instance()->setThreshold(CLog::Error);
    CLog::disposeInstance();
    EXPECT_EQ(CLog::instance()->threshold(), CLog::Info);
}

TEST(CLog, ALoggerBuiltAfterTheDisposalAtExitIsReleasedToo) {
    TempDir dir;
    CPlatformProcess process;
    CPlatformProcess::Options options;
    options.outputFile = (dir.path() / "output.txt").string();
    ASSERT_TRUE(process.start(BM_CORE_TEST_HELPER, {"late-log"}, options));
    PlatformExitStatus status;
    ASSERT_TRUE(process.waitForExit(60000, &status));
    const std::vector<uint8_t> bytes = readAllBytes(options.outputFile);
    const std::string output(bytes.begin(), bytes.end());
    EXPECT_TRUE(status.exited);
    EXPECT_EQ(status.code, 0) << output; // a leak report would fail the run
    EXPECT_NE(output.find("INF: late line"), std::string::npos) << output;
    EXPECT_NE(output.find("LOGGER RELEASED"), std::string::npos) << output;
}

TEST(CLog, ThreadsMayLogWhileACaptureRecords) {
    LogCapture log;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 20; ++i)
                CLog::instance()->log(CString("thread ") + t, CLog::Info);
        });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(log.lines().size(), 80u);
    EXPECT_EQ(log.count("INF: thread 3"), 20u);
}
