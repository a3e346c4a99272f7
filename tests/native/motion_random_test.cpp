// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "effect/motion.h"

TEST(RandomGenerator, SeedOneSequence)
{
    RandomGenerator generator;
    seedGenerator(&generator, 1);
    const int expected[] = {41, 18467, 6334, 26500, 19169};
    for (int value : expected)
        EXPECT_EQ(drawRandom(&generator), value);
}

// An unseeded generator starts from state 1, so it gives the seed-1 sequence.
TEST(RandomGenerator, InitialStateIsOne)
{
    RandomGenerator generator = {initialRandomState};
    EXPECT_EQ(drawRandom(&generator), 41);
    EXPECT_EQ(drawRandom(&generator), 18467);
}

TEST(RandomGenerator, StateAdvancesModulo2To32)
{
    RandomGenerator generator;
    seedGenerator(&generator, 0xFFFFFFFFu);
    const int value = drawRandom(&generator);
    // 0xFFFFFFFF * 214013 + 2531011 = 2531011 - 214013 (mod 2^32) = 2316998
    EXPECT_EQ(generator.state, 2316998u);
    EXPECT_EQ(value, int((2316998u >> 16) & 0x7FFF));
}

// Bit 31 of the state never reaches the result.
TEST(RandomGenerator, ResultDropsTopBit)
{
    RandomGenerator generator;
    // A seed whose next state has bit 31 set: state' = seed * 214013 + 2531011.
    uint32_t seed = 0;
    for (;; ++seed) {
        if (((seed * 214013u + 2531011u) >> 31) != 0)
            break;
    }
    seedGenerator(&generator, seed);
    const int value = drawRandom(&generator);
    EXPECT_GE(value, 0);
    EXPECT_LE(value, 32767);
    EXPECT_EQ(uint32_t(value), (generator.state >> 16) & 0x7FFFu);
    EXPECT_NE(generator.state >> 31, 0u);
}

TEST(RandomGenerator, SeedReplacesState)
{
    RandomGenerator first;
    RandomGenerator second;
    seedGenerator(&first, 1234567);
    seedGenerator(&second, 99);
    drawRandom(&second);
    seedGenerator(&second, 1234567);
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(drawRandom(&first), drawRandom(&second));
}
