#pragma once

#include "engine/core/CRefHandle.h"
#include "engine/core/CString.h"

class CPropertyTable;
class IPropertyData;

// The root of every class whose properties can be set and read by name:
// nodes, node states, animation keys, particle emitters. Each class answers
// its own table (see CPropertyTable); the root's is empty.
class CPropertyObject {
public:
    virtual ~CPropertyObject();

    [[nodiscard]] virtual const CPropertyTable& getPropertyTable() const;
    // The root's table: empty.
    [[nodiscard]] static const CPropertyTable& propertyTable();

    // Calls the setter of the first table entry named exactly `name`;
    // nothing happens when no entry has that name.
    void setProperty(const CString& name, const CRefHandle<IPropertyData>& value);
    // The value of the first entry named `name`, or null when there is none.
    [[nodiscard]] CRefHandle<IPropertyData> getProperty(const CString& name) const;
};
