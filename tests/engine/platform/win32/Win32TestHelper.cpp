// The program the Windows platform tests start as a child process.
//   hold-lock NAME FOLDER   takes the instance lock, writes FOLDER\ready, waits
//                           for a raise request, writes FOLDER\raised; 0
//   crash                   dies of a bad memory access with the crash
//                           handler installed: it writes a minidump beside
//                           the program and ends with 128 + 11

#include "engine/platform/CPlatformInstanceLock.h"
#include "engine/platform/PlatformCrash.h"
#include "engine/platform/PlatformSystem.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace {

void touch(const std::string& path) {
    if (std::FILE* file = platformOpenFile(path, "wb"))
        std::fclose(file);
}

int holdLock(const std::string& name, const std::string& folder) {
    CPlatformInstanceLock lock;
    if (lock.acquire(name, "", nullptr) != PlatformLockResult::Acquired)
        return 3;
    touch(folder + "\\ready");
    if (!lock.waitForRaiseRequests())
        return 4;
    touch(folder + "\\raised");
    return 0;
}

void writeDump(const PlatformCrashInfo& crash) {
    const std::string path = platformExecutablePath() + ".dmp";
    if (platformWriteCrashReport(path.c_str(), crash, nullptr) != PlatformReportResult::Written)
        platformWriteStandardError("no dump\n");
    platformEndCrashedProcess(crash.signalNumber, false);
}

__attribute__((noinline)) void failWithBadAccess() {
    // Through a volatile pointer, so the compiler cannot see the address.
    volatile int* volatile target = reinterpret_cast<volatile int*>(uintptr_t{16});
    *target = 1;
}

} // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "hold-lock" && argc == 4)
        return holdLock(argv[2], argv[3]);
    if (command == "crash") {
        if (!platformInstallCrashHandler(&writeDump))
            return 2;
        failWithBadAccess();
        return 1;
    }
    return 64;
}
