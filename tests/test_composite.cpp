// SPDX-License-Identifier: MIT
// test_composite.cpp: the shaded composite against a plain per-pixel loop.
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include "colour/composite.h"
#include "colour/palette.h"

using namespace tormel;

// The composite as one plain loop, one pixel at a time.
static void reference(uint16_t* dest, const unsigned char* src, const unsigned char* plasma, const int* paletti, int br)
{
    for (int i = 0; i < 64000; i++) {
        const int c = std::clamp(int((src[i] * int64_t(std::max(br, 0))) >> 16), 0, 255);
        dest[i] = uint16_t(paletti[plasma[i] * 256 + c]);
    }
}

class Composite : public ::testing::Test {
protected:
    static unsigned char src[64000];
    static uint16_t frame[320 * 240];

    static void SetUpTestSuite()
    {
        precalcipaskaa();
        // Every intensity first, then bytes in no particular order, so a
        // swapped pair, row or band shows up.
        for (int i = 0; i < 64000; i++) src[i] = static_cast<unsigned char>(i < 256 ? i : (i * 2654435761u) >> 24);
    }
    // Composite into rows 20..219 of a frame whose other rows hold a marker.
    static void run(const int* paletti, int br)
    {
        std::fill(frame, frame + 320 * 240, 0xBEEF);
        teeharmaastavari(frame + 6400, src, hue, paletti, br);
        for (int i = 0; i < 6400; i++) {
            ASSERT_EQ(frame[i], 0xBEEF) << "row above the picture written at " << i;
            ASSERT_EQ(frame[70400 + i], 0xBEEF) << "row below the picture written at " << i;
        }
    }
};
unsigned char Composite::src[64000];
uint16_t Composite::frame[320 * 240];

TEST_F(Composite, EveryPathMatchesThePlainLoop)
{
    // Entries distinct in their low 16 bits, and noise in the high halves,
    // which are not colour.
    static int pal[16384], noisy[16384];
    static uint16_t want[64000];
    for (int i = 0; i < 16384; i++) pal[i] = (i * 40503) & 0xffff, noisy[i] = pal[i] | int(0x5A5A0000u);
    for (const int* p : {pal, noisy, paletti1})
        for (int br : {65536, 0, 1, 32768, 40000, 65535, 65537, 98304, 131072, 8421504, 2000000000, -65536}) {
            reference(want, src, hue, p, br);
            run(p, br);
            for (int i = 0; i < 64000; i++)
                ASSERT_EQ(frame[6400 + i], want[i]) << "br " << br << " pixel (" << i % 320 << ", " << i / 320 << ")";
        }
}
