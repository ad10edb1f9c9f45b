#pragma once

#include <cstddef>
#include <cstdint>

// Builds text in a buffer the caller owns, without the heap, locks or the C
// library's formatting, so it may run inside a signal handler. The text is
// always zero-terminated. When the buffer fills, a spill function given at
// construction receives what was built so far and the buffer starts over;
// without one, further text is dropped and overflowed() answers true.
class CSignalSafeText {
public:
    // Receives the `size` characters built so far (no terminating zero) and
    // answers whether it took them; after a refusal nothing more is spilled.
    using Spill = bool (*)(void* context, const char* data, std::size_t size);

    // `size` must be at least 1.
    CSignalSafeText(char* buffer, std::size_t size);
    CSignalSafeText(char* buffer, std::size_t size, Spill spill, void* context);
    CSignalSafeText(const CSignalSafeText&) = delete;
    CSignalSafeText& operator=(const CSignalSafeText&) = delete;

    CSignalSafeText& text(const char* text);
    CSignalSafeText& bytes(const char* data, std::size_t count);
    CSignalSafeText& character(char c);
    CSignalSafeText& decimal(long long value);
    // "0x" and exactly `digits` lowercase hexadecimal digits (1 to 16).
    CSignalSafeText& hex(uint64_t value, int digits = 16);

    // Hands what is buffered to the spill function, if there is one.
    void flush();
    // Empties the buffer; a dropped character is forgotten too.
    void clear();

    [[nodiscard]] const char* c_str() const { return m_buffer; }
    [[nodiscard]] std::size_t length() const { return m_used; }
    // True once a character was dropped for want of room, or the spill
    // function refused the text.
    [[nodiscard]] bool overflowed() const { return m_overflowed; }

private:
    char* m_buffer;
    std::size_t m_size;
    std::size_t m_used = 0;
    Spill m_spill = nullptr;
    void* m_context = nullptr;
    bool m_overflowed = false;
};
