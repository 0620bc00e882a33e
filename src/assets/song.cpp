// SPDX-License-Identifier: MIT
// song.cpp: the built-in song "mmm.xm", composed for the picture. 27 orders
// of 64 rows at speed 6 and 125 BPM (a row is 0.12 s, a 16-row bar 1.92 s);
// the demo ends at order 26 row 32, where the song has faded out on its last
// chord. Every order has a pattern of its own.
//
// The picture flashes and jumps on two beat gates of the music time: the
// kick rows 0 3 6 9 10 13 and the snare rows 4 12 of every 16-row bar. The
// kick channel plays on kick rows only, the snare channel on snare rows only
// (but for a roll in the last scene, which ignores the snare), and each on
// every one of its rows wherever the picture reacts to the gate. The breaks
// of the picture are breaks of the music; everything else (hats, toms, the
// kicks' volumes, every melodic channel) is free. Each six-order scene has
// its own key, progression, instruments and feel, and the piece grows
// louder toward the tube (docs/music.md describes it for musicians):
//
//   orders  0-5   the opening ball   A minor, i-VI-III-VII, rolling bass, saw lead
//   orders  6-11  the water plane    D minor, i-VI-iv-V, plucks with echo, glass lead
//   orders 12-17  the relief plane   C minor, bells, booms, then round the fifths
//   orders 18-23  the tube tunnel    E minor, i-VII-VI-V, acid bass, sixteenth hats
//   orders 24-26  the fog ball       A minor to A major, the opening's lead
#include "assets/assets.h"
#include "assets/song.h"
#include "assets/synth.h"
#include <cmath>

namespace tormel {

namespace {

constexpr int ORDERS = SONGORDERS, ROWS = SONGROWS, CHANNELS = SONGCHANNELS;
constexpr uint8_t FX_PORTA = 0x3, FX_SLIDEDOWN = 0x2, FX_PANNING = 0x8, FX_GLOBALVOL = 0x10;  // effects 3, 2, 8, G

// "C-4", "C#4": a tracker note name.
uint8_t nt(const char* s)
{
    static const int base[7] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
    return xmnote(s[2] - '0', base[s[0] - 'A'] + (s[1] == '#' ? 1 : 0));
}

const uint8_t C4 = nt("C-4");

// A chord: three pad notes and the bass root, written "A-3 C-4 E-4 A-1".
struct chord {
    uint8_t pad[3];
    uint8_t root;
};

chord chd(const char* s) { return {{nt(s), nt(s + 4), nt(s + 8)}, nt(s + 12)}; }

// The whole song as one run of rows: row r of the song is row r % 64 of
// order r / 64, and bar b holds rows 16b..16b + 15.
struct song {
    std::vector<xmpattern> pats = std::vector<xmpattern>(ORDERS, xmpattern(ROWS, CHANNELS));
    std::vector<std::pair<int, int>> quiet;  // row ranges where the echo stays silent

    xmcell& at(int row, int ch) { return pats[size_t(row / ROWS)].at(row % ROWS, ch); }
    void note(int row, int ch, uint8_t n, uint8_t ins, int vol = -1)
    {
        xmcell& c = at(row, ch);
        c.note = n;
        c.instrument = ins;
        if (vol >= 0) c.volume = uint8_t(0x10 + vol);
    }
    void vol(int row, int ch, int v) { at(row, ch).volume = uint8_t(0x10 + v); }
    void effect(int row, int ch, uint8_t fx, uint8_t param)
    {
        at(row, ch).effect = fx;
        at(row, ch).param = param;
    }
    void off(int row, int ch) { at(row, ch).note = XM_KEYOFF; }

