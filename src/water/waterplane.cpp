// SPDX-License-Identifier: MIT
// waterplane.cpp: draws the water field as a plane seen in perspective, lit by
// a spot and a glow whose look-ups the field's slope bends.
//
// Rays are traced only at the 41 x 26 corners of the 8 x 8 pixel blocks; the
// height displaces the plane there (the picture wobbles). Per pixel there is
// only integer work: the bilinear corner interpolation, a field gradient and
// one or two light-map reads (the highlights ripple).
#include "water/waterplane.h"
#include "core/arith.h"
#include "core/vecmath.h"
#include <climits>
#include <cmath>
#include <cstring>

namespace tormel {

static constexpr double FIX23 = 8388608.0;  // 2^23 per world unit = 16.16 field cells
static constexpr double HSCALE = 1.0 / 36384.0;  // field r -> plane displacement, world units

// Grid steps along the camera's right and up rows per block corner (20 steps
// span +-1.33 across, 13 span +-1.04 down): 1/15 and 0.08 in single
// precision, widened before use; the relief plane uses the same pair.
static constexpr float STEPX = 0.06666667f;
static constexpr float STEPY = 0.08f;

// A hit coordinate, rounded to float and truncated. Beyond the int range (or
// NaN) it is INT_MIN; the check up front also keeps values that do not fit
// a float out of the conversion.
static inline int fixstore(double v)
{
    int out = INT_MIN;
    if (std::fabs(v) < 3.0e38) qftolp(&out, float(v));
    return out;
}

void vesiverkko(watergrid* grid, const Vesi* vfield, const vector& up, float posx, float posy, float posz)
{
    // Two passes over the corners: the first hits and cell look-ups of all
    // corners first, then the second hits, so that the long square-root and
    // division chains of neighbouring corners overlap.
    static double rx[CORNERS], ry[CORNERS], rz[CORNERS];
    static int rcell[CORNERS];

    float cam[3][3];
    teematriisi2(cam, float(9.5 - double(posx)), -posy, -posz, up);

    const double px = posx, py = posy, pz = posz;
    const double q = px * px - 100.0;
    int n = 0;
    for (int j = -GRIDH / 2; j < GRIDH / 2; j++) {
        const double bj = double(STEPY) * j;
        for (int k = -(GRIDW / 2); k <= GRIDW / 2; k++, n++) {
            const double ak = double(STEPX) * k;
            const double X = (cam[2][0] + ak * cam[0][0]) + bj * cam[1][0];
            const double Y = (cam[2][1] + ak * cam[0][1]) + bj * cam[1][1];
            const double Z = (cam[2][2] + ak * cam[0][2]) + bj * cam[1][2];
            // First hit, on the undisplaced plane x = 10 (x = -10 for rays
            // running toward -x): picks the cell whose height displaces it.
            // The field row follows z here, the column y.
            const double X2 = X * X;
            const double p = px * X;
            const double s1 = (std::sqrt(p * p - q * X2) - p) / X2;
            const int hz = trunc32(FIX23 * (pz + Z * s1));
            const int hy = trunc32(FIX23 * (py + Y * s1));
            rx[n] = X;
            ry[n] = Y;
            rz[n] = Z;
            rcell[n] = ((hz >> 16) & 255) * FIELDW + ((hy >> 16) & 255);
        }
    }
    // Second hit, on the plane moved to x = +-h. The z coordinate is formed
    // from s2 and Z rounded to float, the y coordinate from the full values.
    for (n = 0; n < CORNERS; n++) {
        const double X = rx[n], Y = ry[n], Z = rz[n];
        const double h = 10.0 + vfield[rcell[n]].r * HSCALE;
        const double a = px / X;
        const double s2 = std::sqrt(a * a - (px * px - h * h) / (X * X)) - a;
        grid->y[n] = fixstore(FIX23 * (py + Y * s2));
        const float s2f = float(s2), zf = float(Z);
        grid->z[n] = fixstore(FIX23 * (pz + double(s2f) * zf));
    }
}

// Four pixels of a block row as one 16-byte vector (GCC/Clang vector
// extension; plain SSE2 on x86-64), unsigned so that sums wrap.
typedef unsigned quad __attribute__((vector_size(16)));

// One 8 x 8 block. u runs along the field rows (world y), v along the
// columns (world z), both 16.16 cells; SPOT adds the spot map to the glow.
//
// The map indices are formed on u and v themselves rather than on u >> 8 and
// u >> 9: (u >> 8) + 64 gy + m1y and (u + (gy << 14) + (m1y << 8)) >> 8 agree
// modulo 2^24, (u >> 9) + 32 gy + m2y and (u + (gy << 14) + (m2y << 9)) >> 9
// modulo 2^23, and the look-ups use only bits 8..15 of those sums. So one
// slope term gy << 14 serves both maps and the offsets come pre-shifted (o1y
// = m1y << 8, o2y = m2y << 9, likewise for z). The test keeps the plain form.
//
// Four pixels go together: their coordinates, cell numbers, slopes and map
// indices are vector work; only the field and map reads are done one by one.
// Pixel x of a row sits at u = ur + x * su, which is what stepping su from ur
// gives, wrapping included; lu holds x * su for x = 0..3 and steps with ddu.
template <bool SPOT>
static void shadeblock(unsigned char* out, const Vesi* f, unsigned ur, unsigned vr,
                       unsigned su, unsigned sv, unsigned duy, unsigned dvy, unsigned ddu,
                       unsigned ddv, unsigned o1y, unsigned o1z, unsigned o2y, unsigned o2z)
{
    const unsigned char* spot = envispot;
    const unsigned char* glow = enviglow;
    quad lu = {0, su, 2 * su, 3 * su}, lv = {0, sv, 2 * sv, 3 * sv};
    const quad lddu = {0, ddu, 2 * ddu, 3 * ddu}, lddv = {0, ddv, 2 * ddv, 3 * ddv};
    for (int y = 0; y < BLOCK; y++, out += PICW) {
#pragma GCC unroll 2
        for (int h = 0; h < BLOCK; h += 4) {
            const quad u = ur + lu + h * su, v = vr + lv + h * sv;
            alignas(16) unsigned cell[4];
            const quad cq = ((u >> 8) & 0xff00) | ((v >> 16) & 255);
            std::memcpy(cell, &cq, sizeof cell);
            // The cells below and to the right reach the guard row from the last row.
            const Vesi *c0 = f + cell[0], *c1 = f + cell[1], *c2 = f + cell[2], *c3 = f + cell[3];
            const quad r = {unsigned(c0->r), unsigned(c1->r), unsigned(c2->r), unsigned(c3->r)};
            const quad rdown = {unsigned(c0[FIELDW].r), unsigned(c1[FIELDW].r), unsigned(c2[FIELDW].r),
                                unsigned(c3[FIELDW].r)};
            const quad rright = {unsigned(c0[1].r), unsigned(c1[1].r), unsigned(c2[1].r),
                                 unsigned(c3[1].r)};
            const quad wy = u + ((rdown - r) << 14), wz = v + ((rright - r) << 14);

            // Map row in bits 8..15, column in bits 0..7.
            alignas(16) unsigned ig[4], is[4];
            const quad gq = (((wy + o2y) >> 9) & 0xff00) | (((wz + o2z) >> 17) & 255);
            std::memcpy(ig, &gq, sizeof ig);
            if (SPOT) {
                const quad sq = (((wy + o1y) >> 8) & 0xff00) | (((wz + o1z) >> 16) & 255);
                std::memcpy(is, &sq, sizeof is);
            }
#pragma GCC unroll 4
            for (int x = 0; x < 4; x++) {
                unsigned e = glow[ig[x]];
                if (SPOT) {
                    e += spot[is[x]];
                    e = e < 255 ? e : 255;  // rtbl[e] for e = 0..510
                }
                out[h + x] = (unsigned char)e;
            }
        }
        ur += duy;
        vr += dvy;
        lu += lddu;
        lv += lddv;
        su += ddu;
        sv += ddv;
    }
}

static inline bool within(int v, int lo, int hi)
{
    return lo <= v && v <= hi;
}

void vesilohkot(unsigned char* dest, const watergrid& grid, const Vesi* vfield, int m1y, int m1z, int m2y,
                int m2z)
{
    // Light windows, tested on a block's first corner only: they keep one copy
    // of each light around its centre (the maps wrap every 256 entries) and
    // skip the blocks where the maps give (nearly) nothing.
    const int lo1y = wsub(4096, m1y), hi1y = wsub(61440, m1y);
    const int lo1z = wsub(4096, m1z), hi1z = wsub(61440, m1z);
    const int lo2y = wsub(4096, m2y), hi2y = wsub(61440, m2y);
    const int lo2z = wsub(4096, m2z), hi2z = wsub(61440, m2z);
    const unsigned o1y = unsigned(m1y) << 8, o1z = unsigned(m1z) << 8;
    const unsigned o2y = unsigned(m2y) << 9, o2z = unsigned(m2z) << 9;

    const int* gu = grid.y;
    const int* gv = grid.z;
    for (int by = 0; by < BLOCKSY; by++) {
        for (int bx = 0; bx < BLOCKSX; bx++) {
            const int q00 = by * GRIDW + bx, q01 = q00 + 1, q10 = q00 + GRIDW, q11 = q10 + 1;
            const int u0 = gu[q00], v0 = gv[q00];
            const int dux = wsub(gu[q01], u0) >> 3, dvx = wsub(gv[q01], v0) >> 3;
            const int duy = wsub(gu[q10], u0) >> 3, dvy = wsub(gv[q10], v0) >> 3;
            const int ddu = wsub(wsub(gu[q11], gu[q10]) >> 3, dux) >> 3;
            const int ddv = wsub(wsub(gv[q11], gv[q10]) >> 3, dvx) >> 3;
            unsigned char* o = dest + by * BLOCK * PICW + bx * BLOCK;

            if (within(u0 >> 8, lo1y, hi1y) && within(v0 >> 8, lo1z, hi1z)) {
                shadeblock<true>(o, vfield, u0, v0, dux, dvx, duy, dvy, ddu, ddv,
                                 o1y, o1z, o2y, o2z);
            } else if (within(u0 >> 9, lo2y, hi2y) && within(v0 >> 9, lo2z, hi2z)) {
                shadeblock<false>(o, vfield, u0, v0, dux, dvx, duy, dvy, ddu, ddv,
                                  o1y, o1z, o2y, o2z);
            } else {
                for (int y = 0; y < BLOCK; y++)
                    for (int x = 0; x < BLOCK; x++) o[y * PICW + x] = 0;
            }
        }
    }
}

void teevesitaso(unsigned char* dest, Vesi* vfield, const vector& up, float posx, float posy, float posz,
                 float vx, float vy)
{
    // The guard row lets the gradient read the cell below and to the right
    // of any cell without wrapping.
    for (int c = 0; c < FIELDW; c++) vfield[FIELDCELLS + c] = vfield[c];

    static watergrid grid;
    vesiverkko(&grid, vfield, up, posx, posy, posz);

    const double ly = -double(posy) - double(vx);
    const double lz = -double(posz) - double(vy);
    const int m1y = trunc32(16384.0 * ly + 32768.0);
    const int m1z = trunc32(16384.0 * lz + 32768.0);
    const int m2y = trunc32(32768.0 * ly + 32768.0);
    const int m2z = trunc32(32768.0 * lz + 32768.0);
    vesilohkot(dest, grid, vfield, m1y, m1z, m2y, m2z);
}

} // namespace tormel
