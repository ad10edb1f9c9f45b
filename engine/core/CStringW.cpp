#include "engine/core/CStringW.h"

#include "engine/core/FirstDifference.h"
#include "engine/core/NumberText.h"

#include <cstring>
#include <cwctype>
#include <utility>

namespace {

uint32_t textLength(const char16_t* text) {
    uint32_t n = 0;
    while (text[n]) {
        ++n;
    }
    return n;
}

// Sign extension: the bytes 0x80-0xFF become 0xFF80-0xFFFF.
char16_t widen(char c) { return char16_t(uint16_t(int16_t(static_cast<signed char>(c)))); }

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

char16_t foldAsciiCase(char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + (u'a' - u'A')) : c; }

} // namespace

CStringW::CStringW() : m_data(new char16_t[1]), m_allocated(1), m_used(1) { m_data[0] = 0; }

CStringW::CStringW(const char16_t* text) : CStringW() { assign(text, -1); }

CStringW::CStringW(const char16_t* text, int count) : CStringW() { assign(text, count); }

CStringW::CStringW(std::u16string_view text) : CStringW() { appendChars(text.data(), uint32_t(text.size())); }

CStringW::CStringW(const char* text) : CStringW() { assign(text, -1); }

CStringW::CStringW(const CString& text) : CStringW() { appendWidened(text.c_str(), text.length()); }

CStringW::CStringW(int value) : CStringW() { *this += value; }

CStringW::CStringW(unsigned value) : CStringW() { *this += value; }

CStringW::CStringW(float value) : CStringW() { *this += value; }

CStringW::CStringW(const CStringW& other)
    : m_data(new char16_t[other.m_used]), m_allocated(other.m_used), m_used(other.m_used) {
    std::memcpy(m_data, other.m_data, sizeof(char16_t) * m_used);
}

CStringW::CStringW(CStringW&& other) noexcept
    : m_data(std::exchange(other.m_data, new char16_t[1])), m_allocated(std::exchange(other.m_allocated, 1u)),
      m_used(std::exchange(other.m_used, 1u)) {
    other.m_data[0] = 0;
}

CStringW::~CStringW() { delete[] m_data; }

CStringW& CStringW::operator=(const CStringW& other) {
    if (this != &other) {
        assign(other.m_data, int(other.length()));
    }
    return *this;
}

CStringW& CStringW::operator=(CStringW&& other) noexcept {
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

CStringW& CStringW::operator=(const char16_t* text) {
    assign(text, -1);
    return *this;
}

CStringW& CStringW::operator=(const char* text) {
    assign(text, -1);
    return *this;
}

void CStringW::assignText(const char16_t* text, int count) {
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
        char16_t* fresh = new char16_t[n + 1];
        delete[] m_data;
        m_data = fresh;
        m_allocated = n + 1;
    }
    // The text may lie inside this buffer.
    std::memmove(m_data, text, sizeof(char16_t) * n);
    m_data[n] = 0;
    m_used = n + 1;
}

void CStringW::assign(const char* text, int count) {
    if (!text) {
        m_used = 1;
        m_data[0] = 0;
        return;
    }
    const uint32_t n = countOf(text, count);
    if (m_allocated < n + 1) {
        char16_t* fresh = new char16_t[n + 1];
        delete[] m_data;
        m_data = fresh;
        m_allocated = n + 1;
    }
    for (uint32_t i = 0; i < n; ++i) {
        m_data[i] = widen(text[i]);
    }
    m_data[n] = 0;
    m_used = n + 1;
}

void CStringW::reserveUsed(uint32_t used) {
    if (used <= m_allocated) {
        return;
    }
    char16_t* fresh = new char16_t[used];
    std::memcpy(fresh, m_data, sizeof(char16_t) * m_used);
    delete[] m_data;
    m_data = fresh;
    m_allocated = used;
}

void CStringW::appendChars(const char16_t* text, uint32_t count) {
    if (count == 0) {
        return;
    }
    if (m_used + count <= m_allocated) {
        std::memmove(m_data + m_used - 1, text, sizeof(char16_t) * count);
    } else {
        // Copy before the old buffer goes: the text may be this string's own.
        char16_t* fresh = new char16_t[m_used + count];
        std::memcpy(fresh, m_data, sizeof(char16_t) * (m_used - 1));
        std::memcpy(fresh + m_used - 1, text, sizeof(char16_t) * count);
        delete[] m_data;
        m_data = fresh;
        m_allocated = m_used + count;
    }
    m_used += count;
    m_data[m_used - 1] = 0;
}

