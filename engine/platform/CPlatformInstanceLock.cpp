#include "engine/platform/CPlatformInstanceLock.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace {

// Every user may write here, so our file names carry the user id.
const char* const kSharedFolder = "/tmp";

std::string systemError(const std::string& what, int error) { return what + ": " + ::strerror(error); }

void resolvePaths(const std::string& name, const std::string& folder, std::string& lockPath, std::string& raisePath) {
    std::string base = name;
    for (char& c : base)
        if (c == '/')
            c = '_';
    std::string where = folder;
    if (where.empty()) {
        where = CPlatformInstanceLock::defaultFolder();
        if (where == kSharedFolder) {
            base += '-';
            base += std::to_string(::getuid());
        }
    }
    if (where.back() != '/')
        where += '/';
    lockPath = where + base + ".lock";
    raisePath = where + base + ".raise";
}

void closeDescriptor(int& fd) {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

// Writes one byte to the pipe without dying of SIGPIPE when its reader has
// just gone: the signal is blocked for the call and a pending one taken.
bool writeWithoutSigpipe(int fd) {
    sigset_t pipeOnly;
    sigset_t previous;
    ::sigemptyset(&pipeOnly);
    ::sigaddset(&pipeOnly, SIGPIPE);
    ::pthread_sigmask(SIG_BLOCK, &pipeOnly, &previous);
    const char request = 'r';
    ssize_t written;
    do {
        written = ::write(fd, &request, 1);
    } while (written < 0 && errno == EINTR);
    bool ok = written == 1;
    if (!ok && errno == EPIPE) {
        sigset_t pending;
        ::sigpending(&pending);
        if (::sigismember(&pending, SIGPIPE) == 1 && ::sigismember(&previous, SIGPIPE) == 0) {
            struct timespec now {};
            ::sigtimedwait(&pipeOnly, nullptr, &now);
        }
    }
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return ok;
}

} // namespace

struct CPlatformInstanceLock::State {
    int lockFd = -1;
    // The raise pipe, opened for reading and writing: with a writer of our
    // own it never reports a hang-up, so waiting on it blocks until a request
    // arrives instead of returning at once whenever a sender closes.
    int raiseFd = -1;
    // A pipe that stopWaiting writes to, waking a waiting thread; never read,
    // so every later wait sees it too.
    int wakeRead = -1;
    int wakeWrite = -1;
    std::string lockPath;
    std::string raisePath;
};

CPlatformInstanceLock::CPlatformInstanceLock() : m_state(std::make_unique<State>()) {}

CPlatformInstanceLock::~CPlatformInstanceLock() { release(); }

std::string CPlatformInstanceLock::defaultFolder() {
    const uid_t uid = ::getuid();
    auto ownFolder = [uid](const std::string& path) {
        struct stat info {};
        return !path.empty() && path.front() == '/' && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
               info.st_uid == uid;
    };
    const char* session = ::getenv("XDG_RUNTIME_DIR");
    if (session && ownFolder(session))
        return session;
    const std::string runtime = "/run/user/" + std::to_string(uid);
    if (ownFolder(runtime))
        return runtime;
    return kSharedFolder;
}

bool CPlatformInstanceLock::isHeld() const { return m_state->lockFd >= 0; }

PlatformLockResult CPlatformInstanceLock::acquire(const std::string& name, const std::string& folder,
                                                  std::string* error) {
    if (isHeld())
        return PlatformLockResult::Acquired;
    State& state = *m_state;
    std::string lockPath;
    std::string raisePath;
    resolvePaths(name, folder, lockPath, raisePath);

    std::string problem;
    // A holder that releases removes the file; a lock taken on the removed
    // file is worth nothing, so try again on the new one.
    for (int attempt = 0; attempt < 8 && state.lockFd < 0; ++attempt) {
        int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) {
            problem = systemError(lockPath, errno);
            break;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            int code = errno;
            ::close(fd);
            if (code == EWOULDBLOCK)
                return PlatformLockResult::HeldElsewhere;
            if (code == EINTR)
                continue;
            problem = systemError(lockPath, code);
            break;
        }
        struct stat locked {};
        struct stat named {};
        if (::fstat(fd, &locked) == 0 && ::stat(lockPath.c_str(), &named) == 0 && locked.st_dev == named.st_dev &&
            locked.st_ino == named.st_ino) {
            state.lockFd = fd;
            break;
        }
        ::close(fd);
        problem = lockPath + ": the lock file keeps being replaced";
    }
    if (state.lockFd < 0) {
        if (error)
            *error = problem;
        return PlatformLockResult::Failed;
    }
    state.lockPath = lockPath;
    state.raisePath = raisePath;

    // A pipe left by a holder that died is stale: no one else can be using it
    // while we hold the lock.
    ::unlink(raisePath.c_str());
    if (::mkfifo(raisePath.c_str(), 0600) == 0)
        state.raiseFd = ::open(raisePath.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
    int wake[2];
    if (state.raiseFd >= 0 && ::pipe2(wake, O_CLOEXEC | O_NONBLOCK) == 0) {
        state.wakeRead = wake[0];
        state.wakeWrite = wake[1];
    }
    return PlatformLockResult::Acquired;
}

void CPlatformInstanceLock::release() {
    if (!isHeld())
        return;
    State& state = *m_state;
    closeDescriptor(state.raiseFd);
    closeDescriptor(state.wakeRead);
    closeDescriptor(state.wakeWrite);
    // Removed while still locked, so a process that opened the old file finds
    // it no longer under the name and tries again.
    ::unlink(state.raisePath.c_str());
    ::unlink(state.lockPath.c_str());
    closeDescriptor(state.lockFd);
}

bool CPlatformInstanceLock::takeRaiseRequests() {
    if (m_state->raiseFd < 0)
        return false;
    bool any = false;
    char buffer[64];
    for (;;) {
        ssize_t got = ::read(m_state->raiseFd, buffer, sizeof buffer);
        if (got > 0) {
            any = true;
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        return any;
    }
}

bool CPlatformInstanceLock::waitForRaiseRequests() {
    const State& state = *m_state;
    if (state.raiseFd < 0 || state.wakeRead < 0)
        return false;
    for (;;) {
        struct pollfd watched[2] = {{state.wakeRead, POLLIN, 0}, {state.raiseFd, POLLIN, 0}};
        if (::poll(watched, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (watched[0].revents != 0)
            return false;
        if (watched[1].revents & (POLLERR | POLLNVAL))
            return false;
        // Another thread may have taken them first; then wait on.
        if ((watched[1].revents & POLLIN) && takeRaiseRequests())
            return true;
    }
}

void CPlatformInstanceLock::stopWaiting() {
    if (m_state->wakeWrite < 0)
        return;
    const char stop = 's';
    while (::write(m_state->wakeWrite, &stop, 1) < 0 && errno == EINTR) {
    }
}

bool CPlatformInstanceLock::sendRaiseRequest(const std::string& name, const std::string& folder) {
    std::string lockPath;
    std::string raisePath;
    resolvePaths(name, folder, lockPath, raisePath);
    // Opening a pipe for writing without blocking fails when no one reads it.
    int fd = ::open(raisePath.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return false;
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0 && S_ISFIFO(info.st_mode) && writeWithoutSigpipe(fd);
    ::close(fd);
    return ok;
}
