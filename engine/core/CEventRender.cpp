#include "engine/core/CEventRender.h"

CEventRender::~CEventRender() = default;

bool CEventRender::isKindOf(int32_t id) const { return id == KindSystemFlow || CEvent::isKindOf(id); }
