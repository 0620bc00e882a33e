// SPDX-License-Identifier: MIT
// test_tables.cpp: the four light response curves.
#include <gtest/gtest.h>
#include "scenes/common.h"

using namespace tormel;

TEST(Tables, ResponseCurves)
{
    buildlightcurves();
    struct { int h, merge, ufomerge; } rows[] = {{0, 0, 0}, {16, 11, 19}, {64, 48, 93}, {128, 97, 181},
                                                 {256, 168, 256}, {512, 294, 362}, {1023, 511, 511}};
    for (auto r : rows) EXPECT_TRUE(mergecurve[r.h] == r.merge && ufomergecurve[r.h] == r.ufomerge) << r.h;
    struct { int h, sample, ufosample; } rows2[] = {{0, 1, 1}, {1, 37, 21}, {16, 275, 50}, {32, 447, 45},
                                                    {64, 804, 39}, {128, 2048, 64}, {255, 16197, 15891}};
    for (auto r : rows2) EXPECT_TRUE(samplecurve[r.h] == r.sample && ufosamplecurve[r.h] == r.ufosample) << r.h;
    // The light passes take the fast paths only while every light value
    // stays below 32768; ufosamplecurve dips through the mid greys first.
    for (int h = 1; h < 256; h++) {
        ASSERT_GE(samplecurve[h], samplecurve[h - 1]) << h;
        ASSERT_LT(samplecurve[h], 16384) << h;
        ASSERT_LT(ufosamplecurve[h], 16384) << h;
    }
}
