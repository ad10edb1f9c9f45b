#include "engine/platform/CPlatformWriteFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace {

// Set by tests only, before the calls they want to fail.
struct FaultHook {
    std::atomic<PlatformFileFault> fault{nullptr};
    std::atomic<void*> context{nullptr};
};

FaultHook& faultHook() {
    static FaultHook hook;
    return hook;
}

// True when a test asked `call` to fail; errno is then EIO.
bool injected(PlatformFileCall call) {
    const PlatformFileFault fault = faultHook().fault.load(std::memory_order_acquire);
    if (!fault || !fault(call, faultHook().context.load(std::memory_order_relaxed)))
        return false;
    errno = EIO;
    return true;
}

bool fail(std::string* error, const char* what) {
    if (error)
        *error = std::string(what) + ": " + std::strerror(errno);
    return false;
}

} // namespace

void platformSetFileFault(PlatformFileFault fault, void* context) {
    faultHook().context.store(context, std::memory_order_relaxed);
    faultHook().fault.store(fault, std::memory_order_release);
}

CPlatformWriteFile::~CPlatformWriteFile() {
    if (m_handle >= 0)
        ::close(m_handle);
}

bool CPlatformWriteFile::open(const std::string& path, bool append, std::string* error) {
    if (m_handle >= 0 && !close(error))
        return false;
    if (injected(PlatformFileCall::Open))
        return fail(error, "open");
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (append ? O_APPEND : O_TRUNC);
    do {
        m_handle = ::open(path.c_str(), flags, 0666);
    } while (m_handle < 0 && errno == EINTR);
    if (m_handle < 0)
        return fail(error, "open");
    struct stat status {};
    if (::fstat(m_handle, &status) == 0 && S_ISDIR(status.st_mode)) {
        ::close(m_handle);
        m_handle = -1;
        errno = EISDIR;
        return fail(error, "open");
    }
    // Appending starts at the end, so that positions count from the start.
    if (append && ::lseek(m_handle, 0, SEEK_END) < 0) {
        const int reason = errno;
        ::close(m_handle);
        m_handle = -1;
        errno = reason;
        return fail(error, "open");
    }
    return true;
}

bool CPlatformWriteFile::write(const void* data, std::size_t size, std::string* error) {
    if (m_handle < 0) {
        errno = EBADF;
        return fail(error, "write");
    }
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        if (injected(PlatformFileCall::Write))
            return fail(error, "write");
        const ssize_t written = ::write(m_handle, bytes, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return fail(error, "write");
        }
        if (written == 0) {
            errno = ENOSPC;
            return fail(error, "write");
        }
        bytes += written;
        size -= std::size_t(written);
    }
    return true;
}

bool CPlatformWriteFile::seek(int64_t position, bool relative, std::string* error) {
    if (m_handle < 0) {
        errno = EBADF;
        return fail(error, "seek");
    }
    if (injected(PlatformFileCall::Seek))
        return fail(error, "seek");
    if (::lseek(m_handle, off_t(position), relative ? SEEK_CUR : SEEK_SET) < 0)
        return fail(error, "seek");
    return true;
}

int64_t CPlatformWriteFile::position() const {
    if (m_handle < 0)
        return -1;
    return int64_t(::lseek(m_handle, 0, SEEK_CUR));
}

bool CPlatformWriteFile::sync(std::string* error) {
    if (m_handle < 0) {
        errno = EBADF;
        return fail(error, "sync");
    }
    if (injected(PlatformFileCall::Sync))
        return fail(error, "sync");
    int result;
    do {
        result = ::fsync(m_handle);
    } while (result != 0 && errno == EINTR);
    return result == 0 || fail(error, "sync");
}

bool CPlatformWriteFile::close(std::string* error) {
    if (m_handle < 0) {
        errno = EBADF;
        return fail(error, "close");
    }
    const int handle = m_handle;
    m_handle = -1;
    if (injected(PlatformFileCall::Close)) {
        ::close(handle);
        errno = EIO;
        return fail(error, "close");
    }
    // The handle is gone after any close on Linux, even an interrupted one:
    // closing again could close a handle another thread just opened.
    if (::close(handle) != 0 && errno != EINTR)
        return fail(error, "close");
    return true;
}

bool platformRenameFile(const std::string& from, const std::string& to, std::string* error) {
    if (injected(PlatformFileCall::Rename) || ::rename(from.c_str(), to.c_str()) != 0)
        return fail(error, "rename");
    return true;
}

bool platformSyncFolder(const std::string& folder, std::string* error) {
    if (injected(PlatformFileCall::SyncFolder))
        return fail(error, "sync folder");
    int handle;
    do {
        handle = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    } while (handle < 0 && errno == EINTR);
    if (handle < 0)
        return fail(error, "sync folder");
    int result;
    do {
        result = ::fsync(handle);
    } while (result != 0 && errno == EINTR);
    // Some file systems cannot sync a folder at all; their entries are as
    // safe as they will get.
    const bool synced = result == 0 || errno == EINVAL || errno == EROFS;
    const int reason = errno;
    ::close(handle);
    errno = reason;
    return synced || fail(error, "sync folder");
}
