// SPDX-License-Identifier: MIT
// scene5_sumupallo.cpp: the closing scene. The camera swings round a
// turning textured sphere on a widening, tumbling path; light streaks
// radiate from it; the picture flashes negative on the first two rows of
// every half pattern and fades out over the last half pattern.
#include "scenes/scenes.h"
#include "colour/filters.h"
#include "colour/palette.h"
#include "colour/texture.h"
#include "core/arith.h"
#include "raygrid/polar.h"
#include "raygrid/ray.h"
#include "raygrid/raycokes.h"
#include "scenes/common.h"
#include "sprites/sprites.h"
#include <cmath>
#include <cstring>

namespace tormel {

shading sumupallo(float t)
{
    double r = 2 + std::pow(double(t), 1.2);  // orbit radius, 2 to about 5
    double a1 = 3.1621344 * t;               // orbit angle

    rayview view{};
    view.object = pallo;
    view.map = mappi1;
    teamatrix(view.mapm, float(3.9 * std::sin(4.12412 * t)), float(4.2 * std::sin(5.41241 * t)),
              float(3.0 * std::sin(3.45152 * t)));
    view.up = normalised({1.0f, 0.5f, 0.1f});
    std::memset(canvas, 0, sizeof canvas);

    const vector eye = {float(r * std::sin(a1)), float(r * std::cos(a1)), float(r * std::sin(2.0154124 * t))};
    const vector target = {float(std::sin(2.4532764 * t)), float(std::sin(1.7633453 * t)),
                           float(std::sin(3.1266423 * t))};
    winshift j = raycokes(view, canvas + CENTRE, eye, target, 1.0f);

    // Light smeared outward along both diagonals of the polar table (a ring
    // and a cell a step); the first smear in one pass with the sampling.
    radiaalismear(canvas, samplecurve, valotbl, -(ANGLES + 1), 52000);
    blur2(valotbl, -(ANGLES - 1), 52000);

    const unsigned char* lt = lighttable(valotbl, mergecurve, 2);
    const int w = windowoffset(j);
    for (int y = 0; y < PICH; y++) {
        const int o = w + y * PITCH;
        addlightrow(picture + y * PICW, canvas + o, tunneli + o, lt);
    }

    int br = t < 2 ? 65536 : trunc32((t - 2.0) * -131072.0 + 65536);
    if ((trunc32(t * 64) & 31) <= 1) negative(picture);
    return {picture, paletti3, br};
}

} // namespace tormel
