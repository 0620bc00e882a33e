// SPDX-License-Identifier: MIT
// texture.h: the procedural textures, made once at start-up, and the
// expansion of packed heights into a map.
#pragma once
#include "core/geometry.h"

namespace tormel {

// mappi: "map". The 256 x 256 textures: mappi1 and mappi3, value noise on an
// ellipsoid, wrapped round the balls (never 0: a ball's pixel of 0 would
// count as no ball); mappi2, a smooth random cloud, 0..127.
extern unsigned char mappi1[MAPCELLS], mappi2[MAPCELLS], mappi3[MAPCELLS];

// precalcmappi: "precalc map". Builds nbuf, then the three textures: 99328
// draws of rand().
void precalcmappi();

// domap: "make map". Expands 64 x 64 packed 4-bit heights (src, 2048 bytes,
// low nibble first) into 256 x 256 bytes (dest, 16 per height step) through
// two rounds of 2x interpolation.
void domap(const unsigned char* src, unsigned char* dest);

} // namespace tormel
