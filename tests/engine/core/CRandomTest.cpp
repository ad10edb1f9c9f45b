#include "engine/core/CRandom.h"

#include "engine/core/CRefHandle.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <vector>

namespace {

// The fast pair's first outputs from its constructed words (w 689345928,
// z 953463420), worked out by hand from the multiply-with-carry step.
const uint32_t kConstructedFast[] = {1455559574u, 658525170u, 2199448833u, 3677907755u, 2461958280u};

std::vector<uint32_t> drawFast(CRandom& random, size_t count) {
    std::vector<uint32_t> values;
    for (size_t i = 0; i < count; ++i)
        values.push_back(random.nextFast());
    return values;
}

} // namespace

TEST(CRandom, DefaultSeedGivesThePublishedSequence) {
    CRefHandle<CRandom> random(new CRandom);
    const uint32_t published[] = {3499211612u, 581869302u,  3890346734u, 3586334585u, 545404204u,
                                  4161255391u, 3922919429u, 949333985u,  2715962298u, 1323567403u};
    for (uint32_t expected : published)
        EXPECT_EQ(random->next(), expected);
    // The 10000th output for the default seed.
    for (int i = 11; i < 10000; ++i)
        (void)random->next();
    EXPECT_EQ(random->next(), 4123659995u);
}

TEST(CRandom, TwisterMatchesTheStandardEngineForAnySeed) {
    for (uint32_t seed : {0u, 1u, 5489u, 19650218u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(seed);
        CRefHandle<CRandom> random(new CRandom);
        (void)random->next();
        random->seed(seed);
        std::mt19937 reference(seed);
        // Crosses two regenerations of the state block.
        for (int i = 0; i < 1300; ++i)
            ASSERT_EQ(random->next(), reference()) << i;
    }
}

TEST(CRandom, FastPairIsFixedFromConstruction) {
    CRefHandle<CRandom> a(new CRandom);
    CRefHandle<CRandom> b(new CRandom);
    EXPECT_EQ(drawFast(*a, 5), std::vector<uint32_t>(std::begin(kConstructedFast), std::end(kConstructedFast)));
    EXPECT_EQ(drawFast(*b, 1000), [&] {
        CRefHandle<CRandom> c(new CRandom);
        return drawFast(*c, 1000);
    }());
    // The twister does not disturb the fast pair.
    CRefHandle<CRandom> d(new CRandom);
    (void)d->next();
    EXPECT_EQ(d->nextFast(), kConstructedFast[0]);
}

TEST(CRandom, SeedSetsWAndKeepsZ) {
    CRefHandle<CRandom> random(new CRandom);
    random->seed(12345);
    EXPECT_EQ(drawFast(*random, 3), (std::vector<uint32_t>{988719056u, 1341546046u, 2283771255u}));
}

TEST(CRandom, SeedsThatWouldFreezeWFallBackToItsConstructedValue) {
    // With w = 0 (or 0x464FFFFF) the step maps w onto itself and every draw
    // would have the same low half: coin flips would all land the same way.
    for (uint32_t seed : {0u, 0x464FFFFFu}) {
        SCOPED_TRACE(seed);
        CRefHandle<CRandom> random(new CRandom);
        random->seed(seed);
        EXPECT_EQ(drawFast(*random, 5),
                  std::vector<uint32_t>(std::begin(kConstructedFast), std::end(kConstructedFast)));
        int heads = 0;
        for (int i = 0; i < 200; ++i)
            heads += random->nextInRange(0, 1);
        EXPECT_GT(heads, 50);
        EXPECT_LT(heads, 150);
    }
}

TEST(CRandom, NextFastFloatScalesOneDrawIntoTheUnitInterval) {
    CRefHandle<CRandom> random(new CRandom);
    EXPECT_FLOAT_EQ(random->nextFastFloat(), 0.33889887f);
    EXPECT_FLOAT_EQ(random->nextFastFloat(), 0.15332484f);
    for (int i = 0; i < 10000; ++i) {
        const float value = random->nextFastFloat();
        ASSERT_GE(value, 0.0f);
        ASSERT_LE(value, 1.0f);
    }
}

TEST(CRandom, NextInRangeTakesOneDrawModuloTheSpan) {
    const uint32_t first = kConstructedFast[0];
    const struct {
        const char* what;
        int min;
        int max;
        int expected;
        bool draws;
    } cases[] = {
        {"empty range", 3, 2, 3, false},
        {"single value", 5, 5, 5, true},
        {"small range", 10, 20, static_cast<int>(10 + first % 11), true},
        {"negative range", -7, -3, static_cast<int>(-7 + static_cast<int>(first % 5)), true},
        {"whole int range", INT_MIN, INT_MAX, static_cast<int>(0x80000000u + first), true},
        {"all but one", INT_MIN, INT_MAX - 1, static_cast<int>(0x80000000u + first % 0xFFFFFFFFu), true},
        {"bounds swapped", 20, 10, static_cast<int>(10 + first % 11), true},
        {"whole range swapped", INT_MAX, INT_MIN, static_cast<int>(0x80000000u + first), true},
        {"empty at the top", INT_MAX, INT_MAX - 1, INT_MAX, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CRefHandle<CRandom> random(new CRandom);
        EXPECT_EQ(random->nextInRange(c.min, c.max), c.expected);
        EXPECT_EQ(random->nextFast(), kConstructedFast[c.draws ? 1 : 0]);
    }
}

TEST(CRandom, NextInRangeStaysInsideItsBounds) {
    CRefHandle<CRandom> random(new CRandom);
    const struct {
        int low;
        int high;
    } ranges[] = {{0, 1}, {-3, 3}, {100, 105}, {INT_MAX - 2, INT_MAX}, {INT_MIN, INT_MIN + 2}, {9, -9}};
    for (const auto& r : ranges) {
        SCOPED_TRACE(::testing::Message() << r.low << ".." << r.high);
        const int lo = std::min(r.low, r.high);
        const int hi = std::max(r.low, r.high);
        bool sawLow = false;
        bool sawHigh = false;
        for (int i = 0; i < 500; ++i) {
            const int value = random->nextInRange(r.low, r.high);
            ASSERT_GE(value, lo);
            ASSERT_LE(value, hi);
            sawLow |= value == lo;
            sawHigh |= value == hi;
        }
        EXPECT_TRUE(sawLow);
        EXPECT_TRUE(sawHigh);
    }
}
