// Tests of the built-in data: the same bytes on every run, the song's shape
// as the player reads it and how it keeps to the picture's beat gates and
// breaks, the bit planes of the sprites and logos, and the relief.
#include <gtest/gtest.h>
#include <xmp.h>
#include <cstring>
#include <functional>
#include "assets/assets.h"
#include "assets/song.h"
#include "assets/synth.h"
#include "core/buffers.h"
#include "core/random.h"
#include "driver/driver.h"
#include "sprites/sprites.h"

using namespace tormel;

namespace {

uint64_t fnv1a(const std::vector<uint8_t>& b)
{
    uint64_t h = 14695981039346656037ull;
    for (uint8_t v : b) h = (h ^ v) * 1099511628211ull;
    return h;
}

// A module as libxmp reads it.
struct loaded {
    std::vector<uint8_t> bytes;
    xmp_context ctx = xmp_create_context();
    int result;
    xmp_module_info info{};
    explicit loaded(std::vector<uint8_t> b) : bytes(std::move(b))
    {
        result = xmp_load_module_from_memory(ctx, bytes.data(), long(bytes.size()));
        if (result == 0) xmp_get_module_info(ctx, &info);
    }
    ~loaded()
    {
        if (result == 0) xmp_release_module(ctx);
        xmp_free_context(ctx);
    }
    const xmp_module* mod() const { return info.mod; }
    const xmp_event& event(int order, int row, int ch) const
    {
        const xmp_pattern* p = mod()->xxp[mod()->xxo[order]];
        return mod()->xxt[p->index[ch]]->event[row];
    }
    bool note(int order, int row, int ch) const { return event(order, row, ch).note != 0; }
};

float musictime(int order, int row) { return float(order) + float(row) / 64.0f; }

// Where the picture reacts to the gates (music time in patterns): the logo
// and the sprites jump on the kick rows, the picture flashes on the snare.
bool kickshown(float t) { return (t >= 2 && t < 5.9375f) || (t >= 8 && t < 12) || (t >= 16 && t < 24); }
bool snareshown(float t) { return (t >= 1 && t < 5.9375f) || (t >= 6 && t < 12) || (t >= 14 && t < 23.75f); }

} // namespace

TEST(DefaultData, SameBytesEveryTime)
{
    const auto module = defaultmodule(), sprites = defaultsprites(), relief = defaultrelief();
    EXPECT_EQ(sprites.size(), 16000u);
    EXPECT_EQ(relief.size(), 2048u);
    EXPECT_EQ(defaultmodule(), module);
    // Made without clocks or system randomness, from exactly rounded
    // arithmetic: these are the bytes on every machine. A change here
    // changes what the demo shows and plays.
    EXPECT_EQ(fnv1a(module), 6085627384461504080ull) << module.size();
    EXPECT_EQ(fnv1a(fastmodule()), 946003233759710057ull);
    EXPECT_EQ(fnv1a(sprites), 14496111671407981171ull);
    EXPECT_EQ(fnv1a(relief), 8267193234680144533ull);
}

TEST(DefaultSong, ShapeAsThePlayerReadsIt)
{
    loaded s(defaultmodule());
    ASSERT_EQ(s.result, 0);
    xmp_test_info ti;
    ASSERT_EQ(xmp_test_module_from_memory(s.bytes.data(), long(s.bytes.size()), &ti), 0);
    EXPECT_STREQ(ti.type, "Fast Tracker II");
    EXPECT_EQ(std::strncmp(s.mod()->type, "FastTracker v2.00", 17), 0) << s.mod()->type;
    EXPECT_EQ(s.bytes[58] | s.bytes[59] << 8, 0x0104);  // format version
    EXPECT_EQ(s.bytes[74] & 1, 1);                       // linear frequency table

    const xmp_module* m = s.mod();
    EXPECT_EQ(m->len, SONGORDERS);
    EXPECT_EQ(m->chn, SONGCHANNELS);
    EXPECT_EQ(m->spd, 6);
    EXPECT_EQ(m->bpm, 125);
    EXPECT_EQ(m->ins, IN_COUNT);
    for (int k = 0; k < m->len; k++) EXPECT_EQ(m->xxp[m->xxo[k]]->rows, SONGROWS) << "order " << k;
    // No effect moves the clock: 27 x 64 rows of 0.12 s.
    EXPECT_EQ(s.info.seq_data[0].duration, 27 * 64 * 120);

    const char* names[IN_COUNT] = {"kick", "snare", "hat", "open hat", "crash", "swell", "tom", "bass", "acid",
                                   "pad", "pluck", "lead", "glass", "bell", "stab", "riser", "fall", "boom"};
    for (int i = 0; i < m->ins; i++) {
        EXPECT_STREQ(m->xxi[i].name, names[i]);
        ASSERT_EQ(m->xxi[i].nsm, 1) << names[i];
        const xmp_sample& smp = m->xxs[m->xxi[i].sub[0].sid];
        EXPECT_NE(smp.flg & XMP_SAMPLE_16BIT, 0) << names[i];
        EXPECT_GT(smp.len, 60) << names[i];
    }
    // The sustained instruments hold on an envelope and fade on key off.
    for (int i : {IN_BASS, IN_ACID, IN_PAD, IN_LEAD, IN_GLASS}) {
        EXPECT_NE(m->xxi[i - 1].aei.flg & XMP_ENVELOPE_ON, 0) << names[i - 1];
        EXPECT_NE(m->xxs[m->xxi[i - 1].sub[0].sid].flg & XMP_SAMPLE_LOOP, 0) << names[i - 1];
        EXPECT_GT(m->xxi[i - 1].rls, 0) << names[i - 1];
    }
}

