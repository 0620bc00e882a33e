// assets.cpp: the built-in stand-ins for the three data files: a placeholder
// song with synthesized drums and bass, simple sprite and logo shapes, and a
// dome-shaped height map. Integer arithmetic and exactly rounded double
// operations only (no library sine or exponential), so every machine makes
// the same bytes.
#include "assets/assets.h"
#include <cmath>
#include "assets/xmwriter.h"
#include "output/font.h"

namespace tormel {

// ================================================================ the song

// Samples are made at twice the format's base rate and played with a
// relative note of +12, so C-4 plays them back at the rate they were made.
static constexpr int RATE = 16726;
static constexpr double TWOPI = 6.283185307179586;

// sin(2 pi turns) from a Taylor polynomial: the library sine may round
// differently on another system, this one cannot.
static double sine(double turns)
{
    double t = turns - std::floor(turns);  // 0..1
    if (t >= 0.5) t -= 1.0;                // -0.5..0.5
    if (t > 0.25) t = 0.5 - t;             // sin(pi - a) = sin(a)
    if (t < -0.25) t = -0.5 - t;
    const double x = t * TWOPI, x2 = x * x;  // |x| <= pi/2: the series to x^17 is exact to 1e-13
    double s = 1.0;
    for (int k = 17; k >= 3; k -= 2) s = 1.0 - s * x2 / double(k * (k - 1));
    return x * s;
}

namespace {

// The song's own noise: a 32-bit LCG, independent of the demo's generator.
struct lcg {
    uint32_t s;
    double next()  // -1..1
    {
        s = s * 1664525u + 1013904223u;
        return double(int32_t(s)) / 2147483648.0;
    }
};

} // namespace

static int16_t sample16(double v)
{
    if (v > 32767.0) v = 32767.0;
    if (v < -32768.0) v = -32768.0;
    return int16_t(std::lround(v));  // lround: exact on every system
}

// A short fade-out over the last frames so a one-shot ends at 0 without a click.
static void fadetail(std::vector<int16_t>& d, int frames)
{
    const int n = int(d.size());
    for (int i = 0; i < frames; i++) {
        int16_t& v = d[size_t(n - frames + i)];
        v = int16_t(v * (frames - 1 - i) / frames);
    }
}

// Kick: a sine falling from about 150 Hz to 45 Hz under a quick decay.
static xmsample kicksample()
{
    xmsample s;
    s.name = "kick";
    s.relativenote = 12;
    double phase = 0, sweep = 1, amp = 1;
    for (int i = 0; i < RATE * 3 / 10; i++) {
        s.data.push_back(sample16(28000.0 * amp * sine(phase)));
        phase += (45.0 + 105.0 * sweep) / RATE;
        sweep *= 0.9985;  // time constant of 40 ms
        amp *= 0.99975;   // 240 ms
    }
    fadetail(s.data, 400);
    return s;
}

// Snare: a 190 Hz body under brighter noise, both dying away.
static xmsample snaresample()
{
    xmsample s;
    s.name = "snare";
    s.relativenote = 12;
    lcg rnd{0x5EED5EEDu};
    double phase = 0, body = 1, hiss = 1, prev = 0;
    for (int i = 0; i < RATE * 22 / 100; i++) {
        const double n = rnd.next();
        const double bright = n - 0.6 * prev;  // tilt the noise towards the treble
        prev = n;
        s.data.push_back(sample16(11000.0 * body * sine(phase) + 12000.0 * hiss * bright));
        phase += 190.0 / RATE;
        body *= 0.9982;   // 33 ms
        hiss *= 0.99945;  // 110 ms
    }
    fadetail(s.data, 300);
    return s;
}

// Bass: one 64-frame cycle of a soft sawtooth (its first eight harmonics),
// looped. At the sample rate above, C-4 sounds at 261 Hz, a true C.
static xmsample basssample()
{
    xmsample s;
    s.name = "bass";
    s.relativenote = 12;
    s.volume = 56;
    for (int i = 0; i < 64; i++) {
        double v = 0;
        for (int k = 1; k <= 8; k++) v += sine(double(k * i) / 64.0) / k;
        s.data.push_back(sample16(14000.0 * v));
    }
    s.loop = xmloop::forward;
    s.loopstart = 0;
    s.looplength = 64;
    return s;
}

static xminstrument oneshot(const char* name, xmsample s)
{
    xminstrument ins;
    ins.name = name;
    ins.samples.push_back(std::move(s));
    return ins;
}

static xminstrument bassinstrument()
{
    xminstrument ins = oneshot("bass", basssample());
    // A pluck: quick drop, then a slow fade; key off fades it out faster.
    ins.volenv.points = {{0, 64}, {4, 50}, {16, 36}, {48, 20}, {128, 0}};
    ins.volenv.on = true;
    ins.fadeout = 0x0400;
    return ins;
}

enum { KICK = 1, SNARE = 2, BASS = 3 };            // instrument numbers
enum { CH_KICK = 0, CH_SNARE = 1, CH_BASS = 2 };   // channels

// The drums of every 16-row bar: kick on rows 0 3 6 9 10 13, snare on 4 and
// 12, where the demo's beat gates expect them.
static void drums(xmpattern& p)
{
    for (int r = 0; r < p.rows; r++) {
        switch (r & 15) {
        case 0: case 3: case 6: case 9: case 10: case 13:
            p.at(r, CH_KICK) = {xmnote(4, 0), KICK, 0, 0, 0};
            break;
        case 4: case 12:
            p.at(r, CH_SNARE) = {xmnote(4, 0), SNARE, 0, 0, 0};
            break;
        }
    }
}

// One bar of bass over a root note: root, root, octave, root, fifth,
// octave, root.
static void bassbar(xmpattern& p, int bar, uint8_t root)
{
    static const int rows[] = {0, 3, 6, 8, 10, 12, 14};
    static const int steps[] = {0, 0, 12, 0, 7, 12, 0};
    for (int i = 0; i < 7; i++)
        p.at(bar * 16 + rows[i], CH_BASS) = {uint8_t(root + steps[i]), BASS, 0, 0, 0};
}

std::vector<uint8_t> defaultmodule()
{
    xmmodule m;
    m.name = "tormel placeholder";
    m.channels = 8;
    m.speed = 6;
    m.bpm = 125;
    m.instruments = {oneshot("kick", kicksample()), oneshot("snare", snaresample()), bassinstrument()};

    const uint8_t A1 = xmnote(1, 9), C2 = xmnote(2, 0), D2 = xmnote(2, 2);
    const uint8_t E1 = xmnote(1, 4), F1 = xmnote(1, 5), G1 = xmnote(1, 7);

    // 0: the opening, long bass notes alone.
    xmpattern intro(64, 8);
    const uint8_t introroots[] = {A1, F1, C2, G1};
    for (int bar = 0; bar < 4; bar++) {
        intro.at(bar * 16, CH_BASS) = {introroots[bar], BASS, 0, 0, 0};
        intro.at(bar * 16 + 14, CH_BASS) = {XM_KEYOFF, 0, 0, 0, 0};
    }
    // 1..3: drums and a bass line over three progressions.
    const uint8_t progressions[3][4] = {{A1, A1, F1, G1}, {A1, C2, F1, E1}, {D2, D2, F1, E1}};
    m.patterns.push_back(intro);
    for (const auto& roots : progressions) {
        xmpattern p(64, 8);
        drums(p);
        for (int bar = 0; bar < 4; bar++) bassbar(p, bar, roots[bar]);
        m.patterns.push_back(p);
    }
    // 4: the close, drums under one held note.
    xmpattern close(64, 8);
    drums(close);
    close.at(0, CH_BASS) = {A1, BASS, 0, 0, 0};
    close.at(48, CH_BASS) = {XM_KEYOFF, 0, 0, 0, 0};
    m.patterns.push_back(close);

    // 28 orders: the run ends halfway through order 26.
    m.orders.push_back(0);
    static const uint8_t cycle[] = {1, 2, 1, 3};
    for (int k = 1; k < 27; k++) m.orders.push_back(cycle[(k - 1) % 4]);
    m.orders.push_back(4);
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

// ============================================================ the pictures

// Bit k of byte i is pixel i of image k: six 80 x 200 sprites, then two
// 320 x 50 logos.
static void setpixel(std::vector<uint8_t>& planes, int image, int width, int x, int y)
{
    planes[size_t(y * width + x)] |= uint8_t(1u << image);
}

// Sprite shapes, in doubled coordinates about the sprite's centre
// (X = 2x - 79, Y = 2y - 199, both odd) so that they are exactly symmetric.
static bool spriteshape(int image, int X, int Y)
{
    const int ax = X < 0 ? -X : X, ay = Y < 0 ? -Y : Y;
    switch (image) {
    case 0: {  // three stacked rings
        for (int cy : {-120, 0, 120}) {
            const int d = X * X + (Y - cy) * (Y - cy);
            if (d >= 48 * 48 && d <= 60 * 60) return true;
        }
        return false;
    }
    case 1:  // a disc
        return X * X + Y * Y <= 60 * 60;
    case 2:  // a diamond outline
        return ax + ay >= 64 && ax + ay <= 76;
    case 3: {  // a zigzag line down the middle
        if (ay > 190) return false;
        const int phase = ((Y + 199) / 2) % 40;  // the row, period 40
        const int centre = (phase < 20 ? phase : 40 - phase) * 4 - 40;  // -40..40
        return X >= centre - 8 && X <= centre + 8;
    }
    case 4:  // a cross
        return (ax <= 8 && ay <= 120) || (ay <= 8 && ax <= 60);
    default:  // concentric squares
        return (ax > ay ? ax : ay) <= 70 && (ax > ay ? ax : ay) % 24 < 8;
    }
}

// Text from the 8 x 8 font, each glyph pixel a scale x scale block, centred
// on the 320 x 50 logo.
static void logotext(std::vector<uint8_t>& planes, int image, const char* text, int scale)
{
    int n = 0;
    while (text[n]) n++;
    const int x0 = (320 - n * 8 * scale) / 2, y0 = (50 - 7 * scale) / 2;  // letters use 7 rows
    for (int k = 0; k < n; k++) {
        const int c = static_cast<unsigned char>(text[k]);
        for (int y = 0; y < 8; y++)
            for (int x = 0; x < 8; x++) {
                if (font1_normal[((c >> 3) * 8 + y) * 64 + (c & 7) * 8 + x] == 255) continue;
                for (int dy = 0; dy < scale; dy++)
                    for (int dx = 0; dx < scale; dx++)
                        setpixel(planes, image, 320, x0 + (k * 8 + x) * scale + dx, y0 + y * scale + dy);
            }
    }
}

std::vector<uint8_t> defaultsprites()
{
    std::vector<uint8_t> planes(16000);
    for (int image = 0; image < 6; image++)
        for (int y = 0; y < 200; y++)
            for (int x = 0; x < 80; x++)
                if (spriteshape(image, 2 * x - 79, 2 * y - 199)) setpixel(planes, image, 80, x, y);
    logotext(planes, 6, "TORMEL", 5);
    logotext(planes, 7, "IN SYNC", 4);
    return planes;
}

// A round hill of radius 28 cells, 15 at its top and 0 beyond, in the middle
// of the 64 x 64 grid. Two heights a byte, the left one in the low nibble.
std::vector<uint8_t> defaultrelief()
{
    std::vector<uint8_t> packed(2048);
    const int r2 = 56 * 56;  // radius squared, doubled coordinates
    for (int y = 0; y < 64; y++)
        for (int x = 0; x < 64; x++) {
            const int X = 2 * x - 63, Y = 2 * y - 63, d2 = X * X + Y * Y;
            const int h = d2 < r2 ? (15 * (r2 - d2) + r2 / 2) / r2 : 0;
            packed[size_t(y * 32 + x / 2)] |= uint8_t(h << ((x & 1) * 4));
        }
    return packed;
}

} // namespace tormel
