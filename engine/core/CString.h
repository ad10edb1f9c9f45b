#pragma once

#include <cstdint>
#include <string_view>

class CStringW;
template <class T> class CArray;

// The engine's 8-bit string: one owned, zero-terminated buffer of signed
// characters, grown to exactly the size needed and never shrunk. Plain value
// type: copies own their own buffer.
//
// `m_used` counts the terminator (the empty string has used 1), so the length
// of the text is used - 1; `m_allocated` is the capacity, terminator included.
// A moved-from string is a valid empty string.
class CString {
public:
    CString();
    CString(const char* text); // NOLINT: texts convert implicitly; null gives the empty string
    CString(const char* text, int count);
    explicit CString(std::string_view text);
    // Narrowing: every 16-bit unit keeps its low byte.
    explicit CString(const char16_t* text);
    explicit CString(const CStringW& text);
    explicit CString(int value);
    explicit CString(unsigned value);
    // Six fraction digits, trailing zeros and a bare point removed ("1.5", "2").
    explicit CString(float value);
    CString(char) = delete; // would read as a number; use CString(text, 1)
    CString(const CString& other);
    CString(CString&& other) noexcept;
    ~CString();

    CString& operator=(const CString& other);
    CString& operator=(CString&& other) noexcept;
    CString& operator=(const char* text);
    CString& operator=(const char16_t* text);

    // Copies `count` characters of `text` (-1: up to its terminator). A null
    // text empties the string; the buffer is kept either way.
    void assign(const char* text, int count = -1);
    void assign(const char16_t* text, int count = -1);

    CString& operator+=(const CString& other);
    CString& operator+=(const char* text);
    CString& operator+=(const char16_t* text); // narrowed
    CString& operator+=(char c);
    CString& operator+=(char16_t c) = delete; // would read as a number
    CString& operator+=(int value);
    CString& operator+=(unsigned value);
    CString& operator+=(float value);

    // Equal used and equal characters.
    [[nodiscard]] bool operator==(const CString& other) const;
    // Same as equals(text): false for a null text.
    [[nodiscard]] bool operator==(const char* text) const { return equals(text); }
    [[nodiscard]] bool equals(const char* text) const;
    // Characters compare as signed 8-bit values; a prefix orders before the
    // longer string.
    [[nodiscard]] bool operator<(const CString& other) const { return compare(other) < 0; }
    [[nodiscard]] bool operator>(const CString& other) const { return compare(other) > 0; }
    [[nodiscard]] bool operator<=(const CString& other) const { return compare(other) <= 0; }
    [[nodiscard]] bool operator>=(const CString& other) const { return compare(other) >= 0; }
    // Negative, 0 or positive as this string orders before, with or after `other`.
    [[nodiscard]] int compare(const CString& other) const;
    // True when the first n characters agree or both texts end together
    // before n; false for a null text.
    [[nodiscard]] bool equalsFirstN(const char* text, int n) const;

    // Characters [start, start + count), clamped to the text; empty when
    // count <= 0 or start is outside the text.
    [[nodiscard]] CString subString(int start, int count) const;
    // Removes up to `count` characters from `start`, never the terminator.
    void erase(int start, int count);
    // Removes leading and trailing spaces, tabs, line feeds and carriage returns.
    void trim();
    // The parts between `separator` characters, in order; at least one part.
    // Callers include "engine/core/CArray.h".
    [[nodiscard]] CArray<CString> splitString(char separator) const;

    // Position of the first / last `c` in the text, or -1.
    [[nodiscard]] int findFirst(char c) const;
    [[nodiscard]] int findLast(char c) const;

    // "%08x": eight lower-case hexadecimal digits.
    [[nodiscard]] static CString formatHex8(int value);
    // The shared empty string, built on first use and never changed.
    [[nodiscard]] static const CString& emptyString();

    [[nodiscard]] const char* c_str() const { return m_data; }
    [[nodiscard]] const char* data() const { return m_data; }
    [[nodiscard]] uint32_t length() const { return m_used - 1; }
    [[nodiscard]] bool empty() const { return m_used == 1; }
    [[nodiscard]] uint32_t used() const { return m_used; }
    [[nodiscard]] uint32_t allocated() const { return m_allocated; }
    [[nodiscard]] std::string_view view() const { return {m_data, m_used - 1}; }
    // Index up to length() (the terminator) is valid.
    [[nodiscard]] char operator[](uint32_t index) const { return m_data[index]; }
    [[nodiscard]] char& operator[](uint32_t index) { return m_data[index]; }
    [[nodiscard]] const char* begin() const { return m_data; }
    [[nodiscard]] const char* end() const { return m_data + m_used - 1; }

private:
    // Makes room for `used` characters (terminator included), keeping the
    // text; grows to exactly that size.
    void reserveUsed(uint32_t used);
    void appendChars(const char* text, uint32_t count);
    void appendNarrowed(const char16_t* text, uint32_t count);

    char* m_data;
    uint32_t m_allocated;
    uint32_t m_used;
};

[[nodiscard]] CString operator+(const CString& a, const CString& b);
[[nodiscard]] CString operator+(const CString& a, const char* b);
[[nodiscard]] CString operator+(const char* a, const CString& b);
[[nodiscard]] CString operator+(const CString& a, const char16_t* b); // narrowed
[[nodiscard]] CString operator+(const CString& a, int value);
[[nodiscard]] CString operator+(const CString& a, unsigned value);
[[nodiscard]] CString operator+(const CString& a, float value);
