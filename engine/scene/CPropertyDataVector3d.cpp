#include "engine/scene/CPropertyDataVector3d.h"

#include "engine/core/CString.h"
#include "engine/core/CStringW.h"
#include "engine/core/Easing.h"
#include "engine/core/NumberText.h"
#include "engine/scene/PropertyText.h"

CRefHandle<CPropertyDataVector3d> CPropertyDataVector3d::create(const CVector3d& value) {
    return CRefHandle<CPropertyDataVector3d>(new CPropertyDataVector3d(value));
}

const CStringW& CPropertyDataVector3d::getTypeName() const {
    static const CStringW name(u"vector3d");
    return name;
}

const CStringW& CPropertyDataVector3d::getClassName() const {
    static const CStringW name(u"CPropertyDataVector3d");
    return name;
}

CRefHandle<IPropertyData> CPropertyDataVector3d::clone() const { return create(m_value); }

void CPropertyDataVector3d::toStringW(CStringW& out) const {
    CString text;
    toString(text);
    out = CStringW(text);
}

void CPropertyDataVector3d::toString(CString& out) const { out = formatFloatList({m_value.x, m_value.y, m_value.z}); }

void CPropertyDataVector3d::fromString(const CString& text) {
    parseFloat3(text.c_str(), m_value.x, m_value.y, m_value.z);
}

void CPropertyDataVector3d::fromStringW(const CStringW& text) {
    parseFloat3(text.c_str(), m_value.x, m_value.y, m_value.z);
}

bool CPropertyDataVector3d::equals(const IPropertyData* other) const {
    const CPropertyDataVector3d* that = sameKind<CPropertyDataVector3d>(other, TypeVector3d);
    return that && m_value.equals(that->m_value, kTolerance);
}

bool CPropertyDataVector3d::interpolate(const IPropertyData* to, IPropertyData* out, float ratio) const {
    const CPropertyDataVector3d* target = sameKind<CPropertyDataVector3d>(to, TypeVector3d);
    CPropertyDataVector3d* result = sameKind<CPropertyDataVector3d>(out, TypeVector3d);
    if (!target || !result)
        return false;
    const CVector3d& end = target->m_value;
    result->m_value = CVector3d(m_value.x + (end.x - m_value.x) * ratio, m_value.y + (end.y - m_value.y) * ratio,
                                m_value.z + (end.z - m_value.z) * ratio);
    return true;
}

bool CPropertyDataVector3d::interpolateEased(const IPropertyData* to, IPropertyData* out, float ratio,
                                             unsigned easingIndex) const {
    const CPropertyDataVector3d* target = sameKind<CPropertyDataVector3d>(to, TypeVector3d);
    CPropertyDataVector3d* result = sameKind<CPropertyDataVector3d>(out, TypeVector3d);
    const EasingFunction ease = getEasingFunction(easingIndex);
    if (!target || !result || !ease)
        return false;
    const CVector3d& end = target->m_value;
    result->m_value = CVector3d(ease(ratio, m_value.x, end.x - m_value.x), ease(ratio, m_value.y, end.y - m_value.y),
                                ease(ratio, m_value.z, end.z - m_value.z));
    return true;
}
