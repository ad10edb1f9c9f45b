#pragma once

class CDictionary;

// The character the game's number texts put between groups of three digits;
// 0 for none. ',' until the dictionary says otherwise.
[[nodiscard]] char16_t thousandsDelimiter();
void setThousandsDelimiter(char16_t delimiter);

// The delimiter a dictionary asks for with "ThousandsDelimiter": ',' when it
// lacks the key, none for an empty text, else the text's first character
// (a line break reads as a space).
[[nodiscard]] char16_t thousandsDelimiterFrom(const CDictionary& dictionary);
