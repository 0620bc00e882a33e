// Tests of the extended-module writer: the byte layout it promises, what a
// real module player reads back from it, and the models it refuses.
#include <gtest/gtest.h>
#include <xmp.h>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include "assets/xmwriter.h"

using namespace tormel;

namespace {

// A loaded module, released at the end of the test.
struct player {
    xmp_context ctx = xmp_create_context();
    int loaded = -1;
    explicit player(const std::vector<uint8_t>& bytes)
    {
        loaded = xmp_load_module_from_memory(ctx, bytes.data(), long(bytes.size()));
    }
    ~player()
    {
        if (loaded == 0) xmp_release_module(ctx);
        xmp_free_context(ctx);
    }
    const xmp_module* mod()
    {
        xmp_module_info mi;
        xmp_get_module_info(ctx, &mi);
        return mi.mod;
    }
    const xmp_event& event(int pattern, int row, int channel)
    {
        const xmp_module* m = mod();
        return m->xxt[m->xxp[pattern]->index[channel]]->event[row];
    }
};

// Deterministic test signal: a sawtooth with a wobble, spanning the range.
std::vector<int16_t> testsignal(size_t n, bool sixteenbit)
{
    std::vector<int16_t> v(n);
    uint32_t s = 12345;
    for (size_t i = 0; i < n; i++) {
        s = s * 1103515245u + 12345u;
        int x = int((i * 2731) % 65536) - 32768 + int((s >> 16) & 255) - 128;
        if (x > 32767) x = 32767;
        if (x < -32768) x = -32768;
        v[i] = int16_t(sixteenbit ? x : x >> 8);
    }
    v[1] = sixteenbit ? -32768 : -128;  // extremes make the deltas wrap
    v[2] = sixteenbit ? 32767 : 127;
    return v;
}

// Four channels; patterns of 64, 32 and 1 rows plus a blank one; two
// instruments (one with an 8-bit and a 16-bit sample and envelopes, one with
// a looped 16-bit tone); orders 0 1 0 2 3.
xmmodule testmodule()
{
    xmmodule m;
    m.name = "writer test";
    m.channels = 4;
    m.speed = 3;
    m.bpm = 140;
    m.restart = 1;
    m.orders = {0, 1, 0, 2, 3};

    xmpattern p0(64, 4);
    p0.at(0, 0) = {xmnote(4, 0), 1, 0x50, 0, 0};
    p0.at(0, 1) = {xmnote(2, 7), 2, 0x30, 0x0C, 0x20};     // all five fields: written whole
    p0.at(16, 0) = {xmnote(5, 11), 1, 0, 0, 0};
    p0.at(32, 3) = {0, 0, 0, 0x0F, 0x04};                  // effect only
    p0.at(63, 0) = {XM_KEYOFF, 0, 0, 0, 0};
    xmpattern p1(32, 4);
    p1.at(5, 2) = {xmnote(3, 3), 2, 0, 0x08, 0x80};
    xmpattern p2(1, 4);
    p2.at(0, 3) = {0, 0, 0x40, 0, 0};
    xmpattern p3(64, 4);  // blank
    m.patterns = {p0, p1, p2, p3};

    xminstrument a;
    a.name = "two samples";
    for (int k = 0; k < 96; k++) a.keymap[size_t(k)] = k < 48 ? 0 : 1;
    a.volenv.points = {{0, 64}, {10, 40}, {30, 20}, {60, 0}};
    a.volenv.on = true;
    a.volenv.sustain = true;
    a.volenv.sustainpoint = 1;
    a.volenv.loop = true;
    a.volenv.loopstart = 1;
    a.volenv.loopend = 2;
    a.panenv.points = {{0, 32}, {20, 0}, {40, 64}};
    a.panenv.on = true;
    a.fadeout = 0x0400;
    a.vibtype = 1;
    a.vibdepth = 4;
    a.vibrate = 8;
    xmsample s8;
    s8.name = "eight";
    s8.sixteenbit = false;
    s8.data = testsignal(1000, false);
    s8.loop = xmloop::pingpong;
    s8.loopstart = 100;
    s8.looplength = 900;  // to the end: the player rewrites data after a loop
    s8.volume = 48;
    s8.finetune = -16;
    s8.relativenote = 12;
    xmsample s16;
    s16.name = "sixteen";
    s16.data = testsignal(3001, true);
    s16.panning = 64;
    a.samples = {s8, s16};

    xminstrument b;
    b.name = "tone";
    xmsample t;
    t.name = "square";
    for (int i = 0; i < 64; i++) t.data.push_back(int16_t(i < 32 ? 12000 : -12000));
    t.loop = xmloop::forward;
    t.loopstart = 0;
    t.looplength = 64;
    b.samples = {t};
    m.instruments = {a, b};
    return m;
}

uint32_t le32(const std::vector<uint8_t>& b, size_t o)
{
    return b[o] | b[o + 1] << 8 | b[o + 2] << 16 | uint32_t(b[o + 3]) << 24;
}
unsigned le16(const std::vector<uint8_t>& b, size_t o) { return b[o] | b[o + 1] << 8; }

// Peak absolute amplitude of the stereo 16-bit output over some frames.
int peak(player& p, int frames)
{
    int best = 0;
    for (int f = 0; f < frames; f++) {
        if (xmp_play_frame(p.ctx) != 0) break;
        xmp_frame_info fi;
        xmp_get_frame_info(p.ctx, &fi);
        const int16_t* s = static_cast<const int16_t*>(fi.buffer);
        for (int i = 0; i < fi.buffer_size / 2; i++) best = std::max(best, std::abs(int(s[i])));
    }
    return best;
}

} // namespace

