#include "engine/scene/PropertyValues.h"

#include "engine/scene/CPropertyDataBool.h"
#include "engine/scene/CPropertyDataColor.h"
#include "engine/scene/CPropertyDataColorf.h"
#include "engine/scene/CPropertyDataFloat.h"
#include "engine/scene/CPropertyDataInt.h"
#include "engine/scene/CPropertyDataRect.h"
#include "engine/scene/CPropertyDataVector2d.h"
#include "engine/scene/CPropertyDataVector3d.h"

namespace {

// The value as kind T when it is one, else null.
template <class T> const T* asKind(const CRefHandle<IPropertyData>& value, int typeId) {
    return IPropertyData::sameKind<T>(static_cast<const IPropertyData*>(value.get()), typeId);
}

} // namespace

CString getPropertyString(const CRefHandle<IPropertyData>& value) {
    CString text;
    if (value)
        value->toString(text);
    return text;
}

CStringW getPropertyStringW(const CRefHandle<IPropertyData>& value) {
    CStringW text;
    if (value)
        value->toStringW(text);
    return text;
}

CName getPropertyNameId(const CRefHandle<IPropertyData>& value) { return CName(getPropertyString(value)); }

int getPropertyInt(const CRefHandle<IPropertyData>& value) {
    const auto* kind = asKind<CPropertyDataInt>(value, IPropertyData::TypeInt);
    return kind ? kind->getValue() : 0;
}

bool getPropertyBool(const CRefHandle<IPropertyData>& value) {
    const auto* kind = asKind<CPropertyDataBool>(value, IPropertyData::TypeBool);
    return kind ? kind->getValue() : false;
}

float getPropertyFloat(const CRefHandle<IPropertyData>& value) {
    const auto* kind = asKind<CPropertyDataFloat>(value, IPropertyData::TypeFloat);
    return kind ? kind->getValue() : 0.0f;
}

CColor getPropertyColor(const CRefHandle<IPropertyData>& value) {
    const auto* kind = asKind<CPropertyDataColor>(value, IPropertyData::TypeColor);
    return kind ? kind->getValue() : CColor();
}

CColorf getPropertyColorf(const CRefHandle<IPropertyData>& value) {
    const auto* kind = asKind<CPropertyDataColorf>(value, IPropertyData::TypeColorf);
    return kind ? kind->getValue() : CColorf();
}

CVector2d getPropertyVector2d(const CRefHandle<IPropertyData>& value) {
    const auto* kind = asKind<CPropertyDataVector2d>(value, IPropertyData::TypeVector2d);
    return kind ? kind->getValue() : CVector2d();
}

CVector3d getPropertyVector3d(const CRefHandle<IPropertyData>& value) {
    const auto* kind = asKind<CPropertyDataVector3d>(value, IPropertyData::TypeVector3d);
    return kind ? kind->getValue() : CVector3d();
}

CRect getPropertyRect(const CRefHandle<IPropertyData>& value) {
    const auto* kind = asKind<CPropertyDataRect>(value, IPropertyData::TypeRect);
    return kind ? kind->getValue() : CRect();
}

int getPropertyPressMode(const CRefHandle<IPropertyData>& value, int current) {
    const auto* kind = asKind<CPropertyDataInt>(value, IPropertyData::TypeInt);
    if (!kind)
        return 0;
    return uint32_t(kind->getValue()) <= 3u ? kind->getValue() : current;
}
