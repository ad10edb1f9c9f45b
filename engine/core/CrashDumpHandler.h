#pragma once

#include <string>
#include <vector>

// The crash handler: after an unexpected fatal error (bad memory access, bus
// error, illegal instruction, arithmetic fault, abort) it offers to write a
// crash report next to the executable, named "<folder><executable>.<seconds
// since 1970>.dmp", and ends the process with status 128 + the signal number.
// The report holds the signal, the faulting address, the registers, the call
// stack and the memory map.

// Installs the handler for the whole process. With `askUser` the user is
// asked before writing (an answer other than Yes writes nothing) and is shown
// failures; without, the report is written at once. With `fullMemory` the
// system is also let to write a core file after the report, where it is
// configured to. The first call installs; later calls do nothing and answer
// true. False, after logging, when the handler could not be installed.
[[nodiscard]] bool installCrashDumpHandler(bool askUser, bool fullMemory);

// The program that asks the user. The failed process may have broken its
// heap or died holding a lock, so the question is never asked from inside
// it: the handler starts `program` (a path) as a separate process, as
//   program <arguments...> yes-no "<question>"   exit status 0 answers Yes
//   program <arguments...> ok "<message>"        a failure to show, status unused
// and waits for it. The window device points this at its own executable with
// an internal option that shows a message box.
//
// Until a program is set, or when an empty `program` clears it, or when it
// cannot be started, the question goes to the standard error stream and is
// answered Yes. Failures always go to the standard error stream as well.
// At most 16 arguments; false (keeping the previous setting) for more, or for
// a path or arguments too long for the handler's fixed storage.
[[nodiscard]] bool setCrashDumpPrompt(const std::string& program, const std::vector<std::string>& arguments);