TEST(DefaultSong, DrumsFallOnTheBeatGates)
{
    loaded s(defaultmodule());
    ASSERT_EQ(s.result, 0);
    int kicks = 0, snares = 0;
    for (int o = 0; o < SONGORDERS; o++)
        for (int r = 0; r < SONGROWS; r++) {
            const float t = musictime(o, r);
            const bool kick = s.note(o, r, CH_KICK), snr = s.note(o, r, CH_SNARE);
            kicks += kick;
            snares += snr;
            // Only ever on the gate's rows; on every one where the picture shows it.
            if (kick) {
                EXPECT_EQ(pasari(t), 1) << "kick off the gate, order " << o << " row " << r;
            }
            if (snr && t < 24) {
                EXPECT_EQ(snare(t), 1) << "snare off the gate, order " << o << " row " << r;
            }
            if (kickshown(t) && pasari(t)) {
                EXPECT_TRUE(kick) << "no kick, order " << o << " row " << r;
            }
            if (snareshown(t) && snare(t)) {
                EXPECT_TRUE(snr) << "no snare, order " << o << " row " << r;
            }
            // The opening pattern has no drums: the picture does not flash yet.
            for (int ch : {CH_KICK, CH_SNARE, CH_HAT, CH_PERC}) EXPECT_FALSE(o == 0 && s.note(o, r, ch)) << "row " << r;
        }
    EXPECT_EQ(kicks, 508);
    EXPECT_GT(snares, 170);
}

// The song breaks where the picture does.
TEST(DefaultSong, BreaksFollowThePicture)
{
    loaded s(defaultmodule());
    ASSERT_EQ(s.result, 0);
    auto ins = [&](int o, int r, int ch) { return int(s.event(o, r, ch).ins); };

    // Order 5, rows 60-63, black: nothing starts but the swell into the next scene.
    for (int r = 60; r < 64; r++)
        for (int ch = 0; ch < SONGCHANNELS; ch++)
            EXPECT_TRUE(!s.note(5, r, ch) || (ch == CH_FX && ins(5, r, ch) == IN_SWELL)) << "row " << r << " ch " << ch;

    // Order 17, last quarter, negative on the kick rows: stabs on exactly those.
    for (int r = 48; r < 64; r++)
        EXPECT_EQ(ins(17, r, CH_PERC) == IN_STAB, pasari(musictime(17, r)) == 1) << "row " << r;

    // Order 23, last quarter, fading to black: no snare, no melody, and the
    // kick falls with the picture.
    int last = 65;
    for (int r = 48; r < 64; r++) {
        EXPECT_FALSE(s.note(23, r, CH_SNARE));
        EXPECT_FALSE(s.note(23, r, CH_LEAD));
        EXPECT_FALSE(s.note(23, r, CH_PAD1));
        if (s.note(23, r, CH_KICK)) {
            const int v = s.event(23, r, CH_KICK).vol - 1;  // libxmp keeps the column's volume + 1
            EXPECT_LT(v, last) << "row " << r;
            last = v;
        }
    }
    EXPECT_LT(last, 20);

    // The last scene's negative flashes: a crash on rows 0 and 32 of orders
    // 24 and 25 and on row 0 of order 26.
    for (int o = 24; o < SONGORDERS; o++)
        for (int r = 0; r < SONGROWS; r++) {
            const bool flash = (r == 0 || (r == 32 && o < 26));
            EXPECT_EQ(ins(o, r, CH_FX) == IN_CRASH, flash) << "order " << o << " row " << r;
        }
    // After the last chord nothing new starts.
    for (int r = 1; r < SONGROWS; r++)
        for (int ch : {CH_KICK, CH_SNARE, CH_BASS, CH_PAD1, CH_LEAD, CH_PERC}) EXPECT_FALSE(s.note(26, r, ch));
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

    for (int k = 0; k < 8; k++) {
        const int w = k < 6 ? 80 : 320, h = k < 6 ? 200 : 50;
        int ink = 0, edge = 0, top = h, bottom = -1;
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++)
                if (images[k][size_t(y * w + x)]) {
                    ink++;
                    edge += x == 0 || y == 0 || x == w - 1 || y == h - 1;
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
        EXPECT_GT(ink, 600) << "image " << k;
        EXPECT_EQ(edge, 0) << "image " << k;  // the glow is not cut off
        EXPECT_TRUE(k >= 6 || bottom - top >= 180) << "sprite " << k + 1 << " is not tall";
        for (int j = 0; j < k && k < 6; j++) EXPECT_NE(images[j], images[k]) << j << " " << k;
    }
}

