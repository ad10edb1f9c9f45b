#pragma once

#include "engine/core/TString.h"

#include <cstdint>
#include <string_view>

class CStringW;
template <class T> class CArray;

// The engine's 8-bit string: signed characters in one owned, zero-terminated
// buffer grown to exactly the size needed and never shrunk (TString holds the
// layout and the operations shared with CStringW). Characters compare as
// signed 8-bit values; 16-bit text is narrowed, every unit keeping its low
// byte.
class CString : public TString<CString, char> {
public:
    using TString::TString;
    explicit CString(const CStringW& text); // narrowed
    CString(char) = delete;                 // would read as a number; use CString(text, 1)

    using TString::operator=;
    using TString::operator+=;
    CString& operator+=(char16_t c) = delete; // would read as a number

    // True when the first n characters agree or both texts end together
    // before n; false for a null text.
    [[nodiscard]] bool equalsFirstN(const char* text, int n) const;
    // Removes leading and trailing spaces, tabs, line feeds and carriage returns.
    void trim();
    // The parts between `separator` characters, in order; at least one part.
    // Callers include "engine/core/CArray.h".
    [[nodiscard]] CArray<CString> splitString(char separator) const;

    // "%08x": eight lower-case hexadecimal digits.
    [[nodiscard]] static CString formatHex8(int value);
};

[[nodiscard]] CString operator+(const CString& a, const CString& b);
[[nodiscard]] CString operator+(const CString& a, const char* b);
[[nodiscard]] CString operator+(const char* a, const CString& b);
[[nodiscard]] CString operator+(const CString& a, const char16_t* b); // narrowed
[[nodiscard]] CString operator+(const CString& a, int value);
[[nodiscard]] CString operator+(const CString& a, unsigned value);
[[nodiscard]] CString operator+(const CString& a, float value);
