#include "engine/core/CUpdateScheduler.h"

#include "engine/core/CEvent.h"
#include "engine/core/CEventUpdate.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CScheduledObject.h"

CUpdateScheduler::CUpdateScheduler() {
    setMask(CEvent::MaskSystemFlow);
    // Ordinary scenes never need to grow the list.
    m_entries.reallocate(1024);
}

CUpdateScheduler::~CUpdateScheduler() {
    for (CArray<Entry>* list : {&m_entries, &m_pendingAdds}) {
        for (Entry& entry : *list) {
            if (entry.object->m_scheduler == this)
                entry.object->m_scheduler = nullptr;
            entry.object->release();
        }
        list->clear();
    }
}

const CEventHandlerTable& CUpdateScheduler::handlerTable() {
    static const CEventHandlerTable table = [] {
        CEventHandlerTable own(CEventReceiver::handlerTable());
        own.add<&CUpdateScheduler::onUpdateEvent>(CEventUpdate::TypeId);
        return own;
    }();
    return table;
}

bool CUpdateScheduler::handleEvent(CEvent* event) { return handleWithTable(handlerTable(), event); }

bool CUpdateScheduler::onUpdateEvent(CEventUpdate* event) {
    update(event->getElapsed());
    return false;
}

uint32_t CUpdateScheduler::getTime() const { return uint32_t(uint64_t(m_time)); }

void CUpdateScheduler::registerObject(CScheduledObject* object) {
    if (!object)
        return;
    object->m_scheduler = this;
    const int64_t pending = m_pendingRemovals.indexOf(object);
    if (pending >= 0) {
        // Unregistered earlier in this update: it keeps its entry.
        m_pendingRemovals.eraseSwapLast(uint32_t(pending));
        return;
    }
    object->addRef();
    const Entry entry{object, getTime()};
    if (m_updating)
        m_pendingAdds.push_back(entry);
    else
        m_entries.push_back(entry);
}

void CUpdateScheduler::unregisterObject(CScheduledObject* object) {
    if (!object)
        return;
    // The link may already name another scheduler the object moved to.
    if (object->m_scheduler == this)
        object->m_scheduler = nullptr;
    if (m_updating) {
        // Only an object this scheduler holds has a removal to wait for; a
        // stray one queued here would make a later registerObject in this
        // update keep an entry that does not exist.
        if (holds(object) && m_pendingRemovals.indexOf(object) < 0)
            m_pendingRemovals.push_back(object);
        return;
    }
    for (uint32_t i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].object == object) {
            m_entries.eraseSwapLast(i);
            object->release();
            return;
        }
    }
}

bool CUpdateScheduler::holds(const CScheduledObject* object) const {
    for (const CArray<Entry>* list : {&m_entries, &m_pendingAdds})
        for (const Entry& entry : *list)
            if (entry.object == object)
                return true;
    return false;
}

void CUpdateScheduler::update(uint32_t elapsed) {
    // An object's update may drop the last outside reference to this
    // scheduler; it lives until the update is over.
    const CRefHandle<CUpdateScheduler> keepAlive = CRefHandle<CUpdateScheduler>::share(this);
    m_updating = true;
    if (m_enabled) {
        const double step = double(m_timeScale) * double(elapsed);
        if (step > 0.0)
            m_time += step;
        const uint32_t now = getTime();
        // Registrations wait in the pending list, so the entries do not change
        // while they are called.
        const uint32_t count = m_entries.size();
        for (uint32_t i = 0; i < count; ++i) {
            Entry& entry = m_entries[i];
            CScheduledObject* object = entry.object;
            // Unregistered, or moved to another scheduler, earlier in this update.
            if (object->m_scheduler != this)
                continue;
            // Differences stay right when the time wraps.
            if (now - entry.lastTime < object->m_interval)
                continue;
            if (object->update(now - entry.lastTime))
                m_entries[i].lastTime = now;
            else if (object->m_scheduler == this)
                object->m_scheduler = nullptr;
        }
    }
    sweep();
    for (const Entry& entry : m_pendingAdds) {
        // Registered and unregistered again within this update.
        if (entry.object->m_scheduler != this) {
            entry.object->release();
            continue;
        }
        m_entries.push_back(entry);
    }
    m_pendingAdds.clear();
    m_updating = false;
}

void CUpdateScheduler::sweep() {
    uint32_t i = 0;
    while (i < m_entries.size()) {
        CScheduledObject* object = m_entries[i].object;
        if (object->m_scheduler == this && object->referenceCount() > 1) {
            ++i;
            continue;
        }
        // The moved-in last entry is examined next.
        m_entries.eraseSwapLast(i);
        if (object->m_scheduler == this)
            object->m_scheduler = nullptr;
        object->release();
    }
    m_pendingRemovals.clear();
}
