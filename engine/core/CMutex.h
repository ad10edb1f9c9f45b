#pragma once

#include "engine/core/CRefCounted.h"

#include <mutex>

// The engine's lock: recursive for the thread that holds it, so a logger call
// made while the same thread already logs does not deadlock. It meets the
// standard Lockable requirements, so std::lock_guard<CMutex> works.
//
// Unlike most reference-counted classes its destructor is public: a mutex is
// usually a member or a function-local static, not a shared object.
class CMutex : public CRefCounted {
public:
    CMutex() = default;
    ~CMutex() override;

    void lock() { m_mutex.lock(); }
    void unlock() { m_mutex.unlock(); }
    [[nodiscard]] bool try_lock() { return m_mutex.try_lock(); }

private:
    std::recursive_mutex m_mutex;
};

// The process-wide lock that serialises the creation and disposal of
// process-wide objects such as the logger. Built on first use, alive until the
// process ends.
[[nodiscard]] CMutex& getSingletonLock();
