#include "engine/scene/CPropertyDataStringW.h"

#include "engine/core/CString.h"

CRefHandle<CPropertyDataStringW> CPropertyDataStringW::create(const CStringW& value) {
    return CRefHandle<CPropertyDataStringW>(new CPropertyDataStringW(value));
}

const CStringW& CPropertyDataStringW::getTypeName() const {
    static const CStringW name(u"stringw");
    return name;
}

const CStringW& CPropertyDataStringW::getClassName() const {
    static const CStringW name(u"CPropertyDataStringW");
    return name;
}

CRefHandle<IPropertyData> CPropertyDataStringW::clone() const { return create(m_value); }

void CPropertyDataStringW::toStringW(CStringW& out) const { out = m_value; }

void CPropertyDataStringW::toString(CString& out) const { out = CString(m_value); }

void CPropertyDataStringW::fromString(const CString& text) { m_value = CStringW(text); }

void CPropertyDataStringW::fromStringW(const CStringW& text) { m_value = text; }

bool CPropertyDataStringW::equals(const IPropertyData* other) const {
    const CPropertyDataStringW* that = sameKind<CPropertyDataStringW>(other, TypeStringW);
    return that && that->m_value == m_value;
}

bool CPropertyDataStringW::interpolate(const IPropertyData* to, IPropertyData* out, float ratio) const {
    const CPropertyDataStringW* target = sameKind<CPropertyDataStringW>(to, TypeStringW);
    CPropertyDataStringW* result = sameKind<CPropertyDataStringW>(out, TypeStringW);
    if (!target || !result || !(ratio >= 1.0f))
        return false;
    result->m_value = target->m_value;
    return true;
}
