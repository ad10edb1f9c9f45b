#pragma once

#include "engine/core/CRefCounted.h"

#include <cstdint>
#include <memory>

class CPlatformThread;

// A worker thread. By default it runs a function with a user pointer; a
// derived class (the audio device's update thread) replaces run() instead.
// The owner's thread calls start, setPriority and join; whatever run shares
// with other threads is the derived class's to guard.
//
// Priority codes: 1 lowest, 2 highest, anything else normal. Lowering always
// works; raising needs the right to raise priorities and otherwise fails.
class CThread : public CRefCounted {
public:
    using Function = int (*)(void* userData);

    static constexpr int kPriorityNormal = 0;
    static constexpr int kPriorityLowest = 1;
    static constexpr int kPriorityHighest = 2;

    CThread();
    CThread(Function function, void* userData);

    // Calls the function with the user data when a function is set.
    virtual void run();

    // Starts a thread that takes the stored priority and calls run(). False
    // when a thread already exists, or after logging "Failed to create
    // thread." when none could be made.
    [[nodiscard]] bool start();
    // Stores `code`; with a thread, applies it and answers whether the system
    // did. False without a thread (the code is still applied at start).
    [[nodiscard]] bool setPriority(int code);
    // Waits for the thread to end; nothing without a thread.
    void join();

    void setFunction(Function function, void* userData);
    [[nodiscard]] int priority() const { return m_priority; }
    [[nodiscard]] bool isStarted() const;

protected:
    // Joins a running thread first, so a derived class must make run() end
    // before dropping the last reference. When run() itself drops the last
    // reference, the thread is detached instead and ends on its own; run()
    // must then touch no member after that release.
    ~CThread() override;

private:
    static void threadEntry(void* self);

    std::unique_ptr<CPlatformThread> m_thread;
    Function m_function = nullptr;
    void* m_userData = nullptr;
    int m_priority = kPriorityNormal;
};

// Suspends the calling thread for `milliseconds`.
void sleepMilliseconds(uint32_t milliseconds);
