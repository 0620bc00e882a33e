// SPDX-License-Identifier: MIT
// Filling one 8 x 8 block: interpolation between the corners, the halving of
// subdiv1, and subdivision with extra rays along a silhouette.
#include <gtest/gtest.h>
#include <array>
#include <climits>
#include <random>
#include "raygrid/block.h"
#include "raygrid_testing.h"

using namespace tormel;
using namespace rgtest;

static unsigned char map[65536];

// Corner records laid out as in pallero: g[0], g[1], g[41], g[42].
static void setcorners(gridfx* g, std::array<int, 4> u, std::array<int, 4> v)
{
    for (int k = 0; k < 4; k++) g[k < 2 ? k : k - 2 + GRIDW] = {u[size_t(k)], v[size_t(k)], 0, 0, 0, 0};
}

TEST(Inter8x8, MatchesTheClosedFormForAnyCorners)
{
    std::mt19937 rng(7);
    for (int i = 0; i < 65536; i++) map[i] = (unsigned char)rng();
    std::uniform_int_distribution<int> any(INT_MIN, INT_MAX);
    for (int trial = 0; trial < 2000; trial++) {
        gridfx g[GRIDW + 2];
        setcorners(g, {any(rng), any(rng), any(rng), any(rng)}, {any(rng), any(rng), any(rng), any(rng)});
        if (trial == 0) setcorners(g, {INT_MIN, INT_MAX, INT_MAX, INT_MIN}, {INT_MAX, INT_MIN, INT_MIN, INT_MAX});
        blockbuf b;
        inter8x8(b.dest(), g, map);
        const gridfx &tl = g[0], &tr = g[1], &bl = g[GRIDW], &br = g[GRIDW + 1];
        for (int r = 0; r < 8; r++)
            for (int k = 0; k < 8; k++) {
                int t[2];
                for (int s = 0; s < 2; s++)
                    t[s] = texel(map, stepped(tl.u, tr.u, bl.u, br.u, r, 2 * k + s),
                                 stepped(tl.v, tr.v, bl.v, br.v, r, 2 * k + s));
                ASSERT_EQ(b.at(r, k), (t[0] + t[1]) >> 1) << "trial " << trial << " at " << r << "," << k;
            }
    }
}

TEST(Subdiv1, CastsOnlyWhereTheNeighboursDisagreeAndHalvesWithWrapping)
{
    // The centre ray of this camera hits the pole of the unit ball: u 0, v 176.
    const rayframe f = plainframe(0, 0, -3, pallo);
    const int Q = 1 << 30;
    struct { int u1, v1, c1, u2, v2, c2, u, v, c; } cases[] = {
        {1, 2, MISS, 1, 2, MISS, 5, 6, MISS},  // both miss: marked, nothing cast
        {0, 0, 0, 1, 2, MISS, 0, 176, 0},      // one misses: the real ray
        {1, 2, MISS, 0, 0, 0, 0, 176, 0},
        {0, 0, 0, Q + 1, 0, 0, 0, 176, 0},     // longitude growing by more than a quarter turn: cast
        {Q + 1, 0, 0, 0, 0, 0, Q / 2, 0, 0},   // shrinking by as much: the short way round
        {0, 0, 0, Q, 0, 0, Q / 2, 0, 0},       // exactly a quarter: interpolated
        // Halves of wrapping differences, shifted arithmetically: u +21
        // across the sign change, v -11 >> 1 = -6; then v -9 the short way, >> 1 = -5.
        {INT_MAX - 10, 0, 0, INT_MIN + 10, -11, 0, INT_MAX, -6, 0},
        {0, INT_MIN + 4, 0, 0, INT_MAX - 4, 0, 0, INT_MAX, 0},
    };
    for (auto& k : cases) {
        gridfx d = {5, 6, 7, 8, 9, 10}, s1 = {k.u1, k.v1, k.c1, 0, 0, 0}, s2 = {k.u2, k.v2, k.c2, 0, 0, 0};
        subdiv1(f, 320, 200, &d, &s1, &s2);
        EXPECT_TRUE(d.u == k.u && d.v == k.v && d.c == k.c) << &k - cases << ": " << d.u << " " << d.v << " " << d.c;
        EXPECT_TRUE(d.t == 8 && d.u2 == 9 && d.v2 == 10) << &k - cases;  // fields that are not interpolated stay
    }
}

