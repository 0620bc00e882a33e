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

uint16_t hfield[65536];
unsigned char reveal[65536];

class Relief : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        xres = 320, yres = 200, valoxres = 512, valoyres = 128;
        allocbuffers();
        buildtables();
        prekalkutsjon();
        // The cone light as the water start-up makes it: 128 at (128, 128),
        // down 4 per cell of distance, 0 from 32 on.
        for (int y = 0; y < 256; y++)
            for (int x = 0; x < 256; x++)
                envi3[y * 256 + x] = (unsigned char)rtbl[128 - int(4 * std::hypot(x - 128.0, y - 128.0))];
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
    static winshift draw(int joops, float px, float py, float pz)
    {
        return teeufotaso2(window(), hfield, reveal, joops, px, py, pz, 0.5f, 0.5f);
    }
};

// Direction of corner ray n for a camera at pos looking at (1, 0, 0).
void cornerray(int n, float px, float py, float pz, double& X, double& Y, double& Z)
{
    float cam[3][3];
    teematriisi2(cam, 1 - px, -py, -pz);
    const double k = 0.06666667f * (n % 41 - 20), j = 0.08f * (n / 41 - 13);
    X = cam[2][0] + k * cam[0][0] + j * cam[1][0];
    Y = cam[2][1] + k * cam[0][1] + j * cam[1][1];
    Z = cam[2][2] + k * cam[0][2] + j * cam[1][2];
}

bool clamped(int v) { return v == 65536 || v == 16711680; }

} // namespace

TEST_F(Relief, HeightMixWrapsAt16Bits)
{
    mappi2[0] = 255, ufomap[0] = 255;
    mappi2[1] = 0, ufomap[1] = 200;
    teeufomappi(300);
    EXPECT_EQ(ufojahf[0], (32 * 255 + 300 * 255) % 65536);
    EXPECT_EQ(ufojahf[1], 60000);
    teeufomappi(-1);  // a negative weight wraps the same way
    EXPECT_EQ(ufojahf[1], 65536 - 200);
}

TEST_F(Relief, RevealCurve)
{
    draw(410, 0.25f, 0, 0);
    EXPECT_EQ(uforajatbl[1], 0);
    EXPECT_EQ(uforajatbl[2], 1);
    for (int j = 49; j < 256; j++) ASSERT_EQ(uforajatbl[j], 255) << j;  // never 256
    for (int j = 1; j < 256; j++) ASSERT_GE(uforajatbl[j], uforajatbl[j - 1]) << j;
    draw(0, 0.25f, 0, 0);
    for (int j = 0; j <= 206; j++) ASSERT_EQ(uforajatbl[j], 0) << j;
    EXPECT_GT(uforajatbl[207], 0);
    EXPECT_EQ(uforajatbl[254], 255);
}

TEST_F(Relief, FlatMapShowsTheUndistortedConePlusTheReveal)
{
    // Camera on the axis, the plane at x = 1. With vx = vy = 0.5 the cone's
    // centre lies at world (y, z) = (0, -0.171875) and the light falls by 256
    // per world unit. Every block corner is checked against the plane hit
    // worked out directly, allowing for the cone's cell steps.
    const winshift sh = draw(410, 0.25f, 0, 0);
    ASSERT_EQ(sh.x, 0);
    ASSERT_EQ(sh.y, 0);
    int brightest = 0;
    for (int n = 0; n < 1066; n++) {
        if (n % 41 == 40 || n / 41 == 25) continue;  // corners with no block
        double X, Y, Z;
        cornerray(n, 0.25f, 0, 0, X, Y, Z);
        const double s = 0.75 / X;
        const int want = std::max(0, 128 - int(256 * std::hypot(Y * s, Z * s + 0.171875)));
        const int got = window()[(n / 41) * 8 * 640 + (n % 41) * 8];
        ASSERT_NEAR(got, want, 8) << n;
        brightest = std::max(brightest, got);
    }
    EXPECT_GE(brightest, 120);
    // The reveal adds its curve's value everywhere, saturating at 255.
    const std::vector<unsigned char> dark(dbuf, dbuf + 256000);
    std::memset(reveal, 26, sizeof reveal);  // half way up the curve
    draw(410, 0.25f, 0, 0);
    const int add = uforajatbl[26];
    ASSERT_TRUE(add > 100 && add < 200);
    for (int y = 0; y < 200; y++)
        for (int x = 0; x < 320; x++) {
            const int o = (100 + y) * 640 + 160 + x;
            ASSERT_EQ(dbuf[o], std::min(255, dark[o] + add)) << x << "," << y;
        }
}

TEST_F(Relief, WritesExactlyTheShiftedWindow)
{
    std::memset(dbuf, 0xee, 256000);  // the unrevealed cone never reaches 238
    const winshift sh = draw(0, 0.25f, 0.2f, 0.15f);
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
    const winshift back = draw(0, 0.25f, -0.2f, -0.15f);
    EXPECT_NEAR(back.x, -sh.x, 2);
    EXPECT_NEAR(back.y, -sh.y, 2);
}

