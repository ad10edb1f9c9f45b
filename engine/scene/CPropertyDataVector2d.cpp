#include "engine/scene/CPropertyDataVector2d.h"

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

bool CPropertyDataVector2d::interpolateEased(const IPropertyData* to, IPropertyData* out, float ratio,
                                             unsigned easingIndex) const {
    return interpolateComponentsEased(to, out, ratio, easingIndex);
}
