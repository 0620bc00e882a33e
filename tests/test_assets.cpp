// SPDX-License-Identifier: MIT
// Tests of the built-in data: the same bytes on every run, where the song
// breaks with the picture, the shapes of the sprites and logos, and the relief.
#include <gtest/gtest.h>
#include <xmp.h>
#include <algorithm>
#include <cstring>
#include "assets/assets.h"
#include "assets/song.h"
#include "assets/synth.h"
#include "core/random.h"
#include "driver/driver.h"
#include "relief/relief.h"
#include "sprites/sprites.h"
#include "support/support.h"

using namespace tormel;

static uint64_t sum(const std::vector<uint8_t>& b) { return testsupport::fnv1a(b.data(), b.size()); }

TEST(DefaultData, SameBytesEveryTime)
{
    // Made without clocks or system randomness, from exactly rounded
    // arithmetic: these are the bytes on every machine. A change here
    // changes what the demo shows and plays.
    const auto module = defaultmodule(), sprites = defaultsprites(), relief = defaultrelief();
    EXPECT_EQ(sprites.size(), 16000u);
    EXPECT_EQ(relief.size(), 2048u);
    EXPECT_EQ(defaultmodule(), module);
    EXPECT_EQ(sum(module), 15353573697166462625ull) << module.size();
    EXPECT_EQ(sum(fastmodule()), 946003233759710057ull);
    EXPECT_EQ(sum(sprites), 14496111671407981171ull);
    EXPECT_EQ(sum(relief), 8267193234680144533ull);
}

// The song's bytes are pinned above; what is checked here is where it breaks
// with the picture: the last scene's negative flashes take a crash on rows
// 0 and 32 of orders 24 and 25 and on row 0 of order 26, the negative kicks
// of order 17 a stab each, and after order 26 row 0 nothing new starts.
TEST(DefaultSong, BreaksWithThePicture)
{
    const std::vector<uint8_t> bytes = defaultmodule();
    xmp_context ctx = xmp_create_context();
    ASSERT_EQ(xmp_load_module_from_memory(ctx, bytes.data(), long(bytes.size())), 0);
    xmp_module_info info;
    xmp_get_module_info(ctx, &info);
    const xmp_module* m = info.mod;
    auto ev = [&](int o, int r, int ch) -> const xmp_event& { return m->xxt[m->xxp[m->xxo[o]]->index[ch]]->event[r]; };
    for (int r = 48; r < 64; r++)
        EXPECT_EQ(ev(17, r, CH_PERC).ins == IN_STAB, pasari(17 + r / 64.0f) == 1) << "row " << r;
    for (int o = 24; o < SONGORDERS; o++)
        for (int r = 0; r < SONGROWS; r++) {
            EXPECT_EQ(ev(o, r, CH_FX).ins == IN_CRASH, r == 0 || (r == 32 && o < 26)) << "order " << o << " row " << r;
            for (int ch : {CH_KICK, CH_SNARE, CH_BASS, CH_PAD1, CH_LEAD, CH_PERC})
                EXPECT_FALSE(o == 26 && r > 0 && ev(o, r, ch).note) << "row " << r << " ch " << ch;
        }
    xmp_release_module(ctx);
    xmp_free_context(ctx);
}

TEST(DefaultPictures, SpritesAreTallAndLogosClearOfTheEdges)
{
    const std::vector<uint8_t> planes = defaultsprites();
    std::vector<uint8_t> images[8];
    for (int k = 0; k < 8; k++) {
        images[k].resize(16000);
        unpak1(planes.data(), images[k].data(), static_cast<signed char>(k), 16000);
    }
    // Sprites (80 x 200) are tall and distinct, logos (320 x 50) wide; no ink
    // touches an edge, so the glow is not cut off.
    for (int k = 0; k < 8; k++) {
        const int w = k < 6 ? 80 : 320, h = 16000 / w;
        int ink = 0, edge = 0, top = h, bottom = -1;
        for (int i = 0; i < 16000; i++)
            if (images[k][size_t(i)]) {
                const int x = i % w, y = i / w;
                ink++;
                edge += x == 0 || y == 0 || x == w - 1 || y == h - 1;
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
        EXPECT_GT(ink, 600) << "image " << k;
        EXPECT_EQ(edge, 0) << "image " << k;
        EXPECT_TRUE(k >= 6 || bottom - top >= 180) << "sprite " << k + 1 << " is not tall";
        for (int j = 0; j < k && k < 6; j++) EXPECT_NE(images[j], images[k]) << j << " " << k;
    }
}

TEST(DefaultRelief, SaucerUsesEveryHeightWhereTheCameraLooks)
{
    const std::vector<uint8_t> relief = defaultrelief();
    int count[16] = {};
    for (int i = 0; i < 4096; i++) count[(relief[size_t(i / 2)] >> ((i & 1) * 4)) & 15]++;
    for (int h = 0; h < 16; h++) EXPECT_GT(count[h], 0) << "height " << h;
    // Expanded as the demo does it, the saucer is centred on map row 150,
    // column 128, where the relief scene's camera looks, reaches near the top
    // of the range, and the map's edges are flat ground: no seam at the wrap.
    auto sprites = defaultsprites();
    startup(sprites.data(), sprites.size(), relief.data(), relief.size());
    double row = 0, col = 0, n = 0;
    for (int i = 0; i < 65536; i++)
        if (ufomap[i] > 100) row += i >> 8, col += i & 255, n++;
    EXPECT_GE(*std::max_element(ufomap, ufomap + 65536), 220);
    EXPECT_NEAR(row / n, 150, 3);
    EXPECT_NEAR(col / n, 128, 3);
    for (int k = 0; k < 256; k++) EXPECT_TRUE(ufomap[k] == 0 && ufomap[k * 256] == 0) << k;
    shutdown();
}
