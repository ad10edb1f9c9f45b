#include "engine/scene/CPropertyDataRect.h"

CRefHandle<CPropertyDataRect> CPropertyDataRect::create(const CRect& value) {
    return CRefHandle<CPropertyDataRect>(new CPropertyDataRect(value));
}

const CStringW& CPropertyDataRect::getTypeName() const {
    static const CStringW name(u"rect");
    return name;
}

const CStringW& CPropertyDataRect::getClassName() const {
    static const CStringW name(u"CPropertyDataRect");
    return name;
}

CRefHandle<IPropertyData> CPropertyDataRect::clone() const { return create(m_value); }
