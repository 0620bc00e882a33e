// SPDX-License-Identifier: MIT
// scene2_vesitaso.cpp: the textured ball over the rippling, lit water
// plane, with a glow round the ball, pulsing and beating sprites, snare
// flashes and a negative last sixteenth. The only scene with history: the
// water steps by the music time passed since the previous frame.
#include "scenes/scenes.h"
#include "colour/filters.h"
#include "colour/palette.h"
#include "colour/texture.h"
#include "core/arith.h"
#include "core/random.h"
#include "raygrid/ray.h"
#include "raygrid/raycokes.h"
#include "scenes/common.h"
#include "sprites/sprites.h"
#include "water/water.h"
#include "water/waterplane.h"
#include <cmath>
#include <cstring>
#include <utility>

namespace tormel {

static float oldt;         // local time of the previous frame
static Vesi* now = vesi1;  // the latest field, where the next step starts
static Vesi* next = vesi2; // where the next step writes
static unsigned char balllayer[PICBYTES];  // the ball cut out of the picture, for its glow

void resetvesitaso()
{
    oldt = 0;
    now = vesi1;
    next = vesi2;
    std::memset(balllayer, 0, sizeof balllayer);
}

shading vesitaso(float t)
{
    const double omega = 3.123;  // radians a pattern

    rayview view{};
    view.object = pallo;
    view.map = mappi3;
    setidentity(view.mapm);
    view.up = normalised({1.0f, 0.5f, 0.0f});

    float a = float(0.3 * std::cos(omega * t));
    float b = float(0.6 * std::sin(omega * t));

    std::memset(canvas, 0, sizeof canvas);

    // The ball, seen from (0, -20a, 20b) looking at (-4, 0, 0).
    winshift j = raycokes(view, canvas + CENTRE, {0, -20 * a, 20 * b}, {-4, 0, 0}, 1.0f);

    // The water moves by music time: a frame at the same position leaves it still.
    const float aika = t - oldt;  // aika: "time", the step since the previous frame
    oldt = t;
    teevesiefekti(now, next, 2 * aika);
    teevesitaso(picture, next, view.up, 9.0f, a, b, -2 * a, -2 * b);
    std::swap(now, next);

    // The ball cuts its shape out of the water and gets a glow of its own.
    cutlayer(picture, balllayer, windowat(j));
    teeblurri(balllayer);
    addpicture(picture, balllayer);

    if (t < 1.9375f)
        laitask(sp4, picture, trunc32(45000 + 16384 * std::sin(double(12.566371f) * t)), 0);
    else if (t >= 2)
        laitask(sp2, picture, 32768 + 32768 * pasari(t), 220);

    if (t >= 5.9375f) negative(picture);

    return {picture, paletti2, 65536 + 32768 * snare(t)};
}

} // namespace tormel
