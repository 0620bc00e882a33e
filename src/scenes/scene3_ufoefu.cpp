// SPDX-License-Identifier: MIT
// scene3_ufoefu.cpp: the relief plane seen close up by a trembling camera.
// It swells and sinks, then stays raised while patches light up; radial
// light streams from the bright parts. The canvas is not cleared: what
// earlier frames left outside the window feeds the light too.
#include "scenes/scenes.h"
#include "colour/filters.h"
#include "colour/palette.h"
#include "core/arith.h"
#include "core/random.h"
#include "raygrid/polar.h"
#include "relief/relief.h"
#include "scenes/common.h"
#include "sprites/sprites.h"
#include <cmath>

namespace tormel {

shading ufoefu(float t)
{
    float px = t < 4 ? 0.25f : 0.25f + 0.05f * (t - 4);  // the camera nears the plane at the end

    int reveal;     // how much of the surface is lit
    float wobble;   // the camera's trembling amplitude
    if (t < 2) {
        teeufomappi(trunc32(100 - 100 * std::cos(7.853981852531433 * t)));
        reveal = 0;
        wobble = 0.2f;
    } else {
        teeufomappi(200);
        reveal = trunc32(260 + 30 * (t - 2.0));
        wobble = float(0.2 + 0.02 * (t - 2.0));
    }

    winshift j = teeufotaso2(canvas + CENTRE, ufojahf, uforeika, reveal, normalised({0.1f, 0.5f, 1.0f}), px,
                             float(wobble * std::sin(6.32 * t)), float(wobble * std::sin(5.56 * t)),
                             float(0.5 + 0.018 * std::sin(2.334 * t)),
                             float(0.5 + 0.018 * std::sin(1.676 * t)));
    const int w = windowoffset(j);
    plordbuf(canvas + w);

    // The light sampled from the canvas and smeared outward, in one pass.
    radiaalismear(canvas, ufosamplecurve, valotbl, -ANGLES, 62000);  // a ring a step
    blur2spiral(valotbl, 32000);  // blur2 (valotbl, 1, 32000), then (valotbl, -1, 32000)

    const unsigned char* lt = lighttable(valotbl, ufomergecurve, 4);
    for (int y = 0; y < PICH; y++) {
        const int o = w + y * PITCH;
        addlightrow(picture + y * PICW, canvas + o, tunneli + o, lt);
    }

    if (t < 4) {
        // Full brightness on the first two rows of every 32.
        int br = (trunc32(64 * t) & 31) <= 1 ? 65536 : 32768;
        laitask(sp3, picture, br, 0);
    } else {
        laitask(sp1, picture, 32768 + 32768 * pasari(t), 220);
    }

    if (t > 5.75f && pasari(t)) negative(picture);

    return {picture, paletti1, t >= 2 ? 65536 + 32768 * snare(t) : 65536};
}

} // namespace tormel
