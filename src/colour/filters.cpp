// SPDX-License-Identifier: MIT
// filters.cpp: the per-frame filters over 8-bit pictures and the polar light
// table: glow blur, 2 x 2 box average, light sampling and the recursive smear.
// All integer, in place, with arithmetic shifts for the divisions.
#include "colour/filters.h"
#include "core/arith.h"
#include "core/geometry.h"
#include "raygrid/polar.h"
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tormel {

// moi: "hi", the glow's half-resolution work grid, a cell for each 2 x 2
// pixels. Intensity in 15.17 fixed point plus a half unit of the final
// >> 16 (x * 131072 + 32768), so the add-back rounds. Rewritten completely
// by every call.
static constexpr int GW = PICW / 2, GH = PICH / 2;
static int moi[GW * GH];

void teeblurri(unsigned char* dest)
{
    for (int r = 0; r < GH; r++)
        for (int k = 0; k < GW; k++)
            moi[r * GW + k] = (dest[2 * r * PICW + 2 * k] << 17) + 32768;

    // Forward: pull 7/8 toward the cell one row up and three columns right,
    // then mix 1/4 of that into the smeared left neighbour. The partner
    // offsets are linear, so they run over the row ends as they fall.
    const int upright = GW - 3;
    for (int r = 1; r < GH; r++) {
        int* row = moi + r * GW;
        for (int c = 3; c <= GW - 6; c++) {
            const int up = row[c - upright];
            const int m = up + ((row[c] - up) >> 3);
            row[c] = row[c - 1] + ((m - row[c - 1]) >> 2);
        }
    }
    // Backward, mirrored. For c = 1 and 2 the partner is the last two
    // columns of the same row.
    for (int r = GH - 2; r >= 0; r--) {
        int* row = moi + r * GW;
        for (int c = GW - 4; c >= 1; c--) {
            const int dn = row[c + upright];
            const int m = dn + ((row[c] - dn) >> 3);
            row[c] = row[c + 1] + ((m - row[c + 1]) >> 2);
        }
    }

    // Add back twice the smeared intensity over 2 x 2 blocks. The partners
    // to the right and below of the last column are the first cells of the
    // next rows.
    for (int r = 0; r < GH - 1; r++) {
        const int* mr = moi + r * GW;
        unsigned char* d = dest + r * 2 * PICW;
        for (int x = 0; x < (r < GH - 2 ? GW : GW - 1); x++, d += 2) {
            const int m = mr[x];
            d[0] = (unsigned char)rtbl[d[0] + (m >> 16)];
            d[1] = (unsigned char)rtbl[d[1] + ((m + mr[x + 1]) >> 17)];
            d[PICW] = (unsigned char)rtbl[d[PICW] + ((m + mr[x + GW]) >> 17)];
            d[PICW + 1] = (unsigned char)rtbl[d[PICW + 1] + ((m + mr[x + GW + 1]) >> 17)];
        }
    }
    // The last block's bottom-right partner would lie past the end of moi:
    // that pixel is not computed, and it and its left neighbour end up 0.
    // The last two rows get no glow.
    {
        const int k = (GH - 1) * GW - 1;
        unsigned char* d = dest + 2 * (GH - 2) * PICW + PICW - 2;
        const int m = moi[k];
        d[0] = (unsigned char)rtbl[d[0] + (m >> 16)];
        d[1] = (unsigned char)rtbl[d[1] + ((m + moi[k + 1]) >> 17)];
        d[PICW] = 0;
        d[PICW + 1] = 0;
    }
}

typedef unsigned char v16u8 __attribute__((vector_size(16)));
typedef unsigned short v16u16 __attribute__((vector_size(32)));

void plordbuf(unsigned char* window)
{
    // Each pixel reads only pixels later in raster order, which are still
    // unfiltered, so doing it in place is a plain 2 x 2 box of the original.
    // The window's last row and column are read but kept. Sixteen pixels at
    // a time in 16-bit lanes: a group's loads reach one pixel past it, which
    // the next group has not written yet.
    for (int y = 0; y < PICH - 1; y++) {
        unsigned char* row = window + y * PITCH;
        const unsigned char* next = row + PITCH;
        int x = 0;
        for (; x + 16 <= PICW - 1; x += 16) {
            v16u8 a, b, c, d;
            std::memcpy(&a, row + x, 16);
            std::memcpy(&b, row + x + 1, 16);
            std::memcpy(&c, next + x, 16);
            std::memcpy(&d, next + x + 1, 16);
            const v16u16 sum = __builtin_convertvector(a, v16u16) + __builtin_convertvector(b, v16u16) +
                               __builtin_convertvector(c, v16u16) + __builtin_convertvector(d, v16u16);
            const v16u8 r = __builtin_convertvector(sum >> 2, v16u8);
            std::memcpy(row + x, &r, 16);
        }
        for (; x < PICW - 1; x++)
            row[x] = (unsigned char)((row[x] + row[x + 1] + next[x] + next[x + 1]) >> 2);
    }
}

// ---- recursive smear --------------------------------------------------------
// w is the weight out of 16384. Every step is
//   d[k] += ((partner - d[k]) * w) >> 14
// in wrapping 32-bit arithmetic, the partner already updated in this pass.

static inline int smearstep(int x, int partner, int w)
{
    return wadd(x, wmul(wsub(partner, x), w) >> 14);
}

// The plain form, cell by cell in pass order. Also the check for the fast ones.
void blur2ref(int* dest, int delta, int p)
{
    const int n = LIGHTCELLS;
    const int w = p >> 2;
    if (delta < 0) {
        if (delta <= -n) return;
        for (int k = -delta; k < n; k++) dest[k] = smearstep(dest[k], dest[k + delta], w);
    } else {
        if (delta >= n) return;
        for (int k = n - 1 - delta; k >= 0; k--) dest[k] = smearstep(dest[k], dest[k + delta], w);
    }
}

// A run of cells whose partners all lie outside the run: no dependence
// inside, so it goes four cells at a time (wrapping lanes, arithmetic shift).
typedef unsigned v4u __attribute__((vector_size(16)));
typedef int v4i __attribute__((vector_size(16)));

static void smearrun(int* __restrict d, const int* __restrict partner, int len, int w)
{
    const v4u wv = {unsigned(w), unsigned(w), unsigned(w), unsigned(w)};
    int k = 0;
    for (; k + 4 <= len; k += 4) {
        v4u x, p;
        std::memcpy(&x, d + k, 16);
        std::memcpy(&p, partner + k, 16);
        const v4u r = x + v4u(v4i((p - x) * wv) >> 14);
        std::memcpy(d + k, &r, 16);
    }
    for (; k < len; k++) d[k] = smearstep(d[k], partner[k], w);
}

// ---- stride one: a serial recurrence, run as checked parallel chains ------
//
// Along the spiral every cell depends on the one just finished, so one chain
// is bound by the latency of sub, mul, shift, add. Instead the pass is cut
// into CHAINS segments run side by side. Every segment but the first starts
// from a guess: the chain is run over the WARM cells before the segment
// first, which forgets almost any start (each step keeps less than w / 16384
// of the difference). Then each segment is checked in order by continuing the
// exact chain of the segment before it into it: at the first cell where the
// exact value equals the guessed one, the two chains have met and stay the
// same from there on (same state, same inputs). Where they do not meet (two
// neighbouring fixed points in a flat stretch can keep a difference of one),
// the exact chain simply goes on through the segment. So the result is always
// the serial one; only the time depends on the data.
//
// Positions are in pass order: v = 0 is the first cell of the pass (which
// keeps its value), and the partner of v is v - 1.

static constexpr int CHAINS = 8;
static constexpr int WARM = 32;
alignas(16) static int smearout[LIGHTCELLS];  // the pass's results, in buffer order

// The guessed start of each chain i > 0 at pass position b[i]: the chain
// run over the WARM cells before it.
template <int Dir>
static void warmup(const int* x, const int* b, int count, int* y, int w)
{
    y[0] = x[0];
    for (int i = 1; i < count; i++) {
        const int s = b[i] - 1 - WARM;
        int g = x[Dir * s];
        for (int v = s + 1; v < b[i]; v++) g = smearstep(x[Dir * v], g, w);
        y[i] = g;
    }
}

// The last chain over the cells left after the segments, from its state y.
template <int Dir>
static void lastcells(const int* x, int* o, int from, int n, int y, int w)
{
    for (int v = from; v < n; v++) {
        y = smearstep(x[Dir * v], y, w);
        o[Dir * v] = y;
    }
}

// Check the guesses in order, each from the exact end of the one before.
template <int Dir>
static void checkchains(const int* x, int* o, const int* b, int count, int w)
{
    for (int i = 1; i < count; i++) {
        int e = o[Dir * (b[i] - 1)];
        for (int v = b[i]; v < b[i + 1]; v++) {
            e = smearstep(x[Dir * v], e, w);
            if (e == o[Dir * v]) break;
            o[Dir * v] = e;
        }
    }
}

// Dir +1: cells upwards (delta -1); -1: downwards (delta +1). The segment
// length L is a constant, so that the eight chains address their cells with
// fixed offsets from one index and keep their states in registers.
template <int Dir>
static void smearparallel(const int* src, int* out, int w)
{
    // x(v), o(v): input and output of pass position v.
    constexpr int n = LIGHTCELLS, L = (n - 1) / CHAINS;
    const int first = Dir > 0 ? 0 : n - 1;
    const int* const x = src + first;
    int* const o = out + first;

    int b[CHAINS + 1];
    for (int i = 0; i < CHAINS; i++) b[i] = 1 + i * L;
    b[CHAINS] = n;

    int y[CHAINS];
    warmup<Dir>(x, b, CHAINS, y, w);
    o[0] = x[0];

    // The guessed chains, side by side so that their latencies overlap.
    const int* const xb = x + Dir;
    int* const ob = o + Dir;
    for (int t = 0; t < L; t++) {
#pragma GCC unroll 8
        for (int i = 0; i < CHAINS; i++) {
            const int q = Dir * (i * L + t);
            y[i] = smearstep(xb[q], y[i], w);
            ob[q] = y[i];
        }
    }
    // The last segment takes the cells left over by the division.
    lastcells<Dir>(x, o, b[CHAINS - 1] + L, n, y[CHAINS - 1], w);
    checkchains<Dir>(x, o, b, CHAINS, w);
}

#if defined(__SSE2__)
// Sixteen chains in four vectors of four lanes. While every value lies in
// 0..32767 a difference fits 16 bits, so one multiply-add of 16-bit halves
// against (w, 0) gives the 32-bit product, and a step is four vector
// operations. Each chain's next four cells are one row; four rows are
// transposed so that a vector holds one step of four chains. For a pass
// running down the buffer the rows come in reverse, and the steps simply go
// through the columns from the last. Returns false, with only out written,
// if a value is out of range; the caller then runs the scalar chains.
static constexpr int LANECHAINS = 16;

static inline void transpose4(__m128i& r0, __m128i& r1, __m128i& r2, __m128i& r3)
{
    const __m128i a0 = _mm_unpacklo_epi32(r0, r1), a1 = _mm_unpackhi_epi32(r0, r1);
    const __m128i a2 = _mm_unpacklo_epi32(r2, r3), a3 = _mm_unpackhi_epi32(r2, r3);
    r0 = _mm_unpacklo_epi64(a0, a2), r1 = _mm_unpackhi_epi64(a0, a2);
    r2 = _mm_unpacklo_epi64(a1, a3), r3 = _mm_unpackhi_epi64(a1, a3);
}

template <int Dir>
static bool smearlanes(const int* src, int* out, int n, int w)
{
    const int first = Dir > 0 ? 0 : n - 1;
    const int* const x = src + first;
    int* const o = out + first;

    // Segments a multiple of 64 cells long: their starts fall at different
    // places modulo 4 KiB, so loads of one chain are not mistaken for
    // stores of another.
    // The first segment starts at pass position 4, after three exact steps,
    // so that for a table of a multiple of four cells every row of four is
    // aligned to 16 bytes whichever way the pass runs.
    const int L = ((n - 4) / LANECHAINS) & ~63;
    // The first four cells are stepped one by one below; they start the
    // first chain, so they too must lie in range.
    if (L < WARM || ((x[0] | x[Dir] | x[2 * Dir] | x[3 * Dir]) & ~0x7FFF)) return false;
    int b[LANECHAINS + 1];
    for (int i = 0; i < LANECHAINS; i++) b[i] = 4 + i * L;
    b[LANECHAINS] = n;

    alignas(16) int y[LANECHAINS];
    warmup<Dir>(x, b, LANECHAINS, y, w);
    o[0] = x[0];
    for (int v = 1; v < 4; v++) o[Dir * v] = smearstep(x[Dir * v], o[Dir * (v - 1)], w);
    y[0] = o[Dir * 3];

    const __m128i W = _mm_set1_epi32(w & 0xFFFF);  // (w, 0) as 16-bit halves
    __m128i acc = _mm_setzero_si128();
    __m128i Y[4];
    for (int g = 0; g < 4; g++) Y[g] = _mm_load_si128(reinterpret_cast<const __m128i*>(y + 4 * g));

    // Four cells of chain i from pass position v on, in memory order.
    auto row = [&](const int* base, int i, int t) {
        return reinterpret_cast<const __m128i*>(Dir > 0 ? base + b[i] + t : base - (b[i] + t) - 3);
    };
    for (int t = 0; t < L; t += 4) {
#pragma GCC unroll 4
        for (int g = 0; g < 4; g++) {
            __m128i r0 = _mm_loadu_si128(row(x, 4 * g, t)), r1 = _mm_loadu_si128(row(x, 4 * g + 1, t));
            __m128i r2 = _mm_loadu_si128(row(x, 4 * g + 2, t)), r3 = _mm_loadu_si128(row(x, 4 * g + 3, t));
            acc = _mm_or_si128(acc, _mm_or_si128(_mm_or_si128(r0, r1), _mm_or_si128(r2, r3)));
            transpose4(r0, r1, r2, r3);
            __m128i yg = Y[g];
            auto step = [&](__m128i& c) {
                // x + ((y - x) w >> 14), y the chain's last output.
                const __m128i p = _mm_madd_epi16(_mm_sub_epi32(yg, c), W);
                c = yg = _mm_add_epi32(c, _mm_srai_epi32(p, 14));
            };
            if (Dir > 0) {
                step(r0), step(r1), step(r2), step(r3);
            } else {
                step(r3), step(r2), step(r1), step(r0);
            }
            Y[g] = yg;
            transpose4(r0, r1, r2, r3);
            _mm_storeu_si128(const_cast<__m128i*>(row(o, 4 * g, t)), r0);
            _mm_storeu_si128(const_cast<__m128i*>(row(o, 4 * g + 1, t)), r1);
            _mm_storeu_si128(const_cast<__m128i*>(row(o, 4 * g + 2, t)), r2);
            _mm_storeu_si128(const_cast<__m128i*>(row(o, 4 * g + 3, t)), r3);
        }
    }
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(acc, _mm_set1_epi32(~0x7FFF)), _mm_setzero_si128())) != 0xFFFF)
        return false;

    for (int g = 0; g < 4; g++) _mm_store_si128(reinterpret_cast<__m128i*>(y + 4 * g), Y[g]);
    lastcells<Dir>(x, o, b[LANECHAINS - 1] + L, n, y[LANECHAINS - 1], w);
    checkchains<Dir>(x, o, b, LANECHAINS, w);
    return true;
}
#endif

