// SPDX-License-Identifier: MIT
// The frame driver: window shift, the choice per block, and whole pictures
// checked against one ray per sample point.
#include <gtest/gtest.h>
#include <algorithm>
#include <climits>
#include <cmath>
#include "raygrid/raycokes.h"
#include "raygrid/raylocal.h"
#include "raygrid_testing.h"

using namespace tormel;
using namespace rgtest;

static unsigned char map[65536];

// The rays of the frame driver's own camera at eye looking at target (up +z).
static rayframe frameof(float x, float y, float z, vector target = {0, 0, 0})
{
    raycamera cam;
    setupframe({0, 0, 1}, {x, y, z}, target, 1, &cam);
    return makerayframe(cam, pallo, IDENTITY);
}

TEST(Raycokes, ShiftFollowsTheOriginAndIsClamped)
{
    // Looking past the origin moves the picture with the origin, by jep; far
    // off it is held to the canvas, also where the origin lies some 1e13
    // pixels out (no wrap to the other edge).
    std::memset(map, 50, sizeof map);
    const rayview v = viewof(pallo, map, {0, 1, 0});
    testcanvas cv;
    struct { float tx, ty, tz, jep; int x, y; } cases[] = {
        {0, 0, 0, 1, 0, 0},          {0.5f, 0, 0, 1, 17, 0},       {0.5f, 0, 0, 0.5f, 8, 0},
        {0, -0.4f, 0, 1, 0, 14},     {0.2f, 0.3f, 0, 0, 0, 0},     {10, 0, 0, 1, 159, 0},
        {-10, 0, 0, 1, -159, 0},     {0, 10, 0, 1, 0, -99},        {0, -10, 0, 1, 0, 99},
        {1e4f, 0, -1 + 1.0f / 8388608, 1, 159, 0},
    };
    for (auto& c : cases) {
        const winshift s = raycokes(v, cv.window(), {0, 0, c.tz ? -1.0f : -5.0f}, {c.tx, c.ty, c.tz}, c.jep);
        EXPECT_TRUE(s.x == c.x && s.y == c.y) << c.tx << "," << c.ty << ": " << s.x << "," << s.y;
    }
}

TEST(Raycokes, BlockChoice)
{
    auto block = [](int tlc, int trc, int blc, int brc, int tlu = 0, int tru = 0, int blu = 0, int bru = 0) {
        static gridfx p[GRIDW + 2];
        p[0] = {tlu, 0, tlc, 0, 0, 0}, p[1] = {tru, 0, trc, 0, 0, 0};
        p[GRIDW] = {blu, 0, blc, 0, 0, 0}, p[GRIDW + 1] = {bru, 0, brc, 0, 0, 0};
        return chooseblock(p);
    };
    const int M = MISS, Q = 1 << 30;
    EXPECT_EQ(block(M, M, M, M), blockfill::skip);
    for (auto b : {block(M, 0, M, M), block(M, M, M, 0), block(0, M, M, M), block(0, 0, 0, M)})
        EXPECT_EQ(b, blockfill::subdiv);
    EXPECT_EQ(block(0, 0, 0, 0), blockfill::inter);
    // Longitude growing by more than a quarter turn along either diagonal.
    EXPECT_EQ(block(0, 0, 0, 0, 0, 0, 0, Q + 1), blockfill::subdiv);  // TL -> BR
    EXPECT_EQ(block(0, 0, 0, 0, 0, 0, Q + 1, 0), blockfill::subdiv);  // TR -> BL
    EXPECT_EQ(block(0, 0, 0, 0, 0, 0, 0, Q), blockfill::inter);       // exactly a quarter
    EXPECT_EQ(block(0, 0, 0, 0, Q + 1, 0, 0, 0), blockfill::inter);   // shrinking: not tested
    EXPECT_EQ(block(0, 0, 0, 0, 0, Q + 1, 0, 0), blockfill::inter);   // along an edge: not tested
    EXPECT_EQ(block(0, 0, 0, 0, INT_MAX - 5, 0, 0, INT_MIN + 5), blockfill::inter);  // across the seam: small
}

