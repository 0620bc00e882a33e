// SPDX-License-Identifier: MIT
// ray.h: one primary ray against the scene's quadric, mapped to texture
// coordinates. The only place where rays meet geometry.
#pragma once
#include "core/buffers.h"

namespace tormel {

// ammuu_sade: "shoots a ray" through the sample point (x, y) in half pixels
// (0..640, 0..400) of the picture. Reads camera, perx, pery, posx/y/z, opu
// and mapm. On a miss only g->c is written (MISS).
void ammuu_sade(gridfx* g, int x, int y);

} // namespace tormel
