// Ripple field: the step against a modulo-everywhere reference, its edge
// neighbours and turning direction, the box pass, the start-up field's draws
// and scale, and the light maps.
#include <gtest/gtest.h>
#include "core/arith.h"
#include "core/buffers.h"
#include "core/random.h"
#include "water/water.h"
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>

using namespace tormel;

namespace {

Vesi src[65792], dst[65792], ref[65792];

void fill(Vesi* f, int lim, unsigned seed)
{
    std::mt19937 g(seed);
    std::uniform_int_distribution<int> d(-lim, lim);
    for (int k = 0; k < 65536; k++) {
        f[k].r = d(g);
        f[k].i = d(g);
    }
}

bool samefield(const Vesi* a, const Vesi* b)
{
    return std::memcmp(a, b, 65536 * sizeof(Vesi)) == 0;
}

// The step straight from its definition, every neighbour index mod 65536.
void refstep(const Vesi* s, Vesi* d, float aika)
{
    double th = 16.0 * aika;
    int A = trunc32(4096.0 * std::sin(th)), B = trunc32(4096.0 * std::cos(th));
    int G = wmul(32, B), H = wmul(32, A);
    for (int k = 0; k < 65536; k++) {
        auto nb = [&](int o) { return s[(k + o) & 65535].i; };
        int n = wadd(wadd(nb(-1), nb(1)), wadd(nb(-256), nb(256)));
        d[k].r = wsub(wmul(G, s[k].r), wmul(A, wadd(wmul(28, s[k].i), n))) >> 17;
        d[k].i = wadd(wmul(G, s[k].i), wmul(H, s[k].r)) >> 17;
    }
}

void drawn(int n)
{
    for (int k = 0; k < n; k++) tormel::rand();
}

constexpr int TEXTUREDRAWS = 99328;  // what the texture precalculation draws first

} // namespace

TEST(WaterStep, MatchesModuloReference)
{
    // 1 << 29 drives every product far out of range: the runs must still agree.
    for (int lim : {5000, 1 << 29}) {
        fill(src, lim, unsigned(lim));
        for (float aika : {0.001f, 0.05f, -0.2f, 1.7f, -3.0f}) {
            for (int c = 65536; c < 65792; c++) dst[c] = src[c] = {-7, 7};
            teevesiefekti(src, dst, aika);
            refstep(src, ref, aika);
            EXPECT_TRUE(samefield(dst, ref)) << "lim " << lim << " aika " << aika;
            for (int c = 65536; c < 65792; c++) ASSERT_EQ(dst[c].r, -7) << "guard row written";
        }
    }
}

TEST(WaterStep, ZeroStepCopiesExactly)
{
    fill(src, 16383, 1);
    teevesiefekti(src, dst, 0.0f);
    EXPECT_TRUE(samefield(src, dst));
}

TEST(WaterStep, NegativeStepTurnsTheOtherWay)
{
    // With i = 0 the imaginary part is sin * r alone: opposite signs for
    // opposite steps (up to the shift's rounding), the real parts equal.
    fill(src, 5000, 2);
    for (int k = 0; k < 65536; k++) src[k].i = 0;
    teevesiefekti(src, dst, 0.03f);
    teevesiefekti(src, ref, -0.03f);
    for (int k = 0; k < 65536; k++) {
        ASSERT_EQ(dst[k].r, ref[k].r) << k;
        int sum = dst[k].i + ref[k].i;
        ASSERT_TRUE(sum == 0 || sum == -1) << k;
        if (src[k].r > 100) {
            ASSERT_GT(dst[k].i, 0) << k;
        }
    }
}

TEST(WaterStep, EdgeCellsWrapOnTheFlatIndex)
{
    // An impulse in i reaches the real part of exactly its four neighbours.
    // aika 0.05: A = trunc(4096 sin 0.8) = 2938.
    const int near = (-2938 * 4096) >> 17;
    struct Case { int p; int nb[4]; };
    const Case cases[] = {
        {65535, {65534, 0, 65279, 255}},  // right -> cell 0, below -> row 0
        {0, {65535, 1, 65280, 256}},      // left -> cell 65535, above -> row 255
        {65285, {65284, 65286, 65029, 5}},
    };
    for (const Case& cs : cases) {
        std::memset(src, 0, sizeof src);
        src[cs.p].i = 4096;
        teevesiefekti(src, dst, 0.05f);
        int touched = 0;
        for (int k = 0; k < 65536; k++) {
            if (dst[k].r == 0) continue;
            touched++;
            bool isnb = false;
            for (int n : cs.nb) isnb |= n == k;
            if (k == cs.p) {
                EXPECT_EQ(dst[k].r, (-2938 * 28 * 4096) >> 17);
            } else {
                EXPECT_TRUE(isnb && dst[k].r == near) << "impulse " << cs.p << " cell " << k;
            }
        }
        EXPECT_EQ(touched, 5) << "impulse " << cs.p;
    }
}

