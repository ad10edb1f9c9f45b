#include "engine/scene/CPropertyDataVector2d.h"

#include "engine/core/CString.h"
#include "engine/core/CStringW.h"
#include "engine/core/Easing.h"
#include "engine/core/NumberText.h"
#include "engine/scene/PropertyText.h"

CRefHandle<CPropertyDataVector2d> CPropertyDataVector2d::create(const CVector2d& value) {
    return CRefHandle<CPropertyDataVector2d>(new CPropertyDataVector2d(value));
}

const CStringW& CPropertyDataVector2d::getTypeName() const {
    static const CStringW name(u"vector2d");
    return name;
}

const CStringW& CPropertyDataVector2d::getClassName() const {
    static const CStringW name(u"CPropertyDataVector2d");
    return name;
}

CRefHandle<IPropertyData> CPropertyDataVector2d::clone() const { return create(m_value); }

void CPropertyDataVector2d::toStringW(CStringW& out) const {
    CString text;
    toString(text);
    out = CStringW(text);
}

void CPropertyDataVector2d::toString(CString& out) const { out = formatFloatList({m_value.x, m_value.y}); }

void CPropertyDataVector2d::fromString(const CString& text) { parseFloatPair(text.c_str(), m_value.x, m_value.y); }

void CPropertyDataVector2d::fromStringW(const CStringW& text) { parseFloatPair(text.c_str(), m_value.x, m_value.y); }

bool CPropertyDataVector2d::equals(const IPropertyData* other) const {
    const CPropertyDataVector2d* that = sameKind<CPropertyDataVector2d>(other, TypeVector2d);
    return that && that->m_value.x == m_value.x && that->m_value.y == m_value.y;
}

bool CPropertyDataVector2d::interpolate(const IPropertyData* to, IPropertyData* out, float ratio) const {
    const CPropertyDataVector2d* target = sameKind<CPropertyDataVector2d>(to, TypeVector2d);
    CPropertyDataVector2d* result = sameKind<CPropertyDataVector2d>(out, TypeVector2d);
    if (!target || !result)
        return false;
    result->m_value = CVector2d(m_value.x + (target->m_value.x - m_value.x) * ratio,
                                m_value.y + (target->m_value.y - m_value.y) * ratio);
    return true;
}

bool CPropertyDataVector2d::interpolateEased(const IPropertyData* to, IPropertyData* out, float ratio,
                                             unsigned easingIndex) const {
    const CPropertyDataVector2d* target = sameKind<CPropertyDataVector2d>(to, TypeVector2d);
    CPropertyDataVector2d* result = sameKind<CPropertyDataVector2d>(out, TypeVector2d);
    const EasingFunction ease = getEasingFunction(easingIndex);
    if (!target || !result || !ease)
        return false;
    result->m_value = CVector2d(ease(ratio, m_value.x, target->m_value.x - m_value.x),
                                ease(ratio, m_value.y, target->m_value.y - m_value.y));
    return true;
}
