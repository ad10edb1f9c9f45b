#include "engine/core/TString.h"

#include "engine/core/CString.h"
#include "engine/core/CStringW.h"
#include "engine/core/FirstDifference.h"
#include "engine/core/NumberText.h"

#include <string>
#include <utility>

namespace {

// Characters to copy for assign/append: `count` when not negative, else up
// to the terminator.
template <class Ch> uint32_t countOf(const Ch* text, int count) {
    return count >= 0 ? uint32_t(count) : uint32_t(std::char_traits<Ch>::length(text));
}

// Narrowing keeps the low byte.
char converted(char16_t c) { return char(c & 0xFF); }
// Widening sign-extends: the bytes 0x80-0xFF become 0xFF80-0xFFFF.
char16_t converted(char c) { return char16_t(uint16_t(int16_t(static_cast<signed char>(c)))); }

// The value a character orders by.
int orderOf(char c) { return static_cast<signed char>(c); }
int orderOf(char16_t c) { return c; }

} // namespace

template <class Self, class Char> TString<Self, Char>::TString() : m_data(new Char[1]), m_allocated(1), m_used(1) {
    m_data[0] = 0;
}

template <class Self, class Char> TString<Self, Char>::TString(const Char* text) : TString() { assign(text, -1); }

template <class Self, class Char> TString<Self, Char>::TString(const Char* text, int count) : TString() {
    assign(text, count);
}

template <class Self, class Char> TString<Self, Char>::TString(std::basic_string_view<Char> text) : TString() {
    appendChars(text.data(), uint32_t(text.size()));
}

template <class Self, class Char> TString<Self, Char>::TString(const OtherChar* text) : TString() { assign(text, -1); }

template <class Self, class Char> TString<Self, Char>::TString(int value) : TString() { *this += value; }

template <class Self, class Char> TString<Self, Char>::TString(unsigned value) : TString() { *this += value; }

template <class Self, class Char> TString<Self, Char>::TString(float value) : TString() { *this += value; }

template <class Self, class Char>
TString<Self, Char>::TString(const TString& other)
    : m_data(new Char[other.m_used]), m_allocated(other.m_used), m_used(other.m_used) {
    std::memcpy(m_data, other.m_data, sizeof(Char) * m_used);
}

template <class Self, class Char>
TString<Self, Char>::TString(TString&& other) noexcept
    : m_data(std::exchange(other.m_data, new Char[1])), m_allocated(std::exchange(other.m_allocated, 1u)),
      m_used(std::exchange(other.m_used, 1u)) {
    other.m_data[0] = 0;
}

template <class Self, class Char> TString<Self, Char>::~TString() { delete[] m_data; }

template <class Self, class Char> TString<Self, Char>& TString<Self, Char>::operator=(const TString& other) {
    if (this != &other) {
        assign(other.m_data, int(other.length()));
    }
    return *this;
}

