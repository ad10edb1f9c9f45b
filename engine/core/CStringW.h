#pragma once

#include "engine/core/CString.h"
#include "engine/core/TString.h"

#include <cstdint>
#include <cstring>
#include <string_view>

// The engine's 16-bit string (UTF-16 code units, no surrogate handling):
// paths, node and content names and every text shown to the player. Same
// layout, growth rules and shared operations as CString (see TString).
// Characters compare as unsigned 16-bit values. Widening from 8-bit text
// sign-extends each byte (0xE9 becomes 0xFFE9); the texts the engine widens
// are ASCII.
class CStringW : public TString<CStringW, char16_t> {
public:
    using TString::TString;
    explicit CStringW(const CString& text); // widened
    CStringW(char) = delete;                // would read as a number
    CStringW(char16_t) = delete;            // would read as a number; use CStringW(text, 1)

    using TString::operator=;
    using TString::operator+=;
    CStringW& operator+=(const CString& other); // widened
    CStringW& operator+=(char c);               // widened

    // Equal used and equal characters after folding only 'A'-'Z' to 'a'-'z'.
    [[nodiscard]] bool equalsIgnoreCase(const CStringW& other) const;
    // Every unit through the runtime's towlower.
    void makeLower();

    // Decimal of n with `separator` between groups of three digits
    // ("1,234,567"); plain decimal for -999..999 or a zero separator.
    [[nodiscard]] static CStringW formatIntegerWithSeparator(int n, char16_t separator);
};

[[nodiscard]] CStringW operator+(const CStringW& a, const CStringW& b);
[[nodiscard]] CStringW operator+(const CStringW& a, const char16_t* b);
[[nodiscard]] CStringW operator+(const char16_t* a, const CStringW& b);
[[nodiscard]] CStringW operator+(const CStringW& a, const char* b);    // widened
[[nodiscard]] CStringW operator+(const char* a, const CStringW& b);    // widened
[[nodiscard]] CStringW operator+(const CStringW& a, const CString& b); // widened
[[nodiscard]] CStringW operator+(const CStringW& a, int value);
[[nodiscard]] CStringW operator+(const CStringW& a, unsigned value);
[[nodiscard]] CStringW operator+(const CStringW& a, float value);
