// test_tables.cpp: the clamp table and the four light response curves.
#include <gtest/gtest.h>
#include "core/buffers.h"

using namespace tormel;

class Tables : public ::testing::Test {
protected:
    static void SetUpTestSuite() { buildtables(); }
};

TEST_F(Tables, RtblClampsItsWholeRange)
{
    EXPECT_EQ(rtbl, rtbl2 + 8192);
    EXPECT_EQ(rtbl[-8192], 0);
    EXPECT_EQ(rtbl[-1], 0);
    EXPECT_EQ(rtbl[0], 0);
    EXPECT_EQ(rtbl[200], 200);
    EXPECT_EQ(rtbl[255], 255);
    EXPECT_EQ(rtbl[256], 255);
    EXPECT_EQ(rtbl[8191], 255);
    for (int v = -8192; v < 8192; v++) ASSERT_EQ(rtbl[v], v < 0 ? 0 : v > 255 ? 255 : v) << v;
}

TEST_F(Tables, ResponseCurvesMatchTheReferenceRows)
{
    struct Row { int h, tbl, ufotbl; };
    for (Row r : {Row{0, 0, 0}, {16, 11, 19}, {64, 48, 93}, {128, 97, 181}, {256, 168, 256},
                  {512, 294, 362}, {1023, 511, 511}}) {
        EXPECT_EQ(tbl[r.h], r.tbl) << "tbl[" << r.h << "]";
        EXPECT_EQ(ufotbl[r.h], r.ufotbl) << "ufotbl[" << r.h << "]";
    }
    struct Row2 { int h, tbl2, ufotbl2; };
    for (Row2 r : {Row2{0, 1, 1}, {1, 37, 21}, {16, 275, 50}, {32, 447, 45}, {64, 804, 39},
                   {128, 2048, 64}, {255, 16197, 15891}}) {
        EXPECT_EQ(tbl2[r.h], r.tbl2) << "tbl2[" << r.h << "]";
        EXPECT_EQ(ufotbl2[r.h], r.ufotbl2) << "ufotbl2[" << r.h << "]";
    }
}

TEST_F(Tables, CurvesStayInTheirRanges)
{
    // tbl, ufotbl and tbl2 rise with their input; ufotbl2 dips through the
    // mid greys before it rises, so only the brightest bytes give light.
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
    EXPECT_LT(ufotbl2[64], ufotbl2[16]);
    EXPECT_GT(ufotbl2[200], ufotbl2[128]);
}