template <class Self, class Char> TString<Self, Char>& TString<Self, Char>::operator=(TString&& other) noexcept {
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

template <class Self, class Char> Self& TString<Self, Char>::operator=(const Char* text) {
    assign(text, -1);
    return self();
}

template <class Self, class Char> Self& TString<Self, Char>::operator=(const OtherChar* text) {
    assign(text, -1);
    return self();
}

template <class Self, class Char> void TString<Self, Char>::discardForLength(uint32_t count) {
    if (m_allocated < count + 1) {
        Char* fresh = new Char[count + 1];
        delete[] m_data;
        m_data = fresh;
        m_allocated = count + 1;
    }
}

template <class Self, class Char> void TString<Self, Char>::assignText(const Char* text, int count) {
    if (text == m_data) {
        return;
    }
    const uint32_t n = text ? countOf(text, count) : 0;
    discardForLength(n);
    if (n > 0) {
        // The text may lie inside this buffer.
        std::memmove(m_data, text, sizeof(Char) * n);
    }
    endAt(n);
}

template <class Self, class Char> void TString<Self, Char>::assign(const OtherChar* text, int count) {
    const uint32_t n = text ? countOf(text, count) : 0;
    discardForLength(n);
    for (uint32_t i = 0; i < n; ++i) {
        m_data[i] = converted(text[i]);
    }
    endAt(n);
}

template <class Self, class Char> void TString<Self, Char>::reserveUsed(uint32_t used) {
    if (used <= m_allocated) {
        return;
    }
    Char* fresh = new Char[used];
    std::memcpy(fresh, m_data, sizeof(Char) * m_used);
    delete[] m_data;
    m_data = fresh;
    m_allocated = used;
}

template <class Self, class Char> void TString<Self, Char>::appendChars(const Char* text, uint32_t count) {
    if (count == 0) {
        return;
    }
    if (m_used + count <= m_allocated) {
        std::memmove(m_data + m_used - 1, text, sizeof(Char) * count);
    } else {
        // Copy before the old buffer goes: the text may be this string's own.
        Char* fresh = new Char[m_used + count];
        std::memcpy(fresh, m_data, sizeof(Char) * (m_used - 1));
        std::memcpy(fresh + m_used - 1, text, sizeof(Char) * count);
        delete[] m_data;
        m_data = fresh;
        m_allocated = m_used + count;
    }
    endAt(length() + count);
}

template <class Self, class Char> void TString<Self, Char>::appendChars(const OtherChar* text, uint32_t count) {
    reserveUsed(m_used + count);
    Char* out = m_data + m_used - 1;
    for (uint32_t i = 0; i < count; ++i) {
        out[i] = converted(text[i]);
    }
    endAt(length() + count);
}

template <class Self, class Char> Self& TString<Self, Char>::operator+=(const Self& other) {
    appendChars(other.m_data, other.length());
    return self();
}

template <class Self, class Char> Self& TString<Self, Char>::operator+=(const Char* text) {
    if (text) {
        appendChars(text, countOf(text, -1));
    }
    return self();
}

template <class Self, class Char> Self& TString<Self, Char>::operator+=(const OtherChar* text) {
    if (text) {
        appendChars(text, countOf(text, -1));
    }
    return self();
}

template <class Self, class Char> Self& TString<Self, Char>::operator+=(Char c) {
    appendChars(&c, 1);
    return self();
}

// Number texts are 8-bit: CStringW widens them.
template <class Self, class Char> Self& TString<Self, Char>::operator+=(int value) {
    const NumberChars digits = formatDecimal(value);
    appendChars(digits.text, digits.length);
    return self();
}

template <class Self, class Char> Self& TString<Self, Char>::operator+=(unsigned value) {
    const NumberChars digits = formatDecimal(value);
    appendChars(digits.text, digits.length);
    return self();
}

template <class Self, class Char> Self& TString<Self, Char>::operator+=(float value) {
    const NumberChars digits = formatFloat(value);
    appendChars(digits.text, digits.length);
    return self();
}

template <class Self, class Char> bool TString<Self, Char>::operator==(const TString& other) const {
    return m_used == other.m_used && std::memcmp(m_data, other.m_data, sizeof(Char) * m_used) == 0;
}

template <class Self, class Char> bool TString<Self, Char>::equals(const Char* text) const {
    if (!text) {
        return false;
    }
    if constexpr (std::is_same_v<Char, char>) {
        return std::strcmp(m_data, text) == 0;
    } else {
        for (uint32_t i = 0;; ++i) {
            if (m_data[i] != text[i]) {
                return false;
            }
            if (m_data[i] == 0) {
                return true;
            }
        }
    }
}

template <class Self, class Char> int TString<Self, Char>::compare(const Self& other) const {
    const uint32_t n = m_used < other.m_used ? m_used - 1 : other.m_used - 1;
    const uint32_t i = firstDifference(m_data, other.m_data, n);
    if (i < n) {
        return orderOf(m_data[i]) < orderOf(other.m_data[i]) ? -1 : 1;
    }
    return m_used == other.m_used ? 0 : (m_used < other.m_used ? -1 : 1);
}

template <class Self, class Char> Self TString<Self, Char>::subString(int start, int count) const {
    Self result;
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

template <class Self, class Char> void TString<Self, Char>::erase(int start, int count) {
    const int len = int(length());
    if (start < 0 || start >= len || count <= 0) {
        return;
    }
    if (count > len - start) {
        count = len - start;
    }
    // Moves the rest of the text down, the terminator with it.
    std::memmove(m_data + start, m_data + start + count, sizeof(Char) * (m_used - uint32_t(start + count)));
    m_used -= uint32_t(count);
}

template <class Self, class Char> int TString<Self, Char>::findFirst(Char c) const {
    for (uint32_t i = 0; i + 1 < m_used; ++i) {
        if (m_data[i] == c) {
            return int(i);
        }
    }
    return -1;
}

template <class Self, class Char> int TString<Self, Char>::findLast(Char c) const {
    for (uint32_t i = m_used - 1; i > 0; --i) {
        if (m_data[i - 1] == c) {
            return int(i - 1);
        }
    }
    return -1;
}

template <class Self, class Char> const Self& TString<Self, Char>::emptyString() {
    static const Self empty;
    return empty;
}

template class TString<CString, char>;
template class TString<CStringW, char16_t>;
