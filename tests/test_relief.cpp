// test_relief.cpp: the relief plane: height mix, reveal curve, corner rays,
// per-pixel lighting and the radial sampling.
#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>
#include "core/buffers.h"
#include "core/vecmath.h"
#include "raygrid/polar.h"
#include "relief/relief.h"

using namespace tormel;

namespace {

// Flat height map and a reveal map, owned by the tests.
uint16_t hfield[65536];
unsigned char reveal[65536];

class Relief : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        xres = 320;
        yres = 200;
        valoxres = 512;
        valoyres = 128;
        allocbuffers();
        buildtables();
        prekalkutsjon();
        // The cone light as the water start-up makes it: 128 at (128, 128),
        // down 4 per cell of distance, 0 from 32 on.
        for (int y = 0; y < 256; y++)
            for (int x = 0; x < 256; x++)
                envi3[y * 256 + x] = (unsigned char)rtbl[128 - int(4 * std::sqrt(double((x - 128) * (x - 128) + (y - 128) * (y - 128))))];
    }
    void SetUp() override
    {
        std::memset(hfield, 0, sizeof hfield);
        std::memset(reveal, 0, sizeof reveal);
        std::memset(dbuf, 0, 256000);
        yvec = {0.1f, 0.5f, 1.0f};
        normalisoi(&yvec);
    }
    static unsigned char* window() { return dbuf + 100 * 640 + 160; }
};

// Map coordinate (16.16 cells) of a world y (centre 128) or z (centre 150).
int cellof(double w, double centre)
{
    return std::clamp(int(65536 * (128 * w + centre)), 65536, 16711680);
}

} // namespace

TEST_F(Relief, HeightMixWrapsAt16Bits)
{
    mappi2[0] = 255, ufomap[0] = 255;
    mappi2[1] = 10, ufomap[1] = 0;
    mappi2[2] = 0, ufomap[2] = 200;
    teeufomappi(300);
    EXPECT_EQ(ufojahf[0], (32 * 255 + 300 * 255) % 65536);
    EXPECT_EQ(ufojahf[1], 320);
    EXPECT_EQ(ufojahf[2], 60000);
    teeufomappi(-1);  // a negative weight wraps the same way
    EXPECT_EQ(ufojahf[2], 65536 - 200);
}

TEST_F(Relief, RevealCurve)
{
    teeufotaso2(window(), hfield, reveal, 410, 0.25f, 0, 0, 0.5f, 0.5f);
    EXPECT_EQ(uforajatbl[0], 0);
    EXPECT_EQ(uforajatbl[1], 0);
    EXPECT_EQ(uforajatbl[2], 1);
    for (int j = 49; j < 256; j++) ASSERT_EQ(uforajatbl[j], 255) << j;  // never 256
    for (int j = 1; j < 256; j++) ASSERT_GE(uforajatbl[j], uforajatbl[j - 1]) << j;

    teeufotaso2(window(), hfield, reveal, 0, 0.25f, 0, 0, 0.5f, 0.5f);
    for (int j = 0; j <= 206; j++) ASSERT_EQ(uforajatbl[j], 0) << j;
    EXPECT_GT(uforajatbl[207], 0);
    EXPECT_EQ(uforajatbl[254], 255);
    EXPECT_EQ(uforajatbl[255], 255);
}

TEST_F(Relief, FlatMapShowsTheUndistortedCone)
{
    // Camera on the axis, the plane at x = 1. With vx = vy = 0.5 the cone's
    // centre lies at world (y, z) = (0, -0.171875) and the light falls by 256
    // per world unit. Check every block corner against the plane hit worked
    // out directly, allowing for the cone's cell steps.
    const float px = 0.25f;
    const winshift sh = teeufotaso2(window(), hfield, reveal, 0, px, 0, 0, 0.5f, 0.5f);
    ASSERT_EQ(sh.x, 0);
    ASSERT_EQ(sh.y, 0);
    float cam[3][3];
    teematriisi2(cam, 1 - px, 0, 0);
    int brightest = 0;
    for (int by = 0; by < 25; by++)
        for (int bx = 0; bx < 40; bx++) {
            const double k = 0.0666667f * (bx - 20), j = 0.08f * (by - 13);
            const double X = cam[2][0] + k * cam[0][0] + j * cam[1][0];
            const double Y = cam[2][1] + k * cam[0][1] + j * cam[1][1];
            const double Z = cam[2][2] + k * cam[0][2] + j * cam[1][2];
            const double s = (1 - px) / X;
            const double d = std::hypot(Y * s - 0, Z * s + 0.171875);
            const int want = std::max(0, 128 - int(256 * d));
            const int got = window()[by * 8 * 640 + bx * 8];
            ASSERT_NEAR(got, want, 8) << bx << "," << by;
            brightest = std::max(brightest, got);
        }
    EXPECT_GE(brightest, 120);
}

