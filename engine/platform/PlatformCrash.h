#pragma once

// Catching fatal signals (bad memory access, bus error, illegal instruction,
// arithmetic fault, abort) and writing a crash report. All but the installer
// run inside the signal handler, so they use no heap and no locks, only
// system calls that are safe there.
//
// A thread that overflows its stack can only be reported when it has an
// alternate signal stack: the thread that installs the handler and every
// thread started through CPlatformThread get one. A thread started any other
// way (std::thread, a library's own threads) has none, so a stack overflow on
// it kills the process without a report. Engine threads must therefore be
// CPlatformThread or CThread.

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

// Run once, by the installing call, before any handler can run.
using PlatformCrashPrepare = void (*)(void* context);

// Installs the handler for the fatal signals and a signal stack for the
// calling thread. The first call runs `prepare(context)` (when not null) and
// then installs; later calls do nothing and answer true, so this is the one
// place that decides which installation counts. False when the handler could
// not be installed; a later call then tries again.
[[nodiscard]] bool platformInstallCrashHandler(PlatformCrashCallback callback, PlatformCrashPrepare prepare = nullptr,
                                               void* context = nullptr);

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

// Runs the program at `program` (a path) with `arguments` (argv[1] onwards, a
// list ending with a null pointer; at most 32) in a child process and waits
// for it to end. Answers its exit status (0 to 255), or -1 when it could not
// be started, was ended by a signal, or could not be waited for (as when this
// process ignores SIGCHLD). The child gets this process's environment and
// open descriptors, and starts with no signal blocked.
//
// Safe inside a signal handler: it takes no heap and no locks (glibc's
// posix_spawn with attributes on the stack, then waitpid). Nothing of this
// process's code runs in the child before the program starts.
[[nodiscard]] int platformRunProgramAndWait(const char* program, const char* const* arguments);

// Ends the process at once with status 128 + signal. With `systemDump` the
// signal is delivered again under its default action instead, so the system
// ends the process and may write a core file; the status then names the
// signal.
[[noreturn]] void platformEndCrashedProcess(int signalNumber, bool systemDump);