void CStringW::appendWidened(const char* text, uint32_t count) {
    reserveUsed(m_used + count);
    char16_t* out = m_data + m_used - 1;
    for (uint32_t i = 0; i < count; ++i) {
        out[i] = widen(text[i]);
    }
    m_used += count;
    m_data[m_used - 1] = 0;
}

CStringW& CStringW::operator+=(const CStringW& other) {
    appendChars(other.m_data, other.length());
    return *this;
}

CStringW& CStringW::operator+=(const CString& other) {
    appendWidened(other.c_str(), other.length());
    return *this;
}

CStringW& CStringW::operator+=(const char16_t* text) {
    if (text) {
        appendChars(text, textLength(text));
    }
    return *this;
}

CStringW& CStringW::operator+=(const char* text) {
    if (text) {
        appendWidened(text, uint32_t(std::strlen(text)));
    }
    return *this;
}

CStringW& CStringW::operator+=(char16_t c) {
    appendChars(&c, 1);
    return *this;
}

CStringW& CStringW::operator+=(char c) {
    appendWidened(&c, 1);
    return *this;
}

CStringW& CStringW::operator+=(int value) {
    const NumberChars digits = formatDecimal(value);
    appendWidened(digits.text, digits.length);
    return *this;
}

CStringW& CStringW::operator+=(unsigned value) {
    const NumberChars digits = formatDecimal(value);
    appendWidened(digits.text, digits.length);
    return *this;
}

CStringW& CStringW::operator+=(float value) {
    const NumberChars digits = formatFloat(value);
    appendWidened(digits.text, digits.length);
    return *this;
}

bool CStringW::operator==(const CStringW& other) const {
    return m_used == other.m_used && std::memcmp(m_data, other.m_data, sizeof(char16_t) * m_used) == 0;
}

bool CStringW::equals(const char16_t* text) const {
    if (!text) {
        return false;
    }
    for (uint32_t i = 0;; ++i) {
        if (m_data[i] != text[i]) {
            return false;
        }
        if (m_data[i] == 0) {
            return true;
        }
    }
}

int CStringW::compare(const CStringW& other) const {
    const uint32_t n = m_used < other.m_used ? m_used - 1 : other.m_used - 1;
    const uint32_t i = firstDifference(m_data, other.m_data, n);
    if (i < n) {
        return m_data[i] < other.m_data[i] ? -1 : 1;
    }
    return m_used == other.m_used ? 0 : (m_used < other.m_used ? -1 : 1);
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

CStringW CStringW::subString(int start, int count) const {
    CStringW result;
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

void CStringW::erase(int start, int count) {
    const int len = int(length());
    if (start < 0 || start >= len || count <= 0) {
        return;
    }
    if (count > len - start) {
        count = len - start;
    }
    // Moves the rest of the text down, the terminator with it.
    std::memmove(m_data + start, m_data + start + count, sizeof(char16_t) * (m_used - uint32_t(start + count)));
    m_used -= uint32_t(count);
}

void CStringW::makeLower() {
    for (uint32_t i = 0; i + 1 < m_used; ++i) {
        m_data[i] = char16_t(std::towlower(std::wint_t(m_data[i])));
    }
}

int CStringW::findFirst(char16_t c) const {
    for (uint32_t i = 0; i + 1 < m_used; ++i) {
        if (m_data[i] == c) {
            return int(i);
        }
    }
    return -1;
}

int CStringW::findLast(char16_t c) const {
    for (uint32_t i = m_used - 1; i > 0; --i) {
        if (m_data[i - 1] == c) {
            return int(i - 1);
        }
    }
    return -1;
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

const CStringW& CStringW::emptyString() {
    static const CStringW empty;
    return empty;
}

CStringW operator+(const CStringW& a, const CStringW& b) {
    CStringW result(a);
    result += b;
    return result;
}

CStringW operator+(const CStringW& a, const char16_t* b) {
    CStringW result(a);
    result += b;
    return result;
}

CStringW operator+(const char16_t* a, const CStringW& b) {
    CStringW result(a);
    result += b;
    return result;
}

CStringW operator+(const CStringW& a, const char* b) {
    CStringW result(a);
    result += b;
    return result;
}

CStringW operator+(const char* a, const CStringW& b) {
    CStringW result(a);
    result += b;
    return result;
}

CStringW operator+(const CStringW& a, const CString& b) {
    CStringW result(a);
    result += b;
    return result;
}

CStringW operator+(const CStringW& a, int value) {
    CStringW result(a);
    result += value;
    return result;
}

CStringW operator+(const CStringW& a, unsigned value) {
    CStringW result(a);
    result += value;
    return result;
}

CStringW operator+(const CStringW& a, float value) {
    CStringW result(a);
    result += value;
    return result;
}
