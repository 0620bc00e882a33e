// SPDX-License-Identifier: MIT
// relief.cpp: the relief plane of scene 3. Rays are traced only at the 41 x 26
// block corners, where the height displaces the plane; per pixel the work is
// integer: interpolated map coordinates, a height gradient that bends the cone
// light, and the reveal curve over the reveal map.
#include "relief/relief.h"
#include "colour/texture.h"
#include "core/arith.h"
#include "core/vecmath.h"
#include "water/water.h"
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace tormel {

unsigned char kohokuva[RELIEFBYTES];
unsigned char ufomap[MAPCELLS], uforeika[MAPCELLS];
uint16_t ufojahf[MAPCELLS];
int uforajatbl[256];

static constexpr int WRAP = MAPCELLS - 1;  // a map index, modulo the map

void loadrelief(const unsigned char* data, size_t len)
{
    std::memset(kohokuva, 0, sizeof kohokuva);
    if (len) std::memcpy(kohokuva, data, std::min(len, sizeof kohokuva));
    domap(kohokuva, ufomap);

    // Four in-place passes of the 2 x 2 mean on the linear index (i + 1 at
    // the end of a row is the start of the next). Ascending and in place: the
    // neighbours that wrap past the end were already replaced in this pass.
    for (int pass = 0; pass < 4; pass++) {
        for (int i = 0; i < MAPCELLS; i++) {
            int s = ufomap[i] + ufomap[(i + 1) & WRAP] + ufomap[(i + MAPSIZE) & WRAP] +
                    ufomap[(i + MAPSIZE + 1) & WRAP];
            ufomap[i] = static_cast<unsigned char>(s >> 2);
        }
    }

    // The reveal map: the relief modulated by the cloud texture read
    // backwards from its middle.
    for (int i = 0; i < MAPCELLS; i++)
        uforeika[i] = static_cast<unsigned char>((ufomap[i] * mappi2[(MAPCELLS / 2 - i) & WRAP]) >> 8);
}

void teeufomappi(int joops)
{
    for (int i = 0; i < MAPCELLS; i++)
        ufojahf[i] = uint16_t(wadd(32 * mappi2[i], wmul(joops, ufomap[i])));
}

// Map coordinates in 16.16 cells stay on the map: the plane does not repeat,
// its border cells stretch outward instead.
static int clampcell(int v)
{
    if (v < 65536) return 65536;
    if (v > 16711680) return 16711680;
    return v;
}

// World y (or z) on the plane -> map column (or row) in 16.16 cells: 128 cells
// per world unit, y = 0 at column 128, z = 0 at row 150.
static int cellcoord(double w, double centre)
{
    return clampcell(trunc32(65536 * (128 * w + centre)));
}

// The camera of the plane: looking at (1, 0, 0).
static void ufocamera(float cam[3][3], const vector& yref, float posx, float posy, float posz)
{
    teematriisi2(cam, 1 - posx, -posy, -posz, yref);
}

// Corner rays: the map row from the hit's z, the column from its y. Two
// sweeps over the grid, the height look-up between them: each sweep's chain
// of square root and division is short enough for several corners to be in
// flight at once.
static void cornerrays(reliefgrid* grid, const float cam[3][3], const uint16_t* hf, float posx, float posy,
                       float posz)
{
    const double kstep = 0.06666667f, jstep = 0.08f;  // 1/15 and 0.08 in single precision
    const double px = posx, py = posy, pz = posz;
    const double px2 = px * px;
    static double hh[CORNERS];  // surface x at each corner

    auto ray = [&](int n, double& X, double& Y, double& Z) {
        const double kk = kstep * (n % GRIDW - GRIDW / 2), jj = jstep * (n / GRIDW - GRIDH / 2);
        X = cam[2][0] + kk * cam[0][0] + jj * cam[1][0];
        Y = cam[2][1] + kk * cam[0][1] + jj * cam[1][1];
        Z = cam[2][2] + kk * cam[0][2] + jj * cam[1][2];
    };
    for (int n = 0; n < CORNERS; n++) {
        double X, Y, Z;
        ray(n, X, Y, Z);
        // Base plane |x| = 1: s1 = (|X| - posx X) / X^2, on x = 1 for rays
        // going up x and on x = -1 for rays going down.
        const double p = px * X, q = px2 - 1, X2 = X * X;
        const double s1 = (std::sqrt(p * p - q * X2) - p) / X2;
        const int a = cellcoord(py + Y * s1, 128);
        const int b = cellcoord(pz + Z * s1, 150);
        // The full height range 0..65535 lifts the surface by up to 1/4.
        hh[n] = 1 - hf[(b >> 16) * MAPSIZE + (a >> 16)] / 262144.0;
    }
    for (int n = 0; n < CORNERS; n++) {
        double X, Y, Z;
        ray(n, X, Y, Z);
        const double p = px * X, X2 = X * X, h = hh[n];
        const double s2 = (std::sqrt(p * p - X2 * (px2 - h * h)) - p) / X2;
        grid->col[n] = cellcoord(py + Y * s2, 128);
        grid->row[n] = cellcoord(pz + Z * s2, 150);
    }
}

void ufogrid(reliefgrid* grid, const uint16_t* hf, const vector& yref, float posx, float posy, float posz)
{
    float cam[3][3];
    ufocamera(cam, yref, posx, posy, posz);
    cornerrays(grid, cam, hf, posx, posy, posz);
}

// Reveal curve: 0 up to the threshold (410 - joops) / 2, then half a cosine
// over 50 entries up to 255. Pi is the single-precision value, just above pi,
// so the top stays below 256.
static void teerajat(int joops)
{
    const double thr = 0.5 * (410.0 - joops);
    for (int j = 0; j < 256; j++) {
        double v = 0.02 * (j - thr);
        if (v < 0) v = 0;
        if (v > 1) v = 1;
        uforajatbl[j] = int(128 * (1 - std::cos(3.1415927410125732 * v)));
    }
}

// The gradient partners below and to the right. Row 255 has no row below and
// cell 65535 no cell to its right inside the map; there the cell itself is
// used (no slope across the edge), so nothing outside the map is read.
// Column 255 of the other rows takes the next row's first cell, as the linear
// index falls.
static inline int belowof(int c) { return c >= MAPCELLS - MAPSIZE ? c : c + MAPSIZE; }
static inline int rightof(int c) { return c == WRAP ? c : c + 1; }

// The cone and the reveal curve are both 0..255, so their sum indexes this
// copy of the clamp table directly.
static constexpr auto satb = [] {
    std::array<unsigned char, 512> t{};
    for (int i = 0; i < 512; i++) t[i] = (unsigned char)(i > 255 ? 255 : i);
    return t;
}();

// The tables one pixel reads.
struct ufotabs {
    const uint16_t* hf;
    const unsigned char* reiat;
    unsigned n1, n2;  // light offsets
};

// One pixel, the plain way. U, V: map row and column in 16.16 cells.
static inline unsigned char ufopixel(int U, int V, const ufotabs& t)
{
    const int c = ((U >> 16) & 255) * MAPSIZE + ((V >> 16) & 255);
    const int h0 = t.hf[c];
    const int dr = h0 - t.hf[belowof(c)];
    const int dc = h0 - t.hf[rightof(c)];
    // The cone at half the cell scale, moved by twice the height differences.
    // Bits 8..15 of each sum select the row and the column; unsigned sums
    // give the same bits as the signed ones, without a chance of overflow.
    const unsigned rowsel = (unsigned(U >> 9) + t.n1 + 2u * unsigned(dr)) & 0xff00u;
    const unsigned colsel = ((unsigned(V >> 9) + t.n2 + 2u * unsigned(dc)) >> 8) & 255u;
    return (unsigned char)rtbl[envicone[rowsel + colsel] + uforajatbl[t.reiat[c]]];
}

// Per-block set-up: corner steps per pixel (16.16 cells) and the change of
// the row step per row, for bilinear interpolation by forward differences.
struct ufocorners {
    int U0, V0, dudx, dvdx, dudy, dvdy, ddu, ddv;
};

static inline __attribute__((always_inline)) ufocorners cornersof(const reliefgrid& g, int by, int bx)
{
    const int q00 = by * GRIDW + bx, q01 = q00 + 1, q10 = q00 + GRIDW, q11 = q10 + 1;
    const int *U = g.row, *V = g.col;
    ufocorners k;
    k.U0 = U[q00];
    k.V0 = V[q00];
    k.dudx = (U[q01] - k.U0) >> 3;
    k.dvdx = (V[q01] - k.V0) >> 3;
    k.dudy = (U[q10] - k.U0) >> 3;
    k.dvdy = (V[q10] - k.V0) >> 3;
    k.ddu = (((U[q11] - U[q10]) >> 3) - k.dudx) >> 3;
    k.ddv = (((V[q11] - V[q10]) >> 3) - k.dvdx) >> 3;
    return k;
}

// A block the plain way, with the edge rule on every pixel.
static void ufoblockplain(unsigned char* d, const ufocorners& k, const ufotabs& t)
{
    int Ur = k.U0, Vr = k.V0, su = k.dudx, sv = k.dvdx;
    for (int row = 0; row < 8; row++) {
        int U = Ur, V = Vr;
        for (int i = 0; i < 8; i++) {
            d[i] = ufopixel(U, V, t);
            U += su;
            V += sv;
        }
        d += PITCH;
        Ur += k.dudy;
        Vr += k.dvdy;
        su += k.ddu;
        sv += k.ddv;
    }
}

// The usual block. The per-pixel work is bound by its instruction count, so
// U and V travel in one 64-bit word: U in the
// upper half, V + 2^31 in the lower, advanced by one add. The lower half
// stays within 0..2^32 - 1 (checked per block), so it never carries into U.
// A second word carries the light offsets already added (n1 * 512 to U,
// n2 * 512 to V), from which the light's row and column sums are one shift
// each: only their bits 8..15 are used, which the bias 2^31 leaves alone.
template <bool Edge>
static inline __attribute__((always_inline)) void ufoblockfast(unsigned char* d, const ufocorners& k, const ufotabs& t)
{
    auto pack = [](int u, int v) { return (uint64_t(int64_t(u)) << 32) + uint64_t(int64_t(v)); };
    const uint16_t* const hf = t.hf;
    const unsigned char* const reiat = t.reiat;
    const unsigned char* const cone = envicone;
    const int* const reveal = uforajatbl;
    const uint64_t N = (uint64_t(int64_t(int(t.n1))) << 41) + (uint64_t(int64_t(int(t.n2))) << 9);
    uint64_t Wr = pack(k.U0, k.V0) + 0x80000000u, S = pack(k.dudx, k.dvdx);
    const uint64_t dW = pack(k.dudy, k.dvdy), dS = pack(k.ddu, k.ddv);
    for (int row = 0; row < 8; row++) {
        uint64_t W = Wr, L = Wr + N;
        for (int i = 0; i < 8; i++) {
            const size_t c = size_t((W >> 40) & 0xff00u) | size_t((W >> 16) & 0xffu);
            const unsigned h0 = hf[c];
            const unsigned dr = h0 - hf[Edge ? size_t(belowof(int(c))) : c + MAPSIZE];
            const unsigned dc = h0 - hf[Edge ? size_t(rightof(int(c))) : c + 1];
            const unsigned rowsel = (unsigned(L >> 41) + 2 * dr) & 0xff00u;
            const unsigned colsel = ((unsigned(L) >> 9) + 2 * dc) >> 8 & 0xffu;
            d[i] = satb[cone[rowsel | colsel] + unsigned(reveal[reiat[c]])];
            W += S;
            L += S;
        }
        d += PITCH;
        Wr += dW;
        S += dS;
    }
}

// Which way a block goes. U and V are bilinear over the block, so their
// extremes are at its four corner pixels. V and the column offset must keep
// the packed lower half from carrying (always so for the renderer's own
// corners and offsets); rows 0..254 throughout need no edge rule.
enum { PLAIN, EDGE, CLEAR };

static inline __attribute__((always_inline)) int blockkind(const ufocorners& k, const ufotabs& t)
{
    auto lo = [](int64_t a, int64_t b) { return a < b ? a : b; };
    auto hi = [](int64_t a, int64_t b) { return a < b ? b : a; };
    const int64_t u00 = k.U0, u01 = u00 + 7 * int64_t(k.dudx), u10 = u00 + 7 * int64_t(k.dudy);
    const int64_t u11 = u10 + 7 * (k.dudx + 7 * int64_t(k.ddu));
    const int64_t v00 = k.V0, v01 = v00 + 7 * int64_t(k.dvdx), v10 = v00 + 7 * int64_t(k.dvdy);
    const int64_t v11 = v10 + 7 * (k.dvdx + 7 * int64_t(k.ddv));
    const int64_t umin = lo(lo(u00, u01), lo(u10, u11)), umax = hi(hi(u00, u01), hi(u10, u11));
    const int64_t vmin = lo(lo(v00, v01), lo(v10, v11)), vmax = hi(hi(v00, v01), hi(v10, v11));
    const int n2 = int(t.n2);
    if (!((vmin > -(1 << 29)) & (vmax < (1 << 29)) & (n2 > -(1 << 20)) & (n2 < (1 << 20)))) return PLAIN;
    return ((umin >= 0) & (umax < (255 << 16))) ? CLEAR : EDGE;
}

void ufoblocks(unsigned char* out, const reliefgrid& grid, const uint16_t* hf, const unsigned char* reiat,
               int n1, int n2)
{
    const ufotabs t = {hf, reiat, unsigned(n1), unsigned(n2)};
    for (int by = 0; by < BLOCKSY; by++) {
        for (int bx = 0; bx < BLOCKSX; bx++) {
            const ufocorners k = cornersof(grid, by, bx);
            unsigned char* d = out + by * BLOCK * PITCH + bx * BLOCK;
            switch (blockkind(k, t)) {
            case CLEAR: ufoblockfast<false>(d, k, t); break;
            case EDGE: ufoblockfast<true>(d, k, t); break;
            default: ufoblockplain(d, k, t); break;
            }
        }
    }
}

void ufoblocksref(unsigned char* out, const reliefgrid& grid, const uint16_t* hf, const unsigned char* reiat,
                  int n1, int n2)
{
    const ufotabs t = {hf, reiat, unsigned(n1), unsigned(n2)};
    for (int by = 0; by < BLOCKSY; by++) {
        for (int bx = 0; bx < BLOCKSX; bx++) {
            const ufocorners k = cornersof(grid, by, bx);
            for (int row = 0; row < BLOCK; row++) {
                for (int i = 0; i < BLOCK; i++) {
                    const int U = k.U0 + row * k.dudy + i * (k.dudx + row * k.ddu);
                    const int V = k.V0 + row * k.dvdy + i * (k.dvdx + row * k.ddv);
                    out[(by * BLOCK + row) * PITCH + bx * BLOCK + i] = ufopixel(U, V, t);
                }
            }
        }
    }
}

winshift teeufotaso2(unsigned char* dest, const uint16_t* hf, const unsigned char* reiat, int joops,
                     const vector& yref, float posx, float posy, float posz, float vx, float vy)
{
    // Its own camera, not the ray renderer's.
    float cam[3][3];
    ufocamera(cam, yref, posx, posy, posz);

    // The picture follows the world origin: its place in camera coordinates
    // gives the window shift. Not limited: the caller keeps it on the canvas.
    const vector o = {-posx, -posy, -posz};
    const vector right = {cam[0][0], cam[0][1], cam[0][2]};
    const vector up = {cam[1][0], cam[1][1], cam[1][2]};
    const vector dir = {cam[2][0], cam[2][1], cam[2][2]};
    const double Rx = piste(&right, &o), Uy = piste(&up, &o), Dz = piste(&dir, &o);
    const winshift sh = {trunc32(Rx / Dz * -100 * 0.3), trunc32(Uy / Dz * -100 * 0.3)};

    static reliefgrid grid;
    cornerrays(&grid, cam, hf, posx, posy, posz);
    teerajat(joops);

    // Light offsets: 32768 per world unit (the cone at half the cell scale)
    // plus the centre; the differences are single precision.
    const float ly = -vx - posy, lz = -vy - posz;
    const int n1 = trunc32(32768.0 * ly + 32768);
    const int n2 = trunc32(32768.0 * lz + 32768);

    ufoblocks(dest + PITCH * sh.y + sh.x, grid, hf, reiat, n1, n2);
    return sh;
}

} // namespace tormel
