// SPDX-License-Identifier: MIT
// test_random.cpp: the generator, the noise permutation and value noise,
// and the two beat gates.
#include <gtest/gtest.h>
#include <cmath>
#include <cstdlib>
#include <utility>
#include "core/random.h"

using namespace tormel;

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
