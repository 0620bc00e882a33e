// The frame driver: window shift, the choice per block, and whole pictures
// checked against one ray per sample point.
#include <gtest/gtest.h>
#include <cmath>
#include "raygrid/raycokes.h"
#include "raygrid_testing.h"

using namespace tormel;
using namespace rgtest;

static unsigned char map[65536];

static void ballscene(const unsigned char* tex)
{
    const float id[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    std::memcpy(mapm, id, sizeof id);
    opu = pallo;
    texture = const_cast<unsigned char*>(tex);
    yvec = {0, 0, 1};
}

// ---- window shift -----------------------------------------------------------

TEST(Raycokes, TargetAtTheOriginDrawsUnshiftedInsideTheWindow)
{
    std::memset(map, 77, sizeof map);
    ballscene(map);
    canvas cv(1);
    winshift s = raycokes(cv.window(), 1.0f, 2.5f, 0.5f, 0, 0, 0, 1.0f);
    EXPECT_EQ(s.x, 0);
    EXPECT_EQ(s.y, 0);
    int drawn = 0;
    for (int y = 0; y < 400; y++)
        for (int x = 0; x < 640; x++) {
            bool inside = x >= 160 && x < 480 && y >= 100 && y < 300;
            unsigned char p = cv.px[y * 640 + x];
            if (!inside) {
                ASSERT_EQ(p, 1) << x << "," << y;
            }
            drawn += p != 1;
        }
    EXPECT_GT(drawn, 5000);
    EXPECT_EQ(cv.at(160, 100), 77);  // the ball is in the middle of the picture
}

// The shift as the geometry says: the world origin's place on the view plane
// of the camera that raycokes built, 180 pixels per unit, times jep.
static double expectedshift(int row, float jep)
{
    double o[3] = {-posx, -posy, -posz}, a = 0, d = 0;
    for (int j = 0; j < 3; j++) a += camera[row][j] * o[j], d += camera[2][j] * o[j];
    return a / d * 180 * jep;
}

TEST(Raycokes, ShiftFollowsTheObjectAndIsClamped)
{
    std::memset(map, 50, sizeof map);
    ballscene(map);
    canvas cv;
    yvec = {0, 1, 0};
    struct {
        float tx, ty, jep;
    } cases[] = {{0.5f, 0, 1}, {0, -0.4f, 1}, {0.5f, 0.3f, 0.5f}, {10, 0, 1}, {-10, 0, 1}, {0, 10, 1}, {0, -10, 1}};
    for (auto& c : cases) {
        winshift s = raycokes(cv.window(), 0, 0, -5, c.tx, c.ty, 0, c.jep);
        double ex = expectedshift(0, c.jep), ey = expectedshift(1, c.jep);
        EXPECT_EQ(s.x, std::clamp(int(ex), -159, 159)) << c.tx << "," << c.ty;
        EXPECT_EQ(s.y, std::clamp(int(ey), -99, 99)) << c.tx << "," << c.ty;
        EXPECT_EQ(s.x != 0, c.tx != 0);
        EXPECT_EQ(s.y != 0, c.ty != 0);
    }
    // Looking far to the side: clamped, with the sign of the displacement.
    winshift a = raycokes(cv.window(), 0, 0, -5, 10, 0, 0, 1);
    winshift b = raycokes(cv.window(), 0, 0, -5, -10, 0, 0, 1);
    EXPECT_EQ(std::abs(a.x), 159);
    EXPECT_EQ(a.x, -b.x);
    winshift c = raycokes(cv.window(), 0, 0, -5, 0, 10, 0, 1);
    EXPECT_EQ(std::abs(c.y), 99);
}

TEST(Raycokes, ShiftTooLargeForAnIntKeepsItsSign)
{
    // The origin almost square to the viewing direction: the shift is ~1e13
    // pixels. It saturates at +159 instead of wrapping to the opposite edge.
    std::memset(map, 50, sizeof map);
    ballscene(map);
    yvec = {0, 1, 0};
    canvas cv;
    winshift s = raycokes(cv.window(), 0, 0, -1, 1e4f, 0, -1 + 1.0f / 8388608, 1);
    ASSERT_GT(expectedshift(0, 1), 2147483648.0);
    EXPECT_EQ(s.x, 159);
    EXPECT_EQ(s.y, 0);
}

TEST(Raycokes, PictureMovesByTheReturnedShift)
{
    for (int i = 0; i < 65536; i++) map[i] = (unsigned char)(i ^ (i >> 8));
    ballscene(map);
    canvas still(3), moved(3);
    winshift s0 = raycokes(still.window(), 0.5f, 3, 1, 0.4f, -0.2f, 0.1f, 0);
    winshift s1 = raycokes(moved.window(), 0.5f, 3, 1, 0.4f, -0.2f, 0.1f, 1);
    EXPECT_EQ(s0.x, 0);
    EXPECT_EQ(s0.y, 0);
    ASSERT_NE(s1.x, 0);
    ASSERT_NE(s1.y, 0);
    for (int y = 0; y < 200; y++)
        for (int x = 0; x < 320; x++) ASSERT_EQ(moved.at(x + s1.x, y + s1.y), still.at(x, y));
}

TEST(Raycokes, ObjectBetweenTheCornersIsNotDrawn)
{
    // Three half pixels across at distance 100, centred between two corner
    // rows: no corner sees it, so every block is skipped.
    std::memset(map, 200, sizeof map);
    ballscene(map);
    canvas cv(9);
    raycokes(cv.window(), 0, 100, 0, 0, 0, 0, 1);
    for (unsigned char p : cv.px) ASSERT_EQ(p, 9);
    gridfx g;
    EXPECT_TRUE(trueray(320, 200, &g));  // although the centre ray would hit
}

// ---- choice per block -------------------------------------------------------

TEST(Raycokes, BlockChoice)
{
    auto block = [](int tlc, int trc, int blc, int brc, int tlu = 0, int tru = 0, int blu = 0, int bru = 0) {
        static gridfx p[43];
        p[0] = {tlu, 0, tlc, 0, 0, 0};
        p[1] = {tru, 0, trc, 0, 0, 0};
        p[41] = {blu, 0, blc, 0, 0, 0};
        p[42] = {bru, 0, brc, 0, 0, 0};
        return chooseblock(p);
    };
    const int M = MISS, Q = 1 << 30;
    EXPECT_EQ(block(M, M, M, M), blockfill::skip);
    EXPECT_EQ(block(M, 0, M, M), blockfill::subdiv);
    EXPECT_EQ(block(M, M, M, 0), blockfill::subdiv);
    EXPECT_EQ(block(0, M, M, M), blockfill::subdiv);
    EXPECT_EQ(block(0, 0, 0, M), blockfill::subdiv);
    EXPECT_EQ(block(0, 0, 0, 0), blockfill::inter);
    // Longitude growing by more than a quarter turn along either diagonal.
    EXPECT_EQ(block(0, 0, 0, 0, 0, 0, 0, Q + 1), blockfill::subdiv);    // TL -> BR
    EXPECT_EQ(block(0, 0, 0, 0, 0, 0, Q + 1, 0), blockfill::subdiv);    // TR -> BL
    EXPECT_EQ(block(0, 0, 0, 0, 0, 0, 0, Q), blockfill::inter);         // exactly a quarter
    EXPECT_EQ(block(0, 0, 0, 0, Q + 1, 0, 0, 0), blockfill::inter);     // shrinking: not tested
    EXPECT_EQ(block(0, 0, 0, 0, 0, Q + 1, 0, 0), blockfill::inter);     // along an edge: not tested
    // Across the seam the wrapped difference is small: interpolated.
    EXPECT_EQ(block(0, 0, 0, 0, INT_MAX - 5, 0, 0, INT_MIN + 5), blockfill::inter);
}

// ---- whole pictures against one ray per sample ------------------------------

TEST(Raycokes, FullScreenBallIsInterpolatedToWithinATexelOfItsRays)
{
    // Eye 1.16 from the centre: the ball covers every corner, the longitude
    // is smooth (the seam and the poles are out of view), so no block is
    // subdivided and 64000 pixels come from 1066 rays. Each interpolated
    // sample must address its own ray's texel or a neighbour: with a texture
    // that changes by 2 per texel, a pixel differs by at most 2, and mostly
    // not at all. One texture varies with u, one with v.
    for (int axis = 0; axis < 2; axis++) {
        for (int i = 0; i < 65536; i++) map[i] = (unsigned char)tri(axis ? i >> 8 : i & 255);
        ballscene(map);
        canvas cv;
        winshift s = raycokes(cv.window(), 0.2f, 1.1f, 0.3f, 0, 0, 0, 1);
        ASSERT_EQ(s.x, 0);
        ASSERT_EQ(s.y, 0);
        for (int b = 0; b < 1025; b++)
            if (b % 41 != 40) {
                ASSERT_EQ(chooseblock(&pallero[b]), blockfill::inter) << b;
            }
        int exact = 0;
        for (int y = 0; y < 200; y++)
            for (int x = 0; x < 320; x++) {
                gridfx a, b;
                ASSERT_TRUE(trueray(2 * x, 2 * y, &a));
                ASSERT_TRUE(trueray(2 * x + 1, 2 * y, &b));
                int want = (texel(map, a.u, a.v) + texel(map, b.u, b.v)) >> 1;
                int got = cv.at(x, y);
                ASSERT_LE(std::abs(got - want), 2) << "axis " << axis << " at " << x << "," << y;
                exact += got == want;
            }
        EXPECT_GT(exact, 63000) << "axis " << axis;
    }
}

TEST(Raycokes, SilhouetteMatchesOneRayPerSampleExceptAtItsExtremes)
{
    // A constant texture shows coverage alone: a pixel is 50 per hitting
    // sample of its four (subdivided) or 200 (interpolated). The halving finds
    // every crossing between a hit and a miss, and a convex outline leaves
    // nothing to find between two hits; a hit between two misses is not
    // looked for, so the only losses are where the outline bulges through a
    // column or an edge of a block whose two ends both miss.
    std::memset(map, 200, sizeof map);
    ballscene(map);
    for (float dist : {2.0f, 3.0f, 5.0f, 9.0f}) {
        canvas cv;
        winshift s = raycokes(cv.window(), 0.3f * dist, 0.9f * dist, 0.2f * dist, 0.1f, 0, 0, 1);
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
                // The lost samples sit on a segment whose ends both miss.
                const int x1 = x / 8 * 16, y1 = y / 8 * 16;
                bool bothmiss = false;
                for (int hx : {2 * x, 2 * x + 1})
                    bothmiss |= !trueray(hx, y1, &g) && !trueray(hx, y1 + 16, &g);
                for (int ey : {y1, y1 + 16})
                    bothmiss |= !trueray(x1, ey, &g) && !trueray(x1 + 16, ey, &g);
                EXPECT_TRUE(bothmiss) << "lost coverage at " << x << "," << y;
            }
        EXPECT_LT(losses, 40) << "distance " << dist;
    }
}
