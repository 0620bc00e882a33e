// SPDX-License-Identifier: MIT
// The built-in data and the module writer: the same bytes on every run, the
// song as heard (it never clips, fades out on the last chord, and its kick and
// snare sound on the rows where the picture jumps and flashes) and where it
// breaks with the picture, the shapes of the sprites, logos and relief, and
// what a real module player reads back from the writer. Loudness, balance and
// stereo width are the music report's (tools/musicreport.py), not a test's.
#include <gtest/gtest.h>
#include "assets/assets.h"
#include "assets/song.h"
#include "assets/synth.h"
#include "assets/xmwriter.h"
#include "core/random.h"
#include "driver/driver.h"
#include "platform/player.h"
#include "relief/relief.h"
#include "sprites/sprites.h"
#include "support/support.h"
#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <xmp.h>

using namespace tormel;

static uint64_t sum(const std::vector<uint8_t>& b) { return testsupport::fnv1a(b.data(), b.size()); }

TEST(DefaultData, SameBytesEveryTime)
{
    // Made without clocks or system randomness, from exactly rounded
    // arithmetic: these are the bytes on every machine. A change here
    // changes what the demo shows and plays.
    const auto module = defaultmodule(), sprites = defaultsprites(), relief = defaultrelief();
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

namespace {

constexpr int RATE = 44100;
constexpr int ROW = 6 * 882;                            // frames a row: 6 ticks of 2.5 / 125 s
constexpr int64_t END = (26 * 64 + 32) * int64_t(ROW);  // music time 26.5

double db(double amplitude) { return 20.0 * std::log10(amplitude / 32768.0 + 1e-12); }

// One channel alone, mono, through a libxmp context of our own (the demo's
// player has no mute).
std::vector<double> rendersolo(int channel, int64_t frames)
{
    std::vector<uint8_t> m = defaultmodule();
    xmp_context c = xmp_create_context();
    EXPECT_EQ(xmp_load_module_from_memory(c, m.data(), long(m.size())), 0);
    EXPECT_EQ(xmp_start_player(c, RATE, 0), 0);
    for (int ch = 0; ch < SONGCHANNELS; ch++) xmp_channel_mute(c, ch, ch != channel);
    std::vector<double> mono;
    xmp_frame_info fi;
    while (int64_t(mono.size()) < frames && xmp_play_frame(c) == 0) {
        xmp_get_frame_info(c, &fi);
        const int16_t* b = static_cast<const int16_t*>(fi.buffer);
        for (int i = 0; i < fi.buffer_size / 4; i++) mono.push_back(0.5 * (b[2 * i] + b[2 * i + 1]));
    }
    mono.resize(size_t(frames));
    xmp_end_player(c);
    xmp_release_module(c);
    xmp_free_context(c);
    return mono;
}

// Onsets in seconds: in hops of 1 ms, the energy of the signal's slope
// (which the attack of a drum has and its low ringing tail has not) rising
// to four times the most of a window 10..30 ms before it.
std::vector<double> onsets(const std::vector<double>& x)
{
    const int hop = 44;
    std::vector<double> e(x.size() / hop, 0.0), found;
    for (size_t n = 1; n < e.size() * hop; n++) e[n / hop] += (x[n] - x[n - 1]) * (x[n] - x[n - 1]);
    const double most = *std::max_element(e.begin(), e.end());
    for (size_t h = 30; h < e.size(); h++) {
        const double before = *std::max_element(e.begin() + long(h) - 29, e.begin() + long(h) - 9);
        if (e[h] > 4 * before && e[h] > 1e-4 * most) {
            found.push_back(double(h * hop) / RATE);
            h += 20;
        }
    }
    return found;
}

// Every onset of the channel lies within 2 ms of the start of a row where
// gate() is 1 (as long as ruled(t)), and every such row where shown(t) has one.
void checkonsets(int channel, int (*gate)(float), bool (*shown)(float), bool (*ruled)(float))
{
    const double rowsec = double(ROW) / RATE;
    std::vector<bool> heard(26 * 64 + 32, false);
    double worst = 0;
    for (double s : onsets(rendersolo(channel, END))) {
        const long row = std::lround(s / rowsec);
        const double off = std::fabs(s - row * rowsec) * 1000;
        const float t = float(row) / 64.0f;
        if (!ruled(t)) continue;
        worst = std::max(worst, off);
        const std::string where = "channel " + std::to_string(channel) + ", order " + std::to_string(row / 64) + " row "
                                + std::to_string(row % 64);
        EXPECT_LE(off, 2.0) << where << ": onset " << off << " ms from the row";
        EXPECT_EQ(gate(t), 1) << where << ": onset off the gate";
        if (row < long(heard.size())) heard[size_t(row)] = true;
    }
    for (size_t row = 0; row < heard.size(); row++) {
        const float t = float(row) / 64.0f;
        EXPECT_TRUE(!shown(t) || !gate(t) || heard[row]) << "channel " << channel << " silent on order " << row / 64
                                                             << " row " << row % 64;
    }
    std::printf("[ figures  ] channel %d: worst onset offset %.2f ms\n", channel, worst);
}

} // namespace

// The synthesis and the default pictures lean on sine(), whose fast path
// folds the turn without branches and writes the series out: bit for bit
// the plain reduction and loop it replaced.
TEST(Sine, SameBitsAsThePlainSeries)
{
    auto plain = [](double turns) {
        double t = turns - std::floor(turns);
        if (t >= 0.5) t -= 1.0;
        if (t > 0.25) t = 0.5 - t;
        if (t < -0.25) t = -0.5 - t;
        const double x = t * 6.283185307179586, x2 = x * x;
        double s = 1.0;
        for (int k = 17; k >= 3; k -= 2) s = 1.0 - s * x2 / double(k * (k - 1));
        return x * s;
    };
    std::vector<double> args = {0.0, -0.0, 0.25, 0.5, 0.75, 1.0, -0.25, -0.5, -0.75, 0x1p52, -0x1p52 - 2, 1e300};
    for (double q : {0.25, 0.5, 0.75})
        for (double d : {1.0, -1.0}) args.push_back(std::nextafter(q, q + d));
    uint32_t x = 1;
    for (int i = 0; i < 300000; i++) {
        x = x * 1664525u + 1013904223u;
        args.push_back(double(int32_t(x)) / 65536.0);               // -32768..32768 in 1/65536
        args.push_back(double(i) / 4096.0 * 3.7 * (1 + (i & 31)));  // products like the synth's
    }
    for (double a : args) {
        const double got = sine(a), want = plain(a);
        ASSERT_EQ(std::memcmp(&got, &want, sizeof got), 0) << std::hexfloat << a << ": " << got << " vs " << want;
    }
}

TEST(DefaultSongAudio, NoClippingAndAFadedEnding)
{
    // The run of the demo and one row beyond it, through the demo's own player.
    const std::vector<uint8_t> m = defaultmodule();
    modplayer p;
    std::string error;
    ASSERT_TRUE(p.load(m.data(), m.size(), &error)) << error;
    p.start(RATE, false);
    std::vector<int16_t> pcm(size_t(END + ROW) * 2);
    p.render(pcm.data(), int(END + ROW));
    int peak = 0;
    for (size_t i = 0; i < size_t(END) * 2; i++) peak = std::max(peak, std::abs(int(pcm[i])));
    EXPECT_LT(peak, 32767);  // the mixer saturates at full scale: below it nothing was cut
    // The last chord fades with the picture: its last rows are near silence
    // and the demo's end is followed by none.
    double tail = 0, after = 0;
    for (int64_t i = END - 4 * ROW; i < END; i++) tail = std::max(tail, std::fabs(double(pcm[size_t(i) * 2])));
    for (int64_t i = END; i < END + ROW; i++) after = std::max(after, std::fabs(double(pcm[size_t(i) * 2])));
    EXPECT_LT(tail, 2000);
    EXPECT_LT(after, 200);
    std::printf("[ figures  ] peak %d (%.1f dBFS)\n", peak, db(peak));
}

// Where the picture reacts to the gates (music time in patterns): the logo
// and the sprites jump on the kick rows, the picture flashes on the snare.
// The last scene does not flash on the snare: its roll is free.
TEST(DefaultSongAudio, KickAndSnareSoundOnTheirRows)
{
    auto kickshown = [](float t) { return (t >= 2 && t < 5.9375f) || (t >= 8 && t < 12) || (t >= 16 && t < 24); };
    auto snareshown = [](float t) { return (t >= 1 && t < 5.9375f) || (t >= 6 && t < 12) || (t >= 14 && t < 23.75f); };
    checkonsets(CH_KICK, pasari, kickshown, [](float) { return true; });
    checkonsets(CH_SNARE, snare, snareshown, [](float t) { return t < 24; });
}

namespace {

// A loaded module, released at the end of the test.
struct player {
    xmp_context ctx = xmp_create_context();
    int loaded = -1;
    xmp_module_info info{};
    explicit player(const std::vector<uint8_t>& bytes)
    {
        loaded = xmp_load_module_from_memory(ctx, bytes.data(), long(bytes.size()));
        if (loaded == 0) xmp_get_module_info(ctx, &info);
    }
    ~player()
    {
        if (loaded == 0) xmp_release_module(ctx);
        xmp_free_context(ctx);
    }
};

// A sawtooth with a wobble over the whole range; the extremes side by side
// make the deltas wrap.
std::vector<int16_t> testsignal(int n, int shift)
{
    std::vector<int16_t> v(static_cast<size_t>(n));
    for (int i = 0; i < n; i++) v[size_t(i)] = int16_t((int((i * 2731 + i * i % 251) % 65536) - 32768) >> shift);
    v[1] = int16_t(-32768 >> shift), v[2] = int16_t(32767 >> shift);
    return v;
}

// Four channels; patterns of 64, 32 and 1 rows plus a blank one; two
// instruments (one with an 8-bit and a 16-bit sample and envelopes, one with
// a looped 16-bit tone); orders 0 1 0 2 3.
xmmodule testmodule()
{
    xmmodule m;
    m.name = "writer test";
    m.channels = 4, m.speed = 3, m.bpm = 140, m.restart = 1;
    m.orders = {0, 1, 0, 2, 3};
    xmpattern p0(64, 4), p1(32, 4), p2(1, 4), p3(64, 4);
    p0.at(0, 0) = {xmnote(4, 0), 1, 0x50, 0, 0};
    p0.at(0, 1) = {xmnote(2, 7), 2, 0x30, 0x0C, 0x20};  // all five fields: written whole
    p0.at(32, 3) = {0, 0, 0, 0x0F, 0x04};               // effect only
    p0.at(63, 0) = {XM_KEYOFF, 0, 0, 0, 0};
    p1.at(5, 2) = {xmnote(3, 3), 2, 0, 0x08, 0x80};
    p2.at(0, 3) = {0, 0, 0x40, 0, 0};
    m.patterns = {p0, p1, p2, p3};

    xminstrument a;
    a.name = "two samples";
    for (int k = 48; k < 96; k++) a.keymap[size_t(k)] = 1;
    a.volenv = {{{0, 64}, {10, 40}, {30, 20}, {60, 0}}, true, true, true, 1, 1, 2};
    a.panenv.points = {{0, 32}, {20, 0}, {40, 64}};
    a.panenv.on = true;
    a.fadeout = 0x0400, a.vibtype = 1, a.vibdepth = 4, a.vibrate = 8;
    xmsample s8, s16, t;
    s8.name = "eight", s8.sixteenbit = false, s8.data = testsignal(1000, 8);
    s8.loop = xmloop::pingpong, s8.loopstart = 100;
    s8.looplength = 900;  // to the end: the player rewrites data after a loop
    s8.volume = 48, s8.finetune = -16, s8.relativenote = 12;
    s16.name = "sixteen", s16.data = testsignal(3001, 0), s16.panning = 64;
    a.samples = {s8, s16};
    xminstrument b;
    b.name = "tone";
    t.name = "square";
    for (int i = 0; i < 64; i++) t.data.push_back(int16_t(i < 32 ? 12000 : -12000));
    t.loop = xmloop::forward, t.looplength = 64;
    b.samples = {t};
    m.instruments = {a, b};
    return m;
}

} // namespace

// What the player reads back: the song, every cell (notes an octave up,
// volumes 1-based, key off in its own code), the envelopes and key map, and
// every sample value through the delta coding with its loop.
TEST(XmWriter, PlayerReadsBackWhatWasWritten)
{
    const xmmodule m = testmodule();
    player p(writexm(m));
    ASSERT_EQ(p.loaded, 0);
    const xmp_module* x = p.info.mod;
    EXPECT_STREQ(x->name, "writer test");
    EXPECT_TRUE(x->len == 5 && x->rst == 1 && x->chn == 4 && x->ins == 2 && x->smp == 3 && x->spd == 3 &&
                x->bpm == 140);
    EXPECT_EQ(x->pat, 4 + 1);  // the player adds a blank pattern of its own
    for (int i = 0; i < 5; i++) EXPECT_EQ(x->xxo[i], m.orders[size_t(i)]);
    for (int i = 0; i < 4; i++) {
        const xmpattern& pat = m.patterns[size_t(i)];
        ASSERT_EQ(x->xxp[i]->rows, pat.rows);
        for (int r = 0; r < pat.rows; r++)
            for (int c = 0; c < 4; c++) {
                const xmcell& w = pat.at(r, c);
                const xmp_event& e = x->xxt[x->xxp[i]->index[c]]->event[r];
                EXPECT_EQ(e.note, w.note == XM_KEYOFF ? XMP_KEY_OFF : w.note ? w.note + 12 : 0);
                EXPECT_TRUE(e.ins == w.instrument && e.vol == (w.volume ? w.volume - 0x0F : 0) &&
                            e.fxt == w.effect && e.fxp == w.param) << i << ": " << r << "," << c;
            }
    }
    const xmp_instrument& a = x->xxi[0];
    EXPECT_EQ(a.rls, 0x0400 * 2);
    EXPECT_EQ(a.aei.flg & 7, XMP_ENVELOPE_ON | XMP_ENVELOPE_SUS | XMP_ENVELOPE_LOOP);
    EXPECT_TRUE(a.aei.npt == 4 && a.aei.sus == 1 && a.aei.lps == 1 && a.aei.lpe == 2 && a.aei.data[3] == 40);
    EXPECT_TRUE(a.pei.npt == 3 && (a.pei.flg & 7) == XMP_ENVELOPE_ON && a.pei.data[5] == 64);
    EXPECT_TRUE(a.map[12 + 47].ins == 0 && a.map[12 + 48].ins == 1);  // player keys are 12 above ours
    EXPECT_TRUE(a.sub[0].vol == 48 && a.sub[0].fin == -16 && a.sub[0].xpo == 12 && a.sub[1].pan == 64);
    int sid = 0;
    for (const xminstrument& ins : m.instruments)
        for (const xmsample& s : ins.samples) {
            const xmp_sample& xs = x->xxs[sid++];
            ASSERT_EQ(xs.len, int(s.data.size())) << s.name;
            EXPECT_EQ((xs.flg & XMP_SAMPLE_16BIT) != 0, s.sixteenbit) << s.name;
            for (size_t i = 0; i < s.data.size(); i++) {
                const int got = s.sixteenbit ? reinterpret_cast<const int16_t*>(xs.data)[i]
                                             : reinterpret_cast<const int8_t*>(xs.data)[i];
                ASSERT_EQ(got, s.data[i]) << s.name << " frame " << i;
            }
            EXPECT_EQ((xs.flg & XMP_SAMPLE_LOOP) != 0, s.loop != xmloop::none) << s.name;
            EXPECT_EQ((xs.flg & XMP_SAMPLE_LOOP_BIDIR) != 0, s.loop == xmloop::pingpong) << s.name;
            EXPECT_TRUE(s.loop == xmloop::none || (xs.lps == int(s.loopstart) &&
                                                   xs.lpe == int(s.loopstart + s.looplength))) << s.name;
        }
}

TEST(XmWriter, RefusesWhatTheFormatCannotHold)
{
    EXPECT_NO_THROW(writexm(testmodule()));
    void (*changes[])(xmmodule&) = {
        [](xmmodule& m) { m.orders.push_back(4); },  // missing pattern
        [](xmmodule& m) { m.bpm = 31; },
        [](xmmodule& m) { m.name = "a module name of more than twenty"; },
        [](xmmodule& m) { m.patterns[0].at(1, 1).note = 98; },
        [](xmmodule& m) { m.patterns[0].at(1, 1).instrument = 3; },
        [](xmmodule& m) { m.patterns[2] = xmpattern(1, 3); },  // wrong shape
        [](xmmodule& m) { m.instruments[0].keymap[95] = 2; },
        [](xmmodule& m) { m.instruments[0].samples[0].data[7] = 128; },    // not 8-bit
        [](xmmodule& m) { m.instruments[0].samples[0].looplength = 901; },  // past the end
        [](xmmodule& m) { m.instruments[0].volenv.points[2].tick = 10; },   // not increasing
        [](xmmodule& m) { m.instruments[0].volenv.loopend = 4; },
    };
    for (size_t k = 0; k < std::size(changes); k++) {
        xmmodule m = testmodule();
        changes[k](m);
        EXPECT_THROW(writexm(m), std::invalid_argument) << "change " << k;
    }
}
