#pragma once

#include <memory>

// Priorities are relative to the nice value the process was started with
// (its base), so a program run under `nice` keeps its threads where the user
// put them.
enum class PlatformThreadPriority {
    Lowest,  // time-shared, base + 10 (at most 19): yields to normal threads, never starved
    Normal,  // the base itself
    Highest, // base - 5 (at least -20), where the system allows it
};

// One system thread. Priorities are best effort: lowering is always allowed,
// while raising (Highest, or back from Lowest) needs the right to raise
// priorities and otherwise fails, leaving the priority as it was.
//
// A thread may drop its own object (as a CThread releasing its last
// reference from run()): it is then detached instead of waited for.
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
    // Waits for the thread to end; does nothing without a thread. Called on
    // the thread itself, it detaches the thread instead.
    void join();
    [[nodiscard]] bool isStarted() const;

    // The calling thread's priority as the system reports it, against the
    // process's base (with a base of 19, Lowest reads as Normal).
    [[nodiscard]] static PlatformThreadPriority currentThreadPriority();

private:
    struct State;
    std::shared_ptr<State> m_state;
};
