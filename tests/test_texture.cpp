// test_texture.cpp: the start-up textures, the height-map expansion and the
// relief maps.
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include "colour/texture.h"
#include "core/buffers.h"
#include "core/random.h"

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

// 64 x 64 packed heights, low nibble first.
static void pack(unsigned char* dst, int (*height)(int r, int c))
{
    for (int r = 0; r < 64; r++)
        for (int b = 0; b < 32; b++)
            dst[r * 32 + b] = static_cast<unsigned char>((height(r, 2 * b) & 15) | (height(r, 2 * b + 1) & 15) << 4);
}

// A test relief with a smooth swell, a plateau with sharp edges and a few
// single spikes: fixed here, independent of any data file.
static int testrelief(int r, int c)
{
    int swell = (r * c + 3 * r + 5 * c) % 7;
    bool plateau = r >= 20 && r < 36 && c >= 10 && c < 30;
    bool spike = (r * 13 + c * 7) % 61 == 0;
    return plateau ? 15 : spike ? 12 : swell;
}

// Largest step between horizontally neighbouring texels, inside the map
// and across the seam from column 255 to column 0.
static void colsteps(const unsigned char* m, int* inside, int* seam)
{
    *inside = *seam = 0;
    for (int y = 0; y < 256; y++) {
        for (int x = 0; x < 255; x++) *inside = std::max(*inside, std::abs(m[y * 256 + x + 1] - m[y * 256 + x]));
        *seam = std::max(*seam, std::abs(m[y * 256] - m[y * 256 + 255]));
    }
}

class Textures : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        buildtables();
        resetrand();
        precalcmappi();
    }
};

TEST_F(Textures, ConsumeExactly99328Draws)
{
    int after = tormel::rand();
    resetrand();
    for (int i = 0; i < 99328; i++) tormel::rand();
    EXPECT_EQ(after, tormel::rand());
    resetrand();
    precalcmappi();
}

TEST_F(Textures, ValueRanges)
{
    auto [lo1, hi1] = std::minmax_element(mappi1, mappi1 + 65536);
    auto [lo3, hi3] = std::minmax_element(mappi3, mappi3 + 65536);
    auto hi2 = std::max_element(mappi2, mappi2 + 65536);
    EXPECT_EQ(*lo1, 1) << "mappi1 must hold no 0";
    EXPECT_EQ(*lo3, 1) << "mappi3 must hold no 0";
    // The light of scenes 4 and 5 stays inside its curve only while the
    // ball's texels stay below 162.
    EXPECT_EQ(*hi1, 147);
    EXPECT_LE(*hi3, 191);
    EXPECT_LE(*hi2, 127);
    EXPECT_GT(*hi2, 64);  // the contrast stretch spreads the cloud
}

TEST_F(Textures, PoleRowSamplesOnePoint)
{
    for (int x = 1; x < 256; x++) {
        ASSERT_EQ(mappi1[x], mappi1[0]) << x;
        ASSERT_EQ(mappi3[x], mappi3[0]) << x;
    }
}

TEST_F(Textures, WrapWithoutASeam)
{
    int inside, seam;
    for (const unsigned char* m : {mappi1, mappi2, mappi3}) {
        colsteps(m, &inside, &seam);
        EXPECT_LE(seam, inside) << "texture " << (m == mappi1 ? 1 : m == mappi2 ? 2 : 3);
    }
    // The cloud also wraps from the last row to the first.
    int rowseam = 0, rowinside = 0;
    for (int x = 0; x < 256; x++) {
        rowseam = std::max(rowseam, std::abs(mappi2[x] - mappi2[255 * 256 + x]));
        for (int y = 0; y < 255; y++)
            rowinside = std::max(rowinside, std::abs(mappi2[(y + 1) * 256 + x] - mappi2[y * 256 + x]));
    }
    EXPECT_LE(rowseam, rowinside);
}

// After an intended change, check the pictures and paste the values the
// failure prints.
TEST_F(Textures, GoldenChecksums)
{
    EXPECT_EQ(fnv1a(nbuf, 1024), 0xa362920du) << "nbuf changed";
    EXPECT_EQ(fnv1a(mappi1, 65536), 0x9b1fe904u) << "mappi1 changed";
    EXPECT_EQ(fnv1a(mappi2, 65536), 0xbea57d3au) << "mappi2 changed";
    EXPECT_EQ(fnv1a(mappi3, 65536), 0xf4f2c7bbu) << "mappi3 changed";
}

