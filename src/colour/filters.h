// SPDX-License-Identifier: MIT
// filters.h: per-frame screen filters: the glow blur, the 2 x 2 box
// average, sampling into the polar light table and the recursive light smear.
#pragma once

namespace tormel {

// teeblurri: "make blur". Adds a soft glow to a 320 x 200 picture in place.
void teeblurri(unsigned char* dest);

// plordbuf: 2 x 2 box average, in place, of a 320 x 200 canvas window (rows
// PITCH apart); its last row and column are read but kept.
void plordbuf(unsigned char* window);

// radiaalismear: "radial smear". The light table sampled from the canvas
// sourke through a picture-to-light curve, dest[i] = curve[sourke[radiaali[i]]],
// then smeared as by blur2(dest, delta, p), in one pass: for an outward
// smear (delta <= -16) each cell is smeared as it is sampled.
void radiaalismear(const unsigned char* sourke, const int* curve, int* dest, int delta, int p);

// Recursive smear of the light table along stride delta, strength p (16.16).
void blur2(int* dest, int delta, int p);

// The softening along the spiral both ways: blur2(dest, 1, p) and then
// blur2(dest, -1, p), without copying the table between the two.
void blur2spiral(int* dest, int p);

// The same smear computed cell by cell in pass order: the plain form that the
// fast paths of blur2 are checked against.
void blur2ref(int* dest, int delta, int p);

} // namespace tormel
