// test_vecmath.cpp: vectors, the camera basis, the axis-angle rotation and
// the two conversions (clamp, qftolp).
#include <gtest/gtest.h>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <numbers>
#include "core/vecmath.h"

using namespace tormel;

static double length(const vector& v)
{
    return std::sqrt(double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z);
}

TEST(Vecmath, ClampLimitsToAByte)
{
    EXPECT_EQ(clamp(256), 255);
    EXPECT_EQ(clamp(255), 255);
    EXPECT_EQ(clamp(0), 0);
    EXPECT_EQ(clamp(-1), 0);
    EXPECT_EQ(clamp(INT_MIN), 0);
    EXPECT_EQ(clamp(INT_MAX), 255);
}

TEST(Vecmath, QftolpTruncatesAndLeavesTheRangeAsIntMin)
{
    int v = 99;
    qftolp(&v, -0.5f);  EXPECT_EQ(v, 0);
    qftolp(&v, 1.9999f); EXPECT_EQ(v, 1);
    qftolp(&v, -7.99f); EXPECT_EQ(v, -7);
    qftolp(&v, 2.7f);   EXPECT_EQ(v, 2);
    qftolp(&v, 3e9f);   EXPECT_EQ(v, INT_MIN);
    qftolp(&v, -3e9f);  EXPECT_EQ(v, INT_MIN);
    qftolp(&v, std::numeric_limits<float>::quiet_NaN()); EXPECT_EQ(v, INT_MIN);
}

TEST(Vecmath, DotAndCross)
{
    vector a{1, 0, 0}, b{0, 1, 0}, d{};
    risti(&d, &a, &b);
    EXPECT_EQ(d.x, 0.0f);
    EXPECT_EQ(d.y, 0.0f);
    EXPECT_EQ(d.z, 1.0f);

    vector p{1.5f, -2, 3}, q{4, 5, -6.25f};
    EXPECT_EQ(piste(&p, &q), 1.5 * 4 - 2.0 * 5 - 3 * 6.25);
    // The cross product is perpendicular to both factors.
    risti(&d, &p, &q);
    EXPECT_NEAR(piste(&d, &p), 0.0, 1e-5);
    EXPECT_NEAR(piste(&d, &q), 0.0, 1e-5);
}

TEST(Vecmath, NormaliseKeepsTheDirection)
{
    for (vector v : {vector{3, 4, 0}, vector{-1e-3f, 2e-3f, 5e-4f}, vector{1e4f, -3e4f, 7},
                     vector{0, 0, -9}}) {
        vector n = v;
        normalisoi(&n);
        EXPECT_NEAR(length(n), 1.0, 2e-7);
        vector c{};
        risti(&c, &n, &v);
        EXPECT_NEAR(length(c) / length(v), 0.0, 2e-7);  // parallel
        EXPECT_GT(piste(&n, &v), 0.0);                   // and not reversed
    }
    vector v{3, 4, 0};
    normalisoi(&v);
    EXPECT_EQ(v.x, 0.6f);
    EXPECT_EQ(v.y, 0.8f);
    EXPECT_EQ(v.z, 0.0f);
}

