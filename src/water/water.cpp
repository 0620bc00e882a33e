// SPDX-License-Identifier: MIT
// water.cpp: the ripple field's starting state and its per-frame step, and
// the three radial light maps (spot, glow, cone) made at the same time.
//
// Field cells hold plain ints, within about +-5000 (rms ~1100) for the whole run.
// The neighbours of cell k are k-1, k+1, k-256, k+256 modulo 65536 on the
// flat index, so a row's left edge continues the row above and the bottom
// row meets the top one. The guard row (cells 65536..65791) belongs to the
// water plane and is neither read nor written here.
#include "water/water.h"
#include "core/arith.h"
#include "core/random.h"
#include "core/vecmath.h"
#include <cmath>
#include <cstring>

namespace tormel {

Vesi vesi1[FIELDSTORE], vesi2[FIELDSTORE];
unsigned char envispot[MAPCELLS], enviglow[MAPCELLS], envicone[MAPCELLS];

static constexpr int CELLS = FIELDCELLS;
static constexpr int WRAP = CELLS - 1;
static constexpr int W = FIELDW;  // one row down

// Two neighbouring cells as one 16-byte vector, lanes r0 i0 r1 i1 (GCC/Clang
// vector extension; plain SSE2 on x86-64). Unsigned lanes, so that sums and
// products wrap like the scalar helpers; signed only for the final shift.
typedef unsigned cellpair __attribute__((vector_size(16)));
typedef int scellpair __attribute__((vector_size(16)));
typedef unsigned long long cellpair64 __attribute__((vector_size(16)));
static_assert(sizeof(Vesi) == 8 && sizeof(cellpair) == 2 * sizeof(Vesi));

// Swap the two 32-bit halves of each cell: t's i lane into the r place and
// c's r lane into the i place. Lane 0 (r) is the low half of a 64-bit lane
// on a little-endian machine and the high half on a big-endian one.
static inline cellpair crossed(cellpair t, cellpair c)
{
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    return cellpair((cellpair64(t) << 32) | (cellpair64(c) >> 32));
#else
    return cellpair((cellpair64(t) >> 32) | (cellpair64(c) << 32));
#endif
}

static inline cellpair loadpair(const Vesi* p)
{
    cellpair v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

static inline void storepair(Vesi* p, scellpair v)
{
    std::memcpy(p, &v, sizeof v);
}

static inline int box4(int a, int b, int c, int d)
{
    // The arithmetic shift rounds toward minus infinity, not toward zero.
    return wadd(wadd(wadd(a, b), wadd(c, d)), 2) >> 2;
}

void boxpass(const Vesi* __restrict s, Vesi* __restrict t)
{
    // Two cells a turn while all reads stay inside the field; the modulo
    // only for the last 258 cells.
    constexpr int plain = CELLS - W - 2;
    for (int k = 0; k < plain; k += 2) {
        cellpair sum = loadpair(s + k) + loadpair(s + k + 1) + loadpair(s + k + W) +
                       loadpair(s + k + W + 1) + 2u;
        storepair(t + k, scellpair(sum) >> 2);
    }
    for (int k = plain; k < CELLS; k++) {
        const Vesi& a = s[k];
        const Vesi& b = s[(k + 1) & WRAP];
        const Vesi& c = s[(k + W) & WRAP];
        const Vesi& d = s[(k + W + 1) & WRAP];
        t[k].r = box4(a.r, b.r, c.r, d.r);
        t[k].i = box4(a.i, b.i, c.i, d.i);
    }
}

void vesiprekalk()
{
    // Coarse noise, smoothed hard: the long swell. The draws continue the
    // generator from wherever the texture precalculation left it.
    for (int k = 0; k < CELLS; k++) {
        int a = rand();
        int b = rand();
        int c = rand();
        int d = rand();
        vesi1[k].r = 2 * (a - b);
        vesi1[k].i = 2 * (c - d);
    }
    for (int n = 0; n < 64; n++) {
        boxpass(vesi1, vesi2);
        boxpass(vesi2, vesi1);
    }

    // A weaker, less smoothed layer on top: the small ripples.
    for (int k = 0; k < CELLS; k++) {
        int p = rand();
        int q = rand();
        vesi1[k].r += (p - q) >> 3;
        p = rand();
        q = rand();
        vesi1[k].i += (p - q) >> 3;
    }
    for (int n = 0; n < 32; n++) {
        boxpass(vesi1, vesi2);
        boxpass(vesi2, vesi1);
    }

    // The spot and the glow, centred between the four middle cells.
    for (int y = 0; y < MAPSIZE; y++) {
        for (int x = 0; x < MAPSIZE; x++) {
            double dx = x - 127.5, dy = y - 127.5;
            double d2 = dx * dx + dy * dy;
            envispot[y * MAPSIZE + x] = (unsigned char)clamp(int(16384.0 / (d2 + 32.0)) - 2);
            enviglow[y * MAPSIZE + x] = (unsigned char)clamp(int(131072.0 / (d2 + 1024.0)) - 16);
        }
    }

    // The cone, 4 per cell of distance from (128, 128).
    for (int y = 0; y < MAPSIZE; y++) {
        for (int x = 0; x < MAPSIZE; x++) {
            int ex = x - 128, ey = y - 128;
            double d = std::sqrt(double(ex * ex + ey * ey));
            envicone[y * MAPSIZE + x] = (unsigned char)rtbl[128 - int(4.0 * d)];
        }
    }
}

// One cell of the step. G = 32 B, so G / 2^17 ~ cos and H / 2^17 ~ sin, while
// A (not H) multiplies 28 i + N = 32 i + Laplacian(i): the Laplacian enters at
// 1/32 and makes each spatial frequency turn at its own rate. The field's
// scale keeps every product inside 32 bits; the wrapping helpers only make
// fields far outside that scale well defined.
static inline void stepcell(const Vesi* __restrict s, Vesi* __restrict d, int k, int n,
                            int A, int G, int H)
{
    int r = s[k].r, i = s[k].i;
    d[k].r = wsub(wmul(G, r), wmul(A, wadd(wmul(28, i), n))) >> 17;
    d[k].i = wadd(wmul(G, i), wmul(H, r)) >> 17;
}

static inline int nsum(const Vesi* s, int l, int r, int u, int d)
{
    return wadd(wadd(s[l].i, s[r].i), wadd(s[u].i, s[d].i));
}

// Cells 256..65279, which need no wrapping, two cells a turn as one vector:
// the i lanes of the four neighbour loads sum to N; 28 s + N puts 28 i + N in
// the i lanes; swapping the halves of each cell lines up 28 i + N under r and
// r under i, so that one product with (-A, H) and one with G give both parts.
// x86-64 builds also carry an AVX2 copy (a single-instruction 32-bit multiply),
// picked at load time; the results are the same integers either way.
#if defined(__GNUC__) && defined(__x86_64__) && !defined(__clang__)
__attribute__((target_clones("avx2", "default")))
#endif
static void steprun(const Vesi* __restrict s, Vesi* __restrict d, int A, int G, int H)
{
    const cellpair g = cellpair{} + unsigned(G);
    const cellpair ah = {0u - unsigned(A), unsigned(H), 0u - unsigned(A), unsigned(H)};
    for (int k = W; k < CELLS - W; k += 2) {
        const cellpair c = loadpair(s + k);
        const cellpair n = loadpair(s + k - 1) + loadpair(s + k + 1) + loadpair(s + k - W) +
                           loadpair(s + k + W);
        const cellpair t = (c << 5) - (c << 2) + n;
        const cellpair x = crossed(t, c);
        storepair(d + k, scellpair(g * c + ah * x) >> 17);
    }
}

void teevesiefekti(const Vesi* __restrict sourke, Vesi* __restrict desti, float aika)
{
    const double th = 16.0 * double(aika);
    const int A = trunc32(4096.0 * std::sin(th));
    const int B = trunc32(4096.0 * std::cos(th));
    const int G = wmul(32, B);
    const int H = wmul(32, A);
    const Vesi* s = sourke;

    // The flat-index modulo only bites in the top and bottom rows; the runs
    // take it only where it can.
    stepcell(s, desti, 0, nsum(s, WRAP, 1, CELLS - W, W), A, G, H);
    for (int k = 1; k < W; k++)
        stepcell(s, desti, k, nsum(s, k - 1, k + 1, k + CELLS - W, k + W), A, G, H);
    steprun(s, desti, A, G, H);
    for (int k = CELLS - W; k < WRAP; k++)
        stepcell(s, desti, k, nsum(s, k - 1, k + 1, k - W, k + W - CELLS), A, G, H);
    stepcell(s, desti, WRAP, nsum(s, WRAP - 1, 0, WRAP - W, W - 1), A, G, H);
}

} // namespace tormel
