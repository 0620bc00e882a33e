// SPDX-License-Identifier: MIT
// synth.cpp: makes the samples and envelopes of the song's instruments:
// drums from swept sines, noise and clusters of square waves; pitched
// instruments from additive waves that loop on whole cycles. Integer steps
// and exactly rounded double operations only, so the output is the same
// bytes on every machine.
#include "assets/synth.h"
#include <algorithm>
#include <cmath>

namespace tormel {

// ================================================================ basics

static constexpr double TWOPI = 6.283185307179586;

// sin(2 pi turns) for turns in -0.25..0.25: the odd series to x^17 by
// Horner's rule, each step dividing by the exact k (k - 1). Written out
// rather than looped, and inlined, so that the divisions of neighbouring
// calls overlap; the operations, and so the bits, are those of the loop.
static inline double sinequarter(double t)
{
    const double x = t * TWOPI, x2 = x * x;  // |x| <= pi/2: the series to x^17 is exact to 1e-13
    double s = 1.0 - x2 / 272.0;
    s = 1.0 - s * x2 / 210.0;
    s = 1.0 - s * x2 / 156.0;
    s = 1.0 - s * x2 / 110.0;
    s = 1.0 - s * x2 / 72.0;
    s = 1.0 - s * x2 / 42.0;
    s = 1.0 - s * x2 / 20.0;
    s = 1.0 - s * x2 / 6.0;
    return x * s;
}

// The turn folded into -0.25..0.25 by sin(pi - a) = sin(a) and the period:
// t itself up to a quarter, 0.5 - t up to three quarters, t - 1 beyond.
// Each candidate is exact where it is chosen, and min and max choose without
// a branch (the quarter a harmonic falls in is anyone's guess).
static inline double sinefast(double turns)
{
    const double t = turns - std::floor(turns);  // 0..1
    return sinequarter(std::max(std::min(t, 0.5 - t), t - 1.0));
}

double sine(double turns) { return sinefast(turns); }

// Sample rates in frames a second. A sample made at 8363 * 2^(k/12) Hz
// plays at its own rate when its note sounds with relative note k; the
// rates below are those of k = 0, 7, 12 and 24.
static constexpr double R8 = 8363, R12 = 12529.6, R16 = 16726, R33 = 33452;
static constexpr int C4 = 49;  // note number of C-4

// The relative note that plays a sample made at rate index k (above) at its
// own rate when the note native sounds: a wave of period 64 frames at R16 is
// a C, and with native = C-4 the note C-4 plays it as C-4.
static int8_t relnote(int k, int native) { return int8_t(k + C4 - native); }

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

// One-pole low-pass; w = 2 pi fc / rate, the pole from the bilinear-free
// approximation w / (1 + w), which needs no exponential.
struct onepole {
    double a, y = 0;
    onepole(double fc, double rate) : a(TWOPI * fc / rate / (1.0 + TWOPI * fc / rate)) {}
    double low(double x) { return y += a * (x - y); }
    double high(double x) { return x - low(x); }
};

// Chamberlin state-variable filter. f = 2 sin(pi fc / rate) must stay well
// below 1 for stability at low damping; callers oversample where it would not.
struct svf {
    double low = 0, band = 0, high = 0;
    void step(double in, double f, double q)
    {
        low += f * band;
        high = in - low - q * band;
        band += f * high;
    }
};

} // namespace

static double svfcoef(double fc, double rate) { return 2.0 * sine(fc / (2.0 * rate)); }

// A decay factor per frame for a time constant of tau seconds: the first
// two terms of exp(-1 / (tau rate)), close enough for tau rate >> 1.
static double decay(double tau, double rate) { return 1.0 - 1.0 / (tau * rate); }

// tanh-like saturation, odd, 1 at |x| >= 3.
static double softclip(double x)
{
    if (x >= 3.0) return 1.0;
    if (x <= -3.0) return -1.0;
    return x * (27.0 + x * x) / (27.0 + 9.0 * x * x);
}

