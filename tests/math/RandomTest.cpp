#include <gtest/gtest.h>

#include "math/Random.h"

#include <cmath>

TEST(NextRandom, KnownSequenceFromStateOne)
{
    int32_t state = 1;
    EXPECT_EQ(346, NextRandom(state, 360));
    EXPECT_EQ(22695477, state);
    EXPECT_EQ(152, NextRandom(state, 360));
    EXPECT_EQ(2133350137, state);
}

TEST(NextRandom, ZeroStateStaysZeroAndZeroBoundAnswersZero)
{
    int32_t state = 0;
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(0, NextRandom(state, 1000));
    EXPECT_EQ(0, state);
    state = 1;
    EXPECT_EQ(0, NextRandom(state, 0));
    EXPECT_EQ(22695477, state); // the state still moves on
}

TEST(NextRandom, ResultTakesTheSignOfTheNewState)
{
    int32_t state = 12345;
    bool sawNegative = false;
    for (int i = 0; i < 1000; ++i)
    {
        int32_t r = NextRandom(state, 1000);
        EXPECT_LT(r, 1000);
        EXPECT_GT(r, -1000);
        // Same value as floor-shifting the state and taking the C remainder.
        EXPECT_EQ(static_cast<int32_t>(std::floor(state / 65536.0)) % 1000, r);
        if (r < 0)
            sawNegative = true;
    }
    EXPECT_TRUE(sawNegative);
}
