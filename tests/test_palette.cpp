// SPDX-License-Identifier: MIT
// test_palette.cpp: the three palettes and the hue map.
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdlib>
#include "colour/palette.h"
#include "core/checksum.h"

using namespace tormel;

class Palette : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        precalcipaskaa();
    }
};

// Rows step their slopes; a negative slope is black, not garbage, and slopes
// far beyond any table still saturate cleanly.
TEST_F(Palette, SlopesOutOfRangeSaturate)
{
    static int p[16384];
    teepaljetti(p, 0, 0, 0, -100, 8.125f, 1000);
    for (int j = 0; j < 256; j++) ASSERT_EQ(p[63 * 256 + j] >> 11, 0) << j;
    EXPECT_EQ((p[64 * 256 - 1] >> 5) & 63, 63);  // slope 511: 255 * 511 >> 9 = 254
    EXPECT_EQ(p[1 * 256 + 255] & 31, 31);
    teepaljetti(p, 1e9f, -1e9f, 3e4f, 0, 0, 0);
    EXPECT_EQ(p[0], 0);
    for (int j = 1; j < 256; j++) ASSERT_EQ(p[j], 0xF800 | (std::min(255, j * 30000 >> 9) >> 3)) << j;
}

// After an intended change, check the picture and paste the values printed.
TEST_F(Palette, GoldenChecksums)
{
    EXPECT_EQ(checksumof(hue, 64000), 0x982e604f08b16648ull) << "hue changed";
    EXPECT_EQ(checksumof(paletti1, 16384), 0x90c1c3511147a90aull) << "paletti1 changed";
    EXPECT_EQ(checksumof(paletti2, 16384), 0xeead0adf0802ffc4ull) << "paletti2 changed";
    EXPECT_EQ(checksumof(paletti3, 16384), 0xac27f0596745ac65ull) << "paletti3 changed";
}
