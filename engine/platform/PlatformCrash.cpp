#include "engine/platform/PlatformCrash.h"

#include "engine/platform/CAltSignalStack.h"
#include "engine/platform/CSignalSafeText.h"

#include <errno.h>
#include <execinfo.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <ucontext.h>
#include <unistd.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>

extern char** environ;

namespace {

constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};
constexpr int kMaxFrames = 64;

// A signal handler can only reach process-wide state. Built by the first
// platformInstallCrashHandler call, before any handler can run.
struct CrashState {
    std::mutex installLock;
    bool installed = false;
    std::atomic<PlatformCrashCallback> callback{nullptr};
    // Kernel id of the thread handling a crash; 0 while none is.
    std::atomic<pid_t> handlingThread{0};
};

CrashState& crashState() {
    static CrashState state;
    return state;
}

// Hands text built by CSignalSafeText to a descriptor with write(2) only.
// The first failure is kept and later output dropped.
struct DescriptorSink {
    int fd;
    int error = 0;

    static bool spill(void* raw, const char* data, std::size_t size) {
        auto* sink = static_cast<DescriptorSink*>(raw);
        std::size_t done = 0;
        while (done < size && sink->error == 0) {
            ssize_t written = ::write(sink->fd, data + done, size - done);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                sink->error = written < 0 ? errno : EIO;
            else
                done += static_cast<std::size_t>(written);
        }
        return sink->error == 0;
    }
};

// Text written through to a descriptor as its small stack buffer fills.
class SignalSafeWriter {
public:
    explicit SignalSafeWriter(int fd)
        : m_sink{fd}, m_text(m_buffer, sizeof m_buffer, &DescriptorSink::spill, &m_sink) {}
    ~SignalSafeWriter() { m_text.flush(); }
    SignalSafeWriter(const SignalSafeWriter&) = delete;
    SignalSafeWriter& operator=(const SignalSafeWriter&) = delete;

    CSignalSafeText& out() { return m_text; }
    // Writes out what is buffered and answers the first write error, or 0.
    [[nodiscard]] int finish() {
        m_text.flush();
        return m_sink.error;
    }

private:
    DescriptorSink m_sink;
    char m_buffer[512];
    CSignalSafeText m_text;
};

const char* signalName(int signalNumber) {
    switch (signalNumber) {
    case SIGSEGV:
        return "SIGSEGV (invalid memory access)";
    case SIGBUS:
        return "SIGBUS (bus error)";
    case SIGILL:
        return "SIGILL (illegal instruction)";
    case SIGFPE:
        return "SIGFPE (arithmetic fault)";
    case SIGABRT:
        return "SIGABRT (abort)";
    default:
        return "signal";
    }
}

void writeRegisters(CSignalSafeText& out, const void* context) {
    out.text("Registers:\n");
    if (!context) {
        out.text("  not available\n");
        return;
    }
    const auto* machine = static_cast<const ucontext_t*>(context);
#if defined(__x86_64__)
    static constexpr struct {
        const char* name;
        int index;
    } registers[] = {
        {"rax", REG_RAX}, {"rbx", REG_RBX}, {"rcx", REG_RCX}, {"rdx", REG_RDX}, {"rsi", REG_RSI}, {"rdi", REG_RDI},
        {"rbp", REG_RBP}, {"rsp", REG_RSP}, {"r8", REG_R8},   {"r9", REG_R9},   {"r10", REG_R10}, {"r11", REG_R11},
        {"r12", REG_R12}, {"r13", REG_R13}, {"r14", REG_R14}, {"r15", REG_R15}, {"rip", REG_RIP}, {"eflags", REG_EFL},
    };
    int column = 0;
    for (const auto& reg : registers) {
        out.text("  ");
        out.text(reg.name);
        out.text(" ");
        out.hex(static_cast<uint64_t>(machine->uc_mcontext.gregs[reg.index]));
        if (++column % 4 == 0)
            out.text("\n");
    }
    if (column % 4 != 0)
        out.text("\n");
#elif defined(__aarch64__)
    for (int i = 0; i < 31; ++i) {
        out.text("  x");
        out.decimal(i);
        out.text(" ");
        out.hex(machine->uc_mcontext.regs[i]);
        if (i % 4 == 3)
            out.text("\n");
    }
    out.text("  sp ");
    out.hex(machine->uc_mcontext.sp);
    out.text("  pc ");
    out.hex(machine->uc_mcontext.pc);
    out.text("  pstate ");
    out.hex(machine->uc_mcontext.pstate);
    out.text("\n");
#else
    (void)machine;
    out.text("  not available on this processor\n");
#endif
}

// Copies the file at `path` (a kernel file such as /proc/self/maps) into `out`.
void copyFile(CSignalSafeText& out, const char* path) {
    int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        out.text("  not available\n");
        return;
    }
    char buffer[1024];
    for (;;) {
        ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        out.bytes(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
}

void onFatalSignal(int signalNumber, siginfo_t* info, void* context) {
    pid_t self = ::gettid();
    pid_t expected = 0;
    CrashState& state = crashState();
    if (!state.handlingThread.compare_exchange_strong(expected, self)) {
        // This thread failed again while handling a crash: give up at once.
        if (expected == self)
            ::_exit(128 + signalNumber);
        // Another thread is handling a crash and will end the process.
        for (;;)
            ::pause();
    }
    PlatformCrashInfo crash{signalNumber, info ? info->si_code : 0, info ? info->si_addr : nullptr, context};
    if (PlatformCrashCallback callback = state.callback.load())
        callback(crash);
    platformEndCrashedProcess(signalNumber, true);
}

} // namespace

