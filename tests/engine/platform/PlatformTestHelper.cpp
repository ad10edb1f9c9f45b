// A child process for the platform tests. The first argument picks what it
// does; see main().

#include "engine/platform/CPlatformInstanceLock.h"
#include "engine/platform/CPlatformThread.h"
#include "engine/platform/PlatformCrash.h"
#include "engine/platform/PlatformSystem.h"

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
    std::fprintf(stderr, "unknown mode\n");
    return 100;
}