// Rounding to the nearest integer, halves away from zero, as lround does but
// without the library call: x - trunc(x) is exact for |x| < 2^52.
static int roundhalfaway(double x)
{
    int r = int(x);
    const double rest = x - r;
    if (rest >= 0.5) r++;
    if (rest <= -0.5) r--;
    return r;
}

// Scale to the given peak (1.0 = full scale) and round to 16 bits.
static std::vector<int16_t> to16(const std::vector<double>& v, double peak)
{
    double m = 0;
    for (double x : v) m = std::max(m, std::fabs(x));
    const double g = m > 0 ? peak * 32767.0 / m : 0.0;
    std::vector<int16_t> out(v.size());
    for (size_t i = 0; i < v.size(); i++) out[i] = int16_t(roundhalfaway(v[i] * g));  // |v * g| <= 32767
    return out;
}

// Linear fades over the first and last frames of a one-shot, so that it
// starts and ends at 0 without a click.
static void fadeends(std::vector<double>& v, int in, int out)
{
    const int n = int(v.size());
    for (int i = 0; i < in && i < n; i++) v[size_t(i)] *= double(i) / in;
    for (int i = 0; i < out && i < n; i++) v[size_t(n - 1 - i)] *= double(i) / out;
}

static xmsample makesample(const char* name, std::vector<int16_t> data, int8_t rel, uint8_t pan = 128)
{
    xmsample s;
    s.name = name;
    s.data = std::move(data);
    s.relativenote = rel;
    s.panning = pan;
    return s;
}

static void loopall(xmsample& s, uint32_t start = 0)
{
    s.loop = xmloop::forward;
    s.loopstart = start;
    s.looplength = uint32_t(s.data.size()) - start;
}

static xminstrument instrument(const char* name, xmsample s)
{
    xminstrument ins;
    ins.name = name;
    ins.samples.push_back(std::move(s));
    return ins;
}

// An envelope that holds at its sustain point until key off.
static xmenvelope sustained(std::vector<xmenvpoint> points, uint8_t sustainpoint)
{
    xmenvelope e;
    e.points = std::move(points);
    e.on = true;
    e.sustain = true;
    e.sustainpoint = sustainpoint;
    return e;
}

// A sine table of n entries, sin(2 pi j / n), for waves that repeat over n frames.
static std::vector<double> sinetable(int n)
{
    std::vector<double> t(size_t(n), 0.0);
    for (int j = 0; j < n; j++) t[size_t(j)] = sine(double(j) / n);
    return t;
}

// A metallic cluster: square waves of the given cycles a frame. Returns the
// sum for frame i; phases are whole-frame products, so no drift builds up.
static double squares(const double* steps, int count, int i)
{
    double s = 0;
    for (int k = 0; k < count; k++) {
        const double ph = steps[k] * i;
        s += ph - std::floor(ph) < 0.5 ? 1.0 : -1.0;
    }
    return s / count;
}

// ================================================================ drums

// Kick: a sine swept from about 300 Hz down to 48 Hz, with a short noise
// click on top, saturated for weight. Full level from its first frames so
// that its onset falls on the row.
static xminstrument kick()
{
    const double R = R33;
    const int n = int(0.40 * R);
    std::vector<double> v(static_cast<size_t>(n), 0.0);
    lcg rnd{0x4B1C4B1Cu};
    onepole clicklp(3000, R);
    double phase = 0, pitch = 1, amp = 1, click = 1;
    const double kp = decay(0.030, R), ka = decay(0.20, R), kc = decay(0.0015, R);
    for (int i = 0; i < n; i++) {
        const double body = sine(phase) * amp;
        phase += (48.0 + 250.0 * pitch) / R;
        phase -= std::floor(phase);
        pitch *= kp;
        if (i > int(0.008 * R)) amp *= ka;
        const double c = clicklp.low(rnd.next()) * click;
        click *= kc;
        v[size_t(i)] = softclip(1.6 * (body + 0.8 * c));
    }
    fadeends(v, 8, 600);
    return instrument("kick", makesample("kick", to16(v, 0.97), relnote(24, C4)));
}

