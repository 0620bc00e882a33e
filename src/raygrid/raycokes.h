// SPDX-License-Identifier: MIT
// raycokes.h: the ray-grid frame driver: camera, window shift, 41 x 26
// corner rays and the per-block choice of interpolation or subdivision.
#pragma once
#include "core/buffers.h"

namespace tormel {

// Renders the 320 x 200 picture of opu (texture, mapm, yvec set by the caller)
// seen from _pos towards tgt into dest + 640 * y + x, rows 640 bytes apart,
// and returns that shift (x, y), which keeps the object near the canvas
// centre (jep = 1) or not at all (jep = 0). Blocks that miss are not written.
winshift raycokes(unsigned char* dest, float _posx, float _posy, float _posz,
                  float tgtx, float tgty, float tgtz, float jep);

// How a block is filled from its corners p[0], p[1], p[41], p[42] (pallero
// layout): left alone when all four miss, interpolated when all hit and the
// longitude grows by at most a quarter turn along both diagonals, subdivided
// otherwise.
enum class blockfill { skip, inter, subdiv };
blockfill chooseblock(const gridfx* p);

} // namespace tormel
