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
        xres = 320, yres = 200, valoxres = 512, valoyres = 128;
        allocbuffers();
        buildtables();
        prekalkutsjon();
    }
    void SetUp() override { valoxres = 512, valoyres = 128; }
};

std::vector<unsigned char> randompicture(unsigned seed)
{
    std::mt19937 g(seed);
    std::vector<unsigned char> p(64000);
    for (auto& b : p) b = (unsigned char)(g() & 255);
    return p;
}

} // namespace

TEST_F(Filters, GlowOnFlatPictures)
{
    // Black stays black (the rounding half adds nothing); a constant grid
    // smears into itself and is added back doubled (clamped for white);
    // rows 198 and 199 are untouched and two pixels of row 197 are cleared.
    for (int v : {0, 40, 255}) {
        std::vector<unsigned char> p(64000, (unsigned char)v);
        teeblurri(p.data());
        for (int y = 0; y < 200; y++)
            for (int x = 0; x < 320; x++) {
                int want = y >= 198 ? v : std::min(255, 3 * v);
                if (y == 197 && x >= 318) want = 0;
                ASSERT_EQ(p[y * 320 + x], want) << v << ": " << x << "," << y;
            }
    }
}

TEST_F(Filters, GlowSamplesOnlyEvenPixels)
{
    // Zeroing the pixels off the even grid leaves the glow as it was: the
    // even pixels come out the same, and a zeroed pixel holds its glow alone.
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

TEST_F(Filters, BoxAveragesTheUnfilteredWindowOnly)
{
    std::mt19937 g(7);
    for (int i = 0; i < 256000; i++) dbuf[i] = (unsigned char)(g() & 255);
    const std::vector<unsigned char> orig(dbuf, dbuf + 256000);
    xmov = 320, ymov = 200;  // the far corner: the window and its neighbours just fit
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

TEST_F(Filters, RadialSamplesThroughTheMapAndCurve)
{
    // Black gives the curve's floor 1 everywhere; lighting the pixel right of
    // the centre lights exactly the cells that sample it.
    std::memset(dbuf, 0, 256000);
    const int o = 199 * 640 + 320;
    dbuf[o] = 128;
    std::vector<int> light(65536, -5);
    teeradiaali(dbuf, light.data());
    int lit = 0;
    for (int i = 0; i < 65536; i++) {
        ASSERT_EQ(light[i], radiaali[i] == o ? 2048 : 1) << i;
        lit += radiaali[i] == o;
    }
    EXPECT_GT(lit, 0);
}

TEST_F(Filters, SmearAtFullAndZeroStrength)
{
    std::vector<int> l(65536);
    std::mt19937 g(3);
    for (auto& v : l) v = int(g() % 16384);
    const auto orig = l;
    for (int delta : {-512, 1, -1, -513, 5, 600}) blur2(l.data(), delta, 0);
    EXPECT_EQ(l, orig);
    blur2(l.data(), -512, 65536);  // copies the first row outwards
    for (int i = 0; i < 65536; i++) ASSERT_EQ(l[i], orig[i % 512]) << i;
}

TEST_F(Filters, SmearIsRecursiveAndRoundsDown)
{
    // A tiny table to follow by hand: weight 1/2 to the right neighbour,
    // walked right to left, so light from cell 1 reaches cell 0 too; the
    // last cell has no partner. Then the shift floors: -1/2 of 1 is -1.
    valoxres = 4, valoyres = 1;
    int a[4] = {0, 16384, 0, 0};
    blur2(a, 1, 32768);
    EXPECT_EQ(std::vector<int>(a, a + 4), (std::vector<int>{4096, 8192, 0, 0}));
    int b[4] = {0, 1, 1, 1};
    blur2(b, -1, 32768);
    EXPECT_EQ(std::vector<int>(b, b + 4), (std::vector<int>{0, 0, 0, 0}));
}

TEST_F(Filters, SmearFastPathsMatchThePlainOne)
{
    // Strides and strengths of the scenes, odd ones, strides with no partner
    // at all, values large enough to make the products wrap; then light
    // rising into a flat stretch, where the exact chain settles one below the
    // flat value while a chain started inside the stretch stays on it.
    std::mt19937 g(5);
    std::vector<std::vector<int>> inputs;
    for (int range : {16384, 1 << 20, 1 << 30}) {
        std::vector<int> a(65536);
        for (auto& v : a) v = int(int64_t(g() % (2ull * unsigned(range))) - range / 4);
        inputs.push_back(a);
    }
    // The whole range the vector chains take, its two ends side by side,
    // and one value just outside it late in the pass.
    for (int outside : {0, 1}) {
        std::vector<int> a(65536);
        for (auto& v : a) v = int(g() % 32768);
        for (int k = 30000; k < 30064; k++) a[k] = k & 1 ? 32767 : 0;
        if (outside) a[65000] = 32768;
        inputs.push_back(a);
    }
    for (int rising : {0, 1}) {
        std::vector<int> a(65536);
        for (int k = 0; k < 65536; k++) a[k] = (k < 20000) == rising ? 0 : 100;
        for (int k = 60000; k < 60100; k++) a[k] = 5000;
        inputs.push_back(a);
    }
    const int deltas[] = {-512, 1, -1, -513, -511, 2, -3, 15, -16, 17, 700, -65535, 65535, 65536, -70000, 0};
    const int ps[] = {62000, 32000, 35000, 52000, 65536, 8, -4000, 90000};
    for (const auto& in : inputs)
        for (int delta : deltas)
            for (int p : ps) {
                auto a = in, b = in;
                blur2(a.data(), delta, p);
                blur2ref(b.data(), delta, p);
                ASSERT_EQ(a, b) << "delta " << delta << " p " << p << " first " << in[0];
            }
}

// Sampling and the first smear in one pass against the two passes, for the
// strides the scenes use and a few others, over a picture of random bytes.
TEST_F(Filters, SamplingAndFirstSmearInOnePass)
{
    std::mt19937 rng(9);
    std::vector<unsigned char> pic(640 * 400);
    for (auto& b : pic) b = (unsigned char)rng();
    std::vector<int> fused(65536), plain(65536);
    for (const int* curve : {tbl2, ufotbl2})
        for (int delta : {-512, -513, -511, -16, -4, -1, 3, -65536, -70000})
            for (int p : {62000, 52000, 65536, 0}) {
                radiaalismear(pic.data(), curve, fused.data(), delta, p);
                for (int i = 0; i < 65536; i++) plain[i] = curve[pic[radiaali[i]]];
                blur2ref(plain.data(), delta, p);
                ASSERT_TRUE(fused == plain) << delta << " " << p;
            }
}

// Both stride-one smears in one call against the plain passes, at the
// scenes' strengths and at ones the chains must not take.
TEST_F(Filters, SpiralSmearBothWaysAsTwoPasses)
{
    const auto pic = randompicture(21);
    std::vector<int> both(65536), plain(65536);
    for (int p : {32000, 35000, 65535, 65536, 70000, -4000, 0}) {
        for (int i = 0; i < 65536; i++) both[i] = plain[i] = ufotbl2[pic[i % 64000]] + (i % 7 == 0 ? 3000 : 0);
        blur2spiral(both.data(), p);
        blur2ref(plain.data(), 1, p);
        blur2ref(plain.data(), -1, p);
        ASSERT_TRUE(both == plain) << p;
    }
}