// Snare: a drum head (two damped modes) under a burst of bright noise.
static xminstrument snare()
{
    const double R = R33;
    const int n = int(0.32 * R);
    std::vector<double> v(static_cast<size_t>(n), 0.0);
    lcg rnd{0x5EED5EEDu};
    onepole hp(1500, R), lp(9000, R);
    svf band;
    const double fb = svfcoef(4500, R);
    double p1 = 0, p2 = 0, pitch = 1, body = 1, hiss = 1;
    const double kp = decay(0.012, R), kb = decay(0.055, R), kh = decay(0.10, R);
    for (int i = 0; i < n; i++) {
        const double f1 = 185.0 * (1.0 + 0.45 * pitch), f2 = 334.0 * (1.0 + 0.3 * pitch);
        const double head = (sine(p1) + 0.45 * sine(p2)) * body;
        p1 += f1 / R;
        p1 -= std::floor(p1);
        p2 += f2 / R;
        p2 -= std::floor(p2);
        pitch *= kp;
        body *= kb;
        const double x = hp.high(rnd.next());
        band.step(x, fb, 0.9);
        const double noise = lp.low(0.7 * x + 0.9 * band.band) * hiss;
        if (i > int(0.004 * R)) hiss *= kh;
        v[size_t(i)] = softclip(1.3 * (0.8 * head + 1.1 * noise));
    }
    fadeends(v, 6, 500);
    return instrument("snare", makesample("snare", to16(v, 0.97), relnote(24, C4)));
}

// Hi-hats and cymbals share one source: six square waves at inharmonic
// frequencies and white noise, high-passed twice.
static const double HATFREQ[6] = {205.3 * 1.9, 304.4 * 1.9, 369.6 * 1.9, 522.7 * 1.9, 540.0 * 1.9, 800.0 * 1.9};
static const double CRASHFREQ[8] = {247.0, 331.5, 418.7, 596.2, 677.9, 853.1, 1017.3, 1189.6};

static std::vector<double> metal(int n, double R, const double* freqs, int count, double hpfc, double noisemix,
                                 uint32_t seed)
{
    std::vector<double> v(static_cast<size_t>(n), 0.0);
    lcg rnd{seed};
    onepole h1(hpfc, R), h2(hpfc, R), lp(14000, R);
    double steps[8];
    for (int k = 0; k < count; k++) steps[k] = freqs[k] / R;
    for (int i = 0; i < n; i++) {
        const double x = squares(steps, count, i) * (1.0 - noisemix) + rnd.next() * noisemix;
        v[size_t(i)] = lp.low(h2.high(h1.high(x)));
    }
    return v;
}

static xminstrument hat(bool open)
{
    const double R = R33;
    const int n = int((open ? 0.50 : 0.09) * R);
    std::vector<double> v = metal(n, R, HATFREQ, 6, 6500, 0.45, 0x4A7u);
    double a = 1;
    const double k = decay(open ? 0.15 : 0.018, R);
    for (int i = 0; i < n; i++) {
        v[size_t(i)] *= a;
        a *= k;
    }
    fadeends(v, 16, open ? 800 : 200);
    return instrument(open ? "open hat" : "hat",
                      makesample(open ? "open hat" : "hat", to16(v, 0.95), relnote(24, C4), 150));
}

// Crash: the cymbal cluster, brighter noise and a long decay.
static xminstrument crash()
{
    const double R = R33;
    const int n = int(1.5 * R);
    std::vector<double> v = metal(n, R, CRASHFREQ, 8, 3200, 0.6, 0xC2A5u);
    double a = 1;
    const double k = decay(0.50, R);
    for (int i = 0; i < n; i++) {
        v[size_t(i)] *= a;
        if (i > int(0.005 * R)) a *= k;
    }
    fadeends(v, 40, 4000);
    return instrument("crash", makesample("crash", to16(v, 0.95), relnote(24, C4), 110));
}

