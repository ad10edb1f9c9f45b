#pragma once

#include <filesystem>
#include <functional>
#include <memory>

class CPlatformInstanceLock;
class CString;

// The name under which the game guards its single instance.
inline constexpr const char* kGameInstanceName = "Brindlemoor Game Instance";

// Lets only one copy of the game run. The first instance holds a lock named
// after the game; a later one finds it taken, asks the first to bring its
// window to the front, and is told to end. The lock dies with its holder, so
// an instance that crashed or was killed never blocks the next start.
//
// The program builds one at start-up, ends at once (status 0) when
// isOtherInstanceRunning() answers true, stores its window once it has one,
// and calls processRaiseRequests() from its main loop.
class CSingleInstanceGuard {
public:
    using RaiseWindow = std::function<void()>;

    // Takes the lock `name` in `lockFolder`, or in the user's runtime folder
    // when that is empty. When another instance holds it, asks that one to
    // come to the front. Any other failure is logged as a warning and the
    // guard holds nothing, letting this instance run.
    explicit CSingleInstanceGuard(const CString& name, const std::filesystem::path& lockFolder = {});
    // Releases the lock.
    ~CSingleInstanceGuard();
    CSingleInstanceGuard(const CSingleInstanceGuard&) = delete;
    CSingleInstanceGuard& operator=(const CSingleInstanceGuard&) = delete;

    // True only when another instance held the lock.
    [[nodiscard]] bool isOtherInstanceRunning() const { return m_otherInstance; }

    // Stores how to bring the main window to the front (restoring it when
    // minimised). Requests that arrive while none is stored are dropped.
    void storeWindow(RaiseWindow raiseWindow);

    // Takes the requests later instances sent; when there were some and a
    // window is stored, raises it once. Answers whether it did.
    bool processRaiseRequests();

    // Releases the lock; a later instance may then run.
    void close();

private:
    std::unique_ptr<CPlatformInstanceLock> m_lock;
    RaiseWindow m_raiseWindow;
    bool m_otherInstance = false;
};
