#include "engine/core/CString.h"

#include "engine/core/CArray.h"
#include "engine/core/CStringW.h"
#include "engine/core/FirstDifference.h"
#include "engine/core/NumberText.h"

#include <cstdio>
#include <cstring>
#include <utility>

namespace {

uint32_t textLength(const char16_t* text) {
    uint32_t n = 0;
    while (text[n]) {
        ++n;
    }
    return n;
}

// Characters to copy for assign/append: `count` when not negative, else up
// to the terminator.
template <class Ch> uint32_t countOf(const Ch* text, int count) {
    if (count >= 0) {
        return uint32_t(count);
    }
    if constexpr (sizeof(Ch) == 1) {
        return uint32_t(std::strlen(text));
    } else {
        return textLength(text);
    }
}

bool isTrimmed(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

} // namespace

CString::CString() : m_data(new char[1]), m_allocated(1), m_used(1) { m_data[0] = 0; }

CString::CString(const char* text) : CString() { assign(text, -1); }

CString::CString(const char* text, int count) : CString() { assign(text, count); }

CString::CString(std::string_view text) : CString() { appendChars(text.data(), uint32_t(text.size())); }

CString::CString(const char16_t* text) : CString() { assign(text, -1); }

CString::CString(const CStringW& text) : CString() { appendNarrowed(text.c_str(), text.length()); }

CString::CString(int value) : CString() { *this += value; }

CString::CString(unsigned value) : CString() { *this += value; }

CString::CString(float value) : CString() { *this += value; }

CString::CString(const CString& other)
    : m_data(new char[other.m_used]), m_allocated(other.m_used), m_used(other.m_used) {
    std::memcpy(m_data, other.m_data, m_used);
}

CString::CString(CString&& other) noexcept
    : m_data(std::exchange(other.m_data, new char[1])), m_allocated(std::exchange(other.m_allocated, 1u)),
      m_used(std::exchange(other.m_used, 1u)) {
    other.m_data[0] = 0;
}

CString::~CString() { delete[] m_data; }

CString& CString::operator=(const CString& other) {
    if (this != &other) {
        assign(other.m_data, int(other.length()));
    }
    return *this;
}

CString& CString::operator=(CString&& other) noexcept {
    if (this != &other) {
        // The source keeps this string's old buffer, emptied.
        std::swap(m_data, other.m_data);
        std::swap(m_allocated, other.m_allocated);
        m_used = other.m_used;
        other.m_used = 1;
        other.m_data[0] = 0;
    }
    return *this;
}

CString& CString::operator=(const char* text) {
    assign(text, -1);
    return *this;
}

CString& CString::operator=(const char16_t* text) {
    assign(text, -1);
    return *this;
}

void CString::assign(const char* text, int count) {
    if (text == m_data) {
        return;
    }
    if (!text) {
        m_used = 1;
        m_data[0] = 0;
        return;
    }
    const uint32_t n = countOf(text, count);
    if (m_allocated < n + 1) {
        char* fresh = new char[n + 1];
        delete[] m_data;
        m_data = fresh;
        m_allocated = n + 1;
    }
    // The text may lie inside this buffer.
    std::memmove(m_data, text, n);
    m_data[n] = 0;
    m_used = n + 1;
}

void CString::assign(const char16_t* text, int count) {
    if (!text) {
        m_used = 1;
        m_data[0] = 0;
        return;
    }
    const uint32_t n = countOf(text, count);
    if (m_allocated < n + 1) {
        char* fresh = new char[n + 1];
        delete[] m_data;
        m_data = fresh;
        m_allocated = n + 1;
    }
    for (uint32_t i = 0; i < n; ++i) {
        m_data[i] = char(text[i] & 0xFF);
    }
    m_data[n] = 0;
    m_used = n + 1;
}

void CString::reserveUsed(uint32_t used) {
    if (used <= m_allocated) {
        return;
    }
    char* fresh = new char[used];
    std::memcpy(fresh, m_data, m_used);
    delete[] m_data;
    m_data = fresh;
    m_allocated = used;
}

void CString::appendChars(const char* text, uint32_t count) {
    if (count == 0) {
        return;
    }
    if (m_used + count <= m_allocated) {
        std::memmove(m_data + m_used - 1, text, count);
    } else {
        // Copy before the old buffer goes: the text may be this string's own.
        char* fresh = new char[m_used + count];
        std::memcpy(fresh, m_data, m_used - 1);
        std::memcpy(fresh + m_used - 1, text, count);
        delete[] m_data;
        m_data = fresh;
        m_allocated = m_used + count;
    }
    m_used += count;
    m_data[m_used - 1] = 0;
}

void CString::appendNarrowed(const char16_t* text, uint32_t count) {
    reserveUsed(m_used + count);
    char* out = m_data + m_used - 1;
    for (uint32_t i = 0; i < count; ++i) {
        out[i] = char(text[i] & 0xFF);
    }
    m_used += count;
    m_data[m_used - 1] = 0;
}

CString& CString::operator+=(const CString& other) {
    appendChars(other.m_data, other.length());
    return *this;
}

CString& CString::operator+=(const char* text) {
    if (text) {
        appendChars(text, uint32_t(std::strlen(text)));
    }
    return *this;
}

CString& CString::operator+=(const char16_t* text) {
    if (text) {
        appendNarrowed(text, textLength(text));
    }
    return *this;
}

CString& CString::operator+=(char c) {
    appendChars(&c, 1);
    return *this;
}

CString& CString::operator+=(int value) {
    const NumberChars digits = formatDecimal(value);
    appendChars(digits.text, digits.length);
    return *this;
}

CString& CString::operator+=(unsigned value) {
    const NumberChars digits = formatDecimal(value);
    appendChars(digits.text, digits.length);
    return *this;
}

CString& CString::operator+=(float value) {
    const NumberChars digits = formatFloat(value);
    appendChars(digits.text, digits.length);
    return *this;
}

bool CString::operator==(const CString& other) const {
    return m_used == other.m_used && std::memcmp(m_data, other.m_data, m_used) == 0;
}

bool CString::equals(const char* text) const {
    if (!text) {
        return false;
    }
    return std::strcmp(m_data, text) == 0;
}

int CString::compare(const CString& other) const {
    const uint32_t n = m_used < other.m_used ? m_used - 1 : other.m_used - 1;
    const uint32_t i = firstDifference(m_data, other.m_data, n);
    if (i < n) {
        const signed char a = static_cast<signed char>(m_data[i]);
        const signed char b = static_cast<signed char>(other.m_data[i]);
        return a < b ? -1 : 1;
    }
    return m_used == other.m_used ? 0 : (m_used < other.m_used ? -1 : 1);
}

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

CString CString::subString(int start, int count) const {
    CString result;
    const int len = int(length());
    if (count <= 0 || start < 0 || start >= len) {
        return result;
    }
    if (count > len - start) {
        count = len - start;
    }
    result.appendChars(m_data + start, uint32_t(count));
    return result;
}

void CString::erase(int start, int count) {
    const int len = int(length());
    if (start < 0 || start >= len || count <= 0) {
        return;
    }
    if (count > len - start) {
        count = len - start;
    }
    // Moves the rest of the text down, the terminator with it.
    std::memmove(m_data + start, m_data + start + count, m_used - uint32_t(start + count));
    m_used -= uint32_t(count);
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
    m_data[n] = 0;
    m_used = n + 1;
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

int CString::findFirst(char c) const {
    for (uint32_t i = 0; i + 1 < m_used; ++i) {
        if (m_data[i] == c) {
            return int(i);
        }
    }
    return -1;
}

int CString::findLast(char c) const {
    for (uint32_t i = m_used - 1; i > 0; --i) {
        if (m_data[i - 1] == c) {
            return int(i - 1);
        }
    }
    return -1;
}

CString CString::formatHex8(int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(value));
    return CString(text);
}

const CString& CString::emptyString() {
    static const CString empty;
    return empty;
}

CString operator+(const CString& a, const CString& b) {
    CString result(a);
    result += b;
    return result;
}

CString operator+(const CString& a, const char* b) {
    CString result(a);
    result += b;
    return result;
}

CString operator+(const char* a, const CString& b) {
    CString result(a);
    result += b;
    return result;
}

CString operator+(const CString& a, const char16_t* b) {
    CString result(a);
    result += b;
    return result;
}

CString operator+(const CString& a, int value) {
    CString result(a);
    result += value;
    return result;
}

CString operator+(const CString& a, unsigned value) {
    CString result(a);
    result += value;
    return result;
}

CString operator+(const CString& a, float value) {
    CString result(a);
    result += value;
    return result;
}
