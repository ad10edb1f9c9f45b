#include "engine/scene/CPropertyTable.h"

#include "engine/scene/CPropertyBag.h"
#include "engine/scene/IPropertyData.h"

void CPropertyTable::add(const CString& name, CPropertyAccessor::Setter setter, CPropertyAccessor::Getter getter) {
    if (!setter || !getter)
        return;
    m_entries.push_back(CPropertyAccessor{name, setter, getter});
}

void CPropertyTable::appendAll(const CPropertyTable& other) {
    // A copy first: `other` may be this table.
    const CArray<CPropertyAccessor> entries = other.m_entries;
    for (const CPropertyAccessor& entry : entries)
        m_entries.push_back(entry);
}

int CPropertyTable::indexOf(const CString& name) const {
    for (uint32_t i = 0; i < m_entries.size(); ++i)
        if (m_entries[i].name == name)
            return int(i);
    return -1;
}

void CPropertyTable::indexesOf(const CPropertyBag& bag, CArray<int>& positions) const {
    positions.clear();
    positions.reserve(uint32_t(bag.getCount()));
    for (int j = 0; j < bag.getCount(); ++j)
        positions.push_back(indexOf(bag.getNameAt(j)));
}

void CPropertyTable::setAt(CPropertyObject* object, int index, const CRefHandle<IPropertyData>& value) const {
    if (!object || index < 0 || uint32_t(index) >= m_entries.size())
        return;
    m_entries[uint32_t(index)].setter(object, value);
}

CRefHandle<IPropertyData> CPropertyTable::getAt(const CPropertyObject* object, int index) const {
    if (!object || index < 0 || uint32_t(index) >= m_entries.size())
        return nullptr;
    return m_entries[uint32_t(index)].getter(object);
}
