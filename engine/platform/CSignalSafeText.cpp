#include "engine/platform/CSignalSafeText.h"

CSignalSafeText::CSignalSafeText(char* buffer, std::size_t size) : CSignalSafeText(buffer, size, nullptr, nullptr) {}

CSignalSafeText::CSignalSafeText(char* buffer, std::size_t size, Spill spill, void* context)
    : m_buffer(buffer), m_size(size), m_spill(spill), m_context(context) {
    m_buffer[0] = '\0';
}

CSignalSafeText& CSignalSafeText::character(char c) {
    if (m_used + 1 >= m_size) {
        flush();
        if (m_used + 1 >= m_size) {
            m_overflowed = true;
            return *this;
        }
    }
    m_buffer[m_used++] = c;
    m_buffer[m_used] = '\0';
    return *this;
}

CSignalSafeText& CSignalSafeText::text(const char* text) {
    for (; *text; ++text)
        character(*text);
    return *this;
}

CSignalSafeText& CSignalSafeText::bytes(const char* data, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i)
        character(data[i]);
    return *this;
}

CSignalSafeText& CSignalSafeText::decimal(long long value) {
    char digits[24];
    int count = 0;
    // Negated as unsigned, so the most negative value has a magnitude too.
    unsigned long long magnitude =
        value < 0 ? 0ull - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
    do {
        digits[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude);
    if (value < 0)
        character('-');
    while (count)
        character(digits[--count]);
    return *this;
}

CSignalSafeText& CSignalSafeText::hex(uint64_t value, int digits) {
    if (digits < 1)
        digits = 1;
    if (digits > 16)
        digits = 16;
    text("0x");
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
        character("0123456789abcdef"[(value >> shift) & 0xF]);
    return *this;
}

void CSignalSafeText::flush() {
    if (!m_spill || m_used == 0)
        return;
    if (!m_overflowed && !m_spill(m_context, m_buffer, m_used))
        m_overflowed = true;
    m_used = 0;
    m_buffer[0] = '\0';
}

void CSignalSafeText::clear() {
    m_used = 0;
    m_buffer[0] = '\0';
    m_overflowed = false;
}
