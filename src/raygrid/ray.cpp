// SPDX-License-Identifier: MIT
// ray.cpp: the plain variant's primary ray: a hit on the quadric becomes a
// longitude and latitude in texture space, with no lighting.
#include "raygrid/ray.h"
#include "raygrid/angle.h"
#include "raygrid/raylocal.h"

namespace tormel {

// 1/pi at single precision, times 2^31: half a turn of the binary angle.
static constexpr double ANGLESCALE = double(0.31830987f) * 2147483648.0;

rayframe makerayframe(const raycamera& cam, const quadric& q, const float mapm[3][3])
{
    rayframe f;
    for (int i = 0; i < 3; i++)
        for (int j = 0; j < 3; j++) f.cam[i][j] = cam.m[i][j], f.mapm[i][j] = mapm[i][j];
    f.perx = cam.perx, f.pery = cam.pery;
    for (int j = 0; j < 3; j++) f.p[j] = cam.pos[j];
    for (int j = 0; j < 3; j++) f.o[j] = q.o[j], f.op[j] = f.o[j] * f.p[j];
    const double o3 = q.o[3];
    f.C = f.o[0] * f.p[0] * f.p[0] + f.o[1] * f.p[1] * f.p[1] + f.o[2] * f.p[2] * f.p[2] - o3;
    return f;
}

void ammuu_sade(const rayframe& f, gridfx* g, int x, int y)
{
    rayhit k;
    if (!shootray(f, x, y, &k)) {
        g->c = MISS;  // u and v keep what they held; nobody reads them
        return;
    }
    hitplain(g, k);
}

void hitplain(gridfx* g, const rayhit& k)
{
    const double* r = k.r;
    // Longitude from +y toward +x about the z axis; one turn is 2^32.
    g->u = angleturn(r[0], r[1], ANGLESCALE);
    // Latitude, a quarter turn to 2^32: the shift by 2 wraps on purpose, so
    // the texture repeats twice from pole to pole.
    g->v = wshl(angleturn(r[2], std::sqrt(r[0] * r[0] + r[1] * r[1]), ANGLESCALE), 2);
    g->c = 0;
}

void hitplains(gridfx* const* g, const rayhit* const* k, int n)
{
    static double y[CORNERS], x[CORNERS];
    static int a[CORNERS];
    for (int done = 0; done < n; done += CORNERS) {
        const int m = n - done < CORNERS ? n - done : CORNERS;
        for (int i = 0; i < m; i++) y[i] = k[done + i]->r[0], x[i] = k[done + i]->r[1];
        angleturns(y, x, ANGLESCALE, a, m);
        for (int i = 0; i < m; i++) {
            const double* r = k[done + i]->r;
            g[done + i]->u = a[i];
            y[i] = r[2], x[i] = std::sqrt(r[0] * r[0] + r[1] * r[1]);
        }
        angleturns(y, x, ANGLESCALE, a, m);
        for (int i = 0; i < m; i++) {
            g[done + i]->v = wshl(a[i], 2);
            g[done + i]->c = 0;
        }
    }
}

} // namespace tormel
