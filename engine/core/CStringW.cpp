#include "engine/core/CStringW.h"

#include "engine/core/NumberText.h"

#include <cwctype>

namespace {

char16_t foldAsciiCase(char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + (u'a' - u'A')) : c; }

} // namespace

CStringW::CStringW(const CString& text) { appendChars(text.c_str(), text.length()); }

CStringW& CStringW::operator+=(const CString& other) {
    appendChars(other.c_str(), other.length());
    return *this;
}

CStringW& CStringW::operator+=(char c) {
    appendChars(&c, 1);
    return *this;
}

bool CStringW::equalsIgnoreCase(const CStringW& other) const {
    if (m_used != other.m_used) {
        return false;
    }
    for (uint32_t i = 0; i < m_used; ++i) {
        if (foldAsciiCase(m_data[i]) != foldAsciiCase(other.m_data[i])) {
            return false;
        }
    }
    return true;
}

void CStringW::makeLower() {
    for (uint32_t i = 0; i + 1 < m_used; ++i) {
        m_data[i] = char16_t(std::towlower(std::wint_t(m_data[i])));
    }
}

CStringW CStringW::formatIntegerWithSeparator(int n, char16_t separator) {
    if ((n >= -999 && n <= 999) || separator == 0) {
        return CStringW(n);
    }
    // Digits of |n| (unsigned, so INT_MIN is fine), grouped from the right.
    const NumberChars digits = formatDecimal(n < 0 ? 0u - unsigned(n) : unsigned(n));
    CStringW result;
    if (n < 0) {
        result += u'-';
    }
    for (uint32_t i = 0; i < digits.length; ++i) {
        if (i > 0 && (digits.length - i) % 3 == 0) {
            result += separator;
        }
        result += digits.text[i];
    }
    return result;
}

CStringW operator+(const CStringW& a, const CStringW& b) { return joinedText<CStringW>(a, b); }

CStringW operator+(const CStringW& a, const char16_t* b) { return joinedText<CStringW>(a, b); }

CStringW operator+(const char16_t* a, const CStringW& b) { return joinedText<CStringW>(a, b); }

CStringW operator+(const CStringW& a, const char* b) { return joinedText<CStringW>(a, b); }

CStringW operator+(const char* a, const CStringW& b) { return joinedText<CStringW>(a, b); }

CStringW operator+(const CStringW& a, const CString& b) { return joinedText<CStringW>(a, b); }

CStringW operator+(const CStringW& a, int value) { return joinedText<CStringW>(a, value); }

CStringW operator+(const CStringW& a, unsigned value) { return joinedText<CStringW>(a, value); }

CStringW operator+(const CStringW& a, float value) { return joinedText<CStringW>(a, value); }
