#pragma once

#include "engine/core/CColor.h"
#include "engine/core/CColorf.h"
#include "engine/core/CName.h"
#include "engine/core/CRect.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CString.h"
#include "engine/core/CStringW.h"
#include "engine/core/CVector2d.h"
#include "engine/core/CVector3d.h"
#include "engine/scene/IPropertyData.h"

// Conversions between property values and plain fields, used by the class
// property tables and by game code.

// The text of a value of any kind; empty for a null handle.
[[nodiscard]] CString getPropertyString(const CRefHandle<IPropertyData>& value);
[[nodiscard]] CStringW getPropertyStringW(const CRefHandle<IPropertyData>& value);
// The interned name of getPropertyString's text: how name-valued properties
// take a value of any kind (a null handle gives the empty name).
[[nodiscard]] CName getPropertyNameId(const CRefHandle<IPropertyData>& value);

// The field a setter stores: the value held by a value of that exact kind,
// else the kind's zero (null handle or another kind alike).
[[nodiscard]] int getPropertyInt(const CRefHandle<IPropertyData>& value);
[[nodiscard]] bool getPropertyBool(const CRefHandle<IPropertyData>& value);
[[nodiscard]] float getPropertyFloat(const CRefHandle<IPropertyData>& value);
[[nodiscard]] CColor getPropertyColor(const CRefHandle<IPropertyData>& value);
[[nodiscard]] CColorf getPropertyColorf(const CRefHandle<IPropertyData>& value);
[[nodiscard]] CVector2d getPropertyVector2d(const CRefHandle<IPropertyData>& value);
[[nodiscard]] CVector3d getPropertyVector3d(const CRefHandle<IPropertyData>& value);
[[nodiscard]] CRect getPropertyRect(const CRefHandle<IPropertyData>& value);

// The press mode a control's PressMode setter stores: an "int" value of 0 to
// 3 as it is; any other number (negative ones included) keeps `current`; a
// null value or one of another kind gives 0.
[[nodiscard]] int getPropertyPressMode(const CRefHandle<IPropertyData>& value, int current);
