// SPDX-License-Identifier: MIT
// test_sprites.cpp: glow processing and drawing of the sprites and logos.
#include <gtest/gtest.h>
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include "core/checksum.h"
#include "sprites/sprites.h"

using namespace tormel;

// After an intended change, check the images and paste the values printed.
TEST(Glow, GoldenChecksums)
{
    static unsigned char planes[PLANEBYTES];
    // Eight test shapes in the eight planes: discs, bars, rings, a checker, a
    // diagonal, an edge and two logos' worth of blocks and stripes.
    for (int i = 0; i < 16000; i++) {
        const int x = i % 80, y = i / 80, lx = i % 320, ly = i / 320, dx = x - 40, dy = y - 100;
        unsigned v = (dx * dx + dy * dy < 900) | (y % 40 < 8) << 1 | (std::abs(dx * dx + dy * dy - 1200) < 250) << 2;
        v |= (((x / 8) ^ (y / 8)) & 1) << 3 | (std::abs(x - y / 2 - 10) < 3) << 4 | (x > 70 || y > 190) << 5;
        v |= (lx % 40 < 24 && ly > 5 && ly < 45 && (lx % 40 < 6 || ly < 12)) << 6 | ((lx / 3 + ly) % 29 == 0) << 7;
        planes[i] = static_cast<unsigned char>(v);
    }
    loadsprites(planes, sizeof planes);
    const unsigned char* images[8] = {sp1, sp2, sp3, sp4, sp5, sp6, logo1, logo2};
    const uint64_t want[8] = {0xc24f4e7e2dfa4a46ull, 0x430a0f51e082d631ull, 0xb1d74ee170c8a825ull, 0xe1964ba8e48fe662ull,
                              0x1ef4f3c9c5f5f187ull, 0xd9efaab6b0297165ull, 0xb24eabc5a56810e4ull, 0x08f78f24f8e55e5aull};
    const char* names[8] = {"sp1", "sp2", "sp3", "sp4", "sp5", "sp6", "logo1", "logo2"};
    for (int k = 0; k < 8; k++)
        EXPECT_EQ(checksumof(images[k], k < 6 ? 20000 : 32000), want[k]) << names[k] << " changed";
}

// Both drawing calls against the plain sum, clamped, over random bytes, at
// brightnesses from far below -1.0 (where the products leave the clamp
// table) through every sixteen-byte step of 0..1.0 to far above it (which
// counts as exactly 1.0), and in different places: nothing outside the
// image changes.
TEST(Drawing, SpriteAndLogoAreThePlainSumAtAnyBrightness)
{
    auto sum = [](int d, int s, int br) {
        return std::clamp(d + (br > 65535 ? s : int((int64_t(s) * br) >> 16)), 0, 255);
    };
    std::vector<int> brs = {-1,    -32768, -65536, -2105376, -2105377, -10000000, INT_MIN,
                            65535, 65536,  70000,  1 << 20,  INT_MAX};
    for (int br = 0; br < 65536; br += 1237) brs.push_back(br);
    std::mt19937 rng(3);
    static unsigned char img[32000], pic[64000], before[64000];
    for (size_t n = 0; n < brs.size(); n++) {
        const int br = brs[n], col = int(n % 3) * 110, row = int(n % 4) * 20;
        for (auto& b : img) b = (unsigned char)rng();
        for (auto& b : before) b = (unsigned char)rng();
        std::memcpy(pic, before, sizeof pic);
        laitask(img, pic, br, col);
        for (int i = 0; i < 64000; i++) {
            const int x = i % 320 - col, y = i / 320;
            const int want = x >= 0 && x < 100 ? sum(before[i], img[y * 100 + x], br) : before[i];
            ASSERT_EQ(pic[i], want) << "sprite, br " << br << " at " << i;
        }
        std::memcpy(pic, before, sizeof pic);
        laitalogo(img, pic, br, row * 320);
        for (int i = 0; i < 64000; i++) {
            const int k = i - row * 320;
            ASSERT_EQ(pic[i], k >= 0 && k < 32000 ? sum(before[i], img[k], br) : before[i]) << "logo, br " << br;
        }
    }
}