// One stride-one pass from src into out (two different buffers).
template <int Dir>
static void smearone(const int* src, int* out, int n, int w)
{
#if defined(__SSE2__)
    if (smearlanes<Dir>(src, out, n, w)) return;
#endif
    smearparallel<Dir>(src, out, w);
}

// Whether a stride-one pass of weight w can run as chains: a weight of 16384
// or more, or a negative one, never forgets its start, so the guesses would
// not meet; those run serially.
static bool chainable(int w)
{
    return w >= 0 && w < 16384;
}

void radiaalismear(const unsigned char* sourke, const int* curve, int* dest, int delta, int p)
{
    const int n = LIGHTCELLS;
    const int step = -delta;
    if (step < 16) {
        // Short strides keep the two passes.
        for (int i = 0; i < n; i++) dest[i] = curve[sourke[radiaali[i]]];
        blur2(dest, delta, p);
        return;
    }
    const int* const rad = radiaali;
    const int first = step < n ? step : n;
    for (int i = 0; i < first; i++) dest[i] = curve[sourke[rad[i]]];
    // Then as the smear's runs of one stride: each cell sampled and at once
    // pulled toward its partner one stride back, which is final already.
    const int w = p >> 2;
    const v4u wv = {unsigned(w), unsigned(w), unsigned(w), unsigned(w)};
    int k = first;
#if defined(__SSE2__)
    // With every curve value in 0..32767, and so every cell (a step of a
    // weight up to 16384 ends between its two inputs), a difference fits 16
    // bits, and one multiply-add of 16-bit halves against (w, 0) is the
    // 32-bit product. A larger weight overshoots; it takes the plain loop.
    bool small = w >= 0 && w <= 16384;
    for (int i = 0; i < 256; i++) small = small && curve[i] >= 0 && curve[i] < 32768;
    if (small) {
        const __m128i w16 = _mm_set1_epi32(w);
        for (; k + 4 <= n; k += 4) {
            const __m128i x = _mm_setr_epi32(curve[sourke[rad[k]]], curve[sourke[rad[k + 1]]],
                                             curve[sourke[rad[k + 2]]], curve[sourke[rad[k + 3]]]);
            const __m128i q = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dest + k - step));
            const __m128i r = _mm_add_epi32(x, _mm_srai_epi32(_mm_madd_epi16(_mm_sub_epi32(q, x), w16), 14));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dest + k), r);
        }
    }