// Swell: a cymbal played backwards, rising over four rows (0.48 s) to a
// sudden end, so that it lands on the next row 0.
static xminstrument swell()
{
    const double R = R33;
    const int n = int(0.48 * R);
    std::vector<double> v = metal(n, R, CRASHFREQ, 8, 3000, 0.7, 0x5E11u);
    for (int i = 0; i < n; i++) {
        const double e = double(i) / n;
        v[size_t(i)] *= e * e * e;
    }
    fadeends(v, 0, 60);
    return instrument("swell", makesample("swell", to16(v, 0.9), relnote(24, C4), 140));
}

// Tom: a sine that settles from 1.6 times its pitch, with a soft stick
// noise. A wave of period 64 at R16: plays at the note's pitch.
static xminstrument tom()
{
    const double R = R16, f0 = R / 64.0;
    const int n = int(0.5 * R);
    std::vector<double> v(static_cast<size_t>(n), 0.0);
    lcg rnd{0x7011u};
    onepole lp(2500, R);
    double phase = 0, pitch = 1, amp = 1, stick = 1;
    const double kp = decay(0.045, R), ka = decay(0.16, R), ks = decay(0.004, R);
    for (int i = 0; i < n; i++) {
        v[size_t(i)] = softclip(1.4 * (sine(phase) * amp + 0.3 * lp.low(rnd.next()) * stick));
        phase += f0 * (1.0 + 0.6 * pitch) / R;
        phase -= std::floor(phase);
        pitch *= kp;
        amp *= ka;
        stick *= ks;
    }
    fadeends(v, 8, 400);
    return instrument("tom", makesample("tom", to16(v, 0.95), relnote(12, C4)));
}

// Boom: a deep, slow drum for the big accents, with a long decay.
static xminstrument boom()
{
    const double R = R8;
    const int n = int(1.6 * R);
    std::vector<double> v(static_cast<size_t>(n), 0.0);
    double phase = 0, pitch = 1, amp = 1;
    const double kp = decay(0.09, R), ka = decay(0.55, R);
    for (int i = 0; i < n; i++) {
        v[size_t(i)] = softclip(1.8 * sine(phase) * amp);
        phase += (40.0 + 75.0 * pitch) / R;
        phase -= std::floor(phase);
        pitch *= kp;
        if (i > int(0.01 * R)) amp *= ka;
    }
    fadeends(v, 4, 800);
    return instrument("boom", makesample("boom", to16(v, 0.97), relnote(0, C4)));
}

// ================================================================ pitched

// Bass: a band-limited pulse whose width sways once over the loop of 64
// cycles (4096 frames), over a sine at the fundamental for weight. The
// pulse is a saw less the same saw delayed by the width; the harmonics of
// the delayed one come from sin((h + 1) a) = 2 cos(a) sin(h a) - sin((h - 1) a).
static xminstrument bass()
{
    const int P = 64, L = P * 64;
    const std::vector<double> tab = sinetable(P);  // sine(h x) of a whole number of 64ths
    std::vector<double> v(static_cast<size_t>(L), 0.0);
    for (int i = 0; i < L; i++) {
        const double x = double(i) / P;                      // cycles
        const double w = 0.5 + 0.32 * sine(double(i) / L);  // pulse width, back to its start at the loop
        const double twocos = 2.0 * sine(x - w + 0.25);
        double s = 0, before = 0.0, now = sine(x - w);
        for (int h = 1; h <= 30; h++) {
            s += (tab[size_t(h * i % P)] - now) / h;
            const double next = twocos * now - before;
            before = now;
            now = next;
        }
        v[size_t(i)] = 0.55 * s + 0.9 * tab[size_t(i % P)];
    }
    xmsample s = makesample("bass", to16(v, 0.92), relnote(12, C4));
    loopall(s);
    xminstrument ins = instrument("bass", std::move(s));
    ins.volenv = sustained({{0, 64}, {3, 60}, {20, 46}, {60, 40}}, 3);
    ins.fadeout = 0x0600;
    return ins;
}

