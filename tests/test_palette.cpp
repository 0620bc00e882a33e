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

TEST_F(Palette, ReferenceEntriesAndBlackColumn)
{
    struct { const int* p; int row, col, want; } entries[] = {
        {paletti1, 0, 128, 0xFE52}, {paletti1, 0, 255, 0xFFFF}, {paletti1, 32, 128, 0xFFD2}, {paletti1, 63, 64, 0x64A9},
        {paletti2, 0, 128, 0x7FD5}, {paletti2, 32, 128, 0x7EBA}, {paletti2, 63, 64, 0x3ACF},
        {paletti2, 63, 255, 0xFFFF},
        {paletti3, 0, 128, 0x7BFF}, {paletti3, 32, 128, 0xABFC}, {paletti3, 63, 64, 0x69EC},
        {paletti3, 0, 255, 0xFFDF},  // red ends at 249, green at 62 of 63
    };
    for (auto e : entries) EXPECT_EQ(e.p[e.row * 256 + e.col], e.want) << e.row << "," << e.col;
    for (const int* p : {paletti1, paletti2, paletti3}) {
        for (int row = 0; row < 64; row++) EXPECT_EQ(p[row * 256], 0) << "row " << row;
        for (int i = 0; i < 16384; i++) ASSERT_EQ(p[i] >> 16, 0) << i;
    }
}

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

TEST_F(Palette, HueStaysInItsRowsAndMovesSmoothly)
{
    auto [lo, hi] = std::minmax_element(hue, hue + 64000);
    EXPECT_EQ(*lo, 12);
    EXPECT_EQ(*hi, 57);
    for (int y = 0; y < 200; y++)
        for (int x = 0; x < 320; x++) {
            const int v = hue[y * 320 + x];
            ASSERT_LE(std::abs(v - hue[y * 320 + std::max(x - 1, 0)]), 1) << x << "," << y;
            ASSERT_LE(std::abs(v - hue[std::max(y - 1, 0) * 320 + x]), 1) << x << "," << y;
        }
}

// After an intended change, check the picture and paste the values printed.
TEST_F(Palette, GoldenChecksums)
{
    EXPECT_EQ(checksumof(hue, 64000), 0x982e604f08b16648ull) << "hue changed";
    EXPECT_EQ(checksumof(paletti1, 16384), 0x90c1c3511147a90aull) << "paletti1 changed";
    EXPECT_EQ(checksumof(paletti2, 16384), 0xeead0adf0802ffc4ull) << "paletti2 changed";
    EXPECT_EQ(checksumof(paletti3, 16384), 0xac27f0596745ac65ull) << "paletti3 changed";
}
