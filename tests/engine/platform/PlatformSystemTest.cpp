#include "engine/platform/PlatformSystem.h"

#include "engine/platform/CPlatformProcess.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

TEST(PlatformSystem, OsDescriptionNamesTheKernel) {
    std::string description = platformOsDescription();
    EXPECT_NE(description.find("Linux "), std::string::npos) << description;
}

TEST(PlatformSystem, ParseOsReleaseTakesTheDisplayName) {
    const struct {
        const char* what;
        const char* text;
        const char* expected;
    } cases[] = {
        {"double quotes", "NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n",
         "Debian GNU/Linux 12 (bookworm)"},
        {"single quotes are literal", "PRETTY_NAME='A \\\"B\\\"'\n", "A \\\"B\\\""},
        {"escapes in double quotes", "PRETTY_NAME=\"say \\\"hi\\\" \\\\ \\$HOME\"\n", "say \"hi\" \\ $HOME"},
        {"bare word", "PRETTY_NAME=Arch\n", "Arch"},
        {"name and version without a pretty name", "NAME=Foo\nVERSION=\"2 (x)\"\n", "Foo 2 (x)"},
        {"name alone", "# comment\nNAME=Foo\n", "Foo"},
        {"carriage returns and blanks", "  PRETTY_NAME=\"Bar\"  \r\n", "Bar"},
        {"no final line break", "ID=x\nPRETTY_NAME=Baz", "Baz"},
        {"nothing usable", "ID=x\nnot a setting\n=\n", ""},
        {"empty", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(platformParseOsRelease(c.text), c.expected);
    }
}

TEST(PlatformSystem, CpuMhzIsPlausible) {
    uint32_t mhz = 0;
    ASSERT_TRUE(platformCpuMhz(&mhz));
    EXPECT_GE(mhz, 100u);
    EXPECT_LT(mhz, 20000u);
    EXPECT_TRUE(platformCpuMhz(nullptr));
}

TEST(PlatformSystem, CpuMhzPrefersTheRatedFrequency) {
    // The rated speed from cpufreq wins over the varying clock in
    // /proc/cpuinfo, where the system offers it.
    const char* const sources[] = {"/sys/devices/system/cpu/cpu0/cpufreq/base_frequency",
                                   "/sys/devices/system/cpu/cpu0/cpufreq/cpuinfo_max_freq"};
    for (const char* source : sources) {
        std::vector<uint8_t> bytes = readAllBytes(source);
        uint32_t expected = 0;
        if (!platformParseFrequencyKhz(std::string(bytes.begin(), bytes.end()), &expected))
            continue;
        uint32_t mhz = 0;
        ASSERT_TRUE(platformCpuMhz(&mhz));
        EXPECT_EQ(mhz, expected) << source;
        return;
    }
    GTEST_SKIP() << "this machine has no cpufreq";
}

TEST(PlatformSystem, ParseFrequencyKhzRoundsToMhz) {
    const struct {
        const char* what;
        const char* text;
        bool ok;
        uint32_t expected;
    } cases[] = {
        {"usual file", "2900000\n", true, 2900},
        {"rounds to nearest", "2399500\n", true, 2400},
        {"rounds down below a half", "2399499", true, 2399},
        {"blanks around", "  1800000 \n", true, 1800},
        {"lowest accepted", "500", true, 1},
        {"too low", "499", false, 0},
        {"too high", "1000000000", false, 0},
        {"empty", "", false, 0},
        {"not a number", "fast\n", false, 0},
        {"trailing junk", "2900000 kHz\n", false, 0},
        {"negative", "-2900000", false, 0},
        {"beyond 64 bits", "99999999999999999999999", false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        uint32_t mhz = 12345;
        EXPECT_EQ(platformParseFrequencyKhz(c.text, &mhz), c.ok);
        EXPECT_EQ(mhz, c.ok ? c.expected : 12345u);
    }
    EXPECT_TRUE(platformParseFrequencyKhz("1000", nullptr));
}

TEST(PlatformSystem, ParseCpuMhzTakesTheFirstProcessor) {
    const struct {
        const char* what;
        const char* text;
        bool ok;
        uint32_t expected;
    } cases[] = {
        {"usual layout", "processor\t: 0\ncpu MHz\t\t: 2596.146\ncache size\t: 512 KB\n", true, 2596},
        {"rounds to nearest", "cpu MHz : 2399.5\n", true, 2400},
        {"first entry wins", "cpu MHz\t: 1000.000\ncpu MHz\t: 3000.000\n", true, 1000},
        {"whole number", "cpu MHz: 800", true, 800},
        {"missing", "processor\t: 0\nBogoMIPS\t: 50.00\n", false, 0},
        {"not a number", "cpu MHz\t: fast\n", false, 0},
        {"trailing junk", "cpu MHz\t: 1200.5x\n", false, 0},
        {"zero", "cpu MHz\t: 0.000\n", false, 0},
        {"negative", "cpu MHz\t: -5\n", false, 0},
        {"absurdly large", "cpu MHz\t: 1e9\n", false, 0},
        {"first entry unreadable", "cpu MHz\t: ?\ncpu MHz\t: 3000\n", false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        uint32_t mhz = 12345;
        EXPECT_EQ(platformParseCpuMhz(c.text, &mhz), c.ok);
        EXPECT_EQ(mhz, c.ok ? c.expected : 12345u);
    }
}

TEST(PlatformSystem, MemoryStatusIsPlausible) {
    uint64_t total = 0;
    uint64_t available = 0;
    ASSERT_TRUE(platformMemoryStatus(&total, &available));
    EXPECT_GE(total, 64u * 1024u); // at least 64 MiB
    EXPECT_GT(available, 0u);
    EXPECT_LE(available, total);

    uint64_t totalAgain = 0;
    EXPECT_TRUE(platformMemoryStatus(&totalAgain, nullptr));
    EXPECT_EQ(totalAgain, total);
    EXPECT_TRUE(platformMemoryStatus(nullptr, nullptr));
}

TEST(PlatformSystem, ExecutablePathNamesThisProgram) {
    std::string path = platformExecutablePath();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.front(), '/');
    EXPECT_NE(path.find("test_engine_platform"), std::string::npos) << path;
}

TEST(PlatformSystem, ExecutablePathSurvivesTheRemovalOfTheProgramFile) {
    // A copy of the helper removes its own file and then asks for its path.
    TempDir dir;
    fs::path program = dir.path() / "helper copy";
    fs::copy_file(BM_PLATFORM_TEST_HELPER, program);
    CPlatformProcess process;
    CPlatformProcess::Options options;
    options.outputFile = (dir.path() / "output.txt").string();
    ASSERT_TRUE(process.start(program.string(), {"removed-exe"}, options));
    PlatformExitStatus status;
    ASSERT_TRUE(process.waitForExit(30000, &status));
    EXPECT_EQ(status.code, 0);
    EXPECT_FALSE(fs::exists(program));
    std::vector<uint8_t> output = readAllBytes(options.outputFile);
    EXPECT_EQ(std::string(output.begin(), output.end()), program.string() + "\n");
}

TEST(PlatformSystem, SleepWaitsAtLeastTheTimeAsked) {
    auto before = std::chrono::steady_clock::now();
    platformSleepMilliseconds(20);
    EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(20));
    platformSleepMilliseconds(0);
}
