// SPDX-License-Identifier: MIT
// Tests of the built-in data: the same bytes on every run, the song as the
// player reads it and where it breaks with the picture, the bit planes of the
// sprites and logos, and the relief.
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

TEST(DefaultSong, ShapeAndBreaksAsThePlayerReadsThem)
{
    const std::vector<uint8_t> bytes = defaultmodule();
    xmp_test_info ti;
    ASSERT_EQ(xmp_test_module_from_memory(bytes.data(), long(bytes.size()), &ti), 0);
    EXPECT_STREQ(ti.type, "Fast Tracker II");
    xmp_context ctx = xmp_create_context();
    ASSERT_EQ(xmp_load_module_from_memory(ctx, bytes.data(), long(bytes.size())), 0);
    xmp_module_info info;
    xmp_get_module_info(ctx, &info);
    const xmp_module* m = info.mod;
    EXPECT_EQ(bytes[58] | bytes[59] << 8, 0x0104);  // format version
    EXPECT_EQ(bytes[74] & 1, 1);                     // linear frequency table
    EXPECT_EQ(m->len, SONGORDERS);
    EXPECT_EQ(m->chn, SONGCHANNELS);
    EXPECT_EQ(m->spd, 6);
    EXPECT_EQ(m->bpm, 125);
    EXPECT_EQ(m->ins, IN_COUNT);
    for (int k = 0; k < m->len; k++) EXPECT_EQ(m->xxp[m->xxo[k]]->rows, SONGROWS) << "order " << k;
    EXPECT_EQ(info.seq_data[0].duration, 27 * 64 * 120);  // no effect moves the clock: rows of 0.12 s

    auto ev = [&](int o, int r, int ch) -> const xmp_event& { return m->xxt[m->xxp[m->xxo[o]]->index[ch]]->event[r]; };
    // The opening pattern has no drums: the picture does not flash yet.
    for (int r = 0; r < SONGROWS; r++)
        for (int ch : {CH_KICK, CH_SNARE, CH_HAT, CH_PERC}) EXPECT_FALSE(ev(0, r, ch).note) << "row " << r;
    // Order 5, rows 60-63, black: nothing starts but the swell into the next scene.
    for (int r = 60; r < 64; r++)
        for (int ch = 0; ch < SONGCHANNELS; ch++)
            EXPECT_TRUE(!ev(5, r, ch).note || (ch == CH_FX && ev(5, r, ch).ins == IN_SWELL)) << r << " ch " << ch;
    // Order 17, last quarter, negative on the kick rows: stabs on exactly those.
    for (int r = 48; r < 64; r++)
        EXPECT_EQ(ev(17, r, CH_PERC).ins == IN_STAB, pasari(17 + r / 64.0f) == 1) << "row " << r;
    // The last scene's negative flashes: a crash on rows 0 and 32 of orders
    // 24 and 25 and on row 0 of order 26, after which nothing new starts.
    for (int o = 24; o < SONGORDERS; o++)
        for (int r = 0; r < SONGROWS; r++) {
            EXPECT_EQ(ev(o, r, CH_FX).ins == IN_CRASH, r == 0 || (r == 32 && o < 26)) << "order " << o << " row " << r;
            for (int ch : {CH_KICK, CH_SNARE, CH_BASS, CH_PAD1, CH_LEAD, CH_PERC})
                EXPECT_FALSE(o == 26 && r > 0 && ev(o, r, ch).note) << "row " << r << " ch " << ch;
        }
    xmp_release_module(ctx);
    xmp_free_context(ctx);
}

TEST(DefaultPictures, BitPlanesRoundTripThroughUnpak1)
{
    const std::vector<uint8_t> planes = defaultsprites();
    std::vector<uint8_t> repacked(16000, 0), images[8];
    for (int k = 0; k < 8; k++) {
        images[k].resize(16000);
        unpak1(planes.data(), images[k].data(), static_cast<signed char>(k), 16000);
        for (int i = 0; i < 16000; i++) {
            ASSERT_LE(images[k][size_t(i)], 1);
            repacked[size_t(i)] |= uint8_t(images[k][size_t(i)] << k);
        }
    }
    EXPECT_EQ(repacked, planes);
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
