// SPDX-License-Identifier: MIT
// test_tables.cpp: the clamp table and the four light response curves.
#include <gtest/gtest.h>
#include "core/buffers.h"

using namespace tormel;

TEST(Tables, ClampTableAndResponseCurves)
{
    buildtables();
    EXPECT_EQ(rtbl, rtbl2 + 8192);
    for (int v = -8192; v < 8192; v++) ASSERT_EQ(rtbl[v], v < 0 ? 0 : v > 255 ? 255 : v) << v;

    struct { int h, tbl, ufotbl; } rows[] = {{0, 0, 0}, {16, 11, 19}, {64, 48, 93}, {128, 97, 181},
                                             {256, 168, 256}, {512, 294, 362}, {1023, 511, 511}};
    for (auto r : rows) {
        EXPECT_EQ(tbl[r.h], r.tbl) << "tbl[" << r.h << "]";
        EXPECT_EQ(ufotbl[r.h], r.ufotbl) << "ufotbl[" << r.h << "]";
    }
    struct { int h, tbl2, ufotbl2; } rows2[] = {{0, 1, 1}, {1, 37, 21}, {16, 275, 50}, {32, 447, 45},
                                                {64, 804, 39}, {128, 2048, 64}, {255, 16197, 15891}};
    for (auto r : rows2) {
        EXPECT_EQ(tbl2[r.h], r.tbl2) << "tbl2[" << r.h << "]";
        EXPECT_EQ(ufotbl2[r.h], r.ufotbl2) << "ufotbl2[" << r.h << "]";
    }
    // tbl, ufotbl and tbl2 rise with their input and stay inside the tables
    // they index; ufotbl2 dips through the mid greys before it rises.
    for (int h = 1; h < 1024; h++) {
        ASSERT_GE(tbl[h], tbl[h - 1]) << h;
        ASSERT_GE(ufotbl[h], ufotbl[h - 1]) << h;
        ASSERT_LE(ufotbl[h], 511) << h;
    }
    for (int h = 1; h < 256; h++) {
        ASSERT_GE(tbl2[h], tbl2[h - 1]) << h;
        ASSERT_LT(tbl2[h], 16384) << h;
        ASSERT_LT(ufotbl2[h], 16384) << h;
    }
}
