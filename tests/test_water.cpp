// SPDX-License-Identifier: MIT
// Ripple field: the step against a modulo-everywhere reference and its edge
// neighbours, the box pass, the start-up field's draws and scale, light maps.
#include <gtest/gtest.h>
#include <cmath>
#include <cstring>
#include <random>
#include "core/arith.h"
#include "core/checksum.h"
#include "core/random.h"
#include "water/water.h"

using namespace tormel;

static Vesi src[FIELDSTORE], dst[FIELDSTORE], ref[FIELDSTORE];

static void fill(Vesi* f, int lim, unsigned seed)
{
    std::mt19937 g(seed);
    std::uniform_int_distribution<int> d(-lim, lim);
    for (int k = 0; k < 65536; k++) f[k] = {d(g), d(g)};
}

static bool same(const Vesi* a, const Vesi* b) { return std::memcmp(a, b, 65536 * sizeof(Vesi)) == 0; }

TEST(WaterStep, MatchesModuloReferenceAndWrapsOnTheFlatIndex)
{
    // The step as defined, every neighbour index taken mod 65536; 1 << 29
    // drives every product far out of range, where the results must still agree.
    for (int lim : {5000, 1 << 29}) {
        fill(src, lim, unsigned(lim));
        for (float aika : {0.001f, 0.05f, -0.2f, 1.7f, -3.0f}) {
            for (int c = 65536; c < 65792; c++) dst[c] = {-7, 7};
            teevesiefekti(src, dst, aika);
            const int A = trunc32(4096.0 * std::sin(16.0 * aika)), B = trunc32(4096.0 * std::cos(16.0 * aika));
            for (int k = 0; k < 65536; k++) {
                auto i = [&](int o) { return src[(k + o) & 65535].i; };
                const int n = wadd(wadd(i(-1), i(1)), wadd(i(-256), i(256)));
                ref[k].r = wsub(wmul(wmul(32, B), src[k].r), wmul(A, wadd(wmul(28, src[k].i), n))) >> 17;
                ref[k].i = wadd(wmul(wmul(32, B), src[k].i), wmul(wmul(32, A), src[k].r)) >> 17;
            }
            EXPECT_TRUE(same(dst, ref)) << "lim " << lim << " aika " << aika;
            EXPECT_EQ(dst[65791].r, -7) << "guard row written";
        }
    }
    fill(src, 16383, 1);  // a zero step copies exactly
    teevesiefekti(src, dst, 0.0f);
    EXPECT_TRUE(same(src, dst));
}

TEST(WaterBox, WrapsAtTheLastCellAndRoundsDown)
{
    fill(src, 40000, 3);
    boxpass(src, dst);
    for (int k = 0; k < 65536; k++) {
        auto at = [&](int o) { return src[(k + o) & 65535]; };
        ASSERT_EQ(dst[k].r, (at(0).r + at(1).r + at(256).r + at(257).r + 2) >> 2) << k;
        ASSERT_EQ(dst[k].i, (at(0).i + at(1).i + at(256).i + at(257).i + 2) >> 2) << k;
    }
}

static void draws(int n)
{
    resetrand();
    for (int k = 0; k < n; k++) tormel::rand();
}

TEST(WaterPrecalc, StartingFieldDrawsScaleAndChecksum)
{
    draws(99328);  // the real start-up: the textures draw 99328 values first
    vesiprekalk();
    const int next = tormel::rand();
    const uint64_t sum = checksumof(&vesi1[0].r, 2 * 65536);  // cells 0..65535, r then i
    double sq = 0;
    int peak = 0;
    for (int k = 0; k < 65536; k++)
        for (int v : {vesi1[k].r, vesi1[k].i}) sq += double(v) * v, peak = std::max(peak, std::abs(v));
    EXPECT_NEAR(std::sqrt(sq / 131072), 1100, 200);  // rms
    EXPECT_LT(peak, 6000);
    EXPECT_EQ(sum, 0x2fefb12aa40bbca0ull) << "vesi1 changed";
    // It continues the generator and takes 8 draws a cell.
    draws(99328 + 8 * 65536);
    EXPECT_EQ(tormel::rand(), next);
}
