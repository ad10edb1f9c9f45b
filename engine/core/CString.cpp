#include "engine/core/CString.h"

#include "engine/core/CArray.h"
#include "engine/core/CStringW.h"

#include <cstdio>
#include <cstring>

namespace {

bool isTrimmed(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

} // namespace

CString::CString(const CStringW& text) { appendChars(text.c_str(), text.length()); }

bool CString::equalsFirstN(const char* text, int n) const {
    if (!text) {
        return false;
    }
    for (int i = 0; i < n; ++i) {
        if (m_data[i] != text[i]) {
            return false;
        }
        if (m_data[i] == 0) {
            return true;
        }
    }
    return true;
}

void CString::trim() {
    uint32_t first = 0;
    uint32_t last = length();
    while (first < last && isTrimmed(m_data[first])) {
        ++first;
    }
    while (last > first && isTrimmed(m_data[last - 1])) {
        --last;
    }
    const uint32_t n = last - first;
    std::memmove(m_data, m_data + first, n);
    endAt(n);
}

CArray<CString> CString::splitString(char separator) const {
    CArray<CString> parts;
    uint32_t partStart = 0;
    const uint32_t len = length();
    for (uint32_t i = 0; i <= len; ++i) {
        if (i == len || m_data[i] == separator) {
            parts.push_back(CString(m_data + partStart, int(i - partStart)));
            partStart = i + 1;
        }
    }
    return parts;
}

CString CString::formatHex8(int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(value));
    return CString(text);
}

CString operator+(const CString& a, const CString& b) { return joinedText<CString>(a, b); }

CString operator+(const CString& a, const char* b) { return joinedText<CString>(a, b); }

CString operator+(const char* a, const CString& b) { return joinedText<CString>(a, b); }

CString operator+(const CString& a, const char16_t* b) { return joinedText<CString>(a, b); }

CString operator+(const CString& a, int value) { return joinedText<CString>(a, value); }

CString operator+(const CString& a, unsigned value) { return joinedText<CString>(a, value); }

CString operator+(const CString& a, float value) { return joinedText<CString>(a, value); }
