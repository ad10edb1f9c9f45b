#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

// The index of the first element at which `a` and `b` differ among their
// first `n`, or `n` when they agree. Compares eight bytes at a time; the
// string orderings use it to skip the common prefix of two texts.
template <class Char> [[nodiscard]] inline uint32_t firstDifference(const Char* a, const Char* b, uint32_t n) {
    constexpr uint32_t perWord = sizeof(uint64_t) / sizeof(Char);
    uint32_t i = 0;
    for (; i + perWord <= n; i += perWord) {
        uint64_t x;
        uint64_t y;
        std::memcpy(&x, a + i, sizeof x);
        std::memcpy(&y, b + i, sizeof y);
        if (x != y) {
            const uint64_t bits = x ^ y;
            const int byte = std::endian::native == std::endian::little ? std::countr_zero(bits) / 8
                                                                         : std::countl_zero(bits) / 8;
            return i + static_cast<uint32_t>(byte) / sizeof(Char);
        }
    }
    while (i < n && a[i] == b[i])
        ++i;
    return i;
}
