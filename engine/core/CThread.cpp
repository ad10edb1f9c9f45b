#include "engine/core/CThread.h"

#include "engine/core/CLog.h"
#include "engine/platform/CPlatformThread.h"
#include "engine/platform/PlatformSystem.h"

namespace {

PlatformThreadPriority toPlatform(int code) {
    switch (code) {
    case CThread::kPriorityLowest:
        return PlatformThreadPriority::Lowest;
    case CThread::kPriorityHighest:
        return PlatformThreadPriority::Highest;
    default:
        return PlatformThreadPriority::Normal;
    }
}

} // namespace

CThread::CThread() : m_thread(std::make_unique<CPlatformThread>()) {}

CThread::CThread(Function function, void* userData)
    : m_thread(std::make_unique<CPlatformThread>()), m_function(function), m_userData(userData) {}

CThread::~CThread() { join(); }

void CThread::run() {
    if (m_function)
        m_function(m_userData);
}

void CThread::threadEntry(void* self) { static_cast<CThread*>(self)->run(); }

bool CThread::start() {
    if (m_thread->isStarted())
        return false;
    if (!m_thread->start(&CThread::threadEntry, this, toPlatform(m_priority))) {
        CLog::instance()->log("Failed to create thread.", CLog::Error);
        return false;
    }
    return true;
}

bool CThread::setPriority(int code) {
    m_priority = code;
    if (!m_thread->isStarted())
        return false;
    return m_thread->setPriority(toPlatform(code));
}

void CThread::join() { m_thread->join(); }

void CThread::setFunction(Function function, void* userData) {
    m_function = function;
    m_userData = userData;
}

bool CThread::isStarted() const { return m_thread->isStarted(); }

void sleepMilliseconds(uint32_t milliseconds) { platformSleepMilliseconds(milliseconds); }
