// SPDX-License-Identifier: MIT
// The ray grid: primary rays and angles, filling one 8 x 8 block, the frame
// driver, the tube variant and the polar light tables, each against rays cast
// one by one, a closed form or a plain reference.
#include <gtest/gtest.h>
#include "raygrid/angle.h"
#include "raygrid/block.h"
#include "raygrid/polar.h"
#include "raygrid/ray.h"
#include "raygrid/raycokes.h"
#include "raygrid/raylocal.h"
#include "raygrid/tube.h"
#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

using namespace tormel;

namespace {

constexpr float IDENTITY[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};

// Camera rows right (1,0,0), up (0,1,0), dir (0,0,1) at (x, y, z), with the
// view step of the frame driver.
raycamera plaincamera(float x, float y, float z)
{
    return {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, 0.0033333334f, 0.0033333334f, {x, y, z}};
}

// The rays of that camera against object, the texture turned by mapm.
rayframe plainframe(float x, float y, float z, const quadric& object, const float (&mapm)[3][3] = IDENTITY)
{
    return makerayframe(plaincamera(x, y, z), object, mapm);
}

// A view of object with texture map (and map2), unturned, up along up.
rayview viewof(const quadric& object, const unsigned char* map, vector up,
                      const unsigned char* map2 = nullptr, int valoshift = 20)
{
    rayview v{};
    v.object = object;
    v.map = map;
    v.map2 = map2;
    std::memcpy(v.mapm, IDENTITY, sizeof v.mapm);
    v.up = up;
    v.valoshift = valoshift;
    return v;
}

// Texel at the top bytes of (u, v), written independently of the renderer's
// shift-and-mask addressing.
int texel(const unsigned char* map, uint32_t u, uint32_t v) { return map[(v >> 24) * 256 + (u >> 24)]; }

// Canvas of the frame drivers: 640 x 400, filled with a marker byte so that
// untouched pixels show.
struct testcanvas {
    std::vector<unsigned char> px;
    explicit testcanvas(unsigned char fill = 0) : px(CANVASBYTES, fill) {}
    unsigned char* window() { return px.data() + CENTRE; }
    unsigned char at(int x, int y) const { return px[size_t(CENTRE + y * PITCH + x)]; }
};

// A canvas-pitched destination for one 8 x 8 block with a marker round it.
struct blockbuf {
    unsigned char px[640 * 10];
    blockbuf() { std::memset(px, 0xEE, sizeof px); }
    unsigned char* dest() { return px + 640 + 1; }
    int at(int r, int k) const { return px[(r + 1) * 640 + 1 + k]; }
    bool untouchedoutside() const
    {
        for (int y = 0; y < 10; y++)
            for (int x = 0; x < 640; x++)
                if (!(y >= 1 && y <= 8 && x >= 1 && x <= 8) && px[y * 640 + x] != 0xEE) return false;
        return true;
    }
};

// Closed form of the bilinear stepping of one field, sample s (0..15) of
// pixel row r, with 64-bit arithmetic reduced mod 2^32 at the end.
uint32_t stepped(int tl, int tr, int bl, int br, int r, int s)
{
    auto wrap = [](int64_t x) { return int32_t(uint32_t(uint64_t(x))); };
    const int64_t hx = wrap(int64_t(tr) - tl) >> 4;
    const int64_t dd = wrap(int64_t(br) - bl - tr + tl) >> 7;
    const int64_t ly = wrap(int64_t(bl) - tl) >> 3;
    return uint32_t(uint64_t(int64_t(tl) + r * ly + s * (hx + r * dd)));
}

// One ray per sample point of the brute-force reference.
bool trueray(const rayframe& f, int x, int y, gridfx* g)
{
    g->c = 0;
    ammuu_sade(f, g, x, y);
    return g->c != MISS;
}

} // namespace

