// Primary rays: hits, misses, the grazing case, and the mapping of a hit to
// a longitude and a latitude.
#include <gtest/gtest.h>
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
