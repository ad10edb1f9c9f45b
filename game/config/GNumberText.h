#pragma once

#include "engine/core/CStringW.h"

// Numbers as the game shows them to the player.

// The character between groups of three digits: the dictionary's
// "%ThousandsDelimiter%" expanded; ',' when the dictionary lacks the key, none
// (0) when its text is empty, else its first character with a line break read
// as a space.
[[nodiscard]] char16_t thousandsDelimiter();
// n with the thousands delimiter between groups ("1,234,567").
[[nodiscard]] CStringW groupedNumber(int n);
// n in plain decimal digits, with a leading '-' when negative.
[[nodiscard]] CStringW plainNumber(int n);
// The dictionary's "MoneyDollar" filled with groupedNumber(n).
[[nodiscard]] CStringW moneyText(int n);
// A float shown as a whole number: its fraction dropped (towards zero),
// clamped to the int range, NaN as 0.
[[nodiscard]] int wholeNumber(float value);