TEST(XmWriter, HeaderAndPatternLayout)
{
    const xmmodule m = testmodule();
    const std::vector<uint8_t> b = writexm(m);
    ASSERT_GT(b.size(), 336u);
    EXPECT_EQ(std::memcmp(b.data(), "Extended Module: writer test", 28), 0);
    EXPECT_EQ(b[28], 0);                        // name padded with zeros
    EXPECT_EQ(b[37], 0x1A);
    EXPECT_EQ(std::memcmp(&b[38], "FastTracker v2.00   ", 20), 0);
    EXPECT_EQ(le16(b, 58), 0x0104u);
    EXPECT_EQ(le32(b, 60), 276u);
    // orders, restart, channels, patterns, instruments, linear table, speed, bpm
    const unsigned song[] = {5, 1, 4, 4, 2, 1, 3, 140};
    for (int i = 0; i < 8; i++) EXPECT_EQ(le16(b, 64 + 2 * size_t(i)), song[i]);
    EXPECT_EQ(b[80 + 3], 2);
    EXPECT_EQ(b[80 + 5], 0);                    // unused order entries are 0

    // First pattern: header, then row 0: a packed cell, a whole cell, two blanks.
    EXPECT_EQ(le32(b, 336), 9u);
    EXPECT_EQ(b[340], 0);
    EXPECT_EQ(le16(b, 341), 64u);
    const std::vector<uint8_t> row0 = {0x87, 49, 1, 0x50, 32, 2, 0x30, 0x0C, 0x20, 0x80, 0x80};
    EXPECT_EQ(std::vector<uint8_t>(b.begin() + 345, b.begin() + 345 + 11), row0);

    // Walk the patterns by their sizes; the blank one holds no data.
    size_t o = 336;
    for (int p = 0; p < 4; p++) {
        const unsigned size = le16(b, o + 7);
        if (p == 3) {
            EXPECT_EQ(size, 0u);
        }
        o += 9 + size;
    }
    EXPECT_EQ(le32(b, o), 263u);                // first instrument header
    EXPECT_EQ(le16(b, o + 27), 2u);
    EXPECT_EQ(le32(b, o + 29), 40u);
    // Sample headers count bytes: 1000 8-bit frames, 3001 16-bit frames.
    EXPECT_EQ(le32(b, o + 263), 1000u);
    EXPECT_EQ(le32(b, o + 263 + 4), 100u);
    EXPECT_EQ(b[o + 263 + 14], 2);              // ping-pong, 8-bit
    EXPECT_EQ(le32(b, o + 303), 6002u);
    EXPECT_EQ(b[o + 303 + 14], 0x10);           // no loop, 16-bit
}

TEST(XmWriter, PlayerReadsTheSameSongAndCells)
{
    const xmmodule m = testmodule();
    player p(writexm(m));
    ASSERT_EQ(p.loaded, 0);
    const xmp_module* x = p.mod();
    EXPECT_STREQ(x->name, "writer test");
    EXPECT_EQ(x->len, 5);
    EXPECT_EQ(x->rst, 1);
    // The player appends one blank pattern of its own for orders that name
    // no stored pattern.
    EXPECT_EQ(x->pat, 4 + 1);
    EXPECT_EQ(x->chn, 4);
    EXPECT_EQ(x->ins, 2);
    EXPECT_EQ(x->smp, 3);
    EXPECT_EQ(x->spd, 3);
    EXPECT_EQ(x->bpm, 140);
    for (int i = 0; i < 5; i++) EXPECT_EQ(x->xxo[i], m.orders[size_t(i)]);
    for (int i = 0; i < 4; i++) EXPECT_EQ(x->xxp[i]->rows, m.patterns[size_t(i)].rows);

    // Every cell, as the player keeps it: notes an octave up, volumes
    // 1-based, key off in its own code.
    for (int i = 0; i < 4; i++) {
        const xmpattern& pat = m.patterns[size_t(i)];
        for (int r = 0; r < pat.rows; r++)
            for (int c = 0; c < 4; c++) {
                const xmcell& w = pat.at(r, c);
                const xmp_event& e = p.event(i, r, c);
                EXPECT_EQ(e.note, w.note == XM_KEYOFF ? XMP_KEY_OFF : w.note ? w.note + 12 : 0);
                EXPECT_EQ(e.ins, w.instrument);
                EXPECT_EQ(e.vol, w.volume ? w.volume - 0x0F : 0);
                EXPECT_EQ(e.fxt, w.effect);
                EXPECT_EQ(e.fxp, w.param);
            }
    }
}

