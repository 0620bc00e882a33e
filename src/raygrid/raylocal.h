// SPDX-License-Identifier: MIT
// raylocal.h: what the plain and the tube ray-grid variants share and no
// other module uses: the primary ray and its intersection with the quadric,
// the camera and window shift of a frame, the corner grid and the texel
// addressing of a block.
#pragma once
#include <cmath>
#include "core/arith.h"
#include "raygrid/ray.h"

namespace tormel {

// One ray that met the quadric.
struct rayhit {
    double t;     // ray parameter; d is 1 along the viewing direction, so depth
    double h[3];  // hit point, world space
    double r[3];  // hit point in texture space: h (as a row vector) times mapm
};

// Cast the ray through the sample point (x, y), in half pixels from the
// picture's top-left corner, against the frame's quadric. False when it
// misses (a negative or NaN discriminant); a grazing ray with a zero
// discriminant hits.
inline bool shootray(const rayframe& f, int x, int y, rayhit* k)
{
    // From the centre of the picture, which is (PICW, PICH) in half pixels.
    const double xx = x - PICW, yy = y - PICH;

    // Screen x runs against `right` and y against `up`. The direction is not
    // normalised: its component along the view is 1, so t is the depth.
    float d[3];
    for (int j = 0; j < 3; j++)
        d[j] = float(f.cam[2][j] - f.pery * yy * f.cam[1][j] - f.perx * xx * f.cam[0][j]);

    // Every factor below is a float, and a product of two floats is exact in
    // double, so each three-factor term is rounded once whatever the order
    // (which is also why o_j p_j can be taken once a frame).
    const double dx = d[0], dy = d[1], dz = d[2];
    const double A = f.o[0] * dx * dx + f.o[1] * dy * dy + f.o[2] * dz * dz;
    const double B = f.op[0] * dx + f.op[1] * dy + f.op[2] * dz;
    const double disc = B * B - A * f.C;
    if (!(disc >= 0.0)) return false;

    // The nearer root for an object seen from outside (A > 0); for the tube
    // (A < 0, camera inside) the wall ahead. The sign of t is not tested.
    const double t = (-B - std::sqrt(disc)) / A;
    k->t = t;
    k->h[0] = f.p[0] + t * dx;
    k->h[1] = f.p[1] + t * dy;
    k->h[2] = f.p[2] + t * dz;
    for (int j = 0; j < 3; j++)
        k->r[j] = k->h[0] * f.mapm[0][j] + k->h[1] * f.mapm[1][j] + k->h[2] * f.mapm[2][j];
    return true;
}

// shootray for n sample points (x[i], y[i]) into k[i] and hit[i], two rays
// at a time in vector lanes where the machine has them: every lane takes
// the very operations of shootray, so the records are the same.
void shootrays(const rayframe& f, int n, const int* x, const int* y, rayhit* k, bool* hit);

// Steps shared by raycokes and raycokes_t before the blocks: the camera at
// eye looking at target, the view-plane step, and the window shift that
// keeps the world origin near the canvas centre (scaled by jep).
winshift setupframe(const vector& up, vector eye, vector target, float jep, raycamera* cam);

// A hit as a variant records it: the plain and the tube mappings; and the
// same for n hits at once (g[i] from *k[i]), their angles taken in pairs.
void hitplain(gridfx* g, const rayhit& k);
void hittube(gridfx* g, const rayhit& k);
void hitplains(gridfx* const* g, const rayhit* const* k, int n);
void hittubes(gridfx* const* g, const rayhit* const* k, int n);

// Cast the 41 x 26 block-corner rays into pallero, each hit recorded by map
// and each miss as MISS. First all the rays, with nothing between them, so
// that the long chains (square root, division) of neighbouring corners
// overlap; then the mappings. The same records as ammuu_sade (or
// ammuu_sade_t) corner by corner.
void shootcorners(const rayframe& f, void (*map)(gridfx* const*, const rayhit* const*, int));

// The texel of (u, v): column the top byte of u, row the top byte of v.
inline int texelindex(unsigned u, unsigned v)
{
    return int(((v >> 16) & 0xff00) | (u >> 24));
}

// Bilinear stepping of one field over an 8 x 8 block, in half pixels along a
// row and whole pixel rows down. Unsigned so that it wraps as a binary angle.
// The corners of the block at g are g[0], g[1], g[GRIDW] and g[GRIDW + 1].
struct blockstep {
    unsigned left;  // value at the left end of the current pixel row
    unsigned h;     // step per half pixel along the current row
    unsigned ly;    // left end's step per pixel row
    unsigned dd;    // change of h per pixel row

    // Corners tl, tr, bl, br of the block.
    blockstep(int tl, int tr, int bl, int br)
        : left(unsigned(tl)),
          h(unsigned(wsub(tr, tl) >> 4)),                           // 16 half pixels
          ly(unsigned(wsub(bl, tl) >> 3)),                          // 8 rows
          dd(unsigned(wadd(wsub(wsub(br, bl), tr), tl) >> 7))       // 16 x 8
    {
    }
    void nextrow()
    {
        left += ly;
        h += dd;
    }
};

} // namespace tormel
