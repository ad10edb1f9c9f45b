#include "engine/platform/CPlatformInstanceLock.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>

namespace {

std::string systemError(const std::string& what, int error) { return what + ": " + ::strerror(error); }

void resolvePaths(const std::string& name, const std::string& folder, std::string& lockPath, std::string& raisePath) {
    std::string base = name;
    for (char& c : base)
        if (c == '/')
            c = '_';
    std::string where = folder;
    if (where.empty()) {
        where = CPlatformInstanceLock::defaultFolder();
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        if (!runtime || where != runtime) {
            base += '-';
            base += std::to_string(::getuid());
        }
    }
    if (where.back() != '/')
        where += '/';
    lockPath = where + base + ".lock";
    raisePath = where + base + ".raise";
}

bool isFolder(const char* path) {
    struct stat info {};
    return path && path[0] == '/' && ::stat(path, &info) == 0 && S_ISDIR(info.st_mode);
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

CPlatformInstanceLock::~CPlatformInstanceLock() { release(); }

std::string CPlatformInstanceLock::defaultFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (isFolder(runtime))
        return runtime;
    return "/tmp";
}

PlatformLockResult CPlatformInstanceLock::acquire(const std::string& name, const std::string& folder,
                                                  std::string* error) {
    if (isHeld())
        return PlatformLockResult::Acquired;
    std::string lockPath;
    std::string raisePath;
    resolvePaths(name, folder, lockPath, raisePath);

    std::string problem;
    // A holder that releases removes the file; a lock taken on the removed
    // file is worth nothing, so try again on the new one.
    for (int attempt = 0; attempt < 8 && m_lockFd < 0; ++attempt) {
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
            m_lockFd = fd;
            break;
        }
        ::close(fd);
        problem = lockPath + ": the lock file keeps being replaced";
    }
    if (m_lockFd < 0) {
        if (error)
            *error = problem;
        return PlatformLockResult::Failed;
    }
    m_lockPath = lockPath;
    m_raisePath = raisePath;

    // A pipe left by a holder that died is stale: no one else can be using it
    // while we hold the lock.
    ::unlink(raisePath.c_str());
    if (::mkfifo(raisePath.c_str(), 0600) == 0)
        m_raiseFd = ::open(raisePath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
    return PlatformLockResult::Acquired;
}

void CPlatformInstanceLock::release() {
    if (!isHeld())
        return;
    if (m_raiseFd >= 0) {
        ::close(m_raiseFd);
        m_raiseFd = -1;
    }
    // Removed while still locked, so a process that opened the old file finds
    // it no longer under the name and tries again.
    ::unlink(m_raisePath.c_str());
    ::unlink(m_lockPath.c_str());
    ::close(m_lockFd);
    m_lockFd = -1;
}

bool CPlatformInstanceLock::takeRaiseRequests() {
    if (m_raiseFd < 0)
        return false;
    bool any = false;
    char buffer[64];
    for (;;) {
        ssize_t got = ::read(m_raiseFd, buffer, sizeof buffer);
        if (got > 0) {
            any = true;
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        return any;
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
