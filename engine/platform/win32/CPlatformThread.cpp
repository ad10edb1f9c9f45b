#include "engine/platform/CPlatformThread.h"

#include "engine/platform/win32/Win32Support.h"

#include <mutex>

namespace {

int systemPriority(PlatformThreadPriority priority) {
    switch (priority) {
    case PlatformThreadPriority::Lowest:
        return THREAD_PRIORITY_LOWEST;
    case PlatformThreadPriority::Highest:
        return THREAD_PRIORITY_HIGHEST;
    case PlatformThreadPriority::Normal:
        break;
    }
    return THREAD_PRIORITY_NORMAL;
}

} // namespace

struct CPlatformThread::State {
    std::mutex lock;
    HANDLE handle = nullptr; // set by start, cleared by join
    DWORD id = 0;
    bool alive = false;
    void (*entry)(void*) = nullptr;
    void* argument = nullptr;

    static DWORD WINAPI threadMain(void* raw) {
        auto* reference = static_cast<std::shared_ptr<State>*>(raw);
        std::shared_ptr<State> state(std::move(*reference));
        delete reference;
        state->entry(state->argument);
        std::lock_guard<std::mutex> guard(state->lock);
        state->alive = false;
        return 0;
    }
};

CPlatformThread::CPlatformThread() : m_state(std::make_shared<State>()) {}

CPlatformThread::~CPlatformThread() { join(); }

bool CPlatformThread::start(void (*entry)(void*), void* argument, PlatformThreadPriority priority) {
    if (m_state->handle || !entry)
        return false;
    if (m_state.use_count() > 1)
        m_state = std::make_shared<State>();
    std::shared_ptr<State> state = m_state;
    state->entry = entry;
    state->argument = argument;
    auto* reference = new std::shared_ptr<State>(state);
    std::lock_guard<std::mutex> guard(state->lock);
    // Made suspended, so the priority is in place before `entry` runs.
    HANDLE handle = CreateThread(nullptr, 0, &State::threadMain, reference, CREATE_SUSPENDED, &state->id);
    if (!handle) {
        delete reference;
        return false;
    }
    (void)SetThreadPriority(handle, systemPriority(priority));
    state->handle = handle;
    state->alive = true;
    ResumeThread(handle);
    return true;
}

bool CPlatformThread::setPriority(PlatformThreadPriority priority) {
    std::lock_guard<std::mutex> guard(m_state->lock);
    return m_state->handle && m_state->alive && SetThreadPriority(m_state->handle, systemPriority(priority));
}

void CPlatformThread::join() {
    HANDLE handle = m_state->handle;
    if (!handle)
        return;
    // Called on the thread itself, the thread is let go instead.
    if (m_state->id != GetCurrentThreadId())
        WaitForSingleObject(handle, INFINITE);
    CloseHandle(handle);
    m_state->handle = nullptr;
}

bool CPlatformThread::isStarted() const { return m_state->handle != nullptr; }

PlatformThreadPriority CPlatformThread::currentThreadPriority() {
    const int priority = GetThreadPriority(GetCurrentThread());
    if (priority == THREAD_PRIORITY_ERROR_RETURN)
        return PlatformThreadPriority::Normal;
    if (priority < THREAD_PRIORITY_NORMAL)
        return PlatformThreadPriority::Lowest;
    if (priority > THREAD_PRIORITY_NORMAL)
        return PlatformThreadPriority::Highest;
    return PlatformThreadPriority::Normal;
}
