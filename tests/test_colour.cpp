// SPDX-License-Identifier: MIT
// Colour: the palettes and their golden checksums, the shaded composite
// against a plain per-pixel loop, the glow, box and smear filters against
// plain passes, the start-up textures and relief maps, and the bound the
// light curves keep for the fast passes.
#include <gtest/gtest.h>
#include "colour/composite.h"
#include "colour/filters.h"
#include "colour/palette.h"
#include "colour/texture.h"
#include "core/arith.h"
#include "core/checksum.h"
#include "core/random.h"
#include "raygrid/polar.h"
#include "relief/relief.h"
#include "scenes/common.h"
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

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

// The composite as one plain loop, one pixel at a time.
static void reference(uint16_t* dest, const unsigned char* src, const unsigned char* plasma, const int* paletti, int br)
{
    for (int i = 0; i < 64000; i++) {
        const int c = std::clamp(int((src[i] * int64_t(std::max(br, 0))) >> 16), 0, 255);
        dest[i] = uint16_t(paletti[plasma[i] * 256 + c]);
    }
}

class Composite : public ::testing::Test {
protected:
    static unsigned char src[64000];
    static uint16_t frame[320 * 240];

    static void SetUpTestSuite()
    {
        precalcipaskaa();
        // Every intensity first, then bytes in no particular order, so a
        // swapped pair, row or band shows up.
        for (int i = 0; i < 64000; i++) src[i] = static_cast<unsigned char>(i < 256 ? i : (i * 2654435761u) >> 24);
    }
    // Composite into rows 20..219 of a frame whose other rows hold a marker.
    static void run(const int* paletti, int br)
    {
        std::fill(frame, frame + 320 * 240, 0xBEEF);
        teeharmaastavari(frame + 6400, src, hue, paletti, br);
        for (int i = 0; i < 6400; i++) {
            ASSERT_EQ(frame[i], 0xBEEF) << "row above the picture written at " << i;
            ASSERT_EQ(frame[70400 + i], 0xBEEF) << "row below the picture written at " << i;
        }
    }
};
unsigned char Composite::src[64000];
uint16_t Composite::frame[320 * 240];

TEST_F(Composite, EveryPathMatchesThePlainLoop)
{
    // Entries distinct in their low 16 bits, and noise in the high halves,
    // which are not colour.
    static int pal[16384], noisy[16384];
    static uint16_t want[64000];
    for (int i = 0; i < 16384; i++) pal[i] = (i * 40503) & 0xffff, noisy[i] = pal[i] | int(0x5A5A0000u);
    for (const int* p : {pal, noisy, paletti1})
        for (int br : {65536, 0, 1, 32768, 40000, 65535, 65537, 98304, 131072, 8421504, 2000000000, -65536}) {
            reference(want, src, hue, p, br);
            run(p, br);
            for (int i = 0; i < 64000; i++)
                ASSERT_EQ(frame[6400 + i], want[i]) << "br " << br << " pixel (" << i % 320 << ", " << i / 320 << ")";
        }
}

namespace {

class Filters : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        buildlightcurves();
        prekalkutsjon();
    }
};

std::vector<unsigned char> randombytes(size_t n, unsigned seed)
{
    std::mt19937 g(seed);
    std::vector<unsigned char> p(n);
    for (auto& b : p) b = (unsigned char)(g() & 255);
    return p;
}

} // namespace

TEST_F(Filters, BoxAveragesTheUnfilteredWindowOnly)
{
    const auto orig = randombytes(256000, 7);
    static unsigned char cv[256000];
    std::memcpy(cv, orig.data(), 256000);
    const int xmov = 320, ymov = 200;  // the far corner: the window and its neighbours just fit
    plordbuf(cv + ymov * 640 + xmov);
    for (int q = 0; q < 256000; q++) {
        const int x = q % 640, y = q / 640;
        const bool in = x >= xmov && x < xmov + 319 && y >= ymov && y < ymov + 199;
        const int want = in ? (orig[q] + orig[q + 1] + orig[q + 640] + orig[q + 641]) >> 2 : orig[q];
        ASSERT_EQ(cv[q], want) << x << "," << y;
    }
}