TEST(Raycokes, FullScreenBallIsInterpolatedToWithinATexelOfItsRays)
{
    // Eye 1.16 from the centre: the ball covers every corner and the seam and
    // the poles are out of view, so no block is subdivided. Each interpolated
    // sample must address its own ray's texel or a neighbour: with a texture
    // that changes by 2 per texel (continuous across the wrap), a pixel
    // differs by at most 2, and mostly not at all. One texture varies with u,
    // one with v.
    for (int axis = 0; axis < 2; axis++) {
        for (int i = 0; i < 65536; i++) {
            const int t = axis ? i >> 8 : i & 255;
            map[i] = (unsigned char)(t < 128 ? 2 * t : 511 - 2 * t);
        }
        const rayframe f = frameof(0.2f, 1.1f, 0.3f);
        testcanvas cv;
        winshift s = raycokes(viewof(pallo, map, {0, 0, 1}), cv.window(), {0.2f, 1.1f, 0.3f}, {0, 0, 0}, 1);
        ASSERT_TRUE(s.x == 0 && s.y == 0);
        for (int b = 0; b < 1025; b++) ASSERT_TRUE(b % 41 == 40 || chooseblock(&pallero[b]) == blockfill::inter) << b;
        int exact = 0;
        for (int y = 0; y < 200; y++)
            for (int x = 0; x < 320; x++) {
                gridfx a, b;
                ASSERT_TRUE(trueray(f, 2 * x, 2 * y, &a) && trueray(f, 2 * x + 1, 2 * y, &b));
                const int want = (texel(map, a.u, a.v) + texel(map, b.u, b.v)) >> 1, got = cv.at(x, y);
                ASSERT_LE(std::abs(got - want), 2) << "axis " << axis << " at " << x << "," << y;
                exact += got == want;
            }
        EXPECT_GT(exact, 63000) << "axis " << axis;
    }
}

TEST(Raycokes, SilhouetteMatchesOneRayPerSampleExceptAtItsExtremes)
{
    // A constant texture shows coverage alone: a pixel is 50 per hitting
    // sample of its four. The halving finds every crossing between a hit and
    // a miss, and a convex outline leaves nothing to find between two hits; a
    // hit between two misses is not looked for, so the only losses are where
    // the outline bulges through a column or an edge whose two ends both miss.
    // The picture is drawn at the returned shift, and nothing outside it.
    std::memset(map, 200, sizeof map);
    for (float dist : {2.0f, 3.0f, 5.0f, 9.0f}) {
        const vector eye = {0.3f * dist, 0.9f * dist, 0.2f * dist}, target = {0.1f, 0, 0};
        testcanvas cv;
        winshift s = raycokes(viewof(pallo, map, {0, 0, 1}), cv.window(), eye, target, 1);
        const rayframe f = frameof(eye.x, eye.y, eye.z, target);
        ASSERT_NE(s.x, 0) << dist;
        int losses = 0;
        for (int y = 0; y < 200; y++)
            for (int x = 0; x < 320; x++) {
                int hits = 0;
                gridfx g;
                for (int a = 0; a < 4; a++) hits += trueray(f, 2 * x + (a & 1), 2 * y + (a >> 1), &g);
                const int want = (hits * 200 + 2) >> 2, got = cv.at(x + s.x, y + s.y);
                if (got == want) continue;
                losses++;
                ASSERT_LT(got, want) << "coverage invented at " << x << "," << y;
                ASSERT_EQ(chooseblock(&pallero[(y / 8) * 41 + x / 8]), blockfill::subdiv);
                const int x1 = x / 8 * 16, y1 = y / 8 * 16;
                bool bothmiss = false;
                for (int hx : {2 * x, 2 * x + 1}) bothmiss |= !trueray(f, hx, y1, &g) && !trueray(f, hx, y1 + 16, &g);
                for (int ey : {y1, y1 + 16}) bothmiss |= !trueray(f, x1, ey, &g) && !trueray(f, x1 + 16, ey, &g);
                EXPECT_TRUE(bothmiss) << "lost coverage at " << x << "," << y;
            }
        EXPECT_LT(losses, 40) << "distance " << dist;
        for (int y = -100; y < 300; y++)
            for (int x = -160; x < 480; x++)
                ASSERT_TRUE(cv.at(x, y) == 0 || (x >= s.x && x < s.x + 320 && y >= s.y && y < s.y + 200)) << x << y;
    }
}