// Acid bass: a saw (period 256 at R16, a C-2) through a resonant low-pass
// that closes over a quarter second, then holds still so that the last four
// cycles loop.
static xminstrument acid()
{
    const double R = R16;
    const int P = 256, n = 24 * P, hold = 16 * P;
    const std::vector<double> tab = sinetable(P);
    std::vector<double> saw(size_t(P), 0.0);
    for (int j = 0; j < P; j++)
        for (int h = 1; h <= 100; h++) saw[size_t(j)] += tab[size_t(h * j % P)] / h;
    std::vector<double> v(static_cast<size_t>(n), 0.0);
    svf f;
    double e = 1;
    const double ke = decay(0.07, R);
    double fc = 0;
    for (int i = 0; i < n; i++) {
        if (i < hold) {
            fc = 170.0 + 3300.0 * e;
            e *= ke;
        }
        const double c = svfcoef(fc, 2.0 * R);  // run twice a frame: stable up to the top of the sweep
        const double x = 0.6 * saw[size_t(i % P)];
        f.step(x, c, 0.28);
        f.step(x, c, 0.28);
        v[size_t(i)] = softclip(1.5 * f.low);
    }
    fadeends(v, 8, 0);
    xmsample s = makesample("acid", to16(v, 0.92), relnote(12, xmnote(2, 0)));
    loopall(s, uint32_t(n - 4 * P));
    xminstrument ins = instrument("acid", std::move(s));
    ins.volenv = sustained({{0, 64}, {2, 58}, {8, 44}, {30, 34}}, 3);
    ins.fadeout = 0x1000;
    return ins;
}

// Sum of harmonics 1..hmax of a saw with m cycles over a table of L frames
// (a power of two), weighted by w(h), at frame i (+ off).
template <class W>
static double additive(const std::vector<double>& tab, int L, int m, int hmax, int i, int off, W w)
{
    double s = 0;
    for (int h = 1; h <= hmax; h++)
        s += w(h) * tab[size_t((int64_t(h) * m * (i + off)) & (L - 1))];
    return s;
}

// Pad: three saws of 254, 256 and 258 cycles over a loop of 256 periods of
// 64 frames (each a whole number of cycles, so the loop is seamless; about
// 7 cents apart), a sine an octave below, and soft upper harmonics.
static xminstrument pad()
{
    const int L = 64 * 256;
    const std::vector<double> tab = sinetable(L);
    double weight[27];
    for (int h = 1; h <= 26; h++) weight[h] = 1.0 / (h * (1.0 + (h / 6.0) * (h / 6.0)));
    auto warm = [&](int h) { return weight[h]; };
    std::vector<double> v(static_cast<size_t>(L), 0.0);
    for (int i = 0; i < L; i++) {
        double s = additive(tab, L, 254, 26, i, 0, warm) + additive(tab, L, 256, 26, i, 5461, warm) +
                   additive(tab, L, 258, 26, i, 10923, warm);
        s += 0.7 * tab[size_t((int64_t(128) * i) % L)];
        v[size_t(i)] = s;
    }
    xmsample s = makesample("pad", to16(v, 0.9), relnote(12, C4));
    loopall(s);
    xminstrument ins = instrument("pad", std::move(s));
    ins.volenv = sustained({{0, 24}, {6, 64}, {48, 52}}, 2);
    ins.fadeout = 0x0180;
    return ins;
}

// Pluck: harmonics of a period of 64 frames, each dying away, the upper
// ones faster, as on a plucked string; a touch of pick noise.
static xminstrument pluck()
{
    const double R = R16;
    const int P = 64, n = int(0.7 * R), H = 20;
    const std::vector<double> tab = sinetable(P);
    double amp[H + 1], k[H + 1];
    for (int h = 1; h <= H; h++) {
        amp[h] = (h == 1 ? 1.0 : 0.8) / h;
        k[h] = 1.0 - (1.6 + 0.30 * h * h) / R;
    }
    std::vector<double> v(static_cast<size_t>(n), 0.0);
    lcg rnd{0x9106u};
    onepole lp(4000, R);
    double pick = 1;
    const double kpick = decay(0.003, R);
    for (int i = 0; i < n; i++) {
        double s = 0;
        for (int h = 1; h <= H; h++) {
            s += amp[h] * tab[size_t((h * i) % P)];
            amp[h] *= k[h];
        }
        v[size_t(i)] = s + 0.15 * lp.low(rnd.next()) * pick;
        pick *= kpick;
    }
    fadeends(v, 4, 600);
    xminstrument ins = instrument("pluck", makesample("pluck", to16(v, 0.95), relnote(12, C4)));
    return ins;
}