TEST(Ray, GrazingRayHitsAndScaledQuadricsTakeTheNearerRoot)
{
    // From (0, 0, -2) the ray (1, 0, 1) touches the sphere of radius sqrt(2)
    // at (1, 0, -1) with a discriminant of exactly 0.
    raycamera cam = plaincamera(0, 0, -2);
    cam.perx = cam.pery = 1.0f / 256;
    rayframe f = makerayframe(cam, {{1, 1, 1, 2}}, IDENTITY);
    gridfx g = {};
    ammuu_sade(f, &g, 64, 200);
    EXPECT_EQ(g.c, 0);
    EXPECT_EQ(g.u, 1073741780);   // +x: a quarter turn
    EXPECT_EQ(g.v, -2147483560);  // 4 * trunc(-pi/4 / pi * 2^31)
    ammuu_sade(f, &g, 63, 200);   // one half pixel further out
    EXPECT_EQ(g.c, MISS);
    ammuu_sade(f, &g, 576, 200);  // the mirror image on the other side
    EXPECT_TRUE(g.c == 0 && g.u == -1073741780);
    // 4x^2 + y^2 + z^2 = 1 seen along +x from x = -2: the surface is at
    // x = -0.5, so the hit lies on the equator at longitude -pi/2.
    cam = {{{0, 0, -1}, {0, 1, 0}, {1, 0, 0}}, 0.0033333334f, 0.0033333334f, {-2, 0, 0}};  // right -z, dir +x
    ammuu_sade(makerayframe(cam, {{4, 1, 1, 1}}, IDENTITY), &g, 320, 200);
    EXPECT_TRUE(g.c == 0 && g.u == -1073741780 && g.v == 0);
}

// The approximation stays far inside the bound the fast path assumes (1e-13)
// in every quadrant and over a wide range of magnitudes, and the turn is bit
// for bit the library's, one at a time and two at a time (an odd count): for
// the inputs the fast path declines, random angles, and angles whose scaled
// value falls right on or next to an integer, where the library has to decide.
TEST(Angle, FastTurnIsTheLibrarysTurn)
{
    std::mt19937_64 rng(23);
    std::uniform_real_distribution<double> unit(-1, 1), scale(-25, 25);
    const double specials[] = {0.0, -0.0, 1.0, -1.0, 0.5, -2.0, INFINITY, -INFINITY, NAN, 1e-300, -1e-300, 1e300,
                               1e-30, 1e30, 3e-31};
    for (double k : {double(0.31830987f) * 2147483648.0, 16777216.0 / double(3.14159265358979f),
                     2147483648.0 / double(3.14159265358979f), 1.0, 1e9, -3e8}) {
        std::vector<double> y, x;
        for (double a : specials)
            for (double b : specials) y.push_back(a), x.push_back(b);
        const size_t first = y.size();
        for (int i = 0; i < 200000; i++) {
            const double th = (std::trunc(unit(rng) * 3.2 * std::fabs(k)) + (i % 4 == 1 ? 0.0 : 0.5)) / k;
            const double r = i % 2 ? std::fabs(unit(rng)) * 100 + 1e-3 : std::pow(10.0, scale(rng));
            y.push_back(i % 2 ? r * std::sin(th) : unit(rng) * r);
            x.push_back(i % 2 ? r * std::cos(th) : unit(rng) * r * (i % 3 ? 1 : 1e-3));
        }
        std::vector<double> a(y.size());
        std::vector<int> out(y.size());
        atan2approxes(y.data(), x.data(), a.data(), int(y.size()));
        angleturns(y.data(), x.data(), k, out.data(), int(y.size()));
        for (size_t i = 0; i < y.size(); i++) {
            if (i >= first) {
                const double lib = std::atan2(y[i], x[i]);
                ASSERT_LT(std::fabs(atan2approx(y[i], x[i]) - lib), 4e-15) << y[i] << " " << x[i];
                ASSERT_LT(std::fabs(a[i] - lib), 4e-15) << y[i] << " " << x[i];
            }
            const int want = angleturnref(y[i], x[i], k);
            ASSERT_EQ(angleturn(y[i], x[i], k), want) << y[i] << " " << x[i] << " " << k;
            ASSERT_EQ(out[i], want) << y[i] << " " << x[i] << " " << k << " in pairs";
        }
    }
}

