#pragma once

#include <memory>

enum class PlatformThreadPriority {
    Lowest,  // time-shared, yielding to normal threads (never starved)
    Normal,  // the system's default
    Highest, // favoured over normal threads, where the system allows it
};

// One system thread. Priorities are best effort: lowering is always allowed,
// while raising (Highest, or back from Lowest) needs the right to raise
// priorities and otherwise fails, leaving the priority as it was.
class CPlatformThread {
public:
    CPlatformThread();
    // Joins a thread still running.
    ~CPlatformThread();
    CPlatformThread(const CPlatformThread&) = delete;
    CPlatformThread& operator=(const CPlatformThread&) = delete;

    // Runs `entry(argument)` on a new thread, which takes `priority` before
    // calling `entry` (whether it could is not reported). Returns once the
    // thread runs; false when a thread exists or none could be created.
    [[nodiscard]] bool start(void (*entry)(void*), void* argument, PlatformThreadPriority priority);
    // Changes the running thread's priority; false without a thread, after it
    // has ended, or when the system refuses.
    [[nodiscard]] bool setPriority(PlatformThreadPriority priority);
    // Waits for the thread to end; does nothing without a thread.
    void join();
    [[nodiscard]] bool isStarted() const;

    // The calling thread's priority as the system reports it.
    [[nodiscard]] static PlatformThreadPriority currentThreadPriority();

private:
    struct State;
    std::unique_ptr<State> m_state;
};
