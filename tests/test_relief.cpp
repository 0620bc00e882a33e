// SPDX-License-Identifier: MIT
// test_relief.cpp: the relief plane: corner rays on both planes clamped to
// the map, the slope's light at the map's edge, and the blocks against their
// closed form.
#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>
#include "core/arith.h"
#include "core/vecmath.h"
#include "relief/relief.h"
#include "water/water.h"

using namespace tormel;

namespace {

uint16_t hfield[65536];
unsigned char reveal[65536];
reliefgrid grid;

class Relief : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // The cone light as the water start-up makes it: 128 at (128, 128),
        // down 4 per cell of distance, 0 from 32 on.
        for (int i = 0; i < 65536; i++)
            envicone[i] = (unsigned char)rtbl[128 - int(4 * std::hypot(i % 256 - 128.0, i / 256 - 128.0))];
    }
    void SetUp() override
    {
        std::memset(hfield, 0, sizeof hfield);
        std::memset(reveal, 0, sizeof reveal);
        std::memset(cv, 0, sizeof cv);
    }
    static inline unsigned char cv[256000];  // a canvas
    static unsigned char* window() { return cv + 100 * 640 + 160; }
    static inline const vector up = normalised({0.1f, 0.5f, 1.0f});  // the relief scene's
    static winshift draw(int joops, float px, float py, float pz)
    {
        return teeufotaso2(window(), hfield, reveal, joops, up, px, py, pz, 0.5f, 0.5f);
    }
};

// Direction of corner ray n for a camera at pos looking at (1, 0, 0).
void cornerray(int n, float px, float py, float pz, double& X, double& Y, double& Z)
{
    float cam[3][3];
    teematriisi2(cam, 1 - px, -py, -pz, normalised({0.1f, 0.5f, 1.0f}));
    const double k = 0.06666667f * (n % 41 - 20), j = 0.08f * (n / 41 - 13);
    X = cam[2][0] + k * cam[0][0] + j * cam[1][0];
    Y = cam[2][1] + k * cam[0][1] + j * cam[1][1];
    Z = cam[2][2] + k * cam[0][2] + j * cam[1][2];
}

} // namespace

TEST_F(Relief, CornerHitsOnBothPlanesClampedToTheMap)
{
    // From 0 < posx < 1 rays going up x meet x = 1 and rays going down x meet
    // x = -1; far off the axis many hits lie beyond the map and are clamped
    // to its 1.0 .. 255.0 cells. A raised surface (height 65535 everywhere)
    // moves the planes in to x = +-h.
    auto clamped = [](int v) { return v == 65536 || v == 16711680; };
    for (uint16_t height : {0, 65535}) {
        std::fill(hfield, hfield + 65536, height);
        const double h = 1 - height / 262144.0;
        const float px = 0.5f, pz = 3;
        ufogrid(&grid, hfield, Relief::up, px, 0, pz);
        int up = 0, down = 0, edge = 0;
        for (int n = 0; n < 1066; n++) {
            ASSERT_TRUE(grid.row[n] >= 65536 && grid.row[n] <= 16711680) << n;
            ASSERT_TRUE(grid.col[n] >= 65536 && grid.col[n] <= 16711680) << n;
            double X, Y, Z;
            cornerray(n, px, 0, pz, X, Y, Z);
            const double s = ((X > 0 ? h : -h) - px) / X;
            // Clamped before the conversion: far off the axis the hit is out of int range.
            const int wy = int(std::clamp(65536 * (128 * (Y * s) + 128), 65536.0, 16711680.0));
            const int wz = int(std::clamp(65536 * (128 * (pz + Z * s) + 150), 65536.0, 16711680.0));
            if (clamped(wy) || clamped(wz)) {
                edge += clamped(grid.col[n]) || clamped(grid.row[n]);
                continue;
            }
            ASSERT_NEAR(grid.col[n], wy, 4) << n;
            ASSERT_NEAR(grid.row[n], wz, 4) << n;
            (X > 0 ? up : down)++;
        }
        EXPECT_TRUE(up > 0 && down > 0 && edge > 100) << up << " " << down << " " << edge;
    }
}

TEST_F(Relief, SlopeShiftsTheLightButNotAcrossTheEdge)
{
    // A ramp along the columns gives dc = -256 off the last column: the same
    // as a flat map with the column offset moved by 2 * -256. Rows likewise.
    // The last row has no row below and the last cell no cell to its right:
    // there the slope is zero, so a raised last row lights like a flat one.
    std::mt19937 g(11);
    std::vector<unsigned char> ramp(256000), flat(256000);
    auto expectflat = [&](uint16_t (*height)(int), int n1, int n2, int flatn1, int flatn2) {
        for (int i = 0; i < 65536; i++) hfield[i] = height(i);
        ufoblocks(ramp.data(), grid, hfield, reveal, n1, n2);
        std::memset(hfield, 0, sizeof hfield);
        ufoblocks(flat.data(), grid, hfield, reveal, flatn1, flatn2);
        EXPECT_EQ(ramp, flat);
    };
    for (int n = 0; n < 1066; n++) {
        grid.row[n] = int((20u << 16) + g() % (200u << 16));
        grid.col[n] = int((100u << 16) + g() % (50u << 16));  // columns 100..150
    }
    expectflat([](int i) { return uint16_t((i & 255) * 256); }, 12345, 23456, 12345, 23456 - 512);
    expectflat([](int i) { return uint16_t((i >> 8) * 128); }, 12345, 23456, 12345 - 256, 23456);
    for (int n = 0; n < 1066; n++) grid.row[n] = 16711680, grid.col[n] = 65536 + (n % 41) * 6 * 65536;
    expectflat([](int i) { return uint16_t(i >= 65280 ? 50000 : 0); }, 0, 0, 0, 0);
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
            const bool smooth = round % 3 == 2;
            grid.row[n] = smooth ? (60 << 16) + (n / 41) * 500000 + int(g() % 40000) : int(65536 + g() % 16646145);
            grid.col[n] = smooth ? (20 << 16) + (n % 41) * 350000 + int(g() % 40000) : int(65536 + g() % 16646145);
        }
        const int n1 = round < 3 ? int(g() % 65536) : int(g()), n2 = round < 3 ? int(g() % 65536) : int(g());
        std::vector<unsigned char> a(256000), b(256000);
        ufoblocks(a.data(), grid, hfield, reveal, n1, n2);
        ufoblocksref(b.data(), grid, hfield, reveal, n1, n2);
        ASSERT_EQ(a, b) << round;
    }
}
