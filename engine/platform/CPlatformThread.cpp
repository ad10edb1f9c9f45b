#include "engine/platform/CPlatformThread.h"

#include "engine/platform/CAltSignalStack.h"

#include <errno.h>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <condition_variable>
#include <mutex>

namespace {

// The nice values Highest and Lowest ask for; Normal is 0. Lowest stays an
// ordinary time-shared thread: SCHED_IDLE would starve it whenever another
// thread keeps a processor busy, and the audio device's update thread must
// still run every 30 ms then.
constexpr int kHighestNice = -5;
constexpr int kLowestNice = 10;

// Applies `priority` to the thread `handle` whose kernel id is `tid`. The
// policy goes through the thread handle; the nice value, which Linux keeps per
// thread, through the kernel id.
bool applyPriority(pthread_t handle, pid_t tid, PlatformThreadPriority priority) {
    sched_param param{};
    param.sched_priority = 0;
    if (::pthread_setschedparam(handle, SCHED_OTHER, &param) != 0)
        return false;
    const int nice = priority == PlatformThreadPriority::Highest  ? kHighestNice
                     : priority == PlatformThreadPriority::Lowest ? kLowestNice
                                                                  : 0;
    return ::setpriority(PRIO_PROCESS, static_cast<id_t>(tid), nice) == 0;
}

} // namespace

struct CPlatformThread::State {
    pthread_t handle{};
    bool joinable = false;

    void (*entry)(void*) = nullptr;
    void* argument = nullptr;
    PlatformThreadPriority initialPriority = PlatformThreadPriority::Normal;

    // Guards the fields below. The thread holds it while it ends, so a kernel
    // id read under the lock with `alive` set still names this thread.
    std::mutex lock;
    std::condition_variable startedSignal;
    bool started = false;
    bool alive = false;
    pid_t tid = 0;

    static void* threadMain(void* raw) {
        auto* state = static_cast<State*>(raw);
        {
            std::lock_guard<std::mutex> guard(state->lock);
            state->tid = ::gettid();
            state->alive = true;
            state->started = true;
            (void)applyPriority(::pthread_self(), state->tid, state->initialPriority);
        }
        state->startedSignal.notify_all();
        {
            CAltSignalStack crashStack;
            state->entry(state->argument);
        }
        std::lock_guard<std::mutex> guard(state->lock);
        state->alive = false;
        return nullptr;
    }
};

CPlatformThread::CPlatformThread() : m_state(std::make_unique<State>()) {}

CPlatformThread::~CPlatformThread() { join(); }

bool CPlatformThread::start(void (*entry)(void*), void* argument, PlatformThreadPriority priority) {
    if (m_state->joinable || !entry)
        return false;
    m_state->entry = entry;
    m_state->argument = argument;
    m_state->initialPriority = priority;
    m_state->started = false;
    m_state->alive = false;
    if (::pthread_create(&m_state->handle, nullptr, &State::threadMain, m_state.get()) != 0)
        return false;
    m_state->joinable = true;
    std::unique_lock<std::mutex> guard(m_state->lock);
    m_state->startedSignal.wait(guard, [this] { return m_state->started; });
    return true;
}

bool CPlatformThread::setPriority(PlatformThreadPriority priority) {
    if (!m_state->joinable)
        return false;
    std::lock_guard<std::mutex> guard(m_state->lock);
    if (!m_state->alive)
        return false;
    return applyPriority(m_state->handle, m_state->tid, priority);
}

void CPlatformThread::join() {
    if (!m_state->joinable)
        return;
    ::pthread_join(m_state->handle, nullptr);
    m_state->joinable = false;
}

bool CPlatformThread::isStarted() const { return m_state->joinable; }

PlatformThreadPriority CPlatformThread::currentThreadPriority() {
    int policy = SCHED_OTHER;
    sched_param param{};
    if (::pthread_getschedparam(::pthread_self(), &policy, &param) == 0) {
        if (policy == SCHED_IDLE)
            return PlatformThreadPriority::Lowest;
        if (policy == SCHED_FIFO || policy == SCHED_RR)
            return PlatformThreadPriority::Highest;
    }
    errno = 0;
    int nice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()));
    if (errno == 0 && nice < 0)
        return PlatformThreadPriority::Highest;
    if (errno == 0 && nice > 0)
        return PlatformThreadPriority::Lowest;
    return PlatformThreadPriority::Normal;
}