TEST(WaterBox, WrapsAtTheLastCellAndMatchesReference)
{
    std::memset(src, 0, sizeof src);
    src[65535] = {3, -3};
    src[0] = {4, -4};
    src[255] = {8, -8};
    src[256] = {-1, 1};
    boxpass(src, dst);
    EXPECT_EQ(dst[65535].r, (3 + 4 + 8 - 1 + 2) >> 2);
    EXPECT_EQ(dst[65535].i, (-3 - 4 - 8 + 1 + 2) >> 2);  // -3: toward minus infinity

    fill(src, 40000, 3);
    boxpass(src, dst);
    for (int k = 0; k < 65536; k++) {
        auto at = [&](int o) { return src[(k + o) & 65535]; };
        ASSERT_EQ(dst[k].r, (at(0).r + at(1).r + at(256).r + at(257).r + 2) >> 2) << k;
        ASSERT_EQ(dst[k].i, (at(0).i + at(1).i + at(256).i + at(257).i + 2) >> 2) << k;
    }
}

TEST(WaterPrecalc, ContinuesTheGeneratorAndDraws524288)
{
    resetrand();
    drawn(TEXTUREDRAWS);
    vesiprekalk();
    int next = tormel::rand();
    std::memcpy(ref, vesi1, 65536 * sizeof(Vesi));

    resetrand();
    drawn(TEXTUREDRAWS + 4 * 65536 + 4 * 65536);
    EXPECT_EQ(tormel::rand(), next);

    // Fewer preceding draws give another field.
    resetrand();
    vesiprekalk();
    EXPECT_FALSE(samefield(ref, vesi1));
}

TEST(WaterPrecalc, StartingFieldScaleAndChecksum)
{
    resetrand();
    drawn(TEXTUREDRAWS);
    vesiprekalk();
    double sq = 0;
    int peak = 0;
    uint32_t h = 2166136261u;  // FNV-1a over r, i of cells 0..65535
    for (int k = 0; k < 65536; k++) {
        for (int v : {vesi1[k].r, vesi1[k].i}) {
            sq += double(v) * v;
            peak = std::max(peak, std::abs(v));
            for (int b = 0; b < 4; b++) h = (h ^ ((unsigned(v) >> (8 * b)) & 255)) * 16777619u;
        }
    }
    double rms = std::sqrt(sq / 131072);
    EXPECT_GT(rms, 900);
    EXPECT_LT(rms, 1500);
    EXPECT_LT(peak, 6500);
    EXPECT_EQ(h, 364030080u);
    std::printf("start field: rms %.1f, peak %d\n", rms, peak);
}

TEST(WaterPrecalc, LightMaps)
{
    buildtables();  // envi3 goes through the clamp table
    resetrand();
    vesiprekalk();
    auto at = [](const unsigned char* m, int x, int y) { return int(m[y * 256 + x]); };
    EXPECT_EQ(at(envi, 127, 127), 255);
    EXPECT_EQ(at(envi, 128, 128), 255);
    EXPECT_EQ(at(envi2, 127, 127), 111);
    EXPECT_EQ(at(envi2, 128, 128), 111);
    EXPECT_EQ(at(envi3, 128, 128), 128);
    EXPECT_EQ(at(envi3, 159, 128), 4);
    EXPECT_EQ(at(envi3, 160, 128), 0);
    EXPECT_EQ(at(envi3, 128 + 23, 128 + 23), 0);  // distance 32.5
    EXPECT_EQ(at(envi, 0, 0), 0);
    EXPECT_EQ(at(envi2, 255, 0), 0);
    // envi and envi2 are symmetric about 127.5, envi3 about 128.
    for (int y = 0; y < 256; y++) {
        for (int x = 0; x < 256; x++) {
            ASSERT_EQ(at(envi, x, y), at(envi, 255 - x, y));
            ASSERT_EQ(at(envi2, x, y), at(envi2, x, 255 - y));
            if (x > 0 && y > 0) {
                ASSERT_EQ(at(envi3, x, y), at(envi3, 256 - y, x));
            }
        }
    }
}
