// SPDX-License-Identifier: MIT
// relief.h: the relief plane of scene 3: a height map bulging out of a plane,
// lit by a cone light bent by its slope, with patches revealed by a threshold.
#pragma once
#include <cstddef>
#include <cstdint>
#include "core/geometry.h"
#include "core/vecmath.h"

namespace tormel {

// The relief as the data file gives it: 64 x 64 heights of 4 bits, two a
// byte, low nibble first.
constexpr int RELIEFBYTES = 2048;

// kohokuva: "relief picture", the packed heights as loaded. ufomap: "saucer
// map", the heights expanded to 256 x 256 and smoothed. uforeika: "saucer
// holes", the reveal map: the relief modulated by the cloud texture.
// ufojahf: the height field of the plane, remade by teeufomappi every frame.
extern unsigned char kohokuva[RELIEFBYTES];
extern unsigned char ufomap[MAPCELLS], uforeika[MAPCELLS];
extern uint16_t ufojahf[MAPCELLS];

// The start-up's relief: kohokuva from data (shorter data leaves the rest
// zero, longer is cut), ufomap expanded from it and smoothed four times,
// then uforeika from ufomap and mappi2 (so after precalcmappi).
void loadrelief(const unsigned char* data, size_t len);

// Where the block corners' rays meet the relief: map row and column in 16.16
// cells, held to 1.0 .. 255.0.
struct reliefgrid {
    int row[CORNERS], col[CORNERS];
};

// teeufomappi: "make saucer map". ufojahf = 32 * mappi2 + joops * ufomap (mod 65536).
void teeufomappi(int joops);

// teeufotaso2: "make saucer plane". Draws the plane seen from pos towards
// (1, 0, 0), up on the side of yref, into dest + PITCH * y + x and returns
// that shift (x, y), which it does not limit. In the height map's last row,
// and at its last cell, the slope toward the missing neighbour is taken as
// zero.
winshift teeufotaso2(unsigned char* dest, const uint16_t* hf, const unsigned char* reiat, int joops,
                     const vector& yref, float posx, float posy, float posz, float vx, float vy);

// uforajatbl: "saucer threshold table", the reveal curve: brightness 0..255
// added for a reveal-map value. Rebuilt by every teeufotaso2 call.
extern int uforajatbl[256];

// The two passes of teeufotaso2 on their own. ufogrid: the corner rays of
// the camera at pos into grid. ufoblocks: 25 x 40 blocks of 8 x 8 pixels
// into out (row pitch PITCH), interpolated from the grid; n1, n2 are the
// light offsets. ufoblocksref is the same by closed-form interpolation, the
// check for the incremental one.
void ufogrid(reliefgrid* grid, const uint16_t* hf, const vector& yref, float posx, float posy, float posz);
void ufoblocks(unsigned char* out, const reliefgrid& grid, const uint16_t* hf, const unsigned char* reiat,
               int n1, int n2);
void ufoblocksref(unsigned char* out, const reliefgrid& grid, const uint16_t* hf, const unsigned char* reiat,
                  int n1, int n2);

} // namespace tormel
