// SPDX-License-Identifier: MIT
// filters.h: per-frame screen filters: the glow blur, the 2 x 2 box
// average, sampling into the polar light table and the recursive light smear.
#pragma once

namespace tormel {

// teeblurri: "make blur". Adds a soft glow to a 320 x 200 picture in place.
void teeblurri(unsigned char* dest);

// plordbuf: 2 x 2 box average of the 320 x 200 window of dbuf at (xmov, ymov).
void plordbuf();

// teeradiaali: "make radial". dest[i] = tbl2[sourke[radiaali[i]]] over the
// 512 x 128 light table.
void teeradiaali(const unsigned char* sourke, int* dest);

// The sampling of teeradiaali through any picture-to-light curve (tbl2, or
// ufotbl2 as uforadiaali), followed by blur2(dest, delta, p) for an outward
// smear (delta < 0), done as one pass: each cell is smeared as it is sampled.
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
