#include "engine/scene/CPropertyDataColorf.h"

CRefHandle<CPropertyDataColorf> CPropertyDataColorf::create(const CColorf& value) {
    return CRefHandle<CPropertyDataColorf>(new CPropertyDataColorf(value));
}

const CStringW& CPropertyDataColorf::getTypeName() const {
    static const CStringW name(u"colorf");
    return name;
}

const CStringW& CPropertyDataColorf::getClassName() const {
    static const CStringW name(u"CPropertyDataColorf");
    return name;
}

CRefHandle<IPropertyData> CPropertyDataColorf::clone() const { return create(m_value); }
