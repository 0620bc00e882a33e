// waterplane.cpp: draws the water field as a plane seen in perspective, lit by
// a spot (envi) and a glow (envi2) whose look-ups the field's slope bends.
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

namespace tormel {

static constexpr double FIX23 = 8388608.0;  // 2^23 per world unit = 16.16 field cells
static constexpr double HSCALE = 1.0 / 36384.0;  // field r -> plane displacement, world units

// Grid steps along the camera's right and up rows per block corner. The
// literals are single precision, widened before use.
static constexpr float STEPX = 0.0666667f;
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

void vesiverkko(const Vesi* vfield, float posx, float posy, float posz)
{
    float cam[3][3];
    teematriisi2(cam, float(9.5 - double(posx)), -posy, -posz);

    const double px = posx, py = posy, pz = posz;
    const double q = px * px - 100.0;
    int n = 0;
    for (int j = -13; j <= 12; j++) {
        const double bj = double(STEPY) * j;
        for (int k = -20; k <= 20; k++, n++) {
            const double ak = double(STEPX) * k;
            const double X = (cam[2][0] + ak * cam[0][0]) + bj * cam[1][0];
            const double Y = (cam[2][1] + ak * cam[0][1]) + bj * cam[1][1];
            const double Z = (cam[2][2] + ak * cam[0][2]) + bj * cam[1][2];
            const double X2 = X * X;

            // First hit, on the undisplaced plane x = 10 (x = -10 for rays
            // running toward -x): picks the cell whose height displaces it.
            const double p = px * X;
            const double s1 = (std::sqrt(p * p - q * X2) - p) / X2;
            const int hz = trunc32(FIX23 * (pz + Z * s1));
            const int hy = trunc32(FIX23 * (py + Y * s1));
            const int cell = ((hz >> 16) & 255) * 256 + ((hy >> 16) & 255);
            const double h = 10.0 + vfield[cell].r * HSCALE;

            // Second hit, on the plane moved to x = +-h.
            const double a = px / X;
            const double s2 = std::sqrt(a * a - (px * px - h * h) / X2) - a;
            pienix[n] = fixstore(FIX23 * (py + Y * s2));
            const float s2f = float(s2), zf = float(Z);
            pieniz[n] = fixstore(FIX23 * (pz + double(s2f) * zf));
        }
    }
}

// One 8 x 8 block. U runs along the field rows (world y), V along the
// columns (world z), both 16.16 cells; SPOT adds the spot map to the glow.
template <bool SPOT>
static void shadeblock(unsigned char* o, const Vesi* f, int ur, int vr, int su, int sv,
                       int duy, int dvy, int ddu, int ddv, int m1y, int m1z, int m2y, int m2z)
{
    for (int y = 0; y < 8; y++, o += 320) {
        int u = ur, v = vr;
        for (int x = 0; x < 8; x++) {
            const Vesi* c = f + (((u >> 8) & 0xff00) | ((v >> 16) & 255));
            // Reads c + 256 and c + 1 go to the guard row from the last row.
            const int gy = wsub(c[256].r, c->r);
            const int gz = wsub(c[1].r, c->r);
            // Map row in bits 8..15 of the first term, column from the second.
            int e = envi2[(wadd(wadd(u >> 9, wshl(gy, 5)), m2y) & 0xff00) +
                          ((wadd(wadd(v >> 9, wshl(gz, 5)), m2z) >> 8) & 255)];
            if (SPOT) {
                e += envi[(wadd(wadd(u >> 8, wshl(gy, 6)), m1y) & 0xff00) +
                          ((wadd(wadd(v >> 8, wshl(gz, 6)), m1z) >> 8) & 255)];
                e = rtbl[e];
            }
            o[x] = (unsigned char)e;
            u = wadd(u, su);
            v = wadd(v, sv);
        }
        ur = wadd(ur, duy);
        vr = wadd(vr, dvy);
        su = wadd(su, ddu);
        sv = wadd(sv, ddv);
    }
}

static inline bool within(int v, int lo, int hi)
{
    return lo <= v && v <= hi;
}

void vesilohkot(unsigned char* dest, const Vesi* vfield, int m1y, int m1z, int m2y, int m2z)
{
    // Light windows, tested on a block's first corner only: they keep one copy
    // of each light around its centre (the maps wrap every 256 entries) and
    // skip the blocks where the maps give (nearly) nothing.
    const int lo1y = wsub(4096, m1y), hi1y = wsub(61440, m1y);
    const int lo1z = wsub(4096, m1z), hi1z = wsub(61440, m1z);
    const int lo2y = wsub(4096, m2y), hi2y = wsub(61440, m2y);
    const int lo2z = wsub(4096, m2z), hi2z = wsub(61440, m2z);

    for (int by = 0; by < 25; by++) {
        for (int bx = 0; bx < 40; bx++) {
            const int q00 = by * 41 + bx, q01 = q00 + 1, q10 = q00 + 41, q11 = q00 + 42;
            const int u0 = pienix[q00], v0 = pieniz[q00];
            const int dux = wsub(pienix[q01], u0) >> 3, dvx = wsub(pieniz[q01], v0) >> 3;
            const int duy = wsub(pienix[q10], u0) >> 3, dvy = wsub(pieniz[q10], v0) >> 3;
            const int ddu = wsub(wsub(pienix[q11], pienix[q10]) >> 3, dux) >> 3;
            const int ddv = wsub(wsub(pieniz[q11], pieniz[q10]) >> 3, dvx) >> 3;
            unsigned char* o = dest + by * 8 * 320 + bx * 8;

            if (within(u0 >> 8, lo1y, hi1y) && within(v0 >> 8, lo1z, hi1z)) {
                shadeblock<true>(o, vfield, u0, v0, dux, dvx, duy, dvy, ddu, ddv,
                                 m1y, m1z, m2y, m2z);
            } else if (within(u0 >> 9, lo2y, hi2y) && within(v0 >> 9, lo2z, hi2z)) {
                shadeblock<false>(o, vfield, u0, v0, dux, dvx, duy, dvy, ddu, ddv,
                                  m1y, m1z, m2y, m2z);
            } else {
                for (int y = 0; y < 8; y++)
                    for (int x = 0; x < 8; x++) o[y * 320 + x] = 0;
            }
        }
    }
}

void teevesitaso(unsigned char* dest, Vesi* vfield, float posx, float posy, float posz,
                 float vx, float vy)
{
    // The guard row lets the gradient read the cell below and to the right
    // of any cell without wrapping.
    for (int c = 0; c < 256; c++) vfield[65536 + c] = vfield[c];

    vesiverkko(vfield, posx, posy, posz);

    const double ly = -double(posy) - double(vx);
    const double lz = -double(posz) - double(vy);
    const int m1y = trunc32(16384.0 * ly + 32768.0);
    const int m1z = trunc32(16384.0 * lz + 32768.0);
    const int m2y = trunc32(32768.0 * ly + 32768.0);
    const int m2z = trunc32(32768.0 * lz + 32768.0);
    vesilohkot(dest, vfield, m1y, m1z, m2y, m2z);
}

} // namespace tormel
