#include "engine/scene/CPropertyDataColor.h"

#include "engine/core/CString.h"
#include "engine/core/CStringW.h"
#include "engine/core/NumberText.h"

CRefHandle<CPropertyDataColor> CPropertyDataColor::create(CColor value) {
    return CRefHandle<CPropertyDataColor>(new CPropertyDataColor(value));
}

const CStringW& CPropertyDataColor::getTypeName() const {
    static const CStringW name(u"color");
    return name;
}

const CStringW& CPropertyDataColor::getClassName() const {
    static const CStringW name(u"CPropertyDataColor");
    return name;
}

CRefHandle<IPropertyData> CPropertyDataColor::clone() const { return create(m_value); }

void CPropertyDataColor::toStringW(CStringW& out) const {
    out = CStringW(CString::formatHex8(static_cast<int>(m_value.value)));
}

void CPropertyDataColor::toString(CString& out) const { out = CString::formatHex8(static_cast<int>(m_value.value)); }

void CPropertyDataColor::fromString(const CString& text) { m_value = CColor(parseHex(text.c_str())); }

void CPropertyDataColor::fromStringW(const CStringW& text) { m_value = CColor(parseHex(text.c_str())); }

bool CPropertyDataColor::equals(const IPropertyData* other) const {
    const CPropertyDataColor* that = sameKind<CPropertyDataColor>(other, TypeColor);
    return that && that->m_value == m_value;
}

bool CPropertyDataColor::interpolate(const IPropertyData* to, IPropertyData* out, float ratio) const {
    const CPropertyDataColor* target = sameKind<CPropertyDataColor>(to, TypeColor);
    CPropertyDataColor* result = sameKind<CPropertyDataColor>(out, TypeColor);
    if (!target || !result)
        return false;
    // lerp weighs its own colour by t and the other by 1 - t.
    result->m_value = target->m_value.lerp(m_value, ratio);
    return true;
}
