// A child process for the platform tests. The first argument picks what it
// does; see main().
//   exit <code>                 ends with <code>
//   env <name> <value>          0 when the variable has that value, else 1
//   cwd                         prints the working folder
//   sleep                       sleeps a minute
//   signal <number>             ends by that signal
//   blocked                     0 when no signal is blocked, else 1
//   crash <kind> <report> <exit|system>
//                               installs the crash handler, writing the report,
//                               and fails as <kind> says (segv, abort, overflow)
//   ask-in-handler <program> <argument>
//                               fails with a bad access; the crash handler runs
//                               <program> <argument> and prints "ANSWER <status>"
//   hold-lock <folder> <name>   holds the lock, polling for raise requests
//   wait-lock <folder> <name>   holds the lock and blocks until a raise request
//   removed-exe                 removes its own program file, then prints its path
//   nice <step>                 adds <step> to its own nice value, then checks the
//                               nice values its threads get; 0 when all match

#include "engine/platform/CPlatformInstanceLock.h"
#include "engine/platform/CPlatformThread.h"
#include "engine/platform/CSignalSafeText.h"
#include "engine/platform/PlatformCrash.h"
#include "engine/platform/PlatformSystem.h"

#include <errno.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

// Where the crash callback writes its report, and whether it then ends the
// process itself or lets the system do it.
char g_reportPath[4096];
bool g_endItself = false;

void writeReport(const PlatformCrashInfo& crash) {
    int error = 0;
    PlatformReportResult result = platformWriteCrashReport(g_reportPath, crash, &error);
    platformWriteStandardError(result == PlatformReportResult::Written        ? "REPORT written\n"
                               : result == PlatformReportResult::CreateFailed ? "REPORT create failed\n"
                                                                              : "REPORT write failed\n");
    if (g_endItself)
        platformEndCrashedProcess(crash.signalNumber, false);
}

} // namespace

extern "C" __attribute__((noinline)) void platformHelperFaultingFunction() {
    *reinterpret_cast<volatile int*>(uintptr_t{16}) = 1;
}

extern "C" __attribute__((noinline)) int platformHelperRecurse(int depth) {
    volatile char block[1024];
    block[0] = static_cast<char>(depth);
    if (depth >= 0)
        return platformHelperRecurse(depth + 1) + block[0];
    return block[0];
}

namespace {

void overflowOnThread(void*) { std::printf("%d\n", platformHelperRecurse(0)); }

int crash(const std::string& kind, const char* reportPath, const std::string& ending) {
    std::snprintf(g_reportPath, sizeof g_reportPath, "%s", reportPath);
    g_endItself = ending == "exit";
    if (!platformInstallCrashHandler(&writeReport))
        return 2;
    if (kind == "segv")
        platformHelperFaultingFunction();
    else if (kind == "abort")
        std::abort();
    else if (kind == "overflow") {
        CPlatformThread thread;
        if (!thread.start(&overflowOnThread, nullptr, PlatformThreadPriority::Normal))
            return 2;
        thread.join();
    }
    return 1;
}

// The program and argument the crash handler runs in ask-in-handler.
char g_askProgram[4096];
char g_askArgument[256];

void askInHandler(const PlatformCrashInfo& crash) {
    const char* arguments[] = {g_askArgument, nullptr};
    int status = platformRunProgramAndWait(g_askProgram, arguments);
    char line[64];
    CSignalSafeText(line, sizeof line).text("ANSWER ").decimal(status).text("\n");
    platformWriteStandardError(line);
    platformEndCrashedProcess(crash.signalNumber, false);
}

int askInHandlerMode(const char* program, const char* argument) {
    std::snprintf(g_askProgram, sizeof g_askProgram, "%s", program);
    std::snprintf(g_askArgument, sizeof g_askArgument, "%s", argument);
    if (!platformInstallCrashHandler(&askInHandler))
        return 2;
    platformHelperFaultingFunction();
    return 1;
}

int blockedSignals() {
    sigset_t blocked;
    if (::sigprocmask(SIG_BLOCK, nullptr, &blocked) != 0)
        return 2;
    for (int signalNumber = 1; signalNumber < NSIG; ++signalNumber)
        if (::sigismember(&blocked, signalNumber) == 1)
            return 1;
    return 0;
}

int threadNice() {
    errno = 0;
    int nice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()));
    return errno == 0 ? nice : 1000;
}

