// SPDX-License-Identifier: MIT
// scene4_tunnelipallo.cpp: a flight through a tube around the textured
// ball. Ball and tube are two renders from one camera; the ball's radial
// light streaks over both. Sprites beat on the kick, the snare doubles the
// brightness, and the last quarter pattern fades to black.
#include "scenes/scenes.h"
#include "colour/filters.h"
#include "colour/palette.h"
#include "colour/texture.h"
#include "core/arith.h"
#include "core/random.h"
#include "raygrid/polar.h"
#include "raygrid/ray.h"
#include "raygrid/raycokes.h"
#include "raygrid/tube.h"
#include "scenes/common.h"
#include "sprites/sprites.h"
#include <cmath>
#include <cstring>

namespace tormel {

shading tunnelipallo(float t)
{
    // The eye circles the tube's axis at radius 2 and runs back and forth
    // along it; the target wanders round the ball's centre.
    float ex = float(2 * std::sin(3.1621344 * t)), ey = float(2 * std::cos(3.1621344 * t));
    float ez = float(8 * std::sin(2.0154124 * t));
    float gx = float(std::sin(2.4532764 * t)), gy = float(std::sin(1.7633453 * t));
    float gz = float(std::sin(3.1266423 * t));

    // One camera and one texture orientation for both renders.
    rayview view{};
    view.object = pallo;
    view.map = mappi1;
    view.map2 = mappi2;
    teamatrix(view.mapm, float(3.9 * std::sin(4.12412 * t)), float(4.2 * std::sin(5.41241 * t)),
              float(3 * std::sin(3.45152 * t)));
    view.up = normalised({1.0f, 0.5f, 0.1f});
    view.valoshift = 20;
    std::memset(canvas, 0, sizeof canvas);

    winshift j = raycokes(view, canvas + CENTRE, {ex, ey, ez}, {gx, gy, gz}, 1.0f);

    // The light sampled from the canvas and smeared outward, in one pass.
    radiaalismear(canvas, samplecurve, valotbl, -ANGLES, 62000);  // a ring a step
    blur2spiral(valotbl, 35000);  // blur2 (valotbl, 1, 35000), then (valotbl, -1, 35000)

    copywindow(picture, windowat(j));  // keep the ball

    view.object = putki;
    j = raycokes_t(view, canvas + CENTRE, {ex, ey, ez}, {gx, gy, gz}, 1.0f);

    // The ball where it covers the picture, the tube elsewhere, the light over both.
    const unsigned char* lt = lighttable(valotbl, mergecurve, 2);
    const int w = windowoffset(j);
    for (int y = 0; y < PICH; y++) {
        const int o = w + y * PITCH;
        addlightrowover(picture + y * PICW, canvas + o, tunneli + o, lt);
    }

    // On a kick the brightness is 65535, not 65536: the scaled path, which
    // adds each sprite value less one.
    if (t < 1.75f)
        laitask(sp5, picture, 32768 + 32767 * pasari(t), 0);
    else if (t < 2 && pasari(t))
        laitask(sp6, picture, 65535, 220);
    else if (t < 2)
        laitask(sp5, picture, 32768, 0);
    else
        laitask(sp6, picture, 32768 + 32767 * pasari(t), 220);

    int br = t < 5.75f ? 65536 + 65536 * snare(t) : trunc32(65536 - 262144 * (t - 5.75));
    return {picture, paletti2, br};
}

} // namespace tormel
