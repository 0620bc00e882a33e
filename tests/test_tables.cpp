// SPDX-License-Identifier: MIT
// test_tables.cpp: the four light response curves.
#include <gtest/gtest.h>
#include "scenes/common.h"

using namespace tormel;

TEST(Tables, SampleCurvesStayBelowTheFastPathsBound)
{
    buildlightcurves();
    // The light passes take the fast paths only while every light value
    // stays below 32768; ufosamplecurve dips through the mid greys first.
    for (int h = 1; h < 256; h++) {
        ASSERT_GE(samplecurve[h], samplecurve[h - 1]) << h;
        ASSERT_LT(samplecurve[h], 16384) << h;
        ASSERT_LT(ufosamplecurve[h], 16384) << h;
    }
}
