// test_palette.cpp: the three palettes and the hue map.
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include "colour/palette.h"
#include "core/buffers.h"

using namespace tormel;

// FNV-1a golden values that change with any byte; ints are hashed as their
// four bytes low first, whatever the machine's byte order.
static uint32_t fnv1a(const unsigned char* b, size_t n)
{
    uint32_t h = 2166136261u;
    for (size_t i = 0; i < n; i++) h = (h ^ b[i]) * 16777619u;
    return h;
}
static uint32_t fnv1a(const int* v, size_t n)
{
    uint32_t h = 2166136261u;
    for (size_t i = 0; i < n; i++)
        for (int k = 0; k < 32; k += 8) h = (h ^ ((uint32_t(v[i]) >> k) & 255)) * 16777619u;
    return h;
}

class Palette : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        buildtables();
        precalcipaskaa();
    }
    static int at(const int* p, int row, int col) { return p[row * 256 + col]; }
};

TEST_F(Palette, ReferenceEntries)
{
    EXPECT_EQ(at(paletti1, 0, 128), 0xFE52);
    EXPECT_EQ(at(paletti1, 0, 255), 0xFFFF);
    EXPECT_EQ(at(paletti1, 32, 128), 0xFFD2);
    EXPECT_EQ(at(paletti1, 63, 64), 0x64A9);

    EXPECT_EQ(at(paletti2, 0, 128), 0x7FD5);
    EXPECT_EQ(at(paletti2, 32, 128), 0x7EBA);
    EXPECT_EQ(at(paletti2, 63, 64), 0x3ACF);
    EXPECT_EQ(at(paletti2, 63, 255), 0xFFFF);

    EXPECT_EQ(at(paletti3, 0, 128), 0x7BFF);
    EXPECT_EQ(at(paletti3, 0, 255), 0xFFDF);  // red ends at 249, green at 62 of 63
    EXPECT_EQ(at(paletti3, 32, 128), 0xABFC);
    EXPECT_EQ(at(paletti3, 63, 64), 0x69EC);
}

TEST_F(Palette, ColumnZeroIsBlackAndHighHalvesAreZero)
{
    for (const int* p : {paletti1, paletti2, paletti3}) {
        for (int row = 0; row < 64; row++) EXPECT_EQ(at(p, row, 0), 0) << "row " << row;
        for (int i = 0; i < 16384; i++) ASSERT_EQ(p[i] >> 16, 0) << i;
    }
}

TEST_F(Palette, SlopeSetsTheRamp)
{
    // One channel at a time, read back from the packed entry.
    static int p[16384];
    // Slope 512 is the identity; 1200 saturates from column 109 on; 500 ends at 249.
    teepaljetti(p, 512, 1200, 500, 0, 0, 0);
    for (int j = 0; j < 256; j++) {
        ASSERT_EQ(p[j] >> 11, j >> 3) << j;
        ASSERT_EQ((p[j] >> 5) & 63, (j * 1200 >> 9 > 255 ? 255 : j * 1200 >> 9) >> 2) << j;
        ASSERT_EQ(p[j] & 31, (j * 500 >> 9) >> 3) << j;
    }
    EXPECT_EQ((p[108] >> 5) & 63, 253 >> 2);
    EXPECT_EQ((p[109] >> 5) & 63, 63);
    // Rows step their slopes; a negative slope is black, not garbage.
    teepaljetti(p, 0, 0, 0, -100, 8.125f, 1000);
    for (int j = 0; j < 256; j++) ASSERT_EQ(p[63 * 256 + j] >> 11, 0) << j;
    EXPECT_EQ((p[64 * 256 - 1] >> 5) & 63, 63);  // slope 511: 255 * 511 >> 9 = 254
    EXPECT_EQ(p[1 * 256 + 255] & 31, 31);
    // Slopes far beyond any table still saturate cleanly.
    teepaljetti(p, 1e9f, -1e9f, 3e4f, 0, 0, 0);
    EXPECT_EQ(p[0], 0);
    for (int j = 1; j < 256; j++) ASSERT_EQ(p[j], 0xF800 | (j * 30000 >> 9 > 255 ? 31 : (j * 30000 >> 9) >> 3)) << j;
}

TEST_F(Palette, HueStaysInItsRowsAndMovesSmoothly)
{
    int lo = 255, hi = 0;
    for (int y = 0; y < 200; y++) {
        for (int x = 0; x < 320; x++) {
            int v = hue[y * 320 + x];
            lo = std::min(lo, v);
            hi = std::max(hi, v);
            if (x > 0) {
                ASSERT_LE(std::abs(v - hue[y * 320 + x - 1]), 1) << x << "," << y;
            }
            if (y > 0) {
                ASSERT_LE(std::abs(v - hue[(y - 1) * 320 + x]), 1) << x << "," << y;
            }
        }
    }
    EXPECT_EQ(lo, 12);
    EXPECT_EQ(hi, 57);
}

// After an intended change, check the picture and paste the values the
// failure prints.
TEST_F(Palette, GoldenChecksums)
{
    EXPECT_EQ(fnv1a(hue, 64000), 0xd1444948u) << "hue changed";
    EXPECT_EQ(fnv1a(paletti1, 16384), 0x85147b4au) << "paletti1 changed";
    EXPECT_EQ(fnv1a(paletti2, 16384), 0xdbad0de4u) << "paletti2 changed";
    EXPECT_EQ(fnv1a(paletti3, 16384), 0x64606d85u) << "paletti3 changed";
}
