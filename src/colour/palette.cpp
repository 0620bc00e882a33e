// SPDX-License-Identifier: MIT
// palette.cpp: builds the hue map and the three 64-row palettes once at
// start-up. Nothing here runs per frame.
#include "colour/palette.h"
#include "core/arith.h"
#include <cmath>
#include <cstdint>

namespace tormel {

unsigned char hue[PICBYTES];
int paletti1[PALETTEENTRIES], paletti2[PALETTEENTRIES], paletti3[PALETTEENTRIES];

// One channel of column j: the running product j * slope in 23.9 fixed
// point, saturated to 0..255. rtbl covers every slope up to about +-16000;
// the wider sum and the range test only keep absurd slopes inside the table.
static inline int channel(int64_t sum)
{
    int64_t k = sum >> 9;
    if (k < -8192) return 0;
    if (k > 8191) return 255;
    return rtbl[k];
}

void teepaljetti(int* p, float r1, float g1, float b1, float r2, float g2, float b2)
{
    for (int i = 0; i < 64; i++) {
        // Slopes in 1/512 per column: 512 is the identity ramp.
        int dr = trunc32(r1 + double(i) * r2);
        int dg = trunc32(g1 + double(i) * g2);
        int db = trunc32(b1 + double(i) * b2);
        int64_t sr = 0, sg = 0, sb = 0;
        int* row = p + i * 256;
        for (int j = 0; j < 256; j++) {
            int red = channel(sr), green = channel(sg), blue = channel(sb);
            row[j] = ((red >> 3) << 11) + ((green >> 2) << 5) + (blue >> 3);
            sr += dr;
            sg += dg;
            sb += db;
        }
    }
}

// The hue map: two sets of rings about the centre mixed with horizontal
// waves, 8 palette rows per unit. Neighbours differ by at most one row, so
// the tint drifts smoothly over the screen.
static void teehue()
{
    const double k4800 = 1.0 / 4800, k16 = 1.0 / 16, k32 = 1.0 / 32;
    const double k6400 = 1.0 / 6400, k24 = 1.0 / 24;
    for (int y = 0; y < PICH; y++) {
        for (int x = 0; x < PICW; x++) {
            int r2 = (x - 160) * (x - 160) + (y - 100) * (y - 100);
            double a = std::cos(r2 * k4800) + std::sin(std::sin(x * k16) + y * k32);
            double b = std::sin(r2 * k6400) + std::sin(x * k24);
            int v = trunc32(8 * ((b + 4) + a));
            hue[y * PICW + x] = static_cast<unsigned char>(v & 255);
        }
    }
}

void precalcipaskaa()
{
    teehue();
    teepaljetti(paletti1, 1200, 800, 600, -6.25f, 6.25f, 0);
    teepaljetti(paletti2, 500, 1000, 700, 0, -4.6875f, 4.6875f);
    teepaljetti(paletti3, 500, 500, 1000, 6.25f, 0, -3.125f);
}

} // namespace tormel
