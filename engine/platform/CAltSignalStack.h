#pragma once

#include <cstddef>

// A separate stack for signal handlers on the thread that creates it, so the
// crash handler still runs when the thread's own stack has overflowed. The
// previous alternate stack comes back when the object goes; it must be
// destroyed on the thread that created it. Used inside the platform layer.
class CAltSignalStack {
public:
    CAltSignalStack();
    ~CAltSignalStack();
    CAltSignalStack(const CAltSignalStack&) = delete;
    CAltSignalStack& operator=(const CAltSignalStack&) = delete;

    [[nodiscard]] bool isActive() const { return m_memory != nullptr; }

private:
    static constexpr std::size_t kSize = 256 * 1024; // taken from memory only as it is touched

    void* m_memory = nullptr;
    struct Previous {
        void* base;
        int flags;
        std::size_t size;
    } m_previous{};
};
