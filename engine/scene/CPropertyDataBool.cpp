#include "engine/scene/CPropertyDataBool.h"

#include "engine/core/CString.h"
#include "engine/core/CStringW.h"

CRefHandle<CPropertyDataBool> CPropertyDataBool::create(bool value) {
    return CRefHandle<CPropertyDataBool>(new CPropertyDataBool(value));
}

const CStringW& CPropertyDataBool::getTypeName() const {
    static const CStringW name(u"bool");
    return name;
}

const CStringW& CPropertyDataBool::getClassName() const {
    static const CStringW name(u"CPropertyDataBool");
    return name;
}

CRefHandle<IPropertyData> CPropertyDataBool::clone() const { return create(m_value); }

void CPropertyDataBool::toStringW(CStringW& out) const { out = m_value ? u"true" : u"false"; }

void CPropertyDataBool::toString(CString& out) const { out = m_value ? "true" : "false"; }

void CPropertyDataBool::fromString(const CString& text) { m_value = text == "true"; }

void CPropertyDataBool::fromStringW(const CStringW& text) { m_value = text == u"true"; }

bool CPropertyDataBool::equals(const IPropertyData* other) const {
    const CPropertyDataBool* that = sameKind<CPropertyDataBool>(other, TypeBool);
    return that && that->m_value == m_value;
}

bool CPropertyDataBool::interpolate(const IPropertyData* to, IPropertyData* out, float ratio) const {
    const CPropertyDataBool* target = sameKind<CPropertyDataBool>(to, TypeBool);
    CPropertyDataBool* result = sameKind<CPropertyDataBool>(out, TypeBool);
    if (!target || !result)
        return false;
    const bool value = ratio == 1.0f ? target->m_value : m_value;
    const bool changed = result->m_value != value;
    result->m_value = value;
    return changed;
}
