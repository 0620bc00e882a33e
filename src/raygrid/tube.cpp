// tube.cpp: the tube variant of the ray-grid renderer: the wall of putki seen
// from inside, textured with the product of two maps and a glow that fades
// with depth. Every corner ray hits, so every block is interpolated.
#include "raygrid/tube.h"
#include "raygrid/raylocal.h"

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

void inter8x8_t(unsigned char* dest, int, int, gridfx* g)
{
    const texaddr tex = currenttex(texture);
    const texaddr tex2 = currenttex(texture2);
    const int vs = valoshift;
    blockstep u(g[0].u, g[1].u, g[41].u, g[42].u);
    blockstep v(g[0].v, g[1].v, g[41].v, g[42].v);
    blockstep c(g[0].c, g[1].c, g[41].c, g[42].c);
    blockstep u2(g[0].u2, g[1].u2, g[41].u2, g[42].u2);
    blockstep v2(g[0].v2, g[1].v2, g[41].v2, g[42].v2);
    for (int r = 0; r < 8; r++, dest += 640) {
        unsigned uu = u.left, vv = v.left, cc = c.left, uu2 = u2.left, vv2 = v2.left;
        for (int k = 0; k < 8; k++) {
            // Texel plus brightness at 2^15 a unit, times the second map.
            const int a1 = wadd(tex.at(uu, vv) << 15, int(cc) >> 1);
            const int p1 = wmul(a1, tex2.at(uu2, vv2));
            uu += u.h, vv += v.h, cc += c.h, uu2 += u2.h, vv2 += v2.h;
            const int a2 = wadd(tex.at(uu, vv) << 15, int(cc) >> 1);
            const int p2 = wmul(a2, tex2.at(uu2, vv2));
            uu += u.h, vv += v.h, cc += c.h, uu2 += u2.h, vv2 += v2.h;
            // The first sample only adds a rounding carry; the byte wraps.
            dest[k] = (unsigned char)(wadd(p1 >> vs, p2) >> (vs + 1));
        }
        u.nextrow();
        v.nextrow();
        c.nextrow();
        u2.nextrow();
        v2.nextrow();
    }
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
