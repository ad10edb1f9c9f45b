#pragma once

// The crash handler: after an unexpected fatal error (bad memory access, bus
// error, illegal instruction, arithmetic fault, abort) it offers to write a
// crash report next to the executable, named "<folder><executable>.<seconds
// since 1970>.dmp", and ends the process with status 128 + the signal number.
// The report holds the signal, the faulting address, the registers, the call
// stack and the memory map.
//
// The prompt runs inside the signal handler: it must not count on the heap,
// locks or any state the failing code may have broken.
struct CrashDumpPrompt {
    // Shows `question` with Yes and No; true for Yes. Null answers Yes.
    bool (*askYesNo)(const char* question) = nullptr;
    // Shows `message` with an OK button. Null shows nothing; the message
    // always goes to the standard error stream as well.
    void (*showMessage)(const char* message) = nullptr;
};

// Installs the handler for the whole process. With `askUser` the prompt asks
// before writing (an answer other than Yes writes nothing) and shows failures;
// without, the report is written at once. With `fullMemory` the system is
// also let to write a core file after the report, where it is configured to.
// The first call installs; later calls do nothing and answer true. False,
// after logging, when the handler could not be installed.
[[nodiscard]] bool installCrashDumpHandler(bool askUser, bool fullMemory);

// Replaces the prompt; the window device sets one once it can show messages.
// Until then there is none: the question is answered Yes without asking.
void setCrashDumpPrompt(const CrashDumpPrompt& prompt);