// ---- height-map expansion ----------------------------------------------------

TEST(Domap, FlatSourceGivesAFlatMap)
{
    static unsigned char src[2048], out[65536];
    for (int h = 0; h < 16; h++) {
        std::memset(src, h * 17, sizeof src);
        for (int rez : {2, 0}) {
            std::memset(out, 99, sizeof out);
            std::fill(temppi, temppi + 65536, 12345678);
            domap(src, out, rez);
            if (rez == 0) {
                // No interpolation: only the known samples are expanded.
                for (int r = 0; r < 256; r += 4)
                    for (int c = 0; c < 256; c += 4) ASSERT_EQ(out[r * 256 + c], 16 * h) << r << "," << c;
                continue;
            }
            for (int i = 0; i < 65536; i++) ASSERT_EQ(out[i], 16 * h) << "height " << h << " at " << i;
        }
    }
}

TEST(Domap, TilesWithoutASeam)
{
    // Turning the source round by one byte (two samples) and one row turns
    // the map round by 8 columns and 4 rows, and changes nothing else.
    static unsigned char src[2048], moved[2048], out[65536], out2[65536];
    pack(src, testrelief);
    pack(moved, [](int r, int c) { return testrelief((r + 1) & 63, (c + 2) & 63); });
    domap(src, out, 2);
    domap(moved, out2, 2);
    for (int r = 0; r < 256; r++)
        for (int c = 0; c < 256; c++)
            ASSERT_EQ(out2[r * 256 + c], out[((r + 4) & 255) * 256 + ((c + 8) & 255)]) << r << "," << c;
}

TEST(Domap, SmoothsTheKnownSamplesAndClampsTheOvershoot)
{
    static unsigned char src[2048], out[65536];
    pack(src, testrelief);
    domap(src, out, 2);
    int moved = 0;
    for (int r = 0; r < 64; r++)
        for (int c = 0; c < 64; c++) moved += out[r * 4 * 256 + c * 4] != 16 * testrelief(r, c);
    EXPECT_GT(moved, 1000);
    // The plateau (height 15, 240) rings at its edges: above it the kernel
    // overshoots past 255 and is cut there, below the foot past 0.
    EXPECT_EQ(*std::max_element(out, out + 65536), 255);
    EXPECT_EQ(*std::min_element(out, out + 65536), 0);
    EXPECT_EQ(out[(28 * 4) * 256 + 20 * 4], 240);  // the plateau's middle stays flat
}

// ---- relief maps ---------------------------------------------------------------

class Relief : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        buildtables();
        resetrand();
        precalcmappi();
    }
};

TEST_F(Relief, FlatReliefRevealsTheCloudBackwards)
{
    std::memset(kohokuva, 0, sizeof kohokuva);
    std::memset(kohokuva, 0x99, 2048);
    precalcrelief();
    for (int i = 0; i < 65536; i++) {
        ASSERT_EQ(ufomap[i], 144) << i;
        ASSERT_EQ(uforeika[i], (144 * mappi2[(32768 - i) & 65535]) >> 8) << i;
    }
    EXPECT_EQ(uforeika[0], (144 * mappi2[32768]) >> 8);
    EXPECT_EQ(uforeika[32768], (144 * mappi2[0]) >> 8);
    EXPECT_EQ(uforeika[65535], (144 * mappi2[32769]) >> 8);
}

// After an intended change, check the maps and paste the values the
// failure prints.
TEST_F(Relief, GoldenChecksums)
{
    std::memset(kohokuva, 0, sizeof kohokuva);
    pack(kohokuva, testrelief);
    precalcrelief();
    // The cloud is at most 127, so the reveal map never exceeds half the relief.
    for (int i = 0; i < 65536; i++) ASSERT_LE(2 * uforeika[i], ufomap[i]) << i;
    EXPECT_EQ(fnv1a(ufomap, 65536), 0x289593c3u) << "ufomap changed";
    EXPECT_EQ(fnv1a(uforeika, 65536), 0x922129c6u) << "uforeika changed";
}
