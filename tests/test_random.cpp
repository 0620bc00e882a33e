// test_random.cpp: the generator, the noise permutation and value noise,
// and the two beat gates.
#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <utility>
#include "core/random.h"

using namespace tormel;

TEST(Random, FirstDrawsFromTheInitialSeed)
{
    resetrand();
    for (int w : {19029, 23522, 17726, 8243, 12870}) EXPECT_EQ(tormel::rand(), w);
    // Starting over gives the same sequence again.
    resetrand();
    EXPECT_EQ(tormel::rand(), 19029);
}

class Noise : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        resetrand();
        buildnoise();
    }
    static int L(int x, int y, int z) { return inoise(x, y, z); }
};

TEST_F(Noise, PermutationHoldsEveryValueOnce)
{
    int seen[1024] = {};
    for (int v : nbuf) {
        ASSERT_GE(v, 0);
        ASSERT_LT(v, 1024);
        seen[v]++;
    }
    for (int v = 0; v < 1024; v++) EXPECT_EQ(seen[v], 1) << v;
    // 32768 discarded draws and one per exchange.
    resetrand();
    for (int i = 0; i < 32768 + 1024; i++) tormel::rand();
    int want = tormel::rand();
    resetrand();
    buildnoise();
    EXPECT_EQ(tormel::rand(), want);
    resetrand();
    buildnoise();
}

TEST_F(Noise, LatticeRepeatsEvery1024Cells)
{
    for (int p : {0, 1, 17, 500, 1023}) {
        EXPECT_EQ(L(p + 1024, 5, 9), L(p, 5, 9));
        EXPECT_EQ(L(5, p + 1024, 9), L(5, p, 9));
        EXPECT_EQ(L(5, 9, p - 1024), L(5, 9, p));
    }
    EXPECT_EQ(L(-1, 4, 8), L(1023, 4, 8));
    EXPECT_EQ(L(4, -1, 8), L(4, 1023, 8));
    EXPECT_EQ(L(4, 8, -1), L(4, 8, 1023));
}

TEST_F(Noise, LatticePointsGiveTheLatticeValue)
{
    for (int x : {0, 1, 512, -3, 1023, 1024, 5000})
        for (int y : {0, 7, -1})
            for (int z : {0, 2, 1023})
                ASSERT_EQ(noise(x * 1024, y * 1024, z * 1024), L(x, y, z)) << x << " " << y << " " << z;
}

TEST_F(Noise, FadeAlongOneAxis)
{
    // On an edge of the lattice only two corners count: the result is
    // ((1024 - s) * L0 + s * L1) / 1024 rounded down, with s the faded
    // fraction: s(256) = 160, s(512) = 512, s(768) = 864, s(1023) = 1023.
    for (int cell : {0, 3, -2}) {
        int x0 = cell * 1024;
        int l0 = L(cell, 5, 9), l1 = L(cell + 1, 5, 9);
        for (auto [f, s] : {std::pair{256, 160}, {512, 512}, {768, 864}, {1023, 1023}, {0, 0}})
            EXPECT_EQ(noise(x0 + f, 5 * 1024, 9 * 1024), ((1024 - s) * l0 + s * l1) >> 10)
                << "cell " << cell << " fraction " << f;
    }
}

TEST_F(Noise, ContinuousAcrossCellBorders)
{
    // Walking through many cells on each axis, a step of one unit never
    // jumps by more than the largest lattice difference times the steepest
    // fade step (3/2 at f = 512), and the values stay in 0..1023.
    for (int axis = 0; axis < 3; axis++) {
        int prev = -1;
        for (int t = -5000; t < 5000; t++) {
            int p[3] = {1234, -777, 4321};
            p[axis] += t;
            int v = noise(p[0], p[1], p[2]);
            ASSERT_GE(v, 0);
            ASSERT_LE(v, 1023);
            if (prev >= 0) {
                ASSERT_LE(std::abs(v - prev), 3) << "axis " << axis << " at " << t;
            }
            prev = v;
        }
    }
    // Just below a border the next cell already has weight 1023 of 1024.
    int l0 = L(0, 0, 0), l1 = L(1, 0, 0);
    EXPECT_EQ(noise(1023, 0, 0), (l0 + 1023 * l1) >> 10);
    EXPECT_EQ(noise(1024, 0, 0), l1);
}

TEST_F(Noise, NegativeCoordinatesUseTheCellBelow)
{
    // x = -1: cell -1, fraction 1023.
    int lm = L(-1, 0, 0), l0 = L(0, 0, 0);
    EXPECT_EQ(noise(-1, 0, 0), (lm + 1023 * l0) >> 10);
    EXPECT_EQ(noise(-1024, 0, 0), L(1023, 0, 0));
}

TEST(BeatGates, KickAndSnareRows)
{
    const int kick[16] = {1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 0};
    for (int bar = 0; bar < 3; bar++) {
        for (int row = 0; row < 16; row++) {
            float t = (bar * 16 + row) / 64.0f;
            EXPECT_EQ(pasari(t), kick[row]) << "row " << row;
            EXPECT_EQ(snare(t), (row == 4 || row == 12) ? 1 : 0) << "row " << row;
        }
    }
    EXPECT_EQ(pasari(0), 1);
    EXPECT_EQ(pasari(1 / 64.0f), 0);
    EXPECT_EQ(pasari(10 / 64.0f), 1);
    EXPECT_EQ(pasari(16 / 64.0f), 1);
    EXPECT_EQ(snare(0), 0);
    EXPECT_EQ(snare(4 / 64.0f), 1);
    EXPECT_EQ(snare(12 / 64.0f), 1);
    EXPECT_EQ(snare(20 / 64.0f), 1);
}

TEST(BeatGates, RowsTruncateAndHoldForTheWholeRow)
{
    // Just below the start of row 4 is still row 3: a kick, no snare.
    float t = std::nextafter(4 / 64.0f, 0.0f);
    EXPECT_EQ(pasari(t), 1);
    EXPECT_EQ(snare(t), 0);
    // Anywhere inside row 4 is row 4.
    EXPECT_EQ(snare(4.5f / 64), 1);
    EXPECT_EQ(snare(std::nextafter(5 / 64.0f, 0.0f)), 1);
    // Late in the run the phase is the same (pattern 25, row 13).
    EXPECT_EQ(pasari(25 + 13 / 64.0f), 1);
    EXPECT_EQ(snare(25 + 12 / 64.0f), 1);
}