TEST_F(Relief, CornerHitsOnBothPlanesClampedToTheMap)
{
    // From 0 < posx < 1 rays going up x meet x = 1 and rays going down x meet
    // x = -1; far off the axis many hits lie beyond the map and are clamped
    // to its 1.0 .. 255.0 cells. A raised surface (height 65535 everywhere)
    // moves the planes in to x = +-h.
    for (uint16_t height : {0, 65535}) {
        for (auto& v : hfield) v = height;
        const double h = 1 - height / 262144.0;
        const float px = 0.5f, pz = 3;
        draw(0, px, 0, pz);
        int up = 0, down = 0, edge = 0;
        for (int n = 0; n < 1066; n++) {
            ASSERT_TRUE(pienix[n] >= 65536 && pienix[n] <= 16711680) << n;
            ASSERT_TRUE(pieniz[n] >= 65536 && pieniz[n] <= 16711680) << n;
            double X, Y, Z;
            cornerray(n, px, 0, pz, X, Y, Z);
            const double s = ((X > 0 ? h : -h) - px) / X;
            // Clamped before the conversion: far off the axis the hit is out of int range.
            const int wy = int(std::clamp(65536 * (128 * (Y * s) + 128), 65536.0, 16711680.0));
            const int wz = int(std::clamp(65536 * (128 * (pz + Z * s) + 150), 65536.0, 16711680.0));
            if (clamped(wy) || clamped(wz)) {
                edge += clamped(pieniz[n]) || clamped(pienix[n]);
                continue;
            }
            ASSERT_NEAR(pieniz[n], wy, 4) << n;
            ASSERT_NEAR(pienix[n], wz, 4) << n;
            (X > 0 ? up : down)++;
        }
        EXPECT_GT(up, 0);
        EXPECT_GT(down, 0);
        EXPECT_GT(edge, 100);
    }
}

TEST_F(Relief, SlopeShiftsTheLightButNotAcrossTheEdge)
{
    // A ramp along the columns gives dc = -256 off the last column: the same
    // as a flat map with the column offset moved by 2 * -256. Rows likewise.
    std::mt19937 g(11);
    std::vector<unsigned char> ramp(256000), flat(256000);
    for (int n = 0; n < 1066; n++) {
        pienix[n] = int((20u << 16) + g() % (200u << 16));
        pieniz[n] = int((100u << 16) + g() % (50u << 16));  // columns 100..150
    }
    for (int i = 0; i < 65536; i++) hfield[i] = uint16_t((i & 255) * 256);
    ufoblocks(ramp.data(), hfield, reveal, 12345, 23456);
    std::memset(hfield, 0, sizeof hfield);
    ufoblocks(flat.data(), hfield, reveal, 12345, 23456 - 512);
    EXPECT_EQ(ramp, flat);
    for (int i = 0; i < 65536; i++) hfield[i] = uint16_t((i >> 8) * 128);
    ufoblocks(ramp.data(), hfield, reveal, 12345, 23456);
    std::memset(hfield, 0, sizeof hfield);
    ufoblocks(flat.data(), hfield, reveal, 12345 - 256, 23456);
    EXPECT_EQ(ramp, flat);
    // The last row has no row below and the last cell no cell to its right:
    // there the slope is zero, so a raised last row lights like a flat one.
    for (int i = 65280; i < 65536; i++) hfield[i] = 50000;
    for (int n = 0; n < 1066; n++) pienix[n] = 16711680, pieniz[n] = 65536 + (n % 41) * 6 * 65536;
    ufoblocks(ramp.data(), hfield, reveal, 0, 0);
    std::memset(hfield, 0, sizeof hfield);
    ufoblocks(flat.data(), hfield, reveal, 0, 0);
    EXPECT_EQ(ramp, flat);
}

TEST_F(Relief, IncrementalBlocksMatchTheClosedForm)
{
    std::mt19937 g(12);
    for (auto& h : hfield) h = uint16_t(g());
    for (auto& r : reveal) r = (unsigned char)g();
    draw(300, 0.25f, 0, 0);  // for the reveal curve
    for (int round = 0; round < 6; round++) {
        // Corners anywhere on the map (blocks both clear of and touching the
        // last row), or a smooth view like the renderer's; scene-like light
        // offsets, then any at all.
        for (int n = 0; n < 1066; n++) {
            if (round % 3 == 2) {
                pienix[n] = (60 << 16) + (n / 41) * 500000 + int(g() % 40000);
                pieniz[n] = (20 << 16) + (n % 41) * 350000 + int(g() % 40000);
            } else {
                pienix[n] = int(65536 + g() % (16711680u - 65536u + 1));
                pieniz[n] = int(65536 + g() % (16711680u - 65536u + 1));
            }
        }
        const int n1 = round < 3 ? int(g() % 65536) : int(g()), n2 = round < 3 ? int(g() % 65536) : int(g());
        std::vector<unsigned char> a(256000), b(256000);
        ufoblocks(a.data(), hfield, reveal, n1, n2);
        ufoblocksref(b.data(), hfield, reveal, n1, n2);
        ASSERT_EQ(a, b) << round;
    }
}

TEST_F(Relief, RadialSamplingThroughTheBrightCurve)
{
    const int centre = 199 * 640 + 319;  // sampled by the whole innermost turn
    dbuf[centre] = 255;
    std::vector<int> light(65536, -1);
    uforadiaali(dbuf, light.data());
    for (int i = 0; i < 65536; i++) ASSERT_EQ(light[i], radiaali[i] == centre ? ufotbl2[255] : ufotbl2[0]) << i;
    for (int i = 0; i < 512; i++) ASSERT_EQ(light[i], ufotbl2[255]) << i;
}
