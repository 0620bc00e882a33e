// SPDX-License-Identifier: MIT
// raycokes.cpp: one frame of the ray-grid renderer: camera and window shift,
// the 41 x 26 corner rays, and for each 8 x 8 block the choice between
// interpolation, subdivision and nothing.
#include "raygrid/raycokes.h"
#include <cmath>
#include "raygrid/block.h"
#include "raygrid/ray.h"
#include "raygrid/raylocal.h"
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tormel {

// 1/300 at single precision: the view plane spans +-320/300 by +-200/300 at
// distance 1, in half-pixel steps.
static constexpr float VIEWSTEP = 0.0033333334f;

// Truncate a shift toward zero and clamp it to -lim..lim. Saturating before
// the conversion keeps the sign of a shift too large for an int (a view that
// looks almost square to the origin), and a NaN (eye at the origin) gives 0.
static int clampshift(double s, int lim)
{
    if (!(s == s)) return 0;
    if (s > lim) return lim;
    if (s < -lim) return -lim;
    return int(s);
}

winshift setupframe(float _posx, float _posy, float _posz,
                    float tgtx, float tgty, float tgtz, float jep)
{
    posx = _posx;
    posy = _posy;
    posz = _posz;
    teematriisi2(camera, tgtx - posx, tgty - posy, tgtz - posz);
    perx = pery = VIEWSTEP;
    mapsy = 16;
    mapsx = 24;
    wrapy = 0xff00;
    wrapx = 0xff;

    // Where the world origin falls on the view plane, scaled by 180 pixels
    // per unit: the picture moves with the object so that it stays near the
    // centre of the canvas, where the polar light tables are centred.
    const double ox = -posx, oy = -posy, oz = -posz;
    double rx = double(camera[0][0]) * ox + double(camera[0][1]) * oy + double(camera[0][2]) * oz;
    double uy = double(camera[1][0]) * ox + double(camera[1][1]) * oy + double(camera[1][2]) * oz;
    double dz = double(camera[2][0]) * ox + double(camera[2][1]) * oy + double(camera[2][2]) * oz;
    return {clampshift(rx / dz * 100 * 1.8 * jep, 159), clampshift(uy / dz * 100 * 1.8 * jep, 99)};
}

void shootrays(const rayframe& f, int n, const int* x, const int* y, rayhit* k, bool* hit)
{
    int i = 0;
#if defined(__SSE2__)
    const __m128d signbit = _mm_set1_pd(-0.0), zero = _mm_setzero_pd();
    auto at = [](const double* v) { return _mm_set1_pd(*v); };
    for (; i + 2 <= n; i += 2) {
        const __m128d xx = _mm_setr_pd(x[i] - 320, x[i + 1] - 320), yy = _mm_setr_pd(y[i] - 200, y[i + 1] - 200);
        __m128d d[3];
        for (int j = 0; j < 3; j++) {
            const __m128d v = _mm_sub_pd(_mm_sub_pd(at(&f.cam[2][j]), _mm_mul_pd(_mm_mul_pd(at(&f.pery), yy), at(&f.cam[1][j]))),
                                         _mm_mul_pd(_mm_mul_pd(at(&f.perx), xx), at(&f.cam[0][j])));
            d[j] = _mm_cvtps_pd(_mm_cvtpd_ps(v));  // rounded to float
        }
        const __m128d A = _mm_add_pd(_mm_add_pd(_mm_mul_pd(_mm_mul_pd(at(&f.o[0]), d[0]), d[0]),
                                                _mm_mul_pd(_mm_mul_pd(at(&f.o[1]), d[1]), d[1])),
                                     _mm_mul_pd(_mm_mul_pd(at(&f.o[2]), d[2]), d[2]));
        const __m128d B = _mm_add_pd(_mm_add_pd(_mm_mul_pd(at(&f.op[0]), d[0]), _mm_mul_pd(at(&f.op[1]), d[1])),
                                     _mm_mul_pd(at(&f.op[2]), d[2]));
        const __m128d disc = _mm_sub_pd(_mm_mul_pd(B, B), _mm_mul_pd(A, at(&f.C)));
        const int ok = _mm_movemask_pd(_mm_cmpge_pd(disc, zero));
        hit[i] = ok & 1, hit[i + 1] = ok >> 1 & 1;
        if (!ok) continue;
        // A missing lane's square root is NaN; nothing of it is stored.
        const __m128d t = _mm_div_pd(_mm_sub_pd(_mm_xor_pd(B, signbit), _mm_sqrt_pd(disc)), A);
        __m128d h[3];
        for (int j = 0; j < 3; j++) h[j] = _mm_add_pd(at(&f.p[j]), _mm_mul_pd(t, d[j]));
        alignas(16) double out[7][2];
        _mm_store_pd(out[0], t);
        for (int j = 0; j < 3; j++) {
            _mm_store_pd(out[1 + j], h[j]);
            _mm_store_pd(out[4 + j], _mm_add_pd(_mm_add_pd(_mm_mul_pd(h[0], at(&f.mapm[0][j])), _mm_mul_pd(h[1], at(&f.mapm[1][j]))),
                                                _mm_mul_pd(h[2], at(&f.mapm[2][j]))));
        }
        for (int l = 0; l < 2; l++) {
            if (!(ok >> l & 1)) continue;
            rayhit& r = k[i + l];
            r.t = out[0][l];
            for (int j = 0; j < 3; j++) r.h[j] = out[1 + j][l], r.r[j] = out[4 + j][l];
        }
    }
#endif
    for (; i < n; i++) hit[i] = shootray(f, x[i], y[i], &k[i]);
}

void shootcorners(void (*map)(gridfx* const*, const rayhit* const*, int))
{
    static rayhit k[1066];
    static bool hit[1066];
    static gridfx* g[1066];
    static const rayhit* kp[1066];
    static int xs[1066], ys[1066];
    rayframe f;
    loadrayframe(&f);
    for (int j = 0, n = 0; j < 26; j++)
        for (int i = 0; i < 41; i++, n++) xs[n] = 16 * i, ys[n] = 16 * j;
    shootrays(f, 1066, xs, ys, k, hit);
    int hits = 0;
    for (int n = 0; n < 1066; n++) {
        if (hit[n]) {
            g[hits] = &pallero[n];
            kp[hits++] = &k[n];
        } else {
            pallero[n].c = MISS;  // u and v keep what they held; nobody reads them
        }
    }
    map(g, kp, hits);
}

blockfill chooseblock(const gridfx* p)
{
    const gridfx &tl = p[0], &tr = p[1], &bl = p[41], &br = p[42];
    if (tl.c == MISS)
        return tr.c == MISS && bl.c == MISS && br.c == MISS ? blockfill::skip : blockfill::subdiv;
    if (tr.c == MISS || bl.c == MISS || br.c == MISS) return blockfill::subdiv;
    // Longitude grows by more than a quarter turn along a diagonal: the seam.
    if (wsub(tl.u, br.u) < -(1 << 30) || wsub(tr.u, bl.u) < -(1 << 30)) return blockfill::subdiv;
    return blockfill::inter;
}

winshift raycokes(unsigned char* dest, float _posx, float _posy, float _posz,
                  float tgtx, float tgty, float tgtz, float jep)
{
    const winshift s = setupframe(_posx, _posy, _posz, tgtx, tgty, tgtz, jep);
    shootcorners(hitplains);

    unsigned char* base = dest + 640 * s.y + s.x;
    for (int by = 0; by < 25; by++)
        for (int bx = 0; bx < 40; bx++) {
            gridfx* p = &pallero[by * 41 + bx];
            unsigned char* d = base + by * 5120 + bx * 8;
            switch (chooseblock(p)) {
            case blockfill::skip: break;
            case blockfill::inter: inter8x8(d, 16 * bx, 16 * by, p); break;
            case blockfill::subdiv: subdiv8x8(d, 16 * bx, 16 * by, p); break;
            }
        }
    return s;
}

} // namespace tormel
