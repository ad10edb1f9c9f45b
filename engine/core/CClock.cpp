#include "engine/core/CClock.h"

#include "engine/core/CPerformanceCounter.h"

CClock::CClock() : CClock(nullptr) {}

CClock::CClock(ITimeSource* source)
    : m_counter(source ? CRefHandle<ITimeSource>::share(source) : CRefHandle<ITimeSource>(new CPerformanceCounter)) {
    restart();
}

uint32_t CClock::virtualTime() const {
    if (isPaused())
        return m_accumulated;
    return m_accumulated + (m_frameTime - m_startTime);
}

void CClock::pause() {
    if (m_pauseDepth == 0)
        m_accumulated += m_frameTime - m_startTime;
    ++m_pauseDepth;
}

void CClock::resume() {
    // An unmatched resume would restart the running stretch and lose the time
    // it had gathered, making the virtual time jump back.
    if (m_pauseDepth == 0)
        return;
    if (--m_pauseDepth == 0)
        restart();
}

void CClock::restart() {
    m_startTime = now();
    m_frameTime = m_startTime;
}
