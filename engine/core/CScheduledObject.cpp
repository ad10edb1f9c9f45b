#include "engine/core/CScheduledObject.h"

#include "engine/core/CUpdateScheduler.h"

CScheduledObject::~CScheduledObject() {
    if (m_scheduler)
        m_scheduler->unregisterObject(this);
}

void CScheduledObject::setScheduler(CUpdateScheduler* scheduler) {
    if (scheduler == m_scheduler)
        return;
    if (m_scheduler)
        m_scheduler->unregisterObject(this);
    if (scheduler)
        scheduler->registerObject(this);
}
