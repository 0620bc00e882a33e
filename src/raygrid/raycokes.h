// SPDX-License-Identifier: MIT
// raycokes.h: the ray-grid frame driver: camera, window shift, 41 x 26
// corner rays and the per-block choice of interpolation or subdivision.
#pragma once
#include "raygrid/ray.h"

namespace tormel {

// pallero: "little ball", the corner rays of the latest frame, GRIDW a row.
extern gridfx pallero[CORNERS];

// Renders the 320 x 200 picture of view.object, seen from eye towards
// target, into dest + PITCH * y + x, rows PITCH bytes apart, and returns that
// shift (x, y), which keeps the world origin near the canvas centre (jep =
// 1) or not at all (jep = 0). Blocks that miss are not written.
winshift raycokes(const rayview& view, unsigned char* dest, vector eye, vector target, float jep);

// How a block is filled from its corners p[0], p[1], p[GRIDW], p[GRIDW + 1]:
// left alone when all four miss, interpolated when all hit and the
// longitude grows by at most a quarter turn along both diagonals, subdivided
// otherwise.
enum class blockfill { skip, inter, subdiv };
blockfill chooseblock(const gridfx* p);

} // namespace tormel
