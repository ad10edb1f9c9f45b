#include "engine/core/CEventUpdate.h"

CEventUpdate::~CEventUpdate() = default;

bool CEventUpdate::isKindOf(int32_t id) const { return id == KindSystemFlow || CEvent::isKindOf(id); }
