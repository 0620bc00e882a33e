// SPDX-License-Identifier: MIT
// test_tables.cpp: the clamp table and the four light response curves.
#include <gtest/gtest.h>
#include "core/arith.h"
#include "scenes/common.h"

using namespace tormel;

TEST(Tables, ClampTableAndResponseCurves)
{
    for (int v = -8192; v < 8192; v++) ASSERT_EQ(rtbl[v], v < 0 ? 0 : v > 255 ? 255 : v) << v;

    buildlightcurves();
    struct { int h, merge, ufomerge; } rows[] = {{0, 0, 0}, {16, 11, 19}, {64, 48, 93}, {128, 97, 181},
                                                 {256, 168, 256}, {512, 294, 362}, {1023, 511, 511}};
    for (auto r : rows) {
        EXPECT_EQ(mergecurve[r.h], r.merge) << "mergecurve[" << r.h << "]";
        EXPECT_EQ(ufomergecurve[r.h], r.ufomerge) << "ufomergecurve[" << r.h << "]";
    }
    struct { int h, sample, ufosample; } rows2[] = {{0, 1, 1}, {1, 37, 21}, {16, 275, 50}, {32, 447, 45},
                                                    {64, 804, 39}, {128, 2048, 64}, {255, 16197, 15891}};
    for (auto r : rows2) {
        EXPECT_EQ(samplecurve[r.h], r.sample) << "samplecurve[" << r.h << "]";
        EXPECT_EQ(ufosamplecurve[r.h], r.ufosample) << "ufosamplecurve[" << r.h << "]";
    }
    // The merge curves and samplecurve rise with their input and stay inside
    // the tables they index; ufosamplecurve dips through the mid greys first.
    for (int h = 1; h < 1024; h++) {
        ASSERT_GE(mergecurve[h], mergecurve[h - 1]) << h;
        ASSERT_GE(ufomergecurve[h], ufomergecurve[h - 1]) << h;
        ASSERT_LE(ufomergecurve[h], 511) << h;
    }
    for (int h = 1; h < 256; h++) {
        ASSERT_GE(samplecurve[h], samplecurve[h - 1]) << h;
        ASSERT_LT(samplecurve[h], 16384) << h;
        ASSERT_LT(ufosamplecurve[h], 16384) << h;
    }
}
