// tube.cpp: the tube variant of the ray-grid renderer: the wall of putki seen
// from inside, textured with the product of two maps and a glow that fades
// with depth. Every corner ray hits, so every block is interpolated.
#include "raygrid/tube.h"
#include <cstring>
#include "raygrid/raylocal.h"
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tormel {

// 2^24 / pi and 2^31 / pi, pi at single precision.
static constexpr double TURN24 = 16777216.0 / double(3.14159265358979f);
static constexpr double TURN31 = 2147483648.0 / double(3.14159265358979f);

void ammuu_sade_t(gridfx* g, int x, int y)
{
    rayhit k;
    if (!shootray(x, y, &k)) {
        // Cannot happen with the eye inside putki; the interpolation would
        // take the marker for a brightness.
        g->c = MISS;
        return;
    }
    const double* r = k.r;
    const double* h = k.h;
    // u: longitude of the turned hit point, one turn = 2^32 in steps of 128.
    g->u = wshl(trunc32(std::atan2(r[0], r[1]) * TURN24), 7);
    // v: latitude, pole to pole = 2^32, so the map covers it once.
    g->v = wshl(trunc32(std::atan2(r[2], std::sqrt(r[0] * r[0] + r[1] * r[1])) * TURN31), 1);
    // u2, v2: the unturned point's angle about the tube axis and its place
    // along it; the map repeats every 16 units (z * 2^28, wrapping).
    g->u2 = wshl(trunc32(std::atan2(double(float(h[0])), h[1]) * TURN24), 7);
    g->v2 = wshl(trunc32(h[2] * 16777216.0), 4);
    // c: brightness 128 - 16 t in 16.16, floored at 1.0.
    int c = trunc32(8388608.0 - 1048576.0 * k.t);
    g->c = c <= 65535 ? 65536 : c;
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
        : u(g[0].u, g[1].u, g[41].u, g[42].u), v(g[0].v, g[1].v, g[41].v, g[42].v),
          c(g[0].c, g[1].c, g[41].c, g[42].c), u2(g[0].u2, g[1].u2, g[41].u2, g[42].u2),
          v2(g[0].v2, g[1].v2, g[41].v2, g[42].v2)
    {
    }
    void nextrow() { u.nextrow(), v.nextrow(), c.nextrow(), u2.nextrow(), v2.nextrow(); }
};

// Both samples of every pixel, for any addressing: the reference.
template <class Addr>
static void tubeblock(unsigned char* dest, const gridfx* g, Addr a)
{
    const unsigned char *map1 = texture, *map2 = texture2;
    const int vs = valoshift;
    tubefields f(g);
    for (int r = 0; r < 8; r++, dest += 640, f.nextrow()) {
        unsigned u = f.u.left, v = f.v.left, c = f.c.left, u2 = f.u2.left, v2 = f.v2.left;
        for (int k = 0; k < 8; k++) {
            int lit[2], tex2[2];
            for (int i = 0; i < 2; i++) {
                lit[i] = wadd(map1[a.index(u, v)] << 15, int(c) >> 1);
                tex2[i] = map2[a.index(u2, v2)];
                u += f.u.h, v += f.v.h, c += f.c.h, u2 += f.u2.h, v2 += f.v2.h;
            }
            dest[k] = tubepixel(lit[0], tex2[0], lit[1], tex2[1], vs);
        }
    }
}

void inter8x8_t_portable(unsigned char* dest, int, int, gridfx* g)
{
    if (topbyteaddressing())
        tubeblock(dest, g, topbytes());
    else
        tubeblock(dest, g, currentaddr());
}

#if defined(__SSE2__)
// The fast path reads a pixel's first sample only when it can matter.
// Sample 1 enters as x = p1 >> vs, -2^(31-vs) <= x < 2^(31-vs), added to p2
// before the shift by vs + 1. When the low vs + 1 bits of p2 stay that far
// from either end of their range, x can neither carry nor borrow into the
// bits kept, nor wrap the sum, and the pixel is p2 >> (vs + 1) alone. For
// vs = 20 that leaves about 2% of a tube frame's pixels, which take the
// reference formula.
// Four pixels at a time down the rows, the second samples' five fields in
// vector registers; top-byte addressing and 16 <= vs <= 30 only.
static void tubeblocksse2(unsigned char* dest, const gridfx* g)
{
    const unsigned char *map1 = texture, *map2 = texture2;
    const int vs = valoshift;
    const __m128i drop = _mm_cvtsi32_si128(vs + 1);
    const __m128i rowmask = _mm_set1_epi32(0xff00);
    const unsigned dropped = (1u << (vs + 1)) - 1;  // the bits the final shift drops
    const unsigned reach = 1u << (31 - vs);         // how far p1 >> vs reaches either way
    const __m128i keep = _mm_set1_epi32(int(dropped));
    const __m128i near0 = _mm_set1_epi32(int(reach - 1));
    const __m128i nearmax = _mm_set1_epi32(int(dropped - reach));
    const __m128i lowbyte = _mm_set1_epi32(0xff);

    // Second sample of pixel k in row r: q[k] + r * dq[k], for each field.
    const tubefields f(g);
    const blockstep* fields[5] = {&f.u, &f.v, &f.c, &f.u2, &f.v2};
    alignas(16) unsigned q[5][8], dq[5][8];
    for (int i = 0; i < 5; i++)
        for (int k = 0; k < 8; k++) {
            q[i][k] = fields[i]->left + unsigned(2 * k + 1) * fields[i]->h;
            dq[i][k] = fields[i]->ly + unsigned(2 * k + 1) * fields[i]->dd;
        }
    auto lanes = [](const unsigned* p) { return _mm_load_si128(reinterpret_cast<const __m128i*>(p)); };
    auto index = [&](__m128i u, __m128i v) {
        return _mm_or_si128(_mm_and_si128(_mm_srli_epi32(v, 16), rowmask), _mm_srli_epi32(u, 24));
    };

    for (int j = 0; j < 8; j += 4) {
        __m128i u = lanes(&q[0][j]), v = lanes(&q[1][j]), c = lanes(&q[2][j]);
        __m128i u2 = lanes(&q[3][j]), v2 = lanes(&q[4][j]);
        const __m128i du = lanes(&dq[0][j]), dv = lanes(&dq[1][j]), dc = lanes(&dq[2][j]);
        const __m128i du2 = lanes(&dq[3][j]), dv2 = lanes(&dq[4][j]);
        unsigned char* d = dest + j;
        for (int r = 0; r < 8; r++, d += 640) {
            alignas(16) unsigned i1[4], i2[4];
            _mm_store_si128(reinterpret_cast<__m128i*>(i1), index(u, v));
            _mm_store_si128(reinterpret_cast<__m128i*>(i2), index(u2, v2));
            // Built with set rather than stored and reloaded: a vector load
            // of fresh scalar stores would stall on forwarding.
            const __m128i t = _mm_set_epi32(map1[i1[3]], map1[i1[2]], map1[i1[1]], map1[i1[0]]);
            const __m128i s = _mm_set_epi32(map2[i2[3]], map2[i2[2]], map2[i2[1]], map2[i2[0]]);
            const __m128i lit = _mm_add_epi32(_mm_slli_epi32(t, 15), _mm_srai_epi32(c, 1));
            // 32-bit wrapping products: the low halves of 64-bit ones.
            const __m128i even = _mm_mul_epu32(lit, s);
            const __m128i odd = _mm_mul_epu32(_mm_srli_epi64(lit, 32), _mm_srli_epi64(s, 32));
            const __m128i p2 = _mm_unpacklo_epi32(_mm_shuffle_epi32(even, 0x08), _mm_shuffle_epi32(odd, 0x08));

            __m128i px = _mm_and_si128(_mm_sra_epi32(p2, drop), lowbyte);
            px = _mm_packus_epi16(_mm_packs_epi32(px, px), px);
            const uint32_t four = uint32_t(_mm_cvtsi128_si32(px));
            std::memcpy(d, &four, 4);

            const __m128i low = _mm_and_si128(p2, keep);
            const __m128i edge = _mm_or_si128(_mm_cmpgt_epi32(near0, low), _mm_cmpgt_epi32(low, nearmax));
            if (int m = _mm_movemask_ps(_mm_castsi128_ps(edge))) {
                for (int l = 0; l < 4; l++) {
                    if (!(m >> l & 1)) continue;
                    const unsigned s1 = unsigned(2 * (j + l));  // the pixel's first sample
                    auto at = [&](const blockstep& b, unsigned s) {
                        return b.left + unsigned(r) * b.ly + s * (b.h + unsigned(r) * b.dd);
                    };
                    int lit1[2], tex1[2];
                    for (unsigned i = 0; i < 2; i++) {
                        lit1[i] = wadd(map1[topbytes::index(at(f.u, s1 + i), at(f.v, s1 + i))] << 15,
                                       int(at(f.c, s1 + i)) >> 1);
                        tex1[i] = map2[topbytes::index(at(f.u2, s1 + i), at(f.v2, s1 + i))];
                    }
                    d[l] = tubepixel(lit1[0], tex1[0], lit1[1], tex1[1], vs);
                }
            }
            u = _mm_add_epi32(u, du), v = _mm_add_epi32(v, dv), c = _mm_add_epi32(c, dc);
            u2 = _mm_add_epi32(u2, du2), v2 = _mm_add_epi32(v2, dv2);
        }
    }
}
#endif

void inter8x8_t(unsigned char* dest, int x1, int y1, gridfx* g)
{
#if defined(__SSE2__)
    if (topbyteaddressing() && valoshift >= 16 && valoshift <= 30) {
        tubeblocksse2(dest, g);
        return;
    }
#endif
    inter8x8_t_portable(dest, x1, y1, g);
}

winshift raycokes_t(unsigned char* dest, float _posx, float _posy, float _posz,
                    float tgtx, float tgty, float tgtz, float jep)
{
    const winshift s = setupframe(_posx, _posy, _posz, tgtx, tgty, tgtz, jep);
    shootcorners(ammuu_sade_t);

    unsigned char* base = dest + 640 * s.y + s.x;
    for (int by = 0; by < 25; by++)
        for (int bx = 0; bx < 40; bx++)
            inter8x8_t(base + by * 5120 + bx * 8, 16 * bx, 16 * by, &pallero[by * 41 + bx]);
    return s;
}

} // namespace tormel
