#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>
#include <type_traits>

// What CString and CStringW share: one owned, zero-terminated buffer of
// `Char`, grown to exactly the size needed and never shrunk. `Self` is the
// string class built on it, which the operations return. Plain value type:
// copies own their own buffer.
//
// `m_used` counts the terminator (the empty string has used 1), so the length
// of the text is used - 1; `m_allocated` is the capacity, terminator included.
// A moved-from string is a valid empty string. Text of the other width is
// converted unit by unit: narrowing keeps the low byte, widening sign-extends
// (0xE9 becomes 0xFFE9).
//
// The members are defined and instantiated for the two strings in
// TString.cpp.
template <class Self, class Char> class TString {
    using OtherChar = std::conditional_t<std::is_same_v<Char, char>, char16_t, char>;

public:
    TString();
    TString(const Char* text); // NOLINT: texts convert implicitly; null gives the empty string
    TString(const Char* text, int count);
    explicit TString(std::basic_string_view<Char> text);
    explicit TString(const OtherChar* text); // converted
    explicit TString(int value);
    explicit TString(unsigned value);
    // Six fraction digits, trailing zeros and a bare point removed ("1.5", "2").
    explicit TString(float value);

    Self& operator=(const Char* text);
    Self& operator=(const OtherChar* text); // converted

    // Copies `count` characters of `text` (-1: up to its terminator). A null
    // text empties the string; the buffer is kept either way.
    void assign(const Char* text, int count = -1) {
        // Short texts that fit are copied here, without a call: parsers
        // assign names and short texts this way for every item they read.
        if (count >= 0 && uint32_t(count) <= kShortTextBytes / sizeof(Char) && uint32_t(count) < m_allocated && text &&
            text != m_data) {
            copyShort(m_data, text, uint32_t(count) * sizeof(Char));
            endAt(uint32_t(count));
            return;
        }
        assignText(text, count);
    }
    void assign(const OtherChar* text, int count = -1); // converted

    Self& operator+=(const Self& other);
    Self& operator+=(const Char* text);
    Self& operator+=(const OtherChar* text); // converted
    Self& operator+=(Char c);
    Self& operator+=(int value);
    Self& operator+=(unsigned value);
    Self& operator+=(float value);

    // Equal used and equal characters. Takes the shared base so that a == b
    // is not ambiguous with its reversed form.
    [[nodiscard]] bool operator==(const TString& other) const;
    // Same as equals(text): false for a null text.
    [[nodiscard]] bool operator==(const Char* text) const { return equals(text); }
    [[nodiscard]] bool equals(const Char* text) const;
    // CString characters compare as signed 8-bit values, CStringW characters
    // as unsigned 16-bit values; a prefix orders before the longer string.
    [[nodiscard]] bool operator<(const Self& other) const { return compare(other) < 0; }
    [[nodiscard]] bool operator>(const Self& other) const { return compare(other) > 0; }
    [[nodiscard]] bool operator<=(const Self& other) const { return compare(other) <= 0; }
    [[nodiscard]] bool operator>=(const Self& other) const { return compare(other) >= 0; }
    // Negative, 0 or positive as this string orders before, with or after `other`.
    [[nodiscard]] int compare(const Self& other) const;

    // Characters [start, start + count), clamped to the text; empty when
    // count <= 0 or start is outside the text.
    [[nodiscard]] Self subString(int start, int count) const;
    // Removes up to `count` characters from `start`, never the terminator.
    void erase(int start, int count);

    // Position of the first / last `c` in the text, or -1.
    [[nodiscard]] int findFirst(Char c) const;
    [[nodiscard]] int findLast(Char c) const;

    // The shared empty string, built on first use and never changed.
    [[nodiscard]] static const Self& emptyString();

    [[nodiscard]] const Char* c_str() const { return m_data; }
    [[nodiscard]] const Char* data() const { return m_data; }
    [[nodiscard]] uint32_t length() const { return m_used - 1; }
    [[nodiscard]] bool empty() const { return m_used == 1; }
    [[nodiscard]] uint32_t used() const { return m_used; }
    [[nodiscard]] uint32_t allocated() const { return m_allocated; }
    [[nodiscard]] std::basic_string_view<Char> view() const { return {m_data, m_used - 1}; }
    // Index up to length() (the terminator) is valid.
    [[nodiscard]] Char operator[](uint32_t index) const { return m_data[index]; }
    [[nodiscard]] Char& operator[](uint32_t index) { return m_data[index]; }
    [[nodiscard]] const Char* begin() const { return m_data; }
    [[nodiscard]] const Char* end() const { return m_data + m_used - 1; }

protected:
    // Only the string classes copy, move and destroy: no slicing.
    TString(const TString& other);
    TString(TString&& other) noexcept;
    ~TString();
    TString& operator=(const TString& other);
    TString& operator=(TString&& other) noexcept;

    // Appends `count` characters; text of the other width is converted.
    void appendChars(const Char* text, uint32_t count);
    void appendChars(const OtherChar* text, uint32_t count);
    // Ends the text after `count` characters, which the buffer holds.
    void endAt(uint32_t count) {
        m_data[count] = 0;
        m_used = count + 1;
    }

    Char* m_data;
    uint32_t m_allocated;
    uint32_t m_used;

private:
    // The longest text, in bytes, that `assign` copies inline.
    static constexpr uint32_t kShortTextBytes = 64;

    Self& self() { return static_cast<Self&>(*this); }
    void assignText(const Char* text, int count);
    // Makes room for a text of `count` characters, dropping the current one.
    void discardForLength(uint32_t count);
    // Makes room for `used` characters (terminator included), keeping the
    // text; grows to exactly that size.
    void reserveUsed(uint32_t used);

    // Copies `bytes` (at most kShortTextBytes) as two (past 32, four) blocks
    // of the largest size that fits, which may overlap; every block is loaded
    // before any is stored, so `from` may lie inside `to`'s buffer.
    static void copyShort(void* to, const void* from, uint32_t bytes) {
        auto* out = static_cast<unsigned char*>(to);
        const auto* in = static_cast<const unsigned char*>(from);
        if (bytes >= 16) {
            unsigned char a[16], b[16], c[16], d[16];
            std::memcpy(a, in, 16);
            std::memcpy(b, in + (bytes - 16), 16);
            if (bytes > 32) {
                std::memcpy(c, in + 16, 16);
                std::memcpy(d, in + (bytes - 32), 16);
                std::memcpy(out + 16, c, 16);
                std::memcpy(out + (bytes - 32), d, 16);
            }
            std::memcpy(out, a, 16);
            std::memcpy(out + (bytes - 16), b, 16);
        } else if (bytes >= 8) {
            copyPair<uint64_t>(out, in, bytes);
        } else if (bytes >= 4) {
            copyPair<uint32_t>(out, in, bytes);
        } else if (bytes >= 2) {
            copyPair<uint16_t>(out, in, bytes);
        } else if (bytes == 1) {
            out[0] = in[0];
        }
    }
    // The first and the last `Word` of `bytes` (between one and two words).
    template <class Word> static void copyPair(unsigned char* out, const unsigned char* in, uint32_t bytes) {
        Word a, b;
        std::memcpy(&a, in, sizeof a);
        std::memcpy(&b, in + (bytes - sizeof b), sizeof b);
        std::memcpy(out, &a, sizeof a);
        std::memcpy(out + (bytes - sizeof b), &b, sizeof b);
    }
};

// Builds the result of an operator+ on the engine's strings: `a` as a
// `String`, then `b` appended.
template <class String, class A, class B> String joinedText(const A& a, const B& b) {
    String result(a);
    result += b;
    return result;
}
