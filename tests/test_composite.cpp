// test_composite.cpp: the shaded composite against a plain per-pixel loop.
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include "colour/composite.h"
#include "colour/palette.h"
#include "core/buffers.h"
#include "core/random.h"

using namespace tormel;

// The composite as one plain loop, one pixel at a time.
static void reference(uint16_t* dest, const unsigned char* src, const unsigned char* plasma,
                      const int* paletti, int br)
{
    for (int i = 0; i < 64000; i++) {
        int s = src[i], c;
        if (br == 65536)
            c = s;
        else if (br > 65536)
            c = std::min((s * br) >> 16, 255);
        else
            c = (s * br) >> 16;
        dest[i] = uint16_t(paletti[plasma[i] * 256 + c]);
    }
}

class Composite : public ::testing::Test {
protected:
    static unsigned char src[64000];
    static int pal[16384];
    static uint16_t frame[320 * 240], want[64000];

    static void SetUpTestSuite()
    {
        buildtables();
        precalcipaskaa();
        // Every intensity in every palette row, in no particular order, so a
        // swapped pair, row or band shows up.
        resetrand();
        for (int i = 0; i < 64000; i++) src[i] = static_cast<unsigned char>(tormel::rand() & 255);
        for (int i = 0; i < 256; i++) src[i] = static_cast<unsigned char>(i);
        // A palette whose every entry is distinct in its low 16 bits.
        for (int i = 0; i < 16384; i++) pal[i] = (i * 40503) & 0xffff;
    }

    // Composite into rows 20..219 of a frame whose other rows hold a marker.
    static void run(const int* paletti, int br)
    {
        for (uint16_t& p : frame) p = 0xBEEF;
        teeharmaastavari(frame + 6400, src, hue, paletti, br);
        for (int i = 0; i < 6400; i++) {
            ASSERT_EQ(frame[i], 0xBEEF) << "row above the picture written at " << i;
            ASSERT_EQ(frame[70400 + i], 0xBEEF) << "row below the picture written at " << i;
        }
    }
    static void check(const int* paletti, int br)
    {
        reference(want, src, hue, paletti, br);
        run(paletti, br);
        for (int i = 0; i < 64000; i++)
            ASSERT_EQ(frame[6400 + i], want[i]) << "br " << br << " pixel (" << i % 320 << ", " << i / 320 << ")";
    }
    static int column(int br, int s)
    {
        // Which column the composite took for intensity s, read back through
        // a palette that holds its own column number.
        static int ident[16384];
        for (int i = 0; i < 16384; i++) ident[i] = i & 255;
        unsigned char keep = src[0];
        src[0] = static_cast<unsigned char>(s);
        run(ident, br);
        src[0] = keep;
        return frame[6400];
    }
};
unsigned char Composite::src[64000];
int Composite::pal[16384];
uint16_t Composite::frame[320 * 240], Composite::want[64000];

TEST_F(Composite, EveryPathMatchesThePlainLoop)
{
    for (int br : {65536, 0, 1, 32768, 65535, 65537, 98304, 131072, 8421504}) {
        check(pal, br);
        check(paletti1, br);
    }
}

TEST_F(Composite, PathsAgreeAtScaleOne)
{
    // 65537 goes through the saturating loop yet scales every byte by 1.0.
    run(paletti2, 65536);
    static uint16_t unscaled[64000];
    std::memcpy(unscaled, frame + 6400, sizeof unscaled);
    run(paletti2, 65537);
    EXPECT_EQ(std::memcmp(unscaled, frame + 6400, sizeof unscaled), 0);
    for (int i = 0; i < 64000; i++)
        ASSERT_EQ(unscaled[i], paletti2[hue[i] * 256 + src[i]]) << i;
}

TEST_F(Composite, BrightnessPicksTheColumn)
{
    EXPECT_EQ(column(98304, 170), 255);
    EXPECT_EQ(column(98304, 255), 255);
    EXPECT_EQ(column(98304, 169), 253);
    EXPECT_EQ(column(98304, 100), 150);
    EXPECT_EQ(column(32768, 255), 127);
    EXPECT_EQ(column(65535, 255), 254);
    EXPECT_EQ(column(65535, 1), 0);
    EXPECT_EQ(column(65536, 77), 77);
    // Far beyond any scene's flash the column still saturates.
    EXPECT_EQ(column(2000000000, 1), 255);
    EXPECT_EQ(column(2000000000, 255), 255);
}

TEST_F(Composite, ZeroBrightnessIsBlack)
{
    run(paletti3, 0);
    for (int i = 0; i < 64000; i++) ASSERT_EQ(frame[6400 + i], 0) << i;
    // A negative brightness is taken as zero rather than read before the row.
    run(paletti3, -65536);
    for (int i = 0; i < 64000; i++) ASSERT_EQ(frame[6400 + i], 0) << i;
}

TEST_F(Composite, OnlyTheLowHalfOfAnEntryIsColour)
{
    static int noisy[16384];
    for (int i = 0; i < 16384; i++) noisy[i] = pal[i] | int(0x5A5A0000u);
    check(noisy, 65536);
    check(noisy, 40000);
    check(noisy, 90000);
}
