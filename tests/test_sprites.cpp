// test_sprites.cpp: bit-plane unpacking, glow processing and drawing of the
// sprites and logos.
#include <gtest/gtest.h>
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include "core/buffers.h"
#include "sprites/sprites.h"

using namespace tormel;

// FNV-1a golden values that change with any byte.
static uint32_t fnv1a(const unsigned char* b, size_t n)
{
    uint32_t h = 2166136261u;
    for (size_t i = 0; i < n; i++) h = (h ^ b[i]) * 16777619u;
    return h;
}

class Sprites : public ::testing::Test {
protected:
    void SetUp() override { buildtables(); }
};

TEST_F(Sprites, UnpackOnePlane)
{
    const unsigned char src[3] = {0xA5, 0xFF, 0x00};
    const int want[8] = {1, 0, 1, 0, 0, 1, 0, 1};
    for (int plane = 0; plane < 8; plane++) {
        unsigned char out[4] = {9, 9, 9, 9};
        unpak1(src, out, static_cast<signed char>(plane), 3);
        EXPECT_EQ(out[0], want[plane]) << "plane " << plane;
        EXPECT_EQ(out[1], 1) << "plane " << plane;
        EXPECT_EQ(out[2], 0) << "plane " << plane;
        EXPECT_EQ(out[3], 9) << "plane " << plane;  // count respected
    }
}

TEST_F(Sprites, BlankPlanesStayBlank)
{
    static unsigned char s[20000], l[32000];
    std::memset(s, 0, sizeof s);
    std::memset(l, 0, sizeof l);
    std::memset(s + 16000, 1, 4000);  // beyond the 80 x 200 source: ignored
    std::memset(l + 16000, 1, 16000);
    kasittelesp(s);
    kasittelelogo(l);
    EXPECT_EQ(std::count(s, s + 20000, 0), 20000);
    EXPECT_EQ(std::count(l, l + 32000, 0), 32000);
}

TEST_F(Sprites, FullShapesLeaveTheirTailBlank)
{
    static unsigned char s[20000], l[32000];
    std::memset(s, 1, 16000);
    std::memset(l, 1, 16000);
    kasittelesp(s);
    kasittelelogo(l);
    EXPECT_EQ(std::count(s + 20000 - 101, s + 20000, 0), 101);
    EXPECT_NE(s[199 * 100 - 50], 0);
    EXPECT_EQ(std::count(l + 32000 - 321, l + 32000, 0), 321);
    // Deep inside a solid shape: the whole core (64) and a near-full halo.
    EXPECT_EQ(s[100 * 100 + 50], 255);
    EXPECT_EQ(l[50 * 320 + 160], 255);
    // The 10 empty columns each side of a sprite get only halo.
    EXPECT_LT(s[100 * 100 + 0], 64);
    EXPECT_LT(s[100 * 100 + 99], 64);
}

TEST_F(Sprites, IsolatedPixelGivesCoreAndHalo)
{
    static unsigned char s[20000];
    std::memset(s, 0, sizeof s);
    const int r = 100, c = 40;  // source pixel -> canvas (100, 50)
    s[r * 80 + c] = 1;
    kasittelesp(s);
    const int p = r * 100 + c + 10;
    // The four 2 x 2 blocks holding the pixel: 16 for the core on top of a
    // faint halo (one pixel's blur peaks near 2).
    for (int q : {p, p - 1, p - 100, p - 101}) {
        EXPECT_GT(s[q], 16) << q - p;
        EXPECT_LE(s[q], 20) << q - p;
    }
    // Outside the blocks: halo only, falling off smoothly with distance.
    EXPECT_GT(s[p + 1], 0);
    EXPECT_LE(s[p + 1], 4);
    for (int d = 1; d < 10; d++) {
        EXPECT_LE(s[p + d + 1], s[p + d]) << d;
        EXPECT_LE(s[p + (d + 1) * 100], s[p + d * 100]) << d;
    }
    EXPECT_GT(s[p + 3], 0);
    EXPECT_GT(s[p + 300], 0);
    EXPECT_EQ(s[p + 15], 0);
}

// After an intended change, check the images and paste the values the
// failure prints.
TEST_F(Sprites, GoldenChecksums)
{
    // Eight test shapes in the eight planes, made here: discs, bars, rings,
    // a checker, a diagonal and two letters' worth of blocks.
    for (int i = 0; i < 16000; i++) {
        int x = i % 80, y = i / 80;          // sprite geometry
        int lx = i % 320, ly = i / 320;      // logo geometry
        int dx = x - 40, dy = y - 100;
        unsigned v = 0;
        v |= (dx * dx + dy * dy < 900) << 0;
        v |= (y % 40 < 8) << 1;
        v |= (std::abs(dx * dx + dy * dy - 1200) < 250) << 2;
        v |= (((x / 8) ^ (y / 8)) & 1) << 3;
        v |= (std::abs(x - y / 2 - 10) < 3) << 4;
        v |= (x > 70 || y > 190) << 5;
        v |= (lx % 40 < 24 && ly > 5 && ly < 45 && (lx % 40 < 6 || ly < 12)) << 6;
        v |= ((lx / 3 + ly) % 29 == 0) << 7;
        sp[i] = static_cast<unsigned char>(v);
    }
    precalcsprites();
    EXPECT_EQ(fnv1a(sp1, 20000), 0x46ef99a6u) << "sp1 changed";
    EXPECT_EQ(fnv1a(sp2, 20000), 0xfdb11251u) << "sp2 changed";
    EXPECT_EQ(fnv1a(sp3, 20000), 0xe3a5d3c5u) << "sp3 changed";
    EXPECT_EQ(fnv1a(sp4, 20000), 0x43a20582u) << "sp4 changed";
    EXPECT_EQ(fnv1a(sp5, 20000), 0x28ed48c7u) << "sp5 changed";
    EXPECT_EQ(fnv1a(sp6, 20000), 0x5f7ccaa5u) << "sp6 changed";
    EXPECT_EQ(fnv1a(logo1, 32000), 0x1fe06124u) << "logo1 changed";
    EXPECT_EQ(fnv1a(logo2, 32000), 0x2f9360dau) << "logo2 changed";
}