// The subdivision as plainly as it can be put: a cleared grid, the halving
// level by level through subdiv1 along both edges and then down each column,
// each pixel the rounded mean of its four samples.
static void subdivref(const rayframe& f, unsigned char* dest, int x1, int y1, const gridfx* g)
{
    static gridfx t[17][17];
    std::memset(t, 0, sizeof t);
    t[0][0] = g[0], t[0][16] = g[1], t[16][0] = g[GRIDW], t[16][16] = g[GRIDW + 1];
    const int order[15][2] = {{8, 8}, {4, 4}, {12, 4}, {2, 2}, {6, 2}, {10, 2}, {14, 2}, {1, 1},
                              {3, 1}, {5, 1}, {7, 1}, {9, 1}, {11, 1}, {13, 1}, {15, 1}};
    for (int n : {0, 16})
        for (auto& b : order) subdiv1(f, x1 + b[0], y1 + n, &t[n][b[0]], &t[n][b[0] - b[1]], &t[n][b[0] + b[1]]);
    for (int m = 0; m < 16; m++)
        for (auto& b : order) subdiv1(f, x1 + m, y1 + b[0], &t[b[0]][m], &t[b[0] - b[1]][m], &t[b[0] + b[1]][m]);
    for (int r = 0; r < 8; r++)
        for (int k = 0; k < 8; k++) {
            int sum = 2;
            for (int a = 0; a < 4; a++) {
                const gridfx& s = t[2 * r + (a >> 1)][2 * k + (a & 1)];
                sum += s.c == MISS ? 0 : texel(map, uint32_t(s.u), uint32_t(s.v));
            }
            dest[r * 640 + k] = (unsigned char)(sum >> 2);
        }
}

TEST(Subdiv8x8, MatchesThePlainHalvingOnMixedCorners)
{
    // Corners from real rays round the ball's outline, now and then a miss
    // or a longitude thrown a quarter turn or more round (the seam), and
    // blocks in sequence so that nothing of one block can leak into the next.
    std::mt19937 rng(5);
    for (int i = 0; i < 65536; i++) map[i] = (unsigned char)rng();
    const rayframe f = plainframe(0.3f, -0.2f, -2.2f, pallo);
    std::uniform_int_distribution<int> any(INT_MIN, INT_MAX);
    for (int trial = 0; trial < 1500; trial++) {
        const int bx = int(rng() % 40), by = int(rng() % 25);
        gridfx g[GRIDW + 2] = {};
        for (int i : {0, 1, GRIDW, GRIDW + 1}) {
            trueray(f, 16 * (bx + i % GRIDW), 16 * (by + i / GRIDW), &g[i]);
            if (rng() % 6 == 0) g[i].c = MISS;
            if (rng() % 5 == 0) g[i].u = any(rng);
            if (rng() % 9 == 0) g[i].c = int(rng() % 1000);  // not a hit the renderer makes; halved all the same
        }
        blockbuf fast, plain;
        subdiv8x8(f, map, fast.dest(), 16 * bx, 16 * by, g);
        subdivref(f, plain.dest(), 16 * bx, 16 * by, g);
        for (int r = 0; r < 8; r++)
            for (int k = 0; k < 8; k++) ASSERT_EQ(fast.at(r, k), plain.at(r, k)) << trial << ": " << r << "," << k;
        ASSERT_TRUE(fast.untouchedoutside());
    }
}
