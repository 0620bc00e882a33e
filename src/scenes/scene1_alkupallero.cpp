// SPDX-License-Identifier: MIT
// scene1_alkupallero.cpp: the opening scene. A wobbling rubber ball at the
// origin; the camera flies in for two patterns, then circles it; the logos
// jump on the kick drum, the snare flashes, the last four rows are black.
#include "scenes/scenes.h"
#include "colour/palette.h"
#include "colour/texture.h"
#include "core/arith.h"
#include "core/random.h"
#include "raygrid/ray.h"
#include "raygrid/raycokes.h"
#include "scenes/common.h"
#include "sprites/sprites.h"
#include <cmath>
#include <cstring>

namespace tormel {

shading alkupallero(float t)
{
    double d = t < 2 ? 2.0 - t : 0.0;  // fly-in: the orbit displaced by d on each axis
    float px = float(1.5 + d);
    double a1 = 2.351 * t;             // orbit angle, radians

    // Wobble phase: the fraction of 4t in 0..65535, restarting at rows 0 and 10 of each bar.
    int k = trunc32(t * 262144.0f) & 0xffff;
    if (k > 40959) k -= 40960;

    rayview view{};
    view.map = mappi1;
    setidentity(view.mapm);
    view.up = normalised({1.0f, 0.5f, 0.1f});
    std::memset(canvas, 0, sizeof canvas);

    quadric& kumipallo = view.object;  // kumipallo: "rubber ball"
    if (t >= 1.75f && t < 1.9375f) {
        kumipallo.o[0] = kumipallo.o[1] = kumipallo.o[2] = 1.0f;  // a moment of perfect sphere
    } else if (t >= 1.9375f && t < 2.0f) {
        kumipallo.o[0] = 2.0f;                                    // then squashed
        kumipallo.o[1] = 5.0f;
        kumipallo.o[2] = 2.0f;
    } else {
        double w = k / 65536.0 * double(28.274334f);              // 9 pi over a phase
        kumipallo.o[0] = kumipallo.o[1] = float(1 + 0.5 * std::sin(w));
        kumipallo.o[2] = float(1 + 0.5 * std::cos(w));
    }
    kumipallo.o[3] = 1.0f;

    // Looking at the world origin the shift is 0, and without a polar light
    // the picture need not be centred: it lies at the canvas's corner.
    raycokes(view, canvas, {px, float(2 * std::cos(a1) + d), float(2 * std::sin(a1) + d)}, {0, 0, 0}, 1.0f);

    copywindow(picture, canvas);

    // The logo at row 45, ten rows lower on a kick.
    if (t >= 2 && t < 4)
        laitalogo(logo1, picture, 65536, 14400 + 3200 * pasari(t));
    else if (t >= 4 && t < 6)
        laitalogo(logo2, picture, 65536, 14400 + 3200 * pasari(t));

    int br;
    if (t < 1)
        br = 65536;
    else if (t < 5.9375f)
        br = 65536 + 32768 * snare(t);
    else
        br = 0;
    return {picture, paletti1, br};
}

} // namespace tormel
