#include "engine/core/CObjectName.h"

#include "engine/core/CNameTable.h"

CObjectName::CObjectName(IContentManager* owner, const CStringW& text)
    : m_owner(owner), m_id(CNameTableW::instance().getId(text)) {}

const CStringW& CObjectName::str() const { return CNameTableW::instance().getText(m_id); }
