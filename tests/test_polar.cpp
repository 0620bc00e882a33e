// SPDX-License-Identifier: MIT
// test_polar.cpp: the canvas <-> polar light table index maps.
#include <gtest/gtest.h>
#include "raygrid/polar.h"

using namespace tormel;

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