TEST_F(Relief, RevealAddsAndSaturates)
{
    const winshift sh = teeufotaso2(window(), hfield, reveal, 410, 0.25f, 0.05f, -0.03f, 0.5f, 0.5f);
    std::vector<unsigned char> dark(dbuf, dbuf + 256000);
    std::memset(reveal, 26, sizeof reveal);  // half way up the curve
    teeufotaso2(window(), hfield, reveal, 410, 0.25f, 0.05f, -0.03f, 0.5f, 0.5f);
    const int add = uforajatbl[26];
    ASSERT_GT(add, 100);
    ASSERT_LT(add, 200);
    int saturated = 0;
    for (int y = 0; y < 200; y++)
        for (int x = 0; x < 320; x++) {
            const int o = (100 + sh.y + y) * 640 + 160 + sh.x + x;
            ASSERT_EQ(dbuf[o], std::min(255, dark[o] + add)) << x << "," << y;
            saturated += dbuf[o] == 255;
        }
    EXPECT_GT(saturated, 0);
}

TEST_F(Relief, WritesExactlyTheShiftedWindow)
{
    // Off-axis camera: the window moves; everything outside it is left alone.
    std::memset(dbuf, 0xee, 256000);  // the flat picture never reaches 238
    const winshift sh = teeufotaso2(window(), hfield, reveal, 0, 0.25f, 0.2f, 0.15f, 0.5f, 0.5f);
    EXPECT_TRUE(sh.x != 0 || sh.y != 0);
    ASSERT_TRUE(sh.x >= -160 && sh.x <= 160 && sh.y >= -100 && sh.y <= 100);
    for (int y = 0; y < 400; y++)
        for (int x = 0; x < 640; x++) {
            const bool inside = x >= 160 + sh.x && x < 480 + sh.x && y >= 100 + sh.y && y < 300 + sh.y;
            ASSERT_EQ(dbuf[y * 640 + x] != 0xee, inside) << x << "," << y;
        }
    // The picture follows the world origin: moving the camera the other way
    // moves the window the other way (by about as much: the up reference
    // does not turn with the camera).
    const winshift back = teeufotaso2(window(), hfield, reveal, 0, 0.25f, -0.2f, -0.15f, 0.5f, 0.5f);
    EXPECT_NEAR(back.x, -sh.x, 2);
    EXPECT_NEAR(back.y, -sh.y, 2);
}

TEST_F(Relief, MapCoordinatesAreClampedToTheMap)
{
    // From far back the corner rays spread well past the 256 x 256 map.
    teeufotaso2(window(), hfield, reveal, 0, -3.0f, 0.1f, 0.2f, 0.5f, 0.5f);
    int atedge = 0;
    for (int n = 0; n < 1066; n++) {
        ASSERT_GE(pienix[n], 65536) << n;
        ASSERT_LE(pienix[n], 16711680) << n;
        ASSERT_GE(pieniz[n], 65536) << n;
        ASSERT_LE(pieniz[n], 16711680) << n;
        atedge += pienix[n] == 65536 || pienix[n] == 16711680 || pieniz[n] == 65536 || pieniz[n] == 16711680;
    }
    EXPECT_GT(atedge, 100);
}

TEST_F(Relief, CameraBetweenThePlanesSeesBoth)
{
    // From 0 < posx < 1 rays going up x meet x = 1 and rays going down x meet
    // x = -1. Compare unclamped corners with the hit worked out directly.
    const float px = 0.5f, py = 0, pz = 3;
    teeufotaso2(window(), hfield, reveal, 0, px, py, pz, 0.5f, 0.5f);
    float cam[3][3];
    teematriisi2(cam, 1 - px, -py, -pz);
    int up = 0, down = 0;
    for (int j = -13; j <= 12; j++)
        for (int k = -20; k <= 20; k++) {
            const int n = (j + 13) * 41 + k + 20;
            const double kk = 0.0666667f * k, jj = 0.08f * j;
            const double X = cam[2][0] + kk * cam[0][0] + jj * cam[1][0];
            const double Y = cam[2][1] + kk * cam[0][1] + jj * cam[1][1];
            const double Z = cam[2][2] + kk * cam[0][2] + jj * cam[1][2];
            const double s = ((X > 0 ? 1 : -1) - px) / X;
            const int wy = cellof(py + Y * s, 128), wz = cellof(pz + Z * s, 150);
            if (wy == 65536 || wy == 16711680 || wz == 65536 || wz == 16711680) continue;
            ASSERT_NEAR(pieniz[n], wy, 2) << k << "," << j;
            ASSERT_NEAR(pienix[n], wz, 2) << k << "," << j;
            (X > 0 ? up : down)++;
        }
    EXPECT_GT(up, 0);
    EXPECT_GT(down, 0);
}