#endif
    for (; k + 4 <= n; k += 4) {
        const v4u x = {unsigned(curve[sourke[rad[k]]]), unsigned(curve[sourke[rad[k + 1]]]),
                       unsigned(curve[sourke[rad[k + 2]]]), unsigned(curve[sourke[rad[k + 3]]])};
        v4u q;
        std::memcpy(&q, dest + k - step, 16);
        const v4u r = x + v4u(v4i((q - x) * wv) >> 14);
        std::memcpy(dest + k, &r, 16);
    }
    for (; k < n; k++) dest[k] = smearstep(curve[sourke[rad[k]]], dest[k - step], w);
}

void blur2spiral(int* dest, int p)
{
    const int n = LIGHTCELLS;
    const int w = p >> 2;
    if (!chainable(w)) {
        blur2(dest, 1, p);
        blur2(dest, -1, p);
        return;
    }
    // Down into the scratch table and back up into dest: no copy between.
    smearone<-1>(dest, smearout, n, w);
    smearone<1>(smearout, dest, n, w);
}

void blur2(int* dest, int delta, int p)
{
    const int n = LIGHTCELLS;
    const int w = p >> 2;
    if (delta <= -n || delta >= n || delta == 0) return;  // no partners inside, or itself
    const int step = delta < 0 ? -delta : delta;

    if (step == 1 && chainable(w)) {
        if (delta < 0)
            smearone<1>(dest, smearout, n, w);
        else
            smearone<-1>(dest, smearout, n, w);
        std::memcpy(dest, smearout, sizeof(int) * size_t(n));
        return;
    }
    if (step < 16) {
        blur2ref(dest, delta, p);
        return;
    }
    // Cut the pass into runs of one stride: a run's partners all lie in the
    // run before it (in pass order), which is already final.
    if (delta < 0) {
        for (int s = step; s < n; s += step) {
            const int len = n - s < step ? n - s : step;
            smearrun(dest + s, dest + s - step, len, w);
        }
    } else {
        for (int e = n - step; e > 0; e -= step) {  // run covers [e - len, e)
            const int len = e < step ? e : step;
            smearrun(dest + e - len, dest + e - len + step, len, w);
        }
    }
}

} // namespace tormel
