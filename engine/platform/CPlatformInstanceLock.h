#pragma once

#include <string>

enum class PlatformLockResult {
    Acquired,      // this process holds the lock
    HeldElsewhere, // another process holds it
    Failed,        // the lock could not be made or tested
};

// A named lock that one process at a time may hold, for running a single
// instance of a program. It is a file lock on "<folder>/<name>.lock", which
// the system releases when the holder exits or dies, so a crashed holder never
// blocks the next start. Beside it the holder keeps a named pipe,
// "<name>.raise", through which later processes ask it to come to the front.
class CPlatformInstanceLock {
public:
    CPlatformInstanceLock() = default;
    // Releases the lock.
    ~CPlatformInstanceLock();
    CPlatformInstanceLock(const CPlatformInstanceLock&) = delete;
    CPlatformInstanceLock& operator=(const CPlatformInstanceLock&) = delete;

    // Takes the lock `name` ('/' in it becomes '_') in `folder`, or in
    // defaultFolder() when `folder` is empty; in the shared temporary folder
    // the file names carry the user id, so users do not block each other.
    // On Failed, `error` (may be null) says what went wrong. A holder that
    // cannot make its raise pipe still holds the lock.
    [[nodiscard]] PlatformLockResult acquire(const std::string& name, const std::string& folder, std::string* error);
    // Drops the lock and removes its files; does nothing when not held.
    void release();
    [[nodiscard]] bool isHeld() const { return m_lockFd >= 0; }

    // True when at least one raise request arrived since the last call (all
    // pending ones are taken). Always false when the lock is not held.
    [[nodiscard]] bool takeRaiseRequests();

    // Asks the holder of lock `name` in `folder` to come to the front; false
    // when no holder listens.
    [[nodiscard]] static bool sendRaiseRequest(const std::string& name, const std::string& folder);

    // $XDG_RUNTIME_DIR when it names a folder, else the system's temporary
    // folder.
    [[nodiscard]] static std::string defaultFolder();

private:
    int m_lockFd = -1;
    int m_raiseFd = -1;
    std::string m_lockPath;
    std::string m_raisePath;
};
