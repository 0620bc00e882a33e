// SPDX-License-Identifier: MIT
// Primary rays: hits, misses, the grazing case, and the mapping of a hit to
// a longitude and a latitude.
#include <gtest/gtest.h>
#include <cmath>
#include <random>
#include <vector>
#include "raygrid/angle.h"
#include "raygrid/raylocal.h"
#include "raygrid_testing.h"

using namespace tormel;
using namespace rgtest;

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