namespace {

// Bounding boxes of the 8-connected pieces of a one-bit image, left to right.
struct box {
    int x0, y0, x1, y1;
};

std::vector<box> pieces(const std::vector<uint8_t>& img, int w, int h)
{
    std::vector<int> seen(img.size(), 0);
    std::vector<box> out;
    for (int i = 0; i < w * h; i++) {
        if (!img[size_t(i)] || seen[size_t(i)]) continue;
        box b{w, h, -1, -1};
        std::vector<int> stack{i};
        seen[size_t(i)] = 1;
        while (!stack.empty()) {
            const int p = stack.back(), x = p % w, y = p / w;
            stack.pop_back();
            b = {std::min(b.x0, x), std::min(b.y0, y), std::max(b.x1, x), std::max(b.y1, y)};
            for (int dy = -1; dy <= 1; dy++)
                for (int dx = -1; dx <= 1; dx++) {
                    const int nx = x + dx, ny = y + dy, q = ny * w + nx;
                    if (nx >= 0 && ny >= 0 && nx < w && ny < h && img[size_t(q)] && !seen[size_t(q)]) {
                        seen[size_t(q)] = 1;
                        stack.push_back(q);
                    }
                }
        }
        out.push_back(b);
    }
    std::sort(out.begin(), out.end(), [](const box& a, const box& b) { return a.x0 < b.x0; });
    return out;
}

} // namespace

// Each logo is its word: one piece a letter, none touching the next, all of
// one height on one line; and after the glow the strokes stand well above
// the light that spills into the gaps between them.
TEST(DefaultPictures, LogosSpellTheirWordsAndStayLegibleInTheGlow)
{
    const std::vector<uint8_t> planes = defaultsprites();
    const char* words[2] = {"TORMEL", "REALTIME"};
    for (int k = 0; k < 2; k++) {
        std::vector<uint8_t> img(32000, 0);
        unpak1(planes.data(), img.data(), static_cast<signed char>(6 + k), 16000);
        const std::vector<box> letters = pieces(img, 320, 50);
        ASSERT_EQ(letters.size(), std::strlen(words[k])) << words[k];
        for (const box& b : letters) {
            EXPECT_NEAR(b.y1 - b.y0, letters[0].y1 - letters[0].y0, 1) << words[k];
            EXPECT_NEAR(b.y0, letters[0].y0, 1) << words[k];
            EXPECT_GE(b.y1 - b.y0, 30) << words[k];  // large text
        }

        std::vector<uint8_t> glow = img;
        kasittelelogo(glow.data());
        // Within the text's box: mean glow over the strokes and over the gaps.
        // The canvas puts the logo's row y at row y + 25, one pixel left (the
        // core is the 2 x 2 block headed there).
        double on = 0, off = 0;
        int non = 0, noff = 0;
        for (int y = letters[0].y0; y <= letters[0].y1; y++)
            for (int x = letters.front().x0; x <= letters.back().x1; x++) {
                const int v = glow[size_t((y + 25) * 320 + x)];
                if (img[size_t(y * 320 + x)]) {
                    on += v;
                    non++;
                } else {
                    off += v;
                    noff++;
                }
            }
        on /= non;
        off /= noff;
        EXPECT_GT(on, 190) << words[k];
        EXPECT_GT(on - off, 80) << words[k] << ": strokes " << on << ", gaps " << off;
    }
}

TEST(DefaultRelief, SaucerUsesEveryHeightWhereTheCameraLooks)
{
    const std::vector<uint8_t> relief = defaultrelief();
    int count[16] = {};
    for (int i = 0; i < 4096; i++) count[(relief[size_t(i / 2)] >> ((i & 1) * 4)) & 15]++;
    for (int h = 0; h < 16; h++) EXPECT_GT(count[h], 0) << "height " << h;

    // Expanded as the demo does it, the saucer is centred on map row 150,
    // column 128, where the relief scene's camera looks, reaches near the
    // top of the range, and the map's edges are flat ground, so the wrapping
    // expansion shows no seam.
    auto sprites = defaultsprites();
    startup(sprites.data(), sprites.size(), relief.data(), relief.size());
    int best = 0;
    double row = 0, col = 0, n = 0;
    for (int i = 0; i < 65536; i++) {
        best = std::max(best, int(ufomap[i]));
        if (ufomap[i] > 100) {
            row += i >> 8;
            col += i & 255;
            n++;
        }
    }
    EXPECT_GE(best, 220);
    EXPECT_NEAR(row / n, 150, 3);
    EXPECT_NEAR(col / n, 128, 3);
    for (int k = 0; k < 256; k++) {
        EXPECT_EQ(ufomap[k], 0) << k;
        EXPECT_EQ(ufomap[k * 256], 0) << k;
    }
    shutdown();
}
