#include "engine/scene/CPropertyDataString.h"

#include "engine/core/CName.h"
#include "engine/core/CStringW.h"

CRefHandle<CPropertyDataString> CPropertyDataString::create(const CString& value) {
    return CRefHandle<CPropertyDataString>(new CPropertyDataString(value));
}

CRefHandle<CPropertyDataString> CPropertyDataString::createFromNameId(CName name) { return create(name.str()); }

const CStringW& CPropertyDataString::getTypeName() const {
    static const CStringW name(u"string");
    return name;
}

const CStringW& CPropertyDataString::getClassName() const {
    static const CStringW name(u"CPropertyDataString");
    return name;
}

CRefHandle<IPropertyData> CPropertyDataString::clone() const { return create(m_value); }

void CPropertyDataString::toStringW(CStringW& out) const { out = CStringW(m_value); }

void CPropertyDataString::toString(CString& out) const { out = m_value; }

void CPropertyDataString::fromString(const CString& text) { m_value = text; }

bool CPropertyDataString::equals(const IPropertyData* other) const {
    const CPropertyDataString* that = sameKind<CPropertyDataString>(other, TypeString);
    return that && that->m_value == m_value;
}

bool CPropertyDataString::interpolate(const IPropertyData* to, IPropertyData* out, float ratio) const {
    const CPropertyDataString* target = sameKind<CPropertyDataString>(to, TypeString);
    CPropertyDataString* result = sameKind<CPropertyDataString>(out, TypeString);
    if (!target || !result || !(ratio >= 1.0f))
        return false;
    result->m_value = target->m_value;
    return true;
}
