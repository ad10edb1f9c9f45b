#include "engine/scene/CPropertyDataVector3d.h"

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

bool CPropertyDataVector3d::equals(const IPropertyData* other) const {
    const CPropertyDataVector3d* that = sameKind<CPropertyDataVector3d>(other, TypeVector3d);
    return that && m_value.equals(that->m_value, kTolerance);
}

bool CPropertyDataVector3d::interpolateEased(const IPropertyData* to, IPropertyData* out, float ratio,
                                             unsigned easingIndex) const {
    return interpolateComponentsEased(to, out, ratio, easingIndex);
}