// Rays in pairs, record for record the rays one by one: every field of every
// hit, and the misses, over a camera that sees the rim of a squashed ball.
TEST(Ray, PairsAsSingles)
{
    const float turn[3][3] = {{0.8f, 0.6f, 0}, {-0.6f, 0.8f, 0}, {0, 0, 1}};
    const rayframe f = plainframe(0.4f, -0.3f, -2.6f, {{1.3f, 0.7f, 2.1f, 1.0f}}, turn);
    std::mt19937 rng(31);
    const int N = 2001;
    std::vector<int> x(N), y(N);
    for (int i = 0; i < N; i++) x[size_t(i)] = int(rng() % 641), y[size_t(i)] = int(rng() % 401);
    std::vector<rayhit> pairs(N), single(1);
    static bool hp[N];
    shootrays(f, N, x.data(), y.data(), pairs.data(), hp);
    int n = 0;
    for (int i = 0; i < N; i++) {
        const bool hit = shootray(f, x[size_t(i)], y[size_t(i)], &single[0]);
        ASSERT_EQ(hp[i], hit) << i;
        n += hit;
        if (hit) {
            ASSERT_EQ(std::memcmp(&pairs[size_t(i)], &single[0], sizeof(rayhit)), 0) << i;
        }
    }
    EXPECT_GT(n, 100);
    EXPECT_LT(n, 1900);
}

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

namespace {

class Polar : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        prekalkutsjon();
    }
};

constexpr int canvas(int x, int y) { return y * 640 + x; }

} // namespace

TEST_F(Polar, CentreClampsAndBounds)
{
    // The innermost turn is smaller than a pixel: all of it is the centre.
    for (int k = 0; k < 512; k++) ASSERT_EQ(radiaali[k], canvas(319, 199)) << k;
    // Outermost turn, angle 0 (mirrored at the row's end): clamped right;
    // half a turn later clamped left.
    EXPECT_EQ(radiaali[65535], canvas(629, 199));
    EXPECT_EQ(radiaali[127 * 512 + 255] % 640, 10);

    for (int i = 0; i < 640 * 400; i++) ASSERT_TRUE(tunneli[i] >= 0 && tunneli[i] <= 65535) << i;
    // Sampling never leaves the canvas: x and y both within 10 of the edges.
    for (int i = 0; i < 65536; i++) {
        const int x = radiaali[i] % 640, y = radiaali[i] / 640;
        ASSERT_TRUE(x >= 10 && x <= 629 && y >= 10 && y <= 389) << i << ": " << x << "," << y;
    }
}

TEST_F(Polar, RoundTripLandsOnTheSameCell)
{
    // Outside the inner half of the radius a pixel is smaller than a cell, so
    // cell -> pixel -> cell comes back to the same row (or the one inside, by
    // truncation) within one column: both tables turn the same way. Column
    // seams of the spiral carry to the next row; clamped samples are skipped.
    int checked = 0;
    for (int i = 64; i < 128; i++)
        for (int k = 0; k < 512; k++) {
            const int o = radiaali[i * 512 + k], x = o % 640, y = o / 640;
            if (x <= 10 || x >= 629 || y <= 10 || y >= 389) continue;
            const int t = tunneli[o];
            int dr = t / 512 - i, dc = t % 512 - k;
            if (dc > 256) dc -= 512, dr += 1;
            if (dc < -256) dc += 512, dr -= 1;
            ASSERT_TRUE((dr == 0 || dr == -1) && dc >= -1 && dc <= 1)
                << "cell " << i << "," << k << " came back as " << t / 512 << "," << t % 512;
            checked++;
        }
    EXPECT_GT(checked, 10000);
}
