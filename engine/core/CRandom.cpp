#include "engine/core/CRandom.h"

#include <utility>

namespace {

constexpr uint32_t kDefaultSeed = 5489;
constexpr uint32_t kDefaultW = 689345928;
constexpr uint32_t kDefaultZ = 953463420;
constexpr uint32_t kShift = 397;

// Values of w that the multiply-with-carry step maps onto themselves: seeded
// with one of them the fast generator's low half would never change.
bool isStuckW(uint32_t w) { return w == 0 || w == 0x464FFFFFu; }

} // namespace

CRandom::CRandom() {
    seed(kDefaultSeed);
    m_w = kDefaultW;
    m_z = kDefaultZ;
}

void CRandom::seed(uint32_t seed) {
    m_state[0] = seed;
    for (uint32_t i = 1; i < kStateSize; ++i)
        m_state[i] = i + 1812433253u * (m_state[i - 1] ^ (m_state[i - 1] >> 30));
    m_index = kStateSize;
    m_w = isStuckW(seed) ? kDefaultW : seed;
}

void CRandom::regenerate() {
    for (uint32_t i = 0; i < kStateSize; ++i) {
        const uint32_t y = (m_state[i] & 0x80000000u) | (m_state[(i + 1) % kStateSize] & 0x7FFFFFFFu);
        m_state[i] = m_state[(i + kShift) % kStateSize] ^ (y >> 1) ^ ((y & 1u) ? 0x9908B0DFu : 0u);
    }
    m_index = 0;
}

uint32_t CRandom::next() {
    if (m_index >= kStateSize)
        regenerate();
    uint32_t y = m_state[m_index++];
    y ^= y >> 11;
    y ^= (y << 7) & 0x9D2C5680u;
    y ^= (y << 15) & 0xEFC60000u;
    y ^= y >> 18;
    return y;
}

uint32_t CRandom::nextFast() {
    m_z = 36969u * (m_z & 0xFFFFu) + (m_z >> 16);
    m_w = 18000u * (m_w & 0xFFFFu) + (m_w >> 16);
    return (m_z << 16) + m_w;
}

float CRandom::nextFastFloat() {
    constexpr double kScale = 1.0 / 4294967296.0;
    return static_cast<float>(static_cast<double>(nextFast()) * kScale);
}

int CRandom::nextInRange(int min, int max) {
    int64_t low = min;
    int64_t high = max;
    if (low == high + 1)
        return min;
    if (low > high)
        std::swap(low, high);
    // The span is 1 to 2^32; a span of 2^32 (the whole int range) takes the
    // draw as it is rather than dividing by a wrapped 0.
    const uint64_t span = static_cast<uint64_t>(high - low) + 1;
    const uint64_t draw = nextFast();
    const uint64_t offset = draw % span;
    return static_cast<int>(static_cast<uint32_t>(static_cast<uint64_t>(low) + offset));
}
