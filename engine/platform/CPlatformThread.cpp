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

// How far Lowest and Highest move a thread's nice value from the process's
// base. Lowest stays an ordinary time-shared thread: SCHED_IDLE would starve
// it whenever another thread keeps a processor busy, and the audio device's
// update thread must still run every 30 ms then.
constexpr int kLowestStep = 10;
constexpr int kHighestStep = 5;
constexpr int kNiceMin = -20;
constexpr int kNiceMax = 19;

// The nice value the process started its threads at: the main thread's, read
// once, so that a program started with `nice` keeps its threads where the
// user put them.
int baseNice() {
    static const int base = [] {
        errno = 0;
        int nice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(::getpid()));
        return errno == 0 ? nice : 0;
    }();
    return base;
}

int niceFor(PlatformThreadPriority priority) {
    const int base = baseNice();
    switch (priority) {
    case PlatformThreadPriority::Lowest:
        return base + kLowestStep > kNiceMax ? kNiceMax : base + kLowestStep;
    case PlatformThreadPriority::Highest:
        return base - kHighestStep < kNiceMin ? kNiceMin : base - kHighestStep;
    case PlatformThreadPriority::Normal:
        break;
    }
    return base;
}

// Applies `priority` to the thread `handle` whose kernel id is `tid`. The
// policy goes through the thread handle, and only when the thread is not
// already time-shared; the nice value, which Linux keeps per thread, through
// the kernel id.
bool applyPriority(pthread_t handle, pid_t tid, PlatformThreadPriority priority) {
    int policy = SCHED_OTHER;
    sched_param param{};
    if (::pthread_getschedparam(handle, &policy, &param) != 0)
        return false;
    if (policy != SCHED_OTHER) {
        param.sched_priority = 0;
        if (::pthread_setschedparam(handle, SCHED_OTHER, &param) != 0)
            return false;
    }
    return ::setpriority(PRIO_PROCESS, static_cast<id_t>(tid), niceFor(priority)) == 0;
}

} // namespace

// Shared by the object and its thread, so either may go first: a thread that
// drops the last reference to its own object (and so detaches itself) still
// finds its state when it ends.
struct CPlatformThread::State {
    bool joinable = false; // set by start, cleared by join

    void (*entry)(void*) = nullptr;
    void* argument = nullptr;
    PlatformThreadPriority initialPriority = PlatformThreadPriority::Normal;

    // Guards the fields below. The thread holds it while it ends, so a kernel
    // id read under the lock with `alive` set still names this thread.
    std::mutex lock;
    std::condition_variable startedSignal;
    bool started = false;
    bool alive = false;
    pthread_t handle{}; // set by the thread itself, before `started`
    pid_t tid = 0;

    // `raw` is a new std::shared_ptr<State>, which the thread owns.
    static void* threadMain(void* raw) {
        std::shared_ptr<State> state(std::move(*static_cast<std::shared_ptr<State>*>(raw)));
        delete static_cast<std::shared_ptr<State>*>(raw);
        {
            std::lock_guard<std::mutex> guard(state->lock);
            state->handle = ::pthread_self();
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

CPlatformThread::CPlatformThread() : m_state(std::make_shared<State>()) {}

CPlatformThread::~CPlatformThread() { join(); }

bool CPlatformThread::start(void (*entry)(void*), void* argument, PlatformThreadPriority priority) {
    if (m_state->joinable || !entry)
        return false;
    // A thread detached by an earlier start may still hold the old state.
    if (m_state.use_count() > 1)
        m_state = std::make_shared<State>();
    // Held here too: the thread may drop this object before start returns.
    std::shared_ptr<State> state = m_state;
    state->entry = entry;
    state->argument = argument;
    state->initialPriority = priority;
    state->started = false;
    state->alive = false;
    state->joinable = true;
    auto* threadReference = new std::shared_ptr<State>(state);
    pthread_t handle{};
    if (::pthread_create(&handle, nullptr, &State::threadMain, threadReference) != 0) {
        delete threadReference;
        state->joinable = false;
        return false;
    }
    std::unique_lock<std::mutex> guard(state->lock);
    state->startedSignal.wait(guard, [&state] { return state->started; });
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
    // A thread cannot wait for itself: when it lets go of its own object it
    // is detached instead, and its state lives on until it ends.
    if (::pthread_equal(m_state->handle, ::pthread_self()))
        ::pthread_detach(m_state->handle);
    else
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
    if (errno != 0)
        return PlatformThreadPriority::Normal;
    if (nice > baseNice())
        return PlatformThreadPriority::Lowest;
    if (nice < baseNice())
        return PlatformThreadPriority::Highest;
    return PlatformThreadPriority::Normal;
}
