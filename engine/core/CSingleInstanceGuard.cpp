#include "engine/core/CSingleInstanceGuard.h"

#include "engine/core/CLog.h"
#include "engine/core/CString.h"
#include "engine/platform/CPlatformInstanceLock.h"

#include <string>

CSingleInstanceGuard::CSingleInstanceGuard(const CString& name, const std::filesystem::path& lockFolder)
    : m_lock(std::make_unique<CPlatformInstanceLock>()) {
    std::string lockName(name.c_str(), name.length());
    std::string error;
    switch (m_lock->acquire(lockName, lockFolder.string(), &error)) {
    case PlatformLockResult::Acquired:
        break;
    case PlatformLockResult::HeldElsewhere:
        m_otherInstance = true;
        // When the first instance cannot be reached the request is lost and
        // this instance only ends.
        (void)CPlatformInstanceLock::sendRaiseRequest(lockName, lockFolder.string());
        break;
    case PlatformLockResult::Failed:
        CLog::instance()->log(("Could not create the single-instance lock: " + error).c_str(), CLog::Warning);
        break;
    }
}

CSingleInstanceGuard::~CSingleInstanceGuard() { close(); }

void CSingleInstanceGuard::storeWindow(RaiseWindow raiseWindow) {
    // Requests sent before there was a window to raise are dropped.
    (void)m_lock->takeRaiseRequests();
    m_raiseWindow = std::move(raiseWindow);
}

bool CSingleInstanceGuard::processRaiseRequests() {
    if (!m_lock->takeRaiseRequests() || !m_raiseWindow)
        return false;
    m_raiseWindow();
    return true;
}

void CSingleInstanceGuard::close() { m_lock->release(); }
