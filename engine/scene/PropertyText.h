#pragma once

#include "engine/core/CString.h"

#include <initializer_list>

// The text of the float-list kinds ("colorf", "vector2d", "vector3d",
// "rect"): each number by the float writer (six decimals, trailing zeros and
// a bare point removed), joined by ';'. Reading goes through the list reader
// of NumberText (parseFloatPair, parseFloat3, parseFloat4), which takes any
// separators.
[[nodiscard]] CString formatFloatList(std::initializer_list<float> values);
