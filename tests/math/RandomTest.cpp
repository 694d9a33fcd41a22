#include <gtest/gtest.h>

#include "math/Random.h"

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

TEST(NextRandom, NegativeStateGivesANegativeResult)
{
    // -22695477 shifted arithmetically is -347, and the remainder keeps the sign.
    int32_t state = -1;
    EXPECT_EQ(-347, NextRandom(state, 360));
    EXPECT_EQ(-22695477, state);
}
