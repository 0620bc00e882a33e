// SPDX-License-Identifier: MIT
// The tube variant: depth brightness, the two texture mappings of a hit, the
// five-field interpolation with its wrapping products, and whole frames.
#include <gtest/gtest.h>
#include <climits>
#include <random>
#include "raygrid/raycokes.h"
#include "raygrid/raylocal.h"
#include "raygrid/tube.h"
#include "raygrid_testing.h"

using namespace tormel;
using namespace rgtest;

static unsigned char map1[65536], map2[65536];

// The tube pixel from first principles: 64-bit arithmetic reduced to 32 bits
// where the renderer wraps.
static int tubepixel(const gridfx* g, int r, int k, int vs)
{
    auto field = [&](int gridfx::*f, int s) { return stepped(g[0].*f, g[1].*f, g[GRIDW].*f, g[GRIDW + 1].*f, r, s); };
    auto wrap = [](int64_t x) { return int32_t(uint32_t(uint64_t(x))); };
    int32_t p[2];
    for (int i = 0; i < 2; i++) {
        const int s = 2 * k + i;
        const int64_t t = texel(map1, field(&gridfx::u, s), field(&gridfx::v, s));
        const int64_t sv = texel(map2, field(&gridfx::u2, s), field(&gridfx::v2, s));
        p[i] = wrap(wrap(t * 32768 + (int32_t(field(&gridfx::c, s)) >> 1)) * sv);
    }
    return wrap(int64_t(p[0] >> vs) + p[1]) >> (vs + 1) & 255;
}

// Both block functions against the reference on one set of corners.
static void expectblock(const gridfx* g, int vs, const char* what)
{
    const rayview v = viewof(putki, map1, {0, 1, 0}, map2, vs);
    blockbuf fast, portable;
    inter8x8_t(v, fast.dest(), g);
    inter8x8_t_portable(v, portable.dest(), g);
    for (int r = 0; r < 8; r++)
        for (int k = 0; k < 8; k++) {
            const int want = tubepixel(g, r, k, vs);
            ASSERT_EQ(fast.at(r, k), want) << what << " at " << r << "," << k;
            ASSERT_EQ(portable.at(r, k), want) << what << " (portable) at " << r << "," << k;
        }
    ASSERT_TRUE(fast.untouchedoutside() && portable.untouchedoutside()) << what;
}

TEST(TubeBlock, MatchesTheClosedFormWithWrappingProducts)
{
    gridfx g[GRIDW + 2] = {};
    // Texels 0 and 1 leave each product at c >> 1; with c near 2^30 the
    // first sample adds about 512 to a second product whose low 21 bits
    // straddle zero, so the carry decides between 255 and 0.
    std::memset(map1, 0, sizeof map1);
    std::memset(map2, 1, sizeof map2);
    g[0].c = (1 << 30) - 4000, g[1].c = (1 << 30) + 4000;
    g[GRIDW].c = (1 << 30) - 2500, g[GRIDW + 1].c = (1 << 30) + 5500;
    expectblock(g, 20, "straddling");
    EXPECT_TRUE(tubepixel(g, 0, 0, 20) == 255 && tubepixel(g, 7, 7, 20) == 0);

    std::mt19937 rng(11);
    for (int i = 0; i < 65536; i++) map1[i] = (unsigned char)rng(), map2[i] = (unsigned char)rng();
    std::uniform_int_distribution<int> any(INT_MIN, INT_MAX), bright(65536, 8388608);
    for (int vs : {20, 16, 30, 12})
        for (int trial = 0; trial < 400; trial++) {
            // Real brightnesses, the floor, now and then the miss marker or
            // anything at all, which the products must wrap through.
            for (int i : {0, 1, GRIDW, GRIDW + 1}) {
                const int c = trial % 5 == 0 ? any(rng) : trial % 7 == 0 ? MISS : trial % 3 == 0 ? 65536 : bright(rng);
                g[i] = {any(rng), any(rng), c, 0, any(rng), any(rng)};
            }
            expectblock(g, vs, "random corners");
        }
}

TEST(TubeFrame, EveryBlockIsInterpolatedFromTheCornerRays)
{
    std::mt19937 rng(3);
    for (int i = 0; i < 65536; i++) map1[i] = (unsigned char)(rng() % 148), map2[i] = (unsigned char)rng();
    rayview v = viewof(pallo, map1, normalised({1, 0.5f, 0.1f}), map2, 20);
    teamatrix(v.mapm, 1.1f, -0.3f, 0.6f);
    const vector eye = {1.3f, -1.5f, 4}, target = {0.5f, 0.2f, -0.4f};
    // The same camera on the ball gives the same window shift.
    testcanvas ball, a(0), b(255);
    winshift sb = raycokes(v, ball.window(), eye, target, 1);
    v.object = putki;
    winshift s = raycokes_t(v, a.window(), eye, target, 1);
    raycokes_t(v, b.window(), eye, target, 1);
    EXPECT_TRUE(s.x == sb.x && s.y == sb.y);
    ASSERT_NE(s.x, 0);
    // Corner rays of our own, then each pixel from the closed form; outside
    // the window nothing changes.
    raycamera cam;
    setupframe(v.up, eye, target, 1, &cam);
    const rayframe f = makerayframe(cam, putki, v.mapm);
    static gridfx grid[CORNERS];
    for (int n = 0; n < CORNERS; n++) {
        grid[n] = {};
        ammuu_sade_t(f, &grid[n], 16 * (n % GRIDW), 16 * (n / GRIDW));
    }
    int lit = 0;
    for (int y = 0; y < 200; y++)
        for (int x = 0; x < 320; x++) {
            const int want = tubepixel(&grid[(y / 8) * GRIDW + x / 8], y % 8, x % 8, 20);
            ASSERT_TRUE(a.at(x + s.x, y + s.y) == want && b.at(x + s.x, y + s.y) == want) << x << "," << y;
            lit += want != 0;
        }
    EXPECT_GT(lit, 32000);
    EXPECT_TRUE(a.px[0] == 0 && b.px[0] == 255);
}
