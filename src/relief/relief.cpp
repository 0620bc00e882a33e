// relief.cpp: the relief plane of scene 3. Rays are traced only at the 41 x 26
// block corners, where the height displaces the plane; per pixel the work is
// integer: interpolated map coordinates, a height gradient that bends the cone
// light, and the reveal curve over the reveal map.
#include "relief/relief.h"
#include "core/arith.h"
#include "core/vecmath.h"
#include <cmath>

namespace tormel {

int uforajatbl[256];

void teeufomappi(int joops)
{
    for (int i = 0; i < 65536; i++)
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

// Corner rays: pienix = hit z (map row), pieniz = hit y (map column), 16.16.
static void ufogrid(const float cam[3][3], const uint16_t* hf, float posx, float posy, float posz)
{
    const double kstep = 0.0666667f, jstep = 0.08f;  // the view-plane steps are single precision
    const double px = posx, py = posy, pz = posz;
    const double px2 = px * px;
    for (int j = -13; j <= 12; j++) {
        const double jj = jstep * j;
        for (int k = -20; k <= 20; k++) {
            const double kk = kstep * k;
            const int n = (j + 13) * 41 + (k + 20);
            const double X = cam[2][0] + kk * cam[0][0] + jj * cam[1][0];
            const double Y = cam[2][1] + kk * cam[0][1] + jj * cam[1][1];
            const double Z = cam[2][2] + kk * cam[0][2] + jj * cam[1][2];
            // Base plane |x| = 1: s1 = (|X| - posx X) / X^2, on x = 1 for rays
            // going up x and on x = -1 for rays going down.
            const double p = px * X, q = px2 - 1, X2 = X * X;
            const double s1 = (std::sqrt(p * p - q * X2) - p) / X2;
            const int a = cellcoord(py + Y * s1, 128);
            const int b = cellcoord(pz + Z * s1, 150);
            // The full height range 0..65535 lifts the surface by up to 1/4.
            const double h = 1 - hf[(b >> 16) * 256 + (a >> 16)] / 262144.0;
            const double s2 = (std::sqrt(p * p - X2 * (px2 - h * h)) - p) / X2;
            pieniz[n] = cellcoord(py + Y * s2, 128);
            pienix[n] = cellcoord(pz + Z * s2, 150);
        }
    }
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
static inline int belowof(int c) { return c >= 65280 ? c : c + 256; }
static inline int rightof(int c) { return c == 65535 ? c : c + 1; }

// One pixel. U, V: map row and column in 16.16; n1, n2: light offsets.
static inline unsigned char ufopixel(int U, int V, const uint16_t* hf, const unsigned char* reiat,
                                     unsigned n1, unsigned n2)
{
    const int c = ((U >> 16) & 255) * 256 + ((V >> 16) & 255);
    const int h0 = hf[c];
    const int dr = h0 - hf[belowof(c)];
    const int dc = h0 - hf[rightof(c)];
    // The cone at half the cell scale, moved by twice the height differences.
    // Bits 8..15 of each sum select the row and the column; unsigned sums
    // give the same bits as the signed ones, without a chance of overflow.
    const unsigned rowsel = (unsigned(U >> 9) + n1 + 2u * unsigned(dr)) & 0xff00u;
    const unsigned colsel = ((unsigned(V >> 9) + n2 + 2u * unsigned(dc)) >> 8) & 255u;
    return (unsigned char)rtbl[envi3[rowsel + colsel] + uforajatbl[reiat[c]]];
}

void ufoblocks(unsigned char* out, const uint16_t* hf, const unsigned char* reiat, int n1, int n2)
{
    const unsigned un1 = unsigned(n1), un2 = unsigned(n2);
    for (int by = 0; by < 25; by++) {
        for (int bx = 0; bx < 40; bx++) {
            const int q00 = by * 41 + bx, q01 = q00 + 1, q10 = q00 + 41, q11 = q00 + 42;
            // Corner steps per pixel (16.16 cells) and the change of the row
            // step per row: bilinear interpolation by forward differences.
            const int U0 = pienix[q00], V0 = pieniz[q00];
            const int dudx = (pienix[q01] - U0) >> 3, dvdx = (pieniz[q01] - V0) >> 3;
            const int dudy = (pienix[q10] - U0) >> 3, dvdy = (pieniz[q10] - V0) >> 3;
            const int ddu = (((pienix[q11] - pienix[q10]) >> 3) - dudx) >> 3;
            const int ddv = (((pieniz[q11] - pieniz[q10]) >> 3) - dvdx) >> 3;
            int Ur = U0, Vr = V0, su = dudx, sv = dvdx;
            unsigned char* d = out + by * 8 * 640 + bx * 8;
            for (int row = 0; row < 8; row++) {
                int U = Ur, V = Vr;
                for (int i = 0; i < 8; i++) {
                    d[i] = ufopixel(U, V, hf, reiat, un1, un2);
                    U += su;
                    V += sv;
                }
                d += 640;
                Ur += dudy;
                Vr += dvdy;
                su += ddu;
                sv += ddv;
            }
        }
    }
}

void ufoblocksref(unsigned char* out, const uint16_t* hf, const unsigned char* reiat, int n1, int n2)
{
    for (int by = 0; by < 25; by++) {
        for (int bx = 0; bx < 40; bx++) {
            const int q00 = by * 41 + bx, q01 = q00 + 1, q10 = q00 + 41, q11 = q00 + 42;
            const int U0 = pienix[q00], V0 = pieniz[q00];
            const int dudx = (pienix[q01] - U0) >> 3, dvdx = (pieniz[q01] - V0) >> 3;
            const int dudy = (pienix[q10] - U0) >> 3, dvdy = (pieniz[q10] - V0) >> 3;
            const int ddu = (((pienix[q11] - pienix[q10]) >> 3) - dudx) >> 3;
            const int ddv = (((pieniz[q11] - pieniz[q10]) >> 3) - dvdx) >> 3;
            for (int row = 0; row < 8; row++) {
                for (int i = 0; i < 8; i++) {
                    const int U = U0 + row * dudy + i * (dudx + row * ddu);
                    const int V = V0 + row * dvdy + i * (dvdx + row * ddv);
                    out[(by * 8 + row) * 640 + bx * 8 + i] = ufopixel(U, V, hf, reiat, unsigned(n1), unsigned(n2));
                }
            }
        }
    }
}

winshift teeufotaso2(unsigned char* dest, const uint16_t* hf, const unsigned char* reiat, int joops,
                     float posx, float posy, float posz, float vx, float vy)
{
    // The camera looks at (1, 0, 0); its own basis, not the ray renderer's.
    float cam[3][3];
    teematriisi2(cam, 1 - posx, -posy, -posz);

    // The picture follows the world origin: its place in camera coordinates
    // gives the window shift. Not limited: the caller keeps it on the canvas.
    const vector o = {-posx, -posy, -posz};
    const vector right = {cam[0][0], cam[0][1], cam[0][2]};
    const vector up = {cam[1][0], cam[1][1], cam[1][2]};
    const vector dir = {cam[2][0], cam[2][1], cam[2][2]};
    const double Rx = piste(&right, &o), Uy = piste(&up, &o), Dz = piste(&dir, &o);
    const winshift sh = {trunc32(Rx / Dz * -100 * 0.3), trunc32(Uy / Dz * -100 * 0.3)};

    ufogrid(cam, hf, posx, posy, posz);
    teerajat(joops);

    // Light offsets: 32768 per world unit (the cone at half the cell scale)
    // plus the centre; the differences are single precision.
    const float ly = -vx - posy, lz = -vy - posz;
    const int n1 = trunc32(32768.0 * ly + 32768);
    const int n2 = trunc32(32768.0 * lz + 32768);

    ufoblocks(dest + 640 * sh.y + sh.x, hf, reiat, n1, n2);
    return sh;
}

void uforadiaali(const unsigned char* sourke, int* dest)
{
    for (int i = 0; i < 65536; i++) dest[i] = ufotbl2[sourke[radiaali[i]]];
}

} // namespace tormel