bool platformInstallCrashHandler(PlatformCrashCallback callback, PlatformCrashPrepare prepare, void* context) {
    CrashState& state = crashState();
    std::lock_guard<std::mutex> guard(state.installLock);
    if (state.installed)
        return true;
    if (prepare)
        prepare(context);

    // The first backtrace() loads the unwinder, which allocates; do that now
    // rather than inside a handler.
    void* frames[4];
    (void)::backtrace(frames, 4);

    // Kept for the life of the process.
    static CAltSignalStack* mainStack = new CAltSignalStack();
    (void)mainStack;

    state.callback.store(callback);
    struct sigaction action {};
    action.sa_sigaction = &onFatalSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    ::sigemptyset(&action.sa_mask);
    for (int signalNumber : kFatalSignals)
        ::sigaddset(&action.sa_mask, signalNumber);
    for (int signalNumber : kFatalSignals)
        if (::sigaction(signalNumber, &action, nullptr) != 0)
            return false;
    state.installed = true;
    return true;
}

PlatformReportResult platformWriteCrashReport(const char* path, const PlatformCrashInfo& crash, int* systemError) {
    int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) {
        if (systemError)
            *systemError = errno;
        return PlatformReportResult::CreateFailed;
    }
    int error = 0;
    {
        SignalSafeWriter writer(fd);
        CSignalSafeText& out = writer.out();
        char executable[4096];
        ssize_t length = ::readlink("/proc/self/exe", executable, sizeof executable - 1);
        executable[length > 0 ? length : 0] = '\0';
        struct timespec now {};
        ::clock_gettime(CLOCK_REALTIME, &now);

        out.text("Crash report\n\nExecutable: ").text(executable);
        out.text("\nProcess: ").decimal(::getpid());
        out.text("\nThread: ").decimal(::gettid());
        out.text("\nTime: ").decimal(now.tv_sec);
        out.text("\nSignal: ").decimal(crash.signalNumber).text(" ").text(signalName(crash.signalNumber));
        out.text(", code ").decimal(crash.signalCode);
        out.text("\nAddress: ").hex(reinterpret_cast<uintptr_t>(crash.address)).text("\n\n");
        writeRegisters(out, crash.context);

        out.text("\nBacktrace:\n");
        out.flush();
        // backtrace() is not among the calls promised safe in a signal
        // handler; with its unwinder loaded at installation it takes no heap
        // or locks in practice.
        void* frames[kMaxFrames];
        int count = ::backtrace(frames, kMaxFrames);
        ::backtrace_symbols_fd(frames, count, fd);

        out.text("\nMemory map:\n");
        copyFile(out, "/proc/self/maps");
        error = writer.finish();
    }
    if (::close(fd) != 0 && error == 0 && errno != EINTR)
        error = errno;
    if (error != 0) {
        if (systemError)
            *systemError = error;
        return PlatformReportResult::WriteFailed;
    }
    return PlatformReportResult::Written;
}

void platformWriteStandardError(const char* text) {
    SignalSafeWriter writer(STDERR_FILENO);
    writer.out().text(text);
}

int platformRunProgramAndWait(const char* program, const char* const* arguments) {
    constexpr int kMaxArguments = 32;
    const char* argv[kMaxArguments + 2];
    int count = 0;
    argv[count++] = program;
    for (const char* const* argument = arguments; argument && *argument; ++argument) {
        if (count > kMaxArguments)
            return -1;
        argv[count++] = *argument;
    }
    argv[count] = nullptr;
    // glibc's posix_spawn runs the child on a stack of its own (mmap), with
    // this memory shared only until execve, and takes neither the heap nor
    // a lock: attributes live on this stack, and there are no file actions.
    // The child's signal mask is set empty: inside a crash handler the fatal
    // signals are blocked, and a mask survives execve.
    sigset_t noSignals;
    ::sigemptyset(&noSignals);
    posix_spawnattr_t attributes;
    if (::posix_spawnattr_init(&attributes) != 0)
        return -1;
    pid_t child = -1;
    int error = ::posix_spawnattr_setsigmask(&attributes, &noSignals);
    if (error == 0)
        error = ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
    if (error == 0)
        error = ::posix_spawn(&child, program, nullptr, &attributes, const_cast<char* const*>(argv), environ);
    ::posix_spawnattr_destroy(&attributes);
    if (error != 0)
        return -1;
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    if (!WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

void platformEndCrashedProcess(int signalNumber, bool systemDump) {
    if (systemDump) {
        struct sigaction action {};
        action.sa_handler = SIG_DFL;
        ::sigemptyset(&action.sa_mask);
        ::sigaction(signalNumber, &action, nullptr);
        sigset_t only;
        ::sigemptyset(&only);
        ::sigaddset(&only, signalNumber);
        ::pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
        ::raise(signalNumber);
    }
    ::_exit(128 + signalNumber);
}
