#include "engine/core/CEvent.h"

#include "engine/core/CStringW.h"

CEvent::~CEvent() = default;

const CStringW& CEvent::className() const {
    static const CStringW name(u"#thisClassName");
    return name;
}

bool CEvent::isKindOf(int32_t id) const { return id == KindAny || id == getType(); }