// Lead: two saws 256 and 258 cycles over a loop of 256 periods of 32
// frames (a C-5 at R16), with a delayed vibrato. Two samples: the notes
// from G-6 up play one with 9 harmonics instead of 14, so that none of
// their harmonics reaches past half the output rate (up to a D-7: 9 times
// 2349 Hz) and folds back as a false tone.
static xmsample leadsample(int harmonics)
{
    const int L = 32 * 256;
    const std::vector<double> tab = sinetable(L);
    auto saw = [](int h) { return 1.0 / h; };
    std::vector<double> v(static_cast<size_t>(L), 0.0);
    for (int i = 0; i < L; i++)
        v[size_t(i)] = additive(tab, L, 256, harmonics, i, 0, saw) + additive(tab, L, 258, harmonics, i, 4096, saw);
    xmsample s = makesample("lead", to16(v, 0.9), relnote(12, xmnote(5, 0)));
    loopall(s);
    return s;
}

static xminstrument lead()
{
    xminstrument ins = instrument("lead", leadsample(14));
    ins.samples.push_back(leadsample(9));
    for (int n = xmnote(6, 7); n <= 96; n++) ins.keymap[size_t(n - 1)] = 1;
    ins.volenv = sustained({{0, 0}, {2, 64}, {10, 52}, {40, 46}}, 3);
    ins.fadeout = 0x0500;
    ins.vibtype = 0;
    ins.vibsweep = 60;
    ins.vibdepth = 3;
    ins.vibrate = 10;
    return ins;
}

// Glass: a soft, almost pure tone (a C-5 period of 64 frames at R33). The
// loop holds 128 cycles: over a loop of one cycle, which the player wraps
// every few frames, the tone's phase jumped at one tick boundary in twenty
// (tools/musicreport.py counts them); over 128 cycles it holds.
static xminstrument glass()
{
    const int P = 64, L = 128 * P;
    const std::vector<double> tab = sinetable(P);
    std::vector<double> v(static_cast<size_t>(L), 0.0);
    for (int i = 0; i < L; i++) {
        const int j = i % P;
        v[size_t(i)] = tab[size_t(j)] + 0.22 * tab[size_t(2 * j % P)] + 0.08 * tab[size_t(3 * j % P)] +
                       0.03 * tab[size_t(5 * j % P)];
    }
    xmsample s = makesample("glass", to16(v, 0.9), relnote(24, xmnote(5, 0)));
    loopall(s);
    xminstrument ins = instrument("glass", std::move(s));
    ins.volenv = sustained({{0, 0}, {3, 64}, {20, 50}, {80, 42}}, 3);
    ins.fadeout = 0x0300;
    ins.vibsweep = 80;
    ins.vibdepth = 4;
    ins.vibrate = 8;
    return ins;
}

// Bell: a carrier with a modulator at 3.5 times its frequency (the
// inharmonic ratio gives the bell); the modulation dies faster than the tone.
static xminstrument bell()
{
    const double R = R16, f = R / 32.0;  // a C-5
    const int n = int(1.1 * R);
    std::vector<double> v(static_cast<size_t>(n), 0.0);
    double index = 2.2, amp = 1;
    const double ki = decay(0.25, R), ka = decay(0.45, R);
    for (int i = 0; i < n; i++) {
        const double t = double(i) / R;
        const double mod = index * sine(3.5 * f * t);
        v[size_t(i)] = amp * (sine(f * t + mod / TWOPI) + 0.3 * sine(2.0 * f * t));
        index *= ki;
        amp *= ka;
    }
    fadeends(v, 6, 800);
    return instrument("bell", makesample("bell", to16(v, 0.9), relnote(12, xmnote(5, 0)), 160));
}

