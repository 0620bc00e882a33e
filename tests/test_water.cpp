// Ripple field: the step against a modulo-everywhere reference and its edge
// neighbours, the box pass, the start-up field's draws and scale, light maps.
#include <gtest/gtest.h>
#include "core/arith.h"
#include "core/buffers.h"
#include "core/random.h"
#include "water/water.h"
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>

using namespace tormel;

static Vesi src[65792], dst[65792], ref[65792];

static void fill(Vesi* f, int lim, unsigned seed)
{
    std::mt19937 g(seed);
    std::uniform_int_distribution<int> d(-lim, lim);
    for (int k = 0; k < 65536; k++) f[k] = {d(g), d(g)};
}

static bool same(const Vesi* a, const Vesi* b)
{
    return std::memcmp(a, b, 65536 * sizeof(Vesi)) == 0;
}

// The step as defined: every neighbour index taken mod 65536.
static void refstep(const Vesi* s, Vesi* d, float aika)
{
    int A = trunc32(4096.0 * std::sin(16.0 * aika)), B = trunc32(4096.0 * std::cos(16.0 * aika));
    int G = wmul(32, B), H = wmul(32, A);
    for (int k = 0; k < 65536; k++) {
        auto i = [&](int o) { return s[(k + o) & 65535].i; };
        int n = wadd(wadd(i(-1), i(1)), wadd(i(-256), i(256)));
        d[k].r = wsub(wmul(G, s[k].r), wmul(A, wadd(wmul(28, s[k].i), n))) >> 17;
        d[k].i = wadd(wmul(G, s[k].i), wmul(H, s[k].r)) >> 17;
    }
}

TEST(WaterStep, MatchesModuloReference)
{
    // 1 << 29 drives every product far out of range: the results must still agree.
    for (int lim : {5000, 1 << 29}) {
        fill(src, lim, unsigned(lim));
        for (float aika : {0.001f, 0.05f, -0.2f, 1.7f, -3.0f}) {
            for (int c = 65536; c < 65792; c++) dst[c] = {-7, 7};
            teevesiefekti(src, dst, aika);
            refstep(src, ref, aika);
            EXPECT_TRUE(same(dst, ref)) << "lim " << lim << " aika " << aika;
            EXPECT_EQ(dst[65791].r, -7) << "guard row written";
        }
    }
    fill(src, 16383, 1);  // a zero step copies exactly
    teevesiefekti(src, dst, 0.0f);
    EXPECT_TRUE(same(src, dst));
}

TEST(WaterStep, NeighboursWrapOnTheFlatIndex)
{
    // An impulse in i at cell 65535 reaches the real part of cell 0 (its
    // right neighbour) and of cell 255 (below it, in row 0), and no others
    // than its four neighbours. aika 0.05: A = trunc(4096 sin 0.8) = 2938.
    std::memset(src, 0, sizeof src);
    src[65535].i = 4096;
    teevesiefekti(src, dst, 0.05f);
    for (int k = 0; k < 65536; k++) {
        bool nb = k == 65534 || k == 0 || k == 65279 || k == 255;
        int want = k == 65535 ? (-2938 * 28 * 4096) >> 17 : nb ? (-2938 * 4096) >> 17 : 0;
        ASSERT_EQ(dst[k].r, want) << k;
    }
}

TEST(WaterBox, WrapsAtTheLastCell)
{
    std::memset(src, 0, sizeof src);
    src[65535] = {3, -3};
    src[0] = {4, -4};
    src[255] = {8, -8};
    src[256] = {-1, 1};
    boxpass(src, dst);
    EXPECT_EQ(dst[65535].r, (3 + 4 + 8 - 1 + 2) >> 2);
    EXPECT_EQ(dst[65535].i, -3);  // (-14 + 2) >> 2: toward minus infinity

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

// The real start-up: the texture precalculation draws 99328 values first.
static void startfield(int before)
{
    draws(before);
    vesiprekalk();
}

TEST(WaterPrecalc, ContinuesTheGeneratorAndDraws524288)
{
    startfield(99328);
    int next = tormel::rand();
    std::memcpy(ref, vesi1, sizeof ref);
    draws(99328 + 8 * 65536);
    EXPECT_EQ(tormel::rand(), next);
    startfield(0);
    EXPECT_FALSE(same(ref, vesi1));
}

TEST(WaterPrecalc, StartingFieldScaleAndChecksum)
{
    startfield(99328);
    double sq = 0;
    int peak = 0;
    uint32_t h = 2166136261u;  // FNV-1a over cells 0..65535, each int low byte first
    for (int k = 0; k < 65536; k++)
        for (int v : {vesi1[k].r, vesi1[k].i})
            for (int s = 0; s < 32; s += 8) h = (h ^ ((uint32_t(v) >> s) & 0xff)) * 16777619u;
    for (int k = 0; k < 65536; k++) {
        for (int v : {vesi1[k].r, vesi1[k].i}) {
            sq += double(v) * v;
            peak = std::max(peak, std::abs(v));
        }
    }
    EXPECT_NEAR(std::sqrt(sq / 131072), 1100, 200);  // rms
    EXPECT_LT(peak, 6000);
    EXPECT_EQ(h, 364030080u);
}

TEST(WaterPrecalc, LightMaps)
{
    buildtables();  // envi3 goes through the clamp table
    startfield(0);
    auto at = [](const unsigned char* m, int x, int y) { return int(m[y * 256 + x]); };
    EXPECT_EQ(at(envi, 127, 127), 255);
    EXPECT_EQ(at(envi, 128, 128), 255);
    EXPECT_EQ(at(envi, 0, 0), 0);
    EXPECT_EQ(at(envi2, 127, 127), 111);
    EXPECT_EQ(at(envi2, 128, 128), 111);
    EXPECT_EQ(at(envi2, 255, 0), 0);
    EXPECT_EQ(at(envi3, 128, 128), 128);
    EXPECT_EQ(at(envi3, 159, 128), 4);
    EXPECT_EQ(at(envi3, 128, 160), 0);
    EXPECT_EQ(at(envi3, 151, 151), 0);  // distance 32.5
    for (int y = 0; y < 256; y++)  // centred on 127.5
        for (int x = 0; x < 256; x++) ASSERT_EQ(at(envi, x, y), at(envi, 255 - y, 255 - x));
}
