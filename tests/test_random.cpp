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

TEST_F(Noise, FadeBetweenLatticePointsAndAcrossBorders)
{
    // On an edge of the lattice only two corners count: ((1024 - s) * L0 +
    // s * L1) >> 10 with s the faded fraction. Negative coordinates use the
    // cell below.
    for (int cell : {0, 3, -2, -1}) {
        const int l0 = L(cell, 5, 9), l1 = L(cell + 1, 5, 9);
        for (auto [f, s] : {std::pair{256, 160}, {512, 512}, {768, 864}, {1023, 1023}, {0, 0}})
            EXPECT_EQ(noise(cell * 1024 + f, 5 * 1024, 9 * 1024), ((1024 - s) * l0 + s * l1) >> 10)
                << "cell " << cell << " fraction " << f;
    }
    // Walking through many cells on each axis a unit step never jumps by more
    // than the largest lattice difference times the steepest fade step (3/2).
    for (int axis = 0; axis < 3; axis++) {
        int prev = -1;
        for (int t = -5000; t < 5000; t++) {
            int p[3] = {1234, -777, 4321};
            p[axis] += t;
            const int v = noise(p[0], p[1], p[2]);
            ASSERT_TRUE(v >= 0 && v <= 1023) << v;
            ASSERT_TRUE(prev < 0 || std::abs(v - prev) <= 3) << "axis " << axis << " at " << t;
            prev = v;
        }
    }
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
