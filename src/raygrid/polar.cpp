// SPDX-License-Identifier: MIT
// polar.cpp: the two index tables between the 640 x 400 canvas and the polar
// light table (512 angles x 128 radii), made once so that the per-frame light
// passes are table look-ups only.
//
// A polar row is one turn of a spiral, not a circle: the radius grows by one
// row over a full turn, so the last column of a row meets the first column of
// the next one and a stride of one cell runs on round the spiral without a seam.
#include "raygrid/polar.h"
#include <cmath>

namespace tormel {

int tunneli[CANVASBYTES];
int radiaali[LIGHTCELLS];

// Canvas -> polar cell. X grows to the left and Y upwards; the 0.25 keeps the
// exact centre off the sample grid and the 0.75 squeezes the vertical axis.
static void filltunneli()
{
    const int W = PITCH, H = CANVASH;
    const int amask = ANGLES - 1, rmask = RADII - 1;
    for (int y = 0; y < H; y++) {
        const double Y = 0.75 * (double(H / 2 - y) - 0.25) / H;
        const float Y2 = float(Y * Y);  // the square is rounded to float before the sum
        int* row = tunneli + y * W;
        for (int x = 0; x < W; x++) {
            const double X = (double(W / 2 - x) - 0.25) / W;
            const double a = std::atan2(Y, X) * 0.15915493866300567 + 0.5;  // turns, 0..1
            const float U = float(a * ANGLES);
            const double r = std::sqrt(X * X + double(Y2));
            double V = RADII * std::pow(1.4 * r, 0.6) - double(U) / ANGLES;
            if (V < 0) V = 0;
            row[x] = (int(V) & rmask) * ANGLES + (int(U) & amask);
        }
    }
}

// Polar cell -> canvas offset. The bounds 10..629 and 10..389 keep every
// sample on the canvas. The columns are stored mirrored so that the angle
// runs the same way as in tunneli.
static void fillradiaali()
{
    const int n = ANGLES;
    // Every cell is independent; columns go outside so that the angle's
    // cosine and sine are taken once per column, not once per cell.
    for (int j = 0; j < n; j++) {
        const double e = double(j) / n;
        const double th = 6.2831854820251465 * e;  // 2 pi at single precision
        const double c = std::cos(th), s = std::sin(th);
        for (int i = 0; i < RADII; i++) {
            const double R = 0.7142857142857143 * std::pow((i + 1.00001 - e) / RADII, 1.6666666666666667);
            double xs = 319.75 + 640 * R * c;
            double ys = 199.75 - 533.3333333333333 * R * s;
            if (xs > 629) xs = 629;
            if (ys > 389) ys = 389;
            if (ys < 10) ys = 10;
            if (xs < 10) xs = 10;
            radiaali[i * n + (n - 1 - j)] = PITCH * int(ys) + int(xs);
        }
    }
}

void prekalkutsjon()
{
    filltunneli();
    fillradiaali();
}

} // namespace tormel
