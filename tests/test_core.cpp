// SPDX-License-Identifier: MIT
// test_core.cpp: the shared arithmetic rules: wrapping 32-bit operations and
// the x86-style truncating conversion.
#include <gtest/gtest.h>
#include <climits>
#include <cmath>
#include "core/arith.h"

using namespace tormel;

TEST(Arith, WrapLikeTwosComplementAndTruncateLikeX86)
{
    EXPECT_EQ(wadd(INT_MAX, 1), INT_MIN);
    EXPECT_EQ(wsub(INT_MIN, 1), INT_MAX);
    EXPECT_EQ(wmul(0x10001, 0x10001), 0x20001);  // 2^32 + 2^17 + 1 wraps to 2^17 + 1
    EXPECT_EQ(wshl(1, 31), INT_MIN);
    EXPECT_EQ(wshl(0x40000001, 2), 4);
    EXPECT_EQ(trunc32(2.7), 2);
    EXPECT_EQ(trunc32(-2.7), -2);
    EXPECT_EQ(trunc32(2147483647.9), INT_MAX);
    EXPECT_EQ(trunc32(-2147483648.9), INT_MIN);
    for (double x : {2147483648.0, -2147483649.0, 1e300, double(INFINITY), -double(INFINITY), double(NAN)})
        EXPECT_EQ(trunc32(x), INT_MIN) << x;
}
