// SPDX-License-Identifier: MIT
// The shared core: wrapping 32-bit arithmetic and the x86-style truncating
// conversion, the generator, the noise permutation, the beat gates, and the
// camera basis and rotation.
#include <gtest/gtest.h>
#include "core/arith.h"
#include "core/random.h"
#include "core/vecmath.h"
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <utility>

using namespace tormel;

TEST(Arith, WrapLikeTwosComplementAndTruncateLikeX86)
{
    EXPECT_EQ(wadd(INT_MAX, 1), INT_MIN);
    EXPECT_EQ(wsub(INT_MIN, 1), INT_MAX);
    EXPECT_EQ(wmul(0x10001, 0x10001), 0x20001);  // 2^32 + 2^17 + 1 wraps to 2^17 + 1
    EXPECT_EQ(wshl(1, 31), INT_MIN);
    EXPECT_EQ(wshl(0x40000001, 2), 4);
    EXPECT_EQ(trunc32(2.7), 2);
    EXPECT_EQ(trunc32(-2.7), -2);
    EXPECT_EQ(trunc32(2147483647.9), INT_MAX);
    EXPECT_EQ(trunc32(-2147483648.9), INT_MIN);
    for (double x : {2147483648.0, -2147483649.0, 1e300, double(INFINITY), -double(INFINITY), double(NAN)})
        EXPECT_EQ(trunc32(x), INT_MIN) << x;
}

class Noise : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        resetrand();
        buildnoise();
    }
    static int L(int x, int y, int z) { return inoise(x, y, z); }
};

TEST_F(Noise, GeneratorAndPermutation)
{
    resetrand();
    for (int w : {19029, 23522, 17726, 8243, 12870}) EXPECT_EQ(tormel::rand(), w);
    // The permutation holds every value once, after 32768 discarded draws
    // and one per exchange.
    int seen[1024] = {};
    for (int v : nbuf) {
        ASSERT_TRUE(v >= 0 && v < 1024) << v;
        seen[v]++;
    }
    for (int v = 0; v < 1024; v++) EXPECT_EQ(seen[v], 1) << v;
    resetrand();
    for (int i = 0; i < 32768 + 1024; i++) tormel::rand();
    const int want = tormel::rand();
    resetrand();
    buildnoise();
    EXPECT_EQ(tormel::rand(), want);
}

TEST(BeatGates, KickAndSnareRows)
{
    const int kick[16] = {1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 0};
    for (int bar : {0, 1, 2, 100})
        for (int row = 0; row < 16; row++) {
            // Anywhere inside a row is that row; just below its start, the one before.
            const float t = (bar * 16 + row) / 64.0f, late = (bar * 16 + row + 0.99f) / 64.0f;
            const float early = std::nextafter(t, 0.0f);
            EXPECT_EQ(pasari(t), kick[row]) << "row " << row;
            EXPECT_EQ(pasari(late), kick[row]) << "row " << row;
            EXPECT_EQ(snare(t), (row == 4 || row == 12) ? 1 : 0) << "row " << row;
            EXPECT_EQ(snare(late), snare(t)) << "row " << row;
            if (t > 0) {
                EXPECT_EQ(pasari(early), kick[(row + 15) % 16]) << "row " << row;
                EXPECT_EQ(snare(early), (row == 5 || row == 13) ? 1 : 0) << "row " << row;
            }
        }
}

static double length(const vector& v) { return std::sqrt(piste(&v, &v)); }

TEST(Vecmath, CameraBasis)
{
    float m[3][3];
    // Any direction and roll: orthonormal, dir exactly the normalised
    // direction, up on yref's side.
    const vector yref = normalised({0.3f, 1, -0.2f});
    teematriisi2(m, 2, -3, 7, yref);
    vector row[3], dir{2, -3, 7};
    for (int i = 0; i < 3; i++) row[i] = {m[i][0], m[i][1], m[i][2]};
    for (int i = 0; i < 3; i++) {
        EXPECT_NEAR(length(row[i]), 1.0, 1e-6);
        for (int j = i + 1; j < 3; j++) EXPECT_NEAR(piste(&row[i], &row[j]), 0.0, 1e-6);
    }
    normalisoi(&dir);
    EXPECT_TRUE(row[2].x == dir.x && row[2].y == dir.y && row[2].z == dir.z);
    EXPECT_GT(piste(&row[1], &yref), 0.0);
}

TEST(Vecmath, Rotation)
{
    // A quarter turn about z takes the row vector (1, 0, 0) to (0, 1, 0).
    float m[3][3];
    teamatrix(m, 0, 0, float(std::numbers::pi / 2));
    const float want[9] = {0, 1, 0, -1, 0, 0, 0, 0, 1};
    for (int k = 0; k < 9; k++) EXPECT_NEAR(m[k / 3][k % 3], want[k], FLT_EPSILON) << k;
    for (int k : {2, 5, 6, 7}) EXPECT_EQ(m[k / 3][k % 3], 0.0f) << k;
    // No axis at all is no turn, not a division by zero.
    teamatrix(m, 0, 0, 0);
    for (int k = 0; k < 9; k++) EXPECT_EQ(m[k / 3][k % 3], k % 4 == 0 ? 1.0f : 0.0f) << k;
}
