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

} // namespace tormel
