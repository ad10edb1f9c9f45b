#include "engine/core/CEventHandlerTable.h"

void CEventHandlerTable::set(int32_t typeId, Handler handler) { m_handlers[typeId] = handler; }

CEventHandlerTable::Handler CEventHandlerTable::find(int32_t typeId) const {
    auto found = m_handlers.find(typeId);
    return found == m_handlers.end() ? nullptr : found->value;
}
