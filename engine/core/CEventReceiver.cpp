#include "engine/core/CEventReceiver.h"

#include "engine/core/CEvent.h"
#include "engine/core/CRefHandle.h"

CEventReceiver::~CEventReceiver() = default;

const CEventHandlerTable& CEventReceiver::handlerTable() {
    static const CEventHandlerTable table;
    return table;
}

bool CEventReceiver::handleEvent(CEvent* event) { return handleWithTable(handlerTable(), event); }

bool CEventReceiver::routeToParent(int, CEvent*) { return false; }

bool CEventReceiver::routeToChildren(int, CEvent*) { return false; }

bool CEventReceiver::dispatch(int phase, CEvent* event) {
    // A hook or handler may drop the last reference to this receiver; it
    // lives until the routing is over.
    const CRefHandle<CEventReceiver> keepAlive = CRefHandle<CEventReceiver>::share(this);
    switch (phase) {
    case HandleOnly:
        return handleEvent(event);
    case HandleThenChildren:
        return handleEvent(event) || routeToChildren(phase, event);
    case ChildrenThenHandle:
        return routeToChildren(phase, event) || handleEvent(event);
    case HandleThenParent:
        return handleEvent(event) || routeToParent(phase, event);
    case ParentThenHandle:
        return routeToParent(phase, event) || handleEvent(event);
    default:
        return false;
    }
}

void CEventReceiver::addPreHandler(CEventReceiver* receiver) { m_preHandlers.push_back(receiver); }

void CEventReceiver::removePreHandler(CEventReceiver* receiver) {
    const int64_t index = m_preHandlers.indexOf(receiver);
    if (index >= 0)
        m_preHandlers.erase(uint32_t(index));
}

void CEventReceiver::addPostHandler(CEventReceiver* receiver) { m_postHandlers.push_back(receiver); }

void CEventReceiver::removePostHandler(CEventReceiver* receiver) {
    const int64_t index = m_postHandlers.indexOf(receiver);
    if (index >= 0)
        m_postHandlers.erase(uint32_t(index));
}

bool CEventReceiver::runPreHandlers(CEvent* event) {
    if (m_preHandlers.empty())
        return false;
    // The hook lists are this receiver's: it must outlive the walk.
    const CRefHandle<CEventReceiver> keepAlive = CRefHandle<CEventReceiver>::share(this);
    return runHooks(m_preHandlers, event);
}

bool CEventReceiver::runPostHandlers(CEvent* event) {
    if (m_postHandlers.empty())
        return false;
    const CRefHandle<CEventReceiver> keepAlive = CRefHandle<CEventReceiver>::share(this);
    return runHooks(m_postHandlers, event);
}

bool CEventReceiver::runHooks(const CArray<CEventReceiver*>& hooks, CEvent* event) {
    if (hooks.empty())
        return false;
    // A hook may add or remove hooks (itself included) while it handles the
    // event: walk a snapshot and skip those no longer in the live list.
    const CArray<CEventReceiver*> snapshot = hooks;
    for (CEventReceiver* hook : snapshot) {
        if (hooks.indexOf(hook) < 0)
            continue;
        if (hook->handleEvent(event))
            return true;
    }
    return false;
}

bool CEventReceiver::handleWithTable(const CEventHandlerTable& table, CEvent* event) {
    // Hooks and the handler may drop the last reference to this receiver.
    const CRefHandle<CEventReceiver> keepAlive = CRefHandle<CEventReceiver>::share(this);
    if (runPreHandlers(event))
        return true;
    const bool hadPostHandlers = !m_postHandlers.empty();
    if (CEventHandlerTable::Handler handler = table.find(event->getType())) {
        if (handler(this, event))
            return true;
    }
    return hadPostHandlers && runPostHandlers(event);
}
