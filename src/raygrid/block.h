// SPDX-License-Identifier: MIT
// block.h: filling one 8 x 8 pixel block from its four corner rays, by
// bilinear interpolation or by adaptive subdivision along silhouettes.
#pragma once
#include "core/buffers.h"

namespace tormel {

// g points at the block's top-left corner in pallero (41 records a row);
// dest at the block's top-left pixel, rows 640 bytes apart.
void inter8x8(unsigned char* dest, int x1, int y1, gridfx* g);
void subdiv8x8(unsigned char* dest, int x1, int y1, gridfx* g);

// Make d at sample point (x, y) from its neighbours s1 (left/above) and s2.
void subdiv1(int x, int y, gridfx* d, gridfx* s1, gridfx* s2);

} // namespace tormel