TEST(XmWriter, InstrumentsAndSamplesRoundTrip)
{
    const xmmodule m = testmodule();
    player p(writexm(m));
    ASSERT_EQ(p.loaded, 0);
    const xmp_module* x = p.mod();

    const xmp_instrument& a = x->xxi[0];
    EXPECT_STREQ(a.name, "two samples");
    EXPECT_EQ(a.nsm, 2);
    EXPECT_EQ(a.rls, 0x0400 * 2);
    EXPECT_EQ(a.aei.npt, 4);
    EXPECT_EQ(a.aei.flg & 7, XMP_ENVELOPE_ON | XMP_ENVELOPE_SUS | XMP_ENVELOPE_LOOP);
    EXPECT_EQ(a.aei.sus, 1);
    EXPECT_EQ(a.aei.lps, 1);
    EXPECT_EQ(a.aei.lpe, 2);
    EXPECT_EQ(a.aei.data[2], 10);
    EXPECT_EQ(a.aei.data[3], 40);
    EXPECT_EQ(a.pei.npt, 3);
    EXPECT_EQ(a.pei.flg & 7, XMP_ENVELOPE_ON);
    EXPECT_EQ(a.pei.data[5], 64);
    EXPECT_EQ(a.map[12].ins, 0);                // player keys are 12 above ours
    EXPECT_EQ(a.map[12 + 47].ins, 0);
    EXPECT_EQ(a.map[12 + 48].ins, 1);
    EXPECT_EQ(a.sub[0].vol, 48);
    EXPECT_EQ(a.sub[0].fin, -16);
    EXPECT_EQ(a.sub[0].xpo, 12);
    EXPECT_EQ(a.sub[1].pan, 64);
    EXPECT_EQ(a.sub[0].vwf, 1);
    EXPECT_EQ(x->xxi[1].aei.flg & XMP_ENVELOPE_ON, 0);

    // Every sample value comes back through the delta coding.
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
            if (s.loop == xmloop::none) {
                EXPECT_EQ(xs.flg & XMP_SAMPLE_LOOP, 0) << s.name;
            } else {
                EXPECT_NE(xs.flg & XMP_SAMPLE_LOOP, 0) << s.name;
                EXPECT_EQ((xs.flg & XMP_SAMPLE_LOOP_BIDIR) != 0, s.loop == xmloop::pingpong) << s.name;
                EXPECT_EQ(xs.lps, int(s.loopstart)) << s.name;
                EXPECT_EQ(xs.lpe, int(s.loopstart + s.looplength)) << s.name;
            }
        }
}

TEST(XmWriter, PlaysSoundOnlyWhereNotesAre)
{
    // One pattern of 16 rows at speed 6: silence until the looped square
    // starts on row 8.
    xmmodule m = testmodule();
    xmpattern pat(16, 4);
    pat.at(8, 0) = {xmnote(4, 0), 2, 0, 0, 0};
    m.patterns = {pat};
    m.orders = {0};
    m.restart = 0;
    m.speed = 6;
    player p(writexm(m));
    ASSERT_EQ(p.loaded, 0);
    ASSERT_EQ(xmp_start_player(p.ctx, 44100, 0), 0);
    EXPECT_EQ(peak(p, 8 * 6 - 1), 0);  // rows 0..7, less the tick before the note
    EXPECT_GT(peak(p, 6 * 6), 1000);
    xmp_end_player(p.ctx);
}

TEST(XmWriter, RefusesWhatTheFormatCannotHold)
{
    auto refuses = [](auto change) {
        xmmodule m = testmodule();
        change(m);
        EXPECT_THROW(writexm(m), std::invalid_argument);
    };
    EXPECT_NO_THROW(writexm(testmodule()));
    refuses([](xmmodule& m) { m.orders.push_back(4); });                     // missing pattern
    refuses([](xmmodule& m) { m.bpm = 31; });
    refuses([](xmmodule& m) { m.name = "a module name of more than twenty"; });
    refuses([](xmmodule& m) { m.patterns[0].at(1, 1).note = 98; });
    refuses([](xmmodule& m) { m.patterns[0].at(1, 1).instrument = 3; });
    refuses([](xmmodule& m) { m.patterns[2] = xmpattern(1, 3); });          // wrong shape
    refuses([](xmmodule& m) { m.instruments[0].keymap[95] = 2; });
    refuses([](xmmodule& m) { m.instruments[0].samples[0].data[7] = 128; });   // not 8-bit
    refuses([](xmmodule& m) { m.instruments[0].samples[0].looplength = 901; }); // past the end
    refuses([](xmmodule& m) { m.instruments[0].volenv.points[2].tick = 10; });  // not increasing
    refuses([](xmmodule& m) { m.instruments[0].volenv.loopend = 4; });
}
