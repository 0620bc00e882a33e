// SPDX-License-Identifier: MIT
// texture.h: the procedural textures and the relief height map, made once
// at start-up.
#pragma once

namespace tormel {

// precalcmappi: "precalc map". Builds nbuf, then mappi1, mappi3 (value noise
// on an ellipsoid) and mappi2 (smoothed random cloud): 99328 draws of rand().
void precalcmappi();

// domap: "make map". Expands 64 x 64 packed 4-bit heights (src, 2048 bytes,
// low nibble first) into 256 x 256 bytes (dest, 16 per height step) through
// rez0 rounds of 2x interpolation. Only rez0 = 2 fills every texel from the
// source; with fewer rounds the cells between samples keep old temppi data.
void domap(const unsigned char* src, unsigned char* dest, int rez0);
void first(const unsigned char* m);  // unpack the nibbles into temppi
void ip(int a, int d);               // one interpolation pass over temppi
void last(unsigned char* m);         // temppi (16.16) -> bytes, clamped

// The relief maps of the start-up: ufomap = domap(kohokuva) smoothed four
// times, then uforeika = ufomap modulated by mappi2 (so after precalcmappi).
void precalcrelief();

} // namespace tormel
