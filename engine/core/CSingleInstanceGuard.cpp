#include "engine/core/CSingleInstanceGuard.h"

#include "engine/core/CLog.h"
#include "engine/core/CString.h"
#include "engine/core/CThread.h"
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
    m_pendingRaise.store(false);
    m_raiseWindow = std::move(raiseWindow);
}

void CSingleInstanceGuard::setWakeCallback(Wake wake) {
    bool wanted = static_cast<bool>(wake);
    {
        std::lock_guard<std::mutex> guard(m_wakeLock);
        m_wake = std::move(wake);
    }
    if (!wanted || m_watcher || !m_lock->isHeld())
        return;
    // Without a watcher the requests still reach processRaiseRequests, only
    // not while the main loop sleeps; CThread has logged why.
    CRefHandle<CThread> watcher(new CThread(&CSingleInstanceGuard::watch, this));
    if (watcher->start())
        m_watcher = watcher;
}

int CSingleInstanceGuard::watch(void* self) {
    auto* guard = static_cast<CSingleInstanceGuard*>(self);
    while (guard->m_lock->waitForRaiseRequests()) {
        guard->m_pendingRaise.store(true);
        std::lock_guard<std::mutex> wakeGuard(guard->m_wakeLock);
        if (guard->m_wake)
            guard->m_wake();
    }
    return 0;
}

bool CSingleInstanceGuard::processRaiseRequests() {
    // Both run: the pipe must be emptied even when the watcher saw a request.
    bool watched = m_pendingRaise.exchange(false);
    bool polled = m_lock->takeRaiseRequests();
    if (!(watched || polled) || !m_raiseWindow)
        return false;
    m_raiseWindow();
    return true;
}

void CSingleInstanceGuard::close() {
    if (m_watcher) {
        m_lock->stopWaiting();
        m_watcher->join();
        m_watcher.reset();
    }
    m_lock->release();
    m_pendingRaise.store(false);
}
