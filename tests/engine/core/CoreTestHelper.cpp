// A child process for the core tests, playing a game instance:
//   guard <folder>               runs as the game's single instance would
//   crash <yes|no|silent> <segv|abort>
//                                installs the crash handler, answering the
//                                question as told (silent: not asking), and fails
//   late-log                     logs from an exit handler that runs after the
//                                logger's own disposal at exit

#include "engine/core/CLog.h"
#include "engine/core/CSingleInstanceGuard.h"
#include "engine/core/CString.h"
#include "engine/core/CThread.h"
#include "engine/core/CrashDumpHandler.h"
#include "engine/platform/PlatformCrash.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
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

bool answerYes(const char* question) {
    platformWriteStandardError("ASKED: ");
    platformWriteStandardError(question);
    platformWriteStandardError("\n");
    return true;
}

bool answerNo(const char* question) {
    answerYes(question);
    return false;
}

void tell(const char* message) {
    platformWriteStandardError("TOLD: ");
    platformWriteStandardError(message);
    platformWriteStandardError("\n");
}

__attribute__((noinline)) void failWithBadAccess() { *reinterpret_cast<volatile int*>(uintptr_t{16}) = 1; }

int crash(const std::string& answer, const std::string& kind) {
    if (!installCrashDumpHandler(answer != "silent", false))
        return 2;
    // Only the first call counts: these opposite flags must change nothing.
    if (!installCrashDumpHandler(answer == "silent", true))
        return 2;
    CrashDumpPrompt prompt;
    prompt.askYesNo = answer == "no" ? &answerNo : &answerYes;
    prompt.showMessage = &tell;
    setCrashDumpPrompt(prompt);
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
    if (mode == "late-log" && argc == 2)
        return lateLog();
    if (mode == "crash" && argc == 4)
        return crash(argv[2], argv[3]);
    return 100;
}
