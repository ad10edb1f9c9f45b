#pragma once

#include <filesystem>
#include <string>
#include <vector>

// The game program: only one copy runs, the crash handler asks before it
// writes a report, the game object starts, the main loop runs until the
// window closes, and everything is released in order.

struct GameMainOptions {
    // Where the single-instance lock lives; empty: the user's runtime folder.
    std::filesystem::path instanceLockFolder;
    // Tests only: the window draws through the null driver.
    bool nullVideoDriver = false;
    // Tests only: the crash handler is left alone.
    bool installCrashHandler = true;
};

// The program's body. `arguments` are the command line without the program
// name. Exit status: 0 after a normal end or when another copy runs (which is
// brought to the front), 1 when the game cannot start ("Failed to initialize
// game" is logged).
[[nodiscard]] int gameMain(const std::vector<std::string>& arguments, const GameMainOptions& options = {});
