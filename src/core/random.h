// SPDX-License-Identifier: MIT
// random.h: the demo's own random generator, the value noise built on it,
// and the two beat gates of music time.
//
// Every random value of the demo is drawn at start-up, in a fixed order
// (textures first, then the water), so every run shows the same pictures.
#pragma once

namespace tormel {

extern int nbuf[1024];  // nbuf: "noise buffer", a permutation of 0..1023

void resetrand();       // back to the initial seed 0xCAFEBABE (start-up does this)
int rand();             // 0..32767: seed = seed * 0x97654321 + 1, top 15 bits
void buildnoise();      // 32768 discarded draws, then shuffle nbuf with 1024 draws

int inoise(int x, int y, int z);  // lattice value 0..1023, period 1024 on each axis
int noise(int x, int y, int z);   // smooth value noise 0..1023; coordinates 22.10 fixed point

int pasari(float t);    // pasari: "bass drum", 1 on kick rows 0 3 6 9 10 13 of each 16
int snare(float t);     // 1 on snare rows 4 and 12 of each 16

} // namespace tormel
