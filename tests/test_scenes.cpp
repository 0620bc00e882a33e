// SPDX-License-Identifier: MIT
// The five scenes and their driver: the schedule, start-up, the scenes'
// timelines (logos, sprites, brightness, negatives), the light merge and the
// layer steps against plain forms, and the golden frames.
#include <gtest/gtest.h>
#include "assets/assets.h"
#include "colour/composite.h"
#include "colour/palette.h"
#include "colour/texture.h"
#include "core/arith.h"
#include "core/vecmath.h"
#include "driver/driver.h"
#include "goldenframes.h"
#include "raygrid/polar.h"
#include "relief/relief.h"
#include "scenes/common.h"
#include "scenes/scenes.h"
#include "sprites/sprites.h"
#include "support/support.h"
#include "water/water.h"
#include <climits>
#include <cmath>
#include <cstring>
#include <random>

using namespace tormel;

TEST(MusicTime, SchedulePicksOneScenePerTime)
{
    for (int s = 0; s < 5; s++) {
        EXPECT_EQ(sceneof(6.0f * s), s);
        EXPECT_EQ(sceneof(std::nextafter(6.0f * s + 6, 0.0f)), s);
    }
    EXPECT_EQ(sceneof(26.5f), 4);
}

// Start-up is the only place random values are drawn and every buffer is
// filled; running it twice must give the same state, so every frame is a
// function of the music position alone.
TEST(Startup, RepeatsExactly)
{
    auto sprites = defaultsprites(), relief = defaultrelief();
    auto snapshot = [] {
        std::vector<uint64_t> s;
        auto add = [&](const void* p, size_t n) { s.push_back(testsupport::fnv1a(p, n)); };
        add(hue, sizeof hue); add(paletti1, sizeof paletti1); add(paletti3, sizeof paletti3);
        add(mappi1, sizeof mappi1); add(mappi2, sizeof mappi2); add(mappi3, sizeof mappi3);
        add(ufomap, sizeof ufomap); add(uforeika, sizeof uforeika);
        add(sp1, sizeof sp1); add(logo2, sizeof logo2);
        add(vesi1, sizeof(Vesi) * FIELDCELLS); add(envispot, sizeof envispot); add(envicone, sizeof envicone);
        add(tunneli, sizeof tunneli); add(radiaali, sizeof radiaali);
        add(mergecurve, sizeof mergecurve);
        return s;
    };
    startup(sprites.data(), sprites.size(), relief.data(), relief.size());
    auto first = snapshot();
    drawframe(7.0f);  // scene state and buffers move on
    startup(sprites.data(), sprites.size(), relief.data(), relief.size());
    EXPECT_EQ(snapshot(), first);
    for (int i = 0; i < 320 * 240; i++) ASSERT_EQ(frame()[i], 0) << i;
    shutdown();
}

TEST(Startup, ShortDataLeavesTheRestZeroAndLongDataIsCut)
{
    std::vector<uint8_t> sprites(100, 0xFF), relief(5000, 0x11);
    startup(sprites.data(), sprites.size(), relief.data(), relief.size());
    EXPECT_EQ(sp[99], 0xFF);
    EXPECT_EQ(sp[100], 0);
    EXPECT_EQ(sp[15999], 0);
    EXPECT_EQ(kohokuva[2047], 0x11);
    startup(nullptr, 0, nullptr, 0);  // no data at all: zeros
    EXPECT_EQ(sp[0], 0);
    shutdown();
}

static void fresh()
{
    static auto sprites = defaultsprites(), relief = defaultrelief();
    startup(sprites.data(), sprites.size(), relief.data(), relief.size());
}

static const float R = 1.0f / 64;  // one row

static long sum(const unsigned char* p, int n)
{
    long s = 0;
    for (int i = 0; i < n; i++) s += p[i];
    return s;
}

// The palette and brightness each scene hands the composite: the snare
// flashes, the fades and the black end of the opening scene.
TEST(Scenes, PaletteAndBrightnessOverTheTimeline)
{
    fresh();
    struct { shading (*scene)(float); float t; const int* palette; int br; } cases[] = {
        {alkupallero, 0.5f + 4 * R, paletti1, 65536},  // a snare row, but before the flashes begin
        {alkupallero, 1 + 4 * R, paletti1, 98304},     {alkupallero, 1 + 5 * R, paletti1, 65536},
        {alkupallero, 5.9375f, paletti1, 0},           // the last four rows are black
        {vesitaso, 0.75f, paletti2, 65536},            {vesitaso, 1 + 4 * R, paletti2, 98304},
        {ufoefu, 1 + 4 * R, paletti1, 65536},          {ufoefu, 2 + 12 * R, paletti1, 98304},
        {tunnelipallo, 1 + 4 * R, paletti2, 131072},   {tunnelipallo, 5.75f, paletti2, 65536},
        {tunnelipallo, 5.875f, paletti2, 32768},       {sumupallo, 1, paletti3, 65536},
        {sumupallo, 2.25f, paletti3, 32768},
    };
    for (auto& c : cases) {
        const shading sh = c.scene(c.t);
        EXPECT_TRUE(sh.picture == picture && sh.palette == c.palette && sh.brightness == c.br)
            << &c - cases << ": brightness " << sh.brightness;
    }
}

TEST(Scene1, LogosJumpOnKicks)
{
    fresh();
    for (float t : {2 + 3 * R, 2 + R, 4 + 3 * R}) {
        alkupallero(t);
        // The picture is the ray-grid window plus the logo at row 45, or 55 on a kick.
        std::vector<unsigned char> want(64000);
        for (int y = 0; y < 200; y++) std::memcpy(&want[y * 320], canvas + y * 640, 320);
        int kick = t == 2 + R ? 0 : 1;
        laitalogo(t < 4 ? logo1 : logo2, want.data(), 65536, 14400 + 3200 * kick);
        EXPECT_EQ(std::memcmp(want.data(), picture, 64000), 0) << t;
    }
}

