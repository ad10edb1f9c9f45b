#include "engine/scene/CPropertyObject.h"

#include "engine/scene/CPropertyTable.h"
#include "engine/scene/IPropertyData.h"

CPropertyObject::~CPropertyObject() = default;

const CPropertyTable& CPropertyObject::getPropertyTable() const { return propertyTable(); }

const CPropertyTable& CPropertyObject::propertyTable() {
    static const CPropertyTable table;
    return table;
}

void CPropertyObject::setProperty(const CString& name, const CRefHandle<IPropertyData>& value) {
    const CPropertyTable& table = getPropertyTable();
    table.setAt(this, table.indexOf(name), value);
}

CRefHandle<IPropertyData> CPropertyObject::getProperty(const CString& name) const {
    const CPropertyTable& table = getPropertyTable();
    return table.getAt(this, table.indexOf(name));
}
