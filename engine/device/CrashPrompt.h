#pragma once

#include <string>
#include <vector>

// The questions of the crash handler, asked by the game's own executable in
// a process of its own (the crashed one cannot be trusted to show a window).
//
// The game's entry wires it in two lines:
//   if (argc > 1 && std::string(argv[1]) == kCrashPromptOption)
//       return runCrashPrompt({argv + 2, argv + argc});
//   (void)installCrashPrompt(platformExecutablePath());   // after installCrashDumpHandler
// The handler then runs `<executable> --crash-prompt yes-no "<question>"`
// (exit status 0 answers Yes) and `... ok "<message>"`.

// The option that makes the executable a crash prompt.
inline constexpr const char* kCrashPromptOption = "--crash-prompt";

// Answers one request of the crash handler, `yes-no <question>` or
// `ok <message>`, in a message box; the result is the process's exit status:
// 0 for Yes (and after OK), 1 for No, 2 for a request it does not know.
// Where no box can be shown the text goes to the standard error stream and
// the answer is Yes, as the handler itself would answer.
[[nodiscard]] int runCrashPrompt(const std::vector<std::string>& arguments);

// Points the crash handler at `executable` with kCrashPromptOption; false
// (after a log line) when the handler refuses the program.
[[nodiscard]] bool installCrashPrompt(const std::string& executable);
