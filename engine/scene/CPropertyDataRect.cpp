#include "engine/scene/CPropertyDataRect.h"

#include "engine/core/CString.h"
#include "engine/core/CStringW.h"
#include "engine/core/NumberText.h"
#include "engine/scene/PropertyText.h"

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

void CPropertyDataRect::toStringW(CStringW& out) const {
    CString text;
    toString(text);
    out = CStringW(text);
}

void CPropertyDataRect::toString(CString& out) const {
    out = formatFloatList({m_value.left, m_value.top, m_value.right, m_value.bottom});
}

void CPropertyDataRect::fromString(const CString& text) {
    parseFloat4(text.c_str(), m_value.left, m_value.top, m_value.right, m_value.bottom);
}

void CPropertyDataRect::fromStringW(const CStringW& text) {
    parseFloat4(text.c_str(), m_value.left, m_value.top, m_value.right, m_value.bottom);
}

bool CPropertyDataRect::equals(const IPropertyData* other) const {
    const CPropertyDataRect* that = sameKind<CPropertyDataRect>(other, TypeRect);
    return that && that->m_value.left == m_value.left && that->m_value.top == m_value.top &&
           that->m_value.right == m_value.right && that->m_value.bottom == m_value.bottom;
}

bool CPropertyDataRect::interpolate(const IPropertyData* to, IPropertyData* out, float ratio) const {
    const CPropertyDataRect* target = sameKind<CPropertyDataRect>(to, TypeRect);
    CPropertyDataRect* result = sameKind<CPropertyDataRect>(out, TypeRect);
    if (!target || !result)
        return false;
    const CRect& from = m_value;
    const CRect& end = target->m_value;
    result->m_value =
        CRect(from.left + (end.left - from.left) * ratio, from.top + (end.top - from.top) * ratio,
              from.right + (end.right - from.right) * ratio, from.bottom + (end.bottom - from.bottom) * ratio);
    return true;
}
