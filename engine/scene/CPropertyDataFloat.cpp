#include "engine/scene/CPropertyDataFloat.h"

#include "engine/core/CString.h"
#include "engine/core/CStringW.h"
#include "engine/core/Easing.h"
#include "engine/core/NumberText.h"

CRefHandle<CPropertyDataFloat> CPropertyDataFloat::create(float value) {
    return CRefHandle<CPropertyDataFloat>(new CPropertyDataFloat(value));
}

const CStringW& CPropertyDataFloat::getTypeName() const {
    static const CStringW name(u"float");
    return name;
}

const CStringW& CPropertyDataFloat::getClassName() const {
    static const CStringW name(u"CPropertyDataFloat");
    return name;
}

CRefHandle<IPropertyData> CPropertyDataFloat::clone() const { return create(m_value); }

void CPropertyDataFloat::toStringW(CStringW& out) const { out = formatFloat(m_value).text; }

void CPropertyDataFloat::toString(CString& out) const { out = formatFloat(m_value).text; }

void CPropertyDataFloat::fromString(const CString& text) { m_value = parseFloat(text.c_str()); }

void CPropertyDataFloat::fromStringW(const CStringW& text) { m_value = parseFloat(text.c_str()); }

bool CPropertyDataFloat::equals(const IPropertyData* other) const {
    const CPropertyDataFloat* that = sameKind<CPropertyDataFloat>(other, TypeFloat);
    return that && that->m_value == m_value;
}

bool CPropertyDataFloat::interpolate(const IPropertyData* to, IPropertyData* out, float ratio) const {
    const CPropertyDataFloat* target = sameKind<CPropertyDataFloat>(to, TypeFloat);
    CPropertyDataFloat* result = sameKind<CPropertyDataFloat>(out, TypeFloat);
    if (!target || !result)
        return false;
    result->m_value = m_value + (target->m_value - m_value) * ratio;
    return true;
}

bool CPropertyDataFloat::interpolateEased(const IPropertyData* to, IPropertyData* out, float ratio,
                                          unsigned easingIndex) const {
    const CPropertyDataFloat* target = sameKind<CPropertyDataFloat>(to, TypeFloat);
    CPropertyDataFloat* result = sameKind<CPropertyDataFloat>(out, TypeFloat);
    if (!target || !result)
        return false;
    result->m_value = evaluateEasing(easingIndex, ratio, m_value, target->m_value - m_value);
    return true;
}
