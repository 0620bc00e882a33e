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

gridfx pallero[CORNERS];

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

winshift setupframe(const vector& up, vector eye, vector target, float jep, raycamera* cam)
{
    cam->pos[0] = eye.x;
    cam->pos[1] = eye.y;
    cam->pos[2] = eye.z;
    teematriisi2(cam->m, target.x - eye.x, target.y - eye.y, target.z - eye.z, up);
    cam->perx = cam->pery = VIEWSTEP;

    // Where the world origin falls on the view plane, scaled by 180 pixels
    // per unit: the picture moves with the object so that it stays near the
    // centre of the canvas, where the polar light tables are centred. The
    // shift keeps the picture on the canvas.
    const float(&m)[3][3] = cam->m;
    const double ox = -eye.x, oy = -eye.y, oz = -eye.z;
    double rx = double(m[0][0]) * ox + double(m[0][1]) * oy + double(m[0][2]) * oz;
    double uy = double(m[1][0]) * ox + double(m[1][1]) * oy + double(m[1][2]) * oz;
    double dz = double(m[2][0]) * ox + double(m[2][1]) * oy + double(m[2][2]) * oz;
    return {clampshift(rx / dz * 100 * 1.8 * jep, CENTREX - 1), clampshift(uy / dz * 100 * 1.8 * jep, CENTREY - 1)};
}

void shootrays(const rayframe& f, int n, const int* x, const int* y, rayhit* k, bool* hit)
{
    int i = 0;
#if defined(__SSE2__)
    const __m128d signbit = _mm_set1_pd(-0.0), zero = _mm_setzero_pd();
    auto at = [](const double* v) { return _mm_set1_pd(*v); };
    for (; i + 2 <= n; i += 2) {
        const __m128d xx = _mm_setr_pd(x[i] - PICW, x[i + 1] - PICW), yy = _mm_setr_pd(y[i] - PICH, y[i + 1] - PICH);
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

void shootcorners(const rayframe& f, void (*map)(gridfx* const*, const rayhit* const*, int))
{
    static rayhit k[CORNERS];
    static bool hit[CORNERS];
    static gridfx* g[CORNERS];
    static const rayhit* kp[CORNERS];
    static int xs[CORNERS], ys[CORNERS];
    for (int j = 0, n = 0; j < GRIDH; j++)
        for (int i = 0; i < GRIDW; i++, n++) xs[n] = 2 * BLOCK * i, ys[n] = 2 * BLOCK * j;
    shootrays(f, CORNERS, xs, ys, k, hit);
    int hits = 0;
    for (int n = 0; n < CORNERS; n++) {
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
    const gridfx &tl = p[0], &tr = p[1], &bl = p[GRIDW], &br = p[GRIDW + 1];
    if (tl.c == MISS)
        return tr.c == MISS && bl.c == MISS && br.c == MISS ? blockfill::skip : blockfill::subdiv;
    if (tr.c == MISS || bl.c == MISS || br.c == MISS) return blockfill::subdiv;
    // Longitude grows by more than a quarter turn along a diagonal: the seam.
    if (wsub(tl.u, br.u) < -(1 << 30) || wsub(tr.u, bl.u) < -(1 << 30)) return blockfill::subdiv;
    return blockfill::inter;
}

winshift raycokes(const rayview& view, unsigned char* dest, vector eye, vector target, float jep)
{
    raycamera cam;
    const winshift s = setupframe(view.up, eye, target, jep, &cam);
    const rayframe f = makerayframe(cam, view.object, view.mapm);
    shootcorners(f, hitplains);

    unsigned char* base = dest + PITCH * s.y + s.x;
    for (int by = 0; by < BLOCKSY; by++)
        for (int bx = 0; bx < BLOCKSX; bx++) {
            const gridfx* p = &pallero[by * GRIDW + bx];
            unsigned char* d = base + by * BLOCK * PITCH + bx * BLOCK;
            switch (chooseblock(p)) {
            case blockfill::skip: break;
            case blockfill::inter: inter8x8(d, p, view.map); break;
            case blockfill::subdiv: subdiv8x8(f, view.map, d, 2 * BLOCK * bx, 2 * BLOCK * by, p); break;
            }
        }
    return s;
}

} // namespace tormel
