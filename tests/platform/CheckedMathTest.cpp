#include "platform/CheckedMath.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

TEST(CheckedMath, RoundingGoesToEvenAndChecksTheRange)
{
    EXPECT_EQ(RoundToInt(2.5), 2);
    EXPECT_EQ(RoundToInt(3.5), 4);
    EXPECT_EQ(RoundToInt(-2.5), -2);
    EXPECT_EQ(RoundToInt(2147483647.0), 2147483647);
    EXPECT_THROW(RoundToInt(2147483648.0), ERangeError);
    EXPECT_THROW(RoundToInt(NAN), ERangeError);
    EXPECT_THROW(RoundToInt64(1e19), ERangeError);
    EXPECT_THROW(TruncToInt(-3e9), ERangeError);
    EXPECT_EQ(TruncToInt(-2.9), -2);
    EXPECT_EQ(RoundSaturated(1e12), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(RoundSaturated(NAN, -1), -1);
}

TEST(CheckedMath, IntegerOverflowRaises)
{
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    EXPECT_THROW(CheckedAdd(kMax, 1), EIntOverflow);
    EXPECT_THROW(CheckedSub(-kMax - 1, 1), EIntOverflow);
    EXPECT_THROW(CheckedMul(65536, 65536), EIntOverflow);
    EXPECT_THROW(CheckedAbs(-kMax - 1), EIntOverflow);
    EXPECT_EQ(CheckedAdd(2, 3), 5);
}

TEST(CheckedMath, MulDivRoundsHalvesAwayFromZero)
{
    EXPECT_EQ(MulDiv(12, 96, 144), 8);
    EXPECT_EQ(MulDiv(3, 1, 2), 2);
    EXPECT_EQ(MulDiv(-3, 1, 2), -2);
    EXPECT_EQ(MulDiv(1, 1, 0), -1);
    EXPECT_EQ(MulDiv(2147483647, 2147483647, 1), -1);
}