    // A melody from row on: "E-5:3" a note and its length in rows, ".:2"
    // rows without an event, "^:4" a key off. Returns the row after it.
    int line(int row, int ch, uint8_t ins, const char* text, int v)
    {
        const char* p = text;
        while (*p) {
            while (*p == ' ') p++;
            if (!*p) break;
            const char* tok = p;
            int len = 1;
            while (*p && *p != ' ' && *p != ':') p++;
            if (*p == ':') {
                len = 0;
                for (p++; *p >= '0' && *p <= '9'; p++) len = len * 10 + (*p - '0');
            }
            if (tok[0] == '^')
                off(row, ch);
            else if (tok[0] != '.')
                note(row, ch, nt(tok), ins, v);
            row += len;
        }
        return row;
    }
};

int bar(int order, int n) { return order * 4 + n; }
int row0(int b) { return b * 16; }

// ---------------------------------------------------------------- drums

const int KICKROWS[6] = {0, 3, 6, 9, 10, 13};
const int SNAREROWS[2] = {4, 12};

bool kickrow(int r) { return r == 0 || r == 3 || r == 6 || r == 9 || r == 10 || r == 13; }

// The kick on every kick row, accented: the downbeat and the pair 9-10
// carry the bar, the pushes between are lighter. v is the downbeat's volume.
void kicks(song& s, int b, int v = 64)
{
    static const int accent[6] = {0, 14, 8, 16, 6, 12};  // below the downbeat
    for (int i = 0; i < 6; i++) s.note(row0(b) + KICKROWS[i], CH_KICK, C4, IN_KICK, v - accent[i] * v / 64);
}

// The snare on its two rows; the second hit of the bar a little harder.
void snares(song& s, int b, int v = 52)
{
    s.note(row0(b) + SNAREROWS[0], CH_SNARE, C4, IN_SNARE, v - 4);
    s.note(row0(b) + SNAREROWS[1], CH_SNARE, C4, IN_SNARE, v);
}

// Closed hats on the eighths, the off-beats louder; an open hat closes
// every second bar.
void hats8(song& s, int b, int v)
{
    for (int r = 0; r < 16; r += 2) s.note(row0(b) + r, CH_HAT, C4, IN_HAT, (r & 2) ? v : v * 2 / 3);
    if (b & 1) s.note(row0(b) + 14, CH_HAT, C4, IN_OPENHAT, v);
}

// Sixteenths with accents on the off-beat eighths and open hats on them
// in the second half of the bar.
void hats16(song& s, int b, int v)
{
    for (int r = 0; r < 16; r++) {
        const int acc = (r & 3) == 2 ? v : (r & 1) ? v / 2 : v * 2 / 3;
        s.note(row0(b) + r, CH_HAT, C4, (r == 10 || r == 14) ? IN_OPENHAT : IN_HAT, acc);
    }
}

void crash(song& s, int row, int v = 44) { s.note(row, CH_FX, C4, IN_CRASH, v); }

void boom(song& s, int row, int v = 56) { s.note(row, CH_PERC, C4, IN_BOOM, v); }

// A tom fill: one tom for each given row, falling in pitch.
void toms(song& s, std::initializer_list<std::pair<int, const char*>> hits, int v = 48)
{
    for (auto [r, n] : hits) s.note(r, CH_PERC, nt(n), IN_TOM, v);
}

// Toms falling through the chord under way, one for each given row: its
// root two octaves up, the fifth below that, the root an octave up, the
// fifth below; fewer hits start further down.
void tomfall(song& s, std::initializer_list<int> rows, const chord& c, int v)
{
    static const int step[4] = {24, 19, 12, 7};
    int k = 4 - int(rows.size());
    for (int r : rows) s.note(r, CH_PERC, uint8_t(c.root + step[k++]), IN_TOM, v);
}

// The turn at the end of a pattern, on the channels the picture does not
// follow: the hats break into a run over its last four rows and toms fall
// through the chord into the next downbeat. Bar b is the pattern's fourth.
void fill(song& s, int b, const chord& c, int v)
{
    const int r = row0(b);
    for (int k = 12; k < 16; k++) s.note(r + k, CH_HAT, C4, IN_HAT, v * (8 + k - 12) / 12);
    s.note(r + 6, CH_HAT, C4, IN_OPENHAT, v);
    tomfall(s, {r + 11, r + 14, r + 15}, c, v + 10);
}

// ---------------------------------------------------------------- harmony

// The chord on the three pad channels. Legato glides the voices to the new
// notes without restarting them (a tone portamento fast enough to arrive on
// the first tick); a section's first chord starts them afresh.
void pad(song& s, int b, const chord& c, int v, bool legato = true)
{
    for (int k = 0; k < 3; k++) {
        s.note(row0(b), CH_PAD1 + k, c.pad[k], legato ? 0 : IN_PAD, v);
        if (legato) s.effect(row0(b), CH_PAD1 + k, FX_PORTA, 0xFF);
    }
}

void padvol(song& s, int row, int v)
{
    for (int k = 0; k < 3; k++) s.vol(row, CH_PAD1 + k, v);
}

// A rolling bass between the kicks: only the downbeat falls with one, the
// other notes fill the gaps of the kick pattern (root, octave, fifth). The
// turn bar ends on the seventh, the fifth and a passing second, which lean
// toward the next chord over a major chord and a minor one alike.
void bassroll(song& s, int b, const chord& c, int v, bool turn = false)
{
    static const int rows[8] = {0, 2, 4, 7, 8, 11, 12, 14}, step[8] = {0, 12, 0, 7, 12, 0, 7, 12};
    static const int turnstep[8] = {0, 12, 0, 7, 12, 10, 7, 2};
    for (int i = 0; i < 8; i++) {
        const int vol = i == 0 ? v : (i == 4 ? v - 4 : v - 10);
        s.note(row0(b) + rows[i], CH_BASS, uint8_t(c.root + (turn ? turnstep[i] : step[i])), IN_BASS, vol);
    }
}

// A floating bass: root, octave, root, fifth, leaving space between.
void bassfloat(song& s, int b, const chord& c, int v)
{
    static const int rows[4] = {0, 6, 10, 13}, step[4] = {0, 12, 0, 7};
    for (int i = 0; i < 4; i++) s.note(row0(b) + rows[i], CH_BASS, uint8_t(c.root + step[i]), IN_BASS, v - 4 * (i & 1));
}

// Acid sixteenths round the root, accented on the kick rows, with a slide
// into the last note of the bar.
void acid(song& s, int b, const chord& c, int v)
{
    static const int step[16] = {0, 0, 12, 0, 7, 0, 12, 0, 0, 12, 0, 7, 0, 12, 7, 12};
    const uint8_t root = uint8_t(c.root + 12);  // the acid wave sounds an octave below the bass's
    for (int r = 0; r < 16; r++) {
        s.note(row0(b) + r, CH_BASS, uint8_t(root + step[r]), r == 15 ? 0 : IN_ACID, kickrow(r) ? v : v * 5 / 8);
        if (r == 15) s.effect(row0(b) + r, CH_BASS, FX_PORTA, 0x60);
    }
}

// Arpeggios over the chord's notes an octave up and two octaves up.
void arpkick(song& s, int b, const chord& c, int v, uint8_t ins = IN_PLUCK)
{
    const int pick[6] = {0, 1, 2, 1, 3, 2};
    for (int i = 0; i < 6; i++) {
        const int k = pick[i];
        s.note(row0(b) + KICKROWS[i], CH_ARP, uint8_t(c.pad[k % 3] + 12 + 12 * (k / 3)), ins, i == 0 ? v : v - 6);
    }
}

void arp16(song& s, int b, const chord& c, int v, const int (&pick)[16])
{
    for (int r = 0; r < 16; r++) {
        const int k = pick[r];
        s.note(row0(b) + r, CH_ARP, uint8_t(c.pad[k % 3] + 12 + 12 * (k / 3)), IN_PLUCK, (r & 1) ? v * 3 / 4 : v);
    }
}

const int ARPUP[16] = {0, 1, 2, 3, 4, 5, 4, 3, 1, 2, 3, 4, 5, 4, 3, 2};
const int ARPWAVE[16] = {0, 2, 4, 3, 1, 3, 5, 4, 0, 2, 4, 3, 1, 4, 5, 3};

// Silence the given channels from row (cut the notes sounding there).
void cut(song& s, int row, std::initializer_list<int> chans)
{
    for (int ch : chans) s.vol(row, ch, 0);
}

const std::initializer_list<int> MELODIC = {CH_BASS, CH_PAD1, CH_PAD2, CH_PAD3, CH_LEAD, CH_ARP, CH_ECHO};

// The loudness of the piece, pattern by pattern, as the global volume: the
// first three scenes held back, the quiet openings of the water and the
// relief lower still, the tube and the finale at full strength. The last
// pattern fades from its level to silence (in finale).
const uint8_t LEVEL[ORDERS] = {52, 60, 60, 60, 60, 60, 54, 54, 60, 60, 60, 60, 48, 48,
                               62, 62, 62, 62, 58, 58, 64, 64, 64, 64, 64, 64, 64};

void levels(song& s)
{
    for (int o = 0; o < ORDERS - 1; o++) s.effect(o * ROWS, CH_FX, FX_GLOBALVOL, LEVEL[o]);
}

// ================================================================ scenes

// Scene 1, orders 0-5: the opening ball. The intro has no drums (the picture
// does not flash yet); the drums come with order 1, where the snare flashes
// begin; the logo "jumps" with the kick from order 2 on. The last four rows
// of order 5 are black: everything stops but a reversed cymbal.
void opening(song& s)
{
    const chord Am = chd("A-3 C-4 E-4 A-1"), F = chd("A-3 C-4 F-4 F-1"), C = chd("G-3 C-4 E-4 C-2"),
                G = chd("G-3 B-3 D-4 G-1"), Em = chd("G-3 B-3 E-4 E-1"), E = chd("G#3 B-3 E-4 E-1");
    const chord first[4] = {Am, F, C, G};
    const chord second[2][4] = {{F, G, Em, Am}, {F, G, E, Am}};

    // Order 0: the pad swells in, the bass pulses on rows 0 and 10 (where
    // the ball's wobble starts again), a pluck hints at the kick rhythm.
    for (int b = 0; b < 4; b++) {
        pad(s, b, first[b], 8, b > 0);
        s.note(row0(b), CH_BASS, first[b].root, IN_BASS, 40);
        s.note(row0(b) + 10, CH_BASS, uint8_t(first[b].root + 12), IN_BASS, 30);
        if (b >= 2) arpkick(s, b, first[b], 18 + 6 * (b - 2));
    }
    for (int r = 1; r < 64; r++) padvol(s, r, r < 32 ? 8 + r * 16 / 32 : 24);
    s.note(48, CH_FX, C4, IN_RISER, 36);

    // Orders 1-3: drums, the rolling bass, the pluck on the kick rows, and
    // from order 2 the lead.
    for (int o = 1; o <= 3; o++)
        for (int n = 0; n < 4; n++) {
            const int b = bar(o, n);
            kicks(s, b);
            snares(s, b);
            hats8(s, b, 34);
            pad(s, b, first[n], 18, !(o == 1 && n == 0));
            bassroll(s, b, first[n], 46, n == 3);
            arpkick(s, b, first[n], o == 1 ? 30 : 24);
        }
    fill(s, bar(2, 3), G, 30);
    fill(s, bar(3, 3), G, 30);
    crash(s, 64);
    // The ball turns to a sphere at row 48 of order 1, then is squashed:
    // pad and pluck step back, toms fall into the logo's entrance.
    for (int r = 64 + 48; r < 128; r++) s.at(r, CH_ARP) = {};
    cut(s, 64 + 48, {CH_PAD1, CH_PAD2, CH_PAD3, CH_ARP});
    toms(s, {{64 + 55, "E-3"}, {64 + 59, "C-3"}, {64 + 62, "A-2"}, {64 + 63, "G-2"}});
    crash(s, 128);
    s.line(128, CH_LEAD, IN_LEAD,
           "E-5:3 D-5:3 C-5:2 D-5:2 E-5:6  F-5:4 A-5:4 G-5:2 F-5:2 E-5:2 C-5:2  G-5:6 E-5:2 C-5:4 E-5:4  D-5:10 B-4:2 G-4:4 "
           ".:2 E-5:2 A-5:3 G-5:3 E-5:2 C-5:4  A-5:3 C-6:3 A-5:2 F-5:8  G-5:2 A-5:2 G-5:2 E-5:2 C-5:3 D-5:5  B-4:6 D-5:4 G-5:6",
           54);

    // Orders 4-5: the second logo, a lifting progression, the long-note
    // melody, sixteenth plucks.
    for (int o = 4; o <= 5; o++)
        for (int n = 0; n < 4; n++) {
            const int b = bar(o, n);
            const chord& c = second[o - 4][n];
            kicks(s, b);
            snares(s, b);
            hats8(s, b, 38);
            pad(s, b, c, 20, true);
            bassroll(s, b, c, 46, n == 3);
            arp16(s, b, c, 22, ARPUP);
        }
    fill(s, bar(4, 3), Am, 32);
    crash(s, 256);
    s.line(256, CH_LEAD, IN_LEAD,
           "A-5:6 G-5:4 F-5:6  D-5:3 G-5:3 B-5:4 A-5:2 G-5:4  B-5:8 G-5:4 E-5:4  E-5:2 A-5:2 C-6:12 "
           "C-6:4 A-5:2 F-5:2 A-5:4 C-6:4  D-6:6 B-5:6 G-5:4  G#5:4 B-5:4 E-6:6 D-6:2  C-6:3 B-5:3 A-5:10",
           54);
    // Order 5's turn comes before its black rows: a tom run into the dark.
    tomfall(s, {5 * 64 + 54, 5 * 64 + 56, 5 * 64 + 58, 5 * 64 + 59}, Am, 44);

    // The black rows 60-63 of order 5: a full stop, then the swell into
    // the water. No kick or snare here (the picture is dark).
    const int black = 5 * 64 + 60;
    for (int r = black; r < black + 4; r++) {
        s.at(r, CH_KICK) = {};
        s.at(r, CH_SNARE) = {};
        s.at(r, CH_HAT) = {};
        for (int ch : MELODIC) s.at(r, ch) = {};
    }
    cut(s, black, MELODIC);
    cut(s, black, {CH_HAT});
    s.note(black, CH_FX, C4, IN_SWELL, 40);
    s.quiet.push_back({black, black + 4});
}

// Scene 2, orders 6-11: the water plane, in D minor over a falling line
// (i-VI-iv-V), then iv-VII-III-V. The left sprite breathes twice a pattern
// in orders 6-7 and so does the pad; no kick until the right sprite starts
// beating with it at order 8. The snare flashes throughout. The last four
// rows of order 7 (no sprite) thin out; the negative last four rows of
// order 11 are a drum fill alone.
void water(song& s)
{
    const chord Dm = chd("F-3 A-3 D-4 D-2"), Bb = chd("F-3 A#3 D-4 A#1"), Gm = chd("G-3 A#3 D-4 G-1"),
                A = chd("E-3 A-3 C#4 A-1"), C = chd("E-3 G-3 C-4 C-2"), Fmaj7 = chd("E-3 A-3 C-4 F-2");
    const chord prog[2][4] = {{Dm, Bb, Gm, A}, {Gm, C, Fmaj7, A}};

    for (int o = 6; o <= 11; o++)
        for (int n = 0; n < 4; n++) {
            const int b = bar(o, n);
            const chord& c = prog[o >= 10][n];
            if (o >= 8) kicks(s, b, 60);
            snares(s, b, o < 8 ? 42 : 50);
            hats16(s, b, o < 8 ? 24 : 30);
            pad(s, b, c, 22, !(o == 6 && n == 0));
            bassfloat(s, b, c, 46);
            arp16(s, b, c, 26, ARPWAVE);
        }
    for (int o = 8; o <= 10; o++) fill(s, bar(o, 3), A, 30);
    // The pad breathes with the left sprite: 45000 + 16384 sin(4 pi t).
    crash(s, 6 * 64, 32);
    for (int r = 6 * 64; r < 8 * 64; r++) padvol(s, r, 24 + int(std::lround(10.0 * sine(double(r) / 32.0))));
    tomfall(s, {6 * 64 + 59, 6 * 64 + 62, 6 * 64 + 63}, A, 34);

    // Order 7, rows 60-63: the sprite is gone; plucks, hats and bass rest,
    // the snare keeps its flash, a swell brings in the kick.
    const int gap = 7 * 64 + 60;
    for (int r = gap; r < gap + 4; r++) {
        s.at(r, CH_ARP) = {};
        s.at(r, CH_HAT) = {};
        s.at(r, CH_BASS) = {};
    }
    cut(s, gap, {CH_ARP, CH_BASS, CH_HAT});
    s.note(gap, CH_FX, C4, IN_SWELL, 34);
    s.quiet.push_back({gap, gap + 4});
    crash(s, 8 * 64);

    s.line(8 * 64, CH_LEAD, IN_GLASS,
           "A-5:6 F-5:2 E-5:2 D-5:6  D-5:3 F-5:3 A#5:4 A-5:6  G-5:8 A#5:4 D-6:4  C#6:6 A-5:4 E-5:6 "
           "F-5:2 A-5:2 D-6:4 C-6:2 A-5:6  A#5:6 A-5:2 F-5:8  D-5:4 G-5:4 A#5:3 A-5:3 G-5:2  E-5:12 ^:4 "
           "D-6:6 C-6:4 A#5:6  E-5:3 G-5:3 C-6:10  A-5:4 C-6:2 F-6:6 E-6:4  C#6:8 E-6:8 "
           "A#5:2 D-6:2 G-6:4 F-6:2 D-6:6  E-6:6 C-6:4 G-5:6  A-5:3 C-6:3 A-5:2 F-5:4 A-5:4  C#6:4 E-6:4 A-5:8",
           28);

    // Order 11, rows 60-63, negative: everything stops but the drums, which
    // keep the snare and kick rows and add toms.
    const int neg = 11 * 64 + 60;
    for (int r = neg; r < neg + 4; r++) {
        s.at(r, CH_HAT) = {};
        for (int ch : MELODIC) s.at(r, ch) = {};
    }
    cut(s, neg, MELODIC);
    cut(s, neg, {CH_HAT});
    toms(s, {{neg + 1, "C-3"}, {neg + 2, "A-2"}, {neg + 3, "F-2"}}, 52);
    s.quiet.push_back({neg, neg + 4});
}

// Scene 3, orders 12-17: the relief plane, C minor. Orders 12-13 have no
// snare and no beat (the picture flashes on neither): a boom and a kick on
// rows 0 and 32, where the left sprite blinks, bells over a dark pad. The
// drums come at order 14 with the snare flashes; the lead at order 16 with
// the right sprite beating on the kicks, where the harmony leaves its loop
// for the circle of fifths. The last quarter of order 17 turns negative on
// the kick rows: a break of stabs on exactly those rows.
void relief(song& s)
{
    const chord Cm = chd("G-3 C-4 D#4 C-2"), Ab = chd("G#3 C-4 D#4 G#1"), Fm = chd("G#3 C-4 F-4 F-1"),
                G = chd("G-3 B-3 D-4 G-1"), Bb = chd("A#3 D-4 F-4 A#1"), Eb = chd("G-3 A#3 D#4 D#2"),
                Db = chd("G#3 C#4 F-4 C#2");
    const chord loop[4] = {Cm, Ab, Fm, G}, away[2][4] = {{Fm, Bb, Eb, Ab}, {Db, Fm, G, G}};

    for (int o = 12; o <= 17; o++) {
        for (int n = 0; n < 4; n++) {
            const int b = bar(o, n);
            const chord& c = o < 16 ? loop[n] : away[o - 16][n];
            pad(s, b, c, o < 14 ? 26 : 20, !(o == 12 && n == 0));
            if (o < 14) {
                s.note(row0(b), CH_BASS, c.root, IN_BASS, 44);
                s.note(row0(b) + 8, CH_BASS, uint8_t(c.root + 12), IN_BASS, 26);
                for (int r = 2; r < 16; r += 4) s.note(row0(b) + r, CH_HAT, C4, IN_HAT, 16);
            } else {
                kicks(s, b, 60);
                snares(s, b);
                hats8(s, b, 32);
                bassroll(s, b, c, 44, n == 3);
            }
        }
        // The left sprite blinks on rows 0 and 32 until order 16.
        if (o < 16)
            for (int r : {0, 32}) {
                boom(s, o * 64 + r, o < 14 ? 60 : 48);
                if (o < 14) s.note(o * 64 + r, CH_KICK, C4, IN_KICK, 56);
            }
    }
    // The quiet orders turn on a soft tom and a ghost of an open hat.
    for (int o : {12, 13}) {
        s.note(o * 64 + 58, CH_HAT, C4, IN_OPENHAT, 18);
        toms(s, {{o * 64 + 62, "C-3"}, {o * 64 + 63, "G-2"}}, 30);
    }
    for (int o : {14, 15}) fill(s, bar(o, 3), G, 28);
    fill(s, bar(16, 3), Ab, 28);
    // Bells, an answer in the echo.
    s.line(12 * 64, CH_ARP, IN_BELL,
           "G-5:6 D#5:4 C-5:6  .:16  G#5:6 G-5:4 F-5:6  D-5:10 B-4:6 "
           "G-5:6 D#5:4 C-5:6  D#5:6 G#5:4 C-6:6  C-6:6 G#5:4 F-5:6  G-5:16",
           34);
    s.line(14 * 64, CH_ARP, IN_BELL,
           "C-6:3 G-5:3 D#5:4 G-5:6  C-6:3 G#5:3 D#5:4 G#5:6  C-6:3 G#5:3 F-5:4 G#5:6  B-5:3 G-5:3 D-5:4 G-5:6 "
           "C-6:3 G-5:3 D#5:4 G-5:6  C-6:3 G#5:3 D#5:4 G#5:6  C-6:3 G#5:3 F-5:4 G#5:6  B-5:3 G-5:3 D-5:4 B-5:6",
           26);
    s.line(16 * 64, CH_LEAD, IN_LEAD,
           "C-6:4 G#5:4 F-5:8  D-6:3 C-6:3 A#5:4 F-5:6  G-5:6 A#5:2 D#6:8  C-6:2 D#6:2 C-6:4 G#5:8 "
           "F-5:6 G#5:4 C#6:6  C-6:3 G#5:3 F-5:4 G#5:6  B-5:8 D-6:4 G-5:4",
           48);
    for (int o = 16; o <= 17; o++)
        for (int n = 0; n < 4; n++) arpkick(s, bar(o, n), away[o - 16][n], 22, IN_PLUCK);

    // Order 17, rows 48-63: the negative kicks. Pad, bass, hats and plucks
    // stop; stabs climb chromatically on the kick rows toward the tube's E
    // minor; kick and snare keep their rows; toms lead over.
    const int brk = 17 * 64 + 48;
    for (int r = brk; r < brk + 16; r++) {
        s.at(r, CH_HAT) = {};
        for (int ch : MELODIC) s.at(r, ch) = {};
    }
    cut(s, brk, MELODIC);
    cut(s, brk, {CH_HAT});
    const char* climb[6] = {"G-3", "G-3", "G-3", "G#3", "A-3", "B-3"};
    for (int i = 0; i < 6; i++) s.note(brk + KICKROWS[i], CH_PERC, nt(climb[i]), IN_STAB, 50);
    toms(s, {{brk + 14, "A-2"}, {brk + 15, "F-2"}}, 50);
    s.quiet.push_back({brk, brk + 16});
}

// Scene 4, orders 18-23: the tube, E minor down a step at a time to its
// dominant (i-VII-VI-V), then VI-VII-iv-V. The sprites beat with the kick
// from the first row and the snare doubles the brightness, so this is the
// driving section: acid bass, sixteenth hats, plucks, then the lead. When
// the right sprite takes over at the end of order 18, stabs double the
// kicks. The last quarter of order 23 fades to black: the music drops away,
// the kick alone fading with the picture under a falling sweep and a diving
// bass.
void tube(song& s)
{
    const chord Em = chd("G-3 B-3 E-4 E-1"), D = chd("F#3 A-3 D-4 D-2"), C = chd("G-3 C-4 E-4 C-2"),
                B = chd("F#3 B-3 D#4 B-1"), Am = chd("A-3 C-4 E-4 A-1");
    const chord prog[2][4] = {{Em, D, C, B}, {C, D, Am, B}};

    for (int o = 18; o <= 23; o++)
        for (int n = 0; n < 4; n++) {
            const int b = bar(o, n);
            const chord& c = prog[o >= 22][n];
            kicks(s, b);
            snares(s, b, 58);
            hats16(s, b, 40);
            pad(s, b, c, 20, !(o == 18 && n == 0));
            acid(s, b, c, 50);
            if (o < 20) arp16(s, b, c, 24, ARPUP);
        }
    for (int o = 19; o <= 22; o++) {  // the turns: toms, a swell into the next pattern
        tomfall(s, {o * 64 + 59, o * 64 + 61, o * 64 + 62, o * 64 + 63}, B, 46);
        s.note(o * 64 + 60, CH_FX, C4, IN_SWELL, 30);
    }
    crash(s, 18 * 64);
    for (int i = 0; i < 6; i++) s.note(18 * 64 + 48 + KICKROWS[i], CH_PERC, nt("D-4"), IN_STAB, 36);
    crash(s, 20 * 64);
    crash(s, 22 * 64);
    s.line(20 * 64, CH_LEAD, IN_LEAD,
           "B-5:3 B-5:3 E-6:4 D-6:2 B-5:4  A-5:2 D-6:2 F#6:6 E-6:2 D-6:4  E-6:6 C-6:2 G-5:8  F#5:4 A-5:4 B-5:2 D#6:6 "
           "E-6:2 G-6:2 B-6:6 A-6:3 G-6:3  F#6:8 D-6:4 A-5:4  G-6:3 E-6:3 C-6:2 E-6:2 G-6:6  F#6:12 D#6:4 "
           "E-6:4 G-6:4 C-7:6 B-6:2  A-6:6 F#6:4 D-6:6  E-6:3 A-6:3 C-7:4 B-6:2 A-6:4  B-6:6 A-6:2 F#6:8 "
           "G-6:2 E-6:2 C-6:2 E-6:2 G-6:2 C-7:6  D-7:8 C-7:4 A-6:4  C-7:6 B-6:4 A-6:6",
           50);
    for (int o = 20; o <= 23; o++)
        for (int n = 0; n < 4; n++) {
            const chord& c = prog[o >= 22][n];
            const int b = bar(o, n);
            for (int i = 0; i < 6; i++)
                s.note(row0(b) + KICKROWS[i], CH_ARP, uint8_t(c.pad[i % 3] + 24), IN_PLUCK, 16);
        }

    // The drop: order 23, rows 48-63.
    const int drop = 23 * 64 + 48;
    for (int r = drop; r < drop + 16; r++) {
        s.at(r, CH_HAT) = {};
        s.at(r, CH_SNARE) = {};
        s.at(r, CH_PERC) = {};
        for (int ch : MELODIC) s.at(r, ch) = {};
    }
    cut(s, drop, MELODIC);
    cut(s, drop, {CH_HAT});
    for (int r : KICKROWS) s.vol(drop + r, CH_KICK, 64 * (16 - r) / 16);  // the picture's fade
    s.note(drop, CH_FX, C4, IN_FALL, 48);
    s.note(drop, CH_BASS, nt("B-1"), IN_BASS, 48);
    for (int r = 1; r < 16; r++) {
        s.effect(drop + r, CH_BASS, FX_SLIDEDOWN, 0x03);
        s.vol(drop + r, CH_BASS, 48 - 3 * r);
    }
    s.quiet.push_back({drop, drop + 16});
}

// Scene 5, orders 24-26: the fog ball. The picture flashes negative on rows
// 0-1 and 32-33 of every pattern: a crash and a boom on rows 0 and 32. The
// opening's lead returns over new chords, a snare roll builds the dominant,
// and order 26 lands on A major at row 0 and fades with the picture to
// silence at row 32, where the demo ends.
void finale(song& s)
{
    const chord F = chd("A-3 C-4 F-4 F-1"), G = chd("B-3 D-4 G-4 G-1"), Em = chd("B-3 E-4 G-4 E-1"),
                Am = chd("C-4 E-4 A-4 A-1"), Dm = chd("A-3 D-4 F-4 D-2"), E = chd("G#3 B-3 E-4 E-1"),
                A = chd("A-3 C#4 E-4 A-1");
    const chord prog[2][4] = {{F, G, Em, Am}, {F, G, Dm, E}};

    for (int o = 24; o <= 25; o++) {
        for (int n = 0; n < 4; n++) {
            const int b = bar(o, n);
            const chord& c = prog[o - 24][n];
            kicks(s, b);
            snares(s, b, 56);
            hats16(s, b, 34);
            pad(s, b, c, 20, !(o == 24 && n == 0));
            bassroll(s, b, c, 48, n == 3);
            arp16(s, b, c, 24, ARPUP);
        }
        for (int r : {0, 32}) {
            crash(s, o * 64 + r, 48);
            boom(s, o * 64 + r, 52);
        }
    }
    fill(s, bar(24, 3), Am, 34);
    s.line(24 * 64, CH_LEAD, IN_LEAD,
           "A-5:3 G-5:3 F-5:2 A-5:2 C-6:6  B-5:4 D-6:4 B-5:2 G-5:6  E-5:6 G-5:2 B-5:8  A-5:10 C-6:3 E-6:3 "
           "F-6:4 E-6:2 C-6:2 A-5:8  D-6:3 B-5:3 G-5:4 B-5:3 D-6:3  F-6:6 E-6:4 D-6:6  E-6:8 G#5:4 B-5:4",
           60);
    // The roll over the last half bar of order 25 (the picture does not
    // flash on the snare in this scene), louder toward the landing.
    for (int r = 56; r < 64; r++) {
        if (r == 60) continue;  // the snare row keeps its own hit
        s.note(25 * 64 + r, CH_SNARE, C4, IN_SNARE, 24 + 4 * (r - 56));
    }
    tomfall(s, {25 * 64 + 57, 25 * 64 + 59, 25 * 64 + 61, 25 * 64 + 63}, E, 50);

    // Order 26: the last chord at row 0, faded by the global volume to 0 at
    // row 32; nothing after.
    const int end = 26 * 64;
    crash(s, end, 52);
    boom(s, end, 60);
    s.note(end, CH_KICK, C4, IN_KICK, 64);
    pad(s, bar(26, 0), A, 30, true);
    s.note(end, CH_BASS, A.root, IN_BASS, 50);
    s.note(end, CH_LEAD, nt("A-5"), IN_LEAD, 56);
    s.line(end, CH_ARP, IN_PLUCK, "A-4:2 C#5:2 E-5:2 A-5:2 C#6:2 E-6:2 A-6:2", 26);
    for (int r = 0; r <= 32; r++) s.effect(end + r, CH_FX, FX_GLOBALVOL, uint8_t(LEVEL[26] * (32 - r) / 32));
    s.quiet.push_back({end + 32, end + 64});
}

// The pluck and bell channel echoes on its own: each note again three rows
// later (a dotted eighth) at less than half the volume, except in breaks.
void echo(song& s)
{
    for (int r = 3; r < ORDERS * ROWS; r++) {
        bool quiet = false;
        for (auto [a, b] : s.quiet) quiet |= r >= a && r < b;
        const xmcell src = s.at(r - 3, CH_ARP);
        if (quiet || src.note == 0 || src.note == XM_KEYOFF || src.volume < 0x10) continue;
        s.note(r, CH_ECHO, src.note, src.instrument, (src.volume - 0x10) * 2 / 5);
    }
    for (auto [a, b] : s.quiet) s.vol(a, CH_ECHO, 0);
}

// Places the voices across the stereo field, after everything is written:
// the pads left, right and centre; each arpeggio note a step further from
// left to right across its bar, and its echo mirrored on the other side. A
// panning effect goes on a note that starts its instrument (which resets
// the channel's panning) and leaves its effect column free; the glides of
// the pads keep the panning they had.
void stereo(song& s)
{
    static const uint8_t padpan[3] = {32, 224, 128};
    for (int r = 0; r < ORDERS * ROWS; r++) {
        for (int k = 0; k < 3; k++) {
            xmcell& c = s.at(r, CH_PAD1 + k);
            if (c.instrument && !c.effect) s.effect(r, CH_PAD1 + k, FX_PANNING, padpan[k]);
        }
        const uint8_t sweep = uint8_t(40 + 11 * (r % 16));  // 40..205
        if (s.at(r, CH_ARP).instrument && !s.at(r, CH_ARP).effect) s.effect(r, CH_ARP, FX_PANNING, sweep);
        if (r >= 3 && s.at(r, CH_ECHO).instrument && !s.at(r, CH_ECHO).effect)
            s.effect(r, CH_ECHO, FX_PANNING, uint8_t(255 - (40 + 11 * ((r - 3) % 16))));
    }
}

} // namespace

std::vector<uint8_t> defaultmodule()
{
    song s;
    opening(s);
    water(s);
    relief(s);
    tube(s);
    finale(s);
    echo(s);
    stereo(s);
    levels(s);

    xmmodule m;
    m.name = "tormel";
    m.channels = CHANNELS;
    m.speed = 6;
    m.bpm = 125;
    m.instruments = songinstruments();
    m.patterns = s.pats;
    for (int k = 0; k < ORDERS; k++) m.orders.push_back(uint8_t(k));
    return writexm(m);
}

std::vector<uint8_t> fastmodule()
{
    xmmodule m;
    m.name = "tormel fast";
    m.channels = 2;
    m.speed = 1;
    m.bpm = 255;
    m.patterns.push_back(xmpattern(1, 2));
    m.orders.assign(28, 0);
    return writexm(m);
}

} // namespace tormel
