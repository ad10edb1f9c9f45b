#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The system calls a save is made of. Tests make any one of them fail (see
// platformSetFileFault) to show that every failure is seen.
enum class PlatformFileCall {
    Open,       // opening a file for writing
    Write,      // one write of bytes
    Seek,       // moving the write position
    Sync,       // pushing a file's bytes down to the disk
    Close,      // closing a file
    Rename,     // moving a file over another
    SyncFolder, // pushing a folder's entries down to the disk
};

// A disk file written straight through the system, so that the result of
// every call is seen: a write that goes in part, a sync or a close that fails
// (the first moment a full disk or a failing device may show) all answer
// false with the system's reason.
class CPlatformWriteFile {
public:
    CPlatformWriteFile() = default;
    // Closes the file when still open; the result is lost, so callers that
    // care call close first.
    ~CPlatformWriteFile();
    CPlatformWriteFile(const CPlatformWriteFile&) = delete;
    CPlatformWriteFile& operator=(const CPlatformWriteFile&) = delete;

    // Opens `path` emptied (made when missing), or for appending (positioned
    // at the end). `error` (may be null) gets the reason on failure.
    [[nodiscard]] bool open(const std::string& path, bool append, std::string* error);
    [[nodiscard]] bool isOpen() const { return m_handle >= 0; }
    // Writes all `size` bytes, resuming after interruptions and partial
    // writes; false when not all went in.
    [[nodiscard]] bool write(const void* data, std::size_t size, std::string* error);
    // Moves the position (from the start, or from the current position when
    // `relative`); false when the system refuses it.
    [[nodiscard]] bool seek(int64_t position, bool relative, std::string* error);
    // The current position; -1 when not open.
    [[nodiscard]] int64_t position() const;
    // Waits until the system has put the file's bytes on the disk.
    [[nodiscard]] bool sync(std::string* error);
    // Closes the file; false when the system reports a failure (a deferred
    // write error). The file is closed in every case.
    [[nodiscard]] bool close(std::string* error);

private:
    int m_handle = -1; // opaque to callers: the system's handle
};

// Moves `from` over `to` in one step: a reader sees either the old or the
// new file under `to`, never a mix or nothing.
[[nodiscard]] bool platformRenameFile(const std::string& from, const std::string& to, std::string* error);

// Waits until the system has put the entries of `folder` (names made, moved
// or removed) on the disk. File systems that cannot sync folders count as
// done.
[[nodiscard]] bool platformSyncFolder(const std::string& folder, std::string* error);

// For tests: `fault` (with `context`) is asked before each call above and a
// true answer makes that call fail as an input/output error would, without
// reaching the system (a failing close still closes). A null `fault` ends it.
using PlatformFileFault = bool (*)(PlatformFileCall call, void* context);
void platformSetFileFault(PlatformFileFault fault, void* context);