// The process's base is read when the first thread takes a priority, so a
// nice value set before then counts as the base.
int niceMode(int step) {
    int base = threadNice() + step;
    if (base > 19)
        base = 19;
    if (::setpriority(PRIO_PROCESS, 0, base) != 0)
        return 2;
    const struct {
        PlatformThreadPriority priority;
        int expected;
    } cases[] = {
        {PlatformThreadPriority::Lowest, base + 10 > 19 ? 19 : base + 10},
        {PlatformThreadPriority::Normal, base},
    };
    for (const auto& c : cases) {
        int seen = 1000;
        CPlatformThread thread;
        if (!thread.start([](void* out) { *static_cast<int*>(out) = threadNice(); }, &seen, c.priority))
            return 3;
        thread.join();
        std::printf("nice %d expected %d\n", seen, c.expected);
        if (seen != c.expected)
            return 1;
    }
    return 0;
}

int holdLock(const std::string& folder, const std::string& name) {
    CPlatformInstanceLock lock;
    switch (lock.acquire(name, folder, nullptr)) {
    case PlatformLockResult::Acquired: {
        std::ofstream(std::filesystem::path(folder) / "ready") << "ready";
        for (int i = 0; i < 6000; ++i) {
            if (lock.takeRaiseRequests())
                std::ofstream(std::filesystem::path(folder) / "raised") << "raised";
            platformSleepMilliseconds(10);
        }
        return 5;
    }
    case PlatformLockResult::HeldElsewhere:
        return CPlatformInstanceLock::sendRaiseRequest(name, folder) ? 3 : 4;
    case PlatformLockResult::Failed:
        return 6;
    }
    return 7;
}

int waitLock(const std::string& folder, const std::string& name) {
    CPlatformInstanceLock lock;
    if (lock.acquire(name, folder, nullptr) != PlatformLockResult::Acquired)
        return 6;
    std::ofstream(std::filesystem::path(folder) / "ready") << "ready";
    if (!lock.waitForRaiseRequests())
        return 4;
    std::ofstream(std::filesystem::path(folder) / "raised") << "raised";
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "exit" && argc == 3)
        return std::atoi(argv[2]);
    if (mode == "env" && argc == 4) {
        const char* value = std::getenv(argv[2]);
        return value && std::strcmp(value, argv[3]) == 0 ? 0 : 1;
    }
    if (mode == "cwd") {
        std::printf("%s\n", std::filesystem::current_path().c_str());
        return 0;
    }
    if (mode == "sleep") {
        platformSleepMilliseconds(60000);
        return 0;
    }
    if (mode == "crash" && argc == 5)
        return crash(argv[2], argv[3], argv[4]);
    if (mode == "hold-lock" && argc == 4)
        return holdLock(argv[2], argv[3]);
    if (mode == "wait-lock" && argc == 4)
        return waitLock(argv[2], argv[3]);
    if (mode == "signal" && argc == 3)
        return ::raise(std::atoi(argv[2])) == 0 ? 99 : 98;
    if (mode == "blocked")
        return blockedSignals();
    if (mode == "ask-in-handler" && argc == 4)
        return askInHandlerMode(argv[2], argv[3]);
    if (mode == "nice" && argc == 3)
        return niceMode(std::atoi(argv[2]));
    if (mode == "removed-exe") {
        std::error_code error;
        std::filesystem::remove(platformExecutablePath(), error);
        std::printf("%s\n", platformExecutablePath().c_str());
        return error ? 2 : 0;
    }
    std::fprintf(stderr, "unknown mode\n");
    return 100;
}
