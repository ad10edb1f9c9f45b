#pragma once

#include "engine/core/CStringW.h"

class CDictionary;

// Numbers as the game shows them to the player.

// The character between groups of three digits; 0 for none. ',' until the
// game sets the one its dictionary asks for.
[[nodiscard]] char16_t thousandsDelimiter();
void setThousandsDelimiter(char16_t delimiter);
// The delimiter a dictionary asks for with "ThousandsDelimiter": ',' when it
// lacks the key, none for an empty text, else the text's first character
// (a line break reads as a space).
[[nodiscard]] char16_t thousandsDelimiterFrom(const CDictionary& dictionary);
// n with the thousands delimiter between groups ("1,234,567").
[[nodiscard]] CStringW groupedNumber(int n);
// n in plain decimal digits, with a leading '-' when negative.
[[nodiscard]] CStringW plainNumber(int n);
// The dictionary's "MoneyDollar" filled with groupedNumber(n).
[[nodiscard]] CStringW moneyText(int n);
// A float shown as a whole number: its fraction dropped (towards zero),
// clamped to the int range, NaN as 0.
[[nodiscard]] int wholeNumber(float value);
