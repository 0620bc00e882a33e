// SPDX-License-Identifier: MIT
// ray.cpp: the plain variant's primary ray: a hit on the quadric becomes a
// longitude and latitude in texture space, with no lighting.
#include "raygrid/ray.h"
#include "raygrid/angle.h"
#include "raygrid/raylocal.h"

namespace tormel {

// 1/pi at single precision, times 2^31: half a turn of the binary angle.
static constexpr double ANGLESCALE = double(0.31830987f) * 2147483648.0;

void ammuu_sade(gridfx* g, int x, int y)
{
    rayhit k;
    if (!shootray(x, y, &k)) {
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
    static double y[1066], x[1066];
    static int a[1066];
    for (int done = 0; done < n; done += 1066) {
        const int m = n - done < 1066 ? n - done : 1066;
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
