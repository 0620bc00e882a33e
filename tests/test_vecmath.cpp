// SPDX-License-Identifier: MIT
// test_vecmath.cpp: the camera basis and the axis-angle rotation.
#include <gtest/gtest.h>
#include <cfloat>
#include <cmath>
#include <numbers>
#include "core/vecmath.h"

using namespace tormel;

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