TEST_F(Filters, FastSmearsMatchThePlainOne)
{
    // Values small, large enough to make the products wrap, the whole range
    // the vector chains take with its two ends side by side (and one value
    // just outside it late in the pass), and light rising into a flat
    // stretch, where the exact chain settles one below the flat value while
    // a chain started inside the stretch stays on it. Strides and strengths
    // of the scenes, odd ones, and strides with no partner at all.
    std::mt19937 g(5);
    std::vector<std::vector<int>> inputs;
    auto add = [&](auto value) {
        inputs.emplace_back(65536);
        for (int k = 0; k < 65536; k++) inputs.back()[size_t(k)] = value(k);
    };
    for (int64_t r : {16384, 1 << 20, 1 << 30}) add([&](int) { return int(int64_t(g() % (2 * r)) - r / 4); });
    for (bool outside : {false, true})
        add([&](int k) {
            return k >= 30000 && k < 30064 ? (k & 1) * 32767 : outside && k == 65000 ? 32768 : int(g() % 32768);
        });
    // Out of that range only in the few cells each pass takes one by one
    // before its chains begin.
    add([&](int k) {
        return (k >= 1 && k <= 3) || (k >= 65532 && k <= 65534) ? 65535 : k == 4 || k == 65531 ? 0 : int(g() % 32768);
    });
    for (bool rising : {false, true})
        add([&](int k) { return k >= 60000 && k < 60100 ? 5000 : (k < 20000) == rising ? 0 : 100; });
    for (const auto& in : inputs)
        for (int delta : {-512, 1, -1, -513, -511, 2, -3, 15, -16, 17, 700, -65535, 65535, 65536, -70000, 0})
            for (int p : {62000, 32000, 35000, 52000, 65536, 8, -4000, 90000}) {
                auto a = in, b = in;
                blur2(a.data(), delta, p);
                blur2ref(b.data(), delta, p);
                ASSERT_EQ(a, b) << "delta " << delta << " p " << p << " first " << in[0];
            }
    // Sampling and the first smear in one pass, and both stride-one smears in
    // one call, against the separate plain passes.
    const auto pic = randombytes(640 * 400, 9);
    std::vector<int> fused(65536), plain(65536);
    for (const int* curve : {samplecurve, ufosamplecurve})
        for (int delta : {-512, -513, -511, -16, -4, -1, 3, -65536, -70000})
            for (int p : {62000, 52000, 65536, 0, 70000, 131068}) {
                radiaalismear(pic.data(), curve, fused.data(), delta, p);
                for (int i = 0; i < 65536; i++) plain[size_t(i)] = curve[pic[size_t(radiaali[i])]];
                blur2ref(plain.data(), delta, p);
                ASSERT_TRUE(fused == plain) << delta << " " << p;
            }
    for (int p : {32000, 35000, 65535, 65536, 70000, -4000, 0}) {
        for (size_t i = 0; i < 65536; i++) fused[i] = plain[i] = ufosamplecurve[pic[i]] + (i % 7 == 0 ? 3000 : 0);
        blur2spiral(fused.data(), p);
        blur2ref(plain.data(), 1, p);
        blur2ref(plain.data(), -1, p);
        ASSERT_TRUE(fused == plain) << p;
    }
}

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

TEST(Tables, SampleCurvesStayBelowTheFastPathsBound)
{
    buildlightcurves();
    // The light passes take the fast paths only while every light value
    // stays below 32768; ufosamplecurve dips through the mid greys first.
    for (int h = 1; h < 256; h++) {
        ASSERT_GE(samplecurve[h], samplecurve[h - 1]) << h;
        ASSERT_LT(samplecurve[h], 16384) << h;
        ASSERT_LT(ufosamplecurve[h], 16384) << h;
    }
}
