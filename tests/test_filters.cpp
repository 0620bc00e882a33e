// test_filters.cpp: glow blur, box average, light sampling and the smear.
#include <gtest/gtest.h>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>
#include "colour/filters.h"
#include "core/buffers.h"
#include "raygrid/polar.h"

using namespace tormel;

namespace {

class Filters : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        xres = 320;
        yres = 200;
        valoxres = 512;
        valoyres = 128;
        allocbuffers();
        buildtables();
        prekalkutsjon();
    }
    void SetUp() override
    {
        valoxres = 512;
        valoyres = 128;
    }
};

std::vector<unsigned char> randompicture(unsigned seed)
{
    std::mt19937 g(seed);
    std::vector<unsigned char> p(64000);
    for (auto& b : p) b = (unsigned char)(g() & 255);
    return p;
}

} // namespace

// ---- teeblurri ---------------------------------------------------------------

TEST_F(Filters, GlowOfBlackIsBlack)
{
    std::vector<unsigned char> p(64000, 0);
    teeblurri(p.data());
    for (int i = 0; i < 64000; i++) ASSERT_EQ(p[i], 0) << i;
}

TEST_F(Filters, GlowSaturatesWhiteButForTheTwoClearedPixels)
{
    std::vector<unsigned char> p(64000, 255);
    teeblurri(p.data());
    for (int i = 0; i < 64000; i++) {
        if (i == 197 * 320 + 318 || i == 197 * 320 + 319)
            ASSERT_EQ(p[i], 0) << i;
        else
            ASSERT_EQ(p[i], 255) << i;
    }
}

TEST_F(Filters, GlowOfAConstantAddsTwiceTheValue)
{
    // A constant grid smears into itself; the add-back doubles it (the half
    // unit rounds 2 * 40 exactly). Rows 198 and 199 are not touched.
    std::vector<unsigned char> p(64000, 40);
    teeblurri(p.data());
    for (int y = 0; y < 200; y++)
        for (int x = 0; x < 320; x++) {
            int want = y >= 198 ? 40 : 120;
            if (y == 197 && x >= 318) want = 0;
            ASSERT_EQ(p[y * 320 + x], want) << x << "," << y;
        }
}

TEST_F(Filters, GlowSamplesOnlyEvenPixels)
{
    // The glow comes from every second pixel of every second row. Zeroing the
    // others leaves the glow as it was: the even pixels come out the same,
    // and a zeroed pixel then holds its glow alone.
    const auto orig = randompicture(1);
    auto a = orig, b = orig;
    for (int y = 0; y < 200; y++)
        for (int x = 0; x < 320; x++)
            if ((x | y) & 1) b[y * 320 + x] = 0;
    teeblurri(a.data());
    teeblurri(b.data());
    for (int y = 0; y < 198; y++)
        for (int x = 0; x < 320; x++) {
            const int i = y * 320 + x;
            if (!((x | y) & 1)) {
                ASSERT_EQ(a[i], b[i]) << x << "," << y;
            } else if (!(y == 197 && x >= 318)) {
                ASSERT_EQ(a[i], std::min(255, orig[i] + b[i])) << x << "," << y;
            }
        }
}

TEST_F(Filters, GlowSpreadsFromABrightDot)
{
    // One bright sample: it keeps the most light, its surroundings get a
    // faint glow, and a far corner stays dark.
    std::vector<unsigned char> p(64000, 0);
    p[100 * 320 + 160] = 200;
    teeblurri(p.data());
    EXPECT_GT(p[100 * 320 + 160], 200);
    for (int d : {-3, -1, 1, 3, -320, 320, -640}) EXPECT_GT(p[100 * 320 + 160 + d], 0) << d;
    EXPECT_EQ(p[2 * 320 + 2], 0);
    EXPECT_EQ(p[196 * 320 + 317], 0);
}

// ---- plordbuf ----------------------------------------------------------------

TEST_F(Filters, BoxKeepsAConstantWindow)
{
    std::memset(dbuf, 77, 256000);
    xmov = 123;
    ymov = 45;
    plordbuf();
    for (int i = 0; i < 256000; i++) ASSERT_EQ(dbuf[i], 77) << i;
}

TEST_F(Filters, BoxAveragesTheUnfilteredWindowOnly)
{
    std::mt19937 g(7);
    for (int i = 0; i < 256000; i++) dbuf[i] = (unsigned char)(g() & 255);
    std::vector<unsigned char> orig(dbuf, dbuf + 256000);
    xmov = 320;  // the far corner: the window and its neighbours just fit
    ymov = 200;
    plordbuf();
    for (int y = 0; y < 400; y++)
        for (int x = 0; x < 640; x++) {
            const int q = y * 640 + x;
            int want = orig[q];
            if (x >= xmov && x < xmov + 319 && y >= ymov && y < ymov + 199)
                want = (orig[q] + orig[q + 1] + orig[q + 640] + orig[q + 641]) >> 2;
            ASSERT_EQ(dbuf[q], want) << x << "," << y;
        }
}

// ---- teeradiaali -------------------------------------------------------------