// ---- drawing ------------------------------------------------------------------

class Drawing : public ::testing::Test {
protected:
    static unsigned char img[32000], pic[64000], before[64000];
    void SetUp() override
    {
        buildtables();
        for (int i = 0; i < 32000; i++) img[i] = static_cast<unsigned char>(i * 7);
        for (int i = 0; i < 64000; i++) pic[i] = before[i] = static_cast<unsigned char>(i * 13 + i / 320);
    }
    static int sat(int v) { return v < 0 ? 0 : v > 255 ? 255 : v; }
};
unsigned char Drawing::img[32000], Drawing::pic[64000], Drawing::before[64000];

TEST_F(Drawing, SpriteAddsInsideItsRectangleOnly)
{
    const int siirto = 220;  // the right edge
    laitask(img, pic, 65536, siirto);
    for (int i = 0; i < 64000; i++) {
        int x = i % 320 - siirto, y = i / 320;
        int want = x >= 0 && x < 100 ? sat(before[i] + img[y * 100 + x]) : before[i];
        ASSERT_EQ(pic[i], want) << "(" << i % 320 << ", " << y << ")";
    }
}

TEST_F(Drawing, SpriteBrightness)
{
    static unsigned char full[64000];
    laitask(img, pic, 65536, 0);
    std::memcpy(full, pic, sizeof full);
    std::memcpy(pic, before, sizeof pic);
    laitask(img, pic, 200000, 0);  // never brighter than full strength
    EXPECT_EQ(std::memcmp(pic, full, sizeof pic), 0);

    std::memcpy(pic, before, sizeof pic);
    laitask(img, pic, 0, 0);
    EXPECT_EQ(std::memcmp(pic, before, sizeof pic), 0);

    unsigned char s[20000], d[64000] = {};
    std::memset(s, 255, sizeof s);
    laitask(s, d, 32768, 0);
    EXPECT_EQ(d[0], 127);
    EXPECT_EQ(d[199 * 320 + 99], 127);
    EXPECT_EQ(d[100], 0);
    laitask(s, d, 65535, 0);  // already scaled: 255 adds 254
    EXPECT_EQ(d[0], 255);
    std::memset(d, 200, sizeof d);
    laitask(s, d, -32768, 0);  // negative brightness subtracts
    EXPECT_EQ(d[0], 200 - 128);
    EXPECT_EQ(d[100], 200);
}

TEST_F(Drawing, DarkBrightnessNeverLeavesTheTable)
{
    // A brightness far below -1.0 subtracts everything, from any picture.
    for (int br : {-2105376, -2105377, -10000000, INT_MIN}) {
        std::memcpy(pic, before, sizeof pic);
        laitask(img, pic, br, 0);
        for (int y = 0; y < 200; y++)
            for (int x = 0; x < 100; x++) {
                int s = img[y * 100 + x], d = before[y * 320 + x];
                int want = sat(d + int((int64_t(s) * br) >> 16));
                ASSERT_EQ(pic[y * 320 + x], want) << "br " << br << " (" << x << ", " << y << ")";
            }
        std::memcpy(pic, before, sizeof pic);
        laitalogo(img, pic, br, 0);
        for (int i = 0; i < 32000; i++)
            ASSERT_EQ(pic[i], sat(before[i] + int((int64_t(img[i]) * br) >> 16))) << "br " << br << " at " << i;
    }
}

TEST_F(Drawing, LogoAddsOneContiguousRun)
{
    const int siirto = 320 * 60;
    laitalogo(img, pic, 65536, siirto);
    for (int i = 0; i < 64000; i++) {
        int k = i - siirto;
        int want = k >= 0 && k < 32000 ? sat(before[i] + img[k]) : before[i];
        ASSERT_EQ(pic[i], want) << i;
    }
    unsigned char l[32000], d[32000];
    std::memset(l, 200, sizeof l);
    std::memset(d, 100, sizeof d);
    laitalogo(l, d, 1 << 20, 0);
    EXPECT_EQ(d[0], 255);  // not 300
    std::memset(d, 100, sizeof d);
    laitalogo(l, d, 32768, 0);
    EXPECT_EQ(d[31999], 200);
    laitalogo(l, d, 65535, 0);
    EXPECT_EQ(d[5], 255);
}

// Every brightness from 0 to full strength in sixteen-byte steps, against the
// plain sum through the clamp table, over random sprite and picture bytes.
TEST_F(Drawing, SpriteAtAnyBrightnessMatchesThePlainSum)
{
    std::mt19937 rng(3);
    static unsigned char s[20000], d[64000], want[64000];
    for (int br = 0; br <= 70000; br += br < 65520 ? 1237 : 3) {
        for (auto& b : s) b = (unsigned char)rng();
        for (auto& b : d) b = (unsigned char)rng();
        std::memcpy(want, d, sizeof d);
        for (int y = 0; y < 200; y++)
            for (int x = 0; x < 100; x++) {
                int v = want[y * 320 + 110 + x] + (br > 65535 ? s[y * 100 + x] : (s[y * 100 + x] * br) >> 16);
                want[y * 320 + 110 + x] = (unsigned char)rtbl[v];
            }
        laitask(s, d, br, 110);
        ASSERT_EQ(std::memcmp(d, want, sizeof d), 0) << br;
    }
}
