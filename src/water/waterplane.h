// SPDX-License-Identifier: MIT
// waterplane.h: the water surface drawn as a lit plane in perspective.
#pragma once
#include "core/geometry.h"
#include "core/vecmath.h"
#include "water/water.h"

namespace tormel {

// Where the block corners' rays meet the water: world y (along the field's
// rows) and z (along its columns), 2^23 per world unit = field cells in
// 16.16; INT_MIN where the hit lies beyond the int range.
struct watergrid {
    int y[CORNERS], z[CORNERS];
};

// teevesitaso: "make water plane". Draws vfield (guard row refreshed here)
// seen from (posx, posy, posz) towards (9.5, 0, 0), up on the side of up,
// into the 320 x 200 picture dest; vx, vy shift the light maps.
void teevesitaso(unsigned char* dest, Vesi* vfield, const vector& up, float posx, float posy, float posz,
                 float vx, float vy);

// The two halves of teevesitaso, for tests and benchmarks.
//
// vesiverkko: "water grid". Traces the 41 x 26 block corners against the
// plane x = +-10 displaced by the field's height. Reads the field's cells,
// not its guard row.
void vesiverkko(watergrid* grid, const Vesi* vfield, const vector& up, float posx, float posy, float posz);

// vesilohkot: "water blocks". Shades the 40 x 25 blocks of 8 x 8 pixels from
// the grid and the field's slope. m1y, m1z (spot) and m2y, m2z (glow) are
// the light-map offsets in 1/256 map cells; vfield's guard row must hold a
// copy of row 0.
void vesilohkot(unsigned char* dest, const watergrid& grid, const Vesi* vfield, int m1y, int m1z, int m2y,
                int m2z);

} // namespace tormel
