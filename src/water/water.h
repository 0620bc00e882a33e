// SPDX-License-Identifier: MIT
// water.h: the ripple simulation on a 256 x 256 complex field, and the
// light maps made with it at start-up.
#pragma once
#include "core/geometry.h"

namespace tormel {

struct Vesi {  // Vesi: "water", one complex cell of the ripple field
    int r, i;  // r is the height
};

// The field: 256 x 256 cells, index row * 256 + column, and a guard row that
// the water plane fills with a copy of row 0.
constexpr int FIELDW = 256, FIELDCELLS = FIELDW * FIELDW, FIELDSTORE = FIELDCELLS + FIELDW;

// vesi1, vesi2: the two fields that the water scene steps between; the
// start-up leaves its field in vesi1.
extern Vesi vesi1[FIELDSTORE], vesi2[FIELDSTORE];

// Light maps, 256 x 256, made with the field: envispot, a small bright spot,
// and enviglow, a broad dim glow, both centred on (127.5, 127.5) and read by
// the water plane; envicone, a cone of height 128 at (128, 128) falling by 4
// a cell, read by the relief plane.
extern unsigned char envispot[MAPCELLS], enviglow[MAPCELLS], envicone[MAPCELLS];

// vesiprekalk: "water precalc". The starting field in vesi1 (smoothed noise,
// drawing on from rand()), and the light maps.
void vesiprekalk();

// teevesiefekti: "make water effect". One step sourke -> desti, turning every
// cell by 16 * aika radians with the Laplacian of the imaginary part coupled in.
void teevesiefekti(const Vesi* sourke, Vesi* desti, float aika);

// One box pass s -> t over the field (flat index wrapping mod FIELDCELLS):
// t[k] = (s[k] + s[k+1] + s[k+256] + s[k+257] + 2) >> 2, r and i alike.
// The start-up smoothing; s and t must be different buffers.
void boxpass(const Vesi* s, Vesi* t);

} // namespace tormel
