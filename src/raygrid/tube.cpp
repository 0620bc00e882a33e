// SPDX-License-Identifier: MIT
// tube.cpp: the tube variant of the ray-grid renderer: the wall of putki seen
// from inside, textured with the product of two maps and a glow that fades
// with depth. Every corner ray hits, so every block is interpolated.
#include "raygrid/tube.h"
#include <cstring>
#include <initializer_list>
#include "raygrid/angle.h"
#include "raygrid/raycokes.h"
#include "raygrid/raylocal.h"
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tormel {

// 2^24 / pi and 2^31 / pi, pi at single precision.
static constexpr double TURN24 = 16777216.0 / double(3.14159265358979f);
static constexpr double TURN31 = 2147483648.0 / double(3.14159265358979f);

void ammuu_sade_t(const rayframe& f, gridfx* g, int x, int y)
{
    rayhit k;
    if (!shootray(f, x, y, &k)) {
        // Cannot happen with the eye inside putki; the interpolation would
        // take the marker for a brightness.
        g->c = MISS;
        return;
    }
    hittube(g, k);
}

void hittube(gridfx* g, const rayhit& k)
{
    const double* r = k.r;
    const double* h = k.h;
    // u: longitude of the turned hit point, one turn = 2^32 in steps of 128.
    g->u = wshl(angleturn(r[0], r[1], TURN24), 7);
    // v: latitude, pole to pole = 2^32, so the map covers it once.
    g->v = wshl(angleturn(r[2], std::sqrt(r[0] * r[0] + r[1] * r[1]), TURN31), 1);
    // u2, v2: the unturned point's angle about the tube axis and its place
    // along it; the map repeats every 16 units (z * 2^28, wrapping).
    g->u2 = wshl(angleturn(double(float(h[0])), h[1], TURN24), 7);
    g->v2 = wshl(trunc32(h[2] * 16777216.0), 4);
    // c: brightness 128 - 16 t in 16.16, floored at 1.0.
    int c = trunc32(8388608.0 - 1048576.0 * k.t);
    g->c = c <= 65535 ? 65536 : c;
}

void hittubes(gridfx* const* g, const rayhit* const* k, int n)
{
    static double y[CORNERS], x[CORNERS];
    static int a[CORNERS];
    for (int done = 0; done < n; done += CORNERS) {
        const int m = n - done < CORNERS ? n - done : CORNERS;
        gridfx* const* gg = g + done;
        const rayhit* const* kk = k + done;
        for (int i = 0; i < m; i++) y[i] = kk[i]->r[0], x[i] = kk[i]->r[1];
        angleturns(y, x, TURN24, a, m);
        for (int i = 0; i < m; i++) {
            const double* r = kk[i]->r;
            gg[i]->u = wshl(a[i], 7);
            y[i] = r[2], x[i] = std::sqrt(r[0] * r[0] + r[1] * r[1]);
        }
        angleturns(y, x, TURN31, a, m);
        for (int i = 0; i < m; i++) {
            gg[i]->v = wshl(a[i], 1);
            y[i] = double(float(kk[i]->h[0])), x[i] = kk[i]->h[1];
        }
        angleturns(y, x, TURN24, a, m);
        for (int i = 0; i < m; i++) {
            const rayhit& h = *kk[i];
            gg[i]->u2 = wshl(a[i], 7);
            gg[i]->v2 = wshl(trunc32(h.h[2] * 16777216.0), 4);
            const int c = trunc32(8388608.0 - 1048576.0 * h.t);
            gg[i]->c = c <= 65535 ? 65536 : c;
        }
    }
}

// The pixel from its two samples: texel plus brightness at 2^15 a unit,
// times the second map, with products and sum wrapping. The first sample
// only adds a rounding carry; the result wraps in the byte.
static inline unsigned char tubepixel(int lit1, int tex1, int lit2, int tex2, int vs)
{
    return (unsigned char)(wadd(wmul(lit1, tex1) >> vs, wmul(lit2, tex2)) >> (vs + 1));
}

// The five stepped fields of a block.
struct tubefields {
    blockstep u, v, c, u2, v2;
    explicit tubefields(const gridfx* g)
        : u(g[0].u, g[1].u, g[GRIDW].u, g[GRIDW + 1].u), v(g[0].v, g[1].v, g[GRIDW].v, g[GRIDW + 1].v),
          c(g[0].c, g[1].c, g[GRIDW].c, g[GRIDW + 1].c), u2(g[0].u2, g[1].u2, g[GRIDW].u2, g[GRIDW + 1].u2),
          v2(g[0].v2, g[1].v2, g[GRIDW].v2, g[GRIDW + 1].v2)
    {
    }
    void nextrow() { u.nextrow(), v.nextrow(), c.nextrow(), u2.nextrow(), v2.nextrow(); }
};

// Both samples of every pixel: the reference.
void inter8x8_t_portable(const rayview& view, unsigned char* dest, const gridfx* g)
{
    const unsigned char *map1 = view.map, *map2 = view.map2;
    const int vs = view.valoshift;
    tubefields f(g);
    for (int r = 0; r < BLOCK; r++, dest += PITCH, f.nextrow()) {
        unsigned u = f.u.left, v = f.v.left, c = f.c.left, u2 = f.u2.left, v2 = f.v2.left;
        for (int k = 0; k < BLOCK; k++) {
            int lit[2], tex2[2];
            for (int i = 0; i < 2; i++) {
                lit[i] = wadd(map1[texelindex(u, v)] << 15, int(c) >> 1);
                tex2[i] = map2[texelindex(u2, v2)];
                u += f.u.h, v += f.v.h, c += f.c.h, u2 += f.u2.h, v2 += f.v2.h;
            }
            dest[k] = tubepixel(lit[0], tex2[0], lit[1], tex2[1], vs);
        }
    }
}

#if defined(__SSE2__)
// The pixel of sample pair k in row r by the whole formula, from the
// block's closed form: what the vector path leaves to the scalar code.
static unsigned char exactpixel(const rayview& view, const tubefields& f, int r, int k)
{
    auto at = [&](const blockstep& b, unsigned s) {
        return b.left + unsigned(r) * b.ly + s * (b.h + unsigned(r) * b.dd);
    };
    int lit[2], tex2[2];
    for (unsigned i = 0; i < 2; i++) {
        const unsigned s = unsigned(2 * k) + i;
        lit[i] = wadd(view.map[texelindex(at(f.u, s), at(f.v, s))] << 15, int(at(f.c, s)) >> 1);
        tex2[i] = view.map2[texelindex(at(f.u2, s), at(f.v2, s))];
    }
    return tubepixel(lit[0], tex2[0], lit[1], tex2[1], view.valoshift);
}

// The scene's shift, valoshift = 20, eight pixels (a block row) to a vector
// of 16-bit lanes, reading a pixel's first sample only where it can matter.
// Sample 1 enters as x = p1 >> 20, -2^11 <= x < 2^11, added to p2 before the
// shift by 21: when the low 21 bits of p2 stay that far from either end of
// their range, x can neither carry nor borrow into the bits kept, nor wrap
// the sum, and the pixel is p2 >> 21 alone.
// The pixel is bits 21..28 of p2 = (T 2^15 + ch) S, where ch = c >> 1 =
// chh 2^15 + chl with chh = c >> 16 and chl = ch & 0x7fff. Then p2 =
// ((T + chh) S + Q) 2^15 + L' modulo 2^32, with chl S = Q 2^15 + L', so R =
// (T + chh) S + Q taken modulo 2^16 holds bits 15..30 of p2: the pixel is
// bits 6..13 of R, and every product is a 16-bit one. p2's low 21 bits are
// R's low 6 above L'; the pixels where they lie near an end (about one in a
// hundred, fewer where the tube is far) take the whole formula one by one.
static void tubeblock20(const rayview& view, unsigned char* dest, const gridfx* g, uint16_t* later)
{
    const unsigned char *map1 = view.map, *map2 = view.map2;
    const tubefields f(g);
    // Second samples of pixels 0..3 (lo) and 4..7 (hi): left + (2k + 1) h,
    // stepping by ly + (2k + 1) dd a row.
    auto odd = [](unsigned a, unsigned m) {
        return _mm_setr_epi32(int(a + m), int(a + 3 * m), int(a + 5 * m), int(a + 7 * m));
    };
    auto plus8 = [](__m128i q, unsigned m) { return _mm_add_epi32(q, _mm_set1_epi32(int(8 * m))); };
    __m128i ulo = odd(f.u.left, f.u.h), vlo = odd(f.v.left, f.v.h), clo = odd(f.c.left, f.c.h);
    __m128i u2lo = odd(f.u2.left, f.u2.h), v2lo = odd(f.v2.left, f.v2.h);
    __m128i uhi = plus8(ulo, f.u.h), vhi = plus8(vlo, f.v.h), chi = plus8(clo, f.c.h);
    __m128i u2hi = plus8(u2lo, f.u2.h), v2hi = plus8(v2lo, f.v2.h);
    const __m128i dulo = odd(f.u.ly, f.u.dd), dvlo = odd(f.v.ly, f.v.dd), dclo = odd(f.c.ly, f.c.dd);
    const __m128i du2lo = odd(f.u2.ly, f.u2.dd), dv2lo = odd(f.v2.ly, f.v2.dd);
    const __m128i duhi = plus8(dulo, f.u.dd), dvhi = plus8(dvlo, f.v.dd), dchi = plus8(dclo, f.c.dd);
    const __m128i du2hi = plus8(du2lo, f.u2.dd), dv2hi = plus8(dv2lo, f.v2.dd);

    const __m128i rowmask = _mm_set1_epi32(0xff00);
    const __m128i even = _mm_set1_epi16(short(0xfffe)), lowbyte = _mm_set1_epi16(0xff);
    // Where every brightness of the block lies in 0..131327 (the far tube,
    // floored at 1.0), sample 1's product cannot wrap: p1 is in 0..2^31 - 1
    // and p1 >> 20 in 0..2047, so it can only carry, never borrow, and only
    // the top end of p2's low bits is unsafe. Interpolated values stay
    // within 128 of the corners' range; the test leaves far more.
    int cmin = g[0].c, cmax = g[0].c;
    for (int i : {1, GRIDW, GRIDW + 1}) cmin = g[i].c < cmin ? g[i].c : cmin, cmax = g[i].c > cmax ? g[i].c : cmax;
    const bool carryonly = cmin >= 4096 && cmax < 131328 - 4096;
    const __m128i bias = _mm_set1_epi16(64), unsafe = _mm_set1_epi16(carryonly ? 63 : 127);
    const __m128i zero = _mm_setzero_si128();
    auto index = [&](__m128i u, __m128i v) {
        return _mm_or_si128(_mm_and_si128(_mm_srli_epi32(v, 16), rowmask), _mm_srli_epi32(u, 24));
    };
    // The low 16 bits of each 32-bit lane of a and b, as eight 16-bit lanes.
    auto low16 = [](__m128i a, __m128i b) {
        return _mm_packs_epi32(_mm_srai_epi32(_mm_slli_epi32(a, 16), 16), _mm_srai_epi32(_mm_slli_epi32(b, 16), 16));
    };

    for (int r = 0; r < BLOCK; r++, dest += PITCH) {
        alignas(16) unsigned i1[8], i2[8];
        _mm_store_si128(reinterpret_cast<__m128i*>(i1), index(ulo, vlo));
        _mm_store_si128(reinterpret_cast<__m128i*>(i1 + 4), index(uhi, vhi));
        _mm_store_si128(reinterpret_cast<__m128i*>(i2), index(u2lo, v2lo));
        _mm_store_si128(reinterpret_cast<__m128i*>(i2 + 4), index(u2hi, v2hi));
        const __m128i T = _mm_setr_epi16(map1[i1[0]], map1[i1[1]], map1[i1[2]], map1[i1[3]], map1[i1[4]],
                                         map1[i1[5]], map1[i1[6]], map1[i1[7]]);
        const __m128i S = _mm_setr_epi16(map2[i2[0]], map2[i2[1]], map2[i2[2]], map2[i2[3]], map2[i2[4]],
                                         map2[i2[5]], map2[i2[6]], map2[i2[7]]);
        const __m128i chh = _mm_packs_epi32(_mm_srai_epi32(clo, 16), _mm_srai_epi32(chi, 16));
        const __m128i chl2 = _mm_and_si128(low16(clo, chi), even);  // 2 chl
        const __m128i R = _mm_add_epi16(_mm_mullo_epi16(_mm_add_epi16(T, chh), S), _mm_mulhi_epu16(chl2, S));
        const __m128i px = _mm_and_si128(_mm_srli_epi16(R, 6), lowbyte);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(dest), _mm_packus_epi16(px, px));

        // (p2 mod 2^21) >> 5, and whether it lies within 2^6 of either end.
        const __m128i L = _mm_mullo_epi16(_mm_srli_epi16(chl2, 1), S);  // chl S mod 2^16
        const __m128i E = _mm_or_si128(_mm_slli_epi16(R, 10), _mm_srli_epi16(_mm_slli_epi16(L, 1), 6));
        const __m128i edge = _mm_cmpeq_epi16(_mm_subs_epu16(_mm_add_epi16(E, bias), unsafe), zero);
        const int m = _mm_movemask_epi8(edge);
        if (later) {
            // Left for the frame driver's fix-up pass: a branch here, taken
            // for one row in sixteen or so, would often be mispredicted, and
            // late, as it waits on the texel reads.
            later[r] = uint16_t(m);
        } else if (m) {
            for (int k = 0; k < BLOCK; k++)
                if (m >> (2 * k) & 1) dest[k] = exactpixel(view, f, r, k);
        }
        ulo = _mm_add_epi32(ulo, dulo), vlo = _mm_add_epi32(vlo, dvlo), clo = _mm_add_epi32(clo, dclo);
        u2lo = _mm_add_epi32(u2lo, du2lo), v2lo = _mm_add_epi32(v2lo, dv2lo);
        uhi = _mm_add_epi32(uhi, duhi), vhi = _mm_add_epi32(vhi, dvhi), chi = _mm_add_epi32(chi, dchi);
        u2hi = _mm_add_epi32(u2hi, du2hi), v2hi = _mm_add_epi32(v2hi, dv2hi);
    }
}
#endif

