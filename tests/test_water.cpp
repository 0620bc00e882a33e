// SPDX-License-Identifier: MIT
// The water: the ripple step and box pass against modulo-everywhere
// references, the start-up field, and the plane's shading against a per-pixel
// closed form that wraps the field itself, with hits beyond the int range.
#include <gtest/gtest.h>
#include "core/arith.h"
#include "core/checksum.h"
#include "core/random.h"
#include "core/vecmath.h"
#include "water/water.h"
#include "water/waterplane.h"
#include <climits>
#include <cmath>
#include <cstring>
#include <random>

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

static Vesi field[FIELDSTORE];
static unsigned char out[64000];
static watergrid grid;

struct Lights { int m1y, m1z, m2y, m2z; };

static Lights lightsfor(float posy, float posz, float vx, float vy)
{
    const double ly = -double(posy) - vx, lz = -double(posz) - vy;
    auto at = [](double scale, double l) { return trunc32(scale * l + 32768); };
    return {at(16384, ly), at(16384, lz), at(32768, ly), at(32768, lz)};
}

// One pixel from its block's corners in closed form (x steps of a row whose
// step grew by ddU per row), the field read modulo 65536, no guard row; a
// block is lit or not by its first corner alone.
static int refpixel(int x, int y, Lights L)
{
    const int q = (y / 8) * 41 + x / 8, ry = y % 8, rx = x % 8;
    auto lerp = [&](const int* g) {
        const int d1 = wsub(g[q + 1], g[q]) >> 3, d2 = wsub(g[q + 41], g[q]) >> 3;
        const int dd = wsub(wsub(g[q + 42], g[q + 41]) >> 3, d1) >> 3;
        return wadd(wadd(g[q], wmul(ry, d2)), wmul(rx, wadd(d1, wmul(ry, dd))));
    };
    auto in = [](int v, int m) { return wsub(4096, m) <= v && v <= wsub(61440, m); };
    const bool spot = in(grid.y[q] >> 8, L.m1y) && in(grid.z[q] >> 8, L.m1z);
    if (!spot && !(in(grid.y[q] >> 9, L.m2y) && in(grid.z[q] >> 9, L.m2z))) return 0;
    const int u = lerp(grid.y), v = lerp(grid.z), c = ((u >> 16) & 255) * 256 + ((v >> 16) & 255);
    const int gy = wsub(field[(c + 256) & 65535].r, field[c].r), gz = wsub(field[(c + 1) & 65535].r, field[c].r);
    auto look = [](const unsigned char* m, int row, int col) { return int(m[(row & 0xff00) + ((col >> 8) & 255)]); };
    const int e = look(enviglow, wadd(wadd(u >> 9, wmul(32, gy)), L.m2y), wadd(wadd(v >> 9, wmul(32, gz)), L.m2z));
    if (!spot) return e;
    return rtbl[e + look(envispot, wadd(wadd(u >> 8, wmul(64, gy)), L.m1y), wadd(wadd(v >> 8, wmul(64, gz)), L.m1z))];
}

class WaterPlane : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        resetrand();
        vesiprekalk();  // the light maps
    }
    static inline const vector scene = normalised({1, 0.5f, 0});  // the water scene's up
    static int px(int x, int y) { return out[y * 320 + x]; }
    static int mismatches(Lights L)
    {
        int bad = 0;
        for (int i = 0; i < 64000; i++) bad += out[i] != refpixel(i % 320, i / 320, L);
        return bad;
    }
};

TEST_F(WaterPlane, MatchesPerPixelReference)
{
    const float views[][4] = {  // posy, posz, vx, vy
        {0.3f, 0, -0.6f, 0}, {-0.21f, 0.42f, 0.42f, -0.84f}, {0.05f, -0.55f, -0.1f, 1.1f},
        {2.5f, -1.5f, 0, 0},  // far off: rays toward -x, mostly empty blocks
    };
    std::mt19937 g(7);
    std::uniform_int_distribution<int> d(-5000, 5000);
    for (const auto& w : views) {
        for (int k = 0; k < 65536; k++) field[k] = {d(g), d(g)};
        for (int c = 65536; c < 65792; c++) field[c] = {123456, 0};  // stale guard row
        teevesitaso(out, field, scene, 9.0f, w[0], w[1], w[2], w[3]);
        vesiverkko(&grid, field, scene, 9.0f, w[0], w[1]);
        EXPECT_EQ(mismatches(lightsfor(w[0], w[1], w[2], w[3])), 0) << "posy " << w[0];
    }
    // Slopes far out of range on the first view's grid: the index sums wrap.
    vesiverkko(&grid, field, scene, 9.0f, 0.3f, 0);
    std::uniform_int_distribution<int> big(-(1 << 30), 1 << 30);
    for (int k = 0; k < 65536; k++) field[k] = {big(g), 0};
    for (int c = 0; c < 256; c++) field[65536 + c] = field[c];
    const Lights L = lightsfor(0.3f, 0, -0.6f, 0);
    vesilohkot(out, grid, field, L.m1y, L.m1z, L.m2y, L.m2z);
    EXPECT_EQ(mismatches(L), 0) << "huge slopes";
}

TEST_F(WaterPlane, HitsBeyondTheIntRangeStoreIntMin)
{
    // Looking along -y with up near +x, the middle grid row's rays run along
    // the plane: with posx = 9.5 their X is exactly 0 (not a number), with
    // 9.4999 it is 1e-4 and the hit lies thousands of units away. Those first
    // corners become INT_MIN and their blocks stay black.
    std::memset(field, 0, sizeof field);
    for (float posx : {9.5f, 9.4999f}) {
        std::memset(out, 77, sizeof out);
        teevesitaso(out, field, {1, 0, 0}, posx, 1, 0, 0, 0);
        vesiverkko(&grid, field, {1, 0, 0}, posx, 1, 0);
        for (int k = 0; k < 41; k++) ASSERT_EQ(grid.y[13 * 41 + k], INT_MIN) << posx;
        for (int i = 104 * 320; i < 112 * 320; i++) ASSERT_EQ(out[i], 0) << posx;
        EXPECT_NE(grid.y[12 * 41 + 20], INT_MIN);  // the row above meets x = -10
    }
}
