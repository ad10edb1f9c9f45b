#include "engine/platform/CPlatformWriteFile.h"

#include "engine/platform/win32/Win32Support.h"

#include <atomic>

// Kernel handles hold their value in the low 32 bits (so that 32-bit and
// 64-bit processes can share them), which lets the handle live in the int.

namespace {

struct FaultHook {
    std::atomic<PlatformFileFault> fault{nullptr};
    std::atomic<void*> context{nullptr};
};

FaultHook& faultHook() {
    static FaultHook hook;
    return hook;
}

bool injected(PlatformFileCall call) {
    const PlatformFileFault fault = faultHook().fault.load(std::memory_order_acquire);
    if (!fault || !fault(call, faultHook().context.load(std::memory_order_relaxed)))
        return false;
    SetLastError(ERROR_IO_DEVICE);
    return true;
}

bool fail(std::string* error, const char* what) {
    if (error)
        *error = std::string(what) + ": " + win32ErrorText(GetLastError());
    return false;
}

HANDLE handleOf(int handle) { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(handle)); }

int intOf(HANDLE handle) { return static_cast<int>(reinterpret_cast<intptr_t>(handle)); }

} // namespace

void platformSetFileFault(PlatformFileFault fault, void* context) {
    faultHook().context.store(context, std::memory_order_relaxed);
    faultHook().fault.store(fault, std::memory_order_release);
}

CPlatformWriteFile::~CPlatformWriteFile() {
    if (m_handle >= 0)
        CloseHandle(handleOf(m_handle));
}

bool CPlatformWriteFile::open(const std::string& path, bool append, std::string* error) {
    if (m_handle >= 0 && !close(error))
        return false;
    if (injected(PlatformFileCall::Open))
        return fail(error, "open");
    HANDLE handle = CreateFileW(win32Widen(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                append ? OPEN_ALWAYS : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return fail(error, "open");
    if (append && !SetFilePointerEx(handle, LARGE_INTEGER{}, nullptr, FILE_END)) {
        const DWORD reason = GetLastError();
        CloseHandle(handle);
        SetLastError(reason);
        return fail(error, "open");
    }
    m_handle = intOf(handle);
    return true;
}

bool CPlatformWriteFile::write(const void* data, std::size_t size, std::string* error) {
    if (m_handle < 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return fail(error, "write");
    }
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        if (injected(PlatformFileCall::Write))
            return fail(error, "write");
        const DWORD chunk = size > 0x40000000 ? 0x40000000 : DWORD(size);
        DWORD written = 0;
        if (!WriteFile(handleOf(m_handle), bytes, chunk, &written, nullptr))
            return fail(error, "write");
        if (written == 0) {
            SetLastError(ERROR_DISK_FULL);
            return fail(error, "write");
        }
        bytes += written;
        size -= written;
    }
    return true;
}

bool CPlatformWriteFile::seek(int64_t position, bool relative, std::string* error) {
    if (m_handle < 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return fail(error, "seek");
    }
    if (injected(PlatformFileCall::Seek))
        return fail(error, "seek");
    LARGE_INTEGER distance;
    distance.QuadPart = position;
    if (!SetFilePointerEx(handleOf(m_handle), distance, nullptr, relative ? FILE_CURRENT : FILE_BEGIN))
        return fail(error, "seek");
    return true;
}

int64_t CPlatformWriteFile::position() const {
    LARGE_INTEGER now{};
    if (m_handle < 0 || !SetFilePointerEx(handleOf(m_handle), LARGE_INTEGER{}, &now, FILE_CURRENT))
        return -1;
    return now.QuadPart;
}

bool CPlatformWriteFile::sync(std::string* error) {
    if (m_handle < 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return fail(error, "sync");
    }
    if (injected(PlatformFileCall::Sync))
        return fail(error, "sync");
    return FlushFileBuffers(handleOf(m_handle)) || fail(error, "sync");
}

bool CPlatformWriteFile::close(std::string* error) {
    if (m_handle < 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return fail(error, "close");
    }
    HANDLE handle = handleOf(m_handle);
    m_handle = -1;
    if (injected(PlatformFileCall::Close)) {
        CloseHandle(handle);
        SetLastError(ERROR_IO_DEVICE);
        return fail(error, "close");
    }
    return CloseHandle(handle) || fail(error, "close");
}

bool platformRenameFile(const std::string& from, const std::string& to, std::string* error) {
    if (injected(PlatformFileCall::Rename) || !MoveFileExW(win32Widen(from).c_str(), win32Widen(to).c_str(),
                                                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return fail(error, "rename");
    return true;
}

bool platformSyncFolder(const std::string& /*folder*/, std::string* error) {
    // A folder's entries cannot be flushed on Windows; MoveFileEx with
    // MOVEFILE_WRITE_THROUGH already waited for the rename to reach the disk.
    if (injected(PlatformFileCall::SyncFolder))
        return fail(error, "sync folder");
    return true;
}
