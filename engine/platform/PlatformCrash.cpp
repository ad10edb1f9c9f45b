#include "engine/platform/PlatformCrash.h"

#include "engine/platform/CAltSignalStack.h"

#include <errno.h>
#include <execinfo.h>
#include <fcntl.h>
#include <signal.h>
#include <time.h>
#include <ucontext.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <mutex>

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

// Formats into a small stack buffer and writes through to a descriptor with
// write(2) only. The first failure is kept and later output dropped.
class SignalSafeWriter {
public:
    explicit SignalSafeWriter(int fd) : m_fd(fd) {}
    ~SignalSafeWriter() { flush(); }

    void text(const char* text) {
        for (; *text; ++text)
            put(*text);
    }
    void decimal(long long value) {
        char digits[24];
        int count = 0;
        unsigned long long magnitude =
            value < 0 ? 0ull - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
        do {
            digits[count++] = static_cast<char>('0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude);
        if (value < 0)
            put('-');
        while (count)
            put(digits[--count]);
    }
    void hex(uint64_t value, int width = 16) {
        text("0x");
        for (int shift = (width - 1) * 4; shift >= 0; shift -= 4)
            put("0123456789abcdef"[(value >> shift) & 0xF]);
    }
    void bytes(const char* data, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i)
            put(data[i]);
    }
    void flush() {
        std::size_t done = 0;
        while (done < m_used && m_error == 0) {
            ssize_t written = ::write(m_fd, m_buffer + done, m_used - done);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                m_error = written < 0 ? errno : EIO;
            else
                done += static_cast<std::size_t>(written);
        }
        m_used = 0;
    }
    [[nodiscard]] int error() const { return m_error; }

private:
    void put(char c) {
        if (m_used == sizeof m_buffer)
            flush();
        m_buffer[m_used++] = c;
    }

    int m_fd;
    int m_error = 0;
    std::size_t m_used = 0;
    char m_buffer[512];
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

void writeRegisters(SignalSafeWriter& out, const void* context) {
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
void copyFile(SignalSafeWriter& out, const char* path) {
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

bool platformInstallCrashHandler(PlatformCrashCallback callback) {
    CrashState& state = crashState();
    std::lock_guard<std::mutex> guard(state.installLock);
    if (state.installed)
        return true;

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
        SignalSafeWriter out(fd);
        char executable[4096];
        ssize_t length = ::readlink("/proc/self/exe", executable, sizeof executable - 1);
        executable[length > 0 ? length : 0] = '\0';
        struct timespec now {};
        ::clock_gettime(CLOCK_REALTIME, &now);

        out.text("Crash report\n\nExecutable: ");
        out.text(executable);
        out.text("\nProcess: ");
        out.decimal(::getpid());
        out.text("\nThread: ");
        out.decimal(::gettid());
        out.text("\nTime: ");
        out.decimal(now.tv_sec);
        out.text("\nSignal: ");
        out.decimal(crash.signalNumber);
        out.text(" ");
        out.text(signalName(crash.signalNumber));
        out.text(", code ");
        out.decimal(crash.signalCode);
        out.text("\nAddress: ");
        out.hex(reinterpret_cast<uintptr_t>(crash.address));
        out.text("\n\n");
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
        out.flush();
        error = out.error();
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
    SignalSafeWriter out(STDERR_FILENO);
    out.text(text);
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
