#pragma once

#include "engine/core/CRefCounted.h"

#include <array>
#include <cstdint>

// The process's random numbers: a Mersenne Twister (MT19937) for the
// engine's own choices and a fast multiply-with-carry pair for the game's
// many draws. Both are deterministic for a given seed.
class CRandom : public CRefCounted {
public:
    // Seeded with 5489, the twister's customary default.
    CRandom();

    // Reseeds the twister with `seed` and the w word of the fast pair with it
    // (z keeps its value). The two seeds on which w would stand still (0 and
    // 0x464FFFFF) give w its constructed value instead.
    void seed(uint32_t seed);

    // Next output of the twister.
    [[nodiscard]] uint32_t next();

    // Next output of the multiply-with-carry pair.
    [[nodiscard]] uint32_t nextFast();

    // One fast draw scaled into [0, 1].
    [[nodiscard]] float nextFastFloat();

    // A fast draw in [min, max]. The empty range min = max + 1 answers min
    // without drawing; bounds given the wrong way round are swapped.
    [[nodiscard]] int nextInRange(int min, int max);

private:
    static constexpr uint32_t kStateSize = 624;

    void regenerate();

    std::array<uint32_t, kStateSize> m_state{};
    uint32_t m_index = kStateSize;
    uint32_t m_w = 0;
    uint32_t m_z = 0;
};
