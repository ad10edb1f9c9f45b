#pragma once

#include "engine/core/CRefHandle.h"
#include "engine/core/CString.h"

class CPropertyObject;
class IPropertyData;

// One entry of a class property table: the property's name (compared
// case-sensitively) and the functions that store a value into an object's
// field and read the field back as a new value.
//
// Setters accept any handle and never fail: a null value or one of another
// kind stores the property's zero (name-valued properties take the text of a
// value of any kind). Getters always return a new value (count 1).
struct CPropertyAccessor {
    using Setter = void (*)(CPropertyObject* object, const CRefHandle<IPropertyData>& value);
    using Getter = CRefHandle<IPropertyData> (*)(const CPropertyObject* object);

    CString name;
    Setter setter = nullptr;
    Getter getter = nullptr;
};
