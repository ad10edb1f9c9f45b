#pragma once

#include "engine/core/CStringW.h"

#include <cstdint>

class CName;
template <class T> class CArray;

// "MM:SS" for a time in milliseconds: minutes wrap at 60 (hours are
// dropped), both fields two digits.
[[nodiscard]] CStringW formatMinutesSeconds(uint32_t milliseconds);

// The texts of `names`, widened and joined with ";" (none after the last).
[[nodiscard]] CStringW joinNameIds(const CArray<CName>& names);