TEST(Scene2, SamePositionSamePictureAndTheLastSixteenthNegative)
{
    fresh();
    vesitaso(0.5f);
    vesitaso(0.75f);
    std::vector<unsigned char> a(picture, picture + PICBYTES);
    vesitaso(0.75f);  // no time passed: the water stands still
    EXPECT_EQ(std::memcmp(a.data(), picture, PICBYTES), 0);
    // Mostly light in the last sixteenth where it was dark: the picture is inverted.
    vesitaso(5.9f);
    const long before = sum(picture, PICBYTES);
    vesitaso(5.9375f);
    EXPECT_LT(before, PICBYTES * 128L);
    EXPECT_GT(sum(picture, PICBYTES), PICBYTES * 128L);
}

TEST(Scene3, SpritesAndNegativeKicks)
{
    fresh();
    // Row 1 of 32 still shows the left sprite at full brightness; row 2 at half.
    auto leftsprite = [] {
        long s = 0;
        for (int y = 0; y < 200; y++) s += sum(picture + y * 320, 100);
        return s;
    };
    ufoefu(1 * R);
    const long full = leftsprite();
    ufoefu(2 * R);
    EXPECT_GT(full, leftsprite());
    // No negative at exactly 5.75, even on a kick row; just after, on kicks.
    ufoefu(5.75f);
    const long plain = sum(picture, PICBYTES);
    ufoefu(5.75f + 6 * R);
    EXPECT_LT(plain, PICBYTES * 128L);
    EXPECT_GT(sum(picture, PICBYTES), PICBYTES * 128L);
}

TEST(Scene5, NegativeFlashes)
{
    fresh();
    // Most of the picture is dark light streaks, so a negative is bright.
    for (int row : {0, 1, 32, 33, 2, 34}) {
        sumupallo(row * R);
        EXPECT_EQ(sum(picture, PICBYTES) > PICBYTES * 128L, row % 32 < 2) << row;
    }
}

// The light merge through the per-frame byte table against the plain
// per-pixel formula: curves above 255 and light values past the curve's end
// included, over the real polar map.
TEST(LightMerge, TableAndVectorsMatchThePlainSum)
{
    fresh();
    std::mt19937 rng(7);
    static int light[65536], curve[1024];
    for (int shift : {2, 4}) {
        for (int i = 0; i < 1024; i++) curve[i] = int(rng() % 600);
        for (int c = 0; c < 65536; c++) light[c] = int(rng() % (c & 1 ? 6000 : 70000));
        // Past the ends too: far beyond the curve, and below 0 (which the
        // light tables never hold), which takes the curve's first entry.
        for (int c = 0; c < 65536; c += 97) light[c] = c & 2 ? INT_MAX - c : -c - 1;
        const unsigned char* lt = lighttable(light, curve, shift);
        for (int y = 0; y < 400; y += 37) {
            unsigned char pic[320], over[320], out[320];
            for (int x = 0; x < 320; x++) {
                pic[x] = (unsigned char)rng();
                over[x] = x % 3 ? 0 : (unsigned char)rng();
            }
            const int* cells = tunneli + y * 640 + (y % 320);
            addlightrow(out, pic, cells, lt);
            unsigned char layered[320];
            std::memcpy(layered, over, 320);
            addlightrowover(layered, pic, cells, lt);
            for (int x = 0; x < 320; x++) {
                const int v = light[cells[x]];
                const int l = v < 0 ? curve[0] : lightcurve(curve, v, shift);
                ASSERT_EQ(out[x], clamp(pic[x] + l)) << y << "," << x;
                ASSERT_EQ(layered[x], clamp(l + (over[x] ? over[x] : pic[x]))) << y << "," << x;
            }
        }
    }
}

// The golden frames against their recorded checksums.
TEST(Golden, Frames)
{
    golden::drawframes(fresh, [](const char* name) {
        std::string msg = testsupport::checkgolden(name, frame());
        EXPECT_TRUE(msg.empty()) << msg;
    });
}

// The water scene's layer steps against their plain per-pixel forms.
TEST(LayerSteps, CutAndAddAsPixelByPixel)
{
    fresh();
    std::mt19937 rng(4);
    for (int i = 0; i < 256000; i++) canvas[i] = rng() % 3 ? 0 : (unsigned char)rng();
    const int xmov = 37, ymov = 121;
    static unsigned char pic[64000], layer[64000], want[64000], wantlayer[64000];
    for (auto& b : pic) b = (unsigned char)rng();
    for (auto& b : layer) b = (unsigned char)rng();
    std::memcpy(want, pic, sizeof pic);
    for (int y = 0; y < 200; y++)
        for (int x = 0; x < 320; x++) {
            const int s = canvas[(ymov + y) * 640 + xmov + x], i = y * 320 + x;
            if (s) want[i] = 0;
            wantlayer[i] = (unsigned char)s;
        }
    cutlayer(pic, layer, canvas + ymov * 640 + xmov);
    ASSERT_EQ(std::memcmp(pic, want, sizeof pic), 0);
    ASSERT_EQ(std::memcmp(layer, wantlayer, sizeof layer), 0);
    for (auto& b : layer) b = (unsigned char)rng();
    for (int i = 0; i < 64000; i++) want[i] = (unsigned char)rtbl[pic[i] + layer[i]];
    addpicture(pic, layer);
    ASSERT_EQ(std::memcmp(pic, want, sizeof pic), 0);
}
