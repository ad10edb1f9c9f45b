#pragma once

#include "engine/core/CString.h"

#include <cstddef>

// The text of the float-list kinds ("colorf", "vector2d", "vector3d",
// "rect"): each of the `count` numbers by the float writer (six decimals,
// trailing zeros and a bare point removed), joined by ';'. Reading goes
// through the list reader of NumberText (parseFloatPair, parseFloat3,
// parseFloat4), which takes any separators.
[[nodiscard]] CString formatFloatList(const float* values, std::size_t count);
