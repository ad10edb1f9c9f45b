#pragma once

#include "engine/core/CRefHandle.h"

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>

class CPlatformInstanceLock;
class CString;
class CThread;

// The name under which the game guards its single instance.
inline constexpr const char* kGameInstanceName = "Brindlemoor Game Instance";

// Lets only one copy of the game run. The first instance holds a lock named
// after the game; a later one finds it taken, asks the first to bring its
// window to the front, and is told to end. The lock dies with its holder, so
// an instance that crashed or was killed never blocks the next start.
//
// The program builds one at start-up, ends at once (status 0) when
// isOtherInstanceRunning() answers true, and stores its window once it has
// one. Raising happens on the main thread, in processRaiseRequests(). A main
// loop that blocks while its window is minimised also sets a wake callback:
// a small watcher thread then waits for requests and calls it, so the loop
// wakes up (the device pushes an event) and processes them.
class CSingleInstanceGuard {
public:
    using RaiseWindow = std::function<void()>;
    using Wake = std::function<void()>;

    // Takes the lock `name` in `lockFolder`, or in the user's runtime folder
    // when that is empty. When another instance holds it, asks that one to
    // come to the front. Any other failure is logged as a warning and the
    // guard holds nothing, letting this instance run.
    explicit CSingleInstanceGuard(const CString& name, const std::filesystem::path& lockFolder = {});
    // Stops the watcher and releases the lock.
    ~CSingleInstanceGuard();
    CSingleInstanceGuard(const CSingleInstanceGuard&) = delete;
    CSingleInstanceGuard& operator=(const CSingleInstanceGuard&) = delete;

    // True only when another instance held the lock.
    [[nodiscard]] bool isOtherInstanceRunning() const { return m_otherInstance; }

    // Stores how to bring the main window to the front (restoring it when
    // minimised). Requests that arrive while none is stored are dropped.
    void storeWindow(RaiseWindow raiseWindow);

    // Sets what the watcher calls, on its own thread, when a raise request
    // arrives; it must be safe to call from any thread and only wake the main
    // loop. The first callback set while this instance holds the lock starts
    // the watcher. Once this returns, the previous callback is not running
    // and will not be called again. Null stops the calls.
    void setWakeCallback(Wake wake);

    // Takes the requests later instances sent; when there were some and a
    // window is stored, raises it once. Answers whether it did. Main thread.
    bool processRaiseRequests();

    // Stops the watcher and releases the lock; a later instance may then run.
    void close();

private:
    static int watch(void* self);

    std::unique_ptr<CPlatformInstanceLock> m_lock;
    RaiseWindow m_raiseWindow;
    bool m_otherInstance = false;

    // Requests the watcher took from the lock, for the main thread.
    std::atomic<bool> m_pendingRaise{false};
    std::mutex m_wakeLock; // guards m_wake; held while it runs
    Wake m_wake;
    CRefHandle<CThread> m_watcher;
};
