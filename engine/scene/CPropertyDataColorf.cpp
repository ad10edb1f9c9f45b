#include "engine/scene/CPropertyDataColorf.h"

#include "engine/core/CString.h"
#include "engine/core/CStringW.h"
#include "engine/core/NumberText.h"
#include "engine/scene/PropertyText.h"

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

void CPropertyDataColorf::toStringW(CStringW& out) const {
    CString text;
    toString(text);
    out = CStringW(text);
}

void CPropertyDataColorf::toString(CString& out) const {
    out = formatFloatList({m_value.r, m_value.g, m_value.b, m_value.a});
}

void CPropertyDataColorf::fromString(const CString& text) {
    parseFloat4(text.c_str(), m_value.r, m_value.g, m_value.b, m_value.a);
}

void CPropertyDataColorf::fromStringW(const CStringW& text) {
    parseFloat4(text.c_str(), m_value.r, m_value.g, m_value.b, m_value.a);
}

bool CPropertyDataColorf::equals(const IPropertyData* other) const {
    const CPropertyDataColorf* that = sameKind<CPropertyDataColorf>(other, TypeColorf);
    return that && that->m_value.r == m_value.r && that->m_value.g == m_value.g && that->m_value.b == m_value.b &&
           that->m_value.a == m_value.a;
}

bool CPropertyDataColorf::interpolate(const IPropertyData* to, IPropertyData* out, float ratio) const {
    const CPropertyDataColorf* target = sameKind<CPropertyDataColorf>(to, TypeColorf);
    CPropertyDataColorf* result = sameKind<CPropertyDataColorf>(out, TypeColorf);
    if (!target || !result)
        return false;
    const CColorf& from = m_value;
    const CColorf& end = target->m_value;
    result->m_value = CColorf(from.r + (end.r - from.r) * ratio, from.g + (end.g - from.g) * ratio,
                              from.b + (end.b - from.b) * ratio, from.a + (end.a - from.a) * ratio);
    return true;
}
