#pragma once

#include <cstdint>

template <class T> class CArray;

// Number parsing and formatting shared by the strings, the property values,
// the XML readers and the configuration readers. Every parser has an 8-bit
// and a 16-bit variant, allocates nothing and reports nothing: a null text
// gives 0, text that holds no number gives 0 with the end position at the
// start. `end`, when not null, receives the first character not consumed.

// Optional '+' or '-', then decimal digits. A magnitude above INT_MAX becomes
// INT_MAX: the digit that overflowed is consumed and reading stops; the sign
// is applied last (so "-2147483648" reads as -2147483647).
[[nodiscard]] int parseInt(const char* text, const char** end = nullptr);
[[nodiscard]] int parseInt(const char16_t* text, const char16_t** end = nullptr);

// Decimal digits only, no sign. Stops after the step that takes the value
// past FLT_MAX.
[[nodiscard]] float parseDigitsAsFloat(const char* text, const char** end = nullptr);
[[nodiscard]] float parseDigitsAsFloat(const char16_t* text, const char16_t** end = nullptr);

// Optional '-' (no '+'), integer digits, optional '.' and fraction digits,
// optional 'e' or 'E' with a parseInt exponent. Writes the value to `value`
// and returns the first character not consumed (null for a null text).
const char* parseFloat(const char* text, float& value);
const char16_t* parseFloat(const char16_t* text, float& value);
// The value alone.
[[nodiscard]] float parseFloat(const char* text);
[[nodiscard]] float parseFloat(const char16_t* text);

// Hexadecimal digits (0-9, A-F, a-f). A value that would pass 32 bits gives
// 0xFFFFFFFF and reading stops before that digit.
[[nodiscard]] uint32_t parseHex(const char* text, const char** end = nullptr);
[[nodiscard]] uint32_t parseHex(const char16_t* text, const char16_t** end = nullptr);

// Numbers in running text ("12,34", "12 34", "x=12 y=34"): every character
// other than '-' and a digit separates, so '.' and '+' do too (".5" reads 5).
// Values the text does not hold are 0. Integer variants truncate towards zero.
void parseFloatPair(const char* text, float& x, float& y);
void parseFloatPair(const char16_t* text, float& x, float& y);
void parseFloat3(const char* text, float& x, float& y, float& z);
void parseFloat3(const char16_t* text, float& x, float& y, float& z);
void parseFloat4(const char* text, float& x, float& y, float& z, float& w);
void parseFloat4(const char16_t* text, float& x, float& y, float& z, float& w);
void parseIntPair(const char* text, int& x, int& y);
void parseIntPair(const char16_t* text, int& x, int& y);
// Every number of the text, in order. Callers include "engine/core/CArray.h".
[[nodiscard]] CArray<int> parseIntList(const char* text);
[[nodiscard]] CArray<int> parseIntList(const char16_t* text);

// Truncates towards zero, saturating at INT_MIN / INT_MAX; NaN gives 0.
[[nodiscard]] int truncateToInt(float value);

// Formatted number text: room for any int, unsigned or float, terminator
// included.
struct NumberChars {
    char text[64];
    uint32_t length;
};

// Plain decimal: "-" for negative values, "0" for zero.
[[nodiscard]] NumberChars formatDecimal(int value);
[[nodiscard]] NumberChars formatDecimal(unsigned value);
// "%f" (six fraction digits), then trailing zeros and a bare point removed:
// 1.5 gives "1.5", 2.0 gives "2", 0.0000001 gives "0".
[[nodiscard]] NumberChars formatFloat(float value);
