#include "engine/platform/CAltSignalStack.h"

#include <signal.h>
#include <sys/mman.h>

CAltSignalStack::CAltSignalStack() {
    void* memory = ::mmap(nullptr, kSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED)
        return;
    stack_t stack{};
    stack.ss_sp = memory;
    stack.ss_size = kSize;
    stack_t previous{};
    if (::sigaltstack(&stack, &previous) != 0) {
        ::munmap(memory, kSize);
        return;
    }
    m_memory = memory;
    m_previous = {previous.ss_sp, previous.ss_flags, previous.ss_size};
}

CAltSignalStack::~CAltSignalStack() {
    if (!m_memory)
        return;
    stack_t previous{};
    previous.ss_sp = m_previous.base;
    previous.ss_flags = m_previous.flags & SS_DISABLE;
    previous.ss_size = m_previous.size;
    if (::sigaltstack(&previous, nullptr) != 0) {
        stack_t off{};
        off.ss_flags = SS_DISABLE;
        ::sigaltstack(&off, nullptr);
    }
    ::munmap(m_memory, kSize);
}