void inter8x8_t(const rayview& view, unsigned char* dest, const gridfx* g)
{
#if defined(__SSE2__)
    if (view.valoshift == 20) {
        tubeblock20(view, dest, g, nullptr);
        return;
    }
#endif
    inter8x8_t_portable(view, dest, g);
}

winshift raycokes_t(const rayview& view, unsigned char* dest, vector eye, vector target, float jep)
{
    raycamera cam;
    const winshift s = setupframe(view.up, eye, target, jep, &cam);
    shootcorners(makerayframe(cam, view.object, view.mapm), hittubes);

    unsigned char* base = dest + PITCH * s.y + s.x;
    auto block = [&](int by, int bx) { return base + by * BLOCK * PITCH + bx * BLOCK; };
#if defined(__SSE2__)
    if (view.valoshift == 20) {
        // Every block, then the pixels whose first sample could matter.
        static uint16_t later[BLOCKSY * BLOCKSX][BLOCK];
        for (int by = 0; by < BLOCKSY; by++)
            for (int bx = 0; bx < BLOCKSX; bx++)
                tubeblock20(view, block(by, bx), &pallero[by * GRIDW + bx], later[by * BLOCKSX + bx]);
        for (int b = 0; b < BLOCKSY * BLOCKSX; b++) {
            uint64_t any[2];
            std::memcpy(any, later[b], 16);
            if (!(any[0] | any[1])) continue;
            const int by = b / BLOCKSX, bx = b % BLOCKSX;
            const tubefields f(&pallero[by * GRIDW + bx]);
            for (int r = 0; r < BLOCK; r++)
                // Two mask bits a pixel; the even ones.
                for (unsigned m = later[b][r] & 0x5555u; m; m &= m - 1) {
                    const int k = __builtin_ctz(m) >> 1;
                    block(by, bx)[r * PITCH + k] = exactpixel(view, f, r, k);
                }
        }
        return s;
    }
#endif
    for (int by = 0; by < BLOCKSY; by++)
        for (int bx = 0; bx < BLOCKSX; bx++) inter8x8_t(view, block(by, bx), &pallero[by * GRIDW + bx]);
    return s;
}

} // namespace tormel
