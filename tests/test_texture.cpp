// SPDX-License-Identifier: MIT
// test_texture.cpp: the start-up textures, the height-map expansion and the
// relief maps.
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>
#include "colour/texture.h"
#include "core/checksum.h"
#include "core/random.h"
#include "relief/relief.h"

using namespace tormel;

// 64 x 64 packed heights, low nibble first.
static void pack(unsigned char* dst, int (*height)(int r, int c))
{
    for (int i = 0; i < 2048; i++) {
        const int r = i / 32, c = i % 32 * 2;
        dst[i] = static_cast<unsigned char>((height(r, c) & 15) | (height(r, c + 1) & 15) << 4);
    }
}

// A test relief with a smooth swell, a plateau with sharp edges and a few
// single spikes: fixed here, independent of any data file.
static int testrelief(int r, int c)
{
    const bool plateau = r >= 20 && r < 36 && c >= 10 && c < 30, spike = (r * 13 + c * 7) % 61 == 0;
    return plateau ? 15 : spike ? 12 : (r * c + 3 * r + 5 * c) % 7;
}

class Textures : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        resetrand();
        precalcmappi();
    }
};

TEST_F(Textures, DrawsRangesAndSeamlessWrap)
{
    const int after = tormel::rand();
    resetrand();
    for (int i = 0; i < 99328; i++) tormel::rand();
    EXPECT_EQ(after, tormel::rand());
    // No 0 in the ball's textures; the light of scenes 4 and 5 stays inside
    // its curve only while the ball's texels stay below 162.
    EXPECT_EQ(*std::min_element(mappi1, mappi1 + 65536), 1);
    EXPECT_EQ(*std::min_element(mappi3, mappi3 + 65536), 1);
    EXPECT_EQ(*std::max_element(mappi1, mappi1 + 65536), 147);
    EXPECT_LE(*std::max_element(mappi3, mappi3 + 65536), 191);
    const int hi2 = *std::max_element(mappi2, mappi2 + 65536);
    EXPECT_TRUE(hi2 > 64 && hi2 <= 127) << hi2;  // the contrast stretch spreads the cloud
    // The step across the seam from column 255 to 0 (and for the cloud from
    // row 255 to 0) is no larger than the steps inside.
    for (const unsigned char* m : {mappi1, mappi2, mappi3}) {
        int step[2][2] = {};  // [along a row, down a column][inside, across the seam]
        for (int i = 0; i < 65536; i++) {
            const int x = i & 255, right = m[(i & 0xff00) | ((x + 1) & 255)], below = m[(i + 256) & 65535];
            step[0][x == 255] = std::max(step[0][x == 255], std::abs(right - m[i]));
            step[1][i >= 65280] = std::max(step[1][i >= 65280], std::abs(below - m[i]));
        }
        EXPECT_LE(step[0][1], step[0][0]) << "texture " << (m == mappi1 ? 1 : m == mappi2 ? 2 : 3);
        if (m == mappi2) {
            EXPECT_LE(step[1][1], step[1][0]);
        }
    }
}

// After an intended change, check the pictures and paste the values printed.
TEST_F(Textures, GoldenChecksums)
{
    EXPECT_EQ(checksumof(nbuf, 1024), 0x0f010cc92eacc72dull) << "nbuf changed";
    EXPECT_EQ(checksumof(mappi1, 65536), 0x5de3d2c195961504ull) << "mappi1 changed";
    EXPECT_EQ(checksumof(mappi2, 65536), 0x8989b0cdd1a0c51aull) << "mappi2 changed";
    EXPECT_EQ(checksumof(mappi3, 65536), 0x0e1eac05edf90e9bull) << "mappi3 changed";
}

TEST(Domap, TilesWithoutASeamSmoothsAndClamps)
{
    // Turning the source round by one byte (two samples) and one row turns
    // the map round by 8 columns and 4 rows, and changes nothing else.
    static unsigned char src[2048], moved[2048], out[65536], out2[65536];
    pack(src, testrelief);
    pack(moved, [](int r, int c) { return testrelief((r + 1) & 63, (c + 2) & 63); });
    domap(src, out);
    domap(moved, out2);
    for (int i = 0; i < 65536; i++) ASSERT_EQ(out2[i], out[(((i >> 8) + 4) & 255) * 256 + ((i + 8) & 255)]) << i;
    // The known samples move; the plateau (height 15, 240) rings at its
    // edges: above it the kernel overshoots past 255 and is cut there, below
    // the foot past 0. The plateau's middle stays flat.
    int moves = 0;
    for (int i = 0; i < 4096; i++) moves += out[i / 64 * 4 * 256 + i % 64 * 4] != 16 * testrelief(i / 64, i % 64);
    EXPECT_GT(moves, 1000);
    EXPECT_EQ(*std::max_element(out, out + 65536), 255);
    EXPECT_EQ(*std::min_element(out, out + 65536), 0);
    EXPECT_EQ(out[(28 * 4) * 256 + 20 * 4], 240);
}

TEST_F(Textures, ReliefMaps)
{
    // A flat relief reveals the cloud backwards.
    std::vector<unsigned char> packed(RELIEFBYTES, 0x99);
    loadrelief(packed.data(), packed.size());
    for (int i = 0; i < 65536; i++) {
        ASSERT_EQ(ufomap[i], 144) << i;
        ASSERT_EQ(uforeika[i], (144 * mappi2[(32768 - i) & 65535]) >> 8) << i;
    }
    // After an intended change, check the maps and paste the values printed.
    // The cloud is at most 127, so the reveal map never exceeds half the relief.
    pack(packed.data(), testrelief);
    loadrelief(packed.data(), packed.size());
    for (int i = 0; i < 65536; i++) ASSERT_LE(2 * uforeika[i], ufomap[i]) << i;
    EXPECT_EQ(checksumof(ufomap, 65536), 0x4222c64bcd177e83ull) << "ufomap changed";
    EXPECT_EQ(checksumof(uforeika, 65536), 0xc0e2091b81379d66ull) << "uforeika changed";
}
