#pragma once

#include <memory>
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
//
// acquire and release belong to one thread. Another thread may wait for raise
// requests (waitForRaiseRequests) meanwhile; it must be stopped
// (stopWaiting) and have returned before release.
class CPlatformInstanceLock {
public:
    CPlatformInstanceLock();
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
    [[nodiscard]] bool isHeld() const;

    // True when at least one raise request arrived since the last call (all
    // pending ones are taken). Never waits. Always false when the lock is not
    // held.
    [[nodiscard]] bool takeRaiseRequests();

    // Blocks until raise requests arrive, takes them all and answers true;
    // answers false at once without a raise pipe, and as soon as stopWaiting
    // has been called (then for every later call until release).
    [[nodiscard]] bool waitForRaiseRequests();
    // Wakes a waitForRaiseRequests blocked on another thread and makes later
    // ones return false. Safe from any thread while the lock is held.
    void stopWaiting();

    // Asks the holder of lock `name` in `folder` to come to the front; false
    // when no holder listens.
    [[nodiscard]] static bool sendRaiseRequest(const std::string& name, const std::string& folder);

    // The user's runtime folder: $XDG_RUNTIME_DIR when it names a folder of
    // this user, else /run/user/<uid> when that is one, else /tmp (where the
    // names carry the user id). Every program of one session sees the same
    // XDG_RUNTIME_DIR; a test or another user with a folder of their own is
    // not blocked by a game someone else runs.
    [[nodiscard]] static std::string defaultFolder();

private:
    struct State;
    std::unique_ptr<State> m_state;
};
