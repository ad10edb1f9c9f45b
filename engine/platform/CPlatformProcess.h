#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// How a child process ended.
struct PlatformExitStatus {
    bool exited = false; // ended by exit: `code` holds the status
    int code = 0;
    int signal = 0; // killed by a signal when not 0
};

// A child process running another program.
class CPlatformProcess {
public:
    CPlatformProcess();
    // Kills and reaps a child still running.
    ~CPlatformProcess();
    CPlatformProcess(const CPlatformProcess&) = delete;
    CPlatformProcess& operator=(const CPlatformProcess&) = delete;

    struct Options {
        // "NAME=value" entries added to (or replacing) this process's environment.
        std::vector<std::string> environment;
        // Folder the child starts in; empty keeps ours.
        std::string workingFolder;
        // File that receives the child's standard output and error; empty keeps ours.
        std::string outputFile;
    };

    // Runs `program` (a path) with `arguments` (argv[1] onwards). False when
    // a child is already running or the program could not be started.
    [[nodiscard]] bool start(const std::string& program, const std::vector<std::string>& arguments,
                             const Options& options);
    // Waits up to `timeoutMilliseconds` for the child to end; false when it
    // is still running or there is none.
    [[nodiscard]] bool waitForExit(uint32_t timeoutMilliseconds, PlatformExitStatus* status);
    // Asks the child to end as a player closing it would: its top-level
    // windows are told to close (Windows), or it gets SIGTERM. False without
    // a child, or when there was nothing to tell.
    [[nodiscard]] bool requestClose();
    // Kills the child at once (it gets no chance to clean up); false without one.
    [[nodiscard]] bool kill();
    [[nodiscard]] bool isRunning() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};
