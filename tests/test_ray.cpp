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

static float sphere2[4] = {1, 1, 1, 2};  // radius sqrt(2)

static gridfx marked()
{
    return {111, 222, 333, 444, 555, 666};
}

TEST(Ray, CentreRayHitsThePoleAndWrapsItsLatitude)
{
    plaincamera(0, 0, -3, pallo);
    gridfx g = marked();
    ammuu_sade(&g, 320, 200);
    // Hit at (0, 0, -1): longitude 0; latitude -pi/2 is 4 * -1073741780,
    // which wraps to 176, texture row 0.
    EXPECT_EQ(g.u, 0);
    EXPECT_EQ(g.v, 176);
    EXPECT_EQ(g.c, 0);
    EXPECT_EQ(g.t, 444);
    EXPECT_EQ(g.u2, 555);
    EXPECT_EQ(g.v2, 666);
}

TEST(Ray, MissWritesOnlyTheMarker)
{
    plaincamera(0, 0, -3, pallo);
    gridfx g = marked();
    ammuu_sade(&g, 0, 200);  // passes about 2.19 from the centre
    EXPECT_EQ(g.c, MISS);
    EXPECT_EQ(g.u, 111);
    EXPECT_EQ(g.v, 222);
    EXPECT_EQ(g.t, 444);
}

TEST(Ray, GrazingRayIsAHit)
{
    // From (0, 0, -2) the ray (1, 0, 1) touches the sphere of radius sqrt(2)
    // at (1, 0, -1) with a discriminant of exactly 0.
    plaincamera(0, 0, -2, sphere2);
    perx = pery = 1.0f / 256;
    gridfx g = marked();
    ammuu_sade(&g, 64, 200);
    EXPECT_EQ(g.c, 0);
    EXPECT_EQ(g.u, 1073741780);   // +x: a quarter turn
    EXPECT_EQ(g.v, -2147483560);  // 4 * trunc(-pi/4 / pi * 2^31)

    g = marked();
    ammuu_sade(&g, 63, 200);  // one half pixel further out
    EXPECT_EQ(g.c, MISS);
    ammuu_sade(&g, 576, 200);  // the mirror image on the other side
    EXPECT_EQ(g.c, 0);
    EXPECT_EQ(g.u, -1073741780);
}

TEST(Ray, LongitudeOfTheAxisPointsThroughMapm)
{
    // The centre ray hits h = (0, 0, -1), so r = h * mapm = -mapm[2]: the
    // texture-space point is picked by the bottom row, not the last column.
    plaincamera(0, 0, -3, pallo);
    struct {
        float row2[3];
        int u;
    } cases[] = {
        {{0, -1, 0}, 0},            // r = (0, 1, 0)
        {{-1, 0, 0}, 1073741780},   // r = (1, 0, 0), just under 2^30
        {{0, 1, 0}, 2147483561},    // r = (0, -1, 0), just under 2^31: the seam
    };
    for (auto& c : cases) {
        float m[3][3] = {{0, 0, 1}, {0, 1, 0}, {c.row2[0], c.row2[1], c.row2[2]}};
        std::memcpy(mapm, m, sizeof m);
        gridfx g = marked();
        ammuu_sade(&g, 320, 200);
        EXPECT_EQ(g.u, c.u);
        EXPECT_EQ(g.v, 0);  // on the equator
    }
}

TEST(Ray, ScreenAxesRunAgainstRightAndUp)
{
    // Right of the centre on screen is toward -x (camera right is +x); below
    // the centre is toward -y.
    plaincamera(0, 0, -3, pallo);
    gridfx g = marked();
    ammuu_sade(&g, 420, 200);
    EXPECT_EQ(g.u, -1073741780);  // atan2(-, 0): -x
    ammuu_sade(&g, 320, 300);
    EXPECT_EQ(g.u, 2147483561);   // atan2(0, -): -y
}

TEST(Ray, NearerRootOfAScaledQuadric)
{
    // 4x^2 + y^2 + z^2 = 1 seen along +x from x = -2: the surface is at
    // x = -0.5, depth 1.5, so the hit lies on the equator at longitude -pi/2.
    float ell[4] = {4, 1, 1, 1};
    plaincamera(-2, 0, 0, ell);
    const float m[3][3] = {{0, 0, -1}, {0, 1, 0}, {1, 0, 0}};  // right -z, dir +x
    std::memcpy(camera, m, sizeof m);
    gridfx g = marked();
    ammuu_sade(&g, 320, 200);
    EXPECT_EQ(g.c, 0);
    EXPECT_EQ(g.u, -1073741780);
    EXPECT_EQ(g.v, 0);
}

// ---- the angle conversion ----------------------------------------------------

