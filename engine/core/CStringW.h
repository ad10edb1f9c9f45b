#pragma once

#include "engine/core/CString.h"

#include <cstdint>
#include <cstring>
#include <string_view>

// The engine's 16-bit string (UTF-16 code units, no surrogate handling):
// paths, node and content names and every text shown to the player. Same
// layout and growth rules as CString: one owned, zero-terminated buffer grown
// to exactly the size needed and never shrunk; `m_used` counts the
// terminator. A moved-from string is a valid empty string.
//
// Widening from 8-bit text sign-extends each byte (0xE9 becomes 0xFFE9);
// the texts the engine widens are ASCII.
class CStringW {
public:
    CStringW();
    CStringW(const char16_t* text); // NOLINT: texts convert implicitly; null gives the empty string
    CStringW(const char16_t* text, int count);
    explicit CStringW(std::u16string_view text);
    explicit CStringW(const char* text); // widened
    explicit CStringW(const CString& text);
    explicit CStringW(int value);
    explicit CStringW(unsigned value);
    // Six fraction digits, trailing zeros and a bare point removed ("1.5", "2").
    explicit CStringW(float value);
    CStringW(char) = delete;     // would read as a number
    CStringW(char16_t) = delete; // would read as a number; use CStringW(text, 1)
    CStringW(const CStringW& other);
    CStringW(CStringW&& other) noexcept;
    ~CStringW();

    CStringW& operator=(const CStringW& other);
    CStringW& operator=(CStringW&& other) noexcept;
    CStringW& operator=(const char16_t* text);
    CStringW& operator=(const char* text); // widened

    // Copies `count` characters of `text` (-1: up to its terminator). A null
    // text empties the string; the buffer is kept either way.
    void assign(const char16_t* text, int count = -1) {
        // Short texts that fit are copied here, without a call: parsers
        // assign names and short texts this way for every item they read.
        if (count >= 0 && count <= kShortText && uint32_t(count) < m_allocated && text && text != m_data) {
            copyShort(m_data, text, uint32_t(count));
            m_data[count] = 0;
            m_used = uint32_t(count) + 1;
            return;
        }
        assignText(text, count);
    }
    void assign(const char* text, int count = -1);

    CStringW& operator+=(const CStringW& other);
    CStringW& operator+=(const CString& other); // widened
    CStringW& operator+=(const char16_t* text);
    CStringW& operator+=(const char* text); // widened
    CStringW& operator+=(char16_t c);
    CStringW& operator+=(char c); // widened
    CStringW& operator+=(int value);
    CStringW& operator+=(unsigned value);
    CStringW& operator+=(float value);

    // Equal used and equal characters.
    [[nodiscard]] bool operator==(const CStringW& other) const;
    // Same as equals(text): false for a null text.
    [[nodiscard]] bool operator==(const char16_t* text) const { return equals(text); }
    [[nodiscard]] bool equals(const char16_t* text) const;
    // Characters compare as unsigned 16-bit values; a prefix orders before
    // the longer string.
    [[nodiscard]] bool operator<(const CStringW& other) const { return compare(other) < 0; }
    [[nodiscard]] bool operator>(const CStringW& other) const { return compare(other) > 0; }
    [[nodiscard]] bool operator<=(const CStringW& other) const { return compare(other) <= 0; }
    [[nodiscard]] bool operator>=(const CStringW& other) const { return compare(other) >= 0; }
    [[nodiscard]] int compare(const CStringW& other) const;
    // Equal used and equal characters after folding only 'A'-'Z' to 'a'-'z'.
    [[nodiscard]] bool equalsIgnoreCase(const CStringW& other) const;

    // Characters [start, start + count), clamped to the text; empty when
    // count <= 0 or start is outside the text.
    [[nodiscard]] CStringW subString(int start, int count) const;
    // Removes up to `count` characters from `start`, never the terminator.
    void erase(int start, int count);
    // Every unit through the runtime's towlower.
    void makeLower();

    // Position of the first / last `c` in the text, or -1.
    [[nodiscard]] int findFirst(char16_t c) const;
    [[nodiscard]] int findLast(char16_t c) const;

    // Decimal of n with `separator` between groups of three digits
    // ("1,234,567"); plain decimal for -999..999 or a zero separator.
    [[nodiscard]] static CStringW formatIntegerWithSeparator(int n, char16_t separator);
    // The shared empty string, built on first use and never changed.
    [[nodiscard]] static const CStringW& emptyString();

    [[nodiscard]] const char16_t* c_str() const { return m_data; }
    [[nodiscard]] const char16_t* data() const { return m_data; }
    [[nodiscard]] uint32_t length() const { return m_used - 1; }
    [[nodiscard]] bool empty() const { return m_used == 1; }
    [[nodiscard]] uint32_t used() const { return m_used; }
    [[nodiscard]] uint32_t allocated() const { return m_allocated; }
    [[nodiscard]] std::u16string_view view() const { return {m_data, m_used - 1}; }
    // Index up to length() (the terminator) is valid.
    [[nodiscard]] char16_t operator[](uint32_t index) const { return m_data[index]; }
    [[nodiscard]] char16_t& operator[](uint32_t index) { return m_data[index]; }
    [[nodiscard]] const char16_t* begin() const { return m_data; }
    [[nodiscard]] const char16_t* end() const { return m_data + m_used - 1; }

private:
    // The longest text `assign` copies inline.
    static constexpr int kShortText = 32;

    void assignText(const char16_t* text, int count);
    // Copies `count` (at most kShortText) characters as two (past 16, four)
    // blocks of the largest size that fits, which may overlap; every block
    // is loaded before any is stored, so `from` may lie inside `to`'s buffer.
    static void copyShort(char16_t* to, const char16_t* from, uint32_t count) {
        if (count >= 8) {
            char16_t a[8], b[8], c[8], d[8];
            std::memcpy(a, from, 16);
            std::memcpy(b, from + (count - 8), 16);
            if (count > 16) {
                std::memcpy(c, from + 8, 16);
                std::memcpy(d, from + (count - 16), 16);
                std::memcpy(to + 8, c, 16);
                std::memcpy(to + (count - 16), d, 16);
            }
            std::memcpy(to, a, 16);
            std::memcpy(to + (count - 8), b, 16);
        } else if (count >= 4) {
            uint64_t a, b;
            std::memcpy(&a, from, 8);
            std::memcpy(&b, from + (count - 4), 8);
            std::memcpy(to, &a, 8);
            std::memcpy(to + (count - 4), &b, 8);
        } else if (count >= 2) {
            uint32_t a, b;
            std::memcpy(&a, from, 4);
            std::memcpy(&b, from + (count - 2), 4);
            std::memcpy(to, &a, 4);
            std::memcpy(to + (count - 2), &b, 4);
        } else if (count == 1) {
            to[0] = from[0];
        }
    }
    void reserveUsed(uint32_t used);
    void appendChars(const char16_t* text, uint32_t count);
    void appendWidened(const char* text, uint32_t count);

    char16_t* m_data;
    uint32_t m_allocated;
    uint32_t m_used;
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