TEST_F(Filters, RadialOfBlackIsTheCurvesFloor)
{
    std::memset(dbuf, 0, 256000);
    std::vector<int> light(65536, -5);
    teeradiaali(dbuf, light.data());
    for (int i = 0; i < 65536; i++) ASSERT_EQ(light[i], 1) << i;
}

TEST_F(Filters, RadialSamplesThroughTheMap)
{
    // Only the pixel right of the centre is lit: exactly the cells whose
    // sample is that pixel get the curve's value.
    std::memset(dbuf, 0, 256000);
    const int o = 199 * 640 + 320;
    dbuf[o] = 128;
    std::vector<int> light(65536);
    teeradiaali(dbuf, light.data());
    int lit = 0;
    for (int i = 0; i < 65536; i++) {
        ASSERT_EQ(light[i], radiaali[i] == o ? 2048 : 1) << i;
        lit += radiaali[i] == o;
    }
    EXPECT_GT(lit, 0);
}

// ---- blur2 -------------------------------------------------------------------

TEST_F(Filters, SmearAtFullStrengthCopiesTheFirstRowOutwards)
{
    std::vector<int> l(65536);
    std::mt19937 g(3);
    for (auto& v : l) v = int(g() % 16384);
    std::vector<int> row0(l.begin(), l.begin() + 512);
    blur2(l.data(), -512, 65536);
    for (int i = 0; i < 65536; i++) ASSERT_EQ(l[i], row0[i % 512]) << i;
}

TEST_F(Filters, SmearAtZeroStrengthChangesNothing)
{
    std::vector<int> l(65536);
    std::mt19937 g(4);
    for (auto& v : l) v = int(g() % 16384);
    const auto orig = l;
    for (int delta : {-512, 1, -1, -513, -511, 5, 600})
        blur2(l.data(), delta, 0);
    EXPECT_EQ(l, orig);
}

TEST_F(Filters, SmearIsRecursiveAndRoundsDown)
{
    // A tiny table to follow by hand: weight 1/2 to the right neighbour,
    // walked right to left, so light from cell 1 reaches cell 0 too.
    valoxres = 4;
    valoyres = 1;
    int a[4] = {0, 16384, 0, 0};
    blur2(a, 1, 32768);
    EXPECT_EQ(a[0], 4096);
    EXPECT_EQ(a[1], 8192);
    EXPECT_EQ(a[2], 0);
    EXPECT_EQ(a[3], 0);  // no partner: unchanged
    // The shift floors: -1/2 of a step of 1 is -1.
    int b[4] = {0, 1, 1, 1};
    blur2(b, -1, 32768);
    EXPECT_EQ(b[0], 0);
    EXPECT_EQ(b[1], 0);
    EXPECT_EQ(b[2], 0);
    EXPECT_EQ(b[3], 0);
}

TEST_F(Filters, SmearFastPathsMatchThePlainOne)
{
    // Strides and strengths of the scenes, odd ones, strides with no partner
    // at all, and values large enough to make the plain products wrap.
    std::mt19937 g(5);
    const int deltas[] = {-512, 1, -1, -513, -511, 2, -3, 15, -16, 17, 700, -65535, 65535, 65536, -70000, 0};
    const int ps[] = {62000, 32000, 35000, 52000, 65536, 1, -4000, 90000};
    for (int range : {16384, 1 << 20, 1 << 30}) {
        for (int delta : deltas) {
            for (int p : ps) {
                std::vector<int> a(65536);
                for (auto& v : a) v = int(int64_t(g() % (2ull * unsigned(range))) - range / 4);
                auto b = a;
                blur2(a.data(), delta, p);
                blur2ref(b.data(), delta, p);
                ASSERT_EQ(a, b) << "delta " << delta << " p " << p << " range " << range;
            }
        }
    }
}

TEST_F(Filters, SmearAlongTheSpiralIsExactOnFlatStretches)
{
    // Rising into a flat stretch the exact chain settles one below the flat
    // value, where a chain started inside the stretch stays on it: the fast
    // pass must still give the serial result there, both ways round.
    for (int delta : {-1, 1}) {
        for (int p : {32000, 35000, 8}) {
            std::vector<int> a(65536);
            for (int k = 0; k < 65536; k++) a[k] = (k < 20000) == (delta < 0) ? 0 : 100;
            for (int k = 60000; k < 60100; k++) a[k] = 5000;  // and one bright patch
            auto b = a;
            blur2(a.data(), delta, p);
            blur2ref(b.data(), delta, p);
            ASSERT_EQ(a, b) << "delta " << delta << " p " << p;
        }
    }
    // Smooth light, the usual case.
    std::vector<int> a(65536);
    for (int k = 0; k < 65536; k++) a[k] = int(8000 + 7000 * std::sin(k * 0.001) * std::cos(k * 0.0173));
    auto b = a;
    blur2(a.data(), 1, 32000);
    blur2(a.data(), -1, 32000);
    blur2ref(b.data(), 1, 32000);
    blur2ref(b.data(), -1, 32000);
    EXPECT_EQ(a, b);
}