TEST(Vecmath, CameraLooksDownZWithRightTowardMinusX)
{
    yvec = {0, 1, 0};
    float m[3][3];
    teematriisi2(m, 0, 0, 5);
    const float want[3][3] = {{-1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    for (int i = 0; i < 3; i++)
        for (int j = 0; j < 3; j++) EXPECT_EQ(m[i][j], want[i][j]) << i << "," << j;
}

TEST(Vecmath, CameraBasisIsOrthonormalForAnyDirectionAndRoll)
{
    yvec = {0.3f, 1, -0.2f};
    normalisoi(&yvec);
    float m[3][3];
    teematriisi2(m, 2, -3, 7);
    vector row[3];
    for (int i = 0; i < 3; i++) row[i] = {m[i][0], m[i][1], m[i][2]};
    for (int i = 0; i < 3; i++) {
        EXPECT_NEAR(length(row[i]), 1.0, 1e-6);
        for (int j = i + 1; j < 3; j++) EXPECT_NEAR(piste(&row[i], &row[j]), 0.0, 1e-6);
    }
    vector dir{2, -3, 7};
    normalisoi(&dir);
    EXPECT_EQ(row[2].x, dir.x);
    EXPECT_EQ(row[2].y, dir.y);
    EXPECT_EQ(row[2].z, dir.z);
    EXPECT_GT(piste(&row[1], &yvec), 0.0);  // up stays on yvec's side
}

TEST(Vecmath, RotationAboutZByAQuarterTurn)
{
    float m[3][3];
    teamatrix(m, 0, 0, float(std::numbers::pi / 2));
    EXPECT_NEAR(m[0][1], 1.0f, FLT_EPSILON);
    EXPECT_NEAR(m[1][0], -1.0f, FLT_EPSILON);
    EXPECT_NEAR(m[2][2], 1.0f, FLT_EPSILON);
    EXPECT_NEAR(m[0][0], 0.0f, FLT_EPSILON);
    EXPECT_NEAR(m[1][1], 0.0f, FLT_EPSILON);
    for (int k : {2, 5, 6, 7}) EXPECT_EQ(m[k / 3][k % 3], 0.0f) << k;
}

TEST(Vecmath, ZeroAxisGivesTheIdentity)
{
    float m[3][3];
    for (auto& r : m)
        for (float& e : r) e = 42;
    teamatrix(m, 0, 0, 0);
    for (int i = 0; i < 3; i++)
        for (int j = 0; j < 3; j++) EXPECT_EQ(m[i][j], i == j ? 1.0f : 0.0f) << i << "," << j;
}

TEST(Vecmath, RotationIsOrthonormalAndKeepsItsAxis)
{
    const float ax = 0.7f, ay = -1.3f, az = 2.1f;
    float m[3][3];
    teamatrix(m, ax, ay, az);
    for (int i = 0; i < 3; i++)
        for (int j = 0; j < 3; j++) {
            double d = 0;
            for (int k = 0; k < 3; k++) d += double(m[i][k]) * m[j][k];
            EXPECT_NEAR(d, i == j ? 1.0 : 0.0, 1e-6) << i << "," << j;
        }
    // A point on the axis, multiplied as a row vector, stays where it is.
    const float p[3] = {ax, ay, az};
    for (int j = 0; j < 3; j++) {
        double s = 0;
        for (int i = 0; i < 3; i++) s += double(p[i]) * m[i][j];
        EXPECT_NEAR(s, p[j], 1e-5) << j;
    }
    // Turning about x by a quarter: the row vector (0, 1, 0) goes to (0, 0, 1).
    teamatrix(m, float(std::numbers::pi / 2), 0, 0);
    EXPECT_NEAR(m[1][2], 1.0f, FLT_EPSILON);
    EXPECT_NEAR(m[2][1], -1.0f, FLT_EPSILON);
}

// The rounded terms of the rotation are part of every turned texture, so
// the exact bits of one general rotation are pinned.
TEST(Vecmath, RotationBitsArePinned)
{
    float m[3][3];
    teamatrix(m, 0.7f, -1.3f, 2.1f);
    uint32_t bits[9];
    std::memcpy(bits, m, sizeof bits);
    // Worked out on the side from the formulas in double, with a*a, b*b,
    // c*c and a*r rounded to float.
    const uint32_t want[9] = {0xbf33e3c2, 0x3e4318cd, 0x3f2f7d79, 0xbf32d399, 0xbebc4822,
                              0xbf1d2520, 0x3e0a60ad, 0xbf69030f, 0x3ec87232};
    for (int k = 0; k < 9; k++) EXPECT_EQ(bits[k], want[k]) << "teamatrix element " << k;
}
