// SPDX-License-Identifier: MIT
// palette.h: the hue map and the three palettes. Scenes render grey
// intensities; the composite colours them through a palette row chosen per
// pixel by the hue map, so one grey takes a slowly varying tint.
#pragma once
#include "core/geometry.h"

namespace tormel {

// hue: the palette row, 12..57, of each of the 320 x 200 picture's pixels.
// paletti: "palette", 64 rows x 256 columns of RGB565, one set a scene.
constexpr int PALETTEENTRIES = 64 * 256;
extern unsigned char hue[PICBYTES];
extern int paletti1[PALETTEENTRIES], paletti2[PALETTEENTRIES], paletti3[PALETTEENTRIES];

// teepaljetti: "make palette". Fills 64 rows x 256 columns of RGB565 (in the
// low 16 bits of each int): row i ramps red, green, blue with the slopes
// r1 + i*r2, g1 + i*g2, b1 + i*b2 (512 = identity ramp).
void teepaljetti(int* p, float r1, float g1, float b1, float r2, float g2, float b2);

// precalcipaskaa: "precalc stuff". Builds the hue map and the three palettes.
void precalcipaskaa();

} // namespace tormel
