// SPDX-License-Identifier: MIT
// Water plane: the shading against a per-pixel closed-form reference that
// wraps the field itself, the lights on a flat field, out-of-range hits and
// the height look-up's orientation.
#include <gtest/gtest.h>
#include <climits>
#include <cstring>
#include <random>
#include "core/arith.h"
#include "core/random.h"
#include "core/vecmath.h"
#include "water/water.h"
#include "water/waterplane.h"

using namespace tormel;

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
