// SPDX-License-Identifier: MIT
// block.h: filling one 8 x 8 pixel block from its four corner rays, by
// bilinear interpolation or by adaptive subdivision along silhouettes.
#pragma once
#include "raygrid/ray.h"

namespace tormel {

// g points at the block's top-left corner in pallero (GRIDW records a row);
// dest at the block's top-left pixel, rows PITCH bytes apart; map is the
// texture. (x1, y1) is the block's top-left sample point in half pixels,
// where subdivision casts its extra rays.
void inter8x8(unsigned char* dest, const gridfx* g, const unsigned char* map);
void subdiv8x8(const rayframe& f, const unsigned char* map, unsigned char* dest, int x1, int y1,
               const gridfx* g);

// Make d at sample point (x, y) from its neighbours s1 (left/above) and s2.
void subdiv1(const rayframe& f, int x, int y, gridfx* d, const gridfx* s1, const gridfx* s2);

} // namespace tormel
