// SPDX-License-Identifier: MIT
// polar.h: the polar mapping tables between the 640 x 400 canvas and the
// 512 x 128 light table, built once at start-up.
#pragma once
#include "core/geometry.h"

namespace tormel {

// tunneli: "tunnel", for each canvas position the polar cell it shows.
// radiaali: "radial", for each polar cell the canvas offset it samples.
extern int tunneli[CANVASBYTES];
extern int radiaali[LIGHTCELLS];

// prekalkutsjon: "precalculation". Fills tunneli and radiaali.
void prekalkutsjon();

} // namespace tormel
