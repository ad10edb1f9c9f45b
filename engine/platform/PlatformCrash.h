#pragma once

// Catching fatal signals (bad memory access, bus error, illegal instruction,
// arithmetic fault, abort) and writing a crash report. All but the installer
// run inside the signal handler, so they use no heap and no locks, only
// system calls that are safe there.

// What went wrong, as the handler received it.
struct PlatformCrashInfo {
    int signalNumber;
    int signalCode;      // the kernel's reason code for the signal
    const void* address; // faulting address (for bad memory access and the like)
    const void* context; // the interrupted thread's machine state, opaque
};

// Called on the failing thread, on a separate signal stack. When several
// threads fail at once only the first gets here; the others wait for it to end
// the process. When it returns, the process ends as the system would for
// the signal.
using PlatformCrashCallback = void (*)(const PlatformCrashInfo& crash);

// Installs the handler for the fatal signals and a signal stack for the
// calling thread (threads made by CPlatformThread get their own). The first
// call installs; later calls do nothing and answer true. False when the
// handler could not be installed.
[[nodiscard]] bool platformInstallCrashHandler(PlatformCrashCallback callback);

enum class PlatformReportResult {
    Written,
    CreateFailed, // the file could not be created
    WriteFailed,  // it was created, but writing it failed
};

// Writes a text report of `crash` to a new file at `path` (replacing any):
// the executable, process id, time, signal, faulting address, registers on
// x86_64 and aarch64, the symbolised call stack and the memory map (to place
// addresses that have no symbol). On failure `systemError` (may be null)
// receives the system's error code.
[[nodiscard]] PlatformReportResult platformWriteCrashReport(const char* path, const PlatformCrashInfo& crash,
                                                            int* systemError);

// Writes `text` to the standard error stream.
void platformWriteStandardError(const char* text);

// Ends the process at once with status 128 + signal. With `systemDump` the
// signal is delivered again under its default action instead, so the system
// ends the process and may write a core file; the status then names the
// signal.
[[noreturn]] void platformEndCrashedProcess(int signalNumber, bool systemDump);
