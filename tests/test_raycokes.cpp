// SPDX-License-Identifier: MIT
// The frame driver: window shift, the choice per block, and whole pictures
// checked against one ray per sample point.
#include <gtest/gtest.h>
#include <algorithm>
#include <climits>
#include <cmath>
#include "raygrid/raycokes.h"
#include "raygrid_testing.h"

using namespace tormel;
using namespace rgtest;

static unsigned char map[65536];

static void ballscene(int fill)
{
    plaincamera(0, 0, 0, pallo);
    if (fill >= 0) std::memset(map, fill, sizeof map);
    texture = map;
    yvec = {0, 1, 0};
}

// The shift as the geometry says: the world origin's place on the view plane
// of the camera that raycokes built, 180 pixels per unit, times jep.
static double expectedshift(int row, float jep)
{
    double o[3] = {-posx, -posy, -posz}, a = 0, d = 0;
    for (int j = 0; j < 3; j++) a += camera[row][j] * o[j], d += camera[2][j] * o[j];
    return a / d * 180 * jep;
}

TEST(Raycokes, ShiftFollowsTheOriginAndIsClamped)
{
    ballscene(50);
    canvas cv;
    struct { float tx, ty, tz, jep; } cases[] = {
        {0.5f, 0, 0, 1}, {0, -0.4f, 0, 1}, {0.5f, 0.3f, 0, 0.5f}, {10, 0, 0, 1}, {-10, 0, 0, 1}, {0, 10, 0, 1},
        {0, -10, 0, 1}, {0.2f, 0.3f, 0, 0},
        {1e4f, 0, -1 + 1.0f / 8388608, 1},  // ~1e13 pixels: saturates instead of wrapping to the other edge
    };
    for (auto& c : cases) {
        const float posz = c.tz ? -1 : -5;
        winshift s = raycokes(cv.window(), 0, 0, posz, c.tx, c.ty, c.tz, c.jep);
        const double ex = expectedshift(0, c.jep), ey = expectedshift(1, c.jep);
        EXPECT_EQ(s.x, int(std::clamp(ex, -159.0, 159.0))) << c.tx << "," << c.ty;
        EXPECT_EQ(s.y, int(std::clamp(ey, -99.0, 99.0))) << c.tx << "," << c.ty;
        EXPECT_EQ(s.x != 0, c.tx != 0 && c.jep != 0);
        EXPECT_EQ(s.y != 0, c.ty != 0 && c.jep != 0);
    }
    EXPECT_GT(expectedshift(0, 1), 2147483648.0);
    EXPECT_EQ(raycokes(cv.window(), 0, 0, -5, 10, 0, 0, 1).x, -raycokes(cv.window(), 0, 0, -5, -10, 0, 0, 1).x);
}

TEST(Raycokes, BlockChoice)
{
    auto block = [](int tlc, int trc, int blc, int brc, int tlu = 0, int tru = 0, int blu = 0, int bru = 0) {
        static gridfx p[43];
        p[0] = {tlu, 0, tlc, 0, 0, 0}, p[1] = {tru, 0, trc, 0, 0, 0};
        p[41] = {blu, 0, blc, 0, 0, 0}, p[42] = {bru, 0, brc, 0, 0, 0};
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
        ballscene(-1);
        yvec = {0, 0, 1};
        canvas cv;
        winshift s = raycokes(cv.window(), 0.2f, 1.1f, 0.3f, 0, 0, 0, 1);
        ASSERT_TRUE(s.x == 0 && s.y == 0);
        for (int b = 0; b < 1025; b++) ASSERT_TRUE(b % 41 == 40 || chooseblock(&pallero[b]) == blockfill::inter) << b;
        int exact = 0;
        for (int y = 0; y < 200; y++)
            for (int x = 0; x < 320; x++) {
                gridfx a, b;
                ASSERT_TRUE(trueray(2 * x, 2 * y, &a) && trueray(2 * x + 1, 2 * y, &b));
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
    ballscene(200);
    yvec = {0, 0, 1};
    for (float dist : {2.0f, 3.0f, 5.0f, 9.0f}) {
        canvas cv;
        winshift s = raycokes(cv.window(), 0.3f * dist, 0.9f * dist, 0.2f * dist, 0.1f, 0, 0, 1);
        ASSERT_NE(s.x, 0) << dist;
        int losses = 0;
        for (int y = 0; y < 200; y++)
            for (int x = 0; x < 320; x++) {
                int hits = 0;
                gridfx g;
                for (int a = 0; a < 4; a++) hits += trueray(2 * x + (a & 1), 2 * y + (a >> 1), &g);
                const int want = (hits * 200 + 2) >> 2, got = cv.at(x + s.x, y + s.y);
                if (got == want) continue;
                losses++;
                ASSERT_LT(got, want) << "coverage invented at " << x << "," << y;
                ASSERT_EQ(chooseblock(&pallero[(y / 8) * 41 + x / 8]), blockfill::subdiv);
                const int x1 = x / 8 * 16, y1 = y / 8 * 16;
                bool bothmiss = false;
                for (int hx : {2 * x, 2 * x + 1}) bothmiss |= !trueray(hx, y1, &g) && !trueray(hx, y1 + 16, &g);
                for (int ey : {y1, y1 + 16}) bothmiss |= !trueray(x1, ey, &g) && !trueray(x1 + 16, ey, &g);
                EXPECT_TRUE(bothmiss) << "lost coverage at " << x << "," << y;
            }
        EXPECT_LT(losses, 40) << "distance " << dist;
        for (int y = -100; y < 300; y++)
            for (int x = -160; x < 480; x++)
                ASSERT_TRUE(cv.at(x, y) == 0 || (x >= s.x && x < s.x + 320 && y >= s.y && y < s.y + 200)) << x << y;
    }
}