TEST_F(Relief, HeightLiftsTheSurfaceTowardsTheCamera)
{
    // A uniform height moves the surface from x = 1 to x = h: the corner hits
    // draw in towards the view axis by (h - posx) / (1 - posx).
    const float px = 0.25f;
    teeufotaso2(window(), hfield, reveal, 0, px, 0, 0, 0.5f, 0.5f);
    std::vector<int> flatz(pienix, pienix + 1066);
    for (auto& h : hfield) h = 65535;
    teeufotaso2(window(), hfield, reveal, 0, px, 0, 0, 0.5f, 0.5f);
    const double h = 1 - 65535 / 262144.0, f = (h - px) / (1 - px);
    for (int n = 0; n < 1066; n++) {
        const double z0 = flatz[n] / 65536.0 - 150, z1 = pienix[n] / 65536.0 - 150;
        if (flatz[n] == 65536 || flatz[n] == 16711680) continue;
        ASSERT_NEAR(z1, z0 * f, 1e-3) << n;
    }
}

TEST_F(Relief, SlopeShiftsTheLight)
{
    // A ramp along the columns gives dc = -256 everywhere off the last column:
    // the same as a flat map with the column offset moved by 2 * -256.
    std::mt19937 g(11);
    for (int n = 0; n < 1066; n++) {
        pienix[n] = int(65536 + g() % (200u << 16));
        pieniz[n] = int((100u << 16) + g() % (50u << 16));  // columns 100..150
    }
    for (int i = 0; i < 65536; i++) hfield[i] = uint16_t((i & 255) * 256);
    std::vector<unsigned char> ramp(256000), flat(256000);
    ufoblocks(ramp.data(), hfield, reveal, 12345, 23456);
    std::memset(hfield, 0, sizeof hfield);
    ufoblocks(flat.data(), hfield, reveal, 12345, 23456 - 512);
    EXPECT_EQ(ramp, flat);
    // Rows likewise: dr = -128 moves the row offset by -256.
    for (int i = 0; i < 65536; i++) hfield[i] = uint16_t((i >> 8) * 128);
    for (int n = 0; n < 1066; n++) pienix[n] = int((20u << 16) + g() % (200u << 16));
    ufoblocks(ramp.data(), hfield, reveal, 12345, 23456);
    std::memset(hfield, 0, sizeof hfield);
    ufoblocks(flat.data(), hfield, reveal, 12345 - 256, 23456);
    EXPECT_EQ(ramp, flat);
}

TEST_F(Relief, NoSlopeAcrossTheMapEdge)
{
    // The last row has no row below and the last cell no cell to its right;
    // there the slope is zero, so a raised last row lights like a flat one.
    for (int i = 65280; i < 65536; i++) hfield[i] = 50000;
    for (int n = 0; n < 1066; n++) {
        pienix[n] = 16711680;  // row 255
        pieniz[n] = int(65536 + (n % 41) * 6 * 65536);
    }
    std::vector<unsigned char> edge(256000), flat(256000);
    ufoblocks(edge.data(), hfield, reveal, 0, 0);
    std::memset(hfield, 0, sizeof hfield);
    ufoblocks(flat.data(), hfield, reveal, 0, 0);
    EXPECT_EQ(edge, flat);
}

TEST_F(Relief, IncrementalBlocksMatchTheClosedForm)
{
    std::mt19937 g(12);
    for (auto& h : hfield) h = uint16_t(g());
    for (auto& r : reveal) r = (unsigned char)g();
    teeufotaso2(window(), hfield, reveal, 300, 0.25f, 0, 0, 0.5f, 0.5f);  // the reveal curve
    for (int round = 0; round < 6; round++) {
        // Corners anywhere on the map (blocks both clear of and touching the
        // last row), then a smooth view like the renderer's.
        for (int n = 0; n < 1066; n++) {
            if (round % 3 == 2) {
                pienix[n] = (60 << 16) + (n / 41) * 500000 + int(g() % 40000);
                pieniz[n] = (20 << 16) + (n % 41) * 350000 + int(g() % 40000);
            } else {
                pienix[n] = int(65536 + g() % (16711680u - 65536u + 1));
                pieniz[n] = int(65536 + g() % (16711680u - 65536u + 1));
            }
        }
        std::vector<unsigned char> a(256000), b(256000);
        // Scene-like light offsets, then any at all.
        const int n1 = round < 2 ? int(g() % 65536) : int(g()), n2 = round < 2 ? int(g() % 65536) : int(g());
        ufoblocks(a.data(), hfield, reveal, n1, n2);
        ufoblocksref(b.data(), hfield, reveal, n1, n2);
        ASSERT_EQ(a, b) << round;
    }
}

TEST_F(Relief, RadialSamplingThroughTheBrightCurve)
{
    std::vector<int> light(65536, -1);
    uforadiaali(dbuf, light.data());
    for (int i = 0; i < 65536; i++) ASSERT_EQ(light[i], ufotbl2[0]) << i;
    dbuf[199 * 640 + 319] = 255;  // the centre: the whole innermost turn
    uforadiaali(dbuf, light.data());
    for (int k = 0; k < 512; k++) ASSERT_EQ(light[k], ufotbl2[255]) << k;
    EXPECT_EQ(light[512 * 100], ufotbl2[0]);
}
