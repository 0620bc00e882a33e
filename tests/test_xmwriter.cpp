// SPDX-License-Identifier: MIT
// Tests of the extended-module writer: what a real module player reads back
// from it, and the models it refuses.
#include <gtest/gtest.h>
#include <xmp.h>
#include <stdexcept>
#include "assets/xmwriter.h"

using namespace tormel;

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
