// SPDX-License-Identifier: MIT
// texture.cpp: the start-up textures mappi1..3 and the expansion of packed
// heights into a map. Everything here must stay bit-exact: each byte depends
// on the exact sequence of rand() draws and on the integer arithmetic below.
#include "colour/texture.h"
#include "core/arith.h"
#include "core/geometry.h"
#include "core/random.h"
#include "core/vecmath.h"
#include <cmath>
#include <numbers>

namespace tormel {

unsigned char mappi1[MAPCELLS], mappi2[MAPCELLS], mappi3[MAPCELLS];

// ---- procedural textures ----------------------------------------------------

// stb: "sine table", sin(i * 2pi/512) for two full periods; stb[i + 128] is
// the cosine belonging to stb[i]. The step is 2pi/512 rounded to float.
static float stb[1024];

static void teestb()
{
    const double c = double(float(2 * std::numbers::pi / 512));  // 0.012271846644580364
    for (int i = 0; i < 1024; i++) stb[i] = float(std::sin(i * c));
}

// Value noise sampled on an ellipsoid with semi-axes (ax, ay, az) noise
// units: row y is latitude y * pi/256, column x longitude x * 2pi/256, so
// the texture wraps round a ball and closes up at the poles. Stores the
// noise (0..1023) divided by ten.
static void noisemap(unsigned char* m, int ax, int ay, int az)
{
    for (int y = 0; y < MAPSIZE; y++) {
        double sy = stb[y], cy = stb[y + 128];
        int ny = trunc32(cy * ay);
        for (int x = 0; x < MAPSIZE; x++) {
            double sx = stb[2 * x], cx = stb[2 * x + 128];
            int nx = trunc32((sx * ax) * sy);
            int nz = trunc32((cx * az) * sy);
            m[y * MAPSIZE + x] = static_cast<unsigned char>(int(noise(nx, ny, nz) * 0.1));
        }
    }
}

// The ball textures keep 1 as their darkest value: where a scene lays the
// ball over the water or the tube, a pixel of 0 counts as no ball.
static void nozero(unsigned char* m)
{
    for (int i = 0; i < MAPCELLS; i++)
        if (m[i] == 0) m[i] = 1;
}

// One in-place smoothing pass of mappi2: each texel becomes the mean of the
// 2 x 2 block it heads, wrapping both ways. Texels to the right and below
// are still unsmoothed, except the wrapped column 0 at the end of a row and
// row 0 under the last row, which this pass already replaced.
static void smooth2x2(unsigned char* m)
{
    for (int g = 0; g < MAPSIZE; g++) {
        unsigned char* row = m + g * MAPSIZE;
        unsigned char* below = m + ((g + 1) & (MAPSIZE - 1)) * MAPSIZE;
        for (int j = 0; j < 255; j++)
            row[j] = static_cast<unsigned char>((row[j] + row[j + 1] + below[j + 1] + below[j]) >> 2);
        row[255] = static_cast<unsigned char>((row[255] + row[0] + below[0] + below[255]) >> 2);
    }
}

void precalcmappi()
{
    buildnoise();  // 32768 + 1024 draws
    teestb();

    noisemap(mappi1, 2123, 2345, 2876);
    for (int i = 0; i < MAPCELLS; i++) mappi1[i] = static_cast<unsigned char>(clamp(5 * mappi1[i] - 323));
    nozero(mappi1);

    noisemap(mappi3, 4123, 4345, 4876);
    for (int i = 0; i < MAPCELLS; i++) mappi3[i] = static_cast<unsigned char>(rtbl[2 * mappi3[i] - 13]);
    nozero(mappi3);

    // A smooth random cloud: 65536 random bytes, 32 box-smoothing passes,
    // then contrast into 0..127.
    for (int i = 0; i < MAPCELLS; i++) mappi2[i] = static_cast<unsigned char>(rand() & 255);
    for (int pass = 0; pass < 32; pass++) smooth2x2(mappi2);
    for (int i = 0; i < MAPCELLS; i++) mappi2[i] = static_cast<unsigned char>(rtbl[3 * mappi2[i] - 254] >> 1);
}

// ---- height-map expansion ----------------------------------------------------

// temppi: "temp", domap's 256 x 256 work grid, heights in 16.16.
static int temppi[MAPCELLS];

// temppi entry at row r, column c, both wrapping modulo 256.
static inline int& T(int r, int c)
{
    return temppi[((r & 255) << 8) | (c & 255)];
}

// Unpack the nibbles into every fourth row and column of temppi.
static void first(const unsigned char* m)
{
    for (int r = 0; r < 64; r++) {
        for (int b = 0; b < 32; b++) {
            int v = m[r * 32 + b];
            T(4 * r, 8 * b) = (v & 15) << 16;      // 16.16
            T(4 * r, 8 * b + 4) = (v >> 4) << 16;
        }
    }
}

// a: row step << 8 | column step of the points visited; d: row offset << 8 |
// column offset to the nearest neighbours (one of the two is zero). The fill
// pass estimates the points half a step off the known grid with the 4-tap
// kernel (-3, 19, 19, -3)/32; the smoothing pass then averages each known
// point with the same estimate taken from its new neighbours.
static void ip(int a, int d)
{
    const int ra = a >> 8, ca = a & 255;
    const int dr = d >> 8, dc = d & 255;

    for (int r = dr; r <= 255; r += ra) {
        for (int h = 0; h + dc <= 255; h += ca) {
            int c = h + dc;
            int near = T(r + dr, c + dc) + T(r - dr, c - dc);
            int far = T(r + 3 * dr, c + 3 * dc) + T(r - 3 * dr, c - 3 * dc);
            T(r, c) = (19 * near - 3 * far + 16) >> 5;
        }
    }

    for (int r = 0; r <= 255; r += ra) {
        for (int c = 0; c <= 255; c += ca) {
            int near = T(r + dr, c + dc) + T(r - dr, c - dc);
            int far = T(r + 3 * dr, c + 3 * dc) + T(r - 3 * dr, c - 3 * dc);
            T(r, c) = (32 * T(r, c) + 19 * near - 3 * far + 32) >> 6;
        }
    }
}

// temppi to bytes, clamped.
static void last(unsigned char* m)
{
    for (int i = 0; i < MAPCELLS; i++) {
        int v = temppi[i];
        // 16.16 -> 16 per height step; the kernel's overshoot is cut here.
        m[i] = static_cast<unsigned char>(v < 0 ? 0 : v > 0xFFFFF ? 255 : v >> 12);
    }
}

void domap(const unsigned char* src, unsigned char* dest)
{
    // Every fourth point known: fill the columns between, then the rows;
    // then the same at every second point.
    first(src);
    ip(0x404, 2);
    ip(0x402, 0x200);
    ip(0x202, 1);
    ip(0x201, 0x100);
    last(dest);
}

} // namespace tormel