// The approximation the fast path trusts stays far inside the error bound it
// assumes (1e-13), over all quadrants and a wide range of magnitudes.
TEST(Angle, ApproximationStaysWithinItsBound)
{
    std::mt19937_64 rng(17);
    std::uniform_real_distribution<double> unit(-1, 1), scale(-25, 25);
    double worst = 0, worstpairs = 0;
    std::vector<double> ys(1000), xs(1000), as(1000);
    for (int i = 0; i < 2000000; i++) {
        const double m = std::pow(10.0, scale(rng));
        const double y = unit(rng) * m, x = unit(rng) * m * (i % 3 ? 1 : 1e-3);
        worst = std::max(worst, std::fabs(atan2approx(y, x) - std::atan2(y, x)));
        ys[size_t(i % 1000)] = y, xs[size_t(i % 1000)] = x;
        if (i % 1000 == 999) {
            // The vector version too (another table pick, other roundings).
            atan2approxes(ys.data(), xs.data(), as.data(), 1000);
            for (int j = 0; j < 1000; j++)
                worstpairs = std::max(worstpairs, std::fabs(as[size_t(j)] - std::atan2(ys[size_t(j)], xs[size_t(j)])));
        }
    }
    EXPECT_LT(worst, 4e-15);
    EXPECT_LT(worstpairs, 4e-15);
}

// Bit for bit the library's result: random angles, angles whose scaled value
// falls right on or next to an integer (where the library has to decide),
// the axes and diagonals, signed zeros, and inputs the fast path declines.
TEST(Angle, TurnIsTheLibrarysTurn)
{
    const double scales[] = {double(0.31830987f) * 2147483648.0, 16777216.0 / double(3.14159265358979f),
                             2147483648.0 / double(3.14159265358979f), 1.0, 1e9, -3e8};
    std::mt19937_64 rng(23);
    std::uniform_real_distribution<double> unit(-1, 1);
    for (double k : scales) {
        for (int i = 0; i < 300000; i++) {
            double y = unit(rng), x = unit(rng);
            if (i % 2) {
                // An angle n / k for an integer n, give or take an ulp or so.
                const double n = std::trunc(unit(rng) * 3.2 * std::fabs(k)) + (i % 4 == 1 ? 0.0 : 0.5);
                const double th = n / k;
                const double r = std::fabs(unit(rng)) * 100 + 1e-3;
                y = r * std::sin(th), x = r * std::cos(th);
            }
            ASSERT_EQ(angleturn(y, x, k), angleturnref(y, x, k)) << y << " " << x << " " << k;
        }
        const double inf = INFINITY, nan = NAN, tiny = 1e-300, big = 1e300;
        const double specials[] = {0.0, -0.0, 1.0, -1.0, 0.5, -2.0, inf, -inf, nan, tiny, -tiny, big, 1e-30, 1e30, 3e-31};
        for (double y : specials)
            for (double x : specials) ASSERT_EQ(angleturn(y, x, k), angleturnref(y, x, k)) << y << " " << x << " " << k;
    }
}

// Two lanes at a time, the same as one at a time: random pairs, a pair with
// one lane the approximation declines, and an odd count.
TEST(Angle, PairsAsSingles)
{
    std::mt19937_64 rng(29);
    std::uniform_real_distribution<double> unit(-1, 1);
    const double k = 2147483648.0 / double(3.14159265358979f);
    std::vector<double> y(10001), x(10001);
    for (size_t i = 0; i < y.size(); i++) {
        y[i] = unit(rng), x[i] = unit(rng);
        if (i % 4 == 1) {
            const double th = std::trunc(unit(rng) * 3.2 * k) / k;  // on an integer
            y[i] = std::sin(th), x[i] = std::cos(th);
        }
    }
    y[6] = NAN, x[9] = 0, y[9] = -0.0, x[12] = INFINITY, y[15] = 1e-300, x[15] = -1e-300;
    std::vector<int> out(y.size());
    angleturns(y.data(), x.data(), k, out.data(), int(y.size()));
    for (size_t i = 0; i < y.size(); i++) ASSERT_EQ(out[i], angleturnref(y[i], x[i], k)) << i;
}

// Rays in pairs, record for record the rays one by one: every field of every
// hit, and the misses, over a camera that sees the rim of a squashed ball.
TEST(Ray, PairsAsSingles)
{
    static float squashed[4] = {1.3f, 0.7f, 2.1f, 1.0f};
    plaincamera(0.4f, -0.3f, -2.6f, squashed);
    const float turn[3][3] = {{0.8f, 0.6f, 0}, {-0.6f, 0.8f, 0}, {0, 0, 1}};
    std::memcpy(mapm, turn, sizeof turn);
    rayframe f;
    loadrayframe(&f);
    std::mt19937 rng(31);
    std::vector<int> x(2001), y(2001);
    for (size_t i = 0; i < x.size(); i++) x[i] = int(rng() % 641), y[i] = int(rng() % 401);
    std::vector<rayhit> pairs(x.size()), singles(x.size());
    std::vector<char> hits(x.size());
    static bool hp[2001];
    shootrays(f, int(x.size()), x.data(), y.data(), pairs.data(), hp);
    int n = 0;
    for (size_t i = 0; i < x.size(); i++) {
        hits[i] = shootray(x[i], y[i], &singles[i]);
        ASSERT_EQ(hp[i], bool(hits[i])) << i;
        if (!hits[i]) continue;
        n++;
        ASSERT_EQ(std::memcmp(&pairs[i], &singles[i], sizeof(rayhit)), 0) << i;
    }
    EXPECT_GT(n, 100);
    EXPECT_LT(n, 1900);
}