// Stab: root, fifth and octave as slightly detuned saw pairs, through a
// low-pass that closes as the stab dies. A period of 64 frames at R16.
// Each saw is read from a table of one cycle, band-limited to 7 kHz at its
// pitch, with linear interpolation.
static xminstrument stab()
{
    const double R = R16, f0 = R / 64.0;
    const int n = int(0.45 * R), T = 1024;
    const double ratios[3] = {1.0, 1.5, 2.0}, gains[3] = {1.0, 0.7, 0.5};
    const std::vector<double> tab = sinetable(T);
    std::vector<double> saws[3];
    for (int p = 0; p < 3; p++) {
        saws[p].assign(size_t(T) + 1, 0.0);  // one more entry: the first again, for the interpolation
        for (int h = 1; h * f0 * ratios[p] < 7000.0; h++)
            for (int j = 0; j <= T; j++) saws[p][size_t(j)] += gains[p] * tab[size_t(h * j % T)] / h;
    }
    std::vector<double> v(static_cast<size_t>(n), 0.0);
    onepole lp(5000, R);
    double amp = 1, e = 1, phase[6] = {};
    const double ka = decay(0.16, R), ke = decay(0.08, R);
    for (int i = 0; i < n; i++) {
        double s = 0;
        for (int k = 0; k < 6; k++) {
            const std::vector<double>& w = saws[k / 2];
            const double x = phase[k] * T, a = std::floor(x);
            const size_t j = size_t(a);
            s += w[j] + (x - a) * (w[j + 1] - w[j]);
            phase[k] += f0 * ratios[k / 2] * (k & 1 ? 1.004 : 0.996) / R;
            phase[k] -= std::floor(phase[k]);
        }
        lp.a = TWOPI * (700.0 + 4300.0 * e) / R / (1.0 + TWOPI * (700.0 + 4300.0 * e) / R);
        v[size_t(i)] = lp.low(s) * amp;
        amp *= ka;
        e *= ke;
    }
    fadeends(v, 6, 500);
    return instrument("stab", makesample("stab", to16(v, 0.95), relnote(12, C4)));
}

// Rising and falling noise sweeps over 16 rows (1.92 s): band-passed noise
// whose centre moves between 250 Hz and 5 kHz, run four times a frame so
// the filter stays stable at the top.
static xminstrument sweep(bool up)
{
    const double R = R12;
    const int n = int(1.92 * R);
    std::vector<double> v(static_cast<size_t>(n), 0.0);
    lcg rnd{up ? 0x215Eu : 0xFA11u};
    svf f;
    double phase = 0;
    for (int i = 0; i < n; i++) {
        const double x = double(i) / n, p = up ? x : 1.0 - x;  // p: 0 low .. 1 high
        const double fc = 250.0 + 4750.0 * p * p;
        const double c = svfcoef(fc, 4.0 * R);
        const double in = rnd.next();
        for (int k = 0; k < 4; k++) f.step(in, c, 0.5);
        double s = f.band * (up ? x * x : (1.0 - x) * (1.0 - x));
        if (!up) {
            // The fall carries a sine diving from 180 Hz to 40 Hz.
            s += 0.6 * sine(phase) * (1.0 - x) * (1.0 - x);
            phase += (40.0 + 140.0 * (1.0 - x) * (1.0 - x)) / R;
            phase -= std::floor(phase);
        }
        v[size_t(i)] = s;
    }
    fadeends(v, up ? 0 : 60, up ? 30 : 300);
    return instrument(up ? "riser" : "fall", makesample(up ? "riser" : "fall", to16(v, 0.9), relnote(7, C4)));
}

std::vector<xminstrument> songinstruments()
{
    std::vector<xminstrument> all;
    all.push_back(kick());
    all.push_back(snare());
    all.push_back(hat(false));
    all.push_back(hat(true));
    all.push_back(crash());
    all.push_back(swell());
    all.push_back(tom());
    all.push_back(bass());
    all.push_back(acid());
    all.push_back(pad());
    all.push_back(pluck());
    all.push_back(lead());
    all.push_back(glass());
    all.push_back(bell());
    all.push_back(stab());
    all.push_back(sweep(true));
    all.push_back(sweep(false));
    all.push_back(boom());
    return all;
}

} // namespace tormel
