// A child process for the core tests, playing a game instance:
//   guard <folder>               runs as the game's single instance would,
//                                polling for raise requests
//   guard-asleep <folder>        the same with a main loop that sleeps until the
//                                guard's wake callback wakes it, as a minimised
//                                window's does; ends with 0 once raised
//   crash <answer> <segv|abort>  installs the crash handler and fails. The answer:
//                                yes, no: the prompt program (this program's
//                                "prompt" mode) answers so; silent: not asking;
//                                unset: no prompt program; missing: one that
//                                does not exist
//   prompt <status> <kind> <text>
//                                the crash prompt: prints the text ("ASKED: "
//                                for a question, "TOLD: " for a message) and
//                                ends with <status>
//   late-log                     logs from an exit handler that runs after the
//                                logger's own disposal at exit

#include "engine/core/CLog.h"
#include "engine/core/CSingleInstanceGuard.h"
#include "engine/core/CString.h"
#include "engine/core/CThread.h"
#include "engine/core/CrashDumpHandler.h"
#include "engine/platform/PlatformCrash.h"
#include "engine/platform/PlatformSystem.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>

namespace {

int runGuard(const std::filesystem::path& folder) {
    CSingleInstanceGuard guard(kGameInstanceName, folder);
    if (guard.isOtherInstanceRunning())
        return 0;
    guard.storeWindow([folder] { std::ofstream(folder / "raised") << "raised"; });
    std::ofstream(folder / "ready") << "ready";
    // Ended by the test; gives up by itself after a minute.
    for (int i = 0; i < 6000; ++i) {
        guard.processRaiseRequests();
        sleepMilliseconds(10);
    }
    return 5;
}

// Ends the main loop's sleep, as a pushed window event would.
struct Alarm {
    std::mutex lock;
    std::condition_variable rung;
    bool ringing = false;

    void ring() {
        std::lock_guard<std::mutex> guard(lock);
        ringing = true;
        rung.notify_all();
    }
    // Sleeps until rung or `limit` passes; answers whether it was rung.
    bool sleep(std::chrono::seconds limit) {
        std::unique_lock<std::mutex> guard(lock);
        bool woken = rung.wait_for(guard, limit, [this] { return ringing; });
        ringing = false;
        return woken;
    }
};

int runSleepingGuard(const std::filesystem::path& folder) {
    CSingleInstanceGuard guard(kGameInstanceName, folder);
    if (guard.isOtherInstanceRunning())
        return 0;
    Alarm alarm;
    bool raised = false;
    guard.storeWindow([&raised] { raised = true; });
    guard.setWakeCallback([&alarm] { alarm.ring(); });
    std::ofstream(folder / "ready") << "ready";
    // The loop never polls on a timer: only the watcher can wake it.
    while (alarm.sleep(std::chrono::seconds(60))) {
        if (guard.processRaiseRequests() && raised) {
            std::ofstream(folder / "raised") << "raised";
            return 0;
        }
    }
    return 5;
}

int prompt(int status, const std::string& kind, const char* text) {
    std::fprintf(stderr, "%s%s\n", kind == "yes-no" ? "ASKED: " : kind == "ok" ? "TOLD: " : "WHAT: ", text);
    return status;
}

__attribute__((noinline)) void failWithBadAccess() {
    // Through a volatile pointer, so the compiler cannot see the address.
    volatile int* volatile target = reinterpret_cast<volatile int*>(uintptr_t{16});
    *target = 1;
}

int crash(const std::string& answer, const std::string& kind) {
    if (!installCrashDumpHandler(answer != "silent", false))
        return 2;
    // Only the first call counts: these opposite flags must change nothing.
    if (!installCrashDumpHandler(answer == "silent", true))
        return 2;
    bool promptSet = true;
    if (answer == "yes" || answer == "no")
        promptSet = setCrashDumpPrompt(platformExecutablePath(), {"prompt", answer == "yes" ? "0" : "1"});
    else if (answer == "missing")
        promptSet = setCrashDumpPrompt("/nonexistent/prompt", {"prompt", "1"});
    if (!promptSet)
        return 2;
    if (kind == "segv")
        failWithBadAccess();
    else if (kind == "abort")
        std::abort();
    return 1;
}

// Says so when the sink that holds it, and so the logger, is destroyed.
struct ReleaseMark {
    ~ReleaseMark() { platformWriteStandardError("LOGGER RELEASED\n"); }
};

void logAfterTheLoggerWentAway() {
    auto mark = std::make_shared<ReleaseMark>();
    (void)CLog::instance()->setSink([mark](int, const CStringW&) {});
    CLog::instance()->log("late line", CLog::Info);
}

int lateLog() {
    // Registered before the logger exists, so it runs after the logger's own
    // disposal and builds a second logger.
    std::atexit(&logAfterTheLoggerWentAway);
    CLog::instance()->log("first line", CLog::Info);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "guard" && argc == 3)
        return runGuard(argv[2]);
    if (mode == "guard-asleep" && argc == 3)
        return runSleepingGuard(argv[2]);
    if (mode == "prompt" && argc == 5)
        return prompt(std::atoi(argv[2]), argv[3], argv[4]);
    if (mode == "late-log" && argc == 2)
        return lateLog();
    if (mode == "crash" && argc == 4)
        return crash(argv[2], argv[3]);
    return 100;
}
