// SPDX-License-Identifier: MIT
// test_filters.cpp: glow blur, box average, light sampling and the smear.
#include <gtest/gtest.h>
#include <cstring>
#include <random>
#include <vector>
#include "colour/filters.h"
#include "core/arith.h"
#include "raygrid/polar.h"
#include "scenes/common.h"

using namespace tormel;

namespace {

class Filters : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        buildlightcurves();
        prekalkutsjon();
    }
};

std::vector<unsigned char> randombytes(size_t n, unsigned seed)
{
    std::mt19937 g(seed);
    std::vector<unsigned char> p(n);
    for (auto& b : p) b = (unsigned char)(g() & 255);
    return p;
}

} // namespace

TEST_F(Filters, BoxAveragesTheUnfilteredWindowOnly)
{
    const auto orig = randombytes(256000, 7);
    static unsigned char cv[256000];
    std::memcpy(cv, orig.data(), 256000);
    const int xmov = 320, ymov = 200;  // the far corner: the window and its neighbours just fit
    plordbuf(cv + ymov * 640 + xmov);
    for (int q = 0; q < 256000; q++) {
        const int x = q % 640, y = q / 640;
        const bool in = x >= xmov && x < xmov + 319 && y >= ymov && y < ymov + 199;
        const int want = in ? (orig[q] + orig[q + 1] + orig[q + 640] + orig[q + 641]) >> 2 : orig[q];
        ASSERT_EQ(cv[q], want) << x << "," << y;
    }
}

TEST_F(Filters, FastSmearsMatchThePlainOne)
{
    // Values small, large enough to make the products wrap, the whole range
    // the vector chains take with its two ends side by side (and one value
    // just outside it late in the pass), and light rising into a flat
    // stretch, where the exact chain settles one below the flat value while
    // a chain started inside the stretch stays on it. Strides and strengths
    // of the scenes, odd ones, and strides with no partner at all.
    std::mt19937 g(5);
    std::vector<std::vector<int>> inputs;
    auto add = [&](auto value) {
        inputs.emplace_back(65536);
        for (int k = 0; k < 65536; k++) inputs.back()[size_t(k)] = value(k);
    };
    for (int64_t r : {16384, 1 << 20, 1 << 30}) add([&](int) { return int(int64_t(g() % (2 * r)) - r / 4); });
    for (bool outside : {false, true})
        add([&](int k) {
            return k >= 30000 && k < 30064 ? (k & 1) * 32767 : outside && k == 65000 ? 32768 : int(g() % 32768);
        });
    // Out of that range only in the few cells each pass takes one by one
    // before its chains begin.
    add([&](int k) {
        return (k >= 1 && k <= 3) || (k >= 65532 && k <= 65534) ? 65535 : k == 4 || k == 65531 ? 0 : int(g() % 32768);
    });
    for (bool rising : {false, true})
        add([&](int k) { return k >= 60000 && k < 60100 ? 5000 : (k < 20000) == rising ? 0 : 100; });
    for (const auto& in : inputs)
        for (int delta : {-512, 1, -1, -513, -511, 2, -3, 15, -16, 17, 700, -65535, 65535, 65536, -70000, 0})
            for (int p : {62000, 32000, 35000, 52000, 65536, 8, -4000, 90000}) {
                auto a = in, b = in;
                blur2(a.data(), delta, p);
                blur2ref(b.data(), delta, p);
                ASSERT_EQ(a, b) << "delta " << delta << " p " << p << " first " << in[0];
            }
    // Sampling and the first smear in one pass, and both stride-one smears in
    // one call, against the separate plain passes.
    const auto pic = randombytes(640 * 400, 9);
    std::vector<int> fused(65536), plain(65536);
    for (const int* curve : {samplecurve, ufosamplecurve})
        for (int delta : {-512, -513, -511, -16, -4, -1, 3, -65536, -70000})
            for (int p : {62000, 52000, 65536, 0, 70000, 131068}) {
                radiaalismear(pic.data(), curve, fused.data(), delta, p);
                for (int i = 0; i < 65536; i++) plain[size_t(i)] = curve[pic[size_t(radiaali[i])]];
                blur2ref(plain.data(), delta, p);
                ASSERT_TRUE(fused == plain) << delta << " " << p;
            }
    for (int p : {32000, 35000, 65535, 65536, 70000, -4000, 0}) {
        for (size_t i = 0; i < 65536; i++) fused[i] = plain[i] = ufosamplecurve[pic[i]] + (i % 7 == 0 ? 3000 : 0);
        blur2spiral(fused.data(), p);
        blur2ref(plain.data(), 1, p);
        blur2ref(plain.data(), -1, p);
        ASSERT_TRUE(fused == plain) << p;
    }
}
